#!/usr/bin/env bash
# Renders the pictures the README shows anew from the program itself (without a screen) and
# puts them into docs/. Arguments: the build folder to take the program from (build/dev).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
if [ ! -x "$build/pelvaro" ]; then
    echo "Kein Programm in $build: zuerst bauen (cmake --preset dev && cmake --build --preset dev)." >&2
    exit 1
fi
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
# The build tree's own catalogue, the user's settings left alone.
QT_QPA_PLATFORM=offscreen PELVARO_HOME="$build" XDG_CONFIG_HOME="$shots/config" \
    XDG_RUNTIME_DIR="$shots/runtime" "$build/pelvaro" --screenshots "$shots/bilder" 2>/dev/null
declare -A pictures=(
    [main-TabSiteDescription]=hauptfenster
    [main-TabMetaTags]=meta-tags
    [main-TabSelectEngine]=auswahl
    [main-TabStatusbericht-run]=statusbericht
    [report]=bericht
    [print-preview]=seitenansicht
)
for shot in "${!pictures[@]}"; do
    cp "$shots/bilder/$shot.png" "docs/${pictures[$shot]}.png"
done
echo "Bilder in docs/ erneuert: ${pictures[*]}"
