"""The three wires a simulated call server talks on.

  eth:<iface>   Ethernet frames through an AF_PACKET socket (root or CAP_NET_RAW)
  vhub:<name>   Ethernet frames over the cross-process virtual wire: a Unix
                sequenced-packet connection to the hub's socket <name> in the
                user's private folder ($XDG_RUNTIME_DIR/kez-vhub, else
                /tmp/kez-vhub-<uid>, refused unless the user's own and 0700),
                one message a frame; the hub says "a" once a
                port is attached and relays every frame to all other ports. When
                no hub listens, this process starts one (a thread of its own).
  udp:<ip>      J5 packets as UDP datagrams from <ip>:47093; IP multicast
                groups received on port 47096.

Every link has socks() for select() and read(sock) -> Record or None.
"""

from __future__ import annotations

import errno
import os
import select
import socket
import sys
import threading
import time
from typing import List, Optional, Tuple

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "peers", "j5wire"))
sys.path.insert(0, os.path.join(HERE, "..", "peers", "j5peer"))
import j5wire as w  # noqa: E402
import link as j5link  # noqa: E402

Record = j5link.Record
HUB_ATTACHED = b"a"
HUB_MESSAGE_LIMIT = 2048
ATTACH_LIMIT_S = 5.0


def hub_folder_path() -> str:
    runtime = os.environ.get("XDG_RUNTIME_DIR", "")
    if runtime.startswith("/"):
        return os.path.join(runtime, "kez-vhub")
    return f"/tmp/kez-vhub-{os.geteuid()}"


class HubFolder:
    """The user's private folder of hub sockets, held open once checked: a folder that is not
    this user's own, or that others may enter, is refused (PermissionError)."""

    def __init__(self, create: bool):
        path = hub_folder_path()
        if create:
            try:
                os.mkdir(path, 0o700)
            except FileExistsError:
                pass
        self.fd = os.open(path, os.O_RDONLY | os.O_DIRECTORY | os.O_NOFOLLOW | os.O_CLOEXEC)
        st = os.fstat(self.fd)
        if st.st_uid != os.geteuid() or st.st_mode & 0o077:
            os.close(self.fd)
            raise PermissionError(f"{path}: not a private folder of this user")

    def address(self, name: str) -> str:
        # Through the descriptor: the folder checked is the folder used.
        return f"/proc/self/fd/{self.fd}/{name}"

    def close(self) -> None:
        os.close(self.fd)


class VirtualWireHub:
    """A hub relaying frames between the ports attached to it; owns its relay thread."""

    def __init__(self, name: str):
        self.name = name
        self.folder = HubFolder(create=True)
        self.listener = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        try:
            self._bind()
            self.listener.listen(64)
        except OSError:
            self.listener.close()
            self.folder.close()
            raise
        self.ports: List[socket.socket] = []
        self.dropped = 0
        self._wake_r, self._wake_w = os.pipe()
        self._thread = threading.Thread(target=self._run, name="kezsim-vhub", daemon=True)
        self._thread.start()

    def _bind(self) -> None:
        address = self.folder.address(self.name)
        try:
            self.listener.bind(address)
        except OSError as error:
            if error.errno != errno.EADDRINUSE or not self._listener_gone(address):
                raise
            # The name of a hub that ended without removing it is taken over.
            os.unlink(self.name, dir_fd=self.folder.fd)
            self.listener.bind(address)

    @staticmethod
    def _listener_gone(address: str) -> bool:
        with socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET) as probe:
            try:
                probe.connect(address)
            except ConnectionRefusedError:
                return True
            except OSError:
                pass
        return False

    def _run(self) -> None:
        while True:
            ready, _, _ = select.select([self._wake_r, self.listener] + self.ports, [], [])
            if self._wake_r in ready:
                break
            for port in [p for p in ready if p in self.ports]:
                self._relay(port)
            if self.listener in ready:
                port, _ = self.listener.accept()
                port.setblocking(False)
                try:
                    port.send(HUB_ATTACHED)
                    self.ports.append(port)
                except OSError:
                    port.close()
        for port in self.ports:
            port.close()
        self.listener.close()
        try:
            os.unlink(self.name, dir_fd=self.folder.fd)
        except OSError:
            pass
        self.folder.close()

    def _relay(self, port: socket.socket) -> None:
        try:
            data, _, flags, _ = port.recvmsg(HUB_MESSAGE_LIMIT)
        except BlockingIOError:
            return
        except OSError:
            data, flags = b"", 0
        if not data or flags & socket.MSG_TRUNC:
            self.ports.remove(port)
            port.close()
            return
        for other in self.ports:
            if other is not port:
                try:
                    other.send(data)
                except OSError:
                    self.dropped += 1       # a port that does not keep up loses frames

    def close(self) -> None:
        os.write(self._wake_w, b"x")
        self._thread.join()
        os.close(self._wake_r)
        os.close(self._wake_w)


