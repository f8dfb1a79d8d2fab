"""J5 stations on their links, pumped by whoever waits.

Node     the links, the stations on them and the timers; pump() reads what arrived,
         hands each packet to the stations it is addressed to and runs what is due.
         Single-threaded: a test's wait or the interactive loop drives it.
Station  one J5 address: reliable receive (answers "HI", acknowledges "HR" in
         sequence) and reliable send per peer (connect, one packet in flight,
         retransmission, reconnect), the rules of tests/peers/j5peer; unreliable
         "HU" and "HA". A frame that cannot be read is reported, never fatal.
"""

from __future__ import annotations

import collections
import heapq
import itertools
import os
import random
import select
import sys
import time
from dataclasses import dataclass
from typing import Callable, Deque, Dict, List, Optional, Tuple

import links

sys.path.insert(0, os.path.join(links.HERE, "..", "peers", "j5peer"))
import peer as j5peer  # noqa: E402

w = links.w
BROADCAST = b"\xff" * 6
UNBOUND_SERVER_MAC = bytes.fromhex("025a4e000000")   # where an unbound set sends its status
READS_PER_PUMP = 256


def mac_text(mac: bytes) -> str:
    return mac.hex(":")


@dataclass
class Path:
    """How to reach a peer: the framing bitmap, its VLAN and, on UDP, its address."""
    bitmap: int = 0x0011
    vlan: int = 0
    ip: Optional[str] = None

    def audio_bitmap(self) -> int:
        return (self.bitmap & ~w.B_FULL) | w.B_SHORT


@dataclass
class Received:
    """One J5 packet a peer sent to a station, its payload as delivered."""
    t: float
    peer: bytes
    ptype: str
    payload: bytes
    header: Dict
    path: Path
    exact_length: bool
    dst_mac: Optional[bytes] = None


class Node:
    def __init__(self):
        self.links: Dict[str, object] = {}
        self.stations: List["Station"] = []
        self._timers: List[Tuple[float, int, Callable]] = []
        self._ids = itertools.count()
        self.cancelled: set = set()

    def link(self, wire_text: str, own: bool = False):
        """The link `wire_text`, shared by every station that asks for it unless `own` is set
        (a second port on the same virtual wire, say)."""
        key = f"{wire_text}#{len(self.links)}" if own else wire_text
        if key not in self.links:
            self.links[key] = links.open_link(wire_text)
        return self.links[key]

    def add(self, station: "Station") -> "Station":
        self.stations.append(station)
        return station

    # timers ------------------------------------------------------------------
    def call_later(self, delay: float, fn: Callable) -> int:
        tid = next(self._ids)
        heapq.heappush(self._timers, (time.monotonic() + delay, tid, fn))
        return tid

    def every(self, period: float, fn: Callable, first: float = 0.0) -> int:
        """Runs fn now (after `first` s) and every `period` s; cancel() with the id returned."""
        tid = next(self._ids)

        def tick():
            if tid in self.cancelled:
                return
            fn()
            heapq.heappush(self._timers, (time.monotonic() + period, tid, tick))
        heapq.heappush(self._timers, (time.monotonic() + first, tid, tick))
        return tid

    def cancel(self, tid: Optional[int]) -> None:
        if tid is not None:
            self.cancelled.add(tid)

    # the loop ------------------------------------------------------------------
    def pump(self, limit: float = 0.05) -> None:
        now = time.monotonic()
        wake = now + max(0.0, limit)
        if self._timers:
            wake = min(wake, self._timers[0][0])
        for st in self.stations:
            d = st.deadline()
            if d is not None:
                wake = min(wake, d)
        socks = {s: lk for lk in self.links.values() for s in lk.socks()}
        ready, _, _ = select.select(list(socks), [], [], max(0.0, wake - now))
        for sock in ready:
            for _ in range(READS_PER_PUMP):
                rec = socks[sock].read(sock)
                if rec is None:
                    break
                self._deliver(socks[sock], rec)
        now = time.monotonic()
        while self._timers and self._timers[0][0] <= now:
            _, tid, fn = heapq.heappop(self._timers)
            if tid not in self.cancelled:
                fn()
        for st in self.stations:
            st.poll(now)

    def run_until(self, done: Callable[[], bool], timeout: float) -> bool:
        deadline = time.monotonic() + timeout
        while not done():
            left = deadline - time.monotonic()
            if left <= 0:
                return False
            self.pump(min(left, 0.05))
        return True

    def run_for(self, seconds: float) -> None:
        self.run_until(lambda: False, seconds)

    def _deliver(self, lk, rec) -> None:
        on_link = [st for st in self.stations if st.link is lk]
        try:
            pkt = w.parse_udp(rec.data) if lk.kind == "udp" else w.parse_frame(rec.data)
        except w.Dropped as why:
            if why.counted and _looks_j5(rec.data, lk.kind):
                for st in on_link:
                    st.malformed(f"frame of {len(rec.data)} bytes dropped: {why.reason}")
            return
        for st in on_link:
            if lk.kind == "udp" or st.accepts(pkt.dst_mac):
                st.receive(pkt, rec)

    def close(self) -> None:
        for lk in self.links.values():
            lk.close()
        self.links.clear()


