"""Turns the message oracle's JSON-lines cases (stdin) into the line format the C++ test
reads (stdout), which has no JSON reader. One case:

  case <name> <class> <mode>
  in <payload hex>                       (decode)
  call <method> <expect> <value>...      (build steps, in order)
  put <property> <expect> <value> [<index>]
  header <field> <integer>               (build)
  out <payload hex>                      (build: the first lDataLen bytes)
  get <getter> <index> value <value>  |  get <getter> <index> empty
  get <getter> <index> untouched      |  get <getter> <index> error <hresult> <text hex>
  end

<expect> is "ok" or "err:<hresult>:<text hex>"; <index> is "-" for plain getters.
Values: i:<integer>  f:<float>  s:<UTF-8 hex>  l:<integers, comma separated>  n: (empty).
Empty hex fields are "-"."""
import json
import re
import sys

CALL = re.compile(r"^(\w+)(?:\((-?\d+)\))?$")


def hexa(data):
    return data.hex() if isinstance(data, bytes) else (data or "-")


def text_hex(text):
    return text.encode("utf-8").hex() if text else "-"


def value(v):
    if v is None:
        return "n:"
    if isinstance(v, bool):
        raise ValueError("boolean value")
    if isinstance(v, int):
        return f"i:{v}"
    if isinstance(v, float):
        return f"f:{v!r}"
    if isinstance(v, str):
        return "s:" + v.encode("utf-8").hex()
    return "l:" + ",".join(str(int(x)) for x in v)


def expect(step):
    if step.get("expect") != "error":
        return "ok"
    return f"err:{step['hresult']}:{text_hex(step.get('text'))}"


def split_call(call):
    m = CALL.match(call)
    if not m:
        raise ValueError(call)
    return m.group(1), (m.group(2) if m.group(2) is not None else "-")


def emit(case):
    out = [f"case {case['name']} {case['class']} {case['mode']}"]
    if case["mode"] == "decode":
        out.append(f"in {case['payload'] or '-'}")
    for step in case.get("steps", []):
        if "put" in step:
            index = [str(a) for a in step.get("args", [])]
            out.append(" ".join(["put", step["put"], expect(step), value(step["value"])] + index))
        else:
            out.append(" ".join(["call", step["call"], expect(step)] + [value(a) for a in step.get("args", [])]))
    if case["mode"] == "build":
        for field, number in sorted(case["header"].items()):
            out.append(f"header {field} {number}")
        out.append(f"out {case['payload'] or '-'}")
    for call, v in sorted(case["fields"].items()):
        name, index = split_call(call)
        out.append(f"get {name} {index} empty" if v is None else f"get {name} {index} value {value(v)}")
    for probe in case["errors"]:
        name, index = split_call(probe["call"])
        kind = probe["kind"]
        if kind == "value":
            out.append(f"get {name} {index} value {value(probe['expect'])}")
        elif kind == "error":
            out.append(f"get {name} {index} error {probe['hresult']} {text_hex(probe.get('text'))}")
        else:
            out.append(f"get {name} {index} {kind}")
    out.append("end")
    return "\n".join(out)


for line in sys.stdin:
    if line.strip():
        print(emit(json.loads(line)))
