"""Link transports for the scripted J5 peer and the relay.

RawLink   an AF_PACKET raw socket bound to one interface (run it inside a
          network namespace, on one end of a veth pair). The kernel strips a
          received 802.1Q tag and reports it as auxiliary data; it is put back
          into the frame so that callers see what was on the wire.
UdpLink   a UDP socket: the J5 part is the whole datagram payload (port 47093,
          47096 for IP multicast destinations).

Both stamp every frame sent and received with time.monotonic() and keep a
capture log that can be written as a pcap file.
"""

from __future__ import annotations

import os
import select
import socket
import struct
import sys
import time
from dataclasses import dataclass
from typing import List, Optional, Tuple

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "j5wire"))
import j5wire  # noqa: E402

ETH_P_ALL = 0x0003
SOL_PACKET = 263
PACKET_ADD_MEMBERSHIP = 1
PACKET_MR_PROMISC = 1
PACKET_AUXDATA = 8
PACKET_OUTGOING = 4
TP_STATUS_VLAN_VALID = 1 << 4
TP_STATUS_VLAN_TPID_VALID = 1 << 6
_AUXDATA = struct.Struct("IIIHHHH")

LINKTYPE_RAW = 101   # pcap link type for bare IPv4 packets


@dataclass
class Record:
    """One frame (or datagram) as it crossed the link."""
    ts: float                    # time.monotonic() right after send / when read
    direction: str               # "tx" or "rx"
    data: bytes                  # Ethernet frame without FCS, or the UDP payload
    addr: Optional[Tuple[str, int]] = None   # UDP: the remote address
    tos: Optional[int] = None    # UDP receive: the IPv4 type of service


class _Link:
    kind = "?"

    def __init__(self, capture: bool = True):
        self.capture = capture
        self.log: List[Record] = []
        self.sock: Optional[socket.socket] = None

    def _note(self, rec: Record) -> Record:
        if self.capture:
            self.log.append(rec)
        return rec

    def fileno(self) -> int:
        return self.sock.fileno()

    def close(self) -> None:
        if self.sock is not None:
            self.sock.close()
            self.sock = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _wait(self, timeout: Optional[float]) -> bool:
        if timeout is not None and timeout <= 0:
            timeout = 0
        r, _, _ = select.select([self.sock], [], [], timeout)
        return bool(r)

    def recv_until(self, deadline: float) -> Optional[Record]:
        return self.recv(max(0.0, deadline - time.monotonic()))


