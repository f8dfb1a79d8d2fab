#!/usr/bin/python3
"""A scripted J5 peer station for testing the reliable J5 service.

Pure logic (no I/O, testable with hand-written frames and a fake clock):
  ReceiveRules  the receiving side: answers "HI" with "HY", takes "HR" strictly
                in sequence and acknowledges it with "HH", acknowledges a repeat
                of the previous one again, drops others, answers "HE" 0x8002 /
                0x8003, evicts with "HE" 0x8004. Also the oracle for what a
                correct receiver must answer, byte by byte.
  SendConn      the sending side of one connection: "HI"/"HY" connect (with the
                0x0002 renumbering), one "HR" in flight, retransmission by the
                timeout table, give-up after the retry limit, reconnect on "HE".
I/O:
  Station       a link plus the station's MAC(s); sends Out records, returns
                parsed packets addressed to it; every frame is stamped.
  ReceivingPeer ReceiveRules on a Station, with switches to misbehave.
  SendingPeer   SendConn on a Station.

CLI (used by the self-test; scenarios.py is the entry for stack tests):
  peer.py send    --iface IF | --udp LOCAL REMOTE  --mac M --peer-mac M --count N ...
  peer.py receive --iface IF | --udp LOCAL REMOTE  --mac M --count N ...
Both print READY on stdout once the link is open and a JSON result at the end.
"""

from __future__ import annotations

import argparse
import collections
import json
import os
import random
import signal
import struct
import sys
import time
from dataclasses import dataclass
from typing import Callable, Dict, List, Optional, Tuple

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "j5wire"))
sys.path.insert(0, HERE)
import j5wire as w  # noqa: E402
import link as lk  # noqa: E402

# The reliable-delivery timing: wait before retransmission number r + 1 (ms),
# doubled for a packet in a large buffer; retry limit.
TIMEOUTS_MS = (160, 160, 160, 250, 250, 250, 250, 250, 250, 250)
RETRY_LIMIT = 10
WINDOW = 50
TICK_MS = 50            # the sender's scan period: a retransmission may come this much late
LARGE_CLASS_MIN = 352   # payload + header room + 4 from this on: a large buffer
HE_BITS_REMOVED_ON_EVICT = w.B_8021Q | w.B_IP | w.B_UDP
UNMATCHED = 0xFFFF
UDP_REPLY_TOS = 84      # replies to a UDP peer carry this type of service


def u16(x: int) -> int:
    return x & 0xFFFF


def pattern(i: int, length: int = 32) -> bytes:
    """Payload of test packet i: i as 4 bytes big-endian, then (i + k) & 0xFF
    for k = 4 .. length - 1."""
    head = struct.pack(">I", i & 0xFFFFFFFF)
    return (head + bytes((i + k) & 0xFF for k in range(4, max(4, length))))[:max(length, 0)]


def pattern_index(payload: bytes) -> Optional[int]:
    if len(payload) < 4:
        return None
    return struct.unpack(">I", payload[:4])[0]


def is_large(payload_len: int, bitmap: int = 0x0011) -> bool:
    """Whether a sent packet lives in a large buffer (waits twice as long)."""
    return payload_len + w.header_room(bitmap) + 4 >= LARGE_CLASS_MIN


def schedule_ms(retry: int, large: bool = False, timeouts=TIMEOUTS_MS) -> float:
    t = timeouts[min(retry, len(timeouts) - 1)]
    return 2 * t if large else t


