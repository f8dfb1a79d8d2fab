#!/usr/bin/python3
"""Print the J5 wire fixture cases, one JSON object per line (deterministic).

Usage: gen_frames.py [> cases.jsonl]

Each case describes one send and what a receiver must make of it:

  name            unique, "<type>-<framing>-<what>"
  type            two-letter J5 type, e.g. "HR"
  framing         plain | 8021q | snap | snap-8021q | maker-snap | maker-snap-8021q | udp
                  (what the bitmap selects; informative)
  bitmap          int, the caller's J5HeaderBitMap on send
  header_room     int, the header room of that bitmap
  dst_mac,src_mac "aa:bb:cc:dd:ee:ff"; src_mac is the sender's own MAC, also the
                  sender MAC inside the J5 header (for udp the MACs are not on the wire)
  seq             sequence number; for "HU" the running counter (written low byte first)
  dst_vdn,src_vdn,rx_index,tx_index
                  full-header words 10, 12, 14, 16 (0 where the header has none)
  tag             int, the tag control word / VLAN information the caller gives
  hu_words        [w1, w2], only for the older 12-byte "HU" header
  payload         hex, the application payload
  frame           hex, the whole Ethernet frame without FCS, padding included;
                  for udp the datagram payload (the J5 part alone)
  dst_ip,udp_port only for udp: the destination and the port it goes to
  Receive-side expectations:
  rx_bitmap       int, the path flags a receiver reports for this frame
  payload_offset  int, where the payload starts in the J5 part
  j5_offset       int, where the J5 part starts in the frame (0 for udp)
  rx_payload_len  int, payload length as delivered: up to the end of the frame,
                  so padding is included
  eth             only for Ethernet frames:
                    frame_len  int, bytes without FCS
                    dst, src   MAC strings
                    ethertype  outer EtherType (0x88B5 or 0x8100) or null when the
                               outer field is an 802.3 length
                    length     the 802.3 length (outer, or inner after the tag) or null
                    vlan       null or {pcp, dei, vid, tci, ethertype (inner EtherType
                               or null when an 802.3 length follows)}
                    llc        null or {dsap, ssap, control}
                    snap       null or {oui (int), pid (int)}; for maker SNAP the pid
                               is the J5 type letters, e.g. 0x4855 for "HU"
                    padding    int, zero bytes added to reach 60
"""

import json
import sys

import j5wire as w

OWN = "02:00:00:00:00:01"
PEER = "02:00:00:00:00:02"
BROADCAST = "ff:ff:ff:ff:ff:ff"
MULTICAST = "01:00:5e:01:02:03"

BITMAP = {  # (header kind, framing) -> caller's bitmap
    ("full", w.PLAIN): 0x0011, ("full", w.VLAN): 0x0013, ("full", w.SNAP): 0x0015,
    ("full", w.VLAN_SNAP): 0x0017, ("full", w.UDP): 0x0071,
    ("short", w.PLAIN): 0x0009, ("short", w.VLAN): 0x000B, ("short", w.SNAP): 0x000D,
    ("short", w.VLAN_SNAP): 0x000F, ("short", w.UDP): 0x0069,
    ("older-hu", w.MAKER): 0x0181, ("older-hu", w.VLAN_MAKER): 0x0183,
    ("short-dl", w.MAKER): 0x0081, ("short-dl", w.VLAN_MAKER): 0x0083,
}
LONG_FRAMINGS = (w.PLAIN, w.VLAN, w.SNAP, w.VLAN_SNAP, w.UDP)
MAKER_FRAMINGS = (w.MAKER, w.VLAN_MAKER)

# Bytes in front of the J5 part, per framing (used to size near-maximum payloads).
FRONT = {w.PLAIN: 14, w.VLAN: 18, w.SNAP: 22, w.VLAN_SNAP: 26, w.MAKER: 20, w.VLAN_MAKER: 24}
HEADER_LEN = {"full": 18, "short": 8, "older-hu": 12, "short-dl": 2}
UDP_MAX_PAYLOAD_FULL = 1454   # 60 bytes of header room + 4 within a 1518-byte buffer


def pattern(n, seed):
    return bytes((seed + 7 * i) & 0xFF for i in range(n))


