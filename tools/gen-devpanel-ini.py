#!/usr/bin/env python3
"""Writes data/devPanel.ini, the configuration of the Altrin Pressline T90.

The settings below are the single source: each one's section, NPA name, setting id, kind, values
with their value bytes and labels, bounds and default. The script lays them out as the file's
setting sections and derives both NPA sections from them, so ids, tokens and packets cannot drift
apart. Run it from the repository root after changing a setting, then read the diff.
"""


# Read request: flags 0x50 (a reply is wanted), command E0, sub-command E7, function 01.
READ_HEAD = "A5000650E0E701"
# Writes: flags 0x40, no reply requested, so a two-way parallel port does not stop a write on a
# reply nobody waits for. Function 02.
WRITE_FLAGS = "40"
WRITE_CMD = "E0E702"


def write_packet(sid, value_hex):
    data_len = 6 + len(value_hex) // 2  # flags, command, sub-command, function, id (2), value
    return "A5%04X%s%s%04X%s" % (data_len, WRITE_FLAGS, WRITE_CMD, sid, value_hex)


def read_packet(sid):
    return "%s%04X" % (READ_HEAD, sid)


# Value labels (string ids).
PAPER_TYPES = [("PLAIN", 61308), ("CARDSTOCK", 61257), ("TRANSPARENCY", 61258), ("LABELS", 61259),
               ("BOND", 61309), ("ENVELOPE", 61260), ("LETTERHEAD", 61310), ("PREPRINTED", 61311),
               ("COLORED", 61312), ("CUSTOM1", 61313), ("CUSTOM2", 61314), ("CUSTOM3", 61315),
               ("CUSTOM4", 61316), ("CUSTOM5", 61317), ("CUSTOM6", 61318)]
PAPER_SIZES = [("LETTER", 61319), ("A4", 61320), ("LEGAL", 61321), ("A5", 61322), ("JISB5", 61323),
               ("EXECUTIVE", 61324), ("UNIVERSAL", 61325)]
ENVELOPE_SIZES = [("ENV7_34", 61326), ("ENV9", 61327), ("ENV10", 61328), ("ENVDL", 61329),
                  ("ENVC5", 61330), ("ENVB5", 61331), ("ENVOTHER", 61332)]
TEXTURES = [("SMOOTH", 61252), ("NORMAL", 61253), ("ROUGH", 61254)]
WEIGHTS = [("LIGHT", 61255), ("NORMAL", 61253), ("HEAVY", 61256)]
ON_OFF = [("OFF", 61246), ("ON", 61266)]
LANGUAGES = [("ENGLISH", 61268), ("FRENCH", 61269), ("GERMAN", 61270), ("ITALIAN", 61271),
             ("SPANISH", 61272), ("DANISH", 61273), ("NORWEGIAN", 61274), ("DUTCH", 61275),
             ("SWEDISH", 61276), ("PORTUGUESE", 61277), ("FINNISH", 61278), ("JAPANESE", 61279)]


def lst(section, name, sid, values, default, codes=None):
    # Enumerated values are one opaque byte each: their index unless codes says otherwise.
    codes = codes or ["%02X" % i for i in range(len(values))]
    return dict(kind="list", section=section, name=name, id=sid, values=values, codes=codes,
                default=default)


def switch(section, name, sid, default="OFF"):
    return dict(kind="switch", section=section, name=name, id=sid, values=ON_OFF, codes=["00", "01"],
                default=default)


def text(section, name, sid, max_length):
    return dict(kind="text", section=section, name=name, id=sid, max_length=max_length, default="")


def rng(section, name, sid, lo, hi, default, width, template):
    return dict(kind="range", section=section, name=name, id=sid, lo=lo, hi=hi, default=default,
                width=width, template=template)


def rng_off(section, name, sid, lo, hi, default, width, off_code, template):
    d = rng(section, name, sid, lo, hi, default, width, template)
    d.update(kind="rangeoff", off=("OFF", off_code))
    return d


def rng_choice(section, name, sid, lo, hi, default, width, none_code, off_code, template):
    d = rng(section, name, sid, lo, hi, default, width, template)
    d.update(kind="rangechoice", choices=[("NONE", none_code), ("OFF", off_code)])
    return d


