#!/usr/bin/env bash
# make demo: registers the library and the simulated analyser plug-in in a local registry made
# from the shipped default, runs the sample test sequence on a healthy and on a faulty device, and
# shows where the reports and the records are.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/$build/demo"
mkdir -p "$demo"
cp "$root/data/registry/default.reg" "$demo/registry.reg"
export VELKO_REGISTRY="$demo/registry.reg"
# An archive of the demo's own, new each time, so that its history shows exactly its two runs.
rm -f "$demo"/archive.sqlite*
export VELKO_ARCHIVE="$demo/archive.sqlite"
velko="$root/$build/apps/velko/velko"
library=$(ls "$root/$build"/src/libvelkocore.so.*.*.* | head -n 1)
simulator="$root/$build/plugins/simulator/libvelkosimulator.so"
samples="$root/data/samples"

echo "== Registering the library and the simulator in $VELKO_REGISTRY"
"$velko" register "$library"
"$velko" register "$simulator"
echo
echo "== Installed plug-ins"
"$velko" plugins
echo
echo "== A healthy class I device with a type BF applied part"
"$velko" run "$samples/class1-bf-sequence.xml" --setup "$samples/healthy-setup.xml" \
  --out "$demo/healthy" --detail --record "$demo/healthy/class1-bf-sequence.record.xml" \
  --report "$demo/healthy/class1-bf-sequence.report.html" --pdf
echo
echo "== The same device with a broken protective earth conductor (the run fails: exit 1)"
"$velko" run "$samples/class1-bf-sequence.xml" --setup "$samples/faulty-setup.xml" \
  --out "$demo/faulty" --detail --record "$demo/faulty/class1-bf-sequence.record.xml" \
  --report "$demo/faulty/class1-bf-sequence.report.html" || echo "(exit status $?)"
echo
echo "== The faulty record printed again, in German, failed tests only"
"$velko" report "$demo/faulty/class1-bf-sequence.record.xml" --language de --only-failed \
  --output "$demo/faulty/failed-de.html"
echo
echo "== The device's tests in the archive ($VELKO_ARCHIVE)"
"$velko" history NM300-04711
echo
"$velko" compare NM300-04711
echo
echo "Reports:  $demo/healthy/class1-bf-sequence.report.html (and .report.pdf)"
echo "          $demo/faulty/class1-bf-sequence.report.html (compared with the healthy test)"
echo "          $demo/faulty/failed-de.html"
echo "Records:  $demo/healthy/class1-bf-sequence.record.xml"
echo "          $demo/faulty/class1-bf-sequence.record.xml"
echo
echo "The test station (a browser test guide on this archive and registry) starts with:"
echo "  VELKO_REGISTRY=$VELKO_REGISTRY $velko station --archive $VELKO_ARCHIVE"
echo "and prints its address (http://127.0.0.1:8353/) to open in a browser."
