#!/usr/bin/env python3
"""Builds src/text/pinyintable.cpp: the reading index and syllable tables
behind PinyinInitials.

Source: the Unihan database of the Debian package unicode-data
(/usr/share/unicode/Unihan_Readings.txt.bz2). For every GBK code (lead byte
0x81-0xFE, trail byte 0x40-0xFE) the character is decoded with Python's
'gbk' codec and given one toneless reading: the first kMandarin reading,
else the first kHanyuPinyin reading, else the first kXHC1983 reading. Tone
marks are stripped and u-umlaut is written "v". A short override list fixes
the characters whose usual reading in names and addresses differs from the
first one listed, and the rows of punctuation and symbols stay zero.

Standard library only. Run:
    python3 tools/gen_pinyin_table.py [--unihan FILE] [--output FILE]
Without --output the table is written to src/text/pinyintable.cpp. The
output depends only on the source file, so a rerun gives the same bytes.
"""

import argparse
import bz2
import os
import sys
import unicodedata

DEFAULT_UNIHAN = "/usr/share/unicode/Unihan_Readings.txt.bz2"
FIELDS = ("kMandarin", "kHanyuPinyin", "kXHC1983")  # in order of preference

LEAD_FIRST, LEAD_LAST = 0x81, 0xFE
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFE
ROW_WIDTH = TRAIL_LAST - TRAIL_FIRST + 1  # 191
ROWS = LEAD_LAST - LEAD_FIRST + 1  # 126

# Rows without readings: punctuation (A1), kana (A4, A5), Cyrillic (A7),
# pinyin and zhuyin letters (A8), box drawing and signs (A9), and the row of
# compatibility forms and private-use codes (FE). Rows A2, A3 and A6 are
# served by the numbered-symbol, full-width and Greek tables instead.
ZERO_ROWS = (0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xFE)
ZERO_TRAIL = 0x7F

# Readings chosen for characters whose first listed reading is not the one
# wanted: the reading used in names and addresses, or, for characters
# without a Mandarin reading, the transliteration of their native reading.
OVERRIDES = {
    "长": "zhang",   # 长 as in 村长, 张/长 share the key
    "行": "hang",    # 银行, 行号
    "陳": "zhen",
    "曾": "ceng",
    "乐": "le",
    "朴": "pu",
    "仇": "chou",
    "幢": "zhuang",  # 1幢 (building number)
    "重": "zhong",
    "单": "dan",
    "解": "jie",
    "乫": "kal",     # Korean-made character, read kal
    # Characters for units of measure that have no reading in the source:
    # read as the two-syllable words they stand for.
    "兙": "shike",   # 十克, decagram
    "兡": "baike",   # 百克, hectogram
    "嗧": "jialun",  # 加仑, gallon
    "瓧": "shiwa",   # 十瓦, decagram
    "瓰": "fenwa",   # 分瓦, decigram
    "瓱": "haowa",   # 毫瓦, milligram
    "甅": "liwa",    # 厘瓦, centigram
    # Characters that the source gives only a Cantonese (and Japanese)
    # reading: the Mandarin syllable that answers to the Cantonese one.
    "桛": "long",    # lung6
    "烪": "guan",    # gwaan1
    "瓼": "li",      # lei5
}

# Letters with marks that do not decompose into a base letter plus marks.
SPECIAL_LETTERS = {"ü": "v", "ê": "e", "ɡ": "g"}


def toneless(reading):
    """Strips tone marks: 'lǘ' -> 'lv', 'ḿ' -> 'm'."""
    out = []
    for ch in reading.strip().lower():
        if ch in SPECIAL_LETTERS:
            out.append(SPECIAL_LETTERS[ch])
            continue
        decomposed = unicodedata.normalize("NFD", ch)
        base = decomposed[0]
        marks = decomposed[1:]
        if base == "u" and "\u0308" in marks:
            out.append("v")
        elif base == "e" and "\u0302" in marks:
            out.append("e")
        elif "a" <= base <= "z":
            out.append(base)
        else:
            raise ValueError("unexpected letter %r in reading %r" % (ch, reading))
    return "".join(out)


def first_reading(field, value):
    if field == "kMandarin":
        return value.split()[0]
    # kHanyuPinyin and kXHC1983: "loc:r1,r2 loc:r3"; the first reading.
    entry = value.split()[0]
    return entry.split(":", 1)[1].split(",")[0]


