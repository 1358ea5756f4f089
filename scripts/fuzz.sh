#!/usr/bin/env bash
# Runs every fuzz target (or only the TARGETs named) for SECONDS each (default 60) and prints,
# per target, the inputs tried, the inputs per second and whether it found a fault. Exit status
# 1 when any did.
#
# The fuzz build lives in build/fuzz (PELVARO_FUZZ_BUILD overrides it): configured with clang
# and PELVARO_FUZZ=ON when it does not exist yet, brought up to date otherwise. Each target
# starts from a fresh copy of its seeds in fuzz/corpus/<target>/; what it finds (grown corpus,
# crashing inputs, the log) stays under <build>/runs/<target>/, never in the repository.
set -euo pipefail

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "Aufruf: $0 [SEKUNDEN [ZIEL...]]" >&2
  exit 2
fi
shift $(($# > 0 ? 1 : 0))

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PELVARO_FUZZ_BUILD:-$root/build/fuzz}"
jobs="${PELVARO_FUZZ_JOBS:-1}"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in "$root"/fuzz/corpus/*/; do
    targets+=("$(basename "$seeds")")
  done
fi
for target in "${targets[@]}"; do
  if [ ! -d "$root/fuzz/corpus/$target" ]; then
    echo "Unbekanntes Ziel: $target (Ziele: $(ls "$root/fuzz/corpus" | tr '\n' ' '))" >&2
    exit 2
  fi
done

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELVARO_FUZZ=ON -DPELVARO_BUILD_TESTS=OFF
fi
ninja -C "$build" -j"$jobs" fuzz_all

# A finding of the undefined-behaviour sanitizer stops the target like a crash; a single input
# that takes longer than ten seconds counts as a hang.
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export QT_QPA_PLATFORM=offscreen

failed=0
summary=()
for target in "${targets[@]}"; do
  seeds="$root/fuzz/corpus/$target/"
  binary="$build/fuzz/fuzz_$target"
  run="$build/runs/$target"
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/artefacts"
  cp -r "$seeds". "$run/corpus/"

  echo "== $target: $seconds s"
  status=0
  "$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$run/artefacts/" "$run/corpus" >"$run/log.txt" 2>&1 || status=$?

  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log.txt" | tail -1)"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$run/log.txt" | tail -1)"
  if [ "$status" -eq 0 ]; then
    result="ok"
  else
    failed=1
    found="$(find "$run/artefacts" -type f | head -1)"
    result="FEHLER (Status $status) ${found:-ohne Eingabe}, Protokoll $run/log.txt"
    # The log's end names the fault and its stack; a CI run keeps nothing else of it.
    tail -n 60 "$run/log.txt"
  fi
  summary+=("$(printf '%-16s %12s Läufe %8s/s  %s' "$target" "${runs:-?}" "${rate:-?}" "$result")")
done

echo
printf '%s\n' "${summary[@]}"
exit "$failed"
