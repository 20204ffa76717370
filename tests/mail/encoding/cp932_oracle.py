#!/usr/bin/python3
"""The independent table for test_jis_repertoire: for every one- and two-byte code page 932
code, whether it is a character, whether ISO-2022-JP carries it, and the compatibility form
(Unicode NFKC) where that fits, all from Python's own codecs. One line per code:
    <hex code> <X: no character | F: fits | N: does not fit> <hex cp932 of NFKC form or ->"""
import sys
import unicodedata


def fits(b):
    try:
        # The character's own code, then strict JIS X 0208 (Python's shift_jis codec).
        b.decode("cp932").encode("cp932").decode("shift_jis")
        return True
    except UnicodeError:
        return False


def nfkc(u):
    n = unicodedata.normalize("NFKC", u)
    if n == u:
        return "-"
    try:
        data = n.encode("cp932")
        data.decode("shift_jis")
        return data.hex()
    except UnicodeError:
        return "-"


out = []
codes = [bytes([b]) for b in range(256) if not (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC)]
codes += [bytes([lead, trail]) for lead in list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
          for trail in range(0x40, 0xFD) if trail != 0x7F]
for b in codes:
    try:
        u = b.decode("cp932")
    except UnicodeError:
        out.append(f"{b.hex()} X -")
        continue
    out.append(f"{b.hex()} {'F' if fits(b) else 'N'} {nfkc(u)}")
with open(sys.argv[1], "w") as f:
    f.write("\n".join(out) + "\n")
