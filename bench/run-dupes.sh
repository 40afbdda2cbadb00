#!/usr/bin/env bash
# bench/run-dupes.sh [CLI]: times `sweepora-cli dupes` against `jdupes -r -q -m -A` and `rmlint` on the
# synthetic home folder (BENCH_DIR=, default /tmp/sweepora-bench/home300k, made by the shared
# generator when missing), warm cache, in pairs, and checks on a small tree without hidden entries
# or packages that the groups are the ones jdupes finds. Run by hand; see bench/README.md.
#   RUNS=5 bench/run-dupes.sh build/src/cli/sweepora-cli
set -euo pipefail
cd "$(dirname "$0")/.."
SHARED=${SHARED:-/work/shared/bench}
WORK=${BENCH_DIR:-/tmp/sweepora-bench}
CLI=${1:-build/src/cli/sweepora-cli}
RUNS=${RUNS:-5}
TREE=${TREE:-$WORK/home300k}
SMALL=$WORK/dupes-visible20k
mkdir -p "$WORK"
for tool in jdupes rmlint /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install -y jdupes rmlint time)" >&2; exit 1; }
done
[ -d "$TREE" ] || python3 "$SHARED/make-home-tree.py" "$TREE" --files 300000 >&2

# The generator fills every file from one pattern, so files of equal size are equal: the tree has
# tens of thousands of groups, and its multi-gigabyte sparse and preallocated files of equal
# sizes are what the tools spend their time on. --min 1 takes in every non-empty file, as the
# other tools do.
SWEEPORA=("$CLI" --home "$TREE" --json dupes --min 1)
JDUPES=(jdupes -r -q -m -A "$TREE") # -A leaves hidden entries out, as Sweepora and rmlint do
RMLINT=(rmlint -o json:/dev/null "$TREE")

# One timed run: prints "seconds peak-KiB".
measure() {
  local log
  log=$(mktemp)
  /usr/bin/time -v "$@" >/dev/null 2>"$log" || true
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; w = s }
              /Maximum resident set size/ { m = $2 } END { printf "%.2f %d\n", w, m }' "$log"
  rm -f "$log"
}

echo "warming the cache…" >&2
"${SWEEPORA[@]}" >/dev/null; "${JDUPES[@]}" >/dev/null; (cd "$WORK" && "${RMLINT[@]}" >/dev/null)

printf '%-4s %22s %22s %22s %9s %9s\n' run "sweepora s / MB" "jdupes s / MB" "rmlint s / MB" "/jdupes" "/rmlint"
for i in $(seq "$RUNS"); do
  read -r s sm < <(measure "${SWEEPORA[@]}")
  read -r j jm < <(measure "${JDUPES[@]}")
  read -r r rm_ < <(cd "$WORK" && measure "${RMLINT[@]}")
  printf '%-4s %14.2f / %5d %14.2f / %5d %14.2f / %5d %9.3f %9.3f\n' "$i" "$s" $((sm / 1024)) "$j" $((jm / 1024)) \
    "$r" $((rm_ / 1024)) "$(echo "$s / $j" | bc -l)" "$(echo "$s / $r" | bc -l)"
done

# Same answer: on a tree with no hidden entries and no packages, every group jdupes finds and
# no other. The small tree is made once and then stripped of what Sweepora's walk skips.
if [ ! -d "$SMALL" ]; then
  python3 "$SHARED/make-home-tree.py" "$SMALL" --files 20000 --no-big >&2
  find "$SMALL" -mindepth 1 -name '.*' -prune -exec rm -rf {} +
  find "$SMALL" -type d \( -iname '*.app' -o -iname '*.bundle' -o -iname '*.framework' -o -iname '*.pkg' \
    -o -iname '*.plugin' -o -iname '*.kext' -o -iname '*.xpc' -o -iname '*.appex' \) -prune -exec rm -rf {} +
fi
"$CLI" --home "$SMALL" --json dupes --min 1 >"$WORK/sweepora.json"
jdupes -r -q -0 "$SMALL" >"$WORK/jdupes.txt" # NUL-separated: some names hold newlines
python3 - "$WORK/sweepora.json" "$WORK/jdupes.txt" <<'PY'
import json, sys
ours = {frozenset(g["files"]) for g in json.load(open(sys.argv[1]))["items"]}
data = open(sys.argv[2], "rb").read()
theirs = {frozenset(f.decode("utf-8", "replace") for f in g.split(b"\0") if f) for g in data.split(b"\0\0")}
theirs.discard(frozenset())
print("groups: sweepora %d, jdupes %d, %s" % (len(ours), len(theirs), "the same" if ours == theirs else "DIFFERENT"))
for g in list(ours - theirs)[:3]: print("  only sweepora:", sorted(g))
for g in list(theirs - ours)[:3]: print("  only jdupes:", sorted(g))
sys.exit(0 if ours == theirs else 1)
PY
