"""J5 wire format: build and parse J5 packets, Ethernet frames and UDP datagrams.

Standard library only; meant to be imported by scripted test peers and by the
fixture generator next to it.

Vocabulary
  J5 part   the J5 packet itself: header then payload. In maker-OUI SNAP
            framing the J5 part starts at the SNAP protocol field (the two
            type letters stand in it and are not repeated).
  bitmap    the 16-bit J5HeaderBitMap: the caller's flags on send, the path
            flags of a received packet.
  tag       the caller's tag control word (or just its VLAN identifier).
  tci       the 802.1Q tag control word as it goes on the wire.

All header fields are big-endian except the "HU" running counter, which is
written low byte first.
"""

from __future__ import annotations

import struct
from dataclasses import dataclass, field
from typing import Iterable, Iterator, Optional

# --- constants ---------------------------------------------------------------

ETHERTYPE_J5 = 0x88B5
ETHERTYPE_VLAN = 0x8100
ETHERTYPE_IPV4 = 0x0800
ETHERTYPE_ARP = 0x0806
LLC_SNAP = b"\xaa\xaa\x03"
OUI_ZERO = b"\x00\x00\x00"
OUI_MAKER = b"\x02\x5a\x4e"

ETH_HEADER_LEN = 14
VLAN_TAG_LEN = 4
SNAP_LEN = 8            # AA AA 03, OUI (3), protocol (2)
MAKER_SNAP_LEN = 6      # AA AA 03, OUI (3); the protocol field belongs to the J5 part
MIN_FRAME_LEN = 60      # without FCS; shorter frames are zero-padded
MAX_FRAME_LEN = 1514    # without FCS (largest object buffer 1518 minus 4)
MAKER_SNAP_MIN_REST = 22  # bytes a maker-SNAP frame needs after its Ethernet header

UDP_PORT = 47093
UDP_MULTICAST_PORT = 47096

FULL_HEADER_LEN = 18
SHORT_HEADER_LEN = 8
OLDER_HU_HEADER_LEN = 12
SHORT_DL_HEADER_LEN = 2

# J5HeaderBitMap bits
B_ETHERNET = 0x0001
B_8021Q = 0x0002
B_SNAP = 0x0004
B_SHORT = 0x0008
B_FULL = 0x0010
B_IP = 0x0020
B_UDP = 0x0040
B_MAKER_SNAP = 0x0080
B_OLDER_HU = 0x0100
B_UDP_PATH = B_ETHERNET | B_IP | B_UDP   # 0x0061, reported for every UDP packet

# Types and their header forms
FULL_TYPES = ("HR", "HH", "HI", "HY", "HE", "HU")
SHORT_TYPES = ("HA", "DL")
WIRE_TYPES = FULL_TYPES + SHORT_TYPES
MAKER_SNAP_TYPES = ("DL", "HU")
NOT_COUNTED_TYPES = ("HT",)  # dropped silently on receive

# Connect reply payload words and error causes
HY_OPENED = 0x0001
HY_REPEATED = 0x0002
CAUSE_RETRY_LIMIT = 0x8001   # never sent
CAUSE_NO_CONNECTION = 0x8002
CAUSE_NO_ROOM = 0x8003
CAUSE_EVICTED = 0x8004
HE_UNMATCHED_INDEX = 0xFFFF
HE_SOURCE_VDN = 1

# 802.1Q priority code point by type; "HA" keeps the caller's word, "DL" sends 0.
PCP_BY_TYPE = {"HR": 6, "HH": 6, "HY": 6, "HI": 5, "HE": 5, "HU": 3}

# Framings
PLAIN = "plain"
VLAN = "8021q"
SNAP = "snap"
VLAN_SNAP = "snap-8021q"
MAKER = "maker-snap"
VLAN_MAKER = "maker-snap-8021q"
UDP = "udp"
ETHERNET_FRAMINGS = (PLAIN, VLAN, SNAP, VLAN_SNAP, MAKER, VLAN_MAKER)
TAGGED_FRAMINGS = (VLAN, VLAN_SNAP, VLAN_MAKER)
SNAP_FRAMINGS = (SNAP, VLAN_SNAP)
MAKER_FRAMINGS = (MAKER, VLAN_MAKER)


# --- small helpers -----------------------------------------------------------

