#!/usr/bin/env bash
# Installs what is missing, builds Pelvaro! with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci "$@"
