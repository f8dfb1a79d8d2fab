#!/usr/bin/python3
"""Check a capture of J5 frames against fixture cases, decoding it with tshark.

Usage: check_pcap.py <cases.jsonl> <capture.pcap>

The capture (linktype 1, Ethernet without FCS) must hold exactly the Ethernet
cases' frames in case order; UDP cases are skipped. For each frame tshark's
view of the Ethernet, 802.1Q, 802.3 length, LLC and SNAP fields, the frame
length, the padding and the bytes it leaves undecoded (the J5 part) are
compared with the case. Exit status: 0 all match, 1 mismatches (one line each),
2 usage or tool error.
"""

import json
import shutil
import subprocess
import sys

FIELDS = ["frame.len", "eth.dst", "eth.src", "eth.type", "eth.len", "vlan.priority", "vlan.dei",
          "vlan.id", "vlan.etype", "vlan.len", "llc.dsap", "llc.ssap", "llc.control", "llc.oui",
          "llc.type", "llc.pid", "data.data", "eth.padding", "eth.trailer"]


class ToolError(Exception):
    pass


def load_cases(path):
    with open(path, encoding="utf-8") as f:
        cases = [json.loads(line) for line in f if line.strip()]
    return [c for c in cases if "eth" in c]


def tshark_rows(pcap, tshark="tshark"):
    if shutil.which(tshark) is None:
        raise ToolError("tshark not found")
    cmd = [tshark, "-n", "-r", pcap, "-T", "fields", "-E", "separator=/t", "-E", "occurrence=f",
           "-E", "quote=n"]
    for name in FIELDS:
        cmd += ["-e", name]
    proc = subprocess.run(cmd, capture_output=True, text=True)
    if proc.returncode != 0:
        raise ToolError(f"tshark failed ({proc.returncode}): {proc.stderr.strip()}")
    rows = []
    for line in proc.stdout.splitlines():
        values = line.split("\t")
        values += [""] * (len(FIELDS) - len(values))
        rows.append(dict(zip(FIELDS, values)))
    return rows


def num(text):
    """tshark prints numbers in decimal or 0x-hex, booleans as True/False or 1/0."""
    if text == "":
        return None
    low = text.lower()
    if low in ("true", "false"):
        return int(low == "true")
    return int(low, 0)


def hexbytes(text):
    return bytes.fromhex(text.replace(":", "")) if text else b""


def fmt(value):
    return "absent" if value is None else (f"{value:#x}" if isinstance(value, int) else str(value))


def expected_data(case):
    """The bytes tshark leaves to its data dissector: the J5 part (for maker SNAP
    without its type, which tshark reads as the SNAP protocol), plus the padding
    when no 802.3 length bounds it."""
    eth = case["eth"]
    frame = bytes.fromhex(case["frame"])
    j5 = frame[case["j5_offset"]:]
    if eth["length"] is None:
        return j5
    snap_len = 6 if eth["snap"]["oui"] == 0x025A4E else 8
    j5 = j5[:eth["length"] - snap_len]
    return j5[2:] if snap_len == 6 else j5


def check_frame(case, row):
    """Mismatch messages for one frame."""
    eth = case["eth"]
    problems = []

    def want(field, got, exp):
        if got != exp:
            problems.append(f"{field} is {fmt(got)}, expected {fmt(exp)}")

    want("frame.len", num(row["frame.len"]), eth["frame_len"])
    want("eth.dst", row["eth.dst"] or None, eth["dst"])
    want("eth.src", row["eth.src"] or None, eth["src"])
    vlan = eth["vlan"]
    want("eth.type", num(row["eth.type"]), eth["ethertype"])
    if vlan is None:
        want("eth.len", num(row["eth.len"]), eth["length"])
        for name in ("vlan.priority", "vlan.id", "vlan.dei"):
            want(name, num(row[name]), None)
    else:
        want("eth.len", num(row["eth.len"]), None)
        want("vlan.priority", num(row["vlan.priority"]), vlan["pcp"])
        want("vlan.dei", num(row["vlan.dei"]), vlan["dei"])
        want("vlan.id", num(row["vlan.id"]), vlan["vid"])
        want("vlan.etype", num(row["vlan.etype"]), vlan["ethertype"])
        want("vlan.len", num(row["vlan.len"]), eth["length"])
    llc = eth["llc"] or {}
    want("llc.dsap", num(row["llc.dsap"]), llc.get("dsap"))
    want("llc.ssap", num(row["llc.ssap"]), llc.get("ssap"))
    want("llc.control", num(row["llc.control"]), llc.get("control"))
    snap = eth["snap"] or {}
    want("llc.oui", num(row["llc.oui"]), snap.get("oui"))
    # tshark names the protocol field llc.type for OUI 00-00-00 (an EtherType), llc.pid otherwise.
    pid = num(row["llc.type"]) if row["llc.type"] else num(row["llc.pid"])
    want("llc.type/llc.pid", pid, snap.get("pid"))
    data = hexbytes(row["data.data"])
    exp = expected_data(case)
    if data != exp:
        problems.append(f"J5 part differs: got {len(data)} bytes {data[:24].hex()}..., "
                        f"expected {len(exp)} bytes {exp[:24].hex()}...")
    if eth["length"] is not None:
        pad = hexbytes(row["eth.padding"]) + hexbytes(row["eth.trailer"])
        if pad != bytes(eth["padding"]):
            problems.append(f"padding after the 802.3 length is {pad.hex() or 'absent'}, "
                            f"expected {eth['padding']} zero bytes")
    return problems


def check(cases, rows):
    """All mismatch messages, each naming the frame number and case."""
    messages = []
    if len(rows) != len(cases):
        messages.append(f"capture holds {len(rows)} frames, expected {len(cases)} Ethernet cases")
    for i, (case, row) in enumerate(zip(cases, rows), start=1):
        for p in check_frame(case, row):
            messages.append(f"frame {i} ({case['name']}): {p}")
    return messages


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        cases = load_cases(argv[1])
        rows = tshark_rows(argv[2])
    except (OSError, ValueError, ToolError) as e:
        print(f"check_pcap: {e}", file=sys.stderr)
        return 2
    messages = check(cases, rows)
    for m in messages:
        print(m)
    if messages:
        print(f"check_pcap: {len(messages)} mismatch(es)", file=sys.stderr)
        return 1
    print(f"check_pcap: {len(cases)} frames match")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
