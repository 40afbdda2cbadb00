#!/usr/bin/env bash
# Load test of sweepora-service, run by hand (not a CTest test). Loopback only, bounded in time
# (DURATION, default 15s) and in count (MAX_REQUESTS_PER_THREAD replies per wrk thread).
# A mix of workshop list and upload requests; prints requests per second and latency
# percentiles, then checks that the database is consistent and holds every upload that was
# answered 200 and none that was never sent.
#
# DB=postgresql://… runs on that PostgreSQL database (an empty one: the check counts every entry),
# and INSTANCES=N starts N instances on it, each loaded by a wrk of its own with its share of the
# connections, as a balancer would spread them; the requests per second add up and the p99 shown
# is the worst instance's. scripts/with-postgres gives a scratch database:
#   scripts/with-postgres bash -c 'DB=$SWEEPORA_TEST_PG_URL INSTANCES=2 service/bench/load.sh'
#
# The service's per-address upload limits would refuse nearly every upload from the one address
# wrk sends from; SERVICE_OPTIONS raises them by default, so that every upload is still checked
# against its limits and stored (SERVICE_OPTIONS= keeps the service's own limits).
#
#   service/bench/load.sh [path/to/sweepora-service]
set -euo pipefail
cd "$(dirname "$0")/../.."
SERVICE=${1:-build/service/sweepora-service}
DURATION=${DURATION:-15s}
CONNECTIONS=${CONNECTIONS:-8}
INSTANCES=${INSTANCES:-1}
export MAX_REQUESTS_PER_THREAD=${MAX_REQUESTS_PER_THREAD:-100000}
SERVICE_OPTIONS=${SERVICE_OPTIONS---uploads-per-hour 1000000 --uploads-per-day 1000000 --rows-per-client 1000000}

command -v wrk >/dev/null || { echo "wrk is missing (scripts/setup installs it)"; exit 1; }
[ -x "$SERVICE" ] || { echo "no service binary at $SERVICE (scripts/build first)"; exit 1; }

work=$(mktemp -d /tmp/sweepora-load.XXXXXX)
DB=${DB:-$work/service.sqlite3}
pids=()
stop_services() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null || true; done
  pids=()
}
trap 'stop_services; rm -rf "$work"' EXIT

ports=()
for i in $(seq "$INSTANCES"); do
  # shellcheck disable=SC2086 # the options are words
  "$SERVICE" --db "$DB" --listen 127.0.0.1:0 $SERVICE_OPTIONS >"$work/service$i.log" 2>&1 &
  pids+=($!)
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/.*正在监听 http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/service$i.log")
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { cat "$work/service$i.log"; echo "service did not start"; exit 1; }
  ports+=("$port")
done

threads=$((INSTANCES > 1 ? 1 : 2))
echo "sweepora-service: $INSTANCES instance(s) on ports ${ports[*]}, $CONNECTIONS connections, $DURATION," \
  "at most $MAX_REQUESTS_PER_THREAD replies per thread"
loaders=()
for i in "${!ports[@]}"; do
  wrk -t"$threads" -c"$((CONNECTIONS / INSTANCES))" -d"$DURATION" --timeout 5s -s service/bench/mix.lua \
    "http://127.0.0.1:${ports[$i]}" >"$work/wrk$i.txt" &
  loaders+=($!)
done
wait "${loaders[@]}"
cat "$work"/wrk*.txt
stop_services

total() { cat "$work"/wrk*.txt | sed -n "s/^$1 \([0-9]*\)$/\1/p" | awk '{ s += $1 } END { print s + 0 }'; }
uploads=$(total uploads_ok)
sent=$(total uploads_sent)
if [ "$INSTANCES" -gt 1 ]; then
  echo "all instances: $(cat "$work"/wrk*.txt | sed -n 's/^requests: .* \([0-9]*\) per second$/\1/p' | awk '{ s += $1 } END { print s + 0 }')" \
    "requests per second, worst p99 $(cat "$work"/wrk*.txt | sed -n 's/.*p99 \([0-9.]*\) ms.*/\1/p' | sort -n | tail -1) ms"
fi
check=$("$SERVICE" --db "$DB" check)
echo "$check"
stored=$(echo "$check" | sed -n 's/.*规则工坊 \([0-9]*\) 条.*/\1/p')
if [[ "$DB" != postgres* ]] && command -v sqlite3 >/dev/null; then
  echo "sqlite3 integrity_check: $(sqlite3 "$DB" 'PRAGMA integrity_check;')"
fi
# wrk ends with requests in flight: the service may have stored uploads whose replies were never
# read, but never fewer than it answered nor more than were sent.
if [ -z "$stored" ] || [ "$stored" -lt "$uploads" ] || [ "$stored" -gt "$sent" ]; then
  echo "INCONSISTENT: $uploads uploads answered 200, $sent sent, $stored workshop entries stored"
  exit 2
fi
echo "consistent: $uploads uploads answered 200, $sent sent, $stored stored"
