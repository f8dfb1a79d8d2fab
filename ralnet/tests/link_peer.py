#!/usr/bin/python3
"""Test peer for the Ethernet link of Ralnet, built on the independent J5 wire tables.

  link_peer.py cases <requests.jsonl> <cases.jsonl>
      Each request line: {"name", "type", "form", "framing", "dst", "src", "seq", "tag",
      "payload" (hex), optional "hu_words", "dst_vdn", "src_vdn"}. Writes the fixture cases
      and prints per case: name bitmap rx_bitmap j5_offset payload_offset tci frame-hex
  link_peer.py verify <cases.jsonl> <capture.pcap>
      The capture must hold exactly the cases' frames, byte for byte and in order, and
      tshark must decode each as the case expects. Prints "ok" or one line per mismatch.
  link_peer.py send <ifname> <frame-hex>...
      Writes each frame on the interface through a packet socket.
"""

import json
import os
import socket
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "peers", "j5wire"))

import check_pcap  # noqa: E402
import gen_frames  # noqa: E402
import j5wire as w  # noqa: E402


def make_cases(spec_path, cases_path):
    out = []
    with open(spec_path, encoding="utf-8") as f:
        for line in f:
            if not line.strip():
                continue
            s = json.loads(line)
            out.append(gen_frames.make_case(
                s["name"], s["type"], s["form"], s["framing"], bytes.fromhex(s.get("payload", "")),
                dst=s["dst"], src=s["src"], seq=s.get("seq", 0), tag=s.get("tag", 0),
                hu_words=s.get("hu_words"), dst_vdn=s.get("dst_vdn", 0), src_vdn=s.get("src_vdn", 0)))
    with open(cases_path, "w", encoding="utf-8") as f:
        for case in out:
            f.write(json.dumps(case) + "\n")
    for case in out:
        vlan = case.get("eth", {}).get("vlan")
        tci = vlan["tci"] if vlan else 0
        print(case["name"], case["bitmap"], case["rx_bitmap"], case["j5_offset"], case["payload_offset"], tci,
              case["frame"])
    return 0


def verify(cases_path, pcap_path):
    cases = check_pcap.load_cases(cases_path)
    frames = list(w.read_pcap(pcap_path))
    problems = []
    if len(frames) != len(cases):
        problems.append(f"capture holds {len(frames)} frames, expected {len(cases)}")
    for i, (case, frame) in enumerate(zip(cases, frames), start=1):
        if frame.hex() != case["frame"]:
            problems.append(f"frame {i} ({case['name']}) is {frame.hex()}, expected {case['frame']}")
    try:
        problems += check_pcap.check(cases, check_pcap.tshark_rows(pcap_path))
    except check_pcap.ToolError as error:
        problems.append(str(error))
    print("\n".join(problems) if problems else "ok")
    return 1 if problems else 0


def send(ifname, frames):
    with socket.socket(socket.AF_PACKET, socket.SOCK_RAW) as s:
        s.bind((ifname, 0))
        for text in frames:
            s.send(bytes.fromhex(text))
    print("sent", len(frames))
    return 0


def main(argv):
    if len(argv) == 4 and argv[1] == "cases":
        return make_cases(argv[2], argv[3])
    if len(argv) == 4 and argv[1] == "verify":
        return verify(argv[2], argv[3])
    if len(argv) >= 3 and argv[1] == "send":
        return send(argv[2], argv[3:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
