"""Self-test of the scripted J5 peer, its scenarios and the lossy relay.

Run: /usr/bin/python3 -m unittest -v test_j5peer   (from this folder)
Pure-logic tests always run. The network tests need root (namespaces, veth,
raw sockets): they skip otherwise, unless KEZ_REQUIRE_PRIVILEGED=1 (then fail).
They use only namespaces they create, addresses in 198.18.0.0/15, and names
unique to this process; everything is removed even on failure.
"""

import json
import os
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peer as pr  # noqa: E402
import scenarios as sc  # noqa: E402
from peer import w  # noqa: E402

PY = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
STACK = "02:00:00:00:00:01"
PEER = "02:00:00:00:00:02"


def h(text):
    return bytes.fromhex("".join(text.split()))


def pad(frame):
    return frame + bytes(max(0, 60 - len(frame)))


ETH_TO_STACK = "02 00 00 00 00 01  02 00 00 00 00 02  88 b5"
ETH_TO_PEER = "02 00 00 00 00 02  02 00 00 00 00 01  88 b5"


def hi_frame(seq_hex, tx="00 09"):
    return pad(h(ETH_TO_STACK + "48 49  02 00 00 00 00 02" + seq_hex + "00 01 00 02 00 00" + tx
                 + "00 00 00 00"))


def hr_frame(seq_hex, rx="00 00", data="aa bb cc dd" * 8):
    return pad(h(ETH_TO_STACK + "48 52  02 00 00 00 00 02" + seq_hex + "00 03 00 02" + rx + "00 09"
                 + data))


