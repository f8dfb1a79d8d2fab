#!/usr/bin/python3
"""Print the message payload cases, one JSON object per line (deterministic).

Usage: gen_payloads.py [> cases.jsonl]

Each line is one case:

  name          unique, "<class>-<what>"
  class         the message class, e.g. "UIStateControlMsg"
  message_type  the JIPMessageType word (int), null for RealTimeAudioMsg,
                PageCommandMsg and UnsupportedFeatureMsg
  packet_type   "HR", "HU", "HA", or null for the two classes no packet creates
  revision      (int) word 1 of the payload, for the classes with two layouts
                (UIStateControlMsg, KzSetInitMsg, CallStateControlMsg): 0x80B3
                (32947) picks the wide layout, any other word the narrow one
  mode          "decode": a received payload. Load it into a fresh object:
                  the payload bytes at the start of the 1,518-byte zeroed buffer,
                  lDataLen = the number of payload bytes.
                "build": an object made by the client. Start from a fresh object
                  and run "steps" in order; afterwards the first lDataLen bytes of
                  the buffer equal "payload" and the addressing equals "header".
  steps         (build) list of
                  {"call": "InitPacket" | "Reset"}
                  {"call": "AddDevice", "args": [nType, nVDN, nStatus]}
                  {"call": "AddFrame", "args": [varData, nFormat, nFlags, nSeq]}
                  {"put": property, "value": v}            (indexed: "args": [i])
                a step may carry "expect": "error" with "hresult" (and "text",
                "mend"): the call fails so; otherwise it succeeds.
  header        (build) {"nMsgType", "lDataLen", "nSrcVDN", "nDestVDN",
                "nHeaderBitMap"} as IJIPMessage reports them after the steps
  payload       hex
  fields        {getter: value} for getters that succeed (null: an empty
                VARIANT). Indexed getters are
                written with their argument: "sDisplayLine(1)", "nDevState(5)",
                "varConfOtherMac(0)", "varAudioData(0)".
  errors        [{"call", "kind", "expect", ...}] evaluated in order on the same
                object, after the steps:
                  kind "error":     expect "error", "hresult" (int), "text" (only
                                    where the message layouts give one)
                  kind "value":     expect is the value returned with S_OK
                  kind "empty":     expect null: S_OK and an empty VARIANT
                  kind "untouched": expect "untouched": S_OK, the caller's
                                    variable is left as it was (getter not provided)
                "mend": true marks an expectation that the layouts do not state:
                a bound that keeps reads and writes inside the 1,518-byte buffer
                (or another decided correction); "note" says which.
  note          (optional) what the case is about

Values: 16-bit word properties are the signed short the getter returns (the
word 0x80B3 is -32589; message_type and revision are plain unsigned ints);
bytes and nibbles are zero-extended; byte arrays are lists of ints 0..255;
varLEDStates is five signed shorts whose low byte is the first wire byte (a
little-endian host); varCodes/varTimes are lists of ints; dtCurrent is the
OLE Automation DATE (days since 1899-12-30, float, with the milliseconds;
compare within 1e-9, a tenth of a millisecond). Array arguments of steps are
VT_UI1 byte arrays. Audio data is in host order (little-endian): the first two
16-bit words are big-endian on the wire where a layout says so.
"""

import json
import sys

import jipmsg as j

HR, HU, HA = "HR", "HU", "HA"
FULL = j.PAYLOAD_MAX


def noise(seed):
    """Bytes for the places no field covers, so a misplaced read shows."""
    return lambda i: (seed + 29 * i + (i >> 4)) & 0xFF


def pattern(n, seed):
    return [(seed + 7 * i) & 0xFF for i in range(n)]


def jsonable(v):
    if isinstance(v, (bytes, bytearray)):
        return list(v)
    return v


def probe(msg, call, kind, mend=False, note=None):
    """Evaluate a getter on the object and record it, checking the intended kind."""
    entry = {"call": call, "kind": kind}
    try:
        v = msg.evaluate(call)
    except j.JIPError as e:
        assert kind == "error", (call, "failed", e)
        entry.update(expect="error", hresult=e.hresult)
        if e.text is not None:
            entry["text"] = e.text
        mend = mend or e.mend
    else:
        if v is j.UNTOUCHED:
            assert kind == "untouched", (call, v)
            entry["expect"] = "untouched"
        elif v is None:
            assert kind == "empty", (call, v)
            entry["expect"] = None
        else:
            assert kind == "value", (call, v)
            entry["expect"] = jsonable(v)
    if mend:
        entry["mend"] = True
    if note:
        entry["note"] = note
    return entry


class Gen:
    def __init__(self):
        self.out = []

    def _base(self, name, cls, note):
        pt, mt = j.CLASSES[cls]
        case = {"name": name, "class": cls, "message_type": mt, "packet_type": pt}
        if note:
            case["note"] = note
        return case

    def decode(self, name, cls, payload, *, errors=(), note=None, devices=16, expect=None):
        """A received payload; ``errors`` is a list of (call, kind[, mend[, note]])."""
        case = self._base(name, cls, note)
        if cls in j.TWO_LAYOUTS:
            case["revision"] = j.decode_header(payload)["revision"]
        case["mode"] = "decode"
        case["payload"] = bytes(payload).hex()
        fields = j.decode(cls, payload, devices=devices)
        if expect:
            for k, v in expect.items():            # the generator's own intent
                assert fields.get(k, "<missing>") == v, (name, k, fields.get(k, "<missing>"), v)
        case["fields"] = fields
        m = j.Msg(cls, payload)
        case["errors"] = [probe(m, *e) for e in errors]
        self.add(case)
        return case

    def build(self, name, cls, steps, *, errors=(), note=None, expect=None, fields_from=None):
        case = self._base(name, cls, note)
        m = j.Msg(cls)
        out_steps = []
        for st in steps:
            st = dict(st)
            want_err = st.get("expect") == "error"
            try:
                if "put" in st:
                    m.put(st["put"], st["value"], *st.get("args", []))
                else:
                    m.call(st["call"], *st.get("args", []))
            except j.JIPError as e:
                assert want_err, (name, st, e)
                st["hresult"] = e.hresult
                if e.text is not None:
                    st["text"] = e.text
                if e.mend:
                    st["mend"] = True
            else:
                assert not want_err, (name, st)
            if "args" in st:
                st["args"] = [jsonable(a) for a in st["args"]]
            if "value" in st:
                st["value"] = jsonable(st["value"])
            out_steps.append(st)
        if cls in j.TWO_LAYOUTS:
            case["revision"] = (m.buf[2] << 8) | m.buf[3]
        case["mode"] = "build"
        case["steps"] = out_steps
        case["header"] = m.header()
        case["payload"] = m.data().hex()
        fields = {}
        names = fields_from if fields_from is not None else j.property_names(cls)
        for call in names:
            try:
                v = m.evaluate(call)
            except j.JIPError:
                continue
            if v is not j.UNTOUCHED:
                fields[call] = jsonable(v)
        if expect:
            for k, v in expect.items():
                got = case["header"].get(k, fields.get(k, "<missing>"))
                if k == "payload":
                    got = case["payload"]
                assert got == v, (name, k, got, v)
        case["fields"] = fields
        case["errors"] = [probe(m, *e) for e in errors]
        self.add(case)
        return case

    def add(self, case):
        self.out.append(case)


