"""kezsim's scripted actions toward a set in service: on --on-ready, or one a line on
standard input with --commands. Each prints "kezsim: sent ACTION" when it went, and the
longer ones a line of their own when they end.

  led-map GROUP:UNIT,...            the LED map
  dtmf ID CODE:MS,...               DTMF to play
  command COMMAND QUALIFIER         a command (0x1001 reset, 0x1002 status, 0x1003 send again)
  call TYPE FORMAT DIRECTION FPP    audio with this server's own device (type 1 real-time,
                                    2 reliable; format 1 mu-law, 3 IMA; direction bit 0 the
                                    set sends, bit 1 it receives; frames per packet)
  conference TYPE FORMAT MAC IP     audio in a conference group (IP "-" on Ethernet)
  hangup                            a call state without audio
  stream FILE FORMAT                the 8 kHz 16-bit mono PCM FILE as real-time frames, one
                                    every 24 ms ("kezsim: streamed N frames")
  reliable FORMAT FRAMES            a reliable tone stream, paced by the set's flow control
                                    ("kezsim: reliable stream of N frames done")
  record FILE                       decode every audio frame the set sends from now on
  record-end                        write them to FILE as PCM ("kezsim: recorded N frames
                                    in M messages to FILE")
  page [MAC IP]                     a page from this server's device to its group (the page
                                    group of the set initialisation by default)
  page-end [MAC IP]                 the end of the page
"""

from __future__ import annotations

import audioop
import os
import select
import struct
import sys
from typing import Callable, List

import codec
from server import PAGE_IP, PAGE_MAC, CallServer, SetRecord

Say = Callable[[str], None]


def _pairs(text: str):
    return [tuple(int(x, 0) for x in pair.split(":")) for pair in text.split(",")]


def _mac(text: str) -> bytes:
    return bytes(int(x, 16) for x in text.replace("-", ":").split(":"))


class Script:
    """The actions of one kezsim toward its sets."""

    def __init__(self, server: CallServer, say: Say):
        self.server, self.say = server, say
        self.recorders: List[Recorder] = []

    def run(self, st: SetRecord, actions: List[str]) -> None:
        for action in actions:
            try:
                self._run(st, action)
            except (IndexError, ValueError, OSError) as exc:
                self.say(f"kezsim: cannot do {action!r}: {exc}")
                continue
            self.say(f"kezsim: sent {action}")

    def _run(self, st: SetRecord, action: str) -> None:
        srv = self.server
        verb, *words = action.split()

        def num(i: int) -> int:
            return int(words[i], 0)
        if verb == "led-map":
            srv.send_led_mapping(st, _pairs(words[0]))
        elif verb == "dtmf":
            srv.play_dtmf(st, num(0), _pairs(words[1]))
        elif verb == "command":
            srv.command(st, num(0), num(1))
        elif verb == "call":
            srv.send_call(st, other_mac=srv.mac, other_vdn=srv.device_vdn, other_ip=srv.ip, conn_type=num(0),
                          compression=num(1), direction=num(2), frames_per_packet=num(3))
        elif verb == "conference":
            group_ip = None if words[3] == "-" else words[3]
            srv.send_call(st, other_mac=srv.mac, other_vdn=srv.device_vdn, other_ip=srv.ip, conn_type=num(0),
                          compression=num(1), conference=(_mac(words[2]), group_ip, [(srv.mac, srv.device_vdn)]))
        elif verb == "hangup":
            srv.end_call(st)
        elif verb == "stream":
            FileStream(srv, st, read_pcm(words[0]), num(1),
                       lambda n: self.say(f"kezsim: streamed {n} frames"))
        elif verb == "reliable":
            self._reliable(st, num(0), num(1))
        elif verb == "record":
            self.recorders.append(Recorder(srv, st, words[0]))
        elif verb == "record-end":
            for rec in self.recorders:
                frames, messages = rec.finish()
                self.say(f"kezsim: recorded {frames} frames in {messages} messages to {rec.path}")
            self.recorders.clear()
        elif verb in ("page", "page-end"):
            group = (_mac(words[0]), words[1]) if len(words) >= 2 else (PAGE_MAC, PAGE_IP)
            srv.page([st], end=verb == "page-end", group=group)
        else:
            raise ValueError("no such action")

    def _reliable(self, st: SetRecord, fmt: int, frames: int) -> None:
        stream = self.server.stream(st, reliable=True, fmt=fmt, frames=frames)

        def check():
            if stream.done and self.server.pending(st.mac) == 0:
                self.server.node.cancel(timer)
                self.say(f"kezsim: reliable stream of {frames} frames done")
        timer = self.server.node.every(0.05, check)

    def read_commands(self) -> None:
        """Takes the actions on standard input, for every set in service."""
        def poll():
            while select.select([sys.stdin], [], [], 0)[0]:
                line = sys.stdin.readline()
                if not line:
                    self.server.node.cancel(timer)
                    return
                if line.strip():
                    for st in [s for s in self.server.sets.values() if s.ready]:
                        self.run(st, [line.strip()])
        timer = self.server.node.every(0.02, poll)


