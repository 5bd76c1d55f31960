#!/usr/bin/env bash
# Draws the file dialog's pictures into resources/ (1x and @2x).
set -e
NIBLO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
g++ -std=c++20 -fPIC "$NIBLO_ROOT/scripts/draw_dialog_pictures.cpp" -o "$out/draw" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$out/draw" "$NIBLO_ROOT/resources"