def distinct(fields, seed):
    """A distinct value per field: words include negative shorts, bytes and nibbles differ."""
    vals = {}
    k = seed
    for name, enc, _a, _b in fields:
        k += 1
        if name == "nProtocolRevision":
            continue
        if enc == j.W:
            vals[name] = j.s16(0x1111 * (k % 15 + 1) + k)
        elif enc == j.B:
            vals[name] = (0x21 + 13 * k) & 0xFF
        elif enc in (j.HI, j.LO):
            vals[name] = (k * 5 + 3) & 0x0F
        elif enc == j.MAC:
            vals[name] = [(0x02 + k), 0xA0, k, 0x33, 0x44 + k, 0x55]
        else:
            vals[name] = [10, k, 0x80 + k, 200 + (k % 50)]
    return vals


def ui_cases(g):
    cls = "UIStateControlMsg"
    base = distinct(j.UI_FIELDS, 3)
    base["nSpkrCallProgMode"], base["nSpkrCallProgVol"] = 0xA, 0x6
    base["nSpkrAlertSigTone"], base["nSpkrAlertSigCad"] = 0x3, 0xC
    base["nSpkrAlertSigMode"] = 0xF
    base["nKeyControl"] = j.s16(0xFFFF)
    base["nCallDuration"] = j.s16(0x8000)
    base["varLEDStates"] = [j.s16(0x3412), 0x0F0F, j.s16(0xF031), 0x0000, 0x7FFF]
    for rev, tag in ((j.REV, "b3"), (0x80B2, "80b2")):
        f = dict(base)
        f["sDisplayLine(0)"] = "Line one"
        f["sDisplayLine(1)"] = "Ext 2001"
        p = j.build_payload(cls, f, revision=rev, fill=noise(0x5A), length=130)
        exp = {"sDisplayLine(0)": "Line one", "sDisplayLine(1)": "Ext 2001",
               "nDeviceIdleStatus": base["nDeviceIdleStatus"] if rev == j.REV else 0,
               "varLEDStates": base["varLEDStates"]}
        g.decode(f"{cls}-{tag}-all-fields", cls, p, expect=exp,
                 note="every field; bytes no field covers are noise",
                 errors=[("sDisplayLine(0)", "value"), ("sDisplayLine(1)", "value"),
                         ("sDisplayLine(2)", "error", True), ("sDisplayLine(-1)", "error", True),
                         ("sDisplayLine(32767)", "error", True)])
        # full-width lines without a NUL come back whole
        w = 32 if rev == j.REV else 16
        l0 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"[:w]
        l1 = "abcdefghijklmnopqrstuvwxyz!#$%&*"[:w]
        p = j.build_payload(cls, {"sDisplayLine(0)": l0, "sDisplayLine(1)": l1,
                                  "nTODMode": 2, "nDeviceIdleStatus": 1},
                            revision=rev, fill=noise(0x11), length=130)
        g.decode(f"{cls}-{tag}-full-width-lines", cls, p,
                 expect={"sDisplayLine(0)": l0, "sDisplayLine(1)": l1, "nTODMode": 2},
                 note=f"lines of {w} characters without NUL, from 46 and {46 + w}")
    # byte 23 = 0x52: mode 5, volume 2
    p = j.build_payload(cls, {"nSpkrCallProgTone": 0x52, "nSpkrCallProgMode": 5,
                              "nSpkrCallProgVol": 2}, length=126)
    assert p[23] == 0x52
    g.decode(f"{cls}-b3-byte23-0x52", cls, p,
             expect={"nSpkrCallProgMode": 5, "nSpkrCallProgVol": 2})
    # ANSI text: code page 1252 above 0x7F
    p = bytearray(j.build_payload(cls, {"nTODMode": 1}, length=126))
    p[46:46 + 8] = bytes([0x80, 0x41, 0x9F, 0xE9, 0xFC, 0x81, 0xA3, 0x00])
    p[78:78 + 3] = bytes([0x20, 0x7E, 0x00])
    g.decode(f"{cls}-b3-ansi", cls, bytes(p),
             expect={"sDisplayLine(0)": "\u20acA\u0178\u00e9\u00fc\u0081\u00a3",
                     "sDisplayLine(1)": " ~"},
             note="line bytes converted from code page 1252; the unassigned 0x81 stays U+0081")
    # empty first line (NUL at 46), line 1 present
    p = j.build_payload(cls, {"sDisplayLine(0)": "", "sDisplayLine(1)": "x"}, length=126)
    g.decode(f"{cls}-b3-empty-line", cls, p, expect={"sDisplayLine(0)": "", "sDisplayLine(1)": "x"})
    # other revisions: any word other than 0x80B3 picks the narrow layout
    for rev in (0x0000, 0x80B4, 0x00B3):
        p = j.build_payload(cls, {"sDisplayLine(0)": "0123456789abcdef",
                                  "sDisplayLine(1)": "second", "nTODMode": 1,
                                  "nCallDurationDisplayMode": 2, "nCallDuration": 95},
                            revision=rev, fill=noise(rev & 0xFF), length=126)
        g.decode(f"{cls}-rev{rev:04x}", cls, p,
                 expect={"nTODMode": 1, "nCallDuration": 95, "nDeviceIdleStatus": 0})
    # truncated payloads: what lies beyond reads as zero
    full = j.build_payload(cls, dict(base, **{"sDisplayLine(0)": "Truncated line here",
                                              "sDisplayLine(1)": "gone"}), length=126)
    g.decode(f"{cls}-b3-truncated-50", cls, full[:50],
             expect={"sDisplayLine(0)": "Trun", "sDisplayLine(1)": "", "nTODMode": 0,
                     "nDeviceIdleStatus": 0},
             note="payload ends inside line 0; the buffer beyond lDataLen is zero")
    g.decode(f"{cls}-b3-truncated-115", cls, full[:115],
             expect={"nTODMode": j.s16(base["nTODMode"] & 0xFF00), "nCallDuration": 0},
             note="the payload ends inside nTODMode: its low byte reads 0")
    g.decode(f"{cls}-truncated-2", cls, full[:2],
             expect={"nProtocolRevision": 0, "nDeviceHandle": 0, "sDisplayLine(0)": ""},
             note="no revision word: the narrow layout applies")
    g.decode(f"{cls}-empty-payload", cls, b"",
             expect={"nProtocolRevision": 0, "varLEDStates": [0, 0, 0, 0, 0]})
    # setters: BE16 fields and varLEDStates at the 0x80B3 offsets; three setters ignored
    g.build(f"{cls}-setters", cls, [
        {"put": "nProtocolRevision", "value": j.s16(j.REV)},
        {"put": "nDeviceHandle", "value": 0x1234},
        {"put": "nKeyControl", "value": 0x0F0F},
        {"put": "nTODMode", "value": 2},
        {"put": "nCallDurationDisplayMode", "value": 1},
        {"put": "nCallDuration", "value": -2},
        {"put": "nDeviceIdleStatus", "value": 3},
        {"put": "varLEDStates", "value": [0x12, 0x34, 0x56]},
        {"put": "nSpkrCallProgVol", "value": 7},
        {"put": "nSpkrCallProgDur", "value": 1000},
        {"put": "sDisplayLine", "value": "ignored", "args": [0]},
        {"put": "varLEDStates", "value": list(range(11)), "expect": "error"},
    ], note="fresh object (lDataLen 1518); ignored setters change nothing",
        expect={"nDeviceHandle": 0x1234, "nTODMode": 2, "nSpkrCallProgDur": 0,
                "nSpkrCallProgVol": 0, "varLEDStates": [0x3412, 0x0056, 0, 0, 0]},
        fields_from=j.property_names(cls) + ["sDisplayLine(0)", "sDisplayLine(1)"])