def read_pcm(path: str) -> List[int]:
    with open(path, "rb") as f:
        data = f.read()
    return list(struct.unpack(f"<{len(data) // 2}h", data[:len(data) // 2 * 2]))


class FileStream:
    """PCM to a set as real-time frames from the server's device, one every 24 ms."""

    def __init__(self, server: CallServer, st: SetRecord, samples: List[int], fmt: int, done: Callable[[int], None]):
        self.server, self.st, self.samples, self.fmt, self.done = server, st, samples, fmt, done
        self.at, self.seq, self.index = 0, 0, 0
        self.timer = server.node.every(0.024, self._tick)

    def _tick(self) -> None:
        if self.at >= len(self.samples):
            self.server.node.cancel(self.timer)
            self.done(self.seq)
            return
        chunk = self.samples[self.at:self.at + codec.RT_SAMPLES]
        chunk += [0] * (codec.RT_SAMPLES - len(chunk))
        self.at += codec.RT_SAMPLES
        data, self.index = codec.frame_data(self.fmt, chunk, self.index)
        self.server.send_audio(self.st.mac, [(self.fmt, 0, self.seq, data)], src_vdn=self.server.device_vdn,
                               path=self.st.path, ip=self.st.path.ip)
        self.seq = (self.seq + 1) & 0xFFFF


def decode_frame(fmt: int, flags: int, data: bytes, reliable: bool) -> bytes:
    """One frame as 16-bit PCM by the standard library's codecs; a frame without audio as
    silence. An IMA block: the first sample and step index, then codes low nibble first,
    where audioop reads the high nibble first."""
    samples = (codec.REL_SAMPLES if reliable else codec.RT_SAMPLES) if fmt == 3 else len(data)
    if flags != 0:
        return bytes(2 * samples)
    if fmt != 3:
        return audioop.ulaw2lin(data, 2)
    first, index = struct.unpack_from("<hH", data, 0)
    codes = bytes(((b & 0x0F) << 4) | (b >> 4) for b in data[4:])
    rest, _ = audioop.adpcm2lin(codes, 2, (first, min(index, 88)))
    return struct.pack("<h", first) + rest[:2 * (samples - 1)]


class Recorder:
    """Every audio frame a set sends, decoded, in the order they came."""

    def __init__(self, server: CallServer, st: SetRecord, path: str):
        self.server, self.st, self.path = server, st, path
        self.pcm, self.frames, self.messages = bytearray(), 0, 0
        server.listeners.append(self._heard)

    def _heard(self, event: str, st: SetRecord, m) -> None:
        if event != "audio" or st is not self.st:
            return
        self.messages += 1
        for fr in m.fields["frames"]:
            self.pcm += decode_frame(fr["format"], fr["flags"], fr["data"], m.cls == "ReliableAudioMsg")
            self.frames += 1

    def finish(self):
        self.server.listeners.remove(self._heard)
        with open(self.path + ".part", "wb") as f:
            f.write(self.pcm)
        os.replace(self.path + ".part", self.path)
        return self.frames, self.messages
