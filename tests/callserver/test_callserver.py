"""Tests of the simulated call server: payloads against the independent model in
tests/peers/jipmsg, the field checker, the codecs, two stations reliably both ways over
the virtual wire and over UDP, and kezsim's interactive mode as a normal user."""

import audioop
import contextlib
import datetime
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "peers", "jipmsg"))
import checker  # noqa: E402
import codec  # noqa: E402
import jipmsg  # noqa: E402
import payloads as p  # noqa: E402
import scripted  # noqa: E402
import station  # noqa: E402
from server import CallServer  # noqa: E402
from station import Node, Station  # noqa: E402

MAC_A, MAC_B = bytes.fromhex("020000000a01"), bytes.fromhex("020000000b02")
REQUIRE_PRIVILEGED = os.environ.get("KEZ_REQUIRE_PRIVILEGED") == "1"
IN_PRIVATE_NET = "KEZSIM_PRIVATE_NET"
WHEN = datetime.datetime(2024, 2, 29, 13, 45, 7, 250000)
LEDS = {"speaker": 3, "handsfree": 3, "line1": 2, "line12": 1, "vm": 1}
SAMPLE = codec.Tone(440).samples(505)


def ip(text):
    return list(bytes(int(x) for x in text.split(".")))


def model(fields):
    """The model takes byte arrays as lists."""
    return {k: list(v) if isinstance(v, bytes) else v for k, v in fields.items()}


INIT = {"nDeviceHandle": 7, "nControlHeaderBits": 0x71, "nControlTCI": 5, "varSystemStateIP": bytes(ip("224.2.224.22")),
        "varPageMac": MAC_A, "nStatusUpdatePeriod": 10}
UI = {"nDeviceHandle": 2, "nSpkrCallProgTone": 3, "nSpkrCallProgMode": 1, "nSpkrCallProgVol": 4,
      "nSpkrCallProgDur": 0xFFFF, "nSpkrAlertSigTone": 2, "nSpkrAlertSigCad": 3, "nSpkrAlertSigMode": 1,
      "nSpkrAlertSigCycles": 255, "nKeyControl": 0x3F3F, "nTODMode": 2, "nDeviceIdleStatus": 1}
UI_MODEL = {"sDisplayLine(0)": "Line one ä", "sDisplayLine(1)": "x" * 32,
            "varLEDStates": bytes.fromhex("0303 0010 0002 0000 1000")}
CALL = {"nDeviceHandle": 3, "nAudioConnType1": 2, "nAudioDirection1": 3, "nAudioHdrBits1": 0x69,
        "nCompressionInfo1": 3, "varOtherPartyMac1": MAC_A, "nOtherPartyVDN1": 9,
        "varOtherPartyIP1": bytes(ip("198.18.0.9")), "varConfMulticastMac": MAC_B, "nMulticastHash1": 63}
MEMBERS = {"nConferenceListSize": 2, "varConfOtherMac(0)": MAC_A, "nConfOtherVDN(0)": 2, "varConfOtherMac(1)": MAC_B,
           "nConfOtherVDN(1)": 3}
PAGE = {"nDeviceHandle": 6, "nPageNoID": 2, "nAudioConnType": 1, "nAudioHdrBits": 9, "nCompressionInfo": 1,
        "nCallProgTone": 0x13, "varOtherPartyMac": MAC_A, "nOtherPartyVDN": 0x100, "varMulticastMac": MAC_B}
MULAW, IMA = codec.ulaw_encode(SAMPLE[:192]), codec.ima_encode(SAMPLE[:192])[0]
OTHER = {"revision": p.OTHER_REV}

