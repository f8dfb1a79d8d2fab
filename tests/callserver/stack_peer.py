"""The call server's side of the stack test (tests/callserver/stack_exchange_test.cpp).

CONTRACT WITH THE STACK'S TEST (the test plays the set through a Ralnet interface)
  The peer prints READY once its wire is open, and at the end one JSON line
  {"ok": bool, "details": [...]} (exit 0 when ok). It announces system state
  every 0.5 s (broadcast; 224.2.224.22 on UDP).
  1. The stack sends a StatusMsg ("HU" 0x0013, discovery state 0) to the peer's
     MAC (Ethernet) or IP (UDP). The peer answers with a KzSetInit ("HR" 0x0201,
     device handle 1, status period --status-period, control header bits 0x0011
     or 0x0071), reliably: "HI" first, its sequence numbers crossing 0xFFFF.
  2. The stack sends a ReportIPInfoMsg ("HR" 0x0016, handle 1, discovery state 2).
  3. The peer sends --count UIStateControlMsg ("HR" 0x0202), display line 2 "Line <i>",
     i = 0 .. count-1; the stack sends --count KzSetEventMsg ("HR" 0x0205, event 3,
     key KEYS[i % len(KEYS)]), in any interleaving.
  4. The peer streams --count RealTimeAudioMsg ("HA"), one mu-law frame each (1 kHz),
     frame sequence numbers 1 .. count, one every 24 ms, to the stack's MAC (and IP).
  Every message of the stack is checked field by field; each difference is a detail.
"""

from __future__ import annotations

import json

from server import CallServer
from station import Node

KEYS = [1, 2, 3, 17, 22, 65, 0, 15]


def run(args, node: Node, link, mac: bytes) -> int:
    details = []
    try:
        srv = CallServer(node, link, mac, system_state_period=0.5, status_period=args.status_period,
                         initial_connect=0xFFFF - args.count // 2).start()
        print("READY", flush=True)
        ready = srv.wait_ready(args.timeout)
        if ready is None:
            details.append("FAIL the stack never reported its IP settings after the set initialisation")
        else:
            for i in range(args.count):
                srv.send_ui(ready, ("", f"Line {i}"))
            keys = []
            for _ in range(args.count):
                m = srv.wait("KzSetEventMsg", args.timeout)
                if m is None:
                    break
                keys.append(m.fields["nEventInfo1"])
            want = [KEYS[i % len(KEYS)] for i in range(args.count)]
            if keys != want:
                details.append(f"FAIL key events {keys}, expected {want}")
            audio = srv.stream(ready, frames=args.count)
            node.run_until(lambda: audio.done, args.timeout)
            if not srv.settle(args.timeout):
                details.append(f"FAIL {srv.pending()} UI states never acknowledged")
            node.run_for(0.3)
        details += [f"FAIL {d}" for d in srv.report()]
    finally:
        node.close()
    ok = not details
    print(json.dumps({"ok": ok, "details": details[:40], "failures": len(details)}), flush=True)
    return 0 if ok else 1

