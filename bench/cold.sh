#!/usr/bin/env bash
# bench/cold.sh TREE [CLI]: cold-cache walks. Before every run the page, dentry and inode caches
# are dropped (needs root); Sweepora and each anchor run alternately, pair by pair, and the
# paired ratios' medians are printed. Also runs each of Sweepora's walks with the thread growth
# switched off (SWEEPORA_WALK_GROWTH=fixed), to show what the adaptive walk brings.
#   RUNS=5 bench/cold.sh /tmp/sweepora-bench/home300k build-bench/src/cli/sweepora-cli
set -euo pipefail
[ $# -ge 1 ] || { sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
TREE=$1
CLI=${2:-build-bench/src/cli/sweepora-cli}
RUNS=${RUNS:-5}
[ "$(id -u)" -eq 0 ] || { echo "cold.sh: dropping caches needs root" >&2; exit 2; }
FD=$(command -v fdfind || command -v fd || true)
T=$(printf '%q' "$TREE")
FDX="--no-ignore -E '*.app' -E '*.bundle' -E '*.framework' -E '*.pkg'"
PRUNE="\\( -name '.*' -o -type d \\( -name '*.app' -o -name '*.bundle' -o -name '*.framework' -o -name '*.pkg' \\) \\) -prune"

# TASK|SWEEPORA COMMAND|ANCHOR LABEL|ANCHOR COMMAND (an anchor whose tool is missing is skipped)
PAIRS=(
  "large|$CLI --home $T --json large --min 0.5|fd|$FD $FDX -t f -S +512mi . $T"
  "large|$CLI --home $T --json large --min 0.5|find|find $T $PRUNE -o -type f -size +524287k -print"
  "search|$CLI --home $T --json search report|fd|$FD $FDX -t f -i -F report $T"
  "empty|$CLI --home $T --json empty|fd|$FD $FDX -t d -t e . $T"
  "empty|$CLI --home $T --json empty|find|find $T $PRUNE -o -type d -empty -print"
  "storage|$CLI --home $T --json storage $T|du|du -s -B1 -- $T/*"
  "storage|$CLI --home $T --json storage $T|gdu|gdu -n -p $T"
  "quick|$CLI --home $T --json quick|fd x4|$FD $FDX -t f -i '(log|cache)' $T & $FD $FDX -t f -i -e zip -e gz -e xz . $T & $FD $FDX -t f -i -e pkg -e dmg -e iso . $T & $FD $FDX -t d -t e . $T & wait"
)

cold_seconds() {
  sync
  echo 3 >/proc/sys/vm/drop_caches
  local start end
  start=$(date +%s%N)
  bash -c "$1" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-8s %-6s %10s %10s %12s %10s\n' task anchor sweepora anchor ratio fixed/adapt
for pair in "${PAIRS[@]}"; do
  IFS='|' read -r task ours label anchor <<<"$pair"
  tool=${anchor%% *}
  command -v "$tool" >/dev/null 2>&1 || { echo "$task: $label not installed, skipped"; continue; }
  ratios=() times=() anchors=() growth=()
  for ((r = 0; r < RUNS; r++)); do
    a=$(cold_seconds "$ours")
    b=$(cold_seconds "$anchor")
    f=$(cold_seconds "SWEEPORA_WALK_GROWTH=fixed $ours")
    times+=("$a") anchors+=("$b")
    ratios+=("$(echo "scale=3; $a / $b" | bc)")
    growth+=("$(echo "scale=3; $f / $a" | bc)")
  done
  printf '%-8s %-6s %10s %10s %12s %10s\n' "$task" "$label" \
    "$(printf '%s\n' "${times[@]}" | median)" "$(printf '%s\n' "${anchors[@]}" | median)" \
    "$(printf '%s\n' "${ratios[@]}" | median)" "$(printf '%s\n' "${growth[@]}" | median)"
done
