"""Message payloads of the J5 control and audio messages: an independent model.

Standard library only. Two layers:

* Wire layer: ``build_payload(cls, fields, ...)`` packs a payload from named
  fields at the offsets of the message layouts, and ``decode(cls, payload)``
  unpacks a payload into the values the class's getters return.
* Object layer: ``Msg`` behaves like one message object (1,518-byte zeroed
  buffer, ``lDataLen``, addressing fields) with ``get``, ``put`` and ``call``,
  so that ``InitPacket``, ``AddDevice``, ``AddFrame``, ``Reset``, the setters
  and the getters' failures can be replayed step by step.

Value conventions (what a getter hands back):

* 16-bit word properties are ``short``: a BE16 word 0x80B3 reads -32589.
  Byte and nibble properties are zero-extended (0..255, 0..15).
* Byte arrays (MAC, IP, LED data, audio data) are lists of ints 0..255.
  ``varLEDStates`` is a list of five signed 16-bit ints whose low byte is the
  first of its two wire bytes; ``varCodes``/``varTimes`` are lists of ints.
* ``None`` is an empty VARIANT (VT_EMPTY); ``[]`` a zero-element array.
* ``UNTOUCHED`` is what a "not provided" getter gives: the caller's variable
  is left as it was.
* A failing call raises ``JIPError(hresult, text, mend)``; ``text`` is None
  where the layouts give no text; ``mend`` marks a bound the layouts do not
  have (reads or writes that would leave the 1,518-byte buffer).

The host is taken as little-endian (``HOST_ORDER``): the audio frames' first
two data words are big-endian on the wire and host order in the arrays that
``AddFrame`` takes and ``varAudioData`` returns.
"""

from __future__ import annotations

import datetime
import re
from typing import Any, Callable, Dict, List, Optional, Sequence

# --- constants ---------------------------------------------------------------

PAYLOAD_MAX = 1518
REV = 0x80B3                       # the revision of every message this system builds
HOST_ORDER = "little"

E_FAIL = 0x80004005
E_INVALIDARG = 0x80070057
LINKOR_INVALID_FORMAT = 0x80046002

PACKET_TYPES = {"HR": 0x4852, "HU": 0x4855, "HA": 0x4841}

# class -> (packet type, JIPMessageType or None)
CLASSES: Dict[str, tuple] = {
    "SystemStateMsg": ("HU", 0x0001),
    "StatusMsg": ("HU", 0x0013),
    "SlavePageCmdMsg": ("HU", 0x0015),
    "CommandMsg": ("HR", 0x0011),
    "PlayDTMFMsg": ("HR", 0x0012),
    "ReportIPInfoMsg": ("HR", 0x0016),
    "ReliableAudioMsg": ("HR", 0x0083),
    "KzSetInitMsg": ("HR", 0x0201),
    "UIStateControlMsg": ("HR", 0x0202),
    "CallStateControlMsg": ("HR", 0x0203),
    "LEDMappingMsg": ("HR", 0x0204),
    "KzSetEventMsg": ("HR", 0x0205),
    "RealTimeAudioMsg": ("HA", None),
    "PageCommandMsg": (None, None),
    "UnsupportedFeatureMsg": (None, None),
}
TWO_LAYOUTS = ("UIStateControlMsg", "KzSetInitMsg", "CallStateControlMsg")
OUTGOING = ("KzSetEventMsg", "StatusMsg", "ReportIPInfoMsg")


class JIPError(Exception):
    def __init__(self, hresult: int, text: Optional[str] = None, mend: bool = False):
        super().__init__(f"0x{hresult:08X} {text or ''}".strip())
        self.hresult = hresult
        self.text = text
        self.mend = mend


class _Untouched:
    def __repr__(self):
        return "UNTOUCHED"


UNTOUCHED = _Untouched()


def s16(v: int) -> int:
    v &= 0xFFFF
    return v - 0x10000 if v & 0x8000 else v


def host_swap4(data: bytes) -> bytes:
    """Turn the first two 16-bit words between host order and big-endian."""
    if HOST_ORDER == "big" or len(data) < 4:
        return bytes(data)
    d = bytearray(data)
    d[0], d[1], d[2], d[3] = d[1], d[0], d[3], d[2]
    return bytes(d)


def ansi_text(raw: bytes) -> str:
    """The ANSI code page (1252); its five unassigned bytes map to U+0081 etc."""
    out = []
    for b in raw:
        if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D):
            out.append(chr(b))
        else:
            out.append(bytes([b]).decode("cp1252"))
    return "".join(out)


def ansi_bytes(text: str) -> bytes:
    out = bytearray()
    for ch in text:
        if ord(ch) in (0x81, 0x8D, 0x8F, 0x90, 0x9D):
            out.append(ord(ch))
        else:
            out += ch.encode("cp1252")
    return bytes(out)


def ole_date(year, month, day, hour, minute, second, millisecond=0) -> float:
    """OLE Automation DATE (days since 1899-12-30), for dates from 1899-12-30 on."""
    t = datetime.datetime(year, month, day, hour, minute, second)
    delta = t - datetime.datetime(1899, 12, 30)
    return delta.days + (delta.seconds * 1000 + millisecond) / 86400000.0


# --- field tables ------------------------------------------------------------
# encodings: W BE16 short, B byte, HI/LO nibble of a byte, MAC 6 bytes, IP 4 bytes

W, B, HI, LO, MAC, IP = "W", "B", "HI", "LO", "MAC", "IP"
WIDTH = {W: 2, B: 1, HI: 1, LO: 1, MAC: 6, IP: 4}

