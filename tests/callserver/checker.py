"""Checks every field of what a set sends against the message layouts.

check(cls, payload, header, expect) returns one text per difference. `header` holds the
J5 header fields (dst_vdn, src_vdn); `expect` what the call server knows:
  revision        the revision the set must use (0x80B3 unless the server runs another)
  handle          the device handle the server gave the set (or None)
  exact_length    True when the payload length is exact (UDP, or a frame above 60 bytes)
  source_ip       the set's address when it came by UDP
  dtmf_ids        sequence numbers of the play-DTMF requests sent to the set
  call            the audio the set should send: {"compression", "dst_vdn"}
"""

from __future__ import annotations

import socket
from typing import Dict, List

import payloads as p

VALID_KEYS = set(range(10)) | {14, 15} | set(range(16, 33)) | set(range(49, 55)) | set(range(65, 77))
DEVICE_TYPE = 0x0200
STATUS_DEVICES = [(3, 6, 0x0205, 2, 1), (3, 6, 0x0205, 3, 1), (3, 6, 0x0207, 5, 1)]
SOFT_DEVICE = (3, 6, 0x0208, 6, 1)
# fixed bytes outside the properties: offset -> bytes
STATUS_FIXED = {10: b"\x01\x18", 24: b"\x00\x03", 36: b"\x02\x36", 38: b"\x02\x01", 40: b"\x00\x01",
                42: b"\x00\x01", 92: b"\x04\x08", 102: b"\x05\x42", 170: b"\x06\x22"}
REPORT_FIXED = {8: b"\x00\x54", 44: b"\x01\x00", 46: b"\x0b\x00"}
FLOW_EVENTS = (8, 9, 10)
AUDIO_FLAGS = (0, 1, 2, 0x10)
LENGTHS = {"KzSetEventMsg": p.KZSETEVENT_LEN, "ReportIPInfoMsg": p.REPORT_LEN}


def _hex(v) -> str:
    if v is None:
        return "none"
    if isinstance(v, int):
        return f"{v:#06x}"
    if isinstance(v, (bytes, bytearray)):
        return v.hex(":")
    if isinstance(v, (tuple, list)):
        return "(" + ", ".join(_hex(x) for x in v) + ")"
    return str(v)


class Report:
    def __init__(self, cls: str):
        self.cls, self.items = cls, []

    def eq(self, what: str, got, want) -> None:
        if got != want:
            self.items.append(f"{self.cls} {what} {_hex(got)}, expected {_hex(want)}")

    def one_of(self, what: str, got, allowed) -> None:
        if got not in allowed:
            self.items.append(f"{self.cls} {what} {_hex(got)}, expected one of "
                              + ", ".join(_hex(a) for a in allowed))

    def note(self, text: str) -> None:
        self.items.append(f"{self.cls} {text}")


def _length(r: Report, payload: bytes, want: int, exact: bool) -> bool:
    """False when the payload is too short to check further."""
    if len(payload) < want:
        r.note(f"payload {len(payload)} bytes, expected {want}")
        return False
    if len(payload) > want and (exact or any(payload[want:])):
        r.note(f"payload {len(payload)} bytes, expected {want}")
    return True


def _zero_except(r: Report, payload: bytes, end: int, used) -> None:
    taken = set()
    for off, width in used:
        taken.update(range(off, off + width))
    for off in range(min(end, len(payload))):
        if off not in taken and payload[off]:
            r.note(f"byte @{off} {payload[off]:#04x}, expected 0")
            return


def _handle(r: Report, value, expect: Dict) -> None:
    if expect.get("handle") is not None and value is not None:
        r.one_of("nDeviceHandle", value, (expect["handle"] & 0xFFFF, 0xFFFF))


def _device_report(r: Report, payload: bytes, f: Dict, header: Dict, expect: Dict, fixed: Dict, table, end: int,
                   vdns) -> None:
    """What the status and the IP-info report share."""
    r.eq("nDeviceType", f["nDeviceType"], DEVICE_TYPE)
    _handle(r, f["nDeviceHandle"], expect)
    r.one_of("nDeviceLocation", f["nDeviceLocation"], (1, 2))
    r.one_of("nDiscoveryState", f["nDiscoveryState"], (0, 2))
    for off, want in fixed.items():
        r.eq(f"bytes @{off}", payload[off:off + len(want)], want)
    used = [(off, len(v)) for off, v in fixed.items()] + [(0, 4)] + [(off, p.WIDTH[enc]) for _, enc, off in table]
    _zero_except(r, payload, end, used)
    if expect.get("source_ip") and f.get("varMyIP") is not None:
        r.eq("varMyIP", socket.inet_ntoa(f["varMyIP"]), expect["source_ip"])
    r.eq("VDNs", (header.get("dst_vdn"), header.get("src_vdn")), vdns)


def _status(r: Report, payload: bytes, header: Dict, expect: Dict) -> None:
    f = p.decode_status(payload)
    devices = f["devices"]
    end = p.STATUS_LEN + 8 * len(devices)
    if not _length(r, payload, end, expect.get("exact_length", False)):
        return
    r.eq("list length @8", f["nListLength"], end - 10)
    r.eq("device handle @44", f["nDeviceHandleAgain"], f["nDeviceHandle"])
    if devices not in (STATUS_DEVICES, STATUS_DEVICES + [SOFT_DEVICE]):
        r.note(f"devices {devices}, expected {STATUS_DEVICES} and optionally {SOFT_DEVICE}")
    _device_report(r, payload, f, header, expect, STATUS_FIXED, p.STATUS, p.STATUS_LEN, (1, 1))