def kzinit_cases(g):
    cls = "KzSetInitMsg"
    vals = distinct(j.KZINIT_FIELDS, 40)
    vals["nControlHeaderBits"] = 0x0071
    vals["nStatusUpdatePeriod"] = 5000
    for rev, tag, n in ((j.REV, "b3", 664), (0x80B2, "80b2", 174)):
        p = j.build_payload(cls, vals, revision=rev, fill=noise(0x33), length=n)
        g.decode(f"{cls}-{tag}-all-fields", cls, p, expect=dict(
            (k, v) for k, v in vals.items() if k != "nProtocolRevision"))
    # short payloads: the status period lies beyond and reads 0
    p = j.build_payload(cls, vals, revision=j.REV, fill=noise(0x34), length=664)
    g.decode(f"{cls}-b3-truncated-46", cls, p[:46],
             expect={"nStatusUpdatePeriod": 0, "varPageMac": vals["varPageMac"]},
             note="status period at 662 beyond the payload reads 0")
    g.decode(f"{cls}-b3-truncated-662", cls, p[:662], expect={"nStatusUpdatePeriod": 0})
    g.decode(f"{cls}-b3-truncated-663", cls, p[:663],
             expect={"nStatusUpdatePeriod": j.s16((5000 >> 8) << 8)},
             note="only the high byte of the period is in the payload")
    p = j.build_payload(cls, vals, revision=0x0001, fill=noise(0x35), length=174)
    g.decode(f"{cls}-rev0001-truncated-40", cls, p[:40],
             expect={"nControlHeaderBits": 0x0071, "varPageMac": vals["varPageMac"][:2] + [0] * 4})
    # setters write at the 0x80B3 offsets whatever the revision word says
    steps = [{"put": "nControlHeaderBits", "value": 0x0013},
             {"put": "nStatusUpdatePeriod", "value": 3000},
             {"put": "varSystemStateIP", "value": [224, 1, 2, 3]},
             {"put": "varPageMac", "value": [1, 2, 3, 4, 5, 6, 7], "expect": "error"}]
    g.build(f"{cls}-setters-rev0", cls, steps,
            note="fresh object, revision word 0: the puts land at the 0x80B3 offsets, "
                 "the getters read the narrow layout",
            expect={"nControlHeaderBits": 0, "nControlIPTOS": 0x0013, "nSystemStateHash": 0,
                    "varSystemStateIP": [0, 0, 224, 1], "nStatusUpdatePeriod": 0})
    g.build(f"{cls}-setters-b3", cls, [{"put": "nProtocolRevision", "value": j.s16(j.REV)}] + steps[:3],
            expect={"nControlHeaderBits": 0x0013, "nStatusUpdatePeriod": 3000,
                    "varSystemStateIP": [224, 1, 2, 3]})


