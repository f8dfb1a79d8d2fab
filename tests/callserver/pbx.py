"""The plain call server behind kezsim's interactive mode.

Each set that comes up gets the next extension. Hands-free or a line key gives dial
tone; digits are shown as dialled; an unknown extension gives busy tone; 9 is an echo
line (the set's own audio comes back after half a second); 8 rings the caller back
after five seconds; the extensions call each other with ring-back, alert and two-way
audio. One line on `out` per event.
"""

from __future__ import annotations

import datetime
from typing import Callable, Dict, List, Optional

from server import ENDLESS, NO_TONE, SET_AUDIO_VDN, CallServer, Message, SetRecord

HANDS_FREE = 17
LINE_KEYS = range(65, 77)
HASH = 15
DIAL_TONE, BUSY_TONE, RINGBACK_TONE = 0, 1, 3
RING_ALERT, RING_CYCLES = 2, 255
ECHO, CALL_BACK = "9", "8"
ECHO_VDN = 0x0109
CALL_BACK_S = 5.0
OFF_HOOK_LEDS = {"speaker": 3, "handsfree": 3, "line1": 3}
RINGING_LEDS = {"line1": 2}


class Line:
    """One set with its extension and where its call stands."""

    def __init__(self, st: SetRecord, extension: str):
        self.st, self.ext = st, extension
        self.state = "idle"      # idle, dialing, busy, ringback, ringing, talking, echo, called-back
        self.digits = ""
        self.peer: Optional["Line"] = None
        self.call_back_due = False


