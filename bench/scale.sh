#!/usr/bin/env bash
# bench/scale.sh SMALL BIG [BUILD]: does every scan's cost grow linearly with the tree? Times each
# scan of sweepora-cli warm on both trees (medians), divides it by the floor on the same tree (a
# two-thread walk that only lists names: sweepora-walk-bench names), and prints how that ratio
# grew from SMALL to BIG (goal: at most 1.3) with each scan's peak memory on both trees.
# Ratios are taken in CPU seconds as well as wall seconds: on a busy machine only the first hold.
#   RUNS=3 bench/scale.sh /tmp/home300k /tmp/home1m build-bench
set -euo pipefail
[ $# -ge 2 ] || { sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
SMALL=$1
BIG=$2
BUILD=${3:-build-bench}
CLI=$BUILD/src/cli/sweepora-cli
WALK=$BUILD/bench/sweepora-walk-bench
RUNS=${RUNS:-3}
DATA=$(mktemp -d)
trap 'rm -rf "$DATA"' EXIT
# Each run gets a data home of its own: no user rules, no journal from an earlier run.
export XDG_DATA_HOME=$DATA/data XDG_CONFIG_HOME=$DATA/config

TASKS=(rules large misc archives installers empty "search report" storage "dupes --min 1M" quick)

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# measure COMMAND...: "WALL CPU MB", the medians of RUNS warm runs (one unmeasured run first).
# CPU seconds (user + system) barely move with other load on the machine; wall seconds do.
measure() {
  "$@" >/dev/null 2>&1 || true
  local runs=()
  for ((r = 0; r < RUNS; r++)); do
    runs+=("$(/usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -1)")
  done
  local wall cpu mb
  wall=$(printf '%s\n' "${runs[@]}" | awk '{ print $1 }' | median)
  cpu=$(printf '%s\n' "${runs[@]}" | awk '{ print $2 + $3 }' | median)
  mb=$(printf '%s\n' "${runs[@]}" | awk '{ printf "%.0f\n", $4 / 1024 }' | median)
  echo "$wall $cpu $mb"
}

ratio() { echo "scale=2; $1 / $2" | bc; }

read -r fsw fsc _ <<<"$(measure "$WALK" "$SMALL" 2 names 1)"
read -r fbw fbc _ <<<"$(measure "$WALK" "$BIG" 2 names 1)"
echo "floor: small ${fsw} s wall, ${fsc} s CPU; big ${fbw} s wall, ${fbc} s CPU"
printf '%-16s %8s %8s %7s %7s %7s %7s %7s %7s %7s %7s\n' scan wall-s wall-b cpu-s cpu-b \
  "fl-s" "fl-b" growth "wgrow" "MB-s" "MB-b"
for task in "${TASKS[@]}"; do
  read -r -a args <<<"$task"
  read -r sw sc sm <<<"$(measure "$CLI" --home "$SMALL" --json "${args[@]}")"
  read -r bw bc bm <<<"$(measure "$CLI" --home "$BIG" --json "${args[@]}")"
  # growth: how the CPU ratio to the floor grew from SMALL to BIG; wgrow: the same in wall time.
  rs=$(ratio "$sc" "$fsc")
  rb=$(ratio "$bc" "$fbc")
  printf '%-16s %8s %8s %7s %7s %7s %7s %7s %7s %7s %7s\n' "$task" "$sw" "$bw" "$sc" "$bc" "$rs" "$rb" \
    "$(ratio "$rb" "$rs")" "$(ratio "$(ratio "$bw" "$fbw")" "$(ratio "$sw" "$fsw")")" "$sm" "$bm"
done
