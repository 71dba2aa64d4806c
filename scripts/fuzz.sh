#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets in fuzz/ with clang's libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer into build-fuzz/, then runs each target for
# a number of seconds on a fresh copy of its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS defaults to 600 per target; TARGET is one of numbertext,
# entrytext, ledgerfile, username, journal, bankimport, versions (all by
# default). Targets run
# side by side, FUZZ_JOBS at a time (the number of cores by default). The
# corpus grown during a run lives in a temporary folder and is thrown away,
# so the repository is never changed; with FUZZ_MERGE=1 the inputs that
# reach new code are added to fuzz/corpus/ afterwards. An input that
# crashes, hangs or trips a sanitizer is kept in build-fuzz/artifacts/ and
# the script exits with 1. Needs clang and libclang-rt-14-dev
# (scripts/setup.sh lists them).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
FUZZ_BUILD_DIR="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
ALL_TARGETS=(numbertext entrytext ledgerfile username journal bankimport versions)

SECONDS_EACH="${1:-600}"
if ! [[ "$SECONDS_EACH" =~ ^[1-9][0-9]*$ ]]; then
    echo "Uso: scripts/fuzz.sh [SEGUNDOS] [OBJETIVO...]" >&2
    exit 2
fi
shift || true
TARGETS=("$@")
if [ "${#TARGETS[@]}" -eq 0 ]; then
    TARGETS=("${ALL_TARGETS[@]}")
fi
for target in "${TARGETS[@]}"; do
    if [ ! -d "$ROOT/fuzz/corpus/$target" ]; then
        echo "Objetivo desconocido: $target (hay: ${ALL_TARGETS[*]})" >&2
        exit 2
    fi
done
JOBS="${FUZZ_JOBS:-$(nproc)}"

cmake -S "$ROOT/fuzz" -B "$FUZZ_BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$FUZZ_BUILD_DIR" -j "$JOBS"

ARTIFACTS="$FUZZ_BUILD_DIR/artifacts"
mkdir -p "$ARTIFACTS"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/tesorila-fuzz.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

# Leaks count as findings; so does any input that takes more than 25 s (a
# hang: every input runs in a few milliseconds at most, even on a loaded
# machine) or more than 2 GiB.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

run_target() {
    local target="$1"
    local corpus="$WORK/$target/corpus"
    mkdir -p "$corpus"
    cp -R "$ROOT/fuzz/corpus/$target/." "$corpus/"
    local status=0
    # libFuzzer writes its crash files into the current folder unless told.
    (cd "$WORK/$target" &&
        "$FUZZ_BUILD_DIR/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=25 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$ARTIFACTS/$target-" "$corpus" \
            >"$WORK/$target/log" 2>&1) || status=$?
    echo "$status" >"$WORK/$target/status"
}

# Runs the targets, at most JOBS at a time, and waits for all of them.
for target in "${TARGETS[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do
        wait -n || true
    done
    echo "Fuzzing $target durante $SECONDS_EACH s..."
    run_target "$target" &
done
wait

failed=0
printf '\n%-12s %12s %10s %10s  %s\n' objetivo ejecuciones segundos corpus resultado
for target in "${TARGETS[@]}"; do
    status="$(cat "$WORK/$target/status" 2>/dev/null || echo 1)"
    log="$WORK/$target/log"
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    secs="$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)"
    units="$(find "$WORK/$target/corpus" -type f | wc -l)"
    if [ "$status" -eq 0 ]; then
        result=bien
    else
        result="FALLO (código $status)"
        failed=1
    fi
    printf '%-12s %12s %10s %10s  %s\n' "$target" "${runs:-?}" "${secs:-?}" "$units" "$result"
    if [ "$status" -ne 0 ]; then
        echo "--- registro de fuzz_$target (final) ---"
        tail -n 60 "$log"
        echo "--- entradas guardadas en $ARTIFACTS/ ---"
        ls -1 "$ARTIFACTS" | grep "^$target-" || true
    fi
    if [ "${FUZZ_MERGE:-0}" = 1 ] && [ "$status" -eq 0 ]; then
        "$FUZZ_BUILD_DIR/fuzz_$target" -merge=1 "$ROOT/fuzz/corpus/$target" "$WORK/$target/corpus" \
            >"$WORK/$target/merge.log" 2>&1
    fi
done
exit "$failed"