# (class, our payload, the model's build_payload arguments)
GOLDEN = [
    ("SystemStateMsg", p.system_state(WHEN, [(0x0200, b"\x12\x34"), (0x0600, bytes(6))]),
     dict(fields={"year": 2024, "month": 2, "day": 29, "hour": 13, "minute": 45, "msInMinute": 7250},
          elements=[(0x0200, b"\x12\x34"), (0x0600, bytes(6))])),
    ("KzSetInitMsg", p.kz_set_init(INIT), dict(fields=model(INIT), length=664)),
    ("KzSetInitMsg", p.kz_set_init(INIT, p.OTHER_REV), dict(fields=model(INIT), length=174, **OTHER)),
    ("UIStateControlMsg", p.ui_state(UI, ("Line one ä", "x" * 40), LEDS),
     dict(fields=dict(UI, **UI_MODEL), length=126)),
    ("UIStateControlMsg", p.ui_state(UI, ("Line one ä", "x" * 40), LEDS, p.OTHER_REV),
     dict(fields={**UI, **UI_MODEL, "sDisplayLine(1)": "x" * 16}, length=92, **OTHER)),
    ("CallStateControlMsg", p.call_state(CALL, [(MAC_A, 2), (MAC_B, 3)]),
     dict(fields=model(dict(CALL, **MEMBERS)), length=148)),
    ("CallStateControlMsg", p.call_state(CALL, [(MAC_A, 2), (MAC_B, 3)], p.OTHER_REV),
     dict(fields=model(dict(CALL, **MEMBERS)), length=148, **OTHER)),
    ("LEDMappingMsg", p.led_mapping(4, [(0x0300, 6), (0x0400, 1)]),
     dict(fields={"nDeviceHandle": 4, "nResourceGroup(0)": 0x0300, "nUnitNo(0)": 6, "nResourceGroup(1)": 0x0400,
                  "nUnitNo(1)": 1}, length=56)),
    ("PlayDTMFMsg", p.play_dtmf(4, 0x1234, [(1, 100), (11, 80)]),
     dict(fields={"nDeviceHandle": 4, "nSequenceID": 0x1234, "varCodes": [1, 11], "varTimes": [100, 80]})),
    ("CommandMsg", p.command(4, 0x1003, 0x0202), dict(fields={"nDeviceHandle": 4, "nCommand": 0x1003,
                                                              "nQualifier": 0x0202})),
    ("SlavePageCmdMsg", p.slave_page(PAGE, {6: 1, 1: 3}),
     dict(fields=model(dict(PAGE, **{"nDevState(6)": 1, "nDevState(1)": 3})), length=52)),
    ("RealTimeAudioMsg", p.real_time_audio(2, 9, [(1, 0, 0x0102, MULAW)]),
     dict(fields={"nDestVDN": 2, "nSourceVDN": 9}, frames=[{"format": 1, "seq": 0x0102, "data": MULAW}])),
    ("RealTimeAudioMsg", p.real_time_audio(2, 9, [(3, 2, 7, IMA)]),
     dict(fields={"nDestVDN": 2, "nSourceVDN": 9}, frames=[{"format": 3, "flags": 2, "seq": 7, "data": IMA}])),
    ("ReliableAudioMsg", p.reliable_audio([(3, 0, 1, codec.ima_encode(SAMPLE)[0]), (1, 1, 2, MULAW)]),
     dict(fields={}, frames=[{"format": 3, "seq": 1, "data": codec.ima_encode(SAMPLE)[0]},
                             {"format": 1, "flags": 1, "seq": 2, "data": MULAW}])),
]


class GoldenPayloads(unittest.TestCase):
    def test_every_message_the_server_sends_matches_the_model(self):
        for i, (cls, ours, model) in enumerate(GOLDEN):
            with self.subTest(i=i, cls=cls):
                self.assertEqual(ours.hex(), jipmsg.build_payload(cls, **model).hex())


def set_message(cls, fields, devices=None):
    return jipmsg.build_payload(cls, fields, devices=devices)


GOOD_STATUS = set_message("StatusMsg", {"nDeviceHandle": 5, "nDeviceType": 512, "nDeviceLocation": 1,
                                        "nDiscoveryState": 2, "varMacAddress": list(MAC_A),
                                        "varMyIP": ip("198.18.0.1")},
                          [(0x0205, 2, 1), (0x0205, 3, 1), (0x0207, 5, 1)])
GOOD_REPORT = set_message("ReportIPInfoMsg", {"nDeviceHandle": 5, "nDeviceType": 512, "nDeviceLocation": 2,
                                              "nDiscoveryState": 2, "varMyIP": ip("198.18.0.1")})
GOOD_KEY = set_message("KzSetEventMsg", {"nDeviceHandle": 5, "nEventID": 3, "nEventInfo1": 65})
GOOD_FLOW = set_message("KzSetEventMsg", {"nDeviceHandle": 5, "nEventID": 8, "nEventInfo1": 77, "nEventInfo2": 20})
GOOD_AUDIO = p.real_time_audio(9, 2, [(1, 1, 3, bytes(192))])
EXPECT = {"handle": 5, "exact_length": True, "source_ip": "198.18.0.1", "call": {"compression": 1, "dst_vdn": 9}}
HDR_11 = {"dst_vdn": 1, "src_vdn": 1}