@dataclass
class Out:
    """A J5 packet to send (full header types only)."""
    ptype: str
    dst_mac: bytes
    bitmap: int = 0x0011
    payload: bytes = b""
    seq: int = 0
    dst_vdn: int = 0
    src_vdn: int = 0
    rx_index: int = 0
    tx_index: int = 0
    vlan: int = 0
    addr: Optional[Tuple[str, int]] = None   # UDP destination
    src_mac: Optional[bytes] = None          # sender MAC (Station's when None)
    tos: int = 0                             # UDP: IPv4 type of service
    note: str = ""

    def wire(self, src_mac: bytes) -> bytes:
        mac = self.src_mac or src_mac
        return w.build(self.ptype, self.bitmap, self.dst_mac, mac, self.payload, seq=self.seq,
                       dst_vdn=self.dst_vdn, src_vdn=self.src_vdn, rx_index=self.rx_index,
                       tx_index=self.tx_index, tag=self.vlan)

    def describe(self) -> str:
        extra = f" {self.payload[:2].hex()}" if self.ptype in ("HY", "HE") else ""
        return (f"{self.ptype} seq={self.seq:#06x} vdn={self.dst_vdn}/{self.src_vdn} "
                f"idx={self.rx_index}/{self.tx_index}{extra}")


def describe(pkt) -> str:
    f = pkt.fields
    if pkt.header_form != "full":
        return pkt.ptype
    extra = f" {pkt.payload[:2].hex()}" if pkt.ptype in ("HY", "HE") else ""
    return (f"{pkt.ptype} seq={f['seq']:#06x} vdn={f['dst_vdn']}/{f['src_vdn']} "
            f"idx={f['rx_index']}/{f['tx_index']}{extra}")


def vlan_of(pkt) -> int:
    return (pkt.tci or 0) & 0x0FFF


def word(payload: bytes, i: int = 0) -> Optional[int]:
    if len(payload) < 2 * i + 2:
        return None
    return struct.unpack_from(">H", payload, 2 * i)[0]


# --- receiving side ------------------------------------------------------------

@dataclass
class RxConn:
    peer_mac: bytes
    own_index: int
    peer_index: int = 0
    pinned: bool = False
    state: int = 1            # 1 created, 3 open
    expected: int = 0
    connect: int = 0
    last_activity: float = 0.0
    link_flags: int = 0x0011
    addr: Optional[Tuple[str, int]] = None
    delivered: int = 0
    repeats: int = 0
    dropped: int = 0


