"""A simulated call server: its side of every message a set handles.

It announces itself with periodic system-state messages, takes each set that reports
its status into service with a set-initialisation message, sends UI state, call state,
LED mapping, DTMF, commands and pages, streams audio, and records everything the sets
send, each message checked field by field (checker.py). Listeners hear what a set does
("ready", "key", "dtmf-done", "flow", "audio", "status", "restart").
"""

from __future__ import annotations

import collections
import datetime
import socket
import time
from dataclasses import dataclass, field
from typing import Callable, Deque, Dict, List, Optional, Sequence, Tuple

import checker
import codec
import payloads as p
from station import BROADCAST, UNBOUND_SERVER_MAC, Node, Path, Received, Station, mac_text

SYSTEM_STATE_GROUP = "224.2.224.22"
PAGE_MAC = bytes.fromhex("035a4e504701")
PAGE_IP = "239.90.78.1"
INIT_RETRY_S = 3.0
ALL_KEYS = 0x3F3F
NO_TONE = 255
ENDLESS = 0xFFFF
SET_AUDIO_VDN = 2
FLOW_PAUSE, FLOW_GO, FLOW_DONE = 8, 9, 10
COMMAND_RESET, COMMAND_STATUS, COMMAND_RESEND = 0x1001, 0x1002, 0x1003


@dataclass
class Message:
    """One message a set sent, with the differences the checker found."""
    t: float
    set: bytes
    cls: str
    payload: bytes
    header: Dict
    fields: Dict
    differences: List[str]
    taken: bool = False


@dataclass
class SetRecord:
    mac: bytes
    path: Path
    handle: int
    name: str = ""
    init_at: Optional[float] = None
    ready: bool = False
    call: Optional[Dict] = None          # what its audio must look like, for the checker
    dtmf_ids: set = field(default_factory=set)
    sent: Dict[str, bytes] = field(default_factory=dict)   # the last UI and call state, for 0x1003
    flow: List[Tuple[int, int]] = field(default_factory=list)   # (event, info1) of flow events


def ipb(ip: Optional[str]) -> bytes:
    return socket.inet_aton(ip) if ip else bytes(4)