# (what is wrong, class, payload, header, a text the report must contain)
FAULTS = [
    ("wrong revision", "KzSetEventMsg", GOOD_KEY[:2] + b"\x80\xb2" + GOOD_KEY[4:], HDR_11, "nProtocolRevision"),
    ("wrong VDN", "ReportIPInfoMsg", GOOD_REPORT, HDR_11, "VDNs (0x0001, 0x0001), expected (0x0101, 0x0001)"),
    ("flow event VDN", "KzSetEventMsg", GOOD_FLOW, HDR_11, "VDNs"),
    ("short payload", "StatusMsg", GOOD_STATUS[:150], HDR_11, "payload 150 bytes, expected 206"),
    ("short audio", "RealTimeAudioMsg", GOOD_AUDIO[:100], {}, "payload 100 bytes"),
    ("second device handle", "StatusMsg", GOOD_STATUS[:45] + b"\x06" + GOOD_STATUS[46:], HDR_11, "@44"),
    ("device list", "StatusMsg", GOOD_STATUS[:218], HDR_11, "devices"),
    ("other handle", "KzSetEventMsg", GOOD_KEY[:5] + b"\x09" + GOOD_KEY[6:], HDR_11, "nDeviceHandle"),
    ("unknown key", "KzSetEventMsg", GOOD_KEY[:11] + b"\x30" + GOOD_KEY[12:], HDR_11, "key nEventInfo1"),
    ("own address", "StatusMsg", GOOD_STATUS[:61] + b"\x07" + GOOD_STATUS[62:], HDR_11, "varMyIP"),
    ("audio VDN", "RealTimeAudioMsg", p.real_time_audio(8, 2, [(1, 0, 3, bytes(192))]), {}, "nDestVDN"),
    ("audio format", "RealTimeAudioMsg", p.real_time_audio(9, 2, [(3, 0, 3, bytes(100))]), {}, "format"),
]


class FieldChecker(unittest.TestCase):
    def test_accepts_good_messages(self):
        for cls, payload, header in [("StatusMsg", GOOD_STATUS, HDR_11),
                                     ("ReportIPInfoMsg", GOOD_REPORT, {"dst_vdn": 0x0101, "src_vdn": 1}),
                                     ("KzSetEventMsg", GOOD_KEY, HDR_11),
                                     ("KzSetEventMsg", GOOD_FLOW, {"dst_vdn": 1, "src_vdn": 2}),
                                     ("RealTimeAudioMsg", GOOD_AUDIO, {})]:
            with self.subTest(cls=cls):
                self.assertEqual(checker.check(cls, payload, header, EXPECT), [])

    def test_reports_each_injected_fault(self):
        for what, cls, payload, header, text in FAULTS:
            with self.subTest(what):
                found = checker.check(cls, payload, header, EXPECT)
                self.assertTrue(any(text in d for d in found), found)


class Codecs(unittest.TestCase):
    def test_mu_law_expands_as_the_standard_library_and_compresses_back(self):
        every = bytes(range(256))
        expanded = codec.ulaw_decode(every)
        self.assertEqual(expanded, list(memoryview(audioop.ulaw2lin(every, 2)).cast("h")))
        again = codec.ulaw_encode(expanded)
        self.assertEqual([a for a, b in zip(again, every) if a != b], [0xFF])   # zero has two codes
        self.assertEqual(codec.ulaw_encode([32767, -32768]), b"\x80\x00")

    def test_ima_blocks_have_the_frame_sizes_and_follow_the_signal(self):
        for n, size in ((192, 100), (505, 256)):
            block, index = codec.ima_encode(SAMPLE[:n])
            self.assertEqual(len(block), size)
            back = codec.ima_decode(block, n)
            self.assertLess(max(abs(a - b) for a, b in zip(back[40:], SAMPLE[40:n])), 500)   # once adapted
            self.assertTrue(0 <= index <= 88)

    def test_the_standard_librarys_ima_decoder_reads_the_frames_as_ours_does(self):
        for n, reliable in ((192, False), (505, True)):
            block = codec.ima_encode(SAMPLE[:n])[0]
            pcm = scripted.decode_frame(3, 0, block, reliable)
            self.assertEqual(list(memoryview(pcm).cast("h")), codec.ima_decode(block, n))
        self.assertEqual(scripted.decode_frame(1, 1, bytes(192), False), bytes(384))   # muted: silence


