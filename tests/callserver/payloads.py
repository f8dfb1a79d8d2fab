"""Payloads of the call server's messages and of the set's, from the message layouts.

encode(cls, fields, revision) packs what the call server sends; decode(cls, payload)
unpacks what the set sends. Field names are the property names of the message
classes; offsets are bytes from the start of the J5 payload, words big-endian.
Encodings: W word, B byte, H high nibble, L low nibble (nibbles are OR-ed into their
byte), MAC 6 bytes, IP 4 bytes.
"""

from __future__ import annotations

import datetime
import struct
from typing import Dict, Iterable, List, Optional, Sequence, Tuple

REV = 0x80B3
OTHER_REV = 0x80B2
WIDTH = {"W": 2, "B": 1, "H": 1, "L": 1, "MAC": 6, "IP": 4}

# class -> (packet type, JIPMessageType); real-time audio has no type word
TYPES = {
    "SystemStateMsg": ("HU", 0x0001), "StatusMsg": ("HU", 0x0013), "SlavePageCmdMsg": ("HU", 0x0015),
    "CommandMsg": ("HR", 0x0011), "PlayDTMFMsg": ("HR", 0x0012), "ReportIPInfoMsg": ("HR", 0x0016),
    "ReliableAudioMsg": ("HR", 0x0083), "KzSetInitMsg": ("HR", 0x0201), "UIStateControlMsg": ("HR", 0x0202),
    "CallStateControlMsg": ("HR", 0x0203), "LEDMappingMsg": ("HR", 0x0204), "KzSetEventMsg": ("HR", 0x0205),
    "RealTimeAudioMsg": ("HA", None),
}
CLASS_OF = {v: k for k, v in TYPES.items() if v[1] is not None}

# (field, encoding, offset at 0x80B3, offset at any other revision; None: not carried)
KZSETINIT = [
    ("nDeviceHandle", "W", 4, 4), ("nControlHeaderBits", "W", 10, 8), ("nControlIPTOS", "W", 12, 10),
    ("nSlaveIPAddrControlFlag", "W", 18, 16), ("nControlTCI", "W", 20, 18), ("nSystemStateHash", "W", 22, 20),
    ("varSystemStateIP", "IP", 24, 22), ("varSystemStateMac", "MAC", 28, 26), ("nPageHash", "W", 34, 32),
    ("varPageIP", "IP", 36, 34), ("varPageMac", "MAC", 40, 38), ("nStatusUpdatePeriod", "W", 662, 172),
]
UISTATE = [
    ("nDeviceHandle", "W", 4, 4), ("nSpkrCallProgTone", "B", 22, 22), ("nSpkrCallProgMode", "H", 23, 23),
    ("nSpkrCallProgVol", "L", 23, 23), ("nSpkrCallProgDur", "W", 24, 24), ("nSpkrAlertSigTone", "H", 26, 26),
    ("nSpkrAlertSigCad", "L", 26, 26), ("nSpkrAlertSigMode", "H", 27, 27), ("nSpkrAlertSigCycles", "B", 29, 29),
    ("nKeyControl", "W", 32, 32), ("nTODMode", "W", 114, 82), ("nCallDurationDisplayMode", "W", 118, 86),
    ("nCallDuration", "W", 122, 90), ("nDeviceIdleStatus", "W", 124, None),
]
UI_LEDS, UI_LINES = 34, 46
UI_LINE_WIDTH = {True: 32, False: 16}
CALLSTATE = [
    ("nDeviceHandle", "W", 4, 4), ("nAudioConnType1", "B", 16, 16), ("nAudioDirection1", "B", 17, 17),
    ("nAudioHdrBits1", "W", 18, 18), ("nAudioIPTOS1", "W", 20, 20), ("nAudioTCI1", "W", 22, 22),
    ("nCompressionInfo1", "B", 24, 24), ("nAudioControls1", "B", 26, 26), ("nAudioFramesPerPacket1", "B", 27, 27),
    ("nTermSeqMask1", "W", 28, 28), ("nAudioDevice1", "W", 30, 30), ("varOtherPartyMac1", "MAC", 32, 32),
    ("nOtherPartyVDN1", "W", 38, 38), ("varOtherPartyIP1", "IP", 40, 40), ("varMulticastMac1", "MAC", 50, 48),
    ("nMulticastHash1", "W", 56, 54), ("varMulticastIP1", "IP", 58, 56), ("nAudioConnType2", "B", 62, 60),
    ("nAudioDirection2", "B", 63, 61), ("nAudioHdrBits2", "W", 64, 62), ("nAudioIPTOS2", "W", 66, 64),
    ("nAudioTCI2", "W", 68, 66), ("nCompressionInfo2", "B", 70, 68), ("nAudioControls2", "B", 72, 70),
    ("nAudioFramesPerPacket2", "B", 73, 71), ("nTermSeqMask2", "W", 74, 72), ("nAudioDevice2", "W", 76, 74),
    ("varOtherPartyMac2", "MAC", 78, 76), ("nOtherPartyVDN2", "W", 84, 82), ("varMulticastMac2", "MAC", 96, 92),
    ("nMulticastHash2", "W", 102, 98), ("nConferenceListSize", "W", 108, 104),
    ("varConfMulticastMac", "MAC", 112, 108), ("nConfMulticastHashCode", "W", 118, 114),
    ("varConfMulticastIP", "IP", 120, 116),
]
CALL_MEMBERS = {True: 124, False: 120}      # conference member i: MAC at base + 8i, VDN at base + 8i + 6
CALL_MIN_LEN = 148
SLAVEPAGE = [
    ("nDeviceHandle", "W", 4, 4), ("nPageNoID", "W", 8, 8), ("nAudioConnType", "B", 10, 10),
    ("nAudioDirection", "B", 11, 11), ("nAudioHdrBits", "W", 12, 12), ("nCompressionInfo", "B", 18, 18),
    ("nCallProgTone", "B", 20, 20), ("nCallProgDuration", "W", 22, 22), ("varOtherPartyMac", "MAC", 24, 24),
    ("nOtherPartyVDN", "W", 30, 30), ("varMulticastMac", "MAC", 32, 32), ("nMulticastHash", "W", 38, 38),
    ("varMulticastIP", "IP", 40, 40),
]
PAGE_DEVICES = 48                            # device-state words, the word at 44 being 0
COMMAND = [("nDeviceHandle", "W", 4, 4), ("nCommand", "W", 8, 8), ("nQualifier", "W", 10, 10)]
LEDMAP = [("nDeviceHandle", "W", 4, 4)]
PLAYDTMF = [("nDeviceHandle", "W", 4, 4), ("nSequenceID", "W", 8, 8)]
SYSSTATE_LIST = 20
LED_TAGS = {"varKzSetLEDStates": 0x0200, "varTlimLEDStates": 0x0300, "varParkLEDStates": 0x0600}