def sysstate_cases(g):
    cls = "SystemStateMsg"
    d = {"nDeviceHandle": 0x0102, "year": 2000, "month": 1, "day": 1, "hour": 0, "minute": 0,
         "msInMinute": 0}
    tl, kz, pk = pattern(12, 1), pattern(20, 2), pattern(6, 3)
    p = j.build_payload(cls, d, elements=[(0x0300, tl), (0x0200, kz), (0x0600, pk)])
    g.decode(f"{cls}-all-tags", cls, p,
             expect={"dtCurrent": 36526.0, "varTlimLEDStates": tl, "varKzSetLEDStates": kz,
                     "varParkLEDStates": pk},
             errors=[("varParkLEDStates", "value")])
    d2 = dict(d, year=2024, month=2, day=29, hour=13, minute=45, msInMinute=59999)
    p = j.build_payload(cls, d2, elements=[(0x0100, pattern(3, 9)), (0x0200, kz)])
    dt = j.ole_date(2024, 2, 29, 13, 45, 59, 999)
    g.decode(f"{cls}-no-park-tag", cls, p,
             expect={"dtCurrent": dt, "varKzSetLEDStates": kz, "varParkLEDStates": None},
             errors=[("varParkLEDStates", "empty"), ("varTlimLEDStates", "empty")],
             note="59.999 s, milliseconds kept; unknown tag 0x0100 skipped")
    p = j.build_payload(cls, dict(d, year=1999, month=12, day=31, hour=23, minute=59,
                                  msInMinute=30500),
                        elements=[(0x0600, pk), (0x0600, pattern(4, 77)), (0x0300, tl)])
    g.decode(f"{cls}-duplicate-tag", cls, p,
             expect={"varParkLEDStates": pk, "varTlimLEDStates": tl,
                     "dtCurrent": j.ole_date(1999, 12, 31, 23, 59, 30, 500)},
             note="the first element with the tag wins")
    # zero-length element: a width of 0 gives an empty VARIANT; the walk moves on by 4
    p = j.build_payload(cls, d, elements=[(0x0300, b""), (0x0200, kz)])
    g.decode(f"{cls}-zero-length-element", cls, p,
             expect={"varTlimLEDStates": None, "varKzSetLEDStates": kz},
             errors=[("varTlimLEDStates", "empty")])
    # no elements at all
    p = j.build_payload(cls, d, length=20)
    g.decode(f"{cls}-no-elements", cls, p,
             errors=[("varTlimLEDStates", "empty"), ("varKzSetLEDStates", "empty"),
                     ("varParkLEDStates", "empty")])
    # an element whose length runs past the payload ends the walk (mend)
    p = j.build_payload(cls, d, elements=[(0x0200, kz), (0x0100, pattern(8, 5), 400),
                                          (0x0600, pk)])
    g.decode(f"{cls}-length-past-end", cls, p,
             expect={"varKzSetLEDStates": kz, "varParkLEDStates": None},
             errors=[("varParkLEDStates", "empty", True, "length 400 runs past lDataLen: the walk stops"),
                     ("varKzSetLEDStates", "value")])
    p = j.build_payload(cls, d, elements=[(0x0600, pk, 0xFFFF)])
    g.decode(f"{cls}-tag-found-length-past-end", cls, p,
             expect={"varParkLEDStates": None},
             errors=[("varParkLEDStates", "empty", True, "data would run past lDataLen: not found")])
    # element ending exactly at lDataLen is found; one byte short is not
    p = j.build_payload(cls, d, elements=[(0x0200, kz), (0x0600, pk)])
    g.decode(f"{cls}-element-ends-at-end", cls, p, expect={"varParkLEDStates": pk})
    g.decode(f"{cls}-element-one-byte-short", cls, p[:-1],
             expect={"varParkLEDStates": None, "varKzSetLEDStates": kz},
             errors=[("varParkLEDStates", "empty", True)])
    # a header cut in two at the end
    g.decode(f"{cls}-header-cut", cls, p[:20 + 4 + len(kz) + 2],
             expect={"varParkLEDStates": None, "varKzSetLEDStates": kz})
    # an element list that fills the whole buffer
    big = pattern(FULL - 20 - 4 - 4 - 2, 8)
    p = j.build_payload(cls, d, elements=[(0x0200, big), (0x0600, pattern(2, 1))])
    assert len(p) == FULL
    g.decode(f"{cls}-fills-buffer", cls, p,
             expect={"varKzSetLEDStates": big, "varParkLEDStates": pattern(2, 1)})
    # 2038 and a leap day
    p = j.build_payload(cls, dict(d, year=2038, month=1, day=19, hour=3, minute=14,
                                  msInMinute=7000), length=20)
    g.decode(f"{cls}-date-2038", cls, p, expect={"dtCurrent": j.ole_date(2038, 1, 19, 3, 14, 7)})
    g.build(f"{cls}-setters-ignored", cls, [
        {"put": "varParkLEDStates", "value": [1, 2, 3]},
        {"put": "varKzSetLEDStates", "value": [1]},
        {"put": "varTlimLEDStates", "value": [1]},
        {"put": "dtCurrent", "value": 36526.0}],
        note="fresh object: the setters change nothing, the walk over zeros finds nothing",
        expect={"payload": bytes(FULL).hex()})


def callstate_cases(g):
    cls = "CallStateControlMsg"
    vals = distinct(j.CALL_FIELDS, 70)
    vals["nConferenceListSize"] = 3
    conf = {}
    for i in range(3):
        conf[f"varConfOtherMac({i})"] = [0x02, 0xC0, i, 0x10 + i, 0x20 + i, 0x30 + i]
        conf[f"nConfOtherVDN({i})"] = j.s16(0x8001 + i * 0x111)
    for rev, tag in ((j.REV, "b3"), (0x80B2, "80b2")):
        p = j.build_payload(cls, dict(vals, **conf), revision=rev, fill=noise(0x77), length=160)
        g.decode(f"{cls}-{tag}-all-fields", cls, p,
                 expect=dict(((k, v) for k, v in vals.items() if k != "nProtocolRevision"), **conf),
                 errors=[("varConfOtherMac(0)", "value"), ("nConfOtherVDN(2)", "value"),
                         ("varConfOtherMac(3)", "value", False,
                          "past nConferenceListSize: not checked, reads the buffer"),
                         ("varConfOtherMac(-1)", "error", True),
                         ("nConfOtherVDN(-1)", "error", True),
                         ("nConfOtherVDN(-32768)", "error", True)])
    # no conference
    p = j.build_payload(cls, {"nConferenceListSize": 0, "nAudioConnType1": 1}, length=148)
    g.decode(f"{cls}-b3-no-conference", cls, p, expect={"nConferenceListSize": 0})
    # negative list size: nothing to read
    p = j.build_payload(cls, {"nConferenceListSize": -1}, revision=0x80B2, length=148)
    g.decode(f"{cls}-80b2-list-size-ffff", cls, p, expect={"nConferenceListSize": -1})
    # the largest index inside the buffer, and one past it (mend), on full payloads
    for rev, tag in ((j.REV, "b3"), (0x80B2, "80b2")):
        b3 = rev == j.REV
        last_mac = j.offset_limit(124 if b3 else 120, 8, 6)
        last_vdn = j.offset_limit(130 if b3 else 126, 8, 2)
        p = j.build_payload(cls, {"nConferenceListSize": 200}, revision=rev,
                            fill=noise(0x21), length=FULL)
        g.decode(f"{cls}-{tag}-list-runs-past-buffer", cls, p,
                 note=f"nConferenceListSize 200 on a 1518-byte payload; entries from "
                      f"{last_vdn + 1} on would leave the buffer",
                 errors=[("varConfOtherMac(0)", "value"),
                         (f"varConfOtherMac({last_mac})", "value"),
                         (f"varConfOtherMac({last_mac + 1})", "error", True),
                         (f"nConfOtherVDN({last_vdn})", "value"),
                         (f"nConfOtherVDN({last_vdn + 1})", "error", True),
                         ("varConfOtherMac(199)", "error", True),
                         ("nConfOtherVDN(32767)", "error", True)])
    # truncated: the second connection lies beyond
    p = j.build_payload(cls, dict(vals, **conf), fill=noise(0x78), length=160)
    g.decode(f"{cls}-b3-truncated-62", cls, p[:62],
             expect={"nAudioConnType2": 0, "varMulticastIP1": vals["varMulticastIP1"],
                     "nConferenceListSize": 0})
    # setters: 0x80B3 offsets, byte setters OR, nAudioControls2 ignored
    g.build(f"{cls}-initpacket-and-setters", cls, [
        {"call": "InitPacket"},
        {"put": "nAudioConnType1", "value": 1},
        {"put": "nAudioConnType1", "value": 2},
        {"put": "nAudioControls1", "value": 0x40},
        {"put": "nAudioControls2", "value": 0x7F},
        {"put": "nAudioFramesPerPacket2", "value": 0x05},
        {"put": "nAudioHdrBits1", "value": 0x0071},
        {"put": "nAudioHdrBits1", "value": 0x0011},
        {"put": "varMulticastMac1", "value": [0x01, 0x00, 0x5E, 1, 2, 3]},
        {"put": "nConferenceListSize", "value": 2},
        {"put": "varConfOtherMac", "args": [1], "value": [2, 0, 0, 0, 0, 9]},
        {"put": "nConfOtherVDN", "args": [1], "value": 0x0222},
        {"put": "varOtherPartyIP1", "value": [1, 2, 3, 4, 5], "expect": "error"},
    ], note="byte setters OR into the byte; word setters replace",
        expect={"nMsgType": 0x4852, "lDataLen": 148, "nAudioConnType1": 3,
                "nAudioControls2": 0, "nAudioFramesPerPacket2": 5, "nAudioHdrBits1": 0x0011},
        fields_from=j.property_names(cls) + ["varConfOtherMac(1)", "nConfOtherVDN(1)"])