class Peer(Station):
    def __init__(self, *a, **kw):
        super().__init__(*a, **kw)
        self.got = []

    def on_packet(self, msg):
        self.got.append(msg)


class ReliableBothWays:
    """Two stations, each sending 60 packets to the other, both connections crossing 0xFFFF."""
    wires = ()

    def test_reliable_both_ways_across_a_sequence_wrap(self):
        node = Node()
        self.addCleanup(node.close)
        a = Peer(node, node.link(self.wires[0], own=True), MAC_A, initial_connect=0xFFE0)
        b = Peer(node, node.link(self.wires[1], own=True), MAC_B, initial_connect=0xFFF0)
        a.route(MAC_B, b.ip)
        b.route(MAC_A, a.ip)
        sent = {a: [b"A%03d" % i + bytes(40) for i in range(60)], b: [b"B%03d" % i + bytes(40) for i in range(60)]}
        for st, other in ((a, b), (b, a)):
            for payload in sent[st]:
                st.send_reliable(other.mac, payload)
        self.assertTrue(node.run_until(lambda: len(a.got) == 60 and len(b.got) == 60, 20))
        self.assertEqual(([m.payload for m in b.got], [m.payload for m in a.got]), (sent[a], sent[b]))
        self.assertLess(a.conns[b.mac].last, 0x100)      # the numbers wrapped
        self.assertEqual(list(a.problems) + list(b.problems), [])

    def test_malformed_frames_are_reported_not_fatal(self):
        node = Node()
        self.addCleanup(node.close)
        a = Peer(node, node.link(self.wires[0], own=True), MAC_A)
        b = Peer(node, node.link(self.wires[1], own=True), MAC_B)
        b.route(MAC_A, a.ip)
        b.send_reliable(MAC_A, b"after")
        for junk in (b"HZ" + MAC_B + bytes(16), b"HA\x02"):
            if b.link.kind == "udp":
                b.link.send(junk, a.ip)
            elif junk[:2] == b"HZ":
                b.link.send(MAC_A + MAC_B + b"\x88\xb5" + junk)
            else:                       # maker-OUI SNAP carries no "HR"
                b.link.send(MAC_A + MAC_B + b"\x00\x20\xaa\xaa\x03\x02\x5a\x4eHR" + MAC_B + bytes(30))
        self.assertTrue(node.run_until(lambda: any(m.payload.startswith(b"after") for m in a.got), 5))
        self.assertEqual(len(a.problems), 2, list(a.problems))


class OverTheVirtualWire(ReliableBothWays, unittest.TestCase):
    wires = ("vhub:kezsim-test-%d" % os.getpid(),) * 2


@unittest.skipUnless(os.environ.get(IN_PRIVATE_NET), "runs in its own network namespace")
class OverUdp(ReliableBothWays, unittest.TestCase):
    wires = ("udp:198.18.0.1", "udp:198.18.0.2")


class UdpInPrivateNamespace(unittest.TestCase):
    """Runs OverUdp in a network namespace of its own, with 198.18.0.1 and .2 on its loopback."""

    def test_over_udp(self):
        if os.environ.get(IN_PRIVATE_NET):
            self.skipTest("already inside")
        setup = ("ip link set lo up && ip addr add 198.18.0.1/32 dev lo && ip addr add 198.18.0.2/32 dev lo && "
                 "ip route add 224.0.0.0/4 dev lo && exec \"$0\" -m unittest test_callserver.OverUdp")
        try:
            done = subprocess.run(["unshare", "--net", "--map-root-user", "sh", "-c", setup, sys.executable],
                                  cwd=HERE, env=dict(os.environ, **{IN_PRIVATE_NET: "1"}), capture_output=True,
                                  text=True, timeout=120)
        except FileNotFoundError:
            done = None
        if done is None or "unshare failed" in done.stderr or "Operation not permitted" in done.stderr:
            if REQUIRE_PRIVILEGED:
                self.fail(f"no private network namespace: {done and done.stderr}")
            self.skipTest("no private network namespace")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("OK", done.stderr)