def mac_bytes(mac) -> bytes:
    """'aa:bb:cc:dd:ee:ff' (or '-' separated, or 6 bytes) -> 6 bytes."""
    if isinstance(mac, (bytes, bytearray)):
        if len(mac) != 6:
            raise ValueError("MAC must be 6 bytes")
        return bytes(mac)
    parts = mac.replace("-", ":").split(":")
    if len(parts) != 6:
        raise ValueError(f"bad MAC {mac!r}")
    return bytes(int(p, 16) for p in parts)


def mac_str(mac: bytes) -> str:
    return ":".join(f"{b:02x}" for b in mac)


def type_bytes(ptype: str) -> bytes:
    raw = ptype.encode("ascii")
    if len(raw) != 2:
        raise ValueError(f"type must be two letters, got {ptype!r}")
    return raw


def next_seq(seq: int) -> int:
    """Sequence numbers are 16-bit and wrap from 0xFFFF to 0."""
    return (seq + 1) & 0xFFFF


def _u16(name: str, value: int) -> int:
    if not 0 <= value <= 0xFFFF:
        raise ValueError(f"{name} {value:#x} does not fit 16 bits")
    return value


# --- headers -----------------------------------------------------------------

def full_header(ptype: str, sender_mac, seq: int = 0, dst_vdn: int = 0, src_vdn: int = 0,
                rx_index: int = 0, tx_index: int = 0) -> bytes:
    """The 18-byte J5Header. "HU" writes its counter low byte first."""
    seq_fmt = "<H" if ptype == "HU" else ">H"
    return (type_bytes(ptype) + mac_bytes(sender_mac)
            + struct.pack(seq_fmt, _u16("seq", seq))
            + struct.pack(">HHHH", _u16("dst_vdn", dst_vdn), _u16("src_vdn", src_vdn),
                          _u16("rx_index", rx_index), _u16("tx_index", tx_index)))


def short_header(ptype: str, sender_mac) -> bytes:
    """The 8-byte short header of "HA" and long "DL"."""
    return type_bytes(ptype) + mac_bytes(sender_mac)


def older_hu_header(counter: int, word1: int, word2: int) -> bytes:
    """The 12-byte older "HU" header (maker-OUI SNAP only)."""
    return (b"HU" + struct.pack("<H", _u16("counter", counter))
            + struct.pack(">HH", _u16("word1", word1), _u16("word2", word2)) + b"\0\0\0\0")


def short_dl_header() -> bytes:
    """The 2-byte "DL" header (maker-OUI SNAP only): the type alone."""
    return b"DL"


# --- send side: bitmap rules -------------------------------------------------

_ROOM_EXACT = {0x0009: 22, 0x000B: 26, 0x0011: 32, 0x0069: 50, 0x0071: 60}
_ROOM_ADD = ((B_8021Q, 4), (B_SNAP, 8), (B_SHORT, 8), (B_FULL, 18), (B_IP, 20),
             (B_UDP, 8), (B_MAKER_SNAP, 8), (B_OLDER_HU, 10))


def header_room(bitmap: int) -> int:
    """Bytes reserved in front of the payload for a send bitmap."""
    if bitmap in _ROOM_EXACT:
        return _ROOM_EXACT[bitmap]
    if not bitmap & B_ETHERNET:
        return 64
    return ETH_HEADER_LEN + sum(add for bit, add in _ROOM_ADD if bitmap & bit)


def choose_framing(bitmap: int) -> str:
    """The framing the link layer picks for a caller's bitmap."""
    if bitmap in (0x0009, 0x0011):
        return PLAIN
    if bitmap & B_IP and bitmap & B_UDP:
        return UDP
    if bitmap & (B_SNAP | B_MAKER_SNAP):
        maker = bool(bitmap & B_MAKER_SNAP)
        if bitmap & B_8021Q:
            return VLAN_MAKER if maker else VLAN_SNAP
        return MAKER if maker else SNAP
    if bitmap & B_8021Q:
        return VLAN
    return PLAIN


def tag_control_word(ptype: str, tag: int) -> int:
    """The 802.1Q tag control word a packet of this type is sent with.

    The VLAN identifier is the low 12 bits of the caller's tag; the priority
    comes from the type and the drop-eligible bit is 0. "HA" sends the caller's
    word unchanged, "DL" sends 0.
    """
    _u16("tag", tag)
    if ptype == "HA":
        return tag
    if ptype == "DL":
        return 0
    if ptype not in PCP_BY_TYPE:
        raise ValueError(f"no tag control word for type {ptype!r}")
    return (PCP_BY_TYPE[ptype] << 13) | (tag & 0x0FFF)


