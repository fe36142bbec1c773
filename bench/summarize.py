#!/usr/bin/env python3
"""Summarise a bench/run.sh results directory as Markdown tables.

Usage: summarize.py RESULTS_DIR TREE [TREE ...] -- TOOL [TOOL ...]

Per tree: median wall time, median CPU time (user+sys), peak RSS (max over
the timed runs), each tool's wall time relative to twinscout's, and the
duplicates each tool reported (from the warm-up run's output) next to what
the generator put in the tree.  A tree run in cold mode (a "mode" file in its
directory) also gets the median bytes read from the device per run, and its
duplicates come from the first cold run's output.
"""

import json
import os
import re
import statistics
import sys

MODE = {
    "twinscout": "exact (as built)",
    "fdupes": "-r: MD5 then byte-by-byte",
    "jdupes": "-r: hash then byte-by-byte",
    "rdfind": "SHA-1 digest decides",
    "duff": "-r: SHA-1 digest decides",
    "duff-t": "-rt: byte-by-byte",
    "rmlint": "-p: byte-by-byte (paranoid)",
    "rmlint-hash": "default: blake2b decides",
}


def read_lines(path):
    try:
        with open(path, errors="replace") as f:
            return f.read().splitlines()
    except OSError:
        return None


def groups_fdupes(lines):
    """fdupes format: one path per line, groups separated by blank lines."""
    sizes, cur = [], 0
    for line in lines + [""]:
        if line.strip():
            cur += 1
        else:
            if cur >= 2:
                sizes.append(cur)
            cur = 0
    return sizes


def groups_duff(lines):
    sizes = []
    for line in lines:
        m = re.match(r"^(\d+) files in cluster \d+", line)
        if m:
            sizes.append(int(m.group(1)))
    return sizes


def groups_rdfind(lines):
    count = {}
    for line in lines:
        if line.startswith("DUPTYPE_"):
            gid = abs(int(line.split()[1]))
            count[gid] = count.get(gid, 0) + 1
    return [c for c in count.values() if c >= 2]


def groups_twinscout(lines):
    """Lines 'A #### B are the same file': union the pairs into groups."""
    parent = {}

    def find(x):
        parent.setdefault(x, x)
        while parent[x] != x:
            parent[x] = parent[parent[x]]
            x = parent[x]
        return x

    pairs = 0
    for line in lines:
        if not line.endswith(" are the same file") or " #### " not in line:
            continue
        a, b = line[: -len(" are the same file")].split(" #### ", 1)
        pairs += 1
        ra, rb = find(a), find(b)
        if ra != rb:
            parent[ra] = rb
    count = {}
    for x in parent:
        r = find(x)
        count[r] = count.get(r, 0) + 1
    return list(count.values()), pairs