def _report(r: Report, payload: bytes, header: Dict, expect: Dict) -> None:
    if not _length(r, payload, p.REPORT_LEN, expect.get("exact_length", False)):
        return
    f = p.decode("ReportIPInfoMsg", payload)
    _device_report(r, payload, f, header, expect, REPORT_FIXED, p.REPORT, p.REPORT_LEN, (0x0101, 1))


def _event(r: Report, payload: bytes, header: Dict, expect: Dict) -> None:
    if not _length(r, payload, p.KZSETEVENT_LEN, expect.get("exact_length", False)):
        return
    f = p.decode("KzSetEventMsg", payload)
    _handle(r, f["nDeviceHandle"], expect)
    r.eq("nHookSwitchStatus", f["nHookSwitchStatus"], 1)
    _zero_except(r, payload, p.KZSETEVENT_LEN, [(0, 6), (8, 8)])
    ev, info1, info2 = f["nEventID"], f["nEventInfo1"], f["nEventInfo2"]
    r.one_of("nEventID", ev, (3, 5) + FLOW_EVENTS)
    vdns = (header.get("dst_vdn"), header.get("src_vdn"))
    if ev == 3:
        r.one_of("key nEventInfo1", info1, sorted(VALID_KEYS))
        r.eq("nEventInfo2", info2, 0)
    elif ev == 5 and expect.get("dtmf_ids") is not None:
        r.one_of("DTMF nEventInfo1", info1, sorted(expect["dtmf_ids"]))
    if ev in FLOW_EVENTS:
        r.eq("VDNs", vdns, (1, 2))
        if (info1, info2) != (0xAAAA, 0xBBBB):
            r.eq("nEventInfo2", info2, 20)
    elif ev in (3, 5):
        r.eq("VDNs", vdns, (1, 1))


def _audio_frames(r: Report, frames, expect: Dict) -> None:
    call = expect.get("call") or {}
    for i, fr in enumerate(frames):
        if call.get("compression") is not None:
            r.eq(f"frame {i} format", fr["format"], call["compression"])
        else:
            r.one_of(f"frame {i} format", fr["format"], (1, 2, 3))
        r.one_of(f"frame {i} flags", fr["flags"], AUDIO_FLAGS)


def _real_time(r: Report, payload: bytes, header: Dict, expect: Dict) -> None:
    if not _length(r, payload, 10 + p.RT_SLOT, True):
        return
    f = p.decode("RealTimeAudioMsg", payload)
    r.eq("nProtocolRevision", f["nProtocolRevision"], expect.get("revision", p.REV))
    r.eq("bytes @2", payload[2:4], b"\0\0")
    r.eq("nFrames", f["nFrames"], 1)
    r.eq("nSourceVDN", f["nSourceVDN"], 2)
    if (expect.get("call") or {}).get("dst_vdn") is not None:
        r.eq("nDestVDN", f["nDestVDN"], expect["call"]["dst_vdn"])
    _audio_frames(r, f["frames"], expect)


def _reliable(r: Report, payload: bytes, header: Dict, expect: Dict) -> None:
    if len(payload) < 10:
        r.note(f"payload {len(payload)} bytes, expected at least 10")
        return
    f = p.decode("ReliableAudioMsg", payload)
    n = f["nFrames"]
    if not 1 <= n <= p.REL_MAX_FRAMES:
        r.note(f"nFrames {n}, expected 1 to {p.REL_MAX_FRAMES}")
        return
    if not _length(r, payload, 10 + p.REL_SLOT * n, expect.get("exact_length", False)):
        return
    r.eq("VDNs", header.get("src_vdn"), 2)
    _audio_frames(r, f["frames"], expect)


CHECKS = {"StatusMsg": _status, "ReportIPInfoMsg": _report, "KzSetEventMsg": _event,
          "RealTimeAudioMsg": _real_time, "ReliableAudioMsg": _reliable}
# what a set sends back on command 0x1003: the server's own message, unchanged
RESENT = ("UIStateControlMsg", "CallStateControlMsg")
SENT_AS = {"StatusMsg": "HU", "ReportIPInfoMsg": "HR", "KzSetEventMsg": "HR", "ReliableAudioMsg": "HR",
           "RealTimeAudioMsg": "HA"}


def classify(ptype: str, payload: bytes) -> str:
    """The class of a packet a set sent, or a text naming what it is not."""
    if ptype == "HA":
        return "RealTimeAudioMsg"
    mt, _ = p.header_words(payload)
    cls = p.CLASS_OF.get((ptype, mt))
    if cls in CHECKS or cls in RESENT:
        return cls
    return f"unexpected {ptype} message type {_hex(mt)}"


def check(cls: str, payload: bytes, header: Dict, expect: Dict) -> List[str]:
    r = Report(cls)
    if cls != "RealTimeAudioMsg":
        mt, rev = p.header_words(payload)
        if rev is None:
            r.note(f"payload {len(payload)} bytes, expected at least 4")
            return r.items
        r.eq("nProtocolRevision", rev, expect.get("revision", p.REV))
    if header.get("ptype") not in (None, SENT_AS[cls]):
        r.eq("packet type", header["ptype"], SENT_AS[cls])
    CHECKS[cls](r, bytes(payload), header, expect)
    return r.items