class ReceiveRules:
    """The receive rules of a J5 station, for "HR" and "HI" from its peers.

    handle() returns the replies (Out) and the payloads delivered in order.
    `first_index` lets the peer number its slots away from 0 so that a wrong
    index in a reply shows.
    """

    def __init__(self, own_mac, capacity: int = 300, first_index: int = 0):
        self.own_mac = w.mac_bytes(own_mac)
        self.capacity = capacity
        self.first_index = first_index
        self.slots: List[Optional[RxConn]] = [None] * capacity

    # lookup: by the receiver index when that slot holds the sender, else by MAC
    def find(self, sender: bytes, rx_index: int) -> Optional[RxConn]:
        slot = rx_index - self.first_index
        if 0 <= slot < self.capacity:
            c = self.slots[slot]
            if c is not None and c.peer_mac == sender:
                return c
        for c in self.slots:
            if c is not None and c.peer_mac == sender:
                return c
        return None

    def create(self, mac: bytes, link_flags: int, now: float, pinned: bool = False
               ) -> Tuple[Optional[RxConn], List[Out]]:
        outs: List[Out] = []
        if mac[0] & 1 or mac == bytes(6):
            return None, outs
        free = [i for i, c in enumerate(self.slots) if c is None]
        if free:
            slot = free[0]
        else:
            best, best_age = None, 0
            for i, c in enumerate(self.slots):
                age = int((now - c.last_activity) * 1000)
                if not c.pinned and age > best_age:     # ties: the first
                    best, best_age = i, age
            if best is None:
                return None, outs
            victim = self.slots[best]
            outs.append(Out("HE", victim.peer_mac, victim.link_flags & ~HE_BITS_REMOVED_ON_EVICT,
                            struct.pack(">H", w.CAUSE_EVICTED), seq=victim.expected, dst_vdn=1,
                            src_vdn=1, rx_index=victim.peer_index, tx_index=victim.own_index,
                            vlan=0, note="evicted"))
            self.slots[best] = None
            slot = best
        conn = RxConn(mac, slot + self.first_index, pinned=pinned, last_activity=now,
                      link_flags=link_flags)
        self.slots[slot] = conn
        return conn, outs

    @staticmethod
    def _reply(pkt, ptype, payload, seq, rx, tx, addr) -> Out:
        f = pkt.fields
        return Out(ptype, f["sender_mac"], pkt.path_flags, payload, seq=u16(seq),
                   dst_vdn=f["src_vdn"], src_vdn=1, rx_index=rx, tx_index=tx,
                   vlan=vlan_of(pkt), addr=addr, tos=UDP_REPLY_TOS if pkt.path_flags & w.B_UDP else 0)

    def handle(self, pkt, now: float, addr=None) -> Tuple[List[Out], List[bytes]]:
        """Replies to one received packet and what it delivers."""
        if pkt.header_form != "full" or pkt.ptype not in ("HR", "HI"):
            return [], []
        f = pkt.fields
        sender, seq = f["sender_mac"], f["seq"]
        if pkt.ptype == "HR":
            conn = self.find(sender, f["rx_index"])
            if conn is None:
                return [self._reply(pkt, "HE", struct.pack(">H", w.CAUSE_NO_CONNECTION), seq,
                                    f["tx_index"], UNMATCHED, addr)], []
            conn.last_activity = now
            rx, tx = conn.peer_index, conn.own_index
            if conn.state == 3 and seq == conn.expected:
                conn.expected = u16(conn.expected + 1)
                conn.delivered += 1
                return [self._reply(pkt, "HH", b"", seq, rx, tx, addr)], [pkt.payload]
            if conn.state == 3 and seq == u16(conn.expected - 1):
                conn.repeats += 1
                return [self._reply(pkt, "HH", b"", seq, rx, tx, addr)], []
            if conn.state == 3:
                conn.dropped += 1
                return [], []
            conn.dropped += 1
            conn.expected = seq
            return [self._reply(pkt, "HE", struct.pack(">H", w.CAUSE_NO_CONNECTION), seq,
                                rx, tx, addr)], []
        # "HI"
        conn = self.find(sender, f["rx_index"])
        outs: List[Out] = []
        if conn is None:
            conn, outs = self.create(sender, pkt.path_flags, now)
            if conn is None:
                return outs + [self._reply(pkt, "HE", struct.pack(">H", w.CAUSE_NO_ROOM), seq,
                                           f["tx_index"], UNMATCHED, addr)], []
        if conn.state == 3 and seq == conn.connect:
            answer = w.HY_REPEATED
        else:
            conn.state, conn.expected, conn.connect = 3, u16(seq + 1), seq
            answer = w.HY_OPENED
        conn.peer_index = f["tx_index"]
        conn.addr = addr
        outs.append(self._reply(pkt, "HY", struct.pack(">H", answer), conn.connect,
                                conn.peer_index, conn.own_index, addr))
        return outs, []


# --- sending side --------------------------------------------------------------

class WindowFull(Exception):
    pass


@dataclass
class Entry:
    out: Out
    is_hi: bool = False


