#!/usr/bin/env bash
# Counts the real opens of the files a run lists, with inotify (IN_OPEN; O_PATH
# descriptors and status calls raise none): natively, or for a Windows build under Wine.
#
#   bench/count_opens.sh BINARY [DIR]        BINARY ending in .exe runs under wine
#
# The tree (made in DIR, default /tmp/twinscout-opens): 2,000 files of sizes no other
# file has, and 60 pairs of equal size, 30 of them copies. Prints the opens of each
# kind of file, and the most opens any one file had.
set -euo pipefail
binary=$1
dir=${2:-/tmp/twinscout-opens}
command -v inotifywait >/dev/null || { echo "count_opens: needs inotifywait (inotify-tools)" >&2; exit 2; }

if [ ! -f "$dir/.made" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/tree/unique" "$dir/tree/pairs"
    python3 - "$dir/tree" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(21)
for i in range(2000):
    with open(os.path.join(root, "unique", f"u{i:04}"), "wb") as f:
        f.write(random.randbytes(10000 + i))
for i in range(60):
    content = random.randbytes(5000 + i)
    for side in "ab":
        if side == "b" and i % 2:
            content = content[:-1] + bytes([content[-1] ^ 1])
        with open(os.path.join(root, "pairs", f"p{i:02}{side}"), "wb") as f:
            f.write(content)
PY
    touch "$dir/.made"
fi

events="$dir/events.txt"
ready="$dir/ready.txt"
rm -f "$events" "$dir/tree/marker"
: > "$ready"
inotifywait -m -r -e open --format '%w%f %e' "$dir/tree" >> "$events" 2> "$ready" &
watcher=$!
until grep -q 'Watches established' "$ready"; do sleep 0.05; done
cd "$dir"
if [[ $binary == *.exe ]]; then
    WINEDEBUG=-all LC_ALL=C.UTF-8 wine "$binary" /s tree > run.out
    wineserver -w
else
    "$binary" /s tree > run.out
fi
# Events come in order: once the marker's open is in, every open of the run is.
echo > "$dir/tree/marker"
until grep -q 'tree/marker OPEN$' "$events"; do sleep 0.05; done
kill "$watcher"
wait "$watcher" 2>/dev/null || true
rm -f "$dir/tree/marker"
python3 - "$events" "$(grep -c ' #### ' run.out || true)" <<'PY'
import collections, sys
counts = collections.Counter()
lines = open(sys.argv[1]).read().split("\n")
for line in lines:
    if not line or "ISDIR" in line or "tree/marker" in line:
        continue
    counts[line.split(" ")[0]] += 1
unique = sum(v for k, v in counts.items() if "/unique/" in k)
pairs = sum(v for k, v in counts.items() if "/pairs/" in k)
print(f"opens of the 2000 files of sizes no other has: {unique}")
print(f"opens of the 120 files of shared sizes: {pairs}")
print(f"most opens of one file: {max(counts.values()) if counts else 0}")
print(f"pair lines printed: {sys.argv[2]}")
PY