class CallServer(Station):
    def __init__(self, node: Node, link, mac: bytes, *, revision: int = p.REV, system_state_period: float = 5.0,
                 status_period: int = 10, system_state_mac: Optional[bytes] = None,
                 system_state_ip: str = SYSTEM_STATE_GROUP, vlan: int = 0, adopt: bool = True,
                 clock: Callable[[], datetime.datetime] = datetime.datetime.now, device_vdn: int = 0x0100,
                 **station_options):
        super().__init__(node, link, mac, **station_options)
        self.revision, self.system_state_period, self.status_period = revision, system_state_period, status_period
        self.system_state_mac, self.system_state_ip, self.vlan = system_state_mac, system_state_ip, vlan
        self.adopt, self.clock, self.device_vdn = adopt, clock, device_vdn
        self.sets: Dict[bytes, SetRecord] = {}
        self.messages: Deque[Message] = collections.deque(maxlen=20000)
        self.differences: Deque[str] = collections.deque(maxlen=5000)
        self.listeners: List[Callable[[str, SetRecord, Message], None]] = []
        self.led_arrays = {0x0200: bytes(8), 0x0300: bytes(8), 0x0600: bytes(8)}
        self.echo_vdns: Dict[int, float] = {}          # device VDN -> delay (s)
        self.next_handle = 1
        self._timer: Optional[int] = None

    # life ----------------------------------------------------------------------------
    def start(self) -> "CallServer":
        if self._timer is None and self.system_state_period > 0:
            self._timer = self.node.every(self.system_state_period, self.send_system_state)
        return self

    def stop(self) -> None:
        self.node.cancel(self._timer)
        self._timer = None

    def default_path(self) -> Path:
        if self.link.kind == "udp":
            return Path(0x0071)
        return Path(0x0013, self.vlan) if self.vlan else Path(0x0011)

    def path_to(self, peer: bytes) -> Path:
        return self.paths.get(peer) or self.default_path()

    # what the server sends -------------------------------------------------------------
    def send_system_state(self) -> None:
        payload = p.system_state(self.clock(), sorted(self.led_arrays.items()), self.revision)
        if self.link.kind == "udp":
            self.send_unreliable("HU", BROADCAST, payload, ip=self.system_state_ip)
        else:
            self.send_unreliable("HU", self.system_state_mac or BROADCAST, payload, path=self.default_path())

    def init_set(self, st: SetRecord) -> None:
        udp = self.link.kind == "udp"
        bits, tci = (0x0013, self.vlan) if self.vlan and not udp else (st.path.bitmap, st.path.vlan)
        fields = {
            "nDeviceHandle": st.handle, "nControlHeaderBits": bits, "nControlIPTOS": 0, "nControlTCI": tci, "varSystemStateIP": ipb(self.system_state_ip if udp else None),
            "varSystemStateMac": self.system_state_mac or bytes(6), "varPageIP": ipb(PAGE_IP if udp else None),
            "varPageMac": bytes(6) if udp else PAGE_MAC, "nStatusUpdatePeriod": self.status_period,
        }
        st.init_at = time.monotonic()
        self.send_reliable(st.mac, p.kz_set_init(fields, self.revision))

    def send_ui(self, st: SetRecord, lines: Sequence[str] = ("", ""), *, tone: int = NO_TONE, tone_mode: int = 0,
                tone_duration: int = ENDLESS, alert: int = 0, alert_mode: int = 0, cadence: int = 0,
                cycles: int = 0, leds: Optional[Dict[str, int]] = None, keys: int = ALL_KEYS, tod_mode: int = 2,
                idle_status: int = 0, **extra) -> None:
        fields = {"nDeviceHandle": st.handle, "nSpkrCallProgTone": tone, "nSpkrCallProgMode": tone_mode,
                  "nSpkrCallProgDur": tone_duration, "nSpkrAlertSigTone": alert, "nSpkrAlertSigCad": cadence,
                  "nSpkrAlertSigMode": alert_mode, "nSpkrAlertSigCycles": cycles, "nKeyControl": keys,
                  "nTODMode": tod_mode, "nDeviceIdleStatus": idle_status, **extra}
        self._send_kept(st, "UIStateControlMsg", p.ui_state(fields, lines, leds, self.revision))

    def audio_bits(self, st: SetRecord) -> int:
        return st.path.audio_bitmap()

    def send_call(self, st: SetRecord, *, other_mac: bytes, other_vdn: int, other_ip: Optional[str] = None,
                  direction: int = 3, compression: int = 1, conn_type: int = 1, frames_per_packet: int = 4,
                  multicast: Tuple[bytes, Optional[str], int] = (bytes(6), None, 0xFFFF),
                  conference: Optional[Tuple[bytes, Optional[str], Sequence[Tuple[bytes, int]]]] = None,
                  **extra) -> None:
        """Opens (or changes) the set's audio: send (bit 0) and receive (bit 1) with one other
        party, or with a conference group (MAC, IP, members)."""
        group_mac, group_ip, group_hash = multicast
        fields = {"nDeviceHandle": st.handle, "nAudioConnType1": conn_type, "nAudioDirection1": direction,
                  "nAudioHdrBits1": self.audio_bits(st), "nAudioTCI1": st.path.vlan,
                  "nCompressionInfo1": compression, "nAudioFramesPerPacket1": frames_per_packet,
                  "varOtherPartyMac1": other_mac, "nOtherPartyVDN1": other_vdn, "varOtherPartyIP1": ipb(other_ip),
                  "varMulticastMac1": group_mac, "nMulticastHash1": group_hash, "varMulticastIP1": ipb(group_ip),
                  **extra}
        members: Sequence[Tuple[bytes, int]] = ()
        dst_vdn = 0xFFFF if other_mac[0] & 1 else other_vdn
        if conference:
            conf_mac, conf_ip, members = conference
            fields.update(varConfMulticastMac=conf_mac, varConfMulticastIP=ipb(conf_ip), nConfMulticastHashCode=1)
            dst_vdn = 0xFFFF
            if self.link.kind == "udp" and conf_ip:
                self.link.join(conf_ip)         # to record what the set says to the conference
            elif self.link.kind != "udp":
                self.groups.add(bytes(conf_mac))
        st.call = {"compression": compression, "dst_vdn": dst_vdn} if direction & 1 else None
        self._send_kept(st, "CallStateControlMsg", p.call_state(fields, members, self.revision))

    def end_call(self, st: SetRecord) -> None:
        st.call = None
        self._send_kept(st, "CallStateControlMsg", p.call_state({"nDeviceHandle": st.handle}, (), self.revision))

    def _send_kept(self, st: SetRecord, cls: str, payload: bytes) -> None:
        st.sent[cls] = payload
        self.send_reliable(st.mac, payload)

    def send_led_mapping(self, st: SetRecord, entries: Sequence[Tuple[int, int]]) -> None:
        self.send_reliable(st.mac, p.led_mapping(st.handle, entries, self.revision))

    def play_dtmf(self, st: SetRecord, sequence_id: int, pairs: Sequence[Tuple[int, int]]) -> None:
        st.dtmf_ids.add(sequence_id & 0xFFFF)
        self.send_reliable(st.mac, p.play_dtmf(st.handle, sequence_id, pairs, self.revision))

    def command(self, st: SetRecord, cmd: int, qualifier: int = 0) -> None:
        self.send_reliable(st.mac, p.command(st.handle, cmd, qualifier, self.revision))

    def page(self, sets: Sequence[SetRecord], *, tone: int = NO_TONE, compression: int = 1,
             group: Tuple[bytes, str] = (PAGE_MAC, PAGE_IP), end: bool = False, page_id: int = 1) -> None:
        """Starts (or with end=True ends) a page on `sets`; its audio comes from this server's
        device VDN to the group MAC (Ethernet) or group IP (UDP)."""
        udp = self.link.kind == "udp"
        fields = {"nPageNoID": page_id, "nAudioConnType": 0 if end else 1, "nAudioDirection": 2,
                  "nCompressionInfo": compression, "nCallProgTone": tone, "nCallProgDuration": ENDLESS,
                  "varOtherPartyMac": self.mac, "nOtherPartyVDN": self.device_vdn,
                  "varMulticastMac": bytes(6) if udp else group[0], "nMulticastHash": 1,
                  "varMulticastIP": ipb(group[1] if udp else None)}
        for st in sets:
            fields.update(nDeviceHandle=st.handle, nAudioHdrBits=self.audio_bits(st))
            self.send_unreliable("HU", st.mac, p.slave_page(fields, {st.handle: 1}, self.revision), path=st.path)

    def send_audio(self, dst: bytes, frames, *, src_vdn: int, dst_vdn: int = SET_AUDIO_VDN,
                   ip: Optional[str] = None, path: Optional[Path] = None) -> None:
        """One real-time audio message of (format, flags, sequence, data) frames."""
        payload = p.real_time_audio(dst_vdn, src_vdn, frames, self.revision)
        self.send_unreliable("HA", dst, payload, path=path, ip=ip)

    def stream(self, st: SetRecord, *, reliable: bool = False, fmt: int = 1, frames: int = 50, hz: float = 1000,
               src_vdn: Optional[int] = None, per_packet: int = p.REL_MAX_FRAMES,
               group: Optional[Tuple[bytes, Optional[str]]] = None) -> "AudioStream":
        """Audio to `st`, or real-time audio to a page or conference `group` (MAC, IP) by st's path."""
        return AudioStream(self, st, reliable, fmt, frames, hz, src_vdn or self.device_vdn, per_packet, group)

    # what the sets send ------------------------------------------------------------
    def on_packet(self, msg: Received) -> None:
        cls = checker.classify(msg.ptype, msg.payload)
        st = self._set_for(msg, cls)
        if cls in checker.RESENT:
            kept = st.sent.get(cls) if st else None
            same = kept is not None and msg.payload[:len(kept)] == kept
            self._record(Message(msg.t, msg.peer, cls, msg.payload, msg.header, {}, [] if same else [
                f"{cls} sent back by {mac_text(msg.peer)} is not the last one sent to it"]))
            return
        if cls not in checker.CHECKS:
            self._record(Message(msg.t, msg.peer, "unexpected", msg.payload, msg.header, {},
                                 [f"{cls} from {mac_text(msg.peer)}"]))
            return
        expect = {"revision": self.revision, "exact_length": msg.exact_length, "source_ip": msg.path.ip}
        if st is not None:
            expect.update(handle=st.handle, call=st.call, dtmf_ids=st.dtmf_ids or None)
        diffs = [f"{d} (from {mac_text(msg.peer)})" for d in checker.check(cls, msg.payload, msg.header, expect)]
        m = Message(msg.t, msg.peer, cls, msg.payload, msg.header, p.decode(cls, msg.payload), diffs)
        self._record(m)
        if st is not None:
            self._react(st, m, msg)

    def _set_for(self, msg: Received, cls: str) -> Optional[SetRecord]:
        st = self.sets.get(msg.peer)
        if st is None and cls == "StatusMsg" and self.adopt and self._for_us(msg):
            st = self.sets[msg.peer] = SetRecord(msg.peer, msg.path, self.next_handle)
            self.next_handle += 1
        if st is not None and msg.ptype != "HA":
            st.path = msg.path
        return st

    def _for_us(self, msg: Received) -> bool:
        return self.link.kind == "udp" or msg.dst_mac in (self.mac, UNBOUND_SERVER_MAC, BROADCAST)

    def _record(self, m: Message) -> None:
        self.messages.append(m)
        self.differences.extend(m.differences)

    def _react(self, st: SetRecord, m: Message, msg: Received) -> None:
        now = time.monotonic()
        f = m.fields
        if m.cls == "StatusMsg":
            if st.ready and f["nDiscoveryState"] == 0 and now - (st.init_at or 0) > INIT_RETRY_S:
                st.ready = False
                self._tell("restart", st, m)
            if st.init_at is not None and f["nDiscoveryState"] == 2 and not st.ready:
                self._ready(st, m)
            elif not st.ready and self.adopt and (st.init_at is None or now - st.init_at >= INIT_RETRY_S):
                self.init_set(st)
            self._tell("status", st, m)
        elif m.cls == "ReportIPInfoMsg":
            if st.init_at is not None and not st.ready:
                self._ready(st, m)
        elif m.cls == "KzSetEventMsg":
            ev, info1 = f["nEventID"], f["nEventInfo1"]
            if ev == 3:
                self._tell("key", st, m)
            elif ev == 5:
                self._tell("dtmf-done", st, m)
            elif ev in (FLOW_PAUSE, FLOW_GO, FLOW_DONE):
                st.flow.append((ev, info1))
                self._tell("flow", st, m)
        elif m.cls == "RealTimeAudioMsg":
            delay = self.echo_vdns.get(f["nDestVDN"])
            if delay is not None:
                frames = [(fr["format"], fr["flags"], fr["seq"], fr["data"]) for fr in f["frames"]]
                self.node.call_later(delay, lambda: self.send_audio(st.mac, frames, src_vdn=f["nDestVDN"],
                                                                    path=st.path, ip=st.path.ip))
            self._tell("audio", st, m)
        elif m.cls == "ReliableAudioMsg":
            self._tell("audio", st, m)

    def _ready(self, st: SetRecord, m: Message) -> None:
        st.ready = True
        self._tell("ready", st, m)

    def _tell(self, event: str, st: SetRecord, m: Message) -> None:
        for fn in list(self.listeners):
            fn(event, st, m)

    # scenario API ---------------------------------------------------------------------
    def wait(self, cls: str, timeout: float = 5.0, where: Callable[[Message], bool] = lambda m: True
             ) -> Optional[Message]:
        """The next message of class `cls` not taken yet that `where` accepts, pumping the
        node for at most `timeout` seconds; None when none came."""
        found: List[Message] = []

        def look() -> bool:
            for m in self.messages:
                if not m.taken and m.cls == cls and where(m):
                    m.taken = True
                    found.append(m)
                    return True
            return False
        self.node.run_until(look, timeout)
        return found[0] if found else None

    def wait_ready(self, timeout: float = 15.0) -> Optional[SetRecord]:
        self.node.run_until(lambda: any(s.ready for s in self.sets.values()), timeout)
        return next((s for s in self.sets.values() if s.ready), None)

    def settle(self, timeout: float = 5.0) -> bool:
        """Pumps until every reliable packet was acknowledged."""
        return self.node.run_until(lambda: self.pending() == 0, timeout)

    def report(self) -> List[str]:
        """Every difference found, then every frame that could not be read or delivered."""
        return list(self.differences) + list(self.problems)

    def expect_clean(self) -> None:
        """Fails with the report when it lists anything."""
        found = self.report()
        if found:
            raise AssertionError("\n".join(found))