class SendConn:
    """One send connection: connect, one "HR" in flight, retransmission,
    give-up, reconnect. Methods take `now` (seconds) and return Outs to send."""

    def __init__(self, own_mac, peer_mac, *, own_index: int = 1, initial_connect: int = 0x1000,
                 bitmap: int = 0x0011, vlan: int = 0, addr=None, dst_vdn: int = 2,
                 src_vdn: int = 1, timeouts=TIMEOUTS_MS, retry_limit: int = RETRY_LIMIT,
                 window: int = WINDOW):
        self.own_mac, self.peer_mac = w.mac_bytes(own_mac), w.mac_bytes(peer_mac)
        self.own_index, self.bitmap, self.vlan, self.addr = own_index, bitmap, vlan, addr
        self.dst_vdn, self.src_vdn = dst_vdn, src_vdn
        self.timeouts, self.retry_limit, self.window_len = timeouts, retry_limit, window
        self.initial = u16(initial_connect)
        self.connect = u16(self.initial - 1)
        self.last = 0
        self.peer_index = 0
        self.state = 1
        self.window: collections.deque = collections.deque()
        self.send_time = 0.0
        self.retry = 0
        self.acked: List[bytes] = []
        self.failed: List[bytes] = []
        self.events: List[Tuple[float, str]] = []
        self.retransmissions = 0
        self.give_ups = 0

    def _out(self, ptype, payload, seq, dst_vdn, src_vdn) -> Out:
        return Out(ptype, self.peer_mac, self.bitmap, payload, seq=u16(seq), dst_vdn=dst_vdn,
                   src_vdn=src_vdn, rx_index=self.peer_index, tx_index=self.own_index,
                   vlan=self.vlan, addr=self.addr)

    def _connect(self, now) -> List[Out]:
        self.connect = u16(self.connect + 1)
        self.last = self.connect
        hi = self._out("HI", bytes(4), self.connect, 1, 1)
        self.window.appendleft(Entry(hi, True))
        self.state, self.send_time, self.retry = 2, now, 0
        self.events.append((now, f"connect {self.connect:#06x}"))
        return [hi]

    def _send_head(self, now) -> List[Out]:
        head = self.window[0]
        self.last = u16(self.last + 1)
        head.out.seq, head.out.rx_index, head.out.tx_index = self.last, self.peer_index, self.own_index
        self.send_time, self.retry = now, 0
        return [head.out]

    def pending(self) -> int:
        return len(self.window)

    def send(self, payload: bytes, now: float) -> List[Out]:
        if len(self.window) >= self.window_len:
            raise WindowFull()
        was_empty = not self.window
        self.window.append(Entry(self._out("HR", payload, 0, self.dst_vdn, self.src_vdn)))
        if self.state in (1, 4, 5):
            return self._connect(now)
        if self.state == 3 and was_empty:
            return self._send_head(now)
        return []

    def _held(self) -> List[bytes]:
        return [e.out.payload for e in self.window if not e.is_hi]

    def on_packet(self, pkt, now: float) -> List[Out]:
        if pkt.header_form != "full" or pkt.ptype not in ("HH", "HY", "HE"):
            return []
        f = pkt.fields
        if f["sender_mac"] != self.peer_mac or not self.window:
            return []
        seq = f["seq"]
        if pkt.ptype == "HH":
            if self.state != 3 or seq != self.last:
                return []
            self.acked.append(self.window.popleft().out.payload)
            return self._send_head(now) if self.window else []
        if pkt.ptype == "HY":
            if self.state != 2 or seq != self.connect:
                return []
            self.peer_index = f["tx_index"]
            if word(pkt.payload) == w.HY_REPEATED and self.connect == self.initial:
                self.connect = u16(self.connect + 1)
                self.last = self.connect
                hi = self.window[0].out
                hi.seq, hi.rx_index = self.connect, self.peer_index
                self.send_time, self.retry = now, self.retry + 1
                return [hi]
            self.state, self.last = 3, self.connect
            self.window.popleft()
            return self._send_head(now) if self.window else []
        # "HE"
        cause = word(pkt.payload)
        if self.state not in (2, 3) or seq != self.last or cause not in (0x8002, 0x8003, 0x8004):
            return []
        held = self._held()
        self.window.clear()
        self.state = 5
        self.events.append((now, f"error {cause:#06x}, {len(held)} held"))
        if cause != w.CAUSE_NO_CONNECTION:
            self.failed.extend(held)
            return []
        outs: List[Out] = []
        for i, p in enumerate(held):    # resynchronise: new "HI", held packets in order
            try:
                outs += self.send(p, now)
            except WindowFull:
                self.failed.extend(held[i:])
                break
        return outs

    def deadline(self) -> Optional[float]:
        if self.state not in (2, 3) or not self.window:
            return None
        return self.send_time + schedule_ms(self.retry, self.head_large(), self.timeouts) / 1000

    def head_large(self) -> bool:
        return bool(self.window) and is_large(len(self.window[0].out.payload), self.bitmap)

    def poll(self, now: float) -> List[Out]:
        d = self.deadline()
        if d is None or now <= d:
            return []
        if self.retry < self.retry_limit:
            self.retry += 1
            self.retransmissions += 1
            self.send_time = now
            return [self.window[0].out]
        self.give_ups += 1
        self.last = u16(self.last + 1)
        self.failed.extend(self._held())
        self.events.append((now, "give up"))
        self.window.clear()
        self.state = 4
        return []