# Numeric values go out as one byte (numbers up to 254) or four bytes (the PostScript timeouts,
# up to 65535). A plain reader of the file also files a template's value bytes as a value, so
# they are a pattern the setting can never hold: outside its range and unlike its off or choice
# tokens.
S = []
# Paper page: blank pages, separator sheets, what each tray holds. Tray 1 is the paper cassette
# (no envelopes); tray 2 is the multipurpose feeder and takes envelopes as well.
S += [lst("BlankPgs", "BLANKPAGES", 0x0101, [("DONTPRINT", 61231), ("PRINT", 61232)], "DONTPRINT"),
      lst("SepSheets", "SEPSHEETS", 0x0102, [("NONE", 61233), ("BETWEENCOPIES", 61234),
                                             ("BETWEENJOBS", 61235), ("BETWEENPAGES", 61236)], "NONE"),
      lst("SepSrc", "SEPSOURCE", 0x0103, [("TRAY1", 61216)], "TRAY1"),
      lst("Tray1PapType", "TRAY1TYPE", 0x0104, [v for v in PAPER_TYPES if v[0] != "ENVELOPE"], "PLAIN",
          ["%02X" % i for i, v in enumerate(PAPER_TYPES) if v[0] != "ENVELOPE"]),
      lst("Tray1PapSize", "TRAY1SIZE", 0x0105, PAPER_SIZES, "A4"),
      lst("Tray2PapType", "TRAY2TYPE", 0x0106, PAPER_TYPES, "PLAIN"),
      lst("Tray2PapSize", "TRAY2SIZE", 0x0107, PAPER_SIZES + ENVELOPE_SIZES, "A4")]
# Custom paper types: the base type of each, then its name.
BASE_TYPES = PAPER_TYPES[:6]
S += [lst("Cust%dType" % n, "CUSTOM%dTYPE" % n, 0x0110 + n, BASE_TYPES, "PLAIN") for n in range(1, 7)]
S += [text("Cust%dName" % n, "CUSTOM%dNAME" % n, 0x0120 + n, 16) for n in range(1, 7)]
# Texture and weight of each of the fifteen paper types.
ROWS = [("Plain", "PLAIN"), ("CardStk", "CARDSTOCK"), ("Trnsprncy", "TRANSPARENCY"), ("Label", "LABELS"),
        ("Bond", "BOND"), ("Env", "ENVELOPE"), ("LtrHd", "LETTERHEAD"), ("Preprnt", "PREPRINTED"),
        ("Color", "COLORED")] + [("Cust%d" % n, "CUSTOM%d" % n) for n in range(1, 7)]
TEXTURE_DEFAULT = {"CARDSTOCK": "SMOOTH", "TRANSPARENCY": "SMOOTH", "BOND": "ROUGH"}
WEIGHT_DEFAULT = {"CARDSTOCK": "HEAVY", "TRANSPARENCY": "HEAVY", "LABELS": "HEAVY", "BOND": "HEAVY"}
S += [lst(sec + "Txt", name + "TEXTURE", 0x0131 + i, TEXTURES, TEXTURE_DEFAULT.get(name, "NORMAL"))
      for i, (sec, name) in enumerate(ROWS)]
S += [lst(sec + "Wgt", name + "WEIGHT", 0x0141 + i, WEIGHTS, WEIGHT_DEFAULT.get(name, "NORMAL"))
      for i, (sec, name) in enumerate(ROWS)]
# Finishing page.
S += [lst("TonerAlarm", "TONERALARM", 0x0201, [("OFF", 61246), ("SINGLE", 61247), ("CONTINUOUS", 61248)],
          "SINGLE"),
      switch("PQET", "PQET", 0x0202, "ON")]
# Setup page. Power saver in minutes, print timeout and auto continue in seconds; 00 is "off".
S += [lst("Emulation", "EMULATION", 0x0301, [("PCL", 61221), ("PS", 61264), ("PPDS", 61265)], "PCL"),
      lst("JamRcvry", "JAMRECOVERY", 0x0302, [("OFF", 61246), ("ON", 61266), ("AUTO", 61267)], "AUTO"),
      lst("Language", "DISPLAYLANG", 0x0303, LANGUAGES, "ENGLISH"),
      lst("PrtArea", "PRINTAREA", 0x0304, [("NORMAL", 61253), ("FULLPAGE", 61280)], "NORMAL"),
      text("PropTag", "PROPTAG", 0x0305, 32),
      rng_off("PwrSvr", "POWERSAVER", 0x0306, 1, 240, "20", 1, "00", "FF"),
      rng_off("PrtTimeout", "PRINTTIMEOUT", 0x0307, 1, 240, "90", 1, "00", "FF"),
      rng_off("AutoCont", "AUTOCONTINUE", 0x0308, 5, 240, "OFF", 1, "00", "FF"),
      switch("ResRed", "RESREDUCTION", 0x0309, "OFF"),
      switch("ResSav", "RESSAVE", 0x030A, "OFF"),
      switch("ResetCtrl", "RESETCTRL", 0x030B, "OFF"),
      switch("PrtBufCtrl", "PRINTBUFFER", 0x030C, "OFF")]