class FakeSet(Peer):
    """A set as the server sees it: its messages built by the independent model."""
    handle = -1

    def status(self):
        self.send_unreliable("HU", station.UNBOUND_SERVER_MAC, set_message(
            "StatusMsg", {"nDeviceHandle": self.handle, "nDeviceType": 512, "nDeviceLocation": 1,
                          "varMacAddress": list(self.mac)}, [(0x0205, 2, 1), (0x0205, 3, 1), (0x0207, 5, 1)]))

    def send(self, cls, fields, vdns=(1, 1)):
        self.send_reliable(self.server, set_message(cls, dict(fields, nDeviceHandle=self.handle)), *vdns)

    def key(self, key):
        self.send("KzSetEventMsg", {"nEventID": 3, "nEventInfo1": key})

    def next(self, cls, timeout=5.0):
        """The next message of `cls` from the server, decoded by the model."""
        ptype, mt = jipmsg.CLASSES[cls]

        def find():
            for m in self.got:
                if m.ptype == ptype and (mt is None or m.payload[:2] == mt.to_bytes(2, "big")):
                    self.got.remove(m)
                    return m
        found = []
        self.node.run_until(lambda: found.append(find()) or found[-1] is not None, timeout)
        m = found[-1] if found else None
        return (m, jipmsg.decode(cls, m.payload)) if m else (None, {})

    def come_up(self):
        self.status()
        init, fields = self.next("KzSetInitMsg", 10)
        self.server, self.handle = init.peer, fields["nDeviceHandle"]
        self.send("ReportIPInfoMsg", {"nDeviceType": 512, "nDeviceLocation": 1, "nDiscoveryState": 2}, (0x0101, 1))

    def line(self):
        _, ui = self.next("UIStateControlMsg")
        return ui.get("sDisplayLine(1)"), ui.get("nSpkrCallProgTone"), ui.get("nSpkrAlertSigMode")


def copy_for_nobody(folder):
    """The simulator and the peers it imports, where the user nobody can read them."""
    for part in ("callserver", "peers/j5wire", "peers/j5peer"):
        shutil.copytree(os.path.join(HERE, "..", part), os.path.join(folder, part),
                        ignore=shutil.ignore_patterns("__pycache__", "test_*"))
    os.chmod(folder, 0o755)
    return os.path.join(folder, "callserver", "kezsim")


@contextlib.contextmanager
def attaching_as(user):
    """A virtual wire is one user's: root's sets attach to nobody's wire as nobody (the
    connected sockets stay theirs afterwards)."""
    if user is None:
        yield
        return
    runtime = os.environ.pop("XDG_RUNTIME_DIR", None)
    os.setegid(user.pw_gid)
    os.seteuid(user.pw_uid)
    try:
        yield
    finally:
        os.seteuid(0)
        os.setegid(0)
        if runtime is not None:
            os.environ["XDG_RUNTIME_DIR"] = runtime


