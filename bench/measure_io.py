#!/usr/bin/env python3
"""Run a command and report how many bytes it read.

Usage: measure_io.py OUTFILE -- COMMAND [ARGS...]

The command's stdout goes to /dev/null.  When a child is reaped, Linux adds
its I/O counters to the parent's /proc/<pid>/io, so the difference of this
process's own /proc/self/io before and after waiting for the command is what
the command (and any process it started) did.  OUTFILE gets one line
"key value" per counter:

  rchar        bytes returned by read(2)-family syscalls (read, pread64,
               readv, ...) - counts bytes read from the page cache too, but
               NOT bytes touched through mmap(2);
  syscr        number of such syscalls;
  read_bytes   bytes the process caused to be fetched from the block device
               (0 with a warm cache; with a cold cache it covers mmap page
               faults too, and includes readahead).
"""

import os
import subprocess
import sys


def io_counters():
    out = {}
    with open("/proc/self/io") as f:
        for line in f:
            k, v = line.split(":")
            out[k.strip()] = int(v)
    return out


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        sys.exit(__doc__)
    outfile, cmd = sys.argv[1], sys.argv[3:]
    before = io_counters()
    with open(os.devnull, "wb") as devnull:
        rc = subprocess.call(cmd, stdout=devnull, stderr=devnull)
    after = io_counters()
    with open(outfile, "w") as f:
        for k in ("rchar", "syscr", "read_bytes"):
            f.write(f"{k} {after[k] - before[k]}\n")
        f.write(f"rc {rc}\n")
    sys.exit(0)


if __name__ == "__main__":
    main()