# (property, encoding, offset for revision 0x80B3, offset for other revisions)
UI_FIELDS = [
    ("nProtocolRevision", W, 2, 2),
    ("nDeviceHandle", W, 4, 4),
    ("nSpkrCallProgTone", B, 22, 22),
    ("nSpkrCallProgMode", HI, 23, 23),
    ("nSpkrCallProgVol", LO, 23, 23),
    ("nSpkrCallProgDur", W, 24, 24),
    ("nSpkrAlertSigTone", HI, 26, 26),
    ("nSpkrAlertSigCad", LO, 26, 26),
    ("nSpkrAlertSigMode", HI, 27, 27),
    ("nSpkrAlertSigCycles", B, 29, 29),
    ("nKeyControl", W, 32, 32),
    ("nTODMode", W, 114, 82),
    ("nCallDurationDisplayMode", W, 118, 86),
    ("nCallDuration", W, 122, 90),
    ("nDeviceIdleStatus", W, 124, None),     # other revisions: always 0
]
UI_LED_OFFSET = 34
UI_LINE = {True: (46, 32), False: (46, 16)}   # revision is 0x80B3 -> (base, width)

KZINIT_FIELDS = [
    ("nProtocolRevision", W, 2, 2),
    ("nDeviceHandle", W, 4, 4),
    ("nControlHeaderBits", W, 10, 8),
    ("nControlIPTOS", W, 12, 10),
    ("nSlaveIPAddrControlFlag", W, 18, 16),
    ("nControlTCI", W, 20, 18),
    ("nSystemStateHash", W, 22, 20),
    ("varSystemStateIP", IP, 24, 22),
    ("varSystemStateMac", MAC, 28, 26),
    ("nPageHash", W, 34, 32),
    ("varPageIP", IP, 36, 34),
    ("varPageMac", MAC, 40, 38),
    ("nStatusUpdatePeriod", W, 662, 172),
]

CALL_FIELDS = [
    ("nProtocolRevision", W, 2, 2),
    ("nDeviceHandle", W, 4, 4),
    ("nAudioConnType1", B, 16, 16),
    ("nAudioDirection1", B, 17, 17),
    ("nAudioHdrBits1", W, 18, 18),
    ("nAudioIPTOS1", W, 20, 20),
    ("nAudioTCI1", W, 22, 22),
    ("nCompressionInfo1", B, 24, 24),
    ("nAudioControls1", B, 26, 26),
    ("nAudioFramesPerPacket1", B, 27, 27),
    ("nTermSeqMask1", W, 28, 28),
    ("nAudioDevice1", W, 30, 30),
    ("varOtherPartyMac1", MAC, 32, 32),
    ("nOtherPartyVDN1", W, 38, 38),
    ("varOtherPartyIP1", IP, 40, 40),
    ("varMulticastMac1", MAC, 50, 48),
    ("nMulticastHash1", W, 56, 54),
    ("varMulticastIP1", IP, 58, 56),
    ("nAudioConnType2", B, 62, 60),
    ("nAudioDirection2", B, 63, 61),
    ("nAudioHdrBits2", W, 64, 62),
    ("nAudioIPTOS2", W, 66, 64),
    ("nAudioTCI2", W, 68, 66),
    ("nCompressionInfo2", B, 70, 68),
    ("nAudioControls2", B, 72, 70),
    ("nAudioFramesPerPacket2", B, 73, 71),
    ("nTermSeqMask2", W, 74, 72),
    ("nAudioDevice2", W, 76, 74),
    ("varOtherPartyMac2", MAC, 78, 76),
    ("nOtherPartyVDN2", W, 84, 82),
    ("varMulticastMac2", MAC, 96, 92),
    ("nMulticastHash2", W, 102, 98),
    ("nConferenceListSize", W, 108, 104),
    ("varConfMulticastMac", MAC, 112, 108),
    ("nConfMulticastHashCode", W, 118, 114),
    ("varConfMulticastIP", IP, 120, 116),
]
# indexed: (encoding, base 0x80B3, base other), stride 8
CALL_CONF = {"varConfOtherMac": (MAC, 124, 120), "nConfOtherVDN": (W, 130, 126)}
CALL_INIT_LEN = 148

SIMPLE_FIELDS = {
    "SystemStateMsg": [("nProtocolRevision", W, 2, 2), ("nDeviceHandle", W, 4, 4)],
    "LEDMappingMsg": [("nProtocolRevision", W, 2, 2), ("nDeviceHandle", W, 4, 4)],
    "PlayDTMFMsg": [("nProtocolRevision", W, 2, 2), ("nDeviceHandle", W, 4, 4),
                    ("nSequenceID", W, 8, 8)],
    "CommandMsg": [("nProtocolRevision", W, 2, 2), ("nDeviceHandle", W, 4, 4),
                   ("nCommand", W, 8, 8), ("nQualifier", W, 10, 10)],
    "SlavePageCmdMsg": [
        ("nProtocolRevision", W, 2, 2), ("nDeviceHandle", W, 4, 4), ("nPageNoID", W, 8, 8),
        ("nAudioConnType", B, 10, 10), ("nAudioDirection", B, 11, 11),
        ("nAudioHdrBits", W, 12, 12), ("nCompressionInfo", B, 18, 18),
        # tone and mode are read from the same byte (kept as the layouts have it)
        ("nCallProgTone", B, 20, 20), ("nCallProgMode", HI, 20, 20),
        ("nCallProgDuration", W, 22, 22), ("varOtherPartyMac", MAC, 24, 24),
        ("nOtherPartyVDN", W, 30, 30), ("varMulticastMac", MAC, 32, 32),
        ("nMulticastHash", W, 38, 38), ("varMulticastIP", IP, 40, 40)],
    "UIStateControlMsg": UI_FIELDS,
    "KzSetInitMsg": KZINIT_FIELDS,
    "CallStateControlMsg": CALL_FIELDS,
    "PageCommandMsg": [],
    "UnsupportedFeatureMsg": [],
}