class ReceiveRulesTest(unittest.TestCase):
    """The receiving side against frames written out by hand."""

    def setUp(self):
        self.rules = pr.ReceiveRules(STACK, capacity=4)
        self.t = 100.0

    def feed(self, frame):
        self.t += 0.01
        outs, delivered = self.rules.handle(w.parse_frame(frame), self.t)
        return [o.wire(w.mac_bytes(STACK)) for o in outs], delivered

    def test_connect_then_5_5_7_6(self):
        hy = pad(h(ETH_TO_PEER + "48 59  02 00 00 00 00 01  00 04  00 02 00 01  00 09 00 00  00 01"))
        self.assertEqual(self.feed(hi_frame("00 04")), ([hy], []))
        hh5 = pad(h(ETH_TO_PEER + "48 48  02 00 00 00 00 01  00 05  00 02 00 01  00 09 00 00"))
        hh6 = pad(h(ETH_TO_PEER + "48 48  02 00 00 00 00 01  00 06  00 02 00 01  00 09 00 00"))
        out, got = self.feed(hr_frame("00 05", data="05" * 32))
        self.assertEqual((out, got), ([hh5], [bytes([5]) * 32]))
        self.assertEqual(self.feed(hr_frame("00 05", data="05" * 32)), ([hh5], []))   # repeat
        self.assertEqual(self.feed(hr_frame("00 07", data="07" * 32)), ([], []))      # gap
        self.assertEqual(self.feed(hr_frame("00 06", data="06" * 32)), ([hh6], [bytes([6]) * 32]))
        self.assertEqual(self.feed(hr_frame("00 05")), ([], []))                     # old
        # the same connect number again: "HY" 0x0002, the expected number stays
        hy2 = pad(h(ETH_TO_PEER + "48 59  02 00 00 00 00 01  00 04  00 02 00 01  00 09 00 00  00 02"))
        self.assertEqual(self.feed(hi_frame("00 04")), ([hy2], []))
        self.assertEqual(self.feed(hr_frame("00 07", data="07" * 32))[1], [bytes([7]) * 32])

    def test_hr_without_connection_gets_he_8002(self):
        he = pad(h(ETH_TO_PEER + "48 45  02 00 00 00 00 01  12 34  00 02 00 01  00 09 ff ff  80 02"))
        self.assertEqual(self.feed(hr_frame("12 34")), ([he], []))
        self.assertEqual(self.rules.slots, [None] * 4)      # no connection made

    def test_new_connect_number_reopens_and_wraps(self):
        self.feed(hi_frame("00 04"))
        self.feed(hr_frame("00 05"))
        out, _ = self.feed(hi_frame("ff fe"))
        self.assertEqual(out[0][-46 + 18:-46 + 20], b"\x00\x01")   # opened anew
        for seq in ("ff ff", "00 00"):
            out, got = self.feed(hr_frame(seq))
            self.assertEqual(len(got), 1, seq)
            self.assertEqual(out[0][14:16], b"HH")
            self.assertEqual(out[0][22:24], h(seq))
        self.assertEqual(self.feed(hr_frame("00 00"))[0][0][22:24], h("00 00"))  # repeat acked
        self.assertEqual(self.feed(hr_frame("ff ff")), ([], []))              # older: dropped

    def test_not_open_connection_answers_he_and_takes_the_number(self):
        conn, _ = self.rules.create(w.mac_bytes(PEER), 0x0011, self.t, pinned=True)
        self.assertEqual(conn.state, 1)
        he = pad(h(ETH_TO_PEER + "48 45  02 00 00 00 00 01  02 00  00 02 00 01  00 00 00 00  80 02"))
        self.assertEqual(self.feed(hr_frame("02 00")), ([he], []))
        self.assertEqual(conn.expected, 0x0200)

    def test_tagged_path_answers_tagged(self):
        tagged_hi = h("02 00 00 00 00 01  02 00 00 00 00 02  81 00 a0 05  88 b5"
                      "48 49  02 00 00 00 00 02  00 04  00 01 00 02  00 00 00 09  00 00 00 00")
        out, _ = self.feed(pad(tagged_hi))
        self.assertEqual(out, [pad(h("02 00 00 00 00 02  02 00 00 00 00 01  81 00 c0 05  88 b5"
                                     "48 59  02 00 00 00 00 01  00 04  00 02 00 01  00 09 00 00"
                                     "00 01"))])

    def test_eviction_and_no_room(self):
        macs = [f"02:00:00:00:01:{i:02x}" for i in range(6)]
        rules = pr.ReceiveRules(STACK, capacity=3)
        for i in range(3):
            pkt = w.parse_frame(w.build("HI", 0x0013, STACK, macs[i], bytes(4), seq=10 + i,
                                        src_vdn=1, tx_index=40 + i, tag=7))
            rules.handle(pkt, 1.0 + i)
        rules.handle(w.parse_frame(w.build("HR", 0x0011, STACK, macs[0], b"x" * 30, seq=11,
                                           rx_index=0, tx_index=40)), 4.0)
        pkt = w.parse_frame(w.build("HI", 0x0011, STACK, macs[3], bytes(4), seq=99, src_vdn=1,
                                    tx_index=43))
        outs, _ = rules.handle(pkt, 5.0)
        self.assertEqual([o.ptype for o in outs], ["HE", "HY"])
        # to station 1 (the least recently active), untagged although it came tagged
        self.assertEqual(outs[0].wire(w.mac_bytes(STACK)),
                         pad(h("02 00 00 00 01 01  02 00 00 00 00 01  88 b5  48 45  02 00 00 00 00 01"
                               "00 0c  00 01 00 01  00 29 00 01  80 04")))
        self.assertEqual(outs[1].tx_index, 1)           # the freed slot is taken
        for slot in rules.slots:
            slot.pinned = True
        pkt = w.parse_frame(w.build("HI", 0x0011, STACK, macs[4], bytes(4), seq=7, src_vdn=5,
                                    tx_index=44))
        outs, _ = rules.handle(pkt, 6.0)
        self.assertEqual(outs[0].wire(w.mac_bytes(STACK)),
                         pad(h("02 00 00 00 01 04  02 00 00 00 00 01  88 b5  48 45  02 00 00 00 00 01"
                               "00 07  00 05 00 01  00 2c ff ff  80 03")))


def parsed(out, src=STACK):
    return w.parse_frame(out.wire(w.mac_bytes(src)))