def ledmap_cases(g):
    cls = "LEDMappingMsg"
    f = {"nDeviceHandle": 0x0042}
    for i in range(12):
        f[f"nResourceGroup({i})"] = j.s16(0x0100 * (i + 1) + i) if i != 11 else -1
        f[f"nUnitNo({i})"] = 0x30 + i
    p = j.build_payload(cls, f, fill=noise(0x44), length=60)
    raw = list(p[8:56])
    g.decode(f"{cls}-twelve-entries", cls, p, expect=dict(f, varLEDMap=raw),
             errors=[("nResourceGroup(0)", "value"), ("nUnitNo(11)", "value"),
                     ("nResourceGroup(12)", "value", False,
                      "index 12 is past the 12-entry map but inside the buffer: reads bytes 56-57"),
                     ("nResourceGroup(-1)", "error", True), ("nUnitNo(-1)", "error", True)])
    p = j.build_payload(cls, f, fill=noise(0x45), length=FULL)
    lr, lu = j.offset_limit(8, 4, 2), j.offset_limit(10, 4, 2)
    g.decode(f"{cls}-buffer-edge", cls, p,
             errors=[(f"nResourceGroup({lr})", "value"), (f"nResourceGroup({lr + 1})", "error", True),
                     (f"nUnitNo({lu})", "value"), (f"nUnitNo({lu + 1})", "error", True),
                     ("nUnitNo(32767)", "error", True)],
             note=f"last index inside the buffer: nResourceGroup {lr}, nUnitNo {lu}")
    g.decode(f"{cls}-truncated-20", cls, p[:20],
             expect={"nResourceGroup(3)": 0, "nUnitNo(2)": f["nUnitNo(2)"],
                     "varLEDMap": list(p[8:20]) + [0] * 36})
    g.build(f"{cls}-setters", cls, [
        {"put": "nDeviceHandle", "value": 7},
        {"put": "nResourceGroup", "args": [11], "value": 0x0606},
        {"put": "nUnitNo", "args": [0], "value": -2},
        {"put": "varLEDMap", "value": [9] * 49, "expect": "error"},
        {"put": "nUnitNo", "args": [j.offset_limit(10, 4, 2) + 1], "value": 1, "expect": "error"}],
        expect={"nDeviceHandle": 7},
        fields_from=j.property_names(cls) + ["nResourceGroup(11)", "nUnitNo(0)"])


def dtmf_cases(g):
    cls = "PlayDTMFMsg"
    p = j.build_payload(cls, {"nDeviceHandle": 0x0011, "nSequenceID": 0x0203,
                              "varCodes": [1, 2, 11], "varTimes": [100, 150, 255]}, length=18)
    g.decode(f"{cls}-three-pairs", cls, p,
             expect={"varCodes": [1, 2, 11], "varTimes": [100, 150, 255], "nSequenceID": 0x0203})
    p = j.build_payload(cls, {"nSequenceID": -1, "count": 0}, fill=noise(0x66), length=30)
    g.decode(f"{cls}-count-0", cls, p, expect={"varCodes": [], "varTimes": []},
             errors=[("varCodes", "value", True, "a zero count gives zero-element arrays"),
                     ("varTimes", "value", True)])
    n = j.DTMF_MAX
    p = j.build_payload(cls, {"varCodes": [i % 16 for i in range(n)],
                              "varTimes": [(i * 3) & 0xFF for i in range(n)]}, length=FULL)
    g.decode(f"{cls}-count-max", cls, p,
             expect={"varCodes": [i % 16 for i in range(n)]},
             note=f"{n} pairs fill the buffer to its last byte")
    for count in (n + 1, 0x7FFF, 0xFFFF):
        p = j.build_payload(cls, {"count": count, "varCodes": [1] * 10, "varTimes": [2] * 10},
                            fill=noise(count & 0xFF), length=FULL)
        g.decode(f"{cls}-count-{count:04x}-past-buffer", cls, p,
                 errors=[("varCodes", "error", True), ("varTimes", "error", True)],
                 note="the pairs would run past the buffer: nothing is read")


def command_cases(g):
    cls = "CommandMsg"
    p = j.build_payload(cls, {"nDeviceHandle": 0x0031, "nCommand": 0x1003, "nQualifier": -2},
                        length=12)
    g.decode(f"{cls}-basic", cls, p, expect={"nCommand": 0x1003, "nQualifier": -2})
    g.decode(f"{cls}-truncated-9", cls, p[:9], expect={"nCommand": 0x1000, "nQualifier": 0})
    g.build(f"{cls}-setters", cls, [{"put": "nCommand", "value": 0x0001},
                                    {"put": "nQualifier", "value": 0x7FFF},
                                    {"put": "nDeviceHandle", "value": -1}],
            expect={"nCommand": 1, "nQualifier": 0x7FFF, "nDeviceHandle": -1})