def load_readings(path):
    found = {}  # code point -> {field: reading}
    with bz2.open(path, "rt", encoding="utf-8") as f:
        for line in f:
            if not line.startswith("U+"):
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            if field not in FIELDS:
                continue
            found.setdefault(int(code[2:], 16), {})[field] = first_reading(field, value)
    readings = {}
    for cp, fields in found.items():
        for field in FIELDS:
            if field in fields:
                readings[cp] = toneless(fields[field])
                break
    return readings


def build(unihan_path):
    readings = load_readings(unihan_path)
    by_code = {}  # (lead, trail) -> reading
    for lead in range(LEAD_FIRST, LEAD_LAST + 1):
        if lead in ZERO_ROWS:
            continue
        for trail in range(TRAIL_FIRST, TRAIL_LAST + 1):
            if trail == ZERO_TRAIL:
                continue
            try:
                ch = bytes((lead, trail)).decode("gbk")
            except UnicodeDecodeError:
                continue
            if len(ch) != 1:
                continue
            # A compatibility ideograph (row FD) reads as the character it
            # stands for.
            unified = unicodedata.normalize("NFC", ch)
            reading = (OVERRIDES.get(ch) or readings.get(ord(ch))
                       or (len(unified) == 1 and readings.get(ord(unified))))
            if reading:
                by_code[(lead, trail)] = reading
    for ch in OVERRIDES:
        code = ch.encode("gbk")
        if (code[0], code[1]) not in by_code:
            raise SystemExit("override %s (%s) is not in a reading row" % (ch, code.hex()))
    syllables = sorted(set(by_code.values()))
    number = {s: i + 1 for i, s in enumerate(syllables)}
    index = [0] * (ROWS * ROW_WIDTH)
    for (lead, trail), reading in by_code.items():
        index[(lead - LEAD_FIRST) * ROW_WIDTH + (trail - TRAIL_FIRST)] = number[reading]
    return syllables, index


def render(syllables, index):
    for s in syllables:
        if not (1 <= len(s) <= 6 and s.isascii() and s.isalpha() and s.islower()):
            raise SystemExit("syllable %r does not fit the table" % s)
    nonzero = sum(1 for v in index if v)
    lines = [
        "// Generated by tools/gen_pinyin_table.py from the Unihan database",
        "// (Unihan_Readings.txt). Do not edit; rerun the script instead.",
        "// %d syllables, %d characters with a reading." % (len(syllables), nonzero),
        "",
        '#include "text/pinyintable.h"',
        "",
        "namespace PinyinTable {",
        "",
        "const int kSyllableCount = %d;" % len(syllables),
        "",
        "// Length byte and up to six letters, in alphabetical order; syllable k",
        "// of the index is entry k - 1.",
        "const Syllable kSyllables[] = {",
    ]
    for i, s in enumerate(syllables):
        letters = ", ".join("'%s'" % c for c in s)
        lines.append("    {%d, {%s}}, // %d %s" % (len(s), letters, i + 1, s))
    lines.append("};")
    lines.append("")
    lines.append("// (lead - 0x81) * 191 + (trail - 0x40); 0: no reading.")
    lines.append("const unsigned short kReadingIndex[kReadingIndexSize] = {")
    for row in range(ROWS):
        lines.append("    // lead 0x%02X" % (LEAD_FIRST + row))
        base = row * ROW_WIDTH
        for start in range(0, ROW_WIDTH, 16):
            chunk = index[base + start: base + min(start + 16, ROW_WIDTH)]
            lines.append("    " + " ".join("%d," % v for v in chunk))
    lines.append("};")
    lines.append("")
    lines.append("} // namespace PinyinTable")
    lines.append("")
    return "\n".join(lines)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--unihan", default=DEFAULT_UNIHAN)
    parser.add_argument("--output", default=os.path.join(here, "..", "src", "text", "pinyintable.cpp"))
    parser.add_argument("--stats", action="store_true", help="print counts to standard error")
    args = parser.parse_args()
    syllables, index = build(args.unihan)
    text = render(syllables, index)
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    if args.stats:
        rows = {}
        for row in range(ROWS):
            rows[LEAD_FIRST + row] = sum(1 for v in index[row * ROW_WIDTH:(row + 1) * ROW_WIDTH] if v)
        print("syllables: %d" % len(syllables), file=sys.stderr)
        print("non-zero entries: %d" % sum(1 for v in index if v), file=sys.stderr)
        for lead in list(range(0xAA, 0xB0)) + list(range(0xF8, 0xFE)):
            print("row %02X: %d" % (lead, rows[lead]), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
