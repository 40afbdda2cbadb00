#!/usr/bin/env bash
# Load test of sweepora-service, run by hand (not a CTest test). Loopback only, bounded in time
# (DURATION, default 15s) and in count (MAX_REQUESTS_PER_THREAD replies per wrk thread).
# A mix of workshop list and upload requests; prints requests per second and latency
# percentiles, then checks that the database is consistent and holds every upload that was
# answered 200 and none that was never sent.
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
export MAX_REQUESTS_PER_THREAD=${MAX_REQUESTS_PER_THREAD:-100000}
SERVICE_OPTIONS=${SERVICE_OPTIONS---uploads-per-hour 1000000 --uploads-per-day 1000000 --rows-per-client 1000000}

command -v wrk >/dev/null || { echo "wrk is missing (scripts/setup installs it)"; exit 1; }
[ -x "$SERVICE" ] || { echo "no service binary at $SERVICE (scripts/build first)"; exit 1; }

work=$(mktemp -d /tmp/sweepora-load.XXXXXX)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck disable=SC2086 # the options are words
"$SERVICE" --db "$work/service.sqlite3" --listen 127.0.0.1:0 $SERVICE_OPTIONS >"$work/service.log" 2>&1 &
pid=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.*正在监听 http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/service.log")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { cat "$work/service.log"; echo "service did not start"; exit 1; }

echo "sweepora-service on 127.0.0.1:$port, $CONNECTIONS connections, $DURATION, at most $MAX_REQUESTS_PER_THREAD replies per thread"
wrk -t2 -c"$CONNECTIONS" -d"$DURATION" --timeout 5s -s service/bench/mix.lua "http://127.0.0.1:$port" | tee "$work/wrk.txt"

kill "$pid"
wait "$pid" || true
pid=""

uploads=$(sed -n 's/^uploads_ok \([0-9]*\)$/\1/p' "$work/wrk.txt")
sent=$(sed -n 's/^uploads_sent \([0-9]*\)$/\1/p' "$work/wrk.txt")
check=$("$SERVICE" --db "$work/service.sqlite3" check)
echo "$check"
stored=$(echo "$check" | sed -n 's/.*规则工坊 \([0-9]*\) 条.*/\1/p')
if command -v sqlite3 >/dev/null; then
  echo "sqlite3 integrity_check: $(sqlite3 "$work/service.sqlite3" 'PRAGMA integrity_check;')"
fi
# wrk ends with requests in flight: the service may have stored uploads whose replies were never
# read, but never fewer than it answered nor more than were sent.
if [ -z "$stored" ] || [ "$stored" -lt "$uploads" ] || [ "$stored" -gt "$sent" ]; then
  echo "INCONSISTENT: $uploads uploads answered 200, $sent sent, $stored workshop entries stored"
  exit 2
fi
echo "consistent: $uploads uploads answered 200, $sent sent, $stored stored"