class RawLink(_Link):
    """Ethernet frames through an AF_PACKET socket on `iface`.

    promisc: also take frames for other destination MACs (a peer that plays
    several stations); our own outgoing frames are never reported back.
    """
    kind = "raw"

    def __init__(self, iface: str, promisc: bool = True, capture: bool = True):
        super().__init__(capture)
        self.iface = iface
        self.sock = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(ETH_P_ALL))
        try:
            self.sock.setsockopt(SOL_PACKET, PACKET_AUXDATA, 1)
            self.sock.bind((iface, ETH_P_ALL))
            if promisc:
                mreq = struct.pack("iHH8s", socket.if_nametoindex(iface), PACKET_MR_PROMISC, 0, b"")
                self.sock.setsockopt(SOL_PACKET, PACKET_ADD_MEMBERSHIP, mreq)
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
        except OSError:
            self.sock.close()
            raise
        self._cmsg_space = socket.CMSG_SPACE(_AUXDATA.size)

    def mac(self) -> bytes:
        """The interface's own MAC address."""
        return self.sock.getsockname()[4][:6]

    def send(self, frame: bytes) -> Record:
        if len(frame) < j5wire.MIN_FRAME_LEN:
            frame = frame + bytes(j5wire.MIN_FRAME_LEN - len(frame))
        self.sock.send(frame)
        return self._note(Record(time.monotonic(), "tx", bytes(frame)))

    def recv(self, timeout: Optional[float]) -> Optional[Record]:
        """The next frame received, or None when `timeout` seconds pass first."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            left = None if deadline is None else deadline - time.monotonic()
            if not self._wait(left):
                return None
            data, anc, _flags, addr = self.sock.recvmsg(65536, self._cmsg_space)
            ts = time.monotonic()
            if addr[2] == PACKET_OUTGOING:
                continue
            for level, ctype, cdata in anc:
                if level == SOL_PACKET and ctype == PACKET_AUXDATA and len(cdata) >= _AUXDATA.size:
                    status, _, _, _, _, tci, tpid = _AUXDATA.unpack_from(cdata)
                    if status & TP_STATUS_VLAN_VALID:
                        if not status & TP_STATUS_VLAN_TPID_VALID or not tpid:
                            tpid = j5wire.ETHERTYPE_VLAN
                        data = data[:12] + struct.pack(">HH", tpid, tci) + data[12:]
            return self._note(Record(ts, "rx", bytes(data)))

    def write_pcap(self, path: str) -> None:
        j5wire.write_pcap(path, [r.data for r in self.log], stamps=[r.ts for r in self.log])


def _ipv4_udp(src: Tuple[str, int], dst: Tuple[str, int], payload: bytes, tos: int = 0) -> bytes:
    """A bare IPv4/UDP packet around `payload`, for the capture file only."""
    udp = struct.pack(">HHHH", src[1], dst[1], 8 + len(payload), 0) + payload
    hdr = struct.pack(">BBHHHBBH4s4s", 0x45, tos, 20 + len(udp), 0, 0x4000, 64, 17, 0,
                      socket.inet_aton(src[0]), socket.inet_aton(dst[0]))
    s = sum(struct.unpack(">10H", hdr))
    while s >> 16:
        s = (s & 0xFFFF) + (s >> 16)
    return hdr[:10] + struct.pack(">H", ~s & 0xFFFF) + hdr[12:] + udp


class UdpLink(_Link):
    """J5 over UDP: bound to (local_ip, port); sends to remote_ip at port 47093
    (47096 for a multicast remote), or to an explicit address."""
    kind = "udp"

    def __init__(self, local_ip: str, remote_ip: Optional[str] = None,
                 port: int = j5wire.UDP_PORT, capture: bool = True):
        super().__init__(capture)
        self.local = (local_ip, port)
        self.remote = (remote_ip, j5wire.udp_port_for(remote_ip)) if remote_ip else None
        self._tos = 0
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_RECVTOS, 1)
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
            self.sock.bind(self.local)
        except OSError:
            self.sock.close()
            raise

    def send(self, datagram: bytes, addr: Optional[Tuple[str, int]] = None, tos: int = 0) -> Record:
        addr = addr or self.remote
        if addr is None:
            raise ValueError("no destination address")
        if tos != self._tos:
            self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_TOS, tos)
            self._tos = tos
        self.sock.sendto(datagram, addr)
        return self._note(Record(time.monotonic(), "tx", bytes(datagram), addr=addr, tos=tos))

    def recv(self, timeout: Optional[float]) -> Optional[Record]:
        if not self._wait(timeout):
            return None
        data, anc, _flags, addr = self.sock.recvmsg(65536, socket.CMSG_SPACE(4))
        ts = time.monotonic()
        tos = None
        for level, ctype, cdata in anc:
            if level == socket.IPPROTO_IP and ctype == socket.IP_TOS and cdata:
                tos = cdata[0]
        return self._note(Record(ts, "rx", bytes(data), addr=addr, tos=tos))

    def write_pcap(self, path: str) -> None:
        pkts = []
        for r in self.log:
            if r.direction == "tx":
                pkts.append(_ipv4_udp(self.local, r.addr, r.data, r.tos or 0))
            else:
                pkts.append(_ipv4_udp(r.addr, self.local, r.data, r.tos or 0))
        j5wire.write_pcap(path, pkts, linktype=LINKTYPE_RAW, stamps=[r.ts for r in self.log])


def parse(link: _Link, rec: Record):
    """The J5 packet of a record (j5wire.RxPacket), or raises j5wire.Dropped."""
    if link.kind == "udp":
        return j5wire.parse_udp(rec.data)
    return j5wire.parse_frame(rec.data)