def _looks_j5(data: bytes, kind: str) -> bool:
    if kind == "udp":
        return True
    tail = data[12:14]
    return tail in (b"\x88\xb5", b"\x81\x00") or (len(data) >= 14 and int.from_bytes(tail, "big") < 0x0800)


class Station:
    """One J5 address on a link; subclasses override on_packet() for what is delivered."""

    def __init__(self, node: Node, link, mac: bytes, *, initial_connect: Optional[int] = None,
                 first_index: int = 1, vdn: int = 1):
        self.node, self.link, self.mac, self.vdn = node, link, bytes(mac), vdn
        self.ip = getattr(link, "ip", None)
        self.rules = j5peer.ReceiveRules(self.mac, first_index=first_index)
        self.conns: Dict[bytes, j5peer.SendConn] = {}
        self.backlog: Dict[bytes, Deque[Tuple[bytes, int, int]]] = collections.defaultdict(collections.deque)
        self.paths: Dict[bytes, Path] = {}
        self.groups: set = set()             # multicast MACs this station takes
        self.initial_connect = initial_connect
        self.problems: Deque[str] = collections.deque(maxlen=2000)
        self.failed: List[Tuple[bytes, bytes]] = []   # (peer, payload) given up
        self.hu_counter = 0
        node.add(self)

    # addressing ---------------------------------------------------------------------
    def accepts(self, dst: Optional[bytes]) -> bool:
        return dst in (self.mac, BROADCAST, UNBOUND_SERVER_MAC) or dst in self.groups

    def route(self, peer: bytes, ip: Optional[str] = None, vlan: int = 0) -> None:
        """Where a peer that has not spoken yet is reached (its IP on UDP)."""
        if self.link.kind == "udp":
            self.paths[peer] = Path(0x0071, ip=ip)
        else:
            self.paths[peer] = Path(0x0013, vlan) if vlan else Path()

    def path_to(self, peer: bytes) -> Path:
        return self.paths.get(peer) or (Path(0x0071, ip=None) if self.link.kind == "udp" else Path())

    def _learn_path(self, pkt, rec) -> Path:
        if self.link.kind == "udp":
            return Path(0x0071, ip=rec.addr[0])
        vlan = (pkt.tci or 0) & 0x0FFF if pkt.path_flags & w.B_8021Q else 0
        return Path(0x0013 if pkt.path_flags & w.B_8021Q else 0x0011, vlan)

    # receiving ------------------------------------------------------------------------
    def malformed(self, text: str) -> None:
        self.problems.append(text)

    def receive(self, pkt, rec) -> None:
        sender = pkt.fields.get("sender_mac")
        if sender == self.mac:
            return                          # our own multicast looped back
        try:
            self._receive(pkt, rec, sender)
        except Exception as exc:           # a bad packet is reported, never fatal
            self.problems.append(f"{pkt.ptype} from {mac_text(sender or b'')}: cannot handle: {exc!r}")

    def _receive(self, pkt, rec, sender) -> None:
        path = self._learn_path(pkt, rec)
        addr = (path.ip, w.UDP_PORT) if path.ip else None
        exact = self.link.kind == "udp" or len(rec.data) > w.MIN_FRAME_LEN
        header = {k: pkt.fields.get(k) for k in ("seq", "dst_vdn", "src_vdn")}
        header["ptype"] = pkt.ptype

        def got(payload):
            self.on_packet(Received(rec.ts, sender, pkt.ptype, bytes(payload), header, path, exact, pkt.dst_mac))

        if pkt.ptype in ("HI", "HR", "HU", "HA"):
            self.paths[sender] = path
        if pkt.ptype in ("HI", "HR"):
            outs, delivered = self.rules.handle(pkt, rec.ts, addr)
            self.send_outs(outs)
            for payload in delivered:
                got(payload)
        elif pkt.ptype in ("HH", "HY", "HE"):
            conn = self.conns.get(sender)
            if conn is not None:
                self.send_outs(conn.on_packet(pkt, rec.ts))
                self._collect_failures(sender, conn)
        elif pkt.ptype in ("HU", "HA"):
            got(pkt.payload)

    def on_packet(self, msg: Received) -> None:
        """A packet's payload as delivered: "HR" in order, "HU" and "HA" as they come."""

    # sending ------------------------------------------------------------------------
    def send_outs(self, outs) -> None:
        for out in outs:
            data = out.wire(self.mac)
            if self.link.kind == "udp":
                if out.addr:
                    self.link.send(data, out.addr[0], out.tos)
            else:
                self.link.send(data)

    def _conn(self, peer: bytes) -> j5peer.SendConn:
        conn = self.conns.get(peer)
        path = self.path_to(peer)
        if conn is None:
            first = self.initial_connect if self.initial_connect is not None else random.randrange(0x10000)
            conn = j5peer.SendConn(self.mac, peer, bitmap=path.bitmap, vlan=path.vlan,
                                   addr=(path.ip, w.UDP_PORT) if path.ip else None, initial_connect=first)
            self.conns[peer] = conn
        elif not conn.window:               # follow the peer's path (a set that moved to UDP)
            conn.bitmap, conn.vlan = path.bitmap, path.vlan
            conn.addr = (path.ip, w.UDP_PORT) if path.ip else None
        return conn

    def send_reliable(self, peer: bytes, payload: bytes, dst_vdn: int = 1, src_vdn: Optional[int] = None) -> None:
        """Queues an "HR"; it goes when the connection has room, in order."""
        self.backlog[bytes(peer)].append((bytes(payload), dst_vdn, self.vdn if src_vdn is None else src_vdn))
        self._feed(bytes(peer), time.monotonic())

    def pending(self, peer: Optional[bytes] = None) -> int:
        peers = [peer] if peer is not None else list(self.backlog)
        return sum(len(self.backlog[p]) + (len(self.conns[p].window) if p in self.conns else 0) for p in peers)

    def _feed(self, peer: bytes, now: float) -> None:
        queue = self.backlog.get(peer)
        if not queue:
            return
        conn = self._conn(peer)
        if conn.state == 4:
            conn.state = 5                  # the next packet reconnects
        while queue and len(conn.window) < conn.window_len:
            payload, conn.dst_vdn, conn.src_vdn = queue.popleft()
            self.send_outs(conn.send(payload, now))

    def _collect_failures(self, peer: bytes, conn) -> None:
        if conn.failed:
            self.problems.append(f"reliable send to {mac_text(peer)} gave up {len(conn.failed)} packets")
            self.failed += [(peer, p) for p in conn.failed]
            conn.failed.clear()

    def send_unreliable(self, ptype: str, dst: bytes, payload: bytes, *, path: Optional[Path] = None,
                        dst_vdn: int = 1, src_vdn: Optional[int] = None, seq: int = 0, ip: Optional[str] = None
                        ) -> None:
        """An "HU" or "HA" to a station or a group; on UDP to `ip` (default: the peer's)."""
        path = path or self.path_to(dst)
        bitmap = path.audio_bitmap() if ptype == "HA" else path.bitmap
        if ptype == "HU" and not seq:
            self.hu_counter = seq = (self.hu_counter + 1) & 0xFFFF
        data = w.build(ptype, bitmap, dst, self.mac, payload, seq=seq, dst_vdn=dst_vdn,
                       src_vdn=self.vdn if src_vdn is None else src_vdn, tag=path.vlan)
        if self.link.kind == "udp":
            target = ip or path.ip
            if target:
                self.link.send(data, target)
        else:
            self.link.send(data)

    # time ---------------------------------------------------------------------------
    def deadline(self) -> Optional[float]:
        ds = [d for d in (c.deadline() for c in self.conns.values()) if d is not None]
        return min(ds) if ds else None

    def poll(self, now: float) -> None:
        for peer, conn in list(self.conns.items()):
            self.send_outs(conn.poll(now))
            self._collect_failures(peer, conn)
            self._feed(peer, now)
