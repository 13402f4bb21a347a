#!/usr/bin/env bash
# make demo: registers the library in a local registry made from the shipped default and shows
# what the library offers and what registration wrote.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/$build/demo"
mkdir -p "$demo"
cp "$root/data/registry/default.reg" "$demo/registry.reg"
export VELKO_REGISTRY="$demo/registry.reg"
velko="$root/$build/apps/velko/velko"
library=$(ls "$root/$build"/src/libvelkocore.so.* | head -n 1)

echo "== The class table of libvelkocore"
"$velko" classes
echo
echo "== Registering the library in $VELKO_REGISTRY"
"$velko" register "$library"
echo
echo "== What registration wrote (class entries)"
grep -A2 -E '^\[HKEY_LOCAL_MACHINE\\Software\\Classes\\(VelkoCore\.|CLSID\\)' "$VELKO_REGISTRY" | head -n 40
echo "..."
