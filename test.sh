#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds NIBLO with AddressSanitizer and UndefinedBehaviorSanitizer, warnings as errors, and runs every test
# through CTest, the Debian package of this build among them. The benchmark is built too (not run) so that it
# keeps compiling. Then the fuzz targets are built with Clang and each runs once over its checked-in corpus.
NIBLO_ROOT=$(cd "$(dirname "$0")" && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
niblo_install "${NIBLO_BASE_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev xvfb openbox xdotool
niblo_install "${NIBLO_PACKAGE_TOOLS[@]}" appstream desktop-file-utils groff-base
niblo_install_fuzz
niblo_build build/test Debug -DNIBLO_SANITIZE=ON -DNIBLO_WERROR=ON -DNIBLO_TESTS=ON -DNIBLO_BENCH=ON
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1
(cd "$NIBLO_ROOT/build/test" && ctest --output-on-failure --timeout 600 -j "$(nproc)")

niblo_build_fuzz
cd "$NIBLO_ROOT/build/fuzz"
ctest --output-on-failure --timeout 300 -j "$(nproc)"
