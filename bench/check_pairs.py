#!/usr/bin/env python3
"""Compare twinscout's pairs with fdupes' groups on the same tree.

Usage: check_pairs.py TWINSCOUT_OUT FDUPES_OUT

Run both from the same directory with the same relative tree path.
twinscout's "A #### B are the same file" lines give unordered pairs; each
fdupes group (blank-line separated) of n files gives its n(n-1)/2 pairs.
A pair is set aside, on either side, when one of its two paths has a
symbolic link anywhere in it (os.path.realpath differs from the absolute
path): fdupes does not follow symbolic links by default, twinscout does.
Pairs of empty files are counted apart too: fdupes lists them as duplicates,
twinscout does not report empty files.  The remaining two sets must be equal.
"""

import itertools
import os
import sys

SUFFIX = " are the same file"


def via_link(path, cache={}):
    if path not in cache:
        cache[path] = os.path.realpath(path) != os.path.abspath(path)
    return cache[path]


def twinscout_pairs(path):
    pairs = set()
    with open(path, errors="surrogateescape") as f:
        for line in f.read().splitlines():
            if line.endswith(SUFFIX) and " #### " in line:
                a, b = line[: -len(SUFFIX)].split(" #### ", 1)
                pairs.add(frozenset((os.path.normpath(a), os.path.normpath(b))))
    return pairs


def fdupes_pairs(path):
    pairs, group = set(), []
    with open(path, errors="surrogateescape") as f:
        for line in f.read().splitlines() + [""]:
            if line:
                group.append(os.path.normpath(line))
                continue
            for a, b in itertools.combinations(group, 2):
                pairs.add(frozenset((a, b)))
            group = []
    return pairs


def empty(path):
    try:
        return os.path.getsize(path) == 0
    except OSError:
        return False


def split(pairs):
    linked = {p for p in pairs if any(via_link(x) for x in p)}
    empties = {p for p in pairs - linked if all(empty(x) for x in p)}
    return pairs - linked - empties, linked, empties


def show(p):
    return " #### ".join(sorted(p))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    ts, ts_link, ts_empty = split(twinscout_pairs(sys.argv[1]))
    fd, fd_link, fd_empty = split(fdupes_pairs(sys.argv[2]))
    only_ts, only_fd = ts - fd, fd - ts
    print(f"twinscout pairs: {len(ts) + len(ts_link) + len(ts_empty):,} "
          f"({len(ts_link):,} involve a symbolic link, {len(ts_empty):,} of empty files: set aside)")
    print(f"fdupes -r -H pairs: {len(fd) + len(fd_link) + len(fd_empty):,} "
          f"({len(fd_link):,} involve a symbolic link, {len(fd_empty):,} of empty files: set aside)")
    print(f"compared: {len(ts):,} vs {len(fd):,}; in common {len(ts & fd):,}; "
          f"only twinscout {len(only_ts):,}; only fdupes {len(only_fd):,}")
    for label, s in (("only twinscout", only_ts), ("only fdupes", only_fd)):
        for p in sorted(map(show, s))[:20]:
            print(f"  {label}: {p}")
    print("AGREE" if not only_ts and not only_fd else "DISAGREE")
    return 0 if not only_ts and not only_fd else 1


if __name__ == "__main__":
    sys.exit(main())