class SendConnTest(unittest.TestCase):
    """The sending side with a fake clock; the "stack" is a ReceiveRules model."""

    def setUp(self):
        self.c = pr.SendConn(PEER, STACK, own_index=3, initial_connect=0x2000)
        self.rx = pr.ReceiveRules(STACK, capacity=4, first_index=2)

    def answer(self, outs, now):
        replies = []
        for o in outs:
            r, _ = self.rx.handle(parsed(o, PEER), now)
            replies += r
        nxt = []
        for r in replies:
            nxt += self.c.on_packet(parsed(r), now)
        return nxt

    def test_connect_send_ack(self):
        outs = self.c.send(b"a" * 30, 0.0)
        self.assertEqual([(o.ptype, o.seq, o.tx_index) for o in outs], [("HI", 0x2000, 3)])
        self.assertEqual(self.c.send(b"b" * 30, 0.0), [])        # waits behind the "HI"
        outs = self.answer(outs, 0.01)
        self.assertEqual([(o.ptype, o.seq, o.rx_index) for o in outs], [("HR", 0x2001, 2)])
        outs = self.answer(outs, 0.02)
        self.assertEqual([(o.ptype, o.seq) for o in outs], [("HR", 0x2002)])
        self.assertEqual(self.answer(outs, 0.03), [])
        self.assertEqual(self.c.acked, [b"a" * 30, b"b" * 30])

    def test_hy_repeated_on_initial_number_renumbers_once(self):
        hi = self.c.send(b"a" * 30, 0.0)[0]
        hy = pr.Out("HY", w.mac_bytes(PEER), payload=b"\x00\x02", seq=0x2000, tx_index=1)
        outs = self.c.on_packet(parsed(hy), 0.01)
        self.assertEqual([(o.ptype, o.seq) for o in outs], [("HI", 0x2001)])
        self.assertIs(outs[0], hi)
        hy.seq = 0x2001
        outs = self.c.on_packet(parsed(hy), 0.02)    # not the initial number: opens
        self.assertEqual([(o.ptype, o.seq) for o in outs], [("HR", 0x2002)])

    def test_retransmission_schedule_and_give_up(self):
        outs = self.answer(self.c.send(b"a" * 30, 0.0), 0.0)
        ms, times = 0, []
        while self.c.state == 3 and ms < 10000:
            ms += 1
            if self.c.poll(ms / 1000):
                times.append(ms)
        gaps = [b - a for a, b in zip([0] + times, times)]
        want = [161, 161, 161] + [251] * 7
        self.assertTrue(all(abs(g - x) <= 1 for g, x in zip(gaps, want)) and len(gaps) == 10, gaps)
        self.assertLessEqual(abs(ms - times[-1] - 251), 1)      # gives up one wait later
        self.assertEqual(self.c.state, 4)
        self.assertEqual(self.c.failed, [b"a" * 30])
        self.assertTrue(outs)

    def test_large_packets_wait_twice_as_long(self):
        self.answer(self.c.send(b"L" * 400, 0.0), 0.0)
        self.assertEqual(self.c.deadline(), 0.32)

    def test_he_8002_reconnects_with_held_packets_in_order(self):
        outs = self.answer(self.c.send(b"0" * 30, 0.0), 0.0)
        for i in range(1, 4):
            self.c.send(bytes([48 + i]) * 30, 0.0)
        he = pr.Out("HE", w.mac_bytes(PEER), payload=b"\x80\x02", seq=outs[0].seq, rx_index=3,
                    tx_index=0xFFFF)
        self.assertEqual(self.c.on_packet(parsed(he), 0.1)[0].ptype, "HI")
        self.assertEqual(self.c.connect, 0x2001)
        self.assertEqual([e.out.payload[0] for e in self.c.window if not e.is_hi], [48, 49, 50, 51])

    def test_hh_with_another_sequence_is_ignored(self):
        outs = self.answer(self.c.send(b"a" * 30, 0.0), 0.0)
        hh = pr.Out("HH", w.mac_bytes(PEER), seq=u(outs[0].seq + 1))
        self.assertEqual(self.c.on_packet(parsed(hh), 0.01), [])
        self.assertEqual(len(self.c.window), 1)


def u(x):
    return x & 0xFFFF


class VerdictTest(unittest.TestCase):
    def test_schedule_check_catches_a_short_gap(self):
        class A:
            margin_ms = 100
        ctx = type("C", (), {})()
        ctx.args, ctx.v, ctx.start = A(), sc.Verdict("x"), 0.0
        ctx.rel = lambda ts: ts
        good = [0.0]
        for r in range(10):
            good.append(good[-1] + pr.schedule_ms(r) / 1000 + 0.02)
        sc.check_schedule(ctx, [(t, b"x") for t in good], "HR", False)
        self.assertEqual(ctx.v.failures, 0, ctx.v.details)
        bad = list(good)
        bad[4] = bad[3] + 0.1
        sc.check_schedule(ctx, [(t, b"x") for t in bad], "HR", False)
        self.assertGreater(ctx.v.failures, 0)

    def test_pattern(self):
        self.assertEqual(pr.pattern(1, 8), h("00 00 00 01 05 06 07 08"))
        self.assertEqual(pr.pattern_index(pr.pattern(77)), 77)


# --- network tests ----------------------------------------------------------------

def _privileged_ok():
    return os.geteuid() == 0 and shutil.which("ip") is not None


def _skip_or_fail(test):
    if os.environ.get("KEZ_REQUIRE_PRIVILEGED") == "1":
        test.fail("root and iproute2 are required (KEZ_REQUIRE_PRIVILEGED=1)")
    test.skipTest("needs root and iproute2")


def run(*cmd, check=True):
    return subprocess.run(cmd, check=check, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, timeout=20)


