#!/usr/bin/env bash
# Builds NIBLO in Release and starts it, optionally on FILE.
NIBLO_ROOT=$(cd "$(dirname "$0")" && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
niblo_install "${NIBLO_BASE_PACKAGES[@]}"
niblo_build build/release Release -DNIBLO_TESTS=OFF
exec "$NIBLO_ROOT/build/release/niblo" "$@"