class InteractiveMode(unittest.TestCase):
    """kezsim serve on the virtual wire, run as a normal user, with two sets."""

    def setUp(self):
        wire = "kezsim-serve-%d" % os.getpid()
        argv = [sys.executable, os.path.join(HERE, "kezsim"), "--wire", "vhub:" + wire, "--ext", "201,202"]
        env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
        user = None
        if os.geteuid() == 0:
            env.pop("XDG_RUNTIME_DIR", None)
            folder = tempfile.mkdtemp(prefix="kezsim-")
            self.addCleanup(shutil.rmtree, folder)
            user = pwd.getpwnam("nobody")
            argv[1] = copy_for_nobody(folder)
            argv = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups"] + argv
        self.sim = subprocess.Popen(argv, stdout=subprocess.PIPE, text=True, env=env)
        self.addCleanup(self.sim.wait, 10)
        self.addCleanup(self.sim.terminate)
        self.assertIn("call server", self.sim.stdout.readline())
        self.node = Node()
        self.addCleanup(self.node.close)
        with attaching_as(user):
            links = [self.node.link("vhub:" + wire, own=True) for _ in range(2)]
        self.a = FakeSet(self.node, links[0], MAC_A)
        self.b = FakeSet(self.node, links[1], MAC_B)

    def test_calls_between_extensions_and_to_the_echo_line(self):
        a, b = self.a, self.b
        for st, ext in ((a, "Ext 201"), (b, "Ext 202")):
            st.come_up()
            self.assertEqual(st.line(), (ext, 255, 0))
        a.key(17)
        self.assertEqual(a.line(), ("Dial", 0, 0))
        a.key(5)
        self.assertEqual(a.line(), ("5 unknown", 1, 0))
        a.key(17)
        a.line()
        for k in (65, 2, 0):
            a.key(k)
            a.line()
        a.key(2)
        self.assertEqual(a.line()[:2], ("Calling 202", 3))
        self.assertEqual(b.line(), ("Call from 201", 255, 1))
        b.key(17)
        for me, other in ((a, b), (b, a)):
            _, call = me.next("CallStateControlMsg")
            self.assertEqual((call["varOtherPartyMac1"], call["nOtherPartyVDN1"], call["nAudioDirection1"]),
                             (list(other.mac), 2, 3))
        a.key(17)
        self.assertEqual(b.next("CallStateControlMsg")[1]["nAudioConnType1"], 0)
        b.key(17)
        b.key(17)
        b.key(9)
        _, call = b.next("CallStateControlMsg")
        b.send_unreliable("HA", b.server, jipmsg.build_payload(
            "RealTimeAudioMsg", {"nDestVDN": call["nOtherPartyVDN1"], "nSourceVDN": 2},
            frames=[{"format": 1, "seq": 7, "data": bytes(range(192))}]))
        sent = time.monotonic()
        echo, audio = b.next("RealTimeAudioMsg")
        self.assertGreater(time.monotonic() - sent, 0.4)
        self.assertEqual((audio["nSourceVDN"], audio["nFrameSeq(0)"], audio["varAudioData(0)"]),
                         (call["nOtherPartyVDN1"], 7, list(range(192))))
        self.sim.terminate()
        log = self.sim.communicate(timeout=10)[0]
        for text in ("ext 201 (02:00:00:00:0a:01): in service", "does not exist: busy tone", "calling ext 202",
                     "answered ext 201: two-way audio", "ext 201 hung up", "echo line"):
            self.assertIn(text, log)
        self.assertNotIn("field check", log)


class ReliableAudioStream(unittest.TestCase):
    def test_stops_at_event_8_and_goes_on_at_9(self):
        node = Node()
        self.addCleanup(node.close)
        wire = "vhub:kezsim-flow-%d" % os.getpid()
        srv = CallServer(node, node.link(wire, own=True), MAC_A, system_state_period=0)
        st = FakeSet(node, node.link(wire, own=True), MAC_B)
        st.come_up()
        stream = srv.stream(srv.wait_ready(5), reliable=True, fmt=3, frames=100)
        seqs = lambda: [f["seq"] for m in st.got if m.payload[:2] == b"\x00\x83"
                        for f in p.decode("ReliableAudioMsg", m.payload)["frames"]]
        node.run_until(lambda: seqs(), 5)
        st.send("KzSetEventMsg", {"nEventID": 8, "nEventInfo1": 1, "nEventInfo2": 20}, (1, 2))
        node.run_for(0.3)
        paused = len(seqs())
        node.run_for(0.3)
        self.assertEqual(len(seqs()), paused)
        self.assertLess(paused, 100)
        st.send("KzSetEventMsg", {"nEventID": 9, "nEventInfo1": 1, "nEventInfo2": 20}, (1, 2))
        self.assertTrue(node.run_until(lambda: len(seqs()) == 100, 5))
        self.assertEqual((seqs(), stream.done), (list(range(1, 101)), True))
        srv.expect_clean()


class ManyServers(unittest.TestCase):
    def test_25_servers_announce_on_one_wire(self):
        node = Node()
        self.addCleanup(node.close)
        wire = "vhub:kezsim-many-%d" % os.getpid()
        for i in range(25):
            CallServer(node, node.link(wire), bytes([2, 0x53, 0, 0, 0, i]), system_state_period=0.2,
                       adopt=False).start()
        ear = Peer(node, node.link(wire, own=True), MAC_A)
        heard = lambda: {m.peer for m in ear.got if m.payload[:2] == b"\x00\x01"}
        self.assertTrue(node.run_until(lambda: len(heard()) == 25, 5))


if __name__ == "__main__":
    unittest.main()