def udp_port_for(ip: str) -> int:
    """Destination UDP port: 47096 for 224.0.0.0 to 239.255.255.255, else 47093."""
    first = int(ip.split(".")[0])
    return UDP_MULTICAST_PORT if 224 <= first <= 239 else UDP_PORT


def header_form(ptype: str, framing: str, bitmap: int) -> str:
    """Which header a packet of this type gets: 'full', 'short', 'older-hu' or 'short-dl'."""
    maker = framing in MAKER_FRAMINGS
    if maker and ptype not in MAKER_SNAP_TYPES:
        raise ValueError(f"{ptype!r} cannot use maker-OUI SNAP framing")
    if ptype == "HU":
        older = bool(bitmap & B_OLDER_HU)
        if older != maker:
            # A receiver reads every maker-SNAP "HU" as the older header and no
            # other framing can carry the older one.
            raise ValueError("older \"HU\" header needs maker-OUI SNAP framing and vice versa")
        return "older-hu" if older else "full"
    if ptype in FULL_TYPES:
        return "full"
    if ptype == "HA":
        return "short"
    if ptype == "DL":
        return "short-dl" if maker else "short"
    raise ValueError(f"type {ptype!r} is never sent")


def build_j5(ptype: str, bitmap: int, sender_mac, payload: bytes = b"", *, seq: int = 0,
             dst_vdn: int = 0, src_vdn: int = 0, rx_index: int = 0, tx_index: int = 0,
             hu_words: Optional[Iterable[int]] = None) -> bytes:
    """The J5 part (header and payload) of a packet sent with this bitmap."""
    form = header_form(ptype, choose_framing(bitmap), bitmap)
    if form == "full":
        if ptype == "HU" and (rx_index or tx_index):
            raise ValueError("\"HU\" carries zero connection indexes")
        hdr = full_header(ptype, sender_mac, seq, dst_vdn, src_vdn, rx_index, tx_index)
    elif form == "short":
        hdr = short_header(ptype, sender_mac)
    elif form == "older-hu":
        w1, w2 = hu_words if hu_words is not None else (0, 0)
        hdr = older_hu_header(seq, w1, w2)
    else:
        hdr = short_dl_header()
    return hdr + bytes(payload)


def frame_from_j5(j5: bytes, framing: str, dst_mac, src_mac, tci: int = 0) -> bytes:
    """Wrap a J5 part in a framing; Ethernet frames are padded to 60 bytes.

    For UDP the result is the datagram payload, which is the J5 part itself.
    """
    if framing == UDP:
        return bytes(j5)
    if framing not in ETHERNET_FRAMINGS:
        raise ValueError(f"unknown framing {framing!r}")
    if framing in MAKER_FRAMINGS:
        if j5[:2].decode("ascii", "replace") not in MAKER_SNAP_TYPES:
            raise ValueError("maker-OUI SNAP carries only \"DL\" and \"HU\"")
        body = LLC_SNAP + OUI_MAKER + j5
        type_or_len = len(body)         # 6 + J5 part: the type is counted once
    elif framing in SNAP_FRAMINGS:
        body = LLC_SNAP + OUI_ZERO + struct.pack(">H", ETHERTYPE_J5) + j5
        type_or_len = len(body)         # 8 + J5 part
    else:
        body = bytes(j5)
        type_or_len = ETHERTYPE_J5
    if framing in TAGGED_FRAMINGS:
        mid = struct.pack(">HHH", ETHERTYPE_VLAN, _u16("tci", tci), type_or_len)
    else:
        mid = struct.pack(">H", type_or_len)
    frame = mac_bytes(dst_mac) + mac_bytes(src_mac) + mid + body
    if len(frame) < MIN_FRAME_LEN:
        frame += bytes(MIN_FRAME_LEN - len(frame))
    return frame


def build(ptype: str, bitmap: int, dst_mac, src_mac, payload: bytes = b"", *, seq: int = 0,
          dst_vdn: int = 0, src_vdn: int = 0, rx_index: int = 0, tx_index: int = 0,
          tag: int = 0, hu_words: Optional[Iterable[int]] = None) -> bytes:
    """What goes on the wire for a send with this bitmap: the Ethernet frame
    (padded), or for the UDP framing the datagram payload. The sender's MAC in
    the J5 header is the source MAC."""
    framing = choose_framing(bitmap)
    j5 = build_j5(ptype, bitmap, src_mac, payload, seq=seq, dst_vdn=dst_vdn, src_vdn=src_vdn,
                  rx_index=rx_index, tx_index=tx_index, hu_words=hu_words)
    tci = tag_control_word(ptype, tag) if framing in TAGGED_FRAMINGS else 0
    return frame_from_j5(j5, framing, dst_mac, src_mac, tci)


