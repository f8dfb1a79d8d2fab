"""Self-test of the J5 wire module, the fixture generator and the tshark checker.

Run: /usr/bin/python3 -m unittest -v test_j5wire   (from this folder)
The tshark part skips when tshark is missing, unless KEZ_REQUIRE_PRIVILEGED=1.
"""

import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import check_pcap
import gen_frames
import j5wire as w

HERE = os.path.dirname(os.path.abspath(__file__))
OWN = "02:00:00:00:00:01"
PEER = "02:00:00:00:00:02"


def h(text):
    """Hex with spaces and line breaks allowed."""
    return bytes.fromhex("".join(text.split()))


def padded(frame):
    return frame + bytes(60 - len(frame))


# Frames written out by hand from the tables.
HR10_J5 = h("48 52  02 00 00 00 00 01  12 35  00 02  00 01  00 07  00 03"
            "00 01 02 03 04 05 06 07 08 09")
GOLDEN = {
    # 10-byte "HR" payload over plain Ethernet: 14 + 18 + 10 = 42 bytes, padded to 60.
    "HR plain": (0x0011, padded(h("02 00 00 00 00 02  02 00 00 00 00 01  88 b5") + HR10_J5)),
    # VLAN 5, priority 6.
    "HR 802.1Q": (0x0013, padded(h("02 00 00 00 00 02  02 00 00 00 00 01  81 00 c0 05  88 b5")
                                 + HR10_J5)),
    # 802.3 length 0x24 = 8 + 28.
    "HR SNAP": (0x0015, padded(h("02 00 00 00 00 02  02 00 00 00 00 01  00 24"
                                 "aa aa 03 00 00 00 88 b5") + HR10_J5)),
    # Tag in front of the 802.3 length.
    "HR SNAP 802.1Q": (0x0017, padded(h("02 00 00 00 00 02  02 00 00 00 00 01  81 00 c0 05  00 24"
                                        "aa aa 03 00 00 00 88 b5") + HR10_J5)),
}
# Older "HU": counter 0x0102 low byte first, words 0x1111 0x2222, two zero words, "xy";
# the type stands in the SNAP protocol field and the length 0x14 = 6 + 14 counts it once.
OLDER_HU = padded(h("02 00 00 00 00 02  02 00 00 00 00 01  00 14  aa aa 03 02 5a 4e"
                    "48 55  02 01  11 11  22 22  00 00 00 00  78 79"))
# Short "DL" to broadcast, tagged: tag control word 0 whatever the caller gave.
SHORT_DL_TAGGED = padded(h("ff ff ff ff ff ff  02 00 00 00 00 01  81 00 00 00  00 0c"
                           "aa aa 03 02 5a 4e  44 4c  de ad be ef"))
# Full "HU": counter 0x1234 written 34 12, indexes zero, priority 3 with VLAN 0x0ab.
HU_TAGGED = padded(h("02 00 00 00 00 02  02 00 00 00 00 01  81 00 60 ab  88 b5"
                     "48 55  02 00 00 00 00 01  34 12  00 07  00 08  00 00  00 00  aa bb"))
# "HA" over 802.1Q keeps the caller's whole word (priority 5, DEI 1, VLAN 10).
HA_TAGGED = padded(h("02 00 00 00 00 02  02 00 00 00 00 01  81 00 b0 0a  88 b5"
                     "48 41  02 00 00 00 00 01  01 02 03"))
# "HE" 0x8002 answering an unmatched "HR" (seq 0x4321, source VDN 0x0456, sender index
# 0x0034): same sequence, VDNs 0x0456 <- 1, receiver index 0x0034, sender index 0xFFFF;
# priority 5 with the VLAN of the "HR" (42).
HE_REPLY = padded(h("02 00 00 00 00 02  02 00 00 00 00 01  81 00 a0 2a  88 b5"
                    "48 45  02 00 00 00 00 01  43 21  04 56  00 01  00 34  ff ff  80 02"))


