#!/usr/bin/env python3
"""Deterministic generator of the benchmark trees for twinscout.

Usage:
    generate_tree.py [--seed N] [--force] TREE=DIR [TREE=DIR ...]

TREE is one of: mixed, samesize, bigfiles, many, many100k, longpaths.  Example:
    generate_tree.py mixed=/tmp/twinscout-bench/mixed many=/tmp/twinscout-bench/many

Each tree is written into DIR.partial and renamed to DIR when complete; then a
stamp file DIR.stamp.json is written next to it (never inside the tree, so the
tools under test do not see it).  A tree whose stamp exists and matches the
generator version and seed is skipped.  The stamp records what the tree should
contain: file count, bytes, and the exact duplicate groups expected, so that
the output of any tool can be checked against it.

All content is seeded pseudo-random bytes (random.Random), really written:
no sparse files, no hard links.  Files meant to differ really differ.
"""

import argparse
import json
import math
import os
import random
import shutil
import sys
import time

GEN_VERSION = 1
MiB = 1 << 20
KiB = 1 << 10


# --------------------------------------------------------------------------
# helpers

def write_file(path, data):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        view = memoryview(data)
        while view:
            n = os.write(fd, view)
            view = view[n:]
    finally:
        os.close(fd)


def log_uniform(rng, lo, hi):
    """Integer in [lo, hi), log-uniformly distributed."""
    return int(math.exp(rng.uniform(math.log(lo), math.log(hi))))


def rand_content(seed, size):
    """Content of a 'random' file, reproducible from (seed, size)."""
    r = random.Random(seed)
    out = bytearray()
    left = size
    while left:
        n = min(left, 4 * MiB)
        out += r.randbytes(n)
        left -= n
    return out


def group_stats(groups):
    """groups: list of group sizes (>= 2)."""
    hist = {}
    for g in groups:
        hist[g] = hist.get(g, 0) + 1
    return {
        "dup_groups": len(groups),
        "redundant_files": sum(g - 1 for g in groups),
        "identical_pairs": sum(g * (g - 1) // 2 for g in groups),
        "group_size_histogram": {str(k): hist[k] for k in sorted(hist)},
    }


# --------------------------------------------------------------------------
# mixed: 100,000 files, nested directories, long-tailed sizes, ~10% copies

def gen_mixed(root, seed):
    rng = random.Random(seed * 1000 + 1)
    n_files = 100_000
    n_dirs = 2_000
    target_copies = 10_000

    # Random recursive directory tree, depth at most 9.
    dirs = [("", 0)]
    for i in range(1, n_dirs):
        while True:
            parent, depth = dirs[rng.randrange(len(dirs))]
            if depth < 9:
                break
        name = f"d{i:04d}"
        dirs.append((os.path.join(parent, name) if parent else name, depth + 1))
    for d, _ in dirs[1:]:
        os.makedirs(os.path.join(root, d), exist_ok=True)

    # Copy groups of 2..5 members (1 original + 1..4 copies).
    group_sizes = []
    copies = 0
    while copies < target_copies:
        g = rng.randint(2, 5)
        group_sizes.append(g)
        copies += g - 1
    n_unique = n_files - copies  # distinct contents

    # Sizes of distinct contents: 30% drawn from a pool of 300 popular sizes
    # (many distinct files sharing a size), the rest long-tailed.
    pool = sorted({log_uniform(rng, 100, 64 * KiB) for _ in range(300)})

    def draw_size():
        if rng.random() < 0.30:
            return rng.choice(pool)
        u = rng.random()
        if u < 0.965:
            return log_uniform(rng, 100, 64 * KiB + 1)
        if u < 0.995:
            return log_uniform(rng, 64 * KiB, MiB + 1)
        return log_uniform(rng, MiB, 8 * MiB + 1)

    # Each distinct content: (seed, size, flip) where flip = None or
    # (position, xor) to derive a near-duplicate of another content.
    contents = []
    for i in range(n_unique):
        contents.append((rng.getrandbits(63), draw_size(), None))
    # 1% near-duplicates: same size and bytes as another content except one
    # byte at a random position.  Bases are distinct, so near-duplicates are
    # distinct from each other too.
    n_near = n_unique // 100
    bases = rng.sample(range(n_unique - n_near), n_near)
    for k, b in enumerate(bases):
        bseed, bsize, _ = contents[b]
        contents[n_unique - n_near + k] = (
            bseed, bsize, (rng.randrange(bsize), rng.randint(1, 255)))

    # Files: every distinct content once, plus copies.
    entries = list(range(n_unique))
    originals = rng.sample(range(n_unique), len(group_sizes))
    groups_desc = []
    for orig, g in zip(originals, group_sizes):
        entries.extend([orig] * (g - 1))
        groups_desc.append((orig, g))
    rng.shuffle(entries)
    assert len(entries) == n_files

    total = 0
    for idx, c in enumerate(entries):
        d = dirs[rng.randrange(n_dirs)][0]
        path = os.path.join(root, d, f"f{idx:06d}.bin")
        cseed, size, flip = contents[c]
        data = rand_content(cseed, size)
        if flip is not None:
            data[flip[0]] ^= flip[1]
        write_file(path, data)
        total += size

    stats = group_stats(group_sizes)
    stats.update({
        "files": n_files,
        "directories": n_dirs,
        "bytes": total,
        "near_duplicates": n_near,
        "popular_sizes": len(pool),
    })
    return stats


# --------------------------------------------------------------------------
# samesize: 20,000 files of exactly 4096 bytes

def gen_samesize(root, seed):
    rng = random.Random(seed * 1000 + 2)
    size = 4096
    n_files = 20_000
    n_pairs = 200
    n_dirs = 20
    contents = []
    # 200 identical pairs
    for _ in range(n_pairs):
        data = rng.randbytes(size)
        contents += [data, data]
    rest = n_files - 2 * n_pairs              # 19,600
    n_prefix_pairs = rest // 4                 # 4,900 pairs = 9,800 files
    for _ in range(n_prefix_pairs):
        head = rng.randbytes(size // 2)
        while True:
            a = head + rng.randbytes(size // 2)
            b = head + rng.randbytes(size // 2)
            if a != b:
                break
        contents += [a, b]
    for _ in range(rest - 2 * n_prefix_pairs):  # 9,800 fully random
        contents.append(rng.randbytes(size))
    assert len(contents) == n_files
    rng.shuffle(contents)
    for d in range(n_dirs):
        os.makedirs(os.path.join(root, f"s{d:02d}"), exist_ok=True)
    for i, data in enumerate(contents):
        write_file(os.path.join(root, f"s{i % n_dirs:02d}", f"f{i:05d}.bin"), data)
    stats = group_stats([2] * n_pairs)
    stats.update({
        "files": n_files,
        "directories": n_dirs,
        "bytes": n_files * size,
        "prefix_sharing_pairs": n_prefix_pairs,
    })
    return stats


# --------------------------------------------------------------------------
# bigfiles: ~3 GiB in 24 files

BIG_LAYOUT = [
    # (name, kind, size, members)
    # kind: "same" = identical group, "lastbyte" = equal size, differ only in
    # the very last byte, "unique" = one file.
    ("A", "same", 64 * MiB, 3),
    ("B", "same", 200 * MiB, 2),
    ("C", "same", 16 * MiB, 4),
    ("D", "same", 100 * MiB + 12345, 2),
    ("H", "same", 260 * MiB, 2),          # identical pair > 256 MiB
    ("E", "lastbyte", 300 * MiB, 2),      # differing pair > 256 MiB
    ("F", "lastbyte", 128 * MiB, 2),
    ("G", "lastbyte", 50 * MiB + 7, 2),
    ("U1", "unique", 274 * MiB + 1, 1),
    ("U2", "unique", 180 * MiB, 1),
    ("U3", "unique", 150 * MiB, 1),
    ("U4", "unique", 120 * MiB, 1),
    ("U5", "unique", 16 * MiB, 1),        # same size as group C, distinct
]


def gen_bigfiles(root, seed):
    rng = random.Random(seed * 1000 + 3)
    subdirs = ["x", "y", "z/deeper"]
    for s in subdirs:
        os.makedirs(os.path.join(root, s), exist_ok=True)
    total = 0
    n = 0
    groups = []
    chunk = 4 * MiB
    for name, kind, size, members in BIG_LAYOUT:
        paths = [os.path.join(root, subdirs[(n + m) % len(subdirs)],
                              f"{name.lower()}{m}.bin") for m in range(members)]
        n += members
        r = random.Random(rng.getrandbits(63))
        fds = [os.open(p, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644) for p in paths]
        try:
            left = size
            while left:
                k = min(left, chunk)
                data = r.randbytes(k)
                left -= k
                for i, fd in enumerate(fds):
                    if kind == "lastbyte" and i == 1 and left == 0:
                        d2 = bytearray(data)
                        d2[-1] ^= 0x5A
                        os.write(fd, d2)
                    else:
                        os.write(fd, data)
        finally:
            for fd in fds:
                os.close(fd)
        total += size * members
        if kind == "same":
            groups.append(members)
    stats = group_stats(groups)
    stats.update({
        "files": n,
        "directories": 4,
        "bytes": total,
        "layout": [{"name": a, "kind": b, "size": c, "members": d}
                   for a, b, c, d in BIG_LAYOUT],
    })
    return stats


# --------------------------------------------------------------------------
# many: 1,000,000 files of 1..200 bytes in 10,000 directories, 5% copies;
# many100k: the same with 100,000 files in 1,000 directories;
# longpaths: 100,000 such files, 100 in each of 1,000 chains of ten directories,
# every name of a directory 20 characters long (paths of about 220 bytes)

def small_files(rng, n_files):
    """Contents of n_files files of 1..200 bytes, 5% of them copies."""
    n_copies = n_files // 20         # 5%
    n_unique = n_files - n_copies
    # Tiny sizes have few possible contents: cap how many distinct files of
    # size 1 and 2 are made, so that distinct stays distinct.
    cap = {1: 128, 2: 8192}
    used = {1: 0, 2: 0}
    seen = set()
    uniq = []
    while len(uniq) < n_unique:
        s = rng.randint(1, 200)
        if s in cap and used[s] >= cap[s]:
            continue
        data = rng.randbytes(s)
        if data in seen:
            continue
        seen.add(data)
        if s in used:
            used[s] += 1
        uniq.append(data)
    del seen
    entries = list(range(n_unique))
    origin_count = {}
    for _ in range(n_copies):
        o = rng.randrange(n_unique)
        entries.append(o)
        origin_count[o] = origin_count.get(o, 0) + 1
    rng.shuffle(entries)
    return [uniq[e] for e in entries], origin_count


def write_small(dirs, per_dir, contents, origin_count, n_directories):
    total = 0
    idx = 0
    for d in dirs:
        os.makedirs(d, exist_ok=True)
        for k in range(per_dir):
            data = contents[idx]
            write_file(os.path.join(d, f"f{idx:07d}"), data)
            total += len(data)
            idx += 1
    stats = group_stats([c + 1 for c in origin_count.values()])
    stats.update({
        "files": idx,
        "directories": n_directories,
        "leaf_directories": len(dirs),
        "bytes": total,
    })
    return stats


def gen_many_of(root, seed, n_top):
    rng = random.Random(seed * 1000 + 4)
    n_sub = 100
    per_dir = 100
    contents, origin_count = small_files(rng, n_top * n_sub * per_dir)
    dirs = [os.path.join(root, f"t{t:02d}", f"u{s:02d}")
            for t in range(n_top) for s in range(n_sub)]
    return write_small(dirs, per_dir, contents, origin_count, n_top + n_top * n_sub)


def gen_many(root, seed):
    return gen_many_of(root, seed, 100)


def gen_many100k(root, seed):
    return gen_many_of(root, seed, 10)


def gen_longpaths(root, seed):
    rng = random.Random(seed * 1000 + 6)
    contents, origin_count = small_files(rng, 100_000)
    dirs = []
    for a in range(10):
        for b in range(10):
            for c in range(10):
                parts = [f"{level}{a}{b}{c}".ljust(20, "x") for level in "abcdefghij"]
                dirs.append(os.path.join(root, *parts))
    return write_small(dirs, 100, contents, origin_count, len(dirs) * 10)


GENERATORS = {
    "mixed": gen_mixed,
    "samesize": gen_samesize,
    "bigfiles": gen_bigfiles,
    "many": gen_many,
    "many100k": gen_many100k,
    "longpaths": gen_longpaths,
}


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--seed", type=int, default=20240601)
    ap.add_argument("--force", action="store_true",
                    help="regenerate even if a complete tree exists")
    ap.add_argument("trees", nargs="+", metavar="TREE=DIR")
    args = ap.parse_args()

    jobs = []
    for tree_arg in args.trees:
        if "=" not in tree_arg:
            ap.error(f"expected TREE=DIR, got {tree_arg!r}")
        name, d = tree_arg.split("=", 1)
        if name not in GENERATORS:
            ap.error(f"unknown tree {name!r}; known: {', '.join(GENERATORS)}")
        jobs.append((name, os.path.abspath(d)))

    for name, d in jobs:
        stamp = d + ".stamp.json"
        if not args.force and os.path.isdir(d) and os.path.isfile(stamp):
            try:
                with open(stamp) as f:
                    st = json.load(f)
                if st.get("version") == GEN_VERSION and st.get("seed") == args.seed \
                        and st.get("tree") == name:
                    print(f"{name}: complete at {d}, skipped", flush=True)
                    continue
            except (OSError, ValueError):
                pass
        for p in (d, d + ".partial"):
            if os.path.exists(p):
                shutil.rmtree(p)
        if os.path.exists(stamp):
            os.remove(stamp)
        part = d + ".partial"
        os.makedirs(part)
        print(f"{name}: generating into {d} ...", flush=True)
        t0 = time.time()
        stats = GENERATORS[name](part, args.seed)
        os.sync()
        os.rename(part, d)
        secs = time.time() - t0
        stats.update({"tree": name, "version": GEN_VERSION, "seed": args.seed,
                      "generation_seconds": round(secs, 1)})
        with open(stamp, "w") as f:
            json.dump(stats, f, indent=1)
            f.write("\n")
        print(f"{name}: done in {secs:.1f} s: {stats['files']} files, "
              f"{stats['bytes']} bytes, {stats['dup_groups']} duplicate groups, "
              f"{stats['redundant_files']} redundant files", flush=True)


if __name__ == "__main__":
    main()
