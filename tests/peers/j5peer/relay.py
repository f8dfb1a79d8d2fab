#!/usr/bin/python3
"""A lossy user-space relay for J5 frames between two interfaces or two UDP endpoints.

  relay.py --iface-a IF --iface-b IF [rates] [--seed S] [--duration SEC]
  relay.py --udp-a LOCAL_IP REMOTE_IP --udp-b LOCAL_IP REMOTE_IP [rates] ...

Ethernet: every J5 frame read on one interface is written to the other
(other frames are left alone unless --all). UDP: datagrams to LOCAL_IP:47093 on
side A go to side B's REMOTE_IP:47093 from side B's LOCAL_IP, and back.
Per frame, from a seeded generator: drop (--drop), duplicate (--dup), delay by
a uniform 0..--delay-ms (--delay-rate of the frames, default all when
--delay-ms is given), and reorder (--reorder: hold the frame until the next
frame in the same direction has gone, at most --hold-ms).
Prints READY when its sockets are open; runs until --duration passes, SIGTERM
or SIGINT, then prints its counters as one JSON line.
"""

from __future__ import annotations

import argparse
import heapq
import json
import os
import random
import select
import signal
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import link as lk  # noqa: E402
import j5wire as w  # noqa: E402


class Side:
    def __init__(self, name, link, dest=None):
        self.name, self.link, self.dest = name, link, dest
        self.other: "Side" = None

    def send(self, data: bytes) -> None:
        if self.link.kind == "udp":
            self.link.send(data, self.dest)
        else:
            self.link.send(data)


class Relay:
    def __init__(self, a: Side, b: Side, args):
        self.a, self.b, self.args = a, b, args
        a.other, b.other = b, a
        self.rng = random.Random(args.seed)
        self.queue = []           # (due, n, side, data)
        self.n = 0
        self.held = {}            # from-side name -> (until, side, data)
        self.counters = {k: 0 for k in ("received", "forwarded", "dropped", "duplicated",
                                        "delayed", "reordered", "ignored")}
        self.per_dir = {"a->b": 0, "b->a": 0}
        self.stop = False

    def _put(self, side: Side, data: bytes, delay: float) -> None:
        self.n += 1
        heapq.heappush(self.queue, (time.monotonic() + delay, self.n, side, data))

    def take(self, src: Side, data: bytes) -> None:
        a, c = self.args, self.counters
        if src.link.kind != "udp" and not a.all:
            try:
                w.parse_frame(data)
            except w.Dropped as e:
                if e.counted:           # not J5 ("HT" is J5 and goes through)
                    c["ignored"] += 1
                    return
        c["received"] += 1
        self.per_dir["a->b" if src is self.a else "b->a"] += 1
        dst = src.other
        if self.rng.random() < a.drop:
            c["dropped"] += 1
            return
        copies = 1
        if self.rng.random() < a.dup:
            c["duplicated"] += 1
            copies = 2
        for _ in range(copies):
            delay = 0.0
            if a.delay_ms > 0 and self.rng.random() < a.delay_rate:
                delay = self.rng.uniform(0, a.delay_ms) / 1000
                c["delayed"] += 1
            held = self.held.pop(src.name, None)
            if held is None and self.rng.random() < a.reorder:
                c["reordered"] += 1
                self.held[src.name] = (time.monotonic() + a.hold_ms / 1000, dst, data)
                continue
            self._put(dst, data, delay)
            if held is not None:        # the held frame goes right behind this one
                self._put(held[1], held[2], delay + 0.0001)

    def flush(self, now: float) -> None:
        for name, (until, dst, data) in list(self.held.items()):
            if until <= now:
                del self.held[name]
                self._put(dst, data, 0.0)
        while self.queue and self.queue[0][0] <= now:
            _, _, side, data = heapq.heappop(self.queue)
            try:
                side.send(data)
                self.counters["forwarded"] += 1
            except OSError:
                self.counters["dropped"] += 1

    def run(self) -> None:
        end = time.monotonic() + self.args.duration
        socks = {self.a.link.fileno(): self.a, self.b.link.fileno(): self.b}
        while not self.stop:
            now = time.monotonic()
            if now >= end:
                break
            self.flush(now)
            nxt = end
            if self.queue:
                nxt = min(nxt, self.queue[0][0])
            for until, _, _ in self.held.values():
                nxt = min(nxt, until)
            try:
                ready, _, _ = select.select(list(socks), [], [], max(0.0, min(nxt - now, 0.2)))
            except InterruptedError:
                continue
            for fd in ready:
                side = socks[fd]
                rec = side.link.recv(0)
                if rec is not None:
                    self.take(side, rec.data)
        # let what is already due within a short while go out
        stop_at = time.monotonic() + 0.2
        while (self.queue or self.held) and time.monotonic() < stop_at:
            self.flush(time.monotonic() + 1.0)

    def report(self) -> dict:
        out = dict(self.counters)
        out.update(self.per_dir)
        return out


def main(argv=None) -> int:
    ap = argparse.ArgumentParser(description="Lossy J5 relay")
    ap.add_argument("--iface-a")
    ap.add_argument("--iface-b")
    ap.add_argument("--udp-a", nargs=2, metavar=("LOCAL_IP", "REMOTE_IP"))
    ap.add_argument("--udp-b", nargs=2, metavar=("LOCAL_IP", "REMOTE_IP"))
    ap.add_argument("--drop", type=float, default=0.0)
    ap.add_argument("--dup", type=float, default=0.0)
    ap.add_argument("--reorder", type=float, default=0.0)
    ap.add_argument("--hold-ms", type=float, default=50.0)
    ap.add_argument("--delay-ms", type=float, default=0.0)
    ap.add_argument("--delay-rate", type=float, default=1.0)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--duration", type=float, default=60.0)
    ap.add_argument("--all", action="store_true", help="forward non-J5 frames too")
    ap.add_argument("--json-out")
    args = ap.parse_args(argv)
    if args.iface_a and args.iface_b:
        a = Side("a", lk.RawLink(args.iface_a, capture=False))
        b = Side("b", lk.RawLink(args.iface_b, capture=False))
    elif args.udp_a and args.udp_b:
        a = Side("a", lk.UdpLink(args.udp_a[0], capture=False), (args.udp_a[1], w.UDP_PORT))
        b = Side("b", lk.UdpLink(args.udp_b[0], capture=False), (args.udp_b[1], w.UDP_PORT))
    else:
        ap.error("give --iface-a and --iface-b, or --udp-a and --udp-b")
    relay = Relay(a, b, args)

    def on_signal(*_):
        relay.stop = True
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    print("READY", flush=True)
    relay.run()
    a.link.close()
    b.link.close()
    text = json.dumps(relay.report())
    if args.json_out:
        with open(args.json_out, "w") as f:
            f.write(text + "\n")
    print(text, flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
