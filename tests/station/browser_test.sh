#!/usr/bin/env bash
# The station in a real browser: installs the pinned puppeteer-core (never a browser of its own),
# registers the library and the simulator in a registry of the test's own, starts `velko station`
# on a free port, drives Debian's chromium through both cases, then checks the archive from the
# command line: the failed run is stored, the aborted one is not.
set -euo pipefail
: "${VELKO_HOST:?}" "${VELKO_CORE_LIBRARY:?}" "${VELKO_SIMULATOR_LIBRARY:?}" "${VELKO_STATION_WORK:?}"
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v chromium >/dev/null || ! command -v npm >/dev/null; then
  echo "chromium or npm is not installed (make deps installs them)" >&2
  exit 1
fi
work=$VELKO_STATION_WORK
rm -rf "$work/run" && mkdir -p "$work/run" "$work/browser"
cp "$here/browser/package.json" "$here/browser/package-lock.json" "$here/browser/station_e2e.mjs" \
  "$work/browser/"
(cd "$work/browser" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)

export VELKO_REGISTRY=$work/run/registry.reg XDG_CONFIG_HOME=$work/run/config XDG_CACHE_HOME=$work/run/cache
cp "$VELKO_SOURCE_DIR/data/registry/default.reg" "$VELKO_REGISTRY"
"$VELKO_HOST" register "$VELKO_CORE_LIBRARY" >/dev/null
"$VELKO_HOST" register "$VELKO_SIMULATOR_LIBRARY" >/dev/null
archive=$work/run/archive.sqlite

"$VELKO_HOST" station --listen 127.0.0.1:0 --archive "$archive" --out "$work/run/out" \
  >"$work/run/station.out" 2>"$work/run/station.err" &
station=$!
trap 'kill $station 2>/dev/null; wait $station 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q "http://" "$work/run/station.out" 2>/dev/null && break
  kill -0 $station 2>/dev/null || { cat "$work/run/station.err" >&2; exit 1; }
  sleep 0.2
done
url=$(grep -o 'http://[^ ]*/' "$work/run/station.out")
echo "station at $url"

node "$work/browser/station_e2e.mjs" "$url" "$work/screens"

history=$("$VELKO_HOST" history E2E-1001 --archive "$archive")
echo "$history"
grep -q "FAILED" <<<"$history" || { echo "the failed run is not in the archive" >&2; exit 1; }
aborted=$("$VELKO_HOST" history E2E-2002 --archive "$archive" 2>&1 || true)
if grep -qi "passed\|failed" <<<"$aborted"; then
  echo "the aborted run was stored: $aborted" >&2
  exit 1
fi
# Ctrl+C's signal ends the station in order: the engine thread ends, nothing leaks.
kill -INT $station
status=0
wait $station || status=$?
trap - EXIT
if [ "$status" -ne 0 ]; then
  echo "the station ended with status $status" >&2
  cat "$work/run/station.err" >&2
  exit 1
fi
echo "screenshots: $work/screens"
