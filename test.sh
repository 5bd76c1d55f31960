#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds NIBLO with AddressSanitizer and UndefinedBehaviorSanitizer, warnings as errors, and runs every test
# through CTest, the Debian package of this build among them and the fuzz targets, each replaying its
# checked-in corpus. The benchmark is built too (not run) so that it keeps compiling. (fuzz.sh builds the
# fuzz targets with Clang and libFuzzer to find new inputs.)
NIBLO_ROOT=$(cd "$(dirname "$0")" && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
# libclang-rt-dev: LLVM's FuzzedDataProvider.h, which the fuzz targets read.
niblo_install "${NIBLO_BASE_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-dev xvfb openbox xdotool
niblo_install "${NIBLO_PACKAGE_TOOLS[@]}" appstream desktop-file-utils groff-base
# -g1: line tables, all the sanitizers' reports need, at a fraction of full debug information's build time.
niblo_build build/test Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DNIBLO_SANITIZE=ON -DNIBLO_WERROR=ON -DNIBLO_TESTS=ON \
    -DNIBLO_BENCH=ON
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1
cd "$NIBLO_ROOT/build/test"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
