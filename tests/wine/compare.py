#!/usr/bin/env python3
"""Compares the outputs of the two drivers: compare.py LINUX_OUT WINE_OUT KNOWN_DIFFERENCES.

Prints the cases per area, the differences listed in the known-differences file by reason, and
every difference it does not list; fails when there is any unlisted difference, or when the two
outputs do not hold the same cases."""
import collections
import fnmatch
import sys


def load(path):
    out = collections.OrderedDict()
    with open(path, encoding="latin-1") as f:
        for line in f:
            cid, _, result = line.rstrip("\n").partition("\t")
            out[cid] = result
    return out


def known(path):
    """(pattern, reason) pairs: lines "pattern<TAB>reason"; "#" lines are the review notes."""
    entries = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            pattern, _, reason = line.rstrip("\n").partition("\t")
            entries.append((pattern.strip(), reason.strip()))
    return entries


def main():
    linux, wine, entries = load(sys.argv[1]), load(sys.argv[2]), known(sys.argv[3])
    if list(linux) != list(wine):
        print("wine-diff: the two drivers did not run the same cases (%d and %d)"
              % (len(linux), len(wine)))
        return 1
    areas = collections.Counter(cid.split(".")[0] for cid in linux)
    by_reason = collections.Counter()
    used = set()
    unlisted = []
    for cid, mine in linux.items():
        if mine == wine[cid]:
            continue
        for pattern, reason in entries:
            if fnmatch.fnmatchcase(cid, pattern):
                by_reason[reason] += 1
                used.add(pattern)
                break
        else:
            unlisted.append((cid, mine, wine[cid]))
    print("cases: %d (%s)" % (len(linux), ", ".join("%s %d" % a for a in sorted(areas.items()))))
    for reason, n in sorted(by_reason.items()):
        print("listed: %4d  %s" % (n, reason))
    for pattern, reason in entries:
        if pattern not in used:
            print("note: no difference matches %s (%s)" % (pattern, reason))
    for cid, mine, theirs in unlisted:
        print("UNLISTED %s\n  linux: %s\n  wine:  %s" % (cid, mine, theirs))
    print("unlisted differences: %d" % len(unlisted))
    return 1 if unlisted else 0


sys.exit(main())