LED_ENTRIES = 12
DTMF_PAIRS = 12                      # first pair's offset
DTMF_MAX = (PAYLOAD_MAX - DTMF_PAIRS) // 2          # 753 pairs fit
DEVSTATE_BASE = 48
DEVSTATE_MAX = ((PAYLOAD_MAX - DEVSTATE_BASE) // 2) * 4   # 2940 devices fit
SYSSTATE_LIST = 20
SYSSTATE_TAGS = {"varTlimLEDStates": 0x0300, "varKzSetLEDStates": 0x0200,
                 "varParkLEDStates": 0x0600}

RT_STRIDE, REL_STRIDE = 196, 260
RT_MAX_FRAMES = (PAYLOAD_MAX - 10) // RT_STRIDE      # 7
REL_MAX_FRAMES = (PAYLOAD_MAX - 10) // REL_STRIDE    # 5

STATUS_LEN = 206
STATUS_MAX_DEVICES = (PAYLOAD_MAX - STATUS_LEN) // 8    # 164

# outgoing: property -> (encoding, offset); put-only / get-not-provided handled below
KZEVENT_FIELDS = {"nProtocolRevision": (W, 2), "nDeviceHandle": (W, 4), "nEventID": (W, 8),
                  "nEventInfo1": (W, 10), "nEventInfo2": (W, 12), "nHookSwitchStatus": (W, 14)}
KZEVENT_NOT_PROVIDED = ("nDeviceHandle", "nEventID", "nEventInfo1", "nEventInfo2")
STATUS_FIELDS = {"nProtocolRevision": (W, 2), "nDeviceHandle": (W, 4), "nDeviceType": (W, 12),
                 "varMacAddress": (MAC, 46), "nDeviceLocation": (W, 52),
                 "nDiscoveryState": (W, 54), "varMyIP": (IP, 58), "varSubNetMask": (IP, 62),
                 "varGatewayIP": (IP, 70), "varVuruvIP": (IP, 74),
                 "nSystemStateMsgCount": (W, 80)}
REPORT_FIELDS = {"nProtocolRevision": (W, 2), "nDeviceHandle": (W, 4), "nDeviceType": (W, 10),
                 "nDeviceLocation": (W, 12), "nDiscoveryState": (W, 14), "varMyIP": (IP, 18),
                 "varSubNetMask": (IP, 22), "varGatewayIP": (IP, 30), "varVuruvIP": (IP, 34),
                 "nSystemStateMsgCount": (W, 40)}


def offset_limit(base: int, stride: int, width: int) -> int:
    """Largest index whose field base + stride*i .. + width lies inside the buffer."""
    return (PAYLOAD_MAX - width - base) // stride


# --- raw buffer access ---------------------------------------------------------

def _read(buf, enc, off):
    if enc == W:
        return s16((buf[off] << 8) | buf[off + 1])
    if enc == B:
        return buf[off]
    if enc == HI:
        return buf[off] >> 4
    if enc == LO:
        return buf[off] & 0x0F
    return list(buf[off:off + WIDTH[enc]])


def _write(buf, enc, off, value):
    if enc == W:
        v = value & 0xFFFF
        buf[off], buf[off + 1] = v >> 8, v & 0xFF
    elif enc == B:
        buf[off] = value & 0xFF
    elif enc == HI:
        buf[off] = (buf[off] & 0x0F) | ((value & 0x0F) << 4)
    elif enc == LO:
        buf[off] = (buf[off] & 0xF0) | (value & 0x0F)
    else:
        data = bytes(value)
        if len(data) > WIDTH[enc]:
            raise ValueError("array wider than its field")
        buf[off:off + len(data)] = data


def _put_array(buf, off, width, value, text="GetSafeArray failed"):
    """The byte-array setter: a prefix copy; wider than the field fails."""
    if value is None:
        return                       # a VARIANT without an array changes nothing
    data = bytes(value)
    if len(data) > width:
        raise JIPError(E_FAIL, text)
    buf[off:off + len(data)] = data


# --- the message object --------------------------------------------------------

_CALL_RE = re.compile(r"^([A-Za-z0-9_]+)(?:\((.*)\))?$")


def parse_call(text: str):
    """'varConfOtherMac(3)' -> ('varConfOtherMac', [3]); 'nFrames' -> ('nFrames', [])."""
    m = _CALL_RE.match(text.strip())
    if not m:
        raise ValueError(f"bad call {text!r}")
    args = [int(a, 0) for a in m.group(2).split(",")] if m.group(2) else []
    return m.group(1), args


class Msg:
    """One message object of class ``cls``; ``payload`` loads a received packet."""

    def __init__(self, cls: str, payload: Optional[bytes] = None):
        if cls not in CLASSES:
            raise KeyError(cls)
        self.cls = cls
        self.buf = bytearray(PAYLOAD_MAX)
        self.lDataLen = PAYLOAD_MAX
        self.nSrcVDN = 1
        self._nDestVDN = 1
        self.nMsgType = 0
        self.nHeaderBitMap = 0x11
        self.nIPTOS = 0
        self.nTCI = 0
        self.devices = 0
        if payload is not None:
            data = bytes(payload)[:PAYLOAD_MAX]
            self.buf[:len(data)] = data
            self.lDataLen = len(payload)
            pt = CLASSES[cls][0]
            if pt:
                self.nMsgType = PACKET_TYPES[pt]

    # the real-time class keeps IJIPMessage.nDestVDN in its payload
    @property
    def nDestVDN(self):
        if self.cls == "RealTimeAudioMsg":
            return _read(self.buf, W, 4)
        return self._nDestVDN

    @nDestVDN.setter
    def nDestVDN(self, v):
        if self.cls == "RealTimeAudioMsg":
            _write(self.buf, W, 4, v)
        else:
            self._nDestVDN = s16(v)

    def header(self) -> dict:
        return {"nMsgType": self.nMsgType, "lDataLen": self.lDataLen, "nSrcVDN": self.nSrcVDN,
                "nDestVDN": self.nDestVDN, "nHeaderBitMap": self.nHeaderBitMap}

    def data(self) -> bytes:
        """The payload bytes that are sent: the first lDataLen bytes."""
        return bytes(self.buf[:max(0, min(self.lDataLen, PAYLOAD_MAX))])

    # -- revision ----------------------------------------------------------
    def is_b3(self) -> bool:
        return (self.buf[2] << 8 | self.buf[3]) == REV

    def _fields(self):
        return SIMPLE_FIELDS.get(self.cls, [])

    # -- getters -----------------------------------------------------------
    def get(self, name: str, *args):
        cls = self.cls
        special = getattr(self, f"_get_{cls}", None)
        if special is not None:
            r = special(name, *args)
            if r is not NotImplemented:
                return r
        for fname, enc, ob3, oother in self._fields():
            if fname == name and not args:
                off = ob3 if self.is_b3() else oother
                if off is None:
                    return 0
                return _read(self.buf, enc, off)
        raise KeyError(f"{cls} has no getter {name}{tuple(args) if args else ''}")

    def evaluate(self, call: str):
        name, args = parse_call(call)
        return self.get(name, *args)

    def _get_UIStateControlMsg(self, name, *args):
        if name == "varLEDStates":
            raw = self.buf[UI_LED_OFFSET:UI_LED_OFFSET + 10]
            return [s16(raw[2 * i] | (raw[2 * i + 1] << 8)) for i in range(5)]
        if name == "sDisplayLine":
            (line,) = args
            if line not in (0, 1):
                raise JIPError(E_INVALIDARG, None, mend=True)
            base, width = UI_LINE[self.is_b3()]
            raw = bytes(self.buf[base + width * line: base + width * (line + 1)])
            return ansi_text(raw.split(b"\0", 1)[0])
        return NotImplemented

    def _get_CallStateControlMsg(self, name, *args):
        if name in CALL_CONF:
            (i,) = args
            enc, b3, other = CALL_CONF[name]
            base = b3 if self.is_b3() else other
            if i < 0 or i > offset_limit(base, 8, WIDTH[enc]):
                raise JIPError(E_INVALIDARG, None, mend=True)
            return _read(self.buf, enc, base + 8 * i)
        return NotImplemented

    def _get_LEDMappingMsg(self, name, *args):
        if name in ("nResourceGroup", "nUnitNo"):
            (i,) = args
            base = 8 if name == "nResourceGroup" else 10
            if i < 0 or i > offset_limit(base, 4, 2):
                raise JIPError(E_INVALIDARG, None, mend=True)
            return _read(self.buf, W, base + 4 * i)
        if name == "varLEDMap":
            return list(self.buf[8:8 + 4 * LED_ENTRIES])
        return NotImplemented

    def _get_PlayDTMFMsg(self, name, *args):
        if name in ("varCodes", "varTimes"):
            count = (self.buf[10] << 8) | self.buf[11]
            if count > DTMF_MAX:
                raise JIPError(E_INVALIDARG, None, mend=True)
            k = 0 if name == "varCodes" else 1
            return [self.buf[DTMF_PAIRS + 2 * j + k] for j in range(count)]
        return NotImplemented

    def _get_SlavePageCmdMsg(self, name, *args):
        if name == "nDevState":
            (d,) = args
            if d < 1 or d > DEVSTATE_MAX:
                return 0                 # out of range reads as state 0 (mend)
            # the state words start at 48 whatever the word at 44 holds
            off = DEVSTATE_BASE + 2 * ((d - 1) // 4)
            k = (d - 1) % 4
            byte = self.buf[off + (k >> 1)]
            return (byte >> 4) if (k & 1) else (byte & 0x0F)
        return NotImplemented

    def _get_SystemStateMsg(self, name, *args):
        if name in SYSSTATE_TAGS:
            data = self.find_element(SYSSTATE_TAGS[name])
            if not data:
                return None              # not found, or a width of 0: empty VARIANT
            return list(data)
        if name == "dtCurrent":
            parts = self.date_parts()
            try:
                return ole_date(*parts)
            except ValueError:
                raise JIPError(E_INVALIDARG, "invalid date (undecided)", mend=True)
        return NotImplemented

    def date_parts(self):
        b = self.buf
        year = (b[12] << 8) | b[13]
        msm = (b[18] << 8) | b[19]
        return (year, b[14], b[15], b[16], b[17], msm // 1000, msm % 1000)

    def find_element(self, tag: int) -> Optional[bytes]:
        end = max(0, min(self.lDataLen, PAYLOAD_MAX))
        off = SYSSTATE_LIST
        while off + 4 <= end:
            t = (self.buf[off] << 8) | self.buf[off + 1]
            n = (self.buf[off + 2] << 8) | self.buf[off + 3]
            if off + 4 + n > end:
                return None              # an element that runs past the end stops the walk
            if t == tag:
                return bytes(self.buf[off + 4:off + 4 + n])
            off += 4 + n
        return None

    def _get_KzSetEventMsg(self, name, *args):
        if name in KZEVENT_NOT_PROVIDED:
            return UNTOUCHED
        if name in KZEVENT_FIELDS:
            enc, off = KZEVENT_FIELDS[name]
            return _read(self.buf, enc, off)
        return NotImplemented

    def _get_StatusMsg(self, name, *args):
        if name in STATUS_FIELDS:
            enc, off = STATUS_FIELDS[name]
            return _read(self.buf, enc, off)
        return NotImplemented

    def _get_ReportIPInfoMsg(self, name, *args):
        if name == "varMacAddress":
            return UNTOUCHED
        if name in REPORT_FIELDS:
            enc, off = REPORT_FIELDS[name]
            return _read(self.buf, enc, off)
        return NotImplemented

    # audio
    def _frame_index(self, n, stride):
        frames = _read(self.buf, W, 8)
        if n < 0 or n >= frames or 10 + stride * (n + 1) > PAYLOAD_MAX:
            raise JIPError(E_INVALIDARG, None, mend=True)
        return 10 + stride * n

    def _get_RealTimeAudioMsg(self, name, *args):
        fixed = {"nProtocolRevision": 0, "nDestVDN": 4, "nSourceVDN": 6, "nFrames": 8}
        if name in fixed and not args:
            return _read(self.buf, W, fixed[name])
        return self._frame_getter(name, args, RT_STRIDE)

    def _get_ReliableAudioMsg(self, name, *args):
        fixed = {"nProtocolRevision": 2, "nFrames": 8}
        if name in fixed and not args:
            return _read(self.buf, W, fixed[name])
        return self._frame_getter(name, args, REL_STRIDE)

    def _frame_getter(self, name, args, stride):
        if name not in ("nFormat", "nAudioFlags", "nFrameSeq", "varAudioData"):
            return NotImplemented
        (n,) = args
        at = self._frame_index(n, stride)
        if name == "nFormat":
            return self.buf[at]
        if name == "nAudioFlags":
            return self.buf[at + 1]
        if name == "nFrameSeq":
            return _read(self.buf, W, at + 2)
        fmt = self.buf[at]
        data = bytes(self.buf[at + 4:at + stride])
        if stride == RT_STRIDE:
            if fmt in (1, 2):
                return list(data[:192])
            if fmt == 3:
                return list(host_swap4(data[:100]))      # swapped in the copy only
            raise JIPError(LINKOR_INVALID_FORMAT, "Invalid Format")
        return list(host_swap4(data))                     # every format, all 256 bytes, in the copy only

    # -- setters -------------------------------------------------------------
    def put(self, name: str, value, *args):
        fn = getattr(self, f"_put_{self.cls}", None)
        if fn is None:
            raise KeyError(f"{self.cls} has no setter {name}")
        fn(name, value, *args)

    def _put_fields(self, name, value, fields, ignored=(), or_bytes=False):
        if name in ignored:
            return
        for fname, enc, ob3, _o in fields:
            if fname == name:
                if enc in (MAC, IP):
                    _put_array(self.buf, ob3, WIDTH[enc], value)
                elif enc == B and or_bytes:
                    self.buf[ob3] |= value & 0xFF
                elif enc in (W, B):
                    _write(self.buf, enc, ob3, value)
                else:
                    raise KeyError(f"setter of {name} is not modelled (its bits are left open)")
                return
        raise KeyError(f"{self.cls} has no setter {name}")

    def _put_UIStateControlMsg(self, name, value, *args):
        if name in ("nSpkrCallProgVol", "nSpkrCallProgDur", "sDisplayLine"):
            return
        if name == "varLEDStates":
            _put_array(self.buf, UI_LED_OFFSET, 10, value)
            return
        enc = {f[0]: f[1] for f in UI_FIELDS}.get(name)
        if enc != W:
            raise KeyError(f"setter of {name} is not modelled (its bits are left open)")
        self._put_fields(name, value, UI_FIELDS)

    def _put_KzSetInitMsg(self, name, value, *args):
        self._put_fields(name, value, KZINIT_FIELDS)

    def _put_CallStateControlMsg(self, name, value, *args):
        if name in CALL_CONF:
            (i,) = args
            enc, b3, _o = CALL_CONF[name]
            if i < 0 or i > offset_limit(b3, 8, WIDTH[enc]):
                raise JIPError(E_INVALIDARG, None, mend=True)
            if enc == MAC:
                _put_array(self.buf, b3 + 8 * i, 6, value)
            else:
                _write(self.buf, W, b3 + 8 * i, value)
            return
        self._put_fields(name, value, CALL_FIELDS, ignored=("nAudioControls2",), or_bytes=True)

    def _put_CommandMsg(self, name, value, *args):
        self._put_fields(name, value, SIMPLE_FIELDS["CommandMsg"])

    def _put_LEDMappingMsg(self, name, value, *args):
        if name in ("nResourceGroup", "nUnitNo"):
            (i,) = args
            base = 8 if name == "nResourceGroup" else 10
            if i < 0 or i > offset_limit(base, 4, 2):
                raise JIPError(E_INVALIDARG, None, mend=True)
            _write(self.buf, W, base + 4 * i, value)
            return
        if name == "varLEDMap":
            _put_array(self.buf, 8, 48, value)
            return
        self._put_fields(name, value, SIMPLE_FIELDS["LEDMappingMsg"])

    def _put_SystemStateMsg(self, name, value, *args):
        if name in SYSSTATE_TAGS or name == "dtCurrent":
            return                       # ignored
        raise KeyError(f"setter of {name} is not modelled (its bits are left open)")

    def _put_SlavePageCmdMsg(self, name, value, *args):
        return                           # every setter is ignored

    def _put_KzSetEventMsg(self, name, value, *args):
        enc, off = KZEVENT_FIELDS[name]
        _write(self.buf, enc, off, value)

    def _put_StatusMsg(self, name, value, *args):
        enc, off = STATUS_FIELDS[name]
        if enc in (MAC, IP):
            _put_array(self.buf, off, WIDTH[enc], value)
            return
        _write(self.buf, enc, off, value)
        if name == "nDeviceHandle":
            _write(self.buf, W, 44, value)

    def _put_ReportIPInfoMsg(self, name, value, *args):
        if name == "varMacAddress":
            return                       # ignored: the report carries no MAC
        enc, off = REPORT_FIELDS[name]
        if enc in (MAC, IP):
            _put_array(self.buf, off, WIDTH[enc], value)
        else:
            _write(self.buf, enc, off, value)

    def _put_RealTimeAudioMsg(self, name, value, *args):
        off = {"nProtocolRevision": 0, "nDestVDN": 4, "nSourceVDN": 6}[name]
        _write(self.buf, W, off, value)

    def _put_ReliableAudioMsg(self, name, value, *args):
        off = {"nProtocolRevision": 2}[name]
        _write(self.buf, W, off, value)

    # -- methods -------------------------------------------------------------
    def call(self, name: str, *args):
        fn = getattr(self, f"_m_{name}", None)
        if fn is None:
            raise KeyError(f"{self.cls} has no method {name}")
        return fn(*args)

    def _reset_payload(self):
        self.buf[:] = bytes(PAYLOAD_MAX)

    def _m_InitPacket(self):
        cls = self.cls
        self._reset_payload()
        if cls == "KzSetEventMsg":
            _write(self.buf, W, 0, 0x0205)
            _write(self.buf, W, 2, REV)
            _write(self.buf, W, 14, 1)
            self.nMsgType, self.nSrcVDN, self.lDataLen = PACKET_TYPES["HR"], 1, 24
        elif cls == "StatusMsg":
            b = self.buf
            _write(b, W, 0, 0x0013)
            _write(b, W, 2, REV)
            _write(b, W, 8, STATUS_LEN - 10)
            b[10:12] = b"\x01\x18"
            _write(b, W, 24, 3)
            b[36:38] = b"\x02\x36"
            b[38:40] = b"\x02\x01"
            _write(b, W, 40, 1)
            _write(b, W, 42, 1)
            b[92:94] = b"\x04\x08"
            b[102:104] = b"\x05\x42"
            b[170:172] = b"\x06\x22"
            self.nMsgType, self.nHeaderBitMap, self.lDataLen = PACKET_TYPES["HU"], 0x11, STATUS_LEN
            self.devices = 0
        elif cls == "ReportIPInfoMsg":
            b = self.buf
            _write(b, W, 0, 0x0016)
            _write(b, W, 2, REV)
            _write(b, W, 8, 0x0054)
            b[44:46] = b"\x01\x00"
            b[46:48] = b"\x0B\x00"
            self.nMsgType, self.nHeaderBitMap = PACKET_TYPES["HR"], 0x11
            self.nSrcVDN, self._nDestVDN, self.lDataLen = 1, 0x0101, 92
        elif cls == "CallStateControlMsg":
            _write(self.buf, W, 0, 0x0203)
            _write(self.buf, W, 2, REV)
            self.nMsgType, self.lDataLen = PACKET_TYPES["HR"], CALL_INIT_LEN
        elif cls == "RealTimeAudioMsg":
            _write(self.buf, W, 0, REV)
            self.nMsgType, self.lDataLen = PACKET_TYPES["HA"], 10
        elif cls == "ReliableAudioMsg":
            _write(self.buf, W, 0, 0x0083)
            _write(self.buf, W, 2, REV)
            self.nMsgType, self.lDataLen = PACKET_TYPES["HR"], 10
        else:
            raise KeyError(f"{cls} has no InitPacket")

    def _m_AddDevice(self, nType, nVDN, nStatus):
        if self.cls != "StatusMsg":
            raise KeyError("AddDevice")
        at = STATUS_LEN + 8 * self.devices
        if at + 8 > PAYLOAD_MAX:
            raise JIPError(E_FAIL, None, mend=True)
        self.buf[at:at + 2] = b"\x03\x06"
        _write(self.buf, W, at + 2, nType)
        _write(self.buf, W, at + 4, nVDN)
        _write(self.buf, W, at + 6, nStatus)
        self.lDataLen += 8
        _write(self.buf, W, 8, _read(self.buf, W, 8) + 8)
        self.devices += 1

    def _m_Reset(self):
        if self.cls != "ReliableAudioMsg":
            raise KeyError("Reset")
        _write(self.buf, W, 8, 0)
        self.lDataLen = 10

    def _m_AddFrame(self, varData, nFormat, nFlags, nSeq):
        data = bytes(varData)
        n = _read(self.buf, W, 8)
        if self.cls == "RealTimeAudioMsg":
            if nFormat not in (1, 2, 3):
                raise JIPError(LINKOR_INVALID_FORMAT, "Invalid Format")
            stride, limit, text = RT_STRIDE, (192 if nFormat != 3 else 104), "GetSafeArray failed"
        elif self.cls == "ReliableAudioMsg":
            stride, limit, text = REL_STRIDE, 256, "GetSafeArray Error"
        else:
            raise KeyError("AddFrame")
        at = 10 + stride * n
        if n < 0 or at + stride > PAYLOAD_MAX:
            raise JIPError(E_FAIL, None, mend=True)
        self.buf[at] = nFormat & 0xFF
        self.buf[at + 1] = nFlags & 0xFF
        _write(self.buf, W, at + 2, nSeq)
        if len(data) > limit:
            raise JIPError(E_FAIL, text)          # header written, frame not counted
        self.buf[at + 4:at + 4 + len(data)] = data
        if self.cls == "ReliableAudioMsg" or nFormat == 3:
            self.buf[at + 4:at + 8] = host_swap4(self.buf[at + 4:at + 8])
        _write(self.buf, W, 8, n + 1)
        self.lDataLen += stride


# --- wire layer ----------------------------------------------------------------

def _frame_wire(fr: dict, stride: int, reliable: bool) -> bytes:
    """One frame slot from {"format", "flags", "seq", "data" (host order)}."""
    slot = bytearray(stride)
    fmt = fr.get("format", 1)
    slot[0] = fmt & 0xFF
    slot[1] = fr.get("flags", 0) & 0xFF
    _write(slot, W, 2, fr.get("seq", 0))
    data = bytes(fr.get("data", b""))
    if reliable or fmt == 3:
        data = host_swap4(data)
    slot[4:4 + len(data)] = data
    return bytes(slot)


def build_payload(cls: str, fields: Dict[str, Any], *, revision: Optional[int] = None,
                  length: Optional[int] = None, fill: Optional[Callable[[int], int]] = None,
                  elements: Optional[Sequence] = None, frames: Optional[Sequence] = None,
                  devices: Optional[Sequence] = None) -> bytes:
    """Pack a payload from named fields.

    Incoming classes: the fields go to the offsets of ``revision`` (0x80B3 or
    any other; default 0x80B3); word 0 is the JIPMessageType, word 1 the
    revision. ``fill(i)`` gives the bytes the fields do not cover (zero by
    default). ``length`` cuts or extends the result (default: just past the
    last byte written). Indexed fields are named with their index:
    "sDisplayLine(1)", "varConfOtherMac(2)", "nResourceGroup(3)", "nDevState(5)".
    PlayDTMFMsg takes "varCodes"/"varTimes" and an optional "count" word;
    SystemStateMsg takes the date words "year", "month", "day", "hour",
    "minute", "msInMinute" and ``elements`` [(tag, data) or (tag, data, length)].
    Audio classes take ``frames`` [{"format","flags","seq","data"}] and an
    optional "nFrames" word.
    Outgoing classes: InitPacket, then the fields put in the given order, then
    AddDevice for each of ``devices``; the result is the lDataLen bytes.
    """
    if cls in OUTGOING:
        m = Msg(cls)
        m.call("InitPacket")
        for k, v in fields.items():
            m.put(k, v)
        for d in devices or ():
            m.call("AddDevice", *d)
        return m.data()

    buf = bytearray(fill(i) & 0xFF for i in range(PAYLOAD_MAX)) if fill else bytearray(PAYLOAD_MAX)
    hi = 0

    def w(enc, off, value):
        nonlocal hi
        _write(buf, enc, off, value)
        hi = max(hi, off + (len(bytes(value)) if enc in (MAC, IP) else WIDTH[enc]))

    pt, mt = CLASSES[cls]
    rev = REV if revision is None else revision
    b3 = rev == REV
    fields = dict(fields)

    if cls == "RealTimeAudioMsg":
        w(W, 0, fields.pop("nProtocolRevision", rev))
        buf[2:4] = b"\0\0"
        w(W, 4, fields.pop("nDestVDN", 0))
        w(W, 6, fields.pop("nSourceVDN", 0))
        fr = list(frames or ())
        w(W, 8, fields.pop("nFrames", len(fr)))
        for i, f in enumerate(fr):
            slot = _frame_wire(f, RT_STRIDE, False)
            buf[10 + RT_STRIDE * i:10 + RT_STRIDE * (i + 1)] = slot
            hi = 10 + RT_STRIDE * (i + 1)
    elif cls == "ReliableAudioMsg":
        w(W, 0, mt)
        w(W, 2, fields.pop("nProtocolRevision", rev))
        buf[4:8] = bytes(4) if not fill else buf[4:8]
        fr = list(frames or ())
        w(W, 8, fields.pop("nFrames", len(fr)))
        for i, f in enumerate(fr):
            slot = _frame_wire(f, REL_STRIDE, True)
            buf[10 + REL_STRIDE * i:10 + REL_STRIDE * (i + 1)] = slot
            hi = 10 + REL_STRIDE * (i + 1)
    else:
        if mt is not None:
            w(W, 0, mt)
            w(W, 2, rev)
        table = {f[0]: f for f in SIMPLE_FIELDS.get(cls, [])}
        if cls == "SystemStateMsg":
            for key, enc, off in (("year", W, 12), ("month", B, 14), ("day", B, 15),
                                  ("hour", B, 16), ("minute", B, 17), ("msInMinute", W, 18)):
                if key in fields:
                    w(enc, off, fields.pop(key))
            off = SYSSTATE_LIST
            for el in elements or ():
                tag, data = el[0], bytes(el[1])
                n = el[2] if len(el) > 2 else len(data)
                w(W, off, tag)
                w(W, off + 2, n)
                buf[off + 4:off + 4 + len(data)] = data
                off += 4 + len(data)
                hi = max(hi, off)
        if cls == "PlayDTMFMsg":
            codes = list(fields.pop("varCodes", []))
            times = list(fields.pop("varTimes", []))
            count = fields.pop("count", len(codes))
            w(W, 10, count)
            for j, (c, t) in enumerate(zip(codes, times)):
                w(B, 12 + 2 * j, c)
                w(B, 13 + 2 * j, t)
        if cls == "UIStateControlMsg" and "varLEDStates" in fields:
            raw = fields.pop("varLEDStates")
            if len(raw) == 5:            # five VT_I2 elements, low byte first on the wire
                raw = b"".join((v & 0xFFFF).to_bytes(2, "little") for v in raw)
            buf[UI_LED_OFFSET:UI_LED_OFFSET + 10] = bytes(raw)
            hi = max(hi, UI_LED_OFFSET + 10)
        for key, value in fields.items():
            name, args = parse_call(key)
            if name == "nProtocolRevision":
                continue                 # the revision argument decides word 1
            if name in table and not args:
                _f, enc, ob3, oother = table[name]
                off = ob3 if b3 else oother
                if off is None:
                    continue             # not carried in this revision
                w(enc, off, value)
            elif cls == "UIStateControlMsg" and name == "sDisplayLine":
                base, width = UI_LINE[b3]
                raw = ansi_bytes(value)[:width]
                start = base + width * args[0]
                buf[start:start + len(raw)] = raw
                if len(raw) < width:
                    buf[start + len(raw)] = 0
                hi = max(hi, start + min(width, len(raw) + 1))
            elif cls == "CallStateControlMsg" and name in CALL_CONF:
                enc, ob3, oother = CALL_CONF[name]
                w(enc, (ob3 if b3 else oother) + 8 * args[0], value)
            elif cls == "LEDMappingMsg" and name in ("nResourceGroup", "nUnitNo"):
                w(W, (8 if name == "nResourceGroup" else 10) + 4 * args[0], value)
            elif cls == "LEDMappingMsg" and name == "varLEDMap":
                buf[8:8 + len(value)] = bytes(value)
                hi = max(hi, 8 + len(value))
            elif cls == "SlavePageCmdMsg" and name == "nDevState":
                d = args[0]
                off = DEVSTATE_BASE + 2 * ((d - 1) // 4)
                k = (d - 1) % 4
                w(HI if k & 1 else LO, off + (k >> 1), value)
                hi = max(hi, off + 2)
            elif cls == "SlavePageCmdMsg" and name == "word44":
                w(W, 44, value)
            else:
                raise KeyError(f"{cls}: cannot pack {key}")
    size = hi if length is None else length
    return bytes(buf[:size]) if size <= PAYLOAD_MAX else bytes(buf) + bytes(size - PAYLOAD_MAX)


def property_names(cls: str) -> List[str]:
    """Every plain (not indexed) getter of the class."""
    names = [f[0] for f in SIMPLE_FIELDS.get(cls, [])]
    extra = {
        "UIStateControlMsg": ["varLEDStates"],
        "CallStateControlMsg": [],
        "LEDMappingMsg": ["varLEDMap"],
        "PlayDTMFMsg": ["varCodes", "varTimes"],
        "SystemStateMsg": ["dtCurrent"] + list(SYSSTATE_TAGS),
        "RealTimeAudioMsg": ["nProtocolRevision", "nDestVDN", "nSourceVDN", "nFrames"],
        "ReliableAudioMsg": ["nProtocolRevision", "nFrames"],
        "KzSetEventMsg": ["nProtocolRevision", "nHookSwitchStatus"],
        "StatusMsg": list(STATUS_FIELDS),
        "ReportIPInfoMsg": list(REPORT_FIELDS),
    }
    return names + extra.get(cls, [])


INDEXED = {
    "UIStateControlMsg": ["sDisplayLine"],
    "CallStateControlMsg": ["varConfOtherMac", "nConfOtherVDN"],
    "LEDMappingMsg": ["nResourceGroup", "nUnitNo"],
    "SlavePageCmdMsg": ["nDevState"],
    "RealTimeAudioMsg": ["nFormat", "nAudioFlags", "nFrameSeq", "varAudioData"],
    "ReliableAudioMsg": ["nFormat", "nAudioFlags", "nFrameSeq", "varAudioData"],
}


def decode(cls: str, payload: bytes, *, devices: int = 16) -> Dict[str, Any]:
    """What the getters of a received payload return, for every property that
    reads without failing. Indexed getters are listed with their index: both
    display lines; conference entries below nConferenceListSize; the 12 LED map
    entries; device states 1..``devices``; audio frames below nFrames. Getters
    that fail are left out (see ``Msg.get`` for the failures)."""
    m = Msg(cls, payload)
    out: Dict[str, Any] = {}

    def take(call):
        try:
            v = m.evaluate(call)
        except JIPError:
            return
        if v is not UNTOUCHED:
            out[call] = v

    for name in property_names(cls):
        take(name)
    if cls == "UIStateControlMsg":
        take("sDisplayLine(0)")
        take("sDisplayLine(1)")
    elif cls == "CallStateControlMsg":
        for i in range(max(0, m.get("nConferenceListSize"))):
            take(f"varConfOtherMac({i})")
            take(f"nConfOtherVDN({i})")
            if f"nConfOtherVDN({i})" not in out and f"varConfOtherMac({i})" not in out:
                break
    elif cls == "LEDMappingMsg":
        for i in range(LED_ENTRIES):
            take(f"nResourceGroup({i})")
            take(f"nUnitNo({i})")
    elif cls == "SlavePageCmdMsg":
        for d in range(1, devices + 1):
            take(f"nDevState({d})")
    elif cls in ("RealTimeAudioMsg", "ReliableAudioMsg"):
        for i in range(max(0, m.get("nFrames"))):
            before = len(out)
            for g in INDEXED[cls]:
                take(f"{g}({i})")
            if len(out) == before:
                break
    return out


def decode_header(payload: bytes) -> Dict[str, int]:
    """Word 0 and word 1 of a control payload."""
    b = bytes(payload) + bytes(4)
    return {"message_type": (b[0] << 8) | b[1], "revision": (b[2] << 8) | b[3]}
