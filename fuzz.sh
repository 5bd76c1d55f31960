#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with Clang and runs each for MINUTES minutes (default 1), starting from its
# checked-in corpus in tests/fuzz/corpus/<target>. Inputs that reach new code are merged into that corpus;
# an input that makes a target fail is kept as build/fuzz/<target>-crash-... and the script fails.
NIBLO_ROOT=$(cd "$(dirname "$0")" && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
minutes=${1:-1}
niblo_install "${NIBLO_BASE_PACKAGES[@]}"
niblo_install_fuzz
niblo_build_fuzz
failed=()
for corpus in "$NIBLO_ROOT"/tests/fuzz/corpus/*/; do
    corpus=${corpus%/}
    target=$(basename "$corpus")
    binary="$NIBLO_ROOT/build/fuzz/tests/fuzz/$target"
    found=$(mktemp -d)
    echo "== $target: $minutes minute(s)"
    # New inputs go to the first folder; the corpus is only read.
    if ! "$binary" -max_total_time=$((minutes * 60)) -print_final_stats=1 \
        -artifact_prefix="$NIBLO_ROOT/build/fuzz/$target-" "$found" "$corpus"; then
        failed+=("$target")
    fi
    # Keep only what reaches new code (edges, not hit counts), so that the checked-in corpus stays small.
    "$binary" -merge=1 -use_counters=0 "$corpus" "$found" 2>&1 | grep -E "MERGE-OUTER: [0-9]+ new files" || true
    rm -rf "$found"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Failing inputs found by: ${failed[*]} (see build/fuzz/*-crash-*)"
    exit 1
fi
