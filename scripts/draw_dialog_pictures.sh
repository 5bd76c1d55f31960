#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the file dialog's pictures into resources/ (1x and @2x).
NIBLO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$NIBLO_ROOT/scripts/common.sh"
niblo_install "${NIBLO_BASE_PACKAGES[@]}"
cmake -S "$NIBLO_ROOT" -B "$NIBLO_ROOT/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIBLO_TESTS=OFF
cmake --build "$NIBLO_ROOT/build/release" --target draw_dialog_pictures
QT_QPA_PLATFORM=offscreen "$NIBLO_ROOT/build/release/draw_dialog_pictures" "$NIBLO_ROOT/resources"