class TablesTest(unittest.TestCase):
    def test_header_room(self):
        table = {0x0009: 22, 0x000B: 26, 0x0011: 32, 0x0069: 50, 0x0071: 60,
                 0x0010: 64, 0x0000: 64, 0x0070: 64,
                 0x0013: 36, 0x0015: 40, 0x0017: 44, 0x000D: 30, 0x000F: 34,
                 0x0081: 22, 0x0083: 26, 0x0181: 32, 0x0183: 36, 0x0073: 64, 0x01FF: 98}
        for bitmap, room in table.items():
            with self.subTest(bitmap=hex(bitmap)):
                self.assertEqual(w.header_room(bitmap), room)

    def test_room_covers_the_built_headers(self):
        # The room of the bitmaps a sender uses is exactly the bytes in front of the payload.
        for bitmap, ptype, front in ((0x0011, "HR", 32), (0x0013, "HR", 36), (0x0015, "HR", 40),
                                     (0x0017, "HR", 44), (0x0009, "HA", 22), (0x000B, "HA", 26),
                                     (0x0081, "DL", 22), (0x0083, "DL", 26), (0x0181, "HU", 32),
                                     (0x0183, "HU", 36)):
            with self.subTest(bitmap=hex(bitmap)):
                frame = w.build(ptype, bitmap, PEER, OWN, b"\x5a" * 100, tag=5)
                self.assertEqual(frame.index(b"\x5a" * 100), front)
                self.assertEqual(w.header_room(bitmap), front)

    def test_framing_choice(self):
        table = {0x0009: w.PLAIN, 0x0011: w.PLAIN, 0x0019: w.PLAIN, 0x0001: w.PLAIN,
                 0x0031: w.PLAIN, 0x0051: w.PLAIN, 0x0071: w.UDP, 0x0069: w.UDP, 0x0073: w.UDP,
                 0x0077: w.UDP, 0x00F1: w.UDP, 0x0013: w.VLAN, 0x000B: w.VLAN,
                 0x0015: w.SNAP, 0x0017: w.VLAN_SNAP, 0x0081: w.MAKER, 0x0085: w.MAKER,
                 0x0181: w.MAKER, 0x0083: w.VLAN_MAKER, 0x0187: w.VLAN_MAKER,
                 0x0111: w.PLAIN, 0x0037: w.VLAN_SNAP}
        for bitmap, framing in table.items():
            with self.subTest(bitmap=hex(bitmap)):
                self.assertEqual(w.choose_framing(bitmap), framing)

    def test_tag_control_word(self):
        cases = [("HR", 0x0005, 0xC005), ("HH", 0x0FFF, 0xCFFF), ("HY", 0x0001, 0xC001),
                 ("HI", 0x0005, 0xA005), ("HE", 0x002A, 0xA02A), ("HU", 0x0ABC, 0x6ABC),
                 # caller's priority and drop-eligible bits never survive on these types
                 ("HR", 0xF123, 0xC123), ("HI", 0x1FFF, 0xAFFF), ("HU", 0x9001, 0x6001),
                 ("HA", 0xB00A, 0xB00A), ("HA", 0x0000, 0x0000), ("HA", 0xFFFF, 0xFFFF),
                 ("DL", 0x0123, 0x0000), ("DL", 0xE123, 0x0000)]
        for ptype, tag, tci in cases:
            with self.subTest(type=ptype, tag=hex(tag)):
                self.assertEqual(w.tag_control_word(ptype, tag), tci)
        with self.assertRaises(ValueError):
            w.tag_control_word("HC", 0)

    def test_udp_port(self):
        self.assertEqual(w.udp_port_for("10.1.2.3"), 47093)
        self.assertEqual(w.udp_port_for("224.0.0.1"), 47096)
        self.assertEqual(w.udp_port_for("239.255.255.255"), 47096)
        self.assertEqual(w.udp_port_for("240.0.0.1"), 47093)
        self.assertEqual(w.udp_port_for("223.255.255.255"), 47093)

    def test_sequence_wrap(self):
        self.assertEqual(w.next_seq(0xFFFF), 0)
        self.assertEqual(w.next_seq(0x1234), 0x1235)
        self.assertEqual(w.full_header("HR", OWN, seq=0xFFFF)[8:10], b"\xff\xff")
        self.assertEqual(w.full_header("HR", OWN, seq=0x0102)[8:10], b"\x01\x02")
        self.assertEqual(w.full_header("HU", OWN, seq=0x0102)[8:10], b"\x02\x01")


