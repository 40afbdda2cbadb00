#!/usr/bin/env bash
# bench/run-large.sh [FILES]: times `sweepora-cli large` against find and fd on a synthetic
# home folder of FILES files (default 300000), warm cache, and reports peak memory on a
# 100k and a FILES tree. Run by hand; see bench/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
SHARED=${SHARED:-/work/shared/bench}
WORK=${BENCH_DIR:-/tmp/sweepora-bench}
FILES=${1:-300000}
MIN_GB=${MIN_GB:-0.5}
mkdir -p "$WORK"

# The trees are built once and kept (about 6 GB for 100k, 7.4 GB for 300k); never commit them.
tree_for() {
  local dir="$WORK/home$(($1 / 1000))k"
  [ -d "$dir" ] || python3 "$SHARED/make-home-tree.py" "$dir" --files "$1" >&2
  echo "$dir"
}

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSWEEPORA_BUILD_GUI=OFF \
  -DSWEEPORA_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target sweepora-cli sweepora-walk-bench >/dev/null
CLI=build-bench/src/cli/sweepora-cli
TREE=$(tree_for "$FILES")

# A fast wrong answer is no answer: the files found must be the manifest's.
"$CLI" --home "$TREE" --json large --min "$MIN_GB" | python3 -c '
import json, sys
tree, min_gb = sys.argv[1], float(sys.argv[2])
got = {i["path"][len(tree) + 1:]: i["size"] for i in json.load(sys.stdin)["items"]}
key = {0.5: "512MiB", 1.0: "1GiB"}.get(min_gb)
if key:
    want = dict(json.load(open(tree + ".manifest.json"))["expected"]["large_files"][key])
    print("large: %d files, as the manifest says" % len(got) if got == want else "large: MISMATCH %r != %r" % (got, want))
' "$TREE" "$MIN_GB"

ONLY=large MIN_GB=$MIN_GB RUNS=${RUNS:-7} WARMUP=${WARMUP:-2} "$SHARED/compare.sh" "$TREE" "$CLI"

echo
echo "peak RSS (max of 3 runs):"
for n in 100000 "$FILES"; do
  t=$(tree_for "$n")
  rss=0
  for _ in 1 2 3; do
    r=$( { /usr/bin/time -f %M "$CLI" --home "$t" --json large --min "$MIN_GB" >/dev/null; } 2>&1 | tail -n 1)
    [ "$r" -gt "$rss" ] && rss=$r
  done
  printf '  %-10s %6d KiB\n' "$(basename "$t")" "$rss"
done