class AudioStream:
    """Audio from the server to a set: real-time, one frame every 24 ms; or reliable,
    several frames a packet, as fast as the set lets it (pausing on event 8, going on
    at 9), up to `frames` frames."""

    def __init__(self, server: CallServer, st: SetRecord, reliable: bool, fmt: int, frames: int, hz: float,
                 src_vdn: int, per_packet: int, group: Optional[Tuple[bytes, Optional[str]]]):
        self.server, self.st, self.reliable, self.fmt = server, st, reliable, fmt
        self.to = group or (st.mac, st.path.ip)
        self.left, self.src_vdn, self.per_packet = frames, src_vdn, per_packet
        self.tone, self.seq, self.index, self.paused = codec.Tone(hz), 0, 0, False
        if reliable:
            self.samples = codec.REL_SAMPLES if fmt == 3 else p.REL_DATA
        else:
            self.samples = codec.RT_SAMPLES
        self.timer = server.node.every(0.01 if reliable else 0.024, self._tick)
        if reliable:
            server.listeners.append(self._flow)

    @property
    def done(self) -> bool:
        return self.left <= 0

    def _frame(self):
        data, self.index = codec.frame_data(self.fmt, self.tone.samples(self.samples), self.index)
        self.seq = (self.seq + 1) & 0xFFFF
        self.left -= 1
        return (self.fmt, 0, self.seq, data)

    def _tick(self) -> None:
        if self.done:
            self.stop()
            return
        st = self.st
        if not self.reliable:
            self.server.send_audio(self.to[0], [self._frame()], src_vdn=self.src_vdn, path=st.path, ip=self.to[1])
        elif not self.paused and self.server.pending(st.mac) < 2:
            frames = [self._frame() for _ in range(min(self.per_packet, self.left))]
            self.server.send_reliable(st.mac, p.reliable_audio(frames, self.server.revision), SET_AUDIO_VDN,
                                      self.src_vdn)

    def _flow(self, event: str, st: SetRecord, m: Message) -> None:
        if event == "flow" and st is self.st:
            self.paused = m.fields["nEventID"] == FLOW_PAUSE

    def stop(self) -> None:
        self.left = 0
        self.server.node.cancel(self.timer)
        if self._flow in self.server.listeners:
            self.server.listeners.remove(self._flow)