# --- I/O -----------------------------------------------------------------------

@dataclass
class Event:
    ts: float
    direction: str          # "tx" / "rx"
    ptype: str
    fields: dict
    data: bytes             # frame or datagram as on the wire
    pkt: object = None      # parsed packet (rx)
    out: Optional[Out] = None


class Station:
    """A link plus the MAC(s) this peer answers for."""

    def __init__(self, link, mac, extra_macs=()):
        self.link = link
        self.mac = w.mac_bytes(mac)
        self.macs = {self.mac} | {w.mac_bytes(m) for m in extra_macs}
        self.events: List[Event] = []
        self.ignored = 0

    def send(self, out: Out) -> Event:
        data = out.wire(self.mac)
        if self.link.kind == "udp":
            rec = self.link.send(data, out.addr, tos=out.tos)
        else:
            rec = self.link.send(data)
        ev = Event(rec.ts, "tx", out.ptype, {"seq": out.seq}, rec.data, out=out)
        self.events.append(ev)
        return ev

    def send_all(self, outs) -> None:
        for o in outs:
            self.send(o)

    def recv(self, timeout: Optional[float]):
        """(Event, Record) of the next J5 packet for this station, or (None, None)."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            left = None if deadline is None else max(0.0, deadline - time.monotonic())
            rec = self.link.recv(left)
            if rec is None:
                return None, None
            try:
                pkt = lk.parse(self.link, rec)
            except w.Dropped:
                self.ignored += 1
                continue
            if self.link.kind != "udp" and pkt.dst_mac not in self.macs and pkt.dst_mac != b"\xff" * 6:
                self.ignored += 1
                continue
            ev = Event(rec.ts, "rx", pkt.ptype, dict(pkt.fields), rec.data, pkt=pkt)
            ev.fields["addr"] = rec.addr
            ev.fields["tos"] = rec.tos
            self.events.append(ev)
            return ev, rec


@dataclass
class Misbehave:
    """Switches of a receiving peer (rates 0..1, seeded)."""
    ack_loss: float = 0.0        # drop an "HH" it should send
    ack_dup: float = 0.0         # send an "HH" twice
    never_answer: bool = False   # answer nothing at all
    hy_repeated_first: bool = False   # answer the first "HI" with "HY" 0x0002
    hy_delay: float = 0.0        # seconds to wait before answering the first "HI"
    he_at: Tuple[int, ...] = ()  # ordinals (0-based) of first-seen "HR" to answer with "HE"
    he_mode: str = "not-open"    # "not-open": forget the connection's open state; "unknown": forget it
    he_cause: int = w.CAUSE_NO_CONNECTION


class ReceivingPeer:
    """ReceiveRules on a Station; delivers payloads in order to `delivered`."""

    def __init__(self, station: Station, rules: ReceiveRules, mis: Misbehave = None, seed: int = 1):
        self.st, self.rules = station, rules
        self.mis = mis or Misbehave()
        self.rng = random.Random(seed)
        self.delivered: List[bytes] = []
        self.seen_hr: Dict[Tuple[bytes, int], int] = {}
        self.his = 0
        self.acks_lost = self.acks_dup = 0
        self.on_deliver: Optional[Callable] = None   # (packet, payload, addr) -> [Out]

    def on_packet(self, ev: Event, addr=None) -> List[Out]:
        pkt, m = ev.pkt, self.mis
        if m.never_answer:
            return []
        if pkt.ptype == "HR" and pkt.header_form == "full":
            key = (pkt.fields["sender_mac"], pkt.fields["seq"])
            if key not in self.seen_hr:
                self.seen_hr[key] = len(self.seen_hr)
                if self.seen_hr[key] in m.he_at:
                    conn = self.rules.find(pkt.fields["sender_mac"], pkt.fields["rx_index"])
                    if conn is not None and m.he_mode == "not-open":
                        conn.state = 1
                    elif conn is not None:
                        self.rules.slots[conn.own_index - self.rules.first_index] = None
                    if m.he_cause != w.CAUSE_NO_CONNECTION:
                        f = pkt.fields
                        return [Out("HE", f["sender_mac"], pkt.path_flags,
                                    struct.pack(">H", m.he_cause), seq=f["seq"],
                                    dst_vdn=f["src_vdn"], src_vdn=1, rx_index=f["tx_index"],
                                    tx_index=UNMATCHED, vlan=vlan_of(pkt), addr=addr)]
        if pkt.ptype == "HI":
            self.his += 1
            if self.his == 1 and m.hy_delay:
                time.sleep(m.hy_delay)
        outs, delivered = self.rules.handle(pkt, ev.ts, addr)
        self.delivered.extend(delivered)
        if self.on_deliver is not None:
            for p in delivered:
                outs = outs + self.on_deliver(pkt, p, addr)
        final: List[Out] = []
        for o in outs:
            if o.ptype == "HY" and self.his == 1 and m.hy_repeated_first:
                o.payload = struct.pack(">H", w.HY_REPEATED)
            if o.ptype == "HH":
                if self.rng.random() < m.ack_loss:
                    self.acks_lost += 1
                    continue
                if self.rng.random() < m.ack_dup:
                    self.acks_dup += 1
                    final.append(o)
            final.append(o)
        return final

    def run(self, until: Callable[[], bool], deadline: float, linger: float = 0.0,
            stop: Callable[[], bool] = lambda: False) -> None:
        """Answer until `until()` holds and `linger` seconds passed without a packet,
        or the deadline, or stop()."""
        quiet_since = None
        while time.monotonic() < deadline and not stop():
            if until() and quiet_since is None:
                quiet_since = time.monotonic()
            if quiet_since is not None and time.monotonic() - quiet_since >= linger:
                return
            wait = min(deadline - time.monotonic(), 0.05 if quiet_since is None else linger)
            ev, rec = self.st.recv(max(0.0, wait))
            if ev is None:
                continue
            if quiet_since is not None:
                quiet_since = time.monotonic()
            self.st.send_all(self.on_packet(ev, rec.addr))


class SendingPeer:
    """SendConn on a Station: sends payloads reliably, honouring the window."""

    def __init__(self, station: Station, conn: SendConn):
        self.st, self.conn = station, conn

    def run(self, payloads: List[bytes], deadline: float) -> bool:
        todo = collections.deque(payloads)
        c = self.conn
        while time.monotonic() < deadline:
            now = time.monotonic()
            while todo and len(c.window) < c.window_len and c.state != 4:
                self.st.send_all(c.send(todo.popleft(), now))
            if c.state == 4:
                c.state = 5
            if not todo and not c.window:
                return True
            self.st.send_all(c.poll(time.monotonic()))
            d = c.deadline()
            wait = 0.05 if d is None else max(0.0, min(0.05, d - time.monotonic() + 0.001))
            ev, _ = self.st.recv(wait)
            if ev is not None:
                self.st.send_all(c.on_packet(ev.pkt, ev.ts))
        return False


# --- CLI -----------------------------------------------------------------------

def open_link(args):
    if args.udp:
        return lk.UdpLink(args.udp[0], args.udp[1])
    return lk.RawLink(args.iface)


def default_bitmap(args) -> int:
    return 0x0071 if args.udp else 0x0011


def main(argv=None) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("role", choices=("send", "receive"))
    ap.add_argument("--iface")
    ap.add_argument("--udp", nargs=2, metavar=("LOCAL_IP", "REMOTE_IP"))
    ap.add_argument("--mac", required=True)
    ap.add_argument("--peer-mac", default="02:00:00:00:00:00")
    ap.add_argument("--count", type=int, default=100)
    ap.add_argument("--length", type=int, default=32)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--ack-loss", type=float, default=0.0)
    ap.add_argument("--ack-dup", type=float, default=0.0)
    ap.add_argument("--timeout-scale", type=float, default=1.0,
                    help="scale the retransmission table (self-tests only)")
    ap.add_argument("--retry-limit", type=int, default=RETRY_LIMIT)
    ap.add_argument("--initial-connect", type=lambda s: int(s, 0), default=0x1000)
    ap.add_argument("--duration", type=float, default=60.0)
    ap.add_argument("--linger", type=float, default=1.0)
    ap.add_argument("--dst-vdn", type=int, default=2)
    ap.add_argument("--src-vdn", type=int, default=1)
    ap.add_argument("--capacity", type=int, default=300, help="receive: connection slots")
    ap.add_argument("--first-index", type=int, default=7, help="receive: index of the first slot")
    ap.add_argument("--echo", action="store_true",
                    help="receive: send each delivered payload back as \"HU\" (as a stack's test does)")
    ap.add_argument("--json-out")
    ap.add_argument("--pcap")
    args = ap.parse_args(argv)
    if not args.iface and not args.udp:
        ap.error("--iface or --udp is required")
    link = open_link(args)
    st = Station(link, args.mac)
    print("READY", flush=True)
    deadline = time.monotonic() + args.duration
    payloads = [pattern(i, args.length) for i in range(args.count)]
    addr = (args.udp[1], w.UDP_PORT) if args.udp else None
    if args.role == "send":
        conn = SendConn(args.mac, args.peer_mac, bitmap=default_bitmap(args), addr=addr,
                        dst_vdn=args.dst_vdn, src_vdn=args.src_vdn,
                        initial_connect=args.initial_connect, retry_limit=args.retry_limit,
                        timeouts=tuple(max(1, int(t * args.timeout_scale)) for t in TIMEOUTS_MS))
        done = SendingPeer(st, conn).run(payloads, deadline)
        ok = done and conn.acked == payloads and not conn.failed
        result = {"ok": ok, "acked": len(conn.acked), "failed": len(conn.failed),
                  "retransmissions": conn.retransmissions, "give_ups": conn.give_ups,
                  "events": [e for _, e in conn.events][:50]}
    else:
        rules = ReceiveRules(args.mac, capacity=args.capacity, first_index=args.first_index)
        peer = ReceivingPeer(st, rules, Misbehave(ack_loss=args.ack_loss, ack_dup=args.ack_dup),
                             args.seed)
        if args.echo:
            counter = [0]

            def echo(pkt, payload, addr):
                counter[0] = u16(counter[0] + 1)
                return [Out("HU", pkt.fields["sender_mac"], pkt.path_flags,
                            payload[:args.length], seq=counter[0], addr=addr)]
            peer.on_deliver = echo
        stop = [False]
        signal.signal(signal.SIGTERM, lambda *_: stop.__setitem__(0, True))
        peer.run(lambda: stop[0] or (args.count > 0 and len(peer.delivered) >= args.count),
                 deadline, 0.0 if stop[0] else args.linger, stop=lambda: stop[0])
        n = len(payloads)
        got = [p[:args.length] for p in peer.delivered]
        ok = got == payloads
        first_bad = next((i for i in range(min(len(got), n)) if got[i] != payloads[i]), None)
        result = {"ok": ok, "delivered": len(got), "first_mismatch": first_bad,
                  "acks_lost": peer.acks_lost, "acks_dup": peer.acks_dup,
                  "repeats": sum(c.repeats for c in rules.slots if c),
                  "dropped": sum(c.dropped for c in rules.slots if c)}
    if args.pcap:
        link.write_pcap(args.pcap)
    link.close()
    text = json.dumps(result)
    if args.json_out:
        with open(args.json_out, "w") as f:
            f.write(text + "\n")
    print(text, flush=True)
    return 0 if result["ok"] else 1


if __name__ == "__main__":
    sys.exit(main())