# PCL emulation. Lines per page fill the whole byte, so the template carries 00.
S += [lst("A4Width", "A4WIDTH", 0x0401, [("198MM", 61283), ("203MM", 61284)], "198MM"),
      switch("AutoCR", "AUTOCR", 0x0402, "OFF"),
      switch("AutoLF", "AUTOLF", 0x0403, "OFF"),
      rng("LinesPerPg", "LINESPERPAGE", 0x0404, 1, 255, "64", 1, "00")]
# PCL tray renumbering: a PCL source number 0..199, "NONE" (the printer ignores requests for the
# source; shown as "없음") or "OFF" (factory numbering; shown as "꺼짐").
S += [rng_choice(sec, name, sid, 0, 199, "OFF", 1, "FE", "FF", "FD")
      for sec, name, sid in [("AssignTray1", "ASSIGNTRAY1", 0x0411), ("AssignTray2", "ASSIGNTRAY2", 0x0412),
                             ("AssignManPaper", "ASSIGNMANPAPER", 0x0413),
                             ("AssignManEnv", "ASSIGNMANENV", 0x0414)]]
# PostScript emulation: timeouts in seconds, four bytes; 0 is "off".
S += [rng_off("FeedTimeout", "FEEDTIMEOUT", 0x0501, 15, 65535, "OFF", 4, "00000000", "FFFFFFFF"),
      rng_off("JobTimeout", "JOBTIMEOUT", 0x0502, 15, 65535, "OFF", 4, "00000000", "FFFFFFFF"),
      rng_off("WaitTimeout", "WAITTIMEOUT", 0x0503, 15, 65535, "40", 4, "00000000", "FFFFFFFF"),
      lst("FontPriority", "FONTPRIORITY", 0x0504, [("RESIDENT", 61261), ("FLASH", 61281),
                                                   ("FLASHDISK", 61262), ("DOWNLOAD", 61282)], "RESIDENT")]
# Parallel and USB ports.
S += [switch("Mode1", "PARMODE1", 0x0601, "OFF"),
      switch("Mode2", "PARMODE2", 0x0602, "ON"),
      switch("AdvStatus", "PARADVSTATUS", 0x0603, "ON"),
      switch("HonorInit", "PARHONORINIT", 0x0604, "ON"),
      switch("ParPclAutoLng", "PARPCLAUTOLANG", 0x0605, "ON"),
      switch("ParPsAutoLng", "PARPSAUTOLANG", 0x0606, "ON"),
      lst("Protocol", "PARPROTOCOL", 0x0607, [("STANDARD", 61250), ("FASTBYTES", 61251)], "FASTBYTES"),
      switch("UsbPclAutoLng", "USBPCLAUTOLANG", 0x0701, "ON"),
      switch("UsbPsAutoLng", "USBPSAUTOLANG", 0x0702, "ON")]

# Tree below the printer root: (section, caption id, view id, children).
TREE = [("NodePaper", 61214, 1, [("NodeCustom", 61219, 2), ("NodeTexture", 61215, 3), ("NodeWeight", 61217, 4)]),
        ("NodeFinishing", 61225, 5, []),
        ("NodeSetup", 61224, 6, []),
        ("NodePcl", 61221, 7, [("NodeRenumber", 61222, 8)]),
        ("NodePostscript", 61223, 9, []),
        ("NodePorts", 61211, 0, [("NodeParallel", 61212, 10), ("NodeUsb", 61213, 11)])]

DRIVERS = ["Altrin Pressline T90", "Altrin Pressline T90 PS", "Altrin Pressline T90 PCL 6"]

GROUP_COMMENTS = {
    "BlankPgs": "Paper page: blank pages, separator sheets and their source, size and type in each tray.",
    "Cust1Type": "Custom paper types: the type each is based on.",
    "Cust1Name": "Custom paper types: their names (16 characters, as the operator panel shows them).",
    "PlainTxt": "Texture of each paper type.",
    "PlainWgt": "Weight of each paper type.",
    "TonerAlarm": "Finishing page.",
    "Emulation": "Setup page. Timers: power saver in minutes, print timeout and auto continue in seconds.",
    "A4Width": "PCL emulation.",
    "AssignTray1": "PCL tray renumbering: a source number, NONE (shown as \"없음\") or OFF (shown as \"꺼짐\").",
    "FeedTimeout": "PostScript emulation: timeouts in seconds.",
    "Mode1": "Parallel port.",
    "UsbPclAutoLng": "USB port.",
}


