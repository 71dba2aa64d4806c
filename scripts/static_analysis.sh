#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs cppcheck and clang-tidy over src/ with the compile commands of a
# configured build (build/ by default) and exits non-zero on any finding.
#
#   scripts/static_analysis.sh [BUILD_DIR]
#
# clang-tidy's checks are in .clang-tidy; cppcheck's few suppressions, each
# with its reason, in scripts/cppcheck-suppressions.txt. ANALYSIS_JOBS sets
# how many files are checked at a time (the number of cores by default).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:-${BUILD_DIR:-$ROOT/build}}" && pwd)"
JOBS="${ANALYSIS_JOBS:-$(nproc)}"
CLANG_TIDY="${CLANG_TIDY:-clang-tidy-14}"

if [ ! -f "$BUILD_DIR/compile_commands.json" ]; then
    echo "Falta $BUILD_DIR/compile_commands.json: configure antes la compilación." >&2
    exit 2
fi
# The moc, resource and precompiled-header sources come from the build; only
# the project's own files are checked (their headers through them), those
# this build compiles: another system's file (platform_win.cpp) has no
# compile command here.
mapfile -t SOURCES < <(cd "$ROOT" && find src -name '*.cpp' | sort |
    while read -r source; do grep -qF "\"$ROOT/$source\"" "$BUILD_DIR/compile_commands.json" && echo "$source"; done)
if [ "${#SOURCES[@]}" -eq 0 ]; then
    echo "No hay fuentes en src/." >&2
    exit 2
fi

failed=0

echo "cppcheck sobre src/ (${#SOURCES[@]} archivos)..."
# cppcheck does not read Qt's headers, so it is told the platform macros
# they would define; it then checks the Linux branch of each #ifdef.
if ! (cd "$ROOT" && cppcheck --project="$BUILD_DIR/compile_commands.json" --file-filter="$ROOT/src/*" \
    --enable=warning,style,performance,portability --library=qt --std=c++17 \
    -DQ_OS_UNIX -DQ_OS_LINUX --inline-suppr \
    --suppressions-list="$ROOT/scripts/cppcheck-suppressions.txt" \
    --error-exitcode=1 -j "$JOBS" --quiet \
    --template='{file}:{line}:{column}: {severity}: {message} [{id}]'); then
    echo "cppcheck: hay avisos." >&2
    failed=1
fi

echo "clang-tidy sobre src/ (${#SOURCES[@]} archivos)..."
# Each file alone, JOBS at a time; clang-tidy exits non-zero on any
# finding (.clang-tidy makes every warning an error). Its count of the
# warnings it hid in Qt's headers is left out of the output.
TIDY_LOG="$(mktemp)"
trap 'rm -f "$TIDY_LOG"' EXIT
tidy_status=0
(cd "$ROOT" && printf '%s\0' "${SOURCES[@]}" |
    xargs -0 -n 1 -P "$JOBS" "$CLANG_TIDY" -p "$BUILD_DIR" --quiet) >"$TIDY_LOG" 2>&1 || tidy_status=$?
grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$TIDY_LOG" || true
if [ "$tidy_status" -ne 0 ]; then
    echo "clang-tidy: hay avisos." >&2
    failed=1
fi

if [ "$failed" -eq 0 ]; then
    echo "Análisis estático: sin avisos."
fi
exit "$failed"
