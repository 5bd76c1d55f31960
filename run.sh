#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds NIBLO in Release and starts it, optionally on FILE (any arguments go to the program: see --help).
# The build folder is ready for cpack -G DEB.
NIBLO_ROOT=$(cd "$(dirname "$0")" && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
niblo_install "${NIBLO_BASE_PACKAGES[@]}" "${NIBLO_PACKAGE_TOOLS[@]}"
niblo_build build/release Release -DNIBLO_TESTS=OFF
exec "$NIBLO_ROOT/build/release/niblo" "$@"
