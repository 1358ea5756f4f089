#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds Pelvaro! with AddressSanitizer and
# UndefinedBehaviorSanitizer (warnings as errors) and runs the whole test suite through
# CTest; then builds the submission engine's and the command line's threaded tests with
# ThreadSanitizer and runs them again; last, builds the fuzz targets with clang and runs each
# for PELVARO_FUZZ_SECONDS (default 20; 0 leaves fuzzing out).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Every source file as clang-format writes it; a file it would change fails the run.
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests -name '*.cpp' -o -name '*.h')
clang-format --dry-run --Werror "${sources[@]}"
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci "$@"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan
fuzz_seconds="${PELVARO_FUZZ_SECONDS:-20}"
if [ "$fuzz_seconds" != 0 ]; then
  PELVARO_FUZZ_JOBS="${PELVARO_FUZZ_JOBS:-$(nproc)}" bash scripts/fuzz.sh "$fuzz_seconds"
fi
