#!/usr/bin/python3
"""Scripted J5 peer scenarios against the stack under test.

Usage:
  scenarios.py <scenario> --iface IF --peer-mac M --stack-mac M [--vdn N] [--stack-vdn N]
               [--count N] [--length L] [--seed S] [--framing plain|8021q|snap] [--vlan V]
               [--udp LOCAL_IP STACK_IP] [--connections N] [--json-out FILE] [--pcap FILE]
               [--timeout S] [--margin-ms MS] [--ack-loss P] [--ack-dup P] [--cause C]

CONTRACT WITH THE STACK'S TEST (the test is the stack's user)
  Setup. The test owns the namespaces: the stack on one end of a veth pair, this
  peer inside the other namespace (ip netns exec NS /usr/bin/python3 scenarios.py ...),
  on interface IF whose MAC should be --peer-mac (the peer also takes frames for
  other MACs; the evict/no-room scenarios play --peer-mac + i, i = 0..N, by
  adding i to the last byte). --stack-mac is the stack's own MAC: the J5 sender
  MAC and the Ethernet source of everything the stack sends. With --udp the
  peer binds LOCAL_IP:47093 and talks to STACK_IP:47093 instead of IF.
  Use a fresh, started interface per scenario.
  Start. The peer prints the line READY on stdout once its socket is open;
  the test sends nothing before that. The last stdout line is the verdict
  {"ok": bool, "details": [...], ...} (also written to --json-out); exit
  0 = pass, 1 = fail, 2 = usage error. Failed checks are the details that
  start with "FAIL".
  Payloads. Test packet i (0-based) has --length L bytes (default 32, at least
  28 so that no Ethernet padding joins the payload): i as 4 bytes big-endian,
  then bytes (i + k) & 0xFF for k = 4 .. L-1.
  Bitmap. 0x0011 (plain), 0x0013 (--framing 8021q, tag = --vlan), 0x0015 (snap),
  0x0071 with STACK's peer IP (--udp).

  The stack sends (peer = receiving side). The test calls J5IntrinsicSend
  ("HR", dest MAC = --peer-mac, destVdn = --vdn (2), srcVdn = --stack-vdn (3),
  pattern payloads, the bitmap above) for packets 0 .. N-1 in order, as fast as
  it likes; on 0x8800 (window full) it sleeps ~5 ms and calls again.
    connect               N = --count (3). Peer answers "HY" 0x0001, acks all.
    connect-repeat        as connect; the first "HI" gets "HY" 0x0002: expects
                          a new "HI" with the next number, then opens.
    connect-repeat-twice  two "HY" 0x0002: the second opens the connection.
    stream                N = --count (200); the peer loses (--ack-loss 0.2) and
                          duplicates (--ack-dup 0.1) its "HH"s, seeded.
    silent                N = 2: packet 0 at once; packet 1 four seconds after
                          packet 0 (eight when L >= 316). Peer opens the
                          connection and never acknowledges packet 0: checks
                          the 11 copies against the schedule, that nothing more
                          comes, then a new "HI" (number + 1) and packet 1.
    silent-hi             N = 1. Peer answers nothing: the 11 "HI" copies
                          against the schedule, then nothing for --quiet s.
    error-inflight        N = --count (5), sent back to back. Peer answers the
                          first "HR" with "HE" --cause (0x8002): expects a new
                          "HI", then all N packets in their order. For 0x8003 /
                          0x8004: nothing more may come.
  The stack receives (peer = sending side). The test keeps the interface open,
  reads with J5ReceiveObj and, for every "HR" it gets, sends back at once one
  "HU" (J5Send, same bitmap as above, to the "HR"'s sender MAC from header
  bytes 2..7) carrying the first L bytes of the received payload; frees all.
    receive               seeded script of --count (60) random steps plus fixed
                          ones: "HR" before "HI", "HI" and its repeat, in-order,
                          repeated, gapped, old and reordered "HR"s, a new connect,
                          sequence wrap 0xFFFF -> 0. Every "HH"/"HY"/"HE" is
                          compared byte by byte; echoes must match the
                          deliveries in order.
    evict                 interface configured with --connections N (4). Peer
                          opens N+1 connections from N+1 MACs: expects "HE"
                          0x8004 to the least recently active one (untagged),
                          and "HE" 0x8002 for its next "HR".
    no-room               configured with N connections and, before the peer
                          starts, the test pins receive connections
                          (J5SetChannelParameters type 1, flags 2, pinned 1) for
                          --peer-mac + 0 .. N-1 in that order. Expects "HE"
                          0x8003 for a further station's "HI", "HE" 0x8002 for an
                          "HR" to a pinned, unopened connection, then a normal
                          connect on it.
    udp-flood             --count (900) "HI" by UDP from made-up stations i
                          (send index i), in bursts of 25: expects one answer
                          each, "HE" 0x8004 notices by UDP carrying the evicted
                          station's index and connect number + 1, and no J5
                          frame on IF (--iface and --udp both). Each burst waits for its answers.
"""

from __future__ import annotations

import argparse
import collections
import json
import os
import random
import select
import struct
import sys
import time
from typing import Dict, List, Optional

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peer as pr  # noqa: E402
from peer import Out, u16, w  # noqa: E402
import link as lk  # noqa: E402

FRAMING_BITMAP = {"plain": 0x0011, "8021q": 0x0013, "snap": 0x0015}
PEER_INDEX_FIRST = 5      # our receive slots start here, so a wrong index shows
PEER_SEND_INDEX = 9       # our send-connection index (word 16 of our "HI")
LOW_TOL_MS = 30           # a copy may be read this much early: a late read of the copy before shortens the gap


def mac_plus(mac: bytes, i: int) -> bytes:
    return mac[:5] + bytes([(mac[5] + i) & 0xFF])


class Verdict:
    def __init__(self, scenario: str):
        self.scenario = scenario
        self.details: List[str] = []
        self.failures = 0
        self.extra: Dict[str, object] = {}

    def note(self, msg: str) -> None:
        self.details.append(msg)

    def fail(self, msg: str) -> None:
        self.failures += 1
        if self.failures <= 40:
            self.details.append("FAIL " + msg)

    def check(self, cond: bool, msg: str) -> bool:
        if not cond:
            self.fail(msg)
        return cond

    def result(self) -> dict:
        out = {"ok": self.failures == 0, "scenario": self.scenario, "failures": self.failures,
               "details": self.details}
        out.update(self.extra)
        return out


class Ctx:
    def __init__(self, args):
        self.args = args
        self.v = Verdict(args.scenario)
        self.peer_mac = w.mac_bytes(args.peer_mac)
        self.stack_mac = w.mac_bytes(args.stack_mac)
        if args.udp:
            self.link = lk.UdpLink(args.udp[0], args.udp[1])
            self.bitmap = 0x0071
            self.addr = (args.udp[1], w.UDP_PORT)
        else:
            self.link = lk.RawLink(args.iface)
            self.bitmap = FRAMING_BITMAP[args.framing]
            self.addr = None
        extra = [mac_plus(self.peer_mac, i) for i in range(1, args.connections + 2)]
        self.st = pr.Station(self.link, self.peer_mac, extra)
        self.tagged = w.choose_framing(self.bitmap) in w.TAGGED_FRAMINGS
        self.start = time.monotonic()
        self.deadline = self.start + args.timeout

    def rel(self, ts: float) -> float:
        return round((ts - self.start) * 1000, 1)

    def payload(self, i: int) -> bytes:
        return pr.pattern(i, self.args.length)

    def check_framing(self, ev, ptype: str) -> None:
        """Link-level checks of a frame from the stack."""
        v, pkt = self.v, ev.pkt
        if self.link.kind == "udp":
            return
        v.check(pkt.src_mac == self.stack_mac,
                f"{ptype} Ethernet source {w.mac_str(pkt.src_mac)} is not the stack's MAC")
        v.check(pkt.fields.get("sender_mac") == self.stack_mac,
                f"{ptype} sender MAC in the header is not the stack's MAC")
        v.check(len(ev.data) >= w.MIN_FRAME_LEN, f"{ptype} frame of {len(ev.data)} bytes (< 60)")
        want = w.choose_framing(self.bitmap)
        got = w.choose_framing(pkt.path_flags)
        v.check(got == want, f"{ptype} framing {got}, expected {want}")
        if self.tagged and pkt.tci is not None:
            pcp = w.PCP_BY_TYPE[ptype]
            v.check(pkt.tci == (pcp << 13) | (self.args.vlan & 0xFFF),
                    f"{ptype} tag control word {pkt.tci:#06x}, expected priority {pcp} VLAN "
                    f"{self.args.vlan}")


# --- the stack sends -----------------------------------------------------------

class SenderWatch:
    """Checks what the stack sends on one send connection while our ReceivingPeer
    answers it."""

    def __init__(self, ctx: Ctx, peer: pr.ReceivingPeer):
        self.c, self.v, self.peer = ctx, ctx.v, peer
        self.send_index: Optional[int] = None
        self.hi_numbers: List[int] = []       # distinct connect numbers seen, in order
        self.hi_copies: Dict[int, List] = {}  # number -> [(ts, data)]
        self.our_rx_index: Optional[int] = None   # what we gave in the last "HY"
        self.rx_index_before: int = 0
        self.open_number: Optional[int] = None
        self.cur_seq: Optional[int] = None
        self.cur_data: Optional[bytes] = None
        self.copies: Dict[int, List] = {}     # seq -> [(ts, data)], current connection
        self.copy_log: List = []              # (seq, ts) of every "HR"
        self.acked_seqs = set()
        self.received: List[int] = []         # pattern indexes of first copies, in order
        self.unexpected = 0

    def on_rx(self, ev) -> None:
        c, v, f = self.c, self.v, ev.fields
        pkt = ev.pkt
        if pkt.ptype not in ("HI", "HR"):
            if pkt.ptype not in ("HU",):
                self.unexpected += 1
                v.fail(f"unexpected {pr.describe(pkt)} at {c.rel(ev.ts)} ms")
            return
        c.check_framing(ev, pkt.ptype)
        seq = f["seq"]
        if pkt.ptype == "HI":
            v.check((f["dst_vdn"], f["src_vdn"]) == (1, 1), f"HI VDNs {f['dst_vdn']}/{f['src_vdn']}, expected 1/1")
            if self.send_index is None:
                self.send_index = f["tx_index"]
            v.check(f["tx_index"] == self.send_index,
                    f"HI word 16 {f['tx_index']} differs from the connection's {self.send_index}")
            want14 = self.our_rx_index if self.our_rx_index is not None else 0
            if seq not in self.hi_copies:
                if self.hi_numbers:
                    v.check(seq == u16(self.hi_numbers[-1] + 1),
                            f"new HI number {seq:#06x}, expected {u16(self.hi_numbers[-1] + 1):#06x}")
                self.hi_numbers.append(seq)
                self.hi_copies[seq] = []
                self.cur_seq = None
                self.copies = {}
                v.note(f"HI {seq:#06x} at {c.rel(ev.ts)} ms, word 14 {f['rx_index']}, word 16 {f['tx_index']}")
            else:
                v.check(ev.data == self.hi_copies[seq][0][1], f"HI {seq:#06x} copy differs from the first")
            v.check(f["rx_index"] == want14 or (self.hi_copies[seq] and
                                                f["rx_index"] == self.hi_copies[seq][0][2]),
                    f"HI word 14 {f['rx_index']}, expected {want14}")
            if c.link.kind == "udp":
                v.check(len(pkt.payload) == 4, f"HI payload {len(pkt.payload)} bytes, expected 4")
            self.hi_copies[seq].append((ev.ts, ev.data, f["rx_index"]))
            return
        # "HR"
        v.check((f["dst_vdn"], f["src_vdn"]) == (c.args.vdn, c.args.stack_vdn),
                f"HR VDNs {f['dst_vdn']}/{f['src_vdn']}, expected {c.args.vdn}/{c.args.stack_vdn}")
        v.check(f["tx_index"] == self.send_index, f"HR word 16 {f['tx_index']}, expected {self.send_index}")
        v.check(f["rx_index"] == self.our_rx_index, f"HR word 14 {f['rx_index']}, expected {self.our_rx_index}")
        self.copy_log.append((seq, ev.ts))
        if seq == self.cur_seq:
            lst = self.copies[seq]
            v.check(ev.data == lst[0][1], f"HR {seq:#06x} retransmitted changed")
            r = len(lst) - 1
            large = pr.is_large(len(pkt.payload[:c.args.length]), c.bitmap)
            want = pr.schedule_ms(r, large)
            gap = (ev.ts - lst[-1][0]) * 1000
            v.check(want - LOW_TOL_MS <= gap <= want + pr.TICK_MS + c.args.margin_ms,
                    f"HR {seq:#06x} copy {r + 1} after {gap:.0f} ms, expected {want} ms "
                    f"(+{pr.TICK_MS}+{c.args.margin_ms})")
            lst.append((ev.ts, ev.data))
            return
        if self.open_number is None:
            v.fail(f"HR {seq:#06x} before the connection was opened")
            return
        if self.cur_seq is None:
            v.check(seq == u16(self.open_number + 1),
                    f"first HR after connect {self.open_number:#06x} has {seq:#06x}")
        else:
            v.check(seq == u16(self.cur_seq + 1), f"HR {seq:#06x} after {self.cur_seq:#06x}: not the next")
            v.check(self.cur_seq in self.acked_seqs,
                    f"HR {seq:#06x} sent before {self.cur_seq:#06x} was acknowledged")
        self.cur_seq, self.cur_data = seq, ev.data
        self.copies[seq] = [(ev.ts, ev.data)]
        idx = pr.pattern_index(pkt.payload)
        v.check(pkt.payload[:c.args.length] == c.payload(idx if idx is not None else -1),
                f"HR {seq:#06x} payload is not a test pattern")
        self.received.append(idx)

    def on_tx(self, out: Out) -> None:
        if out.ptype == "HY":
            self.our_rx_index = out.tx_index
            if struct.unpack(">H", out.payload[:2])[0] == w.HY_OPENED or (
                    self.open_number is not None and out.seq == self.open_number):
                self.open_number = out.seq
            elif len(self.hi_numbers) >= 2:
                # A second 0x0002 opens the connection on the stack's side too.
                self.open_number = out.seq
        elif out.ptype == "HH":
            self.acked_seqs.add(out.seq)


def drive_receiver(ctx: Ctx, peer: pr.ReceivingPeer, watch: SenderWatch, done, hook=None,
                   linger: float = 0.5) -> bool:
    """Answer the stack until done() and `linger` s of silence, or the deadline."""
    quiet_since = None
    while time.monotonic() < ctx.deadline:
        if quiet_since is None and done():
            quiet_since = time.monotonic()
        if quiet_since is not None and time.monotonic() - quiet_since >= linger:
            return True
        ev, rec = ctx.st.recv(0.02)
        if ev is None:
            continue
        if ev.pkt.fields.get("sender_mac") != ctx.stack_mac and ctx.link.kind != "udp":
            continue
        if quiet_since is not None:
            quiet_since = time.monotonic()
        watch.on_rx(ev)
        if hook is not None and hook(ev):
            continue
        # On UDP the stack's sends leave from a port of their own: answers go to its 47093.
        for out in peer.on_packet(ev, ctx.addr or rec.addr):
            ctx.st.send(out)
            watch.on_tx(out)
    return False


def new_receiver(ctx: Ctx, mis: pr.Misbehave) -> pr.ReceivingPeer:
    rules = pr.ReceiveRules(ctx.peer_mac, capacity=8, first_index=PEER_INDEX_FIRST)
    return pr.ReceivingPeer(ctx.st, rules, mis, ctx.args.seed)


def check_delivery(ctx: Ctx, watch: SenderWatch, peer: pr.ReceivingPeer, n: int) -> None:
    v = ctx.v
    got = [pr.pattern_index(p) for p in peer.delivered]
    want = list(range(n))
    v.check(got == want, f"delivered {got[:20]}{'...' if len(got) > 20 else ''}, expected 0..{n - 1}")
    v.extra["delivered"] = len(got)
    v.extra["retransmissions"] = sum(len(x) - 1 for x in watch.copies.values())


def sc_connect(ctx: Ctx, repeats: int) -> None:
    n = ctx.args.count or 3
    mis = pr.Misbehave()
    peer = new_receiver(ctx, mis)
    watch = SenderWatch(ctx, peer)
    hy_count = [0]

    def hook(ev):
        if ev.pkt.ptype == "HI" and hy_count[0] < repeats:
            seq = ev.pkt.fields["seq"]
            if len(watch.hi_numbers) == hy_count[0] + 1 and seq == watch.hi_numbers[-1]:
                hy_count[0] += 1
                outs, _ = peer.rules.handle(ev.pkt, ev.ts, None)
                for o in outs:
                    o.payload = struct.pack(">H", w.HY_REPEATED)
                    ctx.st.send(o)
                    watch.on_tx(o)
                return True
        return False

    drive_receiver(ctx, peer, watch, lambda: len(peer.delivered) >= n, hook)
    v = ctx.v
    v.check(len(watch.hi_numbers) == 1 + min(repeats, 1),
            f"{len(watch.hi_numbers)} connect numbers seen, expected {1 + min(repeats, 1)}")
    if repeats >= 2 and len(watch.hi_numbers) == 2:
        v.check(watch.open_number == watch.hi_numbers[1], "second 0x0002 did not open the connection")
    check_delivery(ctx, watch, peer, n)


def sc_stream(ctx: Ctx) -> None:
    n = ctx.args.count or 200
    mis = pr.Misbehave(ack_loss=ctx.args.ack_loss, ack_dup=ctx.args.ack_dup)
    peer = new_receiver(ctx, mis)
    watch = SenderWatch(ctx, peer)
    drive_receiver(ctx, peer, watch, lambda: len(peer.delivered) >= n, linger=1.0)
    ctx.v.check(len(watch.hi_numbers) == 1, f"{len(watch.hi_numbers)} connects, expected 1")
    check_delivery(ctx, watch, peer, n)
    ctx.v.extra.update(acks_lost=peer.acks_lost, acks_dup=peer.acks_dup)


def check_schedule(ctx: Ctx, copies, what: str, large: bool) -> None:
    v, m = ctx.v, ctx.args.margin_ms
    times = [t for t, *_ in copies]
    v.extra["copy_times_ms"] = [ctx.rel(t) for t in times]
    v.check(len(times) == 1 + pr.RETRY_LIMIT,
            f"{what}: {len(times)} copies, expected {1 + pr.RETRY_LIMIT} (first + {pr.RETRY_LIMIT})")
    for r in range(min(len(times) - 1, pr.RETRY_LIMIT)):
        want = pr.schedule_ms(r, large)
        gap = (times[r + 1] - times[r]) * 1000
        v.check(want - LOW_TOL_MS <= gap <= want + pr.TICK_MS + m,
                f"{what} retransmission {r + 1} after {gap:.0f} ms, expected {want} (+{pr.TICK_MS}+{m})")
    first = copies[0][1] if copies else None
    v.check(all(c[1] == first for c in copies), f"{what}: copies are not identical")


def sc_silent(ctx: Ctx) -> None:
    mis = pr.Misbehave(ack_loss=1.0)
    peer = new_receiver(ctx, mis)
    watch = SenderWatch(ctx, peer)
    v = ctx.v

    def hook(ev):
        if ev.pkt.ptype == "HI" and len(watch.hi_numbers) >= 2:
            mis.ack_loss = 0.0
        return False

    drive_receiver(ctx, peer, watch, lambda: len(peer.delivered) >= 1 and mis.ack_loss == 0.0
                   and any(pr.pattern_index(p) == 1 for p in peer.delivered), hook)
    log = watch.copy_log
    first_seq = log[0][0] if log else None
    t_new_hi = (watch.hi_copies[watch.hi_numbers[1]][0][0] if len(watch.hi_numbers) > 1
                else float("inf"))
    # Copies of packet 0 before the new connect; their bytes were compared with
    # the first copy as they came (SenderWatch).
    copies0 = [(t, 0) for s, t in log if s == first_seq and t < t_new_hi]
    check_schedule(ctx, copies0, "HR", pr.is_large(ctx.args.length, ctx.bitmap))
    v.check(len(watch.hi_numbers) == 2, f"{len(watch.hi_numbers)} connect numbers, expected 2 "
            "(a new HI after the give-up)")
    if len(watch.hi_numbers) == 2 and copies0:
        t_hi = watch.hi_copies[watch.hi_numbers[1]][0][0]
        quiet = (t_hi - copies0[-1][0]) * 1000
        v.note(f"quiet {quiet:.0f} ms between the last copy and the new HI")
    got = [pr.pattern_index(p) for p in peer.delivered]
    v.check(got[-1:] == [1], f"packet 1 not delivered after the reconnect (delivered {got})")


def sc_silent_hi(ctx: Ctx) -> None:
    mis = pr.Misbehave(never_answer=True)
    peer = new_receiver(ctx, mis)
    watch = SenderWatch(ctx, peer)

    def done():
        copies = watch.hi_copies.get(watch.hi_numbers[0]) if watch.hi_numbers else None
        give_up = (sum(pr.schedule_ms(r) for r in range(pr.RETRY_LIMIT + 1)) + pr.TICK_MS
                   + ctx.args.margin_ms) / 1000
        return bool(copies) and time.monotonic() - copies[0][0] > give_up

    drive_receiver(ctx, peer, watch, done, linger=ctx.args.quiet)
    v = ctx.v
    if not watch.hi_numbers:
        v.fail("no HI came")
        return
    copies = watch.hi_copies[watch.hi_numbers[0]]
    check_schedule(ctx, [(t, d) for t, d, _ in copies], "HI", False)
    v.check(len(watch.hi_numbers) == 1, f"{len(watch.hi_numbers)} connect numbers, expected 1")
    v.check(not watch.copy_log, "HR sent on a connection never opened")


def sc_error_inflight(ctx: Ctx) -> None:
    n = ctx.args.count or 5
    cause = ctx.args.cause
    mis = pr.Misbehave(hy_delay=0.1, he_at=(0,), he_cause=cause, he_mode=ctx.args.he_mode)
    peer = new_receiver(ctx, mis)
    watch = SenderWatch(ctx, peer)
    v = ctx.v
    if cause == w.CAUSE_NO_CONNECTION:
        drive_receiver(ctx, peer, watch, lambda: len(peer.delivered) >= n)
        v.check(len(watch.hi_numbers) == 2, f"{len(watch.hi_numbers)} connect numbers, expected 2")
        check_delivery(ctx, watch, peer, n)
        hrs_before = [s for s, t in watch.copy_log
                      if len(watch.hi_numbers) < 2 or t < watch.hi_copies[watch.hi_numbers[1]][0][0]]
        v.check(len(set(hrs_before)) == 1, f"{len(set(hrs_before))} distinct HR before the error, expected 1")
    else:
        t_end = [None]

        def done():
            if peer.seen_hr and t_end[0] is None:
                t_end[0] = time.monotonic()
            return t_end[0] is not None and time.monotonic() - t_end[0] > ctx.args.quiet

        drive_receiver(ctx, peer, watch, done, linger=0.2)
        v.check(len(watch.hi_numbers) == 1, f"{len(watch.hi_numbers)} connect numbers, expected 1")
        v.check(len(set(s for s, _ in watch.copy_log)) == 1,
                "more HR came after the error that frees the held packets")
        v.check(not peer.delivered, "packets delivered")


# --- the stack receives --------------------------------------------------------

class ReceiveScript:
    """We send; a model of the rules predicts every reply of the stack byte by byte."""

    def __init__(self, ctx: Ctx, capacity: int):
        self.c, self.v = ctx, ctx.v
        self.model = pr.ReceiveRules(ctx.stack_mac, capacity=capacity, first_index=0)
        self.expected_delivery: List[bytes] = []
        self.echoes: List[bytes] = []
        self.next_payload = 0
        self.replies = 0
        self.steps = 0

    def out(self, ptype: str, seq: int, mac: bytes = None, payload: bytes = None,
            send_index: int = PEER_SEND_INDEX, rx_index: int = 0) -> Out:
        if payload is None:
            payload = bytes(4) if ptype == "HI" else self.c.payload(self.next_payload)
            if ptype == "HR":
                self.next_payload += 1
        return Out(ptype, self.c.stack_mac, self.c.bitmap, payload, seq=u16(seq),
                   dst_vdn=self.c.args.stack_vdn, src_vdn=self.c.args.vdn, rx_index=rx_index,
                   tx_index=send_index, vlan=self.c.args.vlan, addr=self.c.addr,
                   src_mac=mac or self.c.peer_mac)

    def conn_index(self, mac: bytes) -> int:
        conn = self.model.find(mac, 0xFFFF)
        return conn.own_index if conn is not None else 0

    def _next_reply(self, timeout: float):
        end = time.monotonic() + timeout
        while True:
            ev, rec = self.c.st.recv(max(0.0, end - time.monotonic()))
            if ev is None:
                return None
            if ev.pkt.ptype == "HU":
                self.echoes.append(ev.pkt.payload[:self.c.args.length])
                continue
            return ev

    def step(self, o: Out, what: str = "") -> None:
        """Send one packet and check the stack's replies to it."""
        self.steps += 1
        ev = self.c.st.send(o)
        pkt = lk.parse(self.c.link, lk.Record(ev.ts, "tx", ev.data))
        if self.c.link.kind == "udp":
            addr = (self.c.args.udp[0], w.UDP_PORT)
        else:
            addr = None
        outs, delivered = self.model.handle(pkt, ev.ts, addr)
        self.expected_delivery.extend(p[:self.c.args.length] for p in delivered)
        label = f"step {self.steps} {o.describe()} {what}".rstrip()
        for exp in outs:
            rep = self._next_reply(1.0)
            if rep is None:
                self.v.fail(f"{label}: no reply, expected {exp.describe()}")
                return
            self.compare(rep, exp, label)

    def compare(self, rep, exp: Out, label: str) -> None:
        self.replies += 1
        want = exp.wire(self.c.stack_mac)
        if rep.data == want:
            if self.c.link.kind == "udp" and rep.fields.get("tos") is not None:
                self.v.check(rep.fields["tos"] == 84, f"{label}: reply TOS {rep.fields['tos']}, expected 84")
            return
        got = pr.describe(rep.pkt) if rep.pkt is not None else "?"
        self.v.fail(f"{label}: reply {got} [{rep.data.hex()}] expected {exp.describe()} [{want.hex()}]")

    def quiet(self, seconds: float, label: str) -> None:
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            rep = self._next_reply(max(0.0, end - time.monotonic()))
            if rep is not None:
                self.v.fail(f"{label}: unexpected {pr.describe(rep.pkt)}")

    def finish(self) -> None:
        """Wait for the echoes and compare them with the deliveries."""
        if self.c.args.no_echo:
            self.quiet(0.3, "end")
        else:
            end = time.monotonic() + 3.0
            while len(self.echoes) < len(self.expected_delivery) and time.monotonic() < end:
                rep = self._next_reply(max(0.0, end - time.monotonic()))
                if rep is not None:
                    self.v.fail(f"end: unexpected {pr.describe(rep.pkt)}")
            self.quiet(0.3, "end")
            exp = [pr.pattern_index(p) for p in self.expected_delivery]
            got = [pr.pattern_index(p) for p in self.echoes]
            self.v.check(self.echoes == self.expected_delivery,
                         f"echoed {got[:30]}, expected deliveries {exp[:30]}")
        self.v.extra.update(steps=self.steps, replies=self.replies,
                            expected_deliveries=[p.hex() for p in self.expected_delivery])


def sc_receive(ctx: Ctx) -> None:
    s = ReceiveScript(ctx, capacity=ctx.args.connections_stack)
    rng = random.Random(ctx.args.seed)
    s.step(s.out("HR", 0x1234), "before any HI")
    s.step(s.out("HI", 4))
    s.step(s.out("HI", 4), "repeated")
    rx = s.conn_index(ctx.peer_mac)
    for seq, what in ((5, "in order"), (5, "repeat"), (7, "gap"), (6, "in order"), (7, "in order"),
                      (5, "old")):
        s.step(s.out("HR", seq, rx_index=rx), what)
    s.quiet(0.05, "after the fixed steps")
    conn = s.model.find(ctx.peer_mac, rx)
    for _ in range(ctx.args.count or 60):
        exp = conn.expected
        r = rng.random()
        if r < 0.5:
            s.step(s.out("HR", exp, rx_index=rx), "next")
        elif r < 0.65:
            s.step(s.out("HR", exp - 1, rx_index=rx), "repeat")
        elif r < 0.75:
            s.step(s.out("HR", exp + rng.randint(1, 3), rx_index=rx), "gap")
        elif r < 0.85:
            s.step(s.out("HR", exp - rng.randint(2, 6), rx_index=rx), "old")
        elif r < 0.95:
            s.step(s.out("HR", exp + 1, rx_index=rx), "reordered")
            s.step(s.out("HR", exp, rx_index=rx), "reordered")
            s.step(s.out("HR", exp + 1, rx_index=rx), "reordered")
        elif r < 0.98:
            s.step(s.out("HI", conn.connect, rx_index=rx), "repeated connect")
        else:
            s.step(s.out("HI", rng.randint(0x100, 0xF000), rx_index=rx), "new connect")
    # wrap: a new connect at 0xFFFE
    s.step(s.out("HI", 0xFFFE, rx_index=rx), "new connect before the wrap")
    for seq, what in ((0xFFFF, "in order"), (0x0000, "in order, wrapped"), (0x0000, "repeat"),
                      (0xFFFF, "old"), (0x0001, "in order")):
        s.step(s.out("HR", seq, rx_index=rx), what)
    s.finish()


def sc_evict(ctx: Ctx) -> None:
    if ctx.link.kind == "udp":
        ctx.v.fail("evict needs an Ethernet link (the eviction error goes untagged on Ethernet)")
        return
    n = ctx.args.connections
    s = ReceiveScript(ctx, capacity=n)
    macs = [mac_plus(ctx.peer_mac, i) for i in range(n + 1)]
    for i in range(n):
        s.step(s.out("HI", 100 + i, mac=macs[i], send_index=20 + i), f"station {i}")
        time.sleep(0.03)
    # station 0 becomes the most recently active: station 1 is now the oldest
    s.step(s.out("HR", 101, mac=macs[0], send_index=20, rx_index=s.conn_index(macs[0])), "station 0")
    time.sleep(0.03)
    s.step(s.out("HI", 200, mac=macs[n], send_index=20 + n), f"station {n}: table full")
    s.step(s.out("HR", 102, mac=macs[1], send_index=21, rx_index=1), "station 1, evicted")
    s.step(s.out("HR", 201, mac=macs[n], send_index=20 + n, rx_index=s.conn_index(macs[n])),
           f"station {n}")
    s.finish()


def sc_no_room(ctx: Ctx) -> None:
    n = ctx.args.connections
    s = ReceiveScript(ctx, capacity=n)
    macs = [mac_plus(ctx.peer_mac, i) for i in range(n + 1)]
    now = time.monotonic()
    for i in range(n):                      # the test pinned these before we started
        conn, _ = s.model.create(macs[i], 0x0011, now, pinned=True)
    s.step(s.out("HI", 300, mac=macs[n], send_index=30), f"station {n}: all pinned")
    s.step(s.out("HR", 0x0200, mac=macs[0], send_index=31), "station 0: pinned, not open")
    s.step(s.out("HI", 0x0300, mac=macs[0], send_index=31), "station 0")
    s.step(s.out("HR", 0x0301, mac=macs[0], send_index=31, rx_index=0), "station 0")
    s.finish()


def sc_udp_flood(ctx: Ctx) -> None:
    v, n, rng = ctx.v, ctx.args.count or 900, random.Random(ctx.args.seed)
    if ctx.link.kind != "udp" or not ctx.args.iface:
        return v.fail("udp-flood needs --udp and --iface (the link it watches)")
    watch, numbers, counts = lk.RawLink(ctx.args.iface, capture=False), [], collections.Counter()

    def answers() -> int:
        return sum(k for (_, cause), k in counts.items() if cause != w.CAUSE_EVICTED)

    def collect(seconds: float, wanted: int) -> None:
        end = time.monotonic() + seconds
        while (left := end - time.monotonic()) > 0 and answers() < wanted:
            ready, _, _ = select.select([ctx.link, watch], [], [], left)
            frame = watch.recv(0) if watch in ready else None
            try:
                if frame is not None:
                    v.fail(f"{pr.describe(w.parse_frame(frame.data))} on the link to {w.mac_str(frame.data[:6])}")
            except w.Dropped:
                pass
            ev, _ = ctx.st.recv(0) if ctx.link in ready else (None, None)
            if ev is not None:
                cause = pr.word(ev.pkt.payload) if ev.ptype == "HE" else None
                counts[ev.ptype, cause] += 1
                i, seq = ev.fields["rx_index"], ev.fields["seq"]
                v.check(cause != w.CAUSE_EVICTED or (i < len(numbers) and seq == u16(numbers[i] + 1)),
                        f"eviction notice {pr.describe(ev.pkt)} matches no station's connect")

    with watch:
        for i in range(n):
            numbers.append(rng.randrange(0x10000))
            mac = bytes([0x02, 0xEE, rng.randrange(256), rng.randrange(256), i >> 8, i & 0xFF])
            ctx.st.send(Out("HI", ctx.stack_mac, ctx.bitmap, bytes(4), seq=numbers[i], dst_vdn=1, src_vdn=1,
                            tx_index=i, addr=ctx.addr, src_mac=mac))
            if i % 25 == 24:
                collect(2.0, i + 1)  # each burst answered: a slow stack loses none to its socket buffer
        collect(2.0, n + 1)  # the full time: late frames on the link show
    evicted = counts[("HE", w.CAUSE_EVICTED)]
    v.check(answers() == n, f"{answers()} answers to {n} connect requests")
    v.check(evicted > 0, "no eviction notice came by UDP")
    v.extra["evicted"] = evicted


SCENARIOS = {
    "connect": lambda c: sc_connect(c, 0),
    "connect-repeat": lambda c: sc_connect(c, 1),
    "connect-repeat-twice": lambda c: sc_connect(c, 2),
    "stream": sc_stream,
    "silent": sc_silent,
    "silent-hi": sc_silent_hi,
    "error-inflight": sc_error_inflight,
    "receive": sc_receive,
    "evict": sc_evict,
    "no-room": sc_no_room,
    "udp-flood": sc_udp_flood,
}


def parse_args(argv):
    ap = argparse.ArgumentParser(description="Scripted J5 peer scenarios")
    ap.add_argument("scenario", choices=sorted(SCENARIOS))
    ap.add_argument("--iface")
    ap.add_argument("--udp", nargs=2, metavar=("LOCAL_IP", "STACK_IP"))
    ap.add_argument("--peer-mac", required=True)
    ap.add_argument("--stack-mac", required=True)
    ap.add_argument("--vdn", type=int, default=2, help="the peer's VDN")
    ap.add_argument("--stack-vdn", type=int, default=3, help="the VDN the stack's user sends from")
    ap.add_argument("--count", type=int, default=0, help="packets or steps (0: the scenario's default)")
    ap.add_argument("--length", type=int, default=32)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--framing", choices=sorted(FRAMING_BITMAP), default="plain")
    ap.add_argument("--vlan", type=int, default=0)
    ap.add_argument("--connections", type=int, default=4, help="evict/no-room: the stack's table size")
    ap.add_argument("--connections-stack", type=int, default=300, help="receive: the stack's table size")
    ap.add_argument("--ack-loss", type=float, default=0.2)
    ap.add_argument("--ack-dup", type=float, default=0.1)
    ap.add_argument("--cause", type=lambda x: int(x, 0), default=w.CAUSE_NO_CONNECTION)
    ap.add_argument("--he-mode", choices=("not-open", "unknown"), default="not-open")
    ap.add_argument("--margin-ms", type=float, default=100.0)
    ap.add_argument("--quiet", type=float, default=1.5)
    ap.add_argument("--timeout", type=float, default=60.0)
    ap.add_argument("--no-echo", action="store_true", help="receive: the test does not echo")
    ap.add_argument("--json-out")
    ap.add_argument("--pcap")
    args = ap.parse_args(argv)
    if not args.iface and not args.udp:
        ap.error("--iface or --udp is required")
    if args.length < 28:
        ap.error("--length must be at least 28")
    return args


def main(argv=None) -> int:
    args = parse_args(argv)
    ctx = Ctx(args)
    print("READY", flush=True)
    try:
        SCENARIOS[args.scenario](ctx)
    except Exception as e:          # a broken script is a failed verdict, not a hang
        ctx.v.fail(f"peer error {type(e).__name__}: {e}")
    ctx.v.extra["elapsed_ms"] = ctx.rel(time.monotonic())
    if time.monotonic() >= ctx.deadline:
        ctx.v.fail(f"timeout after {args.timeout} s")
    if args.pcap:
        ctx.link.write_pcap(args.pcap)
    ctx.link.close()
    text = json.dumps(ctx.v.result())
    if args.json_out:
        with open(args.json_out, "w") as f:
            f.write(text + "\n")
    print(text, flush=True)
    return 0 if ctx.v.failures == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