def found(res, tree, tool):
    lines = read_lines(os.path.join(res, tree, tool + ".out"))
    if lines is None:
        return None
    pairs = None
    if tool == "twinscout":
        sizes, pairs = groups_twinscout(lines)
    elif tool.startswith("duff"):
        sizes = groups_duff(lines)
    elif tool == "rdfind":
        sizes = groups_rdfind(lines)
    else:
        sizes = groups_fdupes(lines)
    return {
        "groups": len(sizes),
        "redundant": sum(s - 1 for s in sizes),
        "pairs_in_groups": sum(s * (s - 1) // 2 for s in sizes),
        "pair_lines": pairs,
    }


def times(res, tree, tool):
    rows = []
    for line in read_lines(os.path.join(res, tree, tool + ".times")) or []:
        p = line.split()
        if len(p) >= 4:
            rows.append((float(p[0]), float(p[1]) + float(p[2]), int(p[3]),
                         int(p[4]) if len(p) > 4 else 0,
                         float(p[5]) if len(p) > 5 else 0.0,
                         int(p[6]) if len(p) > 6 else None))
    return rows


def status(res, tree, tool):
    lines = read_lines(os.path.join(res, tree, tool + ".status"))
    return lines[0] if lines else None


def fmt_s(x):
    return f"{x:.2f}" if x < 100 else f"{x:.0f}"


def main():
    args = sys.argv[1:]
    if "--" not in args or len(args) < 4:
        sys.exit(__doc__)
    i = args.index("--")
    res, trees, tools = args[0], args[1:i], args[i + 1:]

    for tree in trees:
        exp = json.load(open(os.path.join(res, tree, "expected.json")))
        mode = read_lines(os.path.join(res, tree, "mode"))
        cold = bool(mode and mode[0].startswith("cold"))
        print(f"## {tree}" + (" (cold cache)" if cold else ""))
        print()
        if "dup_groups" in exp:
            print(f"{exp['files']:,} files, {exp['bytes'] / 2**20:,.0f} MiB; expected "
                  f"{exp['dup_groups']:,} duplicate groups, {exp['redundant_files']:,} "
                  f"redundant files, {exp['identical_pairs']:,} identical pairs.")
        else:
            print(f"{exp['files']:,} regular files, {exp['bytes'] / 2**20:,.0f} MiB "
                  "(not generated: no expected duplicates).")
        print()
        if cold:
            print(f"Page cache dropped before every run; device: {mode[0].split()[1]}.")
            print()
        print("| tool | mode | median wall s | median CPU s | peak RSS MiB "
              + ("| median device MiB read " if cold else "")
              + "| wall / twinscout | groups | redundant | runs |")
        print("|---|---|---:|---:|---:|" + ("---:|" if cold else "") + "---:|---:|---:|---|")
        ts = times(res, tree, "twinscout")
        ts_wall = statistics.median(r[0] for r in ts) if ts else None
        for tool in tools:
            st = status(res, tree, tool)
            rows = times(res, tree, tool)
            f = found(res, tree, tool)
            if st == "missing":
                print(f"| {tool} | {MODE.get(tool, '')} | not built yet | | | | | | |"
                      + (" |" if cold else ""))
                continue
            if rows:
                wall = statistics.median(r[0] for r in rows)
                cpu = statistics.median(r[1] for r in rows)
                rss = max(r[2] for r in rows) / 1024
                ratio = f"{wall / ts_wall:.2f}" if ts_wall else "n/a"
                if tool == "twinscout":
                    ratio = "1.00" if ts_wall else "n/a"
                bad = [r[3] for r in rows if r[3] != 0]
                runs = f"{len(rows)}" + (f", exit {bad[0]}" if bad else "")
                if st:
                    runs += f", {st}"
                # CPU used by other processes during the runs: a sign of noise.
                other = max(r[4] for r in rows)
                if other > 0.05 * wall and other > 0.1:
                    runs += f", others used up to {other:.1f} CPU s"
                w, c, m = fmt_s(wall), fmt_s(cpu), f"{rss:.0f}"
                devs = [r[5] for r in rows if r[5] is not None]
                d = f"{statistics.median(devs) / 2**20:,.0f}" if devs else ""
            else:
                w, c, m, ratio = (f"> {st.split()[1]}" if st else "failed"), "", "", ""
                d = ""
                runs = st or "0"
            g = r_ = ""
            if f is not None and (rows or tool == "twinscout"):
                ok_g = "" if f["groups"] == exp.get("dup_groups", f["groups"]) else " (!)"
                ok_r = "" if f["redundant"] == exp.get("redundant_files", f["redundant"]) else " (!)"
                g = f"{f['groups']:,}{ok_g}"
                r_ = f"{f['redundant']:,}{ok_r}"
                if f["pair_lines"] is not None:
                    r_ += f"; {f['pair_lines']:,} pair lines"
            print(f"| {tool} | {MODE.get(tool, '')} | {w} | {c} | {m} | "
                  + (f"{d} | " if cold else "") + f"{ratio} "
                  f"| {g} | {r_} | {runs} |")
        print()

        check = read_lines(os.path.join(res, tree, "pair_check.txt"))
        if check:
            print("Pair check against `fdupes -r -H` (pairs with a symbolic link "
                  "in either path, and pairs of empty files, set aside):")
            print()
            print("```")
            print("\n".join(check))
            print("```")
            print()

        if tree == "bigfiles":
            same = read_lines(os.path.join(res, tree, "same_size_bytes"))
            total = read_lines(os.path.join(res, tree, "total_bytes"))
            if same and total:
                same, total = int(float(same[0])), int(float(total[0]))
                print(f"Bytes read. Tree: {total:,} bytes; files with a same-size "
                      f"partner: {same:,} bytes ({same / 2**20:,.1f} MiB).")
                print()
                print("| tool | read(2) bytes, warm | / same-size bytes | read syscalls "
                      "| block-device bytes, cold cache | / same-size bytes |")
                print("|---|---:|---:|---:|---:|---:|")
                for tool in tools:
                    warm = read_lines(os.path.join(res, tree, tool + ".io-warm"))
                    if not warm:
                        continue
                    wd = dict((l.split()[0], int(l.split()[1])) for l in warm)
                    cold = read_lines(os.path.join(res, tree, tool + ".io-cold"))
                    cd = dict((l.split()[0], int(l.split()[1])) for l in cold) if cold else {}
                    cb = cd.get("read_bytes")
                    print(f"| {tool} | {wd['rchar']:,} | {wd['rchar'] / same:.3f} "
                          f"| {wd['syscr']:,} | {'' if cb is None else f'{cb:,}'} "
                          f"| {'' if cb is None else f'{cb / same:.3f}'} |")
                print()
                print("read(2) bytes = rchar of /proc/<pid>/io (bytes returned by "
                      "read-family syscalls; mmap'd reads are not in it). "
                      "Block-device bytes = read_bytes after dropping the page cache "
                      "(covers mmap too; includes readahead).")
                print()


if __name__ == "__main__":
    main()
