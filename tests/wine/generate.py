#!/usr/bin/env python3
"""Writes the cases of the differential suite (see driver.cpp for the format) to standard output.

Deterministic: the same cases every run, so a listed difference keeps its id."""
import itertools
import random

rng = random.Random(13)


def esc(s):
    return "".join(c if 0x20 < ord(c) < 0x7F and c != "\\" else "\\x%02X" % ord(c) for c in s)


def case(*fields):
    print("\t".join(esc(f) for f in fields))


# Profile files: initial texts, then reads and writes of sections, keys and values among them.
FILES = {
    "none": None,
    "plain": "[S]\r\nk=v\r\nn=2\r\n\r\n[T]\r\nx=1\r\n",
    "spaced": "[ S ]\r\n  k = v w  \r\n\tn\t=\t2\t\r\n",
    "quoted": "[S]\r\nd=\"q v\"\r\ns='q'\r\nm=\"a'\r\ne=\"\"\r\no=\"\r\n",
    "lf": "[S]\nk=v\nn=2\n[T]\nx=1\n",
    "cr": "[S]\rk=v\r[T]\rx=1\r",
    "noeol": "[S]\r\nk=v",
    "dups": "[S]\r\nk=1\r\nK=2\r\n[s]\r\nk=3\r\n",
    "preamble": "k=0\r\n[S]\r\nk=v\r\n",
    "noeq": "[S]\r\njust text\r\n;k=c\r\nk=v\r\n",
    "utf16": "\xff\xfe" + "".join(c + "\0" for c in "[S]\r\nk=v\r\nn=2\r\n"),
    "empty": "",
    "blanks": "[S]\r\nk=v\r\n\r\n\r\n[T]\r\n",
    "brackets": "[S] tail\r\nk=v\r\n[x]y]\r\nk=w\r\n",
}
SECTIONS = ["S", "s", " S ", "T", "x]y", "U", "S] tail"]
KEYS = ["k", "K", " k ", "n", "d", "s", "m", "e", "o", "x", ";k", "new", "just text"]
VALUES = ["v", "", "  lead", "trail  ", "a b", "\"q\"", "'x'", "2", "x=y", "v2", "\"", "long" * 10]

pid = 0
for name, text in FILES.items():
    initial = "-" if text is None else text
    for section, key in itertools.product(SECTIONS, KEYS):
        pid += 1
        case("profile.read.%s.%03d" % (name, pid), "P", "R", initial, section, key, "def  ")
    for _ in range(14):
        pid += 1
        section, key, value = rng.choice(SECTIONS), rng.choice(KEYS), rng.choice(VALUES)
        case("profile.write.%s.%03d" % (name, pid), "P", "W", initial, section, key, value)
    for section, key in [("S", "k"), ("s", "K"), ("T", "x"), ("S", "missing"), ("U", "k")]:
        pid += 1
        case("profile.delete.%s.%03d" % (name, pid), "P", "K", initial, section, key, "")
    for section in ["S", "t", "U"]:
        pid += 1
        case("profile.erase.%s.%03d" % (name, pid), "P", "E", initial, section, "", "")
for value in ["a\r\nb=c", "x\ny"]:
    pid += 1
    case("profile.write.linebreak.%03d" % pid, "P", "W", FILES["plain"], "S", "k", value)

# Masks against a folder of names.
NAMES = ["noext", "a.tmp", "x.tmpl", "a.tmp.bak", ".tmp", "ab.tmp", "a.tm", "abc", "a.b", "f.f.x",
         "a.b.c", "readme.txt", "long name with spaces.txt", "verylongfilename.html", "a", "ab",
         "x.y.z.tmp", "b c", "Mixed.Case", "t.mp", "abcdefghi.jklm", "tmp", "a..b", ".hidden"]
for n in NAMES:
    print("N\t" + esc(n))
PIECES = ["*", "?", "a", "b", ".", "tmp", "t", "*.", ".*", "??", "x", "mp", "c"]
masks = {"*", "*.*", "*.", "*.*.", "*.*..", "*.tmp", "?.*", "*.?", "*..", "*. ", "*.tmp.", "a*",
         "a.*", "????", "*.???", "*a*", "?b*", ".*", "*.*.*", "**", "*?", "?*", ".", "..", ""}
while len(masks) < 420:
    masks.add("".join(rng.choice(PIECES) for _ in range(rng.randint(1, 5))))
for i, m in enumerate(sorted(masks)):
    case("mask.%03d" % i, "M", m)

# Full paths from the current folder C:\windows.
PREFIXES = ["", "C:", "C:\\", "c:/", "D:", "\\", "/", "\\\\Server\\Share", "//Server/Share",
            "\\\\?\\C:\\", "\\\\.\\C:\\", "\\\\Server"]
SEGMENTS = ["a", "b.", ".", "..", "...", "a.", "a..", "b  ", "c. .", " x", "Temp.", "*.tmp", "a b",
            "x.y"]
SEPARATORS = ["\\", "/", "\\\\"]
paths = set()
while len(paths) < 520:
    prefix = rng.choice(PREFIXES)
    segs = [rng.choice(SEGMENTS) for _ in range(rng.randint(0, 4))]
    sep = rng.choice(SEPARATORS)
    text = prefix
    for k, s in enumerate(segs):
        if k > 0 or (prefix and not prefix.endswith(("\\", "/", ":"))):
            text += sep
        text += s
    if rng.random() < 0.25:
        text += sep
    if text:
        paths.add(text)
for i, p in enumerate(sorted(paths)):
    case("path.%03d" % i, "F", p)