class Net:
    """Namespaces A, R, B; veth A<->R(a) and R(b)<->B, plus a direct veth A2<->B2."""

    def __init__(self):
        tag = f"{os.getpid() % 100000}"
        self.ns = {k: f"kzj5p{tag}{k}" for k in "arb"}
        self.ifs = {"a": f"j5a{tag}", "ra": f"j5ra{tag}", "rb": f"j5rb{tag}", "b": f"j5b{tag}",
                    "a2": f"j5c{tag}", "b2": f"j5d{tag}"}
        self.macs = {"a": "02:00:00:00:0a:01", "b": "02:00:00:00:0b:01",
                     "a2": "02:00:00:00:0c:01", "b2": "02:00:00:00:0d:01"}
        self.ips = {"a": "198.18.1.1", "ra": "198.18.1.2", "rb": "198.18.2.2", "b": "198.18.2.1",
                    "a2": "198.18.3.1", "b2": "198.18.3.2"}
        self.procs = []

    def up(self):
        for ns in self.ns.values():
            run("ip", "netns", "add", ns)
            for key in ("all", "default"):
                run("ip", "netns", "exec", ns, "sysctl", "-qw",
                    f"net.ipv6.conf.{key}.disable_ipv6=1", check=False)
            run("ip", "-n", ns, "link", "set", "lo", "up")
        pairs = (("a", "a", "ra", "r"), ("r", "rb", "b", "b"), ("a", "a2", "b2", "b"))
        for ns1, if1, if2, ns2 in pairs:
            run("ip", "-n", self.ns[ns1], "link", "add", self.ifs[if1], "type", "veth", "peer",
                "name", self.ifs[if2], "netns", self.ns[ns2])
        where = {"a": "a", "ra": "r", "rb": "r", "b": "b", "a2": "a", "b2": "b"}
        for key, nsk in where.items():
            ns, ifn = self.ns[nsk], self.ifs[key]
            if key in self.macs:
                run("ip", "-n", ns, "link", "set", ifn, "address", self.macs[key])
            run("ip", "-n", ns, "addr", "add", self.ips[key] + "/24", "dev", ifn)
            run("ip", "-n", ns, "link", "set", ifn, "up")

    def down(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait(5)
        for ns in self.ns.values():
            run("ip", "netns", "del", ns, check=False)

    def spawn(self, nsk, script, *args):
        p = subprocess.Popen(["ip", "netns", "exec", self.ns[nsk], PY, os.path.join(HERE, script),
                              *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                             env=dict(os.environ, PYTHONDONTWRITEBYTECODE="1"))
        self.procs.append(p)
        line = p.stdout.readline().strip()
        if line != "READY":
            p.kill()
            raise AssertionError(f"{script} did not start: {line} {p.stderr.read()[-2000:]}")
        return p

    @staticmethod
    def result(p, timeout=90):
        out, err = p.communicate(timeout=timeout)
        lines = [x for x in out.splitlines() if x.strip()]
        if not lines:
            raise AssertionError(f"no result; stderr: {err[-3000:]}")
        try:
            return json.loads(lines[-1])
        except ValueError:
            raise AssertionError(f"bad result {lines[-1]!r}; stderr: {err[-3000:]}")


class NetTestBase(unittest.TestCase):
    def setUp(self):
        if not _privileged_ok():
            _skip_or_fail(self)
        self.net = Net()
        self.addCleanup(self.net.down)
        self.net.up()


class RelayTest(NetTestBase):
    """Two peers exchange reliable packets through the lossy relay: exactly once, in order."""

    def relay(self, *extra):
        return self.net.spawn("r", "relay.py", "--drop", "0.1", "--dup", "0.1", "--reorder", "0.1",
                              "--hold-ms", "20", "--delay-ms", "3", "--delay-rate", "0.3",
                              "--seed", "7", "--duration", "40", *extra)

    def exchange(self, relay_args, recv_link, send_link, count):
        n = self.net
        relay = self.relay(*relay_args)
        recv = n.spawn("b", "peer.py", "receive", *recv_link, "--mac", n.macs["b"],
                       "--count", str(count), "--linger", "0.5", "--duration", "35")
        send = n.spawn("a", "peer.py", "send", *send_link, "--mac", n.macs["a"], "--peer-mac",
                       n.macs["b"], "--count", str(count), "--timeout-scale", "0.25",
                       "--duration", "30")
        sres = n.result(send)
        rres = n.result(recv)
        relay.terminate()
        counters = n.result(relay)
        self.assertTrue(sres["ok"], sres)
        self.assertTrue(rres["ok"], rres)
        self.assertEqual(rres["delivered"], count)
        self.assertGreater(counters["dropped"], 0, counters)
        self.assertGreater(counters["duplicated"], 0, counters)
        self.assertGreater(counters["reordered"], 0, counters)
        self.assertGreater(sres["retransmissions"], 0, sres)
        return sres, rres, counters

    def test_500_packets_over_ethernet(self):
        n = self.net
        self.exchange(["--iface-a", n.ifs["ra"], "--iface-b", n.ifs["rb"]],
                      ["--iface", n.ifs["b"]], ["--iface", n.ifs["a"]], 500)

    def test_200_packets_over_udp(self):
        n = self.net
        self.exchange(["--udp-a", n.ips["ra"], n.ips["a"], "--udp-b", n.ips["rb"], n.ips["b"]],
                      ["--udp", n.ips["b"], n.ips["rb"]], ["--udp", n.ips["a"], n.ips["ra"]], 200)


class ScenarioTest(NetTestBase):
    """The scenarios against peers that play the stack, on the direct veth pair."""

    def scenario(self, name, stand_in, *extra, udp=False):
        n = self.net
        if udp:
            link_s, link_p = ["--udp", n.ips["a2"], n.ips["b2"]], ["--udp", n.ips["b2"], n.ips["a2"]]
        else:
            link_s, link_p = ["--iface", n.ifs["a2"]], ["--iface", n.ifs["b2"]]
        def start_scenario():
            return n.spawn("b", "scenarios.py", name, *link_p, "--peer-mac", n.macs["b2"],
                           "--stack-mac", n.macs["a2"], "--timeout", "30", *extra)

        def start_stack():
            return n.spawn("a", "peer.py", *stand_in, *link_s, "--mac", n.macs["a2"],
                           "--peer-mac", n.macs["b2"], "--duration", "30")
        # as in the contract: the stack listens before the peer sends, and the
        # peer listens before the stack sends
        if stand_in[0] == "receive":
            stack = start_stack()
            scen = start_scenario()
        else:
            scen = start_scenario()
            stack = start_stack()
        res = n.result(scen)
        stack.terminate()
        n.result(stack)
        return res

    SENDER = ("send", "--dst-vdn", "2", "--src-vdn", "3")

    def test_connect(self):
        res = self.scenario("connect", self.SENDER + ("--count", "3"))
        self.assertTrue(res["ok"], res)

    def test_connect_repeat_twice(self):
        res = self.scenario("connect-repeat-twice", self.SENDER + ("--count", "3"))
        self.assertTrue(res["ok"], res)

    def test_stream_with_lost_and_duplicated_acks(self):
        res = self.scenario("stream", self.SENDER + ("--count", "60"), "--count", "60")
        self.assertTrue(res["ok"], res)
        self.assertGreater(res["retransmissions"], 0, res)

    def test_error_to_the_packet_in_flight(self):
        res = self.scenario("error-inflight", self.SENDER + ("--count", "5"))
        self.assertTrue(res["ok"], res)

    def test_silent_hi_schedule(self):
        res = self.scenario("silent-hi", self.SENDER + ("--count", "1"), "--quiet", "1.0")
        self.assertTrue(res["ok"], res)
        self.assertEqual(len(res["copy_times_ms"]), 11)

    def test_a_wrong_stand_in_is_caught(self):
        # a sender that retransmits too early must fail the schedule check
        res = self.scenario("silent-hi", self.SENDER + ("--count", "1", "--timeout-scale", "0.5"),
                            "--quiet", "0.5")
        self.assertFalse(res["ok"], res)

    def test_receive(self):
        res = self.scenario("receive", ("receive", "--count", "0", "--echo", "--first-index", "0"),
                            "--count", "40")
        self.assertTrue(res["ok"], res)
        self.assertGreater(len(res["expected_deliveries"]), 10)

    def test_receive_udp(self):
        res = self.scenario("receive", ("receive", "--count", "0", "--echo", "--first-index", "0"),
                            "--count", "20", udp=True)
        self.assertTrue(res["ok"], res)

    def test_evict(self):
        res = self.scenario("evict", ("receive", "--count", "0", "--echo", "--first-index", "0",
                                      "--capacity", "4"), "--connections", "4")
        self.assertTrue(res["ok"], res)

    def test_receive_catches_a_wrong_index(self):
        res = self.scenario("receive", ("receive", "--count", "0", "--echo", "--first-index", "3"),
                            "--count", "5")
        self.assertFalse(res["ok"], res)


if __name__ == "__main__":
    unittest.main()