def eth_expectation(frame, framing, tci, j5_len, ptype):
    """The layers below J5 as a decoder should see them."""
    tagged = framing in w.TAGGED_FRAMINGS
    maker = framing in MAKER_FRAMINGS
    snap = framing in w.SNAP_FRAMINGS
    length = None
    if maker:
        length = 6 + j5_len
    elif snap:
        length = 8 + j5_len
    unpadded = 14 + (4 if tagged else 0) + (length if length is not None else j5_len)
    exp = {
        "frame_len": max(unpadded, 60),
        "dst": w.mac_str(frame[0:6]),
        "src": w.mac_str(frame[6:12]),
        "ethertype": 0x8100 if tagged else (0x88B5 if length is None else None),
        "length": length,
        "vlan": None,
        "llc": {"dsap": 0xAA, "ssap": 0xAA, "control": 0x03} if length is not None else None,
        "snap": None,
        "padding": max(0, 60 - unpadded),
    }
    if tagged:
        exp["vlan"] = {"tci": tci, "pcp": tci >> 13, "dei": (tci >> 12) & 1, "vid": tci & 0x0FFF,
                       "ethertype": 0x88B5 if length is None else None}
    if maker:
        exp["snap"] = {"oui": 0x025A4E, "pid": int.from_bytes(ptype.encode(), "big")}
    elif snap:
        exp["snap"] = {"oui": 0x000000, "pid": 0x88B5}
    return exp


def make_case(name, ptype, form, framing, payload=b"", *, dst=PEER, src=OWN, seq=0, dst_vdn=0,
              src_vdn=0, rx_index=0, tx_index=0, tag=0, hu_words=None, bitmap=None,
              dst_ip=None):
    if bitmap is None:
        bitmap = BITMAP[(form, framing)]
    assert w.choose_framing(bitmap) == framing, name
    assert w.header_form(ptype, framing, bitmap) == form, name
    frame = w.build(ptype, bitmap, dst, src, payload, seq=seq, dst_vdn=dst_vdn, src_vdn=src_vdn,
                    rx_index=rx_index, tx_index=tx_index, tag=tag, hu_words=hu_words)
    hlen = HEADER_LEN[form]
    j5_len = hlen + len(payload)
    case = {
        "name": name, "type": ptype, "framing": framing, "bitmap": bitmap,
        "header_room": w.header_room(bitmap),
        "dst_mac": dst, "src_mac": src, "seq": seq, "dst_vdn": dst_vdn, "src_vdn": src_vdn,
        "rx_index": rx_index, "tx_index": tx_index, "tag": tag,
        "payload": payload.hex(), "frame": frame.hex(),
        "payload_offset": hlen,
    }
    if hu_words is not None:
        case["hu_words"] = list(hu_words)
    type_bit = {"full": w.B_FULL, "short": w.B_SHORT, "older-hu": w.B_OLDER_HU,
                "short-dl": 0}[form]
    if framing == w.UDP:
        case["dst_ip"] = dst_ip or "10.1.2.3"
        case["udp_port"] = w.udp_port_for(case["dst_ip"])
        case["rx_bitmap"] = w.B_UDP_PATH | type_bit
        case["j5_offset"] = 0
        case["rx_payload_len"] = len(payload)
    else:
        path = {w.PLAIN: 0, w.VLAN: w.B_8021Q, w.SNAP: w.B_SNAP, w.VLAN_SNAP: w.B_8021Q | w.B_SNAP,
                w.MAKER: w.B_MAKER_SNAP, w.VLAN_MAKER: w.B_8021Q | w.B_MAKER_SNAP}[framing]
        case["rx_bitmap"] = w.B_ETHERNET | path | type_bit
        tci = w.tag_control_word(ptype, tag) if framing in w.TAGGED_FRAMINGS else 0
        eth = eth_expectation(frame, framing, tci, j5_len, ptype)
        case["j5_offset"] = FRONT[framing]
        case["rx_payload_len"] = eth["frame_len"] - case["j5_offset"] - hlen
        case["eth"] = eth
        assert len(frame) == eth["frame_len"] <= w.MAX_FRAME_LEN, name
    return case