class GoldenFrameTest(unittest.TestCase):
    def test_hr_in_each_framing(self):
        for name, (bitmap, frame) in GOLDEN.items():
            with self.subTest(name):
                built = w.build("HR", bitmap, PEER, OWN, bytes(range(10)), seq=0x1235,
                                dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3, tag=5)
                self.assertEqual(built.hex(), frame.hex())
                rx = w.parse_frame(frame)
                self.assertEqual(rx.path_flags, bitmap)
                self.assertEqual(rx.ptype, "HR")
                self.assertEqual(rx.payload_offset, 18)
                self.assertEqual(rx.payload_exact if rx.length_field else rx.payload[:10],
                                 bytes(range(10)))
                self.assertEqual(rx.fields, {"sender_mac": w.mac_bytes(OWN), "seq": 0x1235,
                                             "dst_vdn": 2, "src_vdn": 1, "rx_index": 7,
                                             "tx_index": 3})
        # the padding stays in the payload when no length bounds it
        rx = w.parse_frame(GOLDEN["HR plain"][1])
        self.assertEqual(len(GOLDEN["HR plain"][1]), 60)
        self.assertEqual(len(rx.payload), 28)
        self.assertEqual(rx.payload[10:], bytes(18))

    def test_hr_over_udp_is_the_j5_part(self):
        self.assertEqual(w.build("HR", 0x0071, PEER, OWN, bytes(range(10)), seq=0x1235,
                                 dst_vdn=2, src_vdn=1, rx_index=7, tx_index=3), HR10_J5)
        rx = w.parse_udp(HR10_J5)
        self.assertEqual((rx.path_flags, rx.payload_offset, rx.payload),
                         (0x0071, 18, bytes(range(10))))
        for ptype, flags in (("HA", 0x0069), ("DL", 0x0069), ("HU", 0x0071), ("HH", 0x0071)):
            with self.subTest(ptype):
                self.assertEqual(w.parse_udp(ptype.encode() + bytes(16)).path_flags, flags)

    def test_older_hu(self):
        self.assertEqual(w.build("HU", 0x0181, PEER, OWN, b"xy", seq=0x0102,
                                 hu_words=(0x1111, 0x2222)).hex(), OLDER_HU.hex())
        rx = w.parse_frame(OLDER_HU)
        self.assertEqual((rx.path_flags, rx.payload_offset, rx.header_form, rx.length_field),
                         (0x0181, 12, "older-hu", 0x14))
        self.assertEqual(rx.fields, {"seq": 0x0102, "hu_words": [0x1111, 0x2222],
                                     "zero_words": [0, 0]})
        self.assertEqual(rx.payload_exact, b"xy")
        self.assertEqual(rx.j5_offset, 20)

    def test_short_dl_tagged(self):
        self.assertEqual(w.build("DL", 0x0083, "ff:ff:ff:ff:ff:ff", OWN, h("de ad be ef"),
                                 tag=0xE123).hex(), SHORT_DL_TAGGED.hex())
        rx = w.parse_frame(SHORT_DL_TAGGED)
        self.assertEqual((rx.path_flags, rx.payload_offset, rx.tci, rx.j5_offset),
                         (0x0083, 2, 0, 24))
        self.assertEqual(rx.payload_exact, h("de ad be ef"))

    def test_full_hu_and_ha_tagged(self):
        self.assertEqual(w.build("HU", 0x0013, PEER, OWN, h("aa bb"), seq=0x1234, dst_vdn=7,
                                 src_vdn=8, tag=0x00AB).hex(), HU_TAGGED.hex())
        rx = w.parse_frame(HU_TAGGED)
        self.assertEqual((rx.path_flags, rx.tci, rx.fields["seq"]), (0x0013, 0x60AB, 0x1234))
        self.assertEqual(w.build("HA", 0x000B, PEER, OWN, h("01 02 03"), tag=0xB00A).hex(),
                         HA_TAGGED.hex())
        rx = w.parse_frame(HA_TAGGED)
        self.assertEqual((rx.path_flags, rx.payload_offset, rx.tci), (0x000B, 8, 0xB00A))

    def test_he_reply_to_unmatched_hr(self):
        hr = w.build("HR", 0x0013, OWN, PEER, b"data", seq=0x4321, dst_vdn=1, src_vdn=0x0456,
                     rx_index=0x0012, tx_index=0x0034, tag=42)
        got = w.parse_frame(hr)
        he = w.he_reply_to_unmatched(got.fields["seq"], got.fields["src_vdn"],
                                     got.fields["tx_index"])
        reply = w.build("HE", got.path_flags, w.mac_str(got.fields["sender_mac"]), OWN,
                        he.payload, seq=he.seq, dst_vdn=he.dst_vdn, src_vdn=he.src_vdn,
                        rx_index=he.rx_index, tx_index=he.tx_index, tag=got.tci & 0x0FFF)
        self.assertEqual(reply.hex(), HE_REPLY.hex())

    def test_refused_combinations(self):
        bad = [("HR", 0x0081), ("HA", 0x0081), ("HU", 0x0081),   # maker SNAP without older HU
               ("HU", 0x0111), ("HC", 0x0011), ("HT", 0x0011)]
        for ptype, bitmap in bad:
            with self.subTest(type=ptype, bitmap=hex(bitmap)):
                with self.assertRaises(ValueError):
                    w.build(ptype, bitmap, PEER, OWN, b"")
        with self.assertRaises(ValueError):
            w.build("HU", 0x0011, PEER, OWN, b"", rx_index=1)


