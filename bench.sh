#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds NIBLO in Release and runs the benchmarks; every figure is compared with a baseline of the same run, and
# the run ends with one table of ratio against goal. --only=TEXT runs just the measurements named with TEXT.
NIBLO_ROOT=$(cd "$(dirname "$0")" && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
niblo_install "${NIBLO_BASE_PACKAGES[@]}" libbenchmark-dev
niblo_build build/bench Release -DNIBLO_TESTS=OFF -DNIBLO_BENCH=ON
exec "$NIBLO_ROOT/build/bench/niblo_bench" "$@"