def slavepage_cases(g):
    cls = "SlavePageCmdMsg"
    vals = distinct(j.SIMPLE_FIELDS[cls], 90)
    vals.pop("nCallProgMode")
    vals["nCallProgTone"] = 0x52
    dev = {f"nDevState({d})": (d * 7 + 1) & 0x0F for d in range(1, 17)}
    p = j.build_payload(cls, dict(vals, word44=0, **dev), fill=noise(0x19), length=60)
    g.decode(f"{cls}-all-fields", cls, p, expect=dict(vals, nCallProgMode=5, **dev),
             note="tone and mode read the same byte 20 (0x52: tone 82, mode 5); "
                  "devices 1-4 are lo/hi of byte 48, lo/hi of byte 49",
             errors=[("nDevState(1)", "value"), ("nDevState(0)", "value", True),
                     ("nDevState(-1)", "value", True), ("nDevState(-32768)", "value", True)])
    # nibble order spelled out on one word
    p = bytearray(j.build_payload(cls, {"word44": 0}, length=52))
    p[48], p[49], p[50], p[51] = 0x21, 0x43, 0x65, 0x87
    g.decode(f"{cls}-nibble-order", cls, bytes(p), devices=9,
             expect={"nDevState(1)": 1, "nDevState(2)": 2, "nDevState(3)": 3, "nDevState(4)": 4,
                     "nDevState(5)": 5, "nDevState(8)": 8, "nDevState(9)": 0})
    # word 44 not 0: the state words are still taken from 48
    p = j.build_payload(cls, dict(word44=0x0102, **dev), length=52)
    g.decode(f"{cls}-word44-nonzero", cls, p, devices=8,
             expect={f"nDevState({d})": dev[f"nDevState({d})"] for d in range(1, 9)},
             note="start when the word at 44 is not 0 is left open; this system uses 48")
    # the buffer's end
    p = j.build_payload(cls, {"word44": 0}, fill=noise(0x2B), length=FULL)
    last = j.DEVSTATE_MAX
    g.decode(f"{cls}-buffer-edge", cls, p, devices=4,
             errors=[(f"nDevState({last})", "value"), (f"nDevState({last - 3})", "value"),
                     (f"nDevState({last + 1})", "value", True), ("nDevState(32767)", "value", True)],
             note=f"device {last} is the high nibble of byte 1517; past it reads 0 with S_OK")
    g.decode(f"{cls}-truncated-30", cls, p[:30],
             expect={"varMulticastIP": [0, 0, 0, 0], "nOtherPartyVDN": 0, "nDevState(1)": 0})
    g.build(f"{cls}-setters-ignored", cls, [{"put": "nPageNoID", "value": 5},
                                            {"put": "nDevState", "args": [1], "value": 3},
                                            {"put": "varMulticastIP", "value": [1, 2, 3, 4]}],
            expect={"payload": bytes(FULL).hex()})


def empty_classes(g):
    for cls in ("PageCommandMsg", "UnsupportedFeatureMsg"):
        g.decode(f"{cls}-no-properties", cls, bytes(24),
                 note="no properties beyond IJIPMessage; no packet creates it")


def kzevent_cases(g):
    cls = "KzSetEventMsg"
    untouched = [(n, "untouched") for n in j.KZEVENT_NOT_PROVIDED]
    g.build(f"{cls}-initpacket", cls, [{"call": "InitPacket"}], errors=untouched,
            expect={"payload": "020580b3000000000000000000000001" + "00" * 8, "nMsgType": 0x4852,
                    "lDataLen": 24, "nSrcVDN": 1, "nDestVDN": 1, "nHeaderBitMap": 0x11,
                    "nHookSwitchStatus": 1})
    g.build(f"{cls}-key-press", cls, [
        {"call": "InitPacket"}, {"put": "nEventID", "value": 3}, {"put": "nEventInfo1", "value": 21},
        {"put": "nDeviceHandle", "value": 0x1234}, {"put": "nProtocolRevision", "value": j.s16(j.REV)}],
        errors=untouched, note="key 21 (mute) pressed",
        expect={"payload": "020580b3123400000003001500000001" + "00" * 8})
    g.build(f"{cls}-dtmf-complete", cls, [
        {"call": "InitPacket"}, {"put": "nEventID", "value": 5}, {"put": "nEventInfo1", "value": 0x0203},
        {"put": "nDeviceHandle", "value": 0x0011}, {"put": "nHookSwitchStatus", "value": 0}],
        expect={"nHookSwitchStatus": 0})
    g.build(f"{cls}-flow-control", cls, [
        {"call": "InitPacket"}, {"put": "nEventID", "value": 8}, {"put": "nEventInfo1", "value": -1},
        {"put": "nEventInfo2", "value": 20}, {"put": "nDeviceHandle", "value": -32768},
        {"put": "nProtocolRevision", "value": 0x00B2}, {"put": "nHookSwitchStatus", "value": -1}],
        expect={"nProtocolRevision": 0x00B2, "nHookSwitchStatus": -1})


def status_cases(g):
    cls = "StatusMsg"
    g.build(f"{cls}-initpacket", cls, [{"call": "InitPacket"}],
            expect={"nMsgType": 0x4855, "lDataLen": 206, "nHeaderBitMap": 0x11})
    fields = [{"put": "nDeviceHandle", "value": 0x1234}, {"put": "nDeviceType", "value": 0x0021},
              {"put": "varMacAddress", "value": [0x02, 0x00, 0x5A, 0x01, 0x02, 0x03]},
              {"put": "varMyIP", "value": [192, 168, 1, 20]},
              {"put": "varSubNetMask", "value": [255, 255, 255, 0]},
              {"put": "varGatewayIP", "value": [192, 168, 1, 1]},
              {"put": "nDeviceLocation", "value": 3},
              {"put": "varVuruvIP", "value": [10, 0, 0, 5]},
              {"put": "nDiscoveryState", "value": 2}, {"put": "nSystemStateMsgCount", "value": -3},
              {"put": "nProtocolRevision", "value": j.s16(j.REV)}]
    g.build(f"{cls}-all-fields", cls, [{"call": "InitPacket"}] + fields,
            note="the handle goes to offsets 4 and 44")
    for n in (1, 2, 4):
        steps = [{"call": "InitPacket"}, {"put": "nDeviceHandle", "value": 0x1234}]
        steps += [{"call": "AddDevice", "args": [0x10 + k, 0x0100 + k, -k]} for k in range(n)]
        g.build(f"{cls}-{n}-devices", cls, steps,
                expect={"lDataLen": 206 + 8 * n})
    g.build(f"{cls}-short-arrays", cls, [
        {"call": "InitPacket"},
        {"put": "varMacAddress", "value": [0xAA, 0xBB, 0xCC, 0xDD]},
        {"put": "varMyIP", "value": [1, 2]},
        {"put": "varMacAddress", "value": [1, 2, 3, 4, 5, 6, 7], "expect": "error"},
        {"put": "varVuruvIP", "value": [1, 2, 3, 4, 5], "expect": "error"},
        {"put": "varGatewayIP", "value": []}],
        note="a shorter array overwrites a prefix; a wider one fails and changes nothing",
        expect={"varMacAddress": [0xAA, 0xBB, 0xCC, 0xDD, 0, 0], "varMyIP": [1, 2, 0, 0]})
    steps = [{"call": "InitPacket"}]
    steps += [{"call": "AddDevice", "args": [1, k, 0]} for k in range(j.STATUS_MAX_DEVICES)]
    steps.append({"call": "AddDevice", "args": [1, 999, 0], "expect": "error"})
    g.build(f"{cls}-max-devices", cls, steps,
            note=f"{j.STATUS_MAX_DEVICES} devices fill the buffer; the next one is refused (mend)",
            expect={"lDataLen": FULL})


def report_cases(g):
    cls = "ReportIPInfoMsg"
    g.build(f"{cls}-initpacket", cls, [{"call": "InitPacket"}],
            errors=[("varMacAddress", "untouched")],
            expect={"nMsgType": 0x4852, "lDataLen": 92, "nSrcVDN": 1, "nDestVDN": 0x0101,
                    "nHeaderBitMap": 0x11})
    g.build(f"{cls}-all-fields", cls, [
        {"call": "InitPacket"}, {"put": "nDeviceHandle", "value": 0x1234},
        {"put": "nDeviceType", "value": 0x0021}, {"put": "nDeviceLocation", "value": 2},
        {"put": "nDiscoveryState", "value": 1}, {"put": "varMyIP", "value": [192, 168, 1, 20]},
        {"put": "varSubNetMask", "value": [255, 255, 0, 0]},
        {"put": "varGatewayIP", "value": [192, 168, 1, 1]},
        {"put": "varVuruvIP", "value": [10, 0, 0, 5]}, {"put": "nSystemStateMsgCount", "value": 7},
        {"put": "varMacAddress", "value": [1, 2, 3, 4, 5, 6]},
        {"put": "nProtocolRevision", "value": j.s16(j.REV)}],
        errors=[("varMacAddress", "untouched")],
        note="the varMacAddress setter is ignored")


def mulaw(n, seed):
    return pattern(n, seed)


def rt_cases(g):
    cls = "RealTimeAudioMsg"
    g.build(f"{cls}-initpacket", cls, [{"call": "InitPacket"}],
            expect={"payload": "80b30000000000000000", "nMsgType": 0x4841, "lDataLen": 10,
                    "nDestVDN": 0},
            errors=[("nFormat(0)", "error", True, "no frames: index 0 is not below nFrames")])
    d192 = mulaw(192, 1)
    g.build(f"{cls}-one-mulaw-frame", cls, [
        {"call": "InitPacket"}, {"put": "nDestVDN", "value": 2}, {"put": "nSourceVDN", "value": 0x0105},
        {"call": "AddFrame", "args": [d192, 1, 0, 0x0102]}],
        expect={"lDataLen": 206, "nDestVDN": 2},
        fields_from=j.property_names(cls) + ["nFormat(0)", "nAudioFlags(0)", "nFrameSeq(0)",
                                             "varAudioData(0)"],
        errors=[("nFrameSeq(1)", "error", True), ("nFrameSeq(-1)", "error", True)])
    g.build(f"{cls}-format2-flags", cls, [
        {"call": "InitPacket"}, {"call": "AddFrame", "args": [mulaw(10, 3), 2, 0x0110, -1]}],
        note="the flags byte is the low byte of nFlags; short data leaves the rest of the slot zero",
        fields_from=["nFormat(0)", "nAudioFlags(0)", "nFrameSeq(0)", "varAudioData(0)"],
        expect={"nAudioFlags(0)": 0x10, "nFrameSeq(0)": -1,
                "varAudioData(0)": mulaw(10, 3) + [0] * 182})
    adpcm = [0x01, 0x02, 0x03, 0x04] + pattern(96, 9)
    g.build(f"{cls}-adpcm-frame", cls, [
        {"call": "InitPacket"}, {"call": "AddFrame", "args": [adpcm, 3, 2, 7]}],
        note="the two header words go big-endian: host 01 02 03 04 is wire 02 01 04 03; "
             "the frame slot is 196 bytes, zero after the data",
        fields_from=["nFrames", "nFormat(0)", "varAudioData(0)"],
        expect={"lDataLen": 206, "varAudioData(0)": adpcm},
        errors=[("varAudioData(0)", "value", True, "read twice, same bytes (swap in the copy)")])
    g.build(f"{cls}-adpcm-104", cls, [
        {"call": "InitPacket"}, {"call": "AddFrame", "args": [pattern(104, 4), 3, 0, 1]},
        {"call": "AddFrame", "args": [pattern(105, 4), 3, 0, 2], "expect": "error"}],
        note="up to 104 bytes accepted, 100 returned; 105 fails",
        fields_from=["nFrames", "varAudioData(0)"],
        expect={"nFrames": 1, "varAudioData(0)": pattern(104, 4)[:100]})
    g.build(f"{cls}-193-bytes-fails", cls, [
        {"call": "InitPacket"}, {"call": "AddFrame", "args": [mulaw(193, 5), 1, 0, 1], "expect": "error"}],
        expect={"nFrames": 0, "lDataLen": 10})
    g.build(f"{cls}-format-4-fails", cls, [
        {"call": "InitPacket"}, {"call": "AddFrame", "args": [mulaw(192, 5), 4, 0, 1], "expect": "error"},
        {"call": "AddFrame", "args": [mulaw(192, 5), 0, 0, 1], "expect": "error"}],
        expect={"nFrames": 0, "lDataLen": 10, "payload": "80b30000000000000000"})
    steps = [{"call": "InitPacket"}]
    steps += [{"call": "AddFrame", "args": [mulaw(192, k), 1 + (k % 2), 0, k]} for k in range(7)]
    steps.append({"call": "AddFrame", "args": [mulaw(192, 7), 1, 0, 7], "expect": "error"})
    g.build(f"{cls}-max-frames", cls, steps,
            note="7 frames fit (lDataLen 1382); the 8th would end at 1578 and is refused (mend)",
            fields_from=j.property_names(cls) + ["nFrameSeq(6)", "nFormat(6)", "varAudioData(6)"],
            expect={"lDataLen": 1382, "nFrames": 7},
            errors=[("nFrameSeq(6)", "value"), ("nFrameSeq(7)", "error", True)])
    # received messages
    frames = [{"format": 1, "flags": 0, "seq": 0x0100, "data": mulaw(192, 11)},
              {"format": 1, "flags": 2, "seq": 0x0101, "data": mulaw(192, 12)}]
    p = j.build_payload(cls, {"nDestVDN": 0x0002, "nSourceVDN": 0x0105}, frames=frames)
    g.decode(f"{cls}-received-two-frames", cls, p,
             expect={"nAudioFlags(1)": 2, "nFrameSeq(1)": 0x0101, "nFrames": 2,
                     "varAudioData(1)": mulaw(192, 12), "nDestVDN": 2, "nSourceVDN": 0x0105},
             errors=[("nAudioFlags(1)", "value"), ("nFrameSeq(2)", "error", True),
                     ("varAudioData(-1)", "error", True)])
    p = j.build_payload(cls, {"nSourceVDN": 9}, frames=[{"format": 3, "flags": 0x10, "seq": 5,
                                                         "data": adpcm}])
    assert p[14:18] == bytes([2, 1, 4, 3])
    g.decode(f"{cls}-received-adpcm", cls, p, expect={"varAudioData(0)": adpcm},
             errors=[("varAudioData(0)", "value", True, "a second read gives the same bytes")])
    p = j.build_payload(cls, {}, frames=[{"format": 5, "seq": 1, "data": mulaw(192, 1)}])
    g.decode(f"{cls}-received-format-5", cls, p,
             errors=[("nFormat(0)", "value"), ("varAudioData(0)", "error")])
    # full payload claiming more frames than fit, and fewer than present
    fr = [{"format": 1, "seq": k, "data": mulaw(192, k)} for k in range(7)]
    p = j.build_payload(cls, {"nFrames": 8}, frames=fr, ) + bytes(FULL - 1382)
    g.decode(f"{cls}-nframes-8-full-buffer", cls, p,
             errors=[("nFrameSeq(6)", "value"), ("nFormat(7)", "error", True),
                     ("varAudioData(7)", "error", True)],
             note="frame 7 would end at 1578, past the buffer")
    p = j.build_payload(cls, {"nFrames": 2}, frames=fr) + bytes(FULL - 1382)
    g.decode(f"{cls}-nframes-2-more-present", cls, p,
             errors=[("nFrameSeq(1)", "value"),
                     ("nFrameSeq(2)", "error", True, "the index is checked against nFrames too")])
    p = j.build_payload(cls, {"nFrames": -1}, frames=fr[:1])
    g.decode(f"{cls}-nframes-negative", cls, p, expect={"nFrames": -1},
             errors=[("nFormat(0)", "error", True)])
    g.decode(f"{cls}-truncated-8", cls, p[:8], expect={"nFrames": 0, "nSourceVDN": 0})


def rel_cases(g):
    cls = "ReliableAudioMsg"
    g.build(f"{cls}-initpacket", cls, [{"call": "InitPacket"}],
            expect={"payload": "008380b3000000000000", "nMsgType": 0x4852, "lDataLen": 10})
    adpcm = [0x01, 0x02, 0x03, 0x04] + pattern(252, 5)
    steps = [{"call": "InitPacket"},
             {"call": "AddFrame", "args": [adpcm, 3, 0, 0x0010]},
             {"call": "AddFrame", "args": [mulaw(192, 3), 1, 1, 0x0011]},
             {"call": "AddFrame", "args": [mulaw(256, 4), 7, 2, 0x0012]}]
    idx = ["nFormat(%d)", "nAudioFlags(%d)", "nFrameSeq(%d)", "varAudioData(%d)"]
    calls = [c % i for i in range(3) for c in idx]
    g.build(f"{cls}-three-frames", cls, steps,
            note="every format swaps the first two data words; any format byte is accepted; "
                 "every frame returns its 256 data bytes, a 192-byte mu-law frame too",
            fields_from=j.property_names(cls) + calls,
            expect={"lDataLen": 790, "nFrames": 3, "varAudioData(0)": adpcm,
                    "varAudioData(1)": mulaw(192, 3) + [0] * 64, "nFormat(2)": 7,
                    "varAudioData(2)": mulaw(256, 4)},
            errors=[("varAudioData(0)", "value", True, "a second read gives the same bytes"),
                    ("nFormat(3)", "error", True)])
    g.build(f"{cls}-reset", cls, steps + [{"call": "Reset"}],
            expect={"lDataLen": 10, "nFrames": 0}, errors=[("nFormat(0)", "error", True)],
            note="Reset: 0 frames and lDataLen 10; the frame bytes stay behind lDataLen")
    g.build(f"{cls}-reset-then-add", cls, steps + [
        {"call": "Reset"}, {"call": "AddFrame", "args": [[0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF], 1, 0, 9]}],
        fields_from=["nFrames", "nFrameSeq(0)", "varAudioData(0)"],
        note="6 data bytes after Reset: the old frame's bytes from 6 on stay",
        expect={"lDataLen": 270, "varAudioData(0)": [0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF] + adpcm[6:]})
    g.build(f"{cls}-257-bytes-fails", cls, [
        {"call": "InitPacket"}, {"call": "AddFrame", "args": [mulaw(257, 1), 3, 0, 0], "expect": "error"}],
        expect={"nFrames": 0, "lDataLen": 10})
    steps = [{"call": "InitPacket"}]
    steps += [{"call": "AddFrame", "args": [mulaw(256, k), 3, 0, k]} for k in range(5)]
    steps.append({"call": "AddFrame", "args": [mulaw(10, 1), 3, 0, 5], "expect": "error"})
    g.build(f"{cls}-max-frames", cls, steps,
            note="5 frames fit (lDataLen 1310); the 6th would end at 1570 and is refused (mend)",
            fields_from=j.property_names(cls) + ["varAudioData(4)"],
            expect={"lDataLen": 1310, "nFrames": 5})
    frames = [{"format": 3, "flags": 0, "seq": 0x7FFF, "data": adpcm},
              {"format": 1, "flags": 1, "seq": -32768, "data": mulaw(192, 8)}]
    p = j.build_payload(cls, {}, frames=frames)
    assert p[14:18] == bytes([2, 1, 4, 3])
    g.decode(f"{cls}-received-two-frames", cls, p,
             expect={"varAudioData(0)": adpcm, "varAudioData(1)": mulaw(192, 8) + [0] * 64,
                     "nFrameSeq(1)": -32768},
             errors=[("nFrameSeq(2)", "error", True), ("varAudioData(-1)", "error", True)])
    p = j.build_payload(cls, {"nFrames": 6}, frames=[{"format": 3, "seq": k, "data": mulaw(256, k)}
                                                     for k in range(5)]) + bytes(FULL - 1310)
    g.decode(f"{cls}-nframes-6-full-buffer", cls, p,
             errors=[("varAudioData(4)", "value"), ("nFrameSeq(5)", "error", True)],
             note="frame 5 would end at 1570, past the buffer")


def cases():
    g = Gen()
    for fn in (ui_cases, kzinit_cases, sysstate_cases, callstate_cases, ledmap_cases, dtmf_cases,
               command_cases, slavepage_cases, empty_classes, kzevent_cases, status_cases,
               report_cases, rt_cases, rel_cases):
        fn(g)
    names = [c["name"] for c in g.out]
    assert len(names) == len(set(names)), "duplicate case names"
    return g.out


def main():
    for case in cases():
        sys.stdout.write(json.dumps(case, sort_keys=True) + "\n")


if __name__ == "__main__":
    main()