class DemuxTest(unittest.TestCase):
    ETH = h("02 00 00 00 00 01  02 00 00 00 00 02")

    def dropped(self, frame):
        with self.assertRaises(w.Dropped) as ctx:
            w.parse_frame(frame)
        return ctx.exception

    def test_not_j5_is_dropped(self):
        hr = w.full_header("HR", PEER) + bytes(10)
        frames = {
            "IPv4": self.ETH + h("08 00") + bytes(46),
            "ARP": self.ETH + h("08 06") + bytes(46),
            "other EtherType": self.ETH + h("88 b6") + hr,
            "IPv4 in 802.1Q": self.ETH + h("81 00 00 05 08 00") + bytes(42),
            "maker-SNAP HR": padded(self.ETH + h("00 1a aa aa 03 02 5a 4e") + hr),
            "maker-SNAP HA": padded(self.ETH + h("00 1a aa aa 03 02 5a 4e") + b"HA" + bytes(20)),
            "SNAP other protocol": padded(self.ETH + h("00 24 aa aa 03 00 00 00 08 00") + hr),
            "SNAP other OUI": padded(self.ETH + h("00 24 aa aa 03 00 00 01 88 b5") + hr),
            "plain LLC": padded(self.ETH + h("00 24 f0 f0 03") + hr),
            "short": self.ETH,
            "HR shorter than its header": self.ETH + h("88 b5") + hr[:17],
            "maker-SNAP under 22 bytes": self.ETH + h("00 0a aa aa 03 02 5a 4e 44 4c") + bytes(13),
        }
        for name, frame in frames.items():
            with self.subTest(name):
                self.assertTrue(self.dropped(frame).counted)

    def test_maker_snap_at_22_bytes_is_taken(self):
        frame = self.ETH + h("00 0a aa aa 03 02 5a 4e 44 4c") + bytes(14)
        self.assertEqual(w.parse_frame(frame).path_flags, 0x0081)

    def test_types_dropped_after_demux(self):
        for ptype, counted in (("HT", False), ("HC", True), ("HX", True), ("hr", True)):
            with self.subTest(ptype):
                frame = padded(self.ETH + h("88 b5") + w.full_header(ptype, PEER))
                self.assertEqual(self.dropped(frame).counted, counted)
                with self.assertRaises(w.Dropped):
                    w.parse_udp(w.full_header(ptype, PEER))

    def test_path_flags(self):
        full = w.full_header("HR", PEER) + b"p"
        short = w.short_header("DL", PEER) + b"p"
        cases = {
            "plain full": (self.ETH + h("88 b5") + full, 0x0011, 18),
            "plain short": (self.ETH + h("88 b5") + short, 0x0009, 8),
            "tagged full": (self.ETH + h("81 00 c0 05 88 b5") + full, 0x0013, 18),
            "SNAP short": (self.ETH + h("00 11 aa aa 03 00 00 00 88 b5") + short, 0x000D, 8),
            "tagged SNAP full": (self.ETH + h("81 00 c0 05 00 1b aa aa 03 00 00 00 88 b5") + full,
                                 0x0017, 18),
            "maker HU": (self.ETH + h("00 13 aa aa 03 02 5a 4e") + w.older_hu_header(1, 2, 3)
                         + b"p", 0x0181, 12),
            "tagged maker DL": (self.ETH + h("81 00 00 00 00 09 aa aa 03 02 5a 4e 44 4c") + b"p",
                                0x0083, 2),
        }
        for name, (frame, flags, offset) in cases.items():
            with self.subTest(name):
                rx = w.parse_frame(padded(frame))
                self.assertEqual((rx.path_flags, rx.payload_offset), (flags, offset))
                self.assertEqual(rx.payload[:1], b"p")


class GeneratedCasesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        out = subprocess.run([sys.executable, os.path.join(HERE, "gen_frames.py")],
                             capture_output=True, text=True, check=True, cwd=HERE).stdout
        cls.text = out
        cls.cases = [json.loads(line) for line in out.splitlines()]

    def test_deterministic_and_well_formed(self):
        again = subprocess.run([sys.executable, os.path.join(HERE, "gen_frames.py")],
                               capture_output=True, text=True, check=True, cwd=HERE).stdout
        self.assertEqual(again, self.text)
        required = {"name", "type", "bitmap", "dst_mac", "src_mac", "seq", "dst_vdn", "src_vdn",
                    "rx_index", "tx_index", "tag", "payload", "frame", "rx_bitmap",
                    "payload_offset"}
        for c in self.cases:
            with self.subTest(c["name"]):
                self.assertLessEqual(required, set(c))
                self.assertEqual("hu_words" in c, c["rx_bitmap"] & w.B_OLDER_HU != 0)
                self.assertEqual("eth" in c, c["framing"] != w.UDP)
        self.assertEqual(len({c["name"] for c in self.cases}), len(self.cases))

    def test_coverage(self):
        seen = {(c["type"], c["framing"], c["payload_offset"]) for c in self.cases}
        longs = (w.PLAIN, w.VLAN, w.SNAP, w.VLAN_SNAP, w.UDP)
        makers = (w.MAKER, w.VLAN_MAKER)
        want = {(t, f, 18) for t in ("HR", "HH", "HI", "HY", "HE", "HU") for f in longs}
        want |= {("HU", f, 12) for f in makers} | {("DL", f, 2) for f in makers}
        want |= {(t, f, 8) for t in ("HA", "DL") for f in longs}
        self.assertLessEqual(want, seen)
        self.assertLessEqual(seen, want)
        by_name = {c["name"]: c for c in self.cases}
        pad = by_name["HR-plain-pad42"]
        self.assertEqual((len(pad["payload"]) // 2, pad["eth"]["frame_len"], pad["eth"]["padding"]),
                         (10, 60, 18))
        self.assertEqual(bytes.fromhex(pad["frame"]), GOLDEN["HR plain"][1])
        self.assertEqual(bytes.fromhex(by_name["HE-8021q-reply-unmatched"]["frame"]), HE_REPLY)
        self.assertEqual(bytes.fromhex(by_name["HU-maker-snap-older-xy"]["frame"]), OLDER_HU)
        self.assertTrue(any(c["seq"] == 0xFFFF and c["type"] == "HR" for c in self.cases))
        sizes = [c["eth"]["frame_len"] for c in self.cases if "eth" in c]
        self.assertEqual(max(sizes), w.MAX_FRAME_LEN)
        self.assertGreaterEqual(sizes.count(w.MAX_FRAME_LEN), 6)

    def test_each_case_builds_and_parses_back(self):
        for c in self.cases:
            with self.subTest(c["name"]):
                payload = bytes.fromhex(c["payload"])
                frame = bytes.fromhex(c["frame"])
                built = w.build(c["type"], c["bitmap"], c["dst_mac"], c["src_mac"], payload,
                                seq=c["seq"], dst_vdn=c["dst_vdn"], src_vdn=c["src_vdn"],
                                rx_index=c["rx_index"], tx_index=c["tx_index"], tag=c["tag"],
                                hu_words=c.get("hu_words"))
                self.assertEqual(built, frame)
                rx = w.parse_frame(frame) if "eth" in c else w.parse_udp(frame)
                self.assertEqual(rx.path_flags, c["rx_bitmap"])
                self.assertEqual(rx.payload_offset, c["payload_offset"])
                self.assertEqual(rx.j5_offset, c["j5_offset"])
                self.assertEqual(len(rx.payload), c["rx_payload_len"])
                self.assertEqual(rx.payload_exact[:len(payload)], payload)
                if c["framing"] != w.UDP and c["eth"]["length"] is not None:
                    self.assertEqual(rx.payload_exact, payload)
                if rx.header_form == "full":
                    self.assertEqual((rx.fields["seq"], rx.fields["dst_vdn"], rx.fields["src_vdn"],
                                      rx.fields["rx_index"], rx.fields["tx_index"]),
                                     (c["seq"], c["dst_vdn"], c["src_vdn"], c["rx_index"],
                                      c["tx_index"]))
                if rx.header_form in ("full", "short"):
                    self.assertEqual(rx.fields["sender_mac"], w.mac_bytes(c["src_mac"]))
                if "eth" in c:
                    self.assertEqual(rx.src_mac, w.mac_bytes(c["src_mac"]))
                    vlan = c["eth"]["vlan"]
                    self.assertEqual(rx.tci, vlan["tci"] if vlan else None)
                    if vlan:
                        self.assertEqual(vlan["tci"], w.tag_control_word(c["type"], c["tag"]))
                else:
                    self.assertEqual(c["udp_port"], w.udp_port_for(c["dst_ip"]))


def tshark_or_skip(test):
    if shutil.which("tshark"):
        return
    if os.environ.get("KEZ_REQUIRE_PRIVILEGED") == "1":
        test.fail("tshark is required (KEZ_REQUIRE_PRIVILEGED=1) but not installed")
    test.skipTest("tshark not installed")


class PcapTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.cases_path = os.path.join(self.tmp.name, "cases.jsonl")
        with open(self.cases_path, "w", encoding="utf-8") as f:
            subprocess.run([sys.executable, os.path.join(HERE, "gen_frames.py")], stdout=f,
                           check=True, cwd=HERE)
        with open(self.cases_path, encoding="utf-8") as f:
            self.eth_cases = [c for c in map(json.loads, f) if "eth" in c]
        self.frames = [bytes.fromhex(c["frame"]) for c in self.eth_cases]

    def run_check(self, frames):
        pcap = os.path.join(self.tmp.name, "capture.pcap")
        w.write_pcap(pcap, frames)
        return subprocess.run([sys.executable, os.path.join(HERE, "check_pcap.py"),
                               self.cases_path, pcap], capture_output=True, text=True, cwd=HERE)

    def test_pcap_round_trip(self):
        pcap = os.path.join(self.tmp.name, "rt.pcap")
        w.write_pcap(pcap, self.frames)
        with open(pcap, "rb") as f:
            self.assertEqual(struct.unpack("<IHHiIII", f.read(24)),
                             (0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        self.assertEqual(list(w.read_pcap(pcap)), self.frames)

    def test_tshark_agrees_with_every_case(self):
        tshark_or_skip(self)
        proc = self.run_check(self.frames)
        self.assertEqual(proc.returncode, 0, proc.stdout + proc.stderr)

    def test_tshark_check_catches_faults(self):
        tshark_or_skip(self)
        idx = {c["name"]: i for i, c in enumerate(self.eth_cases)}
        frames = list(self.frames)

        def patch(name, offset, value):
            i = idx[name]
            f = bytearray(frames[i])
            f[offset] = value
            frames[i] = bytes(f)

        patch("HR-8021q", 14, 0xA0)               # priority 5 instead of 6
        patch("HR-snap", 13, 0x33)                # 802.3 length off
        patch("HU-maker-snap-older", 19, 0x4F)    # OUI 02-5A-4F
        patch("DL-8021q-zero-word", 15, 0x01)     # VLAN 1 on a "DL"
        frames[idx["HA-plain"]] = frames[idx["HA-plain"]][:-1]   # one byte short
        proc = self.run_check(frames)
        self.assertEqual(proc.returncode, 1, proc.stdout + proc.stderr)
        out = proc.stdout
        self.assertIn("(HR-8021q): vlan.priority is 0x5, expected 0x6", out)
        self.assertIn("(HR-snap): eth.len", out)
        self.assertIn("(HU-maker-snap-older): llc.oui", out)
        self.assertIn("(DL-8021q-zero-word): vlan.id is 0x1, expected 0x0", out)
        self.assertIn("(HA-plain): frame.len", out)
        self.assertEqual(len({line.split(")")[0] for line in out.splitlines()
                              if line.startswith("frame ")}), 5)

        proc = self.run_check(self.frames[:-1])
        self.assertEqual(proc.returncode, 1)
        self.assertIn("capture holds", proc.stdout)

    def test_checker_reads_tshark_values(self):
        # Field formats as tshark prints them, independent of tshark being installed.
        self.assertEqual(check_pcap.num("0x88b5"), 0x88B5)
        self.assertEqual(check_pcap.num("154190"), 0x025A4E)
        self.assertEqual(check_pcap.num("True"), 1)
        self.assertIsNone(check_pcap.num(""))


if __name__ == "__main__":
    unittest.main()