def setting_section(s):
    out = ["[%s]" % s["section"], "NpaName=%s" % s["name"]]
    k = s["kind"]
    if k in ("list", "switch"):
        out.append("NumValues=%d" % len(s["values"]))
        out.append("Values=%s" % ",".join(v for v, _ in s["values"]))
        out.append("ValueIds=%s" % ",".join(str(i) for _, i in s["values"]))
    elif k == "text":
        out.append("MaxLength=%d" % s["max_length"])
    else:
        out.append("MinVal=%d" % s["lo"])
        out.append("MaxVal=%d" % s["hi"])
        if k == "rangeoff":
            out.append("Values=%s" % s["off"][0])
        elif k == "rangechoice":
            out.append("NumRadios=2")
            out.append("Values=%s" % ",".join(t for t, _ in s["choices"]))
    return out


def write_lines(s):
    sid, k = s["id"], s["kind"]
    star = lambda token: "*" if token == s["default"] else ""
    out = []
    if k in ("list", "switch"):
        for (token, _), code in zip(s["values"], s["codes"]):
            out.append("%s%s:%s=%s" % (star(token), s["name"], token, write_packet(sid, code)))
    elif k == "text":
        out.append("*%s:=%s" % (s["name"], write_packet(sid, "")))
    else:
        # Off and choice tokens come first: for a plain reader, once the template line has made
        # the name numeric, every later line of the name goes under the bare name.
        tokens = [s["off"]] if k == "rangeoff" else s.get("choices", [])
        for token, code in tokens:
            out.append("%s%s:%s=%s" % (star(token), s["name"], token, write_packet(sid, code)))
        numeric_default = s["default"] if s["default"].isdigit() else str(s["lo"])
        star_numeric = "*" if s["default"].isdigit() else ""
        out.append("%s%s:%d..%s..%d=%s" % (star_numeric, s["name"], s["lo"], numeric_default, s["hi"],
                                           write_packet(sid, s["template"])))
    return out


def check():
    assert len(S) == 84, len(S)
    assert len({s["id"] for s in S}) == 84 and len({s["name"] for s in S}) == 84
    for s in S:
        if s["kind"] in ("list", "switch"):
            assert 1 <= len(s["values"]) <= 15 and len(s["values"]) == len(s["codes"])
            assert s["default"] in [v for v, _ in s["values"]], s["section"]
        if s["kind"] in ("range", "rangeoff", "rangechoice"):
            assert len(s["template"]) == 2 * s["width"]
            assert s["hi"] < 256 ** s["width"]
            assert not s["lo"] <= int(s["template"], 16) <= s["hi"], s["section"]


def main():
    check()
    o = ["; devPanel.ini: what DevPanel knows about the Altrin Pressline T90.",
         "; Generated by tools/gen-devpanel-ini.py; change the script, not this file.",
         ";",
         "; Setting ids: 01xx paper, 02xx finishing, 03xx setup, 04xx PCL, 05xx PostScript,",
         "; 06xx parallel port, 07xx USB port. Every packet carries its id in bytes 7 and 8.",
         "",
         "; Printer drivers that identify the printer (compared without regard to letter case).",
         "[DriverNames]"] + DRIVERS + [""]
    o += ["; Navigation tree below the printer root. ViewId picks the page; 0 is a node without one.",
          "[TreeRoot]", "NumChildren=%d" % len(TREE), "Children=%s" % ",".join(n[0] for n in TREE), ""]
    for sec, sid, vid, children in TREE:
        o += ["[%s]" % sec, "StringId=%d" % sid, "ViewId=%d" % vid]
        if children:
            o += ["NumChildren=%d" % len(children), "Children=%s" % ",".join(c[0] for c in children)]
        o.append("")
        for csec, csid, cvid in children:
            o += ["[%s]" % csec, "StringId=%d" % csid, "ViewId=%d" % cvid, ""]
    o += ["; ---- Settings: how each is shown and edited. Values are the printer's value tokens,",
          "; ValueIds the string ids of their labels, in the same order. ----", ""]
    for s in S:
        if s["section"] in GROUP_COMMENTS:
            o.append("; " + GROUP_COMMENTS[s["section"]])
        o += setting_section(s) + [""]
    o += ["; Read request of each setting; only its id (bytes 7 and 8) is used, for the batch read.",
          "[NPA READ SETTING]"]
    o += ["%s=%s" % (s["name"], read_packet(s["id"])) for s in S]
    o += ["",
          "; Write packets. NAME:TOKEN is a complete packet for one value; NAME: (empty token) is the",
          "; template of a text setting; NAME:MIN..DEFAULT..MAX the template of a number, 10 bytes for",
          "; one value byte, 13 bytes for four. A leading * marks the default used on a one-way port.",
          "[NPA WRITE VALUES]"]
    for s in S:
        if s["section"] in GROUP_COMMENTS:
            o.append("; " + GROUP_COMMENTS[s["section"]])
        o += write_lines(s)
    o.append("")
    text_out = "\n".join(o)
    with open("data/devPanel.ini", "w", encoding="utf-8", newline="") as f:
        f.write(text_out)


if __name__ == "__main__":
    main()
