#!/usr/bin/env bash
# Installs what is missing, builds Pelvaro! with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite through CTest; then builds the
# submission engine's tests with ThreadSanitizer and runs them again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci "$@"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan
