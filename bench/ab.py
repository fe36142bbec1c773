#!/usr/bin/env python3
"""Two builds of twinscout side by side on one tree, warm, runs alternating.

Usage: bench/ab.py BEFORE AFTER DIR TREE [PAIRS]

Runs each build once untimed, then PAIRS (default 15) pairs of timed runs of
`BUILD /s TREE` from DIR, alternating which goes first, output discarded.
Prints the median and least wall time of each and their ratios: on a noisy
machine runs taken in turn drift less between the two builds than runs taken
build after build.
"""
import statistics
import subprocess
import sys
import time


def main():
    if len(sys.argv) not in (5, 6):
        sys.exit(__doc__)
    builds = sys.argv[1:3]
    cwd, tree = sys.argv[3], sys.argv[4]
    pairs = int(sys.argv[5]) if len(sys.argv) == 6 else 15
    times = {b: [] for b in builds}

    def run(build):
        start = time.perf_counter()
        subprocess.run([build, "/s", tree], cwd=cwd, stdout=subprocess.DEVNULL, check=True)
        return time.perf_counter() - start

    for b in builds:
        run(b)
    for i in range(pairs):
        for b in builds if i % 2 == 0 else builds[::-1]:
            times[b].append(run(b))
    med = [statistics.median(times[b]) for b in builds]
    low = [min(times[b]) for b in builds]
    print(f"{tree}: median {med[0]:.3f} / {med[1]:.3f} ({med[1] / med[0]:.3f}), "
          f"least {low[0]:.3f} / {low[1]:.3f} ({low[1] / low[0]:.3f})")


if __name__ == "__main__":
    main()