@dataclass(frozen=True)
class HeFields:
    seq: int
    dst_vdn: int
    src_vdn: int
    rx_index: int
    tx_index: int
    payload: bytes


def he_reply_to_unmatched(seq: int, src_vdn: int, tx_index: int, cause: int = CAUSE_NO_CONNECTION
                          ) -> HeFields:
    """Header fields of the "HE" that answers a packet matching no connection:
    its sequence, its source VDN as destination VDN, 1 as source VDN, its
    sender index as receiver index and 0xFFFF as sender index."""
    return HeFields(seq, src_vdn, HE_SOURCE_VDN, tx_index, HE_UNMATCHED_INDEX,
                    struct.pack(">H", cause))


# --- receive side ------------------------------------------------------------

class Dropped(Exception):
    """The frame or datagram is not delivered. `counted` tells whether the
    receiver counts it as an error ("HT" is dropped without counting)."""

    def __init__(self, reason: str, counted: bool = True):
        super().__init__(reason)
        self.reason = reason
        self.counted = counted


@dataclass
class RxPacket:
    path_flags: int                  # J5HeaderBitMap reported to the receiver
    ptype: str
    j5: bytes                        # from the type to the end of the frame (padding included)
    j5_offset: int                   # where the J5 part starts in the frame (0 for UDP)
    payload_offset: int              # where the payload starts in the J5 part
    header_form: str                 # 'full', 'short', 'older-hu', 'short-dl'
    tci: Optional[int] = None        # 802.1Q tag control word when the frame was tagged
    length_field: Optional[int] = None  # 802.3 length when the frame had one
    dst_mac: Optional[bytes] = None
    src_mac: Optional[bytes] = None
    fields: dict = field(default_factory=dict)

    @property
    def payload(self) -> bytes:
        """The payload as the receiver gets it: up to the end of the frame,
        padding included (the J5 header has no length field)."""
        return self.j5[self.payload_offset:]

    @property
    def payload_exact(self) -> bytes:
        """The payload bounded by the 802.3 length when the frame had one."""
        if self.length_field is None:
            return self.payload
        snap = MAKER_SNAP_LEN if self.path_flags & B_MAKER_SNAP else SNAP_LEN
        return self.j5[self.payload_offset:self.length_field - snap]


_HEADER_LEN = {"full": FULL_HEADER_LEN, "short": SHORT_HEADER_LEN,
               "older-hu": OLDER_HU_HEADER_LEN, "short-dl": SHORT_DL_HEADER_LEN}


def _decode_fields(form: str, ptype: str, j5: bytes) -> dict:
    if form == "full":
        seq_fmt = "<H" if ptype == "HU" else ">H"
        dst_vdn, src_vdn, rx_index, tx_index = struct.unpack_from(">HHHH", j5, 10)
        return {"sender_mac": j5[2:8], "seq": struct.unpack_from(seq_fmt, j5, 8)[0],
                "dst_vdn": dst_vdn, "src_vdn": src_vdn, "rx_index": rx_index,
                "tx_index": tx_index}
    if form == "short":
        return {"sender_mac": j5[2:8]}
    if form == "older-hu":
        (counter,) = struct.unpack_from("<H", j5, 2)
        w1, w2, z1, z2 = struct.unpack_from(">HHHH", j5, 4)
        return {"seq": counter, "hu_words": [w1, w2], "zero_words": [z1, z2]}
    return {}


def _classify(ptype: str, maker: bool):
    """Header form and the path flag the type adds, or Dropped."""
    if ptype in NOT_COUNTED_TYPES:
        raise Dropped(f"type {ptype!r} is dropped without counting", counted=False)
    if ptype not in WIRE_TYPES:
        raise Dropped(f"type {ptype!r} is dropped and counted")
    if maker:
        return ("older-hu", B_OLDER_HU) if ptype == "HU" else ("short-dl", 0)
    if ptype in FULL_TYPES:
        return "full", B_FULL
    return "short", B_SHORT


