#!/usr/bin/env bash
# Builds NIBLO with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test through CTest.
NIBLO_ROOT=$(cd "$(dirname "$0")" && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
niblo_install "${NIBLO_BASE_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev xvfb openbox xdotool
niblo_build build/test Debug -DNIBLO_SANITIZE=ON -DNIBLO_TESTS=ON
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1
cd "$NIBLO_ROOT/build/test"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