# what the set sends: (field, encoding, offset)
KZSETEVENT = [("nDeviceHandle", "W", 4), ("nEventID", "W", 8), ("nEventInfo1", "W", 10),
              ("nEventInfo2", "W", 12), ("nHookSwitchStatus", "W", 14)]
STATUS = [("nDeviceHandle", "W", 4), ("nListLength", "W", 8), ("nDeviceType", "W", 12),
          ("nDeviceHandleAgain", "W", 44), ("varMacAddress", "MAC", 46), ("nDeviceLocation", "W", 52),
          ("nDiscoveryState", "W", 54), ("varMyIP", "IP", 58), ("varSubNetMask", "IP", 62),
          ("varGatewayIP", "IP", 70), ("varVuruvIP", "IP", 74), ("nSystemStateMsgCount", "W", 80)]
STATUS_LEN = 206
REPORT = [("nDeviceHandle", "W", 4), ("nDeviceType", "W", 10), ("nDeviceLocation", "W", 12),
          ("nDiscoveryState", "W", 14), ("varMyIP", "IP", 18), ("varSubNetMask", "IP", 22),
          ("varGatewayIP", "IP", 30), ("varVuruvIP", "IP", 34), ("nSystemStateMsgCount", "W", 40)]
REPORT_LEN = 92
KZSETEVENT_LEN = 24

RT_SLOT, REL_SLOT = 196, 260
RT_DATA = {1: 192, 2: 192, 3: 100}
REL_DATA = 256
REL_MAX_FRAMES = 5


class Short(Exception):
    """A payload ends before a field the layout reads."""


def _put(buf: bytearray, enc: str, off: int, value) -> None:
    if enc == "W":
        struct.pack_into(">H", buf, off, value & 0xFFFF)
    elif enc == "B":
        buf[off] = value & 0xFF
    elif enc == "H":
        buf[off] |= (value & 0x0F) << 4
    elif enc == "L":
        buf[off] |= value & 0x0F
    else:
        data = bytes(value)
        if len(data) != WIDTH[enc]:
            raise ValueError(f"{enc} needs {WIDTH[enc]} bytes, got {len(data)}")
        buf[off:off + len(data)] = data


def _get(data: bytes, enc: str, off: int):
    if off + WIDTH[enc] > len(data):
        raise Short(f"ends at {len(data)}, field at {off}")
    if enc == "W":
        return struct.unpack_from(">H", data, off)[0]
    if enc == "B":
        return data[off]
    if enc == "H":
        return data[off] >> 4
    if enc == "L":
        return data[off] & 0x0F
    return bytes(data[off:off + WIDTH[enc]])