def cases():
    out = []
    add = out.append

    # Every type in every framing its header allows.
    control = {
        "HR": dict(payload=pattern(24, 0x10), seq=0x0102, dst_vdn=0x0203, src_vdn=0x0304,
                   rx_index=0x0007, tx_index=0x0003),
        "HH": dict(payload=b"", seq=0x0102, dst_vdn=0x0304, src_vdn=0x0203, rx_index=0x0003,
                   tx_index=0x0007),
        "HI": dict(payload=bytes(4), seq=0x0011, dst_vdn=1, src_vdn=1, rx_index=0,
                   tx_index=0x0009),
        "HY": dict(payload=b"\x00\x01", seq=0x0011, dst_vdn=1, src_vdn=1, rx_index=0x0009,
                   tx_index=0x0021),
        "HE": dict(payload=b"\x80\x03", seq=0x0011, dst_vdn=1, src_vdn=1, rx_index=0x0009,
                   tx_index=0xFFFF),
        "HU": dict(payload=pattern(30, 0x55), seq=0x1234, dst_vdn=0x0203, src_vdn=0x0304),
    }
    for ptype, kw in control.items():
        for framing in LONG_FRAMINGS:
            add(make_case(f"{ptype}-{framing}", ptype, "full", framing, tag=0x0005, **kw))
    for framing in MAKER_FRAMINGS:
        add(make_case(f"HU-{framing}-older", "HU", "older-hu", framing, pattern(20, 0x33),
                      seq=0x5678, hu_words=(0x0A0B, 0x0C0D), tag=0x0005))
    for framing in LONG_FRAMINGS:
        add(make_case(f"HA-{framing}", "HA", "short", framing, pattern(40, 0x80),
                      dst=MULTICAST, tag=0x0005))
        add(make_case(f"DL-{framing}-long", "DL", "short", framing, pattern(16, 0xC0),
                      dst=BROADCAST, tag=0x0005))
    for framing in MAKER_FRAMINGS:
        add(make_case(f"DL-{framing}-short", "DL", "short-dl", framing, pattern(16, 0xC0),
                      dst=BROADCAST, tag=0x0005))

    # Worked examples: 10-byte "HR" over plain Ethernet, 42 bytes padded to 60; the same
    # packet in the other framings; an older "HU" with a visible little-endian counter.
    hr10 = dict(seq=0x1235, dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3, tag=0x0005)
    add(make_case("HR-plain-pad42", "HR", "full", w.PLAIN, bytes(range(10)), **hr10))
    add(make_case("HR-8021q-pad", "HR", "full", w.VLAN, bytes(range(10)), **hr10))
    add(make_case("HR-snap-pad", "HR", "full", w.SNAP, bytes(range(10)), **hr10))
    add(make_case("HU-maker-snap-older-xy", "HU", "older-hu", w.MAKER, b"xy", seq=0x0102,
                  hu_words=(0x1111, 0x2222)))
    add(make_case("HH-plain-empty", "HH", "full", w.PLAIN, seq=0x1235, dst_vdn=1, src_vdn=2,
                  rx_index=3, tx_index=7, dst=OWN, src=PEER))

    # "HE" reply to an unmatched "HR": the "HR" from the peer and the answer to it,
    # tagged (VLAN 42 taken from the "HR") and untagged.
    hr = dict(seq=0x4321, dst_vdn=1, src_vdn=0x0456, rx_index=0x0012, tx_index=0x0034)
    he = w.he_reply_to_unmatched(hr["seq"], hr["src_vdn"], hr["tx_index"])
    he_kw = dict(seq=he.seq, dst_vdn=he.dst_vdn, src_vdn=he.src_vdn, rx_index=he.rx_index,
                 tx_index=he.tx_index)
    add(make_case("HR-8021q-unmatched", "HR", "full", w.VLAN, pattern(12, 1), dst=OWN, src=PEER,
                  tag=42, **hr))
    add(make_case("HE-8021q-reply-unmatched", "HE", "full", w.VLAN, he.payload, tag=42, **he_kw))
    add(make_case("HE-plain-reply-unmatched", "HE", "full", w.PLAIN, he.payload, **he_kw))
    add(make_case("HE-plain-evicted", "HE", "full", w.PLAIN, b"\x80\x04", seq=0x0002,
                  dst_vdn=0x0456, src_vdn=1, rx_index=0x0034, tx_index=0x0005))
    add(make_case("HY-plain-repeated", "HY", "full", w.PLAIN, b"\x00\x02", seq=0x0011,
                  dst_vdn=1, src_vdn=1, rx_index=0x0009, tx_index=0x0021))

    # Sequence wrap values.
    add(make_case("HR-plain-seq-ffff", "HR", "full", w.PLAIN, pattern(8, 2), seq=0xFFFF,
                  dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3))
    add(make_case("HR-plain-seq-0000", "HR", "full", w.PLAIN, pattern(8, 3), seq=0x0000,
                  dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3))
    add(make_case("HH-8021q-seq-ffff", "HH", "full", w.VLAN, seq=0xFFFF, dst_vdn=1, src_vdn=2,
                  rx_index=3, tx_index=7, tag=0x0005))
    add(make_case("HU-plain-counter-ffff", "HU", "full", w.PLAIN, pattern(6, 4), seq=0xFFFF))
    add(make_case("HU-plain-counter-00ff", "HU", "full", w.PLAIN, pattern(6, 5), seq=0x00FF))

    # Tag control words: the caller's priority and drop-eligible bits are replaced for the
    # types with a fixed priority, kept whole for "HA", and "DL" sends a zero word.
    add(make_case("HR-8021q-tag-bits-replaced", "HR", "full", w.VLAN, pattern(4, 6),
                  seq=1, dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3, tag=0xF123))
    add(make_case("HI-snap-8021q-tag-bits-replaced", "HI", "full", w.VLAN_SNAP, bytes(4),
                  seq=2, dst_vdn=1, src_vdn=1, tx_index=4, tag=0x1FFF))
    add(make_case("HU-8021q-vid-4095", "HU", "full", w.VLAN, pattern(4, 7), seq=3,
                  tag=0x0FFF))
    add(make_case("HA-8021q-caller-word-kept", "HA", "short", w.VLAN, pattern(20, 8),
                  tag=0xB00A))
    add(make_case("HA-snap-8021q-caller-word-kept", "HA", "short", w.VLAN_SNAP, pattern(20, 9),
                  tag=0x7FFE))
    add(make_case("DL-8021q-zero-word", "DL", "short", w.VLAN, pattern(20, 10), dst=BROADCAST,
                  tag=0xE123))
    add(make_case("DL-maker-snap-8021q-zero-word", "DL", "short-dl", w.VLAN_MAKER,
                  pattern(20, 11), dst=BROADCAST, tag=0x0321))

    # Framing choice from less usual bitmaps.
    add(make_case("HR-udp-with-8021q-bit", "HR", "full", w.UDP, pattern(8, 12), seq=5,
                  dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3, bitmap=0x0073))
    add(make_case("HR-plain-ip-without-udp", "HR", "full", w.PLAIN, pattern(8, 13), seq=6,
                  dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3, bitmap=0x0031))
    add(make_case("HR-plain-udp-without-ip", "HR", "full", w.PLAIN, pattern(8, 14), seq=7,
                  dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3, bitmap=0x0051))
    add(make_case("HR-snap-8021q-ip-without-udp", "HR", "full", w.VLAN_SNAP, pattern(8, 15),
                  seq=8, dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3, tag=9, bitmap=0x0037))
    add(make_case("DL-maker-snap-over-snap-bit", "DL", "short-dl", w.MAKER, pattern(8, 16),
                  dst=BROADCAST, bitmap=0x0085))
    add(make_case("HA-udp-multicast", "HA", "short", w.UDP, pattern(32, 17), dst=MULTICAST,
                  dst_ip="239.1.2.3"))
    add(make_case("HU-udp-multicast", "HU", "full", w.UDP, pattern(10, 18), seq=9,
                  dst_ip="224.0.0.200"))

    # Frames of 59, 60 and 61 bytes before padding.
    for n, tag in ((27, "59"), (28, "60"), (29, "61")):
        add(make_case(f"HR-plain-len{tag}", "HR", "full", w.PLAIN, pattern(n, 19), seq=10,
                      dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3))

    # Near the maximum frame size (1514 bytes without FCS), and one byte short of it.
    big = [("HR", "full", w.PLAIN), ("HR", "full", w.VLAN), ("HR", "full", w.SNAP),
           ("HR", "full", w.VLAN_SNAP), ("HU", "full", w.PLAIN), ("HU", "older-hu", w.MAKER),
           ("HU", "older-hu", w.VLAN_MAKER), ("HA", "short", w.PLAIN), ("DL", "short", w.SNAP),
           ("DL", "short-dl", w.MAKER), ("DL", "short-dl", w.VLAN_MAKER)]
    for ptype, form, framing in big:
        for frame_len in (w.MAX_FRAME_LEN, w.MAX_FRAME_LEN - 1):
            n = frame_len - FRONT[framing] - HEADER_LEN[form]
            kw = dict(seq=0x0BAD, tag=0x0005)
            if form == "full" and ptype != "HU":
                kw.update(dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3)
            if form == "older-hu":
                kw.update(hu_words=(1, 2))
            if form not in ("full", "older-hu"):
                kw.pop("seq")
            add(make_case(f"{ptype}-{framing}-frame{frame_len}", ptype, form, framing,
                          pattern(n, frame_len & 0xFF), **kw))
    add(make_case("HR-udp-max", "HR", "full", w.UDP, pattern(UDP_MAX_PAYLOAD_FULL, 20),
                  seq=11, dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3))

    names = [c["name"] for c in out]
    assert len(names) == len(set(names)), "duplicate case names"
    return out


def main():
    for case in cases():
        sys.stdout.write(json.dumps(case, sort_keys=True) + "\n")


if __name__ == "__main__":
    main()