class EthLink:
    kind = "eth"

    def send(self, frame: bytes) -> None:
        raise NotImplementedError

    def own_mac(self) -> Optional[bytes]:
        return None


class RawEth(EthLink):
    """An interface through an AF_PACKET socket; frames for any destination are read."""

    def __init__(self, iface: str):
        self.raw = j5link.RawLink(iface, promisc=True, capture=False)
        self.name = f"eth:{iface}"

    def socks(self):
        return [self.raw.sock]

    def read(self, sock) -> Optional[Record]:
        return self.raw.recv(0)

    def send(self, frame: bytes) -> None:
        self.raw.send(frame)

    def own_mac(self) -> bytes:
        return self.raw.mac()

    def close(self) -> None:
        self.raw.close()


class HubEth(EthLink):
    """A port on the virtual wire `name`; hosts the hub when none listens yet."""

    def __init__(self, name: str, host: bool = True):
        self.name = f"vhub:{name}"
        self.hub: Optional[VirtualWireHub] = None
        try:
            self.sock = self._attach(name)
        except (ConnectionRefusedError, FileNotFoundError):
            if not host:
                raise
            self.hub = VirtualWireHub(name)
            self.sock = self._attach(name)

    @staticmethod
    def _attach(name: str) -> socket.socket:
        folder = HubFolder(create=False)
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        try:
            sock.settimeout(ATTACH_LIMIT_S)
            try:
                sock.connect(folder.address(name))
            finally:
                folder.close()
            if sock.recv(1) != HUB_ATTACHED:
                raise ConnectionError(f"virtual wire {name}: no attach mark")
            sock.setblocking(False)
            return sock
        except BaseException:
            sock.close()
            raise

    def socks(self):
        return [self.sock]

    def read(self, sock) -> Optional[Record]:
        try:
            data, _, flags, _ = self.sock.recvmsg(HUB_MESSAGE_LIMIT)
        except BlockingIOError:
            return None
        if not data:
            raise ConnectionError(f"{self.name}: the hub went away")
        if flags & socket.MSG_TRUNC:
            return None
        return Record(time.monotonic(), "rx", bytes(data))

    def send(self, frame: bytes) -> None:
        if len(frame) < w.MIN_FRAME_LEN:
            frame += bytes(w.MIN_FRAME_LEN - len(frame))
        deadline = time.monotonic() + 1.0
        while True:
            try:
                self.sock.send(frame)
                return
            except BlockingIOError:
                if time.monotonic() > deadline:
                    return                  # the wire loses what a stuck hub does not take
                select.select([], [self.sock], [], 0.05)

    def close(self) -> None:
        self.sock.close()
        if self.hub is not None:
            self.hub.close()


class UdpLink:
    """Unicast on <ip>:47093 and, once groups are joined, multicast on port 47096."""
    kind = "udp"

    def __init__(self, ip: str):
        self.ip = ip
        self.name = f"udp:{ip}"
        self.sock = self._socket((ip, w.UDP_PORT))
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(ip))
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 1)
        self.group_sock: Optional[socket.socket] = None
        self.tos = 0

    @staticmethod
    def _socket(addr: Tuple[str, int]) -> socket.socket:
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
            sock.bind(addr)
            sock.setblocking(False)
            return sock
        except OSError:
            sock.close()
            raise

    def join(self, group: str) -> None:
        if self.group_sock is None:
            self.group_sock = self._socket(("0.0.0.0", w.UDP_MULTICAST_PORT))
            self.group_sock.setsockopt(socket.IPPROTO_IP, 49, 0)   # IP_MULTICAST_ALL off: own groups only
        mreq = socket.inet_aton(group) + socket.inet_aton(self.ip)
        self.group_sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, mreq)

    def socks(self):
        return [self.sock] + ([self.group_sock] if self.group_sock else [])

    def read(self, sock) -> Optional[Record]:
        try:
            data, addr = sock.recvfrom(65536)
        except (BlockingIOError, ConnectionRefusedError):
            return None
        return Record(time.monotonic(), "rx", data, addr=addr)

    def send(self, datagram: bytes, ip: str, tos: int = 0) -> None:
        if tos != self.tos:
            self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_TOS, tos)
            self.tos = tos
        try:
            self.sock.sendto(datagram, (ip, w.udp_port_for(ip)))
        except (BlockingIOError, OSError):
            pass                            # the network loses it; reliable packets go again

    def close(self) -> None:
        self.sock.close()
        if self.group_sock is not None:
            self.group_sock.close()


def open_link(wire_text: str):
    """eth:<iface>, vhub:<name> or udp:<ip>."""
    kind, _, arg = wire_text.partition(":")
    if not arg:
        raise ValueError(f"wire {wire_text!r}: expected eth:<iface>, vhub:<name> or udp:<ip>")
    if kind == "eth":
        return RawEth(arg)
    if kind == "vhub":
        return HubEth(arg)
    if kind == "udp":
        return UdpLink(arg)
    raise ValueError(f"wire {wire_text!r}: unknown kind {kind!r}")

