#!/usr/bin/env bash
# Builds the Debian package of Pelvaro! from a Release build without sanitizers or tests
# (workflow preset "package": configure, build, cpack) and prints the path of the .deb.
# Installs missing build packages first, like the other scripts.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=build/package
# A stale package from an earlier version would otherwise be taken for the new one.
rm -f "$build"/pelvaro_*.deb
cmake --workflow --preset package >&2
deb=$(find "$build" -maxdepth 1 -name 'pelvaro_*.deb' -print -quit)
if [ -z "$deb" ]; then
    echo "Kein Paket entstanden: $build/pelvaro_*.deb fehlt." >&2
    exit 1
fi
realpath "$deb"
