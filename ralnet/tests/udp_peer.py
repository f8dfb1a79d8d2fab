#!/usr/bin/python3
"""A UDP J5 peer for the interface tests, built and parsed with j5wire (tests/peers/j5wire).

  udp_peer.py send --to IP --type HU|HA --sender-mac M [--seq N] [--dst-vdn N] [--src-vdn N]
                   [--payload HEX] [--via IP]
      Sends one J5 datagram from a fresh socket to IP at the port its class asks for (47096
      for 224.0.0.0 to 239.255.255.255, else 47093), leaving by the address --via for a
      group; prints the local port it was sent from.
  udp_peer.py listen [--group G --via IP] [--count N] [--timeout S]
      Binds 47093 (47096 joined to G on the interface of --via), prints READY, then one JSON
      line per datagram with its sender, the local port, the received IP TOS and TTL and the
      J5 packet as j5wire parses it; ends after N datagrams or S seconds.
Exit 0 when done, 1 when a listen saw fewer than N datagrams, 2 on a usage error.
"""

from __future__ import annotations

import argparse
import json
import os
import select
import socket
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "peers",
                                "j5wire"))
import j5wire as w  # noqa: E402

IP_RECVTOS = 13
IP_RECVTTL = 12


def send(args) -> int:
    bitmap = w.B_ETHERNET | w.B_IP | w.B_UDP | (w.B_FULL if args.type == "HU" else w.B_SHORT)
    j5 = w.build_j5(args.type, bitmap, args.sender_mac, bytes.fromhex(args.payload), seq=args.seq,
                    dst_vdn=args.dst_vdn, src_vdn=args.src_vdn)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("0.0.0.0", 0))
        if args.via:
            s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(args.via))
            s.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 0)
        s.sendto(j5, (args.to, w.udp_port_for(args.to)))
        print(s.getsockname()[1], flush=True)
    return 0


def describe(data: bytes, ancillary, sender, port: int) -> dict:
    out = {"from": list(sender), "port": port, "bytes": data.hex()}
    for level, kind, value in ancillary:
        if level == socket.IPPROTO_IP and kind == socket.IP_TOS:
            out["tos"] = value[0]
        elif level == socket.IPPROTO_IP and kind == socket.IP_TTL:
            out["ttl"] = struct.unpack("i", value[:4])[0]
    try:
        p = w.parse_udp(data)
        out.update(type=p.ptype, path_flags=p.path_flags, payload=p.payload.hex(),
                   fields={k: (v.hex() if isinstance(v, bytes) else v) for k, v in p.fields.items()})
    except w.Dropped as e:
        out["dropped"] = str(e)
    return out


def listen(args) -> int:
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.setsockopt(socket.IPPROTO_IP, IP_RECVTOS, 1)
        s.setsockopt(socket.IPPROTO_IP, IP_RECVTTL, 1)
        port = w.UDP_MULTICAST_PORT if args.group else w.UDP_PORT
        s.bind(("0.0.0.0", port))
        if args.group:
            s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                         socket.inet_aton(args.group) + socket.inet_aton(args.via or "0.0.0.0"))
        print("READY", flush=True)
        seen = 0
        deadline = time.monotonic() + args.timeout
        while seen < args.count:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([s], [], [], left)[0]:
                return 1
            data, ancillary, _, sender = s.recvmsg(2048, 256)
            print(json.dumps(describe(data, ancillary, sender, port)), flush=True)
            seen += 1
    return 0


def main() -> int:
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest="command", required=True)
    sp = sub.add_parser("send")
    sp.add_argument("--to", required=True)
    sp.add_argument("--type", choices=("HU", "HA"), default="HU")
    sp.add_argument("--sender-mac", required=True)
    sp.add_argument("--seq", type=int, default=0)
    sp.add_argument("--dst-vdn", type=int, default=0)
    sp.add_argument("--src-vdn", type=int, default=0)
    sp.add_argument("--payload", default="")
    sp.add_argument("--via")
    lp = sub.add_parser("listen")
    lp.add_argument("--group")
    lp.add_argument("--via")
    lp.add_argument("--count", type=int, default=1)
    lp.add_argument("--timeout", type=float, default=10.0)
    args = ap.parse_args()
    return send(args) if args.command == "send" else listen(args)


if __name__ == "__main__":
    sys.exit(main())
