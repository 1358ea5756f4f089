#!/usr/bin/env bash
# Installs what is missing, builds Pelvaro! and starts it with the sample catalogue that
# the build prepares beside the program. Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
exec build/dev/pelvaro "$@"