def _table(buf: bytearray, table, fields: Dict, b3: bool) -> None:
    for name, enc, ob3, oother in table:
        off = ob3 if b3 else oother
        if name in fields and off is not None:
            _put(buf, enc, off, fields[name])


def _head(cls: str, revision: int, length: int) -> bytearray:
    buf = bytearray(length)
    struct.pack_into(">HH", buf, 0, TYPES[cls][1], revision)
    return buf


def cp1252(text: str, width: int) -> bytes:
    """A display line: Windows-1252, cut at `width`, NUL-ended when shorter."""
    raw = text.encode("cp1252", "replace")[:width]
    return raw + b"\0" * (width - len(raw))


def led_words(states: Dict[str, int]) -> bytes:
    """The 10-byte LED block: five big-endian words of 4-bit states."""
    names = [("speaker", "program", "handsfree"), ("fwdvm", "vm"), ("line1", "line2", "line3", "line4"),
             ("line5", "line6", "line7", "line8"), ("line9", "line10", "line11", "line12")]
    words = []
    for group in names:
        value = 0
        for i, name in enumerate(group):
            value |= (states.get(name, 0) & 0x0F) << (4 * i)
        words.append(value)
    return struct.pack(">5H", *words)


# --- what the call server sends ------------------------------------------------

def system_state(when: datetime.datetime, elements: Sequence[Tuple[int, bytes]], revision: int = REV) -> bytes:
    """Date and time, then the element list {tag, length, data}."""
    buf = _head("SystemStateMsg", revision, SYSSTATE_LIST)
    ms = when.second * 1000 + when.microsecond // 1000
    struct.pack_into(">HBBBBH", buf, 12, when.year, when.month, when.day, when.hour, when.minute, ms)
    for tag, data in elements:
        buf += struct.pack(">HH", tag, len(data)) + bytes(data)
    return bytes(buf)


def kz_set_init(fields: Dict, revision: int = REV) -> bytes:
    b3 = revision == REV
    buf = _head("KzSetInitMsg", revision, 664 if b3 else 174)
    _table(buf, KZSETINIT, fields, b3)
    return bytes(buf)


def ui_state(fields: Dict, lines: Sequence[str] = ("", ""), leds: Optional[Dict[str, int]] = None,
             revision: int = REV) -> bytes:
    b3 = revision == REV
    buf = _head("UIStateControlMsg", revision, 126 if b3 else 92)
    _table(buf, UISTATE, fields, b3)
    buf[UI_LEDS:UI_LEDS + 10] = led_words(leds or {})
    width = UI_LINE_WIDTH[b3]
    for i, text in enumerate(lines[:2]):
        buf[UI_LINES + width * i:UI_LINES + width * (i + 1)] = cp1252(text, width)
    return bytes(buf)


def call_state(fields: Dict, members: Sequence[Tuple[bytes, int]] = (), revision: int = REV) -> bytes:
    """Audio connection 1 (and 2) and an optional conference list of (MAC, VDN)."""
    b3 = revision == REV
    base = CALL_MEMBERS[b3]
    buf = _head("CallStateControlMsg", revision, max(CALL_MIN_LEN, base + 8 * len(members)))
    _table(buf, CALLSTATE, dict(fields, nConferenceListSize=len(members)) if members else fields, b3)
    for i, (mac, vdn) in enumerate(members):
        _put(buf, "MAC", base + 8 * i, mac)
        _put(buf, "W", base + 8 * i + 6, vdn)
    return bytes(buf)


def led_mapping(handle: int, entries: Sequence[Tuple[int, int]], revision: int = REV) -> bytes:
    """Twelve {resource group, unit number} entries (missing ones zero)."""
    buf = _head("LEDMappingMsg", revision, 8 + 48)
    _table(buf, LEDMAP, {"nDeviceHandle": handle}, True)
    for i, (group, unit) in enumerate(list(entries)[:12]):
        struct.pack_into(">HH", buf, 8 + 4 * i, group, unit)
    return bytes(buf)


def play_dtmf(handle: int, sequence_id: int, pairs: Sequence[Tuple[int, int]], revision: int = REV) -> bytes:
    """{code, time} byte pairs."""
    buf = _head("PlayDTMFMsg", revision, 12)
    _table(buf, PLAYDTMF, {"nDeviceHandle": handle, "nSequenceID": sequence_id}, True)
    struct.pack_into(">H", buf, 10, len(pairs))
    for code, ms in pairs:
        buf += bytes((code & 0xFF, ms & 0xFF))
    return bytes(buf)


def command(handle: int, cmd: int, qualifier: int = 0, revision: int = REV) -> bytes:
    buf = _head("CommandMsg", revision, 12)
    _table(buf, COMMAND, {"nDeviceHandle": handle, "nCommand": cmd, "nQualifier": qualifier}, True)
    return bytes(buf)