def _finish(flags: int, j5: bytes, maker: bool, **kw) -> RxPacket:
    if len(j5) < 2:
        raise Dropped("no J5 type")
    ptype = j5[:2].decode("latin-1")
    form, bit = _classify(ptype, maker)
    hlen = _HEADER_LEN[form]
    if len(j5) < hlen:
        raise Dropped(f"{ptype!r} shorter than its {hlen}-byte header")
    return RxPacket(path_flags=flags | bit, ptype=ptype, j5=bytes(j5), payload_offset=hlen,
                    header_form=form, fields=_decode_fields(form, ptype, j5), **kw)


def parse_frame(frame: bytes) -> RxPacket:
    """Demultiplex a received Ethernet frame (without FCS) as the J5 receive
    path does: raises Dropped for anything not delivered."""
    if len(frame) < ETH_HEADER_LEN:
        raise Dropped("frame shorter than an Ethernet header")
    flags = B_ETHERNET
    tci = None
    pos = 12
    (type_or_len,) = struct.unpack_from(">H", frame, pos)
    pos += 2
    if type_or_len == ETHERTYPE_VLAN:
        if len(frame) < pos + 4:
            raise Dropped("truncated 802.1Q tag")
        tci, type_or_len = struct.unpack_from(">HH", frame, pos)
        pos += 4
        flags |= B_8021Q
    common = {"tci": tci, "dst_mac": bytes(frame[0:6]), "src_mac": bytes(frame[6:12])}
    if type_or_len == ETHERTYPE_J5:
        return _finish(flags, frame[pos:], False, j5_offset=pos, **common)
    if type_or_len < 0x0800:
        llc = bytes(frame[pos:pos + 8])
        if llc == LLC_SNAP + OUI_ZERO + struct.pack(">H", ETHERTYPE_J5):
            return _finish(flags | B_SNAP, frame[pos + 8:], False, j5_offset=pos + 8,
                           length_field=type_or_len, **common)
        if llc[:6] == LLC_SNAP + OUI_MAKER and llc[6:8] in (b"DL", b"HU"):
            if len(frame) - pos < MAKER_SNAP_MIN_REST:
                raise Dropped("maker-OUI SNAP frame too short")
            return _finish(flags | B_MAKER_SNAP, frame[pos + 6:], True, j5_offset=pos + 6,
                           length_field=type_or_len, **common)
        raise Dropped(f"LLC {llc.hex()} is not J5")
    raise Dropped(f"EtherType {type_or_len:#06x} is not J5")


def parse_udp(datagram: bytes) -> RxPacket:
    """A J5 packet received as a UDP datagram payload."""
    return _finish(B_UDP_PATH, datagram, False, j5_offset=0)


# --- pcap --------------------------------------------------------------------

PCAP_MAGIC = 0xA1B2C3D4
LINKTYPE_ETHERNET = 1


def write_pcap(path: str, frames: Iterable[bytes], linktype: int = LINKTYPE_ETHERNET,
               stamps: Optional[Iterable[float]] = None) -> None:
    """Classic little-endian pcap with microsecond stamps: one second apart
    (deterministic), or the given stamps in seconds (e.g. time.monotonic())."""
    frames = list(frames)
    stamps = list(stamps) if stamps is not None else [float(i) for i in range(len(frames))]
    if len(stamps) != len(frames):
        raise ValueError("one stamp per frame")
    with open(path, "wb") as f:
        f.write(struct.pack("<IHHiIII", PCAP_MAGIC, 2, 4, 0, 0, 65535, linktype))
        for stamp, frame in zip(stamps, frames):
            usec = max(0, int(round(stamp * 1e6)))
            f.write(struct.pack("<IIII", usec // 1000000, usec % 1000000, len(frame), len(frame)))
            f.write(frame)


def read_pcap(path: str) -> Iterator[bytes]:
    """Frames of a classic pcap file (either byte order, micro- or nanosecond)."""
    with open(path, "rb") as f:
        head = f.read(24)
        if len(head) < 24:
            raise ValueError("not a pcap file")
        magic_le = struct.unpack("<I", head[:4])[0]
        if magic_le in (0xA1B2C3D4, 0xA1B23C4D):
            endian = "<"
        elif struct.unpack(">I", head[:4])[0] in (0xA1B2C3D4, 0xA1B23C4D):
            endian = ">"
        else:
            raise ValueError("not a classic pcap file (pcapng is not read)")
        while True:
            rec = f.read(16)
            if not rec:
                return
            if len(rec) < 16:
                raise ValueError("truncated pcap record header")
            _, _, incl, _ = struct.unpack(endian + "IIII", rec)
            data = f.read(incl)
            if len(data) < incl:
                raise ValueError("truncated pcap record")
            yield data