class Pbx:
    def __init__(self, server: CallServer, extensions: List[str], out: Callable[[str], None] = print,
                 echo_delay: float = 0.5, call_back_s: float = CALL_BACK_S):
        self.server, self.free, self.out, self.call_back_s = server, list(extensions), out, call_back_s
        self.lines: Dict[bytes, Line] = {}
        server.echo_vdns[ECHO_VDN] = echo_delay
        server.listeners.append(self.on_event)

    def say(self, line: Optional[Line], text: str) -> None:
        who = f"ext {line.ext} ({line.st.mac.hex(':')})" if line else "server"
        self.out(f"{datetime.datetime.now():%H:%M:%S} {who}: {text}")

    # what sets do --------------------------------------------------------------------
    def on_event(self, event: str, st: SetRecord, m: Message) -> None:
        line = self.lines.get(st.mac)
        if event == "ready":
            if line is None:
                if not self.free:
                    self.say(None, f"set {st.mac.hex(':')} is up, but no extension is left for it")
                    return
                line = self.lines[st.mac] = Line(st, self.free.pop(0))
                st.name = f"ext {line.ext}"
            self.say(line, "in service")
            self.hang_up(line, quiet=True)
        elif event == "restart" and line is not None:
            self.say(line, "restarted")
        elif event == "key" and line is not None:
            self.key(line, m.fields["nEventInfo1"])
        for diff in m.differences:
            self.say(line, f"field check: {diff}")

    def key(self, line: Line, key: int) -> None:
        self.say(line, f"key {key} while {line.state}")
        if key == HANDS_FREE or key in LINE_KEYS:
            if line.state == "idle":
                self.off_hook(line)
            elif line.state == "ringing":
                self.answer(line)
            elif key == HANDS_FREE:
                self.hang_up(line)
        elif line.state == "dialing" and (key <= 9 or key == HASH):
            if key <= 9:
                line.digits += str(key)
            self.dialled(line, complete=key == HASH)

    # call progress -------------------------------------------------------------------
    def show(self, line: Line, text: str, *, tone: int = NO_TONE, alert_mode: int = 0,
             leds: Optional[Dict[str, int]] = None) -> None:
        self.server.send_ui(line.st, ("", text), tone=tone, tone_mode=1 if tone != NO_TONE else 0,
                            tone_duration=ENDLESS, alert=RING_ALERT, alert_mode=alert_mode, cycles=RING_CYCLES,
                            leds=OFF_HOOK_LEDS if leds is None else leds)

    def off_hook(self, line: Line) -> None:
        line.state, line.digits = "dialing", ""
        self.show(line, "Dial", tone=DIAL_TONE)
        self.say(line, "dial tone")

    def dialled(self, line: Line, complete: bool) -> None:
        number = line.digits
        callee = next((x for x in self.lines.values() if x.ext == number), None)
        if number == ECHO:
            line.state = "echo"
            self.show(line, "Echo line")
            self.server.send_call(line.st, other_mac=self.server.mac, other_vdn=ECHO_VDN, other_ip=self.server.ip)
            self.say(line, "echo line")
        elif number == CALL_BACK:
            line.state, line.call_back_due = "busy", True
            self.show(line, f"Ringing you in {self.call_back_s:g} s")
            self.server.node.call_later(self.call_back_s, lambda: self.call_back(line))
            self.say(line, "call back requested")
        elif callee is not None:
            self.call(line, callee)
        elif complete or not self._prefix(number):
            line.state = "busy"
            self.show(line, f"{number} unknown", tone=BUSY_TONE)
            self.say(line, f"{number} does not exist: busy tone")
        else:
            self.show(line, f"Dial {number}")

    def _prefix(self, number: str) -> bool:
        known = [x.ext for x in self.lines.values()] + self.free + [ECHO, CALL_BACK]
        return any(k.startswith(number) for k in known)

    def call(self, caller: Line, callee: Line) -> None:
        if callee.state != "idle" or callee is caller:
            caller.state = "busy"
            self.show(caller, f"{callee.ext} busy", tone=BUSY_TONE)
            self.say(caller, f"{callee.ext} is busy")
            return
        caller.state, callee.state = "ringback", "ringing"
        caller.peer, callee.peer = callee, caller
        self.show(caller, f"Calling {callee.ext}", tone=RINGBACK_TONE)
        self.show(callee, f"Call from {caller.ext}", alert_mode=1, leds=RINGING_LEDS)
        self.say(caller, f"calling ext {callee.ext}")

    def call_back(self, line: Line) -> None:
        if not line.call_back_due:
            return
        if line.state != "idle":
            self.server.node.call_later(1.0, lambda: self.call_back(line))
            return
        line.call_back_due, line.state, line.peer = False, "ringing", None
        self.show(line, "Call back", alert_mode=1, leds=RINGING_LEDS)
        self.say(line, "ringing (call back)")

    def answer(self, line: Line) -> None:
        peer = line.peer
        if peer is None:                  # the call back: the echo line answers
            line.state = "echo"
            self.show(line, "Call back: echo")
            self.server.send_call(line.st, other_mac=self.server.mac, other_vdn=ECHO_VDN, other_ip=self.server.ip)
            self.say(line, "answered the call back")
            return
        line.state = peer.state = "talking"
        for a, b in ((line, peer), (peer, line)):
            self.show(a, f"Talking to {b.ext}")
            self.server.send_call(a.st, other_mac=b.st.mac, other_vdn=SET_AUDIO_VDN, other_ip=b.st.path.ip)
        self.say(line, f"answered ext {peer.ext}: two-way audio")

    def hang_up(self, line: Line, quiet: bool = False) -> None:
        peer, line.peer = line.peer, None
        if line.state in ("echo", "talking"):
            self.server.end_call(line.st)
        line.state, line.digits = "idle", ""
        self.show(line, f"Ext {line.ext}", leds={})
        if not quiet:
            self.say(line, "on hook")
        if peer is not None and peer.state in ("ringback", "ringing", "talking"):
            if peer.state == "talking":
                self.server.end_call(peer.st)
            peer.peer = None
            if peer.state == "ringing":
                self.hang_up(peer, quiet=True)
            else:
                peer.state = "busy"
                self.show(peer, f"{line.ext} hung up", tone=BUSY_TONE)
            self.say(peer, f"ext {line.ext} hung up")