def slave_page(fields: Dict, device_states: Dict[int, int], revision: int = REV) -> bytes:
    """A page; `device_states` maps device numbers (1 and up) to their 4-bit state."""
    last = max(device_states, default=0)
    buf = _head("SlavePageCmdMsg", revision, PAGE_DEVICES + 2 * ((last + 3) // 4))
    _table(buf, SLAVEPAGE, fields, True)
    for device, state in device_states.items():
        k = (device - 1) % 4
        _put(buf, "H" if k & 1 else "L", PAGE_DEVICES + 2 * ((device - 1) // 4) + (k >> 1), state)
    return bytes(buf)


def _frame(fmt: int, flags: int, seq: int, data: bytes, slot: int, swap: bool) -> bytes:
    data = bytes(data)
    if swap and len(data) >= 4:           # the block's two header words go big-endian
        data = data[1::-1] + data[3:1:-1] + data[4:]
    head = struct.pack(">BBH", fmt, flags, seq & 0xFFFF)
    return (head + data + bytes(slot)).ljust(slot, b"\0")[:slot]


def real_time_audio(dst_vdn: int, src_vdn: int, frames: Iterable[Tuple[int, int, int, bytes]],
                    revision: int = REV) -> bytes:
    """Frames (format, flags, sequence, data); IMA blocks come little-endian from the codec."""
    frames = list(frames)
    buf = struct.pack(">HHHHH", revision, 0, dst_vdn, src_vdn, len(frames))
    return buf + b"".join(_frame(f, fl, s, d, RT_SLOT, f == 3) for f, fl, s, d in frames)


def reliable_audio(frames: Iterable[Tuple[int, int, int, bytes]], revision: int = REV) -> bytes:
    frames = list(frames)
    buf = struct.pack(">HHHHH", TYPES["ReliableAudioMsg"][1], revision, 0, 0, len(frames))
    return buf + b"".join(_frame(f, fl, s, d, REL_SLOT, True) for f, fl, s, d in frames)


# --- what the set sends ----------------------------------------------------------

def header_words(payload: bytes) -> Tuple[Optional[int], Optional[int]]:
    """JIPMessageType and revision, or None where the payload is too short."""
    mt = struct.unpack_from(">H", payload, 0)[0] if len(payload) >= 2 else None
    rev = struct.unpack_from(">H", payload, 2)[0] if len(payload) >= 4 else None
    return mt, rev


def _fields(payload: bytes, table) -> Dict:
    out = {}
    for name, enc, off in table:
        try:
            out[name] = _get(payload, enc, off)
        except Short:
            out[name] = None
    return out


def decode_status(payload: bytes) -> Dict:
    out = _fields(payload, STATUS)
    devices: List[Tuple[int, int, int, int, int]] = []
    off = STATUS_LEN
    while off + 8 <= len(payload) and payload[off] == 3:
        devices.append((payload[off], payload[off + 1]) + struct.unpack_from(">HHH", payload, off + 2))
        off += 8
    out["devices"] = devices
    return out


def _frames(payload: bytes, slot: int, data_len) -> List[Dict]:
    count = struct.unpack_from(">H", payload, 8)[0] if len(payload) >= 10 else 0
    frames = []
    for n in range(count):
        at = 10 + slot * n
        if at + 4 > len(payload):
            break
        fmt, flags, seq = struct.unpack_from(">BBH", payload, at)
        width = data_len(fmt)
        data = bytes(payload[at + 4:at + 4 + width])
        if fmt == 3 or slot == REL_SLOT:
            data = data[1::-1] + data[3:1:-1] + data[4:]
        frames.append({"format": fmt, "flags": flags, "seq": seq, "data": data})
    return frames


def decode(cls: str, payload: bytes) -> Dict:
    """The fields of a message the set sends (None for a field past the end)."""
    if cls == "StatusMsg":
        return decode_status(payload)
    if cls == "ReportIPInfoMsg":
        return _fields(payload, REPORT)
    if cls == "KzSetEventMsg":
        return _fields(payload, KZSETEVENT)
    if cls == "RealTimeAudioMsg":
        out = _fields(payload, [("nProtocolRevision", "W", 0), ("nDestVDN", "W", 4), ("nSourceVDN", "W", 6),
                                ("nFrames", "W", 8)])
        out["frames"] = _frames(payload, RT_SLOT, lambda f: RT_DATA.get(f, 192))
        return out
    if cls == "ReliableAudioMsg":
        out = _fields(payload, [("nFrames", "W", 8)])
        out["frames"] = _frames(payload, REL_SLOT, lambda f: REL_DATA)
        return out
    return {}
