"""Flattens the peer fixture's JSON lines into one whitespace-separated line per case
for the C++ test (which has no JSON reader). Fields, in order:
name type bitmap dst_mac src_mac seq dst_vdn src_vdn rx_index tx_index tag hu1 hu2
payload frame rx_bitmap payload_offset j5_offset rx_payload_len udp rx_tci
(hex fields are "-" when empty; rx_tci is -1 when the frame carries no tag)."""
import json
import sys

for line in sys.stdin:
    if not line.strip():
        continue
    c = json.loads(line)
    words = c.get("hu_words") or [0, 0]
    vlan = (c.get("eth") or {}).get("vlan")
    fields = [c["name"], c["type"], c["bitmap"], c["dst_mac"], c["src_mac"], c["seq"], c["dst_vdn"],
              c["src_vdn"], c["rx_index"], c["tx_index"], c["tag"], words[0], words[1],
              c["payload"] or "-", c["frame"] or "-", c["rx_bitmap"], c["payload_offset"], c["j5_offset"],
              c["rx_payload_len"], 0 if "eth" in c else 1, vlan["tci"] if vlan else -1]
    print(" ".join(str(f) for f in fields))
