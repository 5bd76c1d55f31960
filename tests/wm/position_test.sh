#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the editor five times under a real window manager (openbox on Xvfb), closing it each time,
# and checks that the window comes back exactly where it was left: stored and restored positions
# must use the same reference, or the window creeps by its frame at every start.
# Usage: position_test.sh NIBLO_EXECUTABLE. Exit 77 (skipped, saying why) where Xvfb, openbox or xdotool is
# missing or the window system does not answer in time; with NIBLO_NO_SKIP=1 (CI, where every tool is
# installed) such a skip is a failure.
set -u
program=$1
skip() {
    echo "skipped: $*"
    [ "${NIBLO_NO_SKIP:-0}" = 1 ] && { echo "NIBLO_NO_SKIP is set: a skip fails"; exit 1; }
    exit 77
}
for tool in Xvfb openbox xdotool; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
work=$(mktemp -d)
wm="" xserver=""
trap 'kill $wm $xserver 2>/dev/null; rm -rf "$work"' EXIT
cp "$program" "$work/niblo" # the settings file lives beside the program
. "$(dirname "$0")/display.sh"
start_display "$work"
positions=()
for start in 1 2 3 4 5; do
    "$work/niblo" >/dev/null 2>&1 &
    pid=$!
    window=""
    for _ in $(seq 50); do
        window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)
        [ -n "$window" ] && break
        sleep 0.2
    done
    # The window system not answering in time is no verdict on the position: skip rather than guess.
    [ -n "$window" ] || skip "start $start showed no window in time"
    sleep 1.5 # the window manager frames it, the program restores its place
    # Looked up again: the first window found may have been replaced while the program started.
    window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)
    [ -n "$window" ] || skip "start $start lost its window"
    [ "$start" = 1 ] && xdotool windowmove "$window" 200 300 && sleep 0.5
    position=$(xdotool getwindowgeometry "$window" 2>/dev/null | sed -n 's/.*Position: \([0-9-]*,[0-9-]*\).*/\1/p')
    [ -n "$position" ] || skip "start $start lost its window"
    positions+=("$position")
    # Closed as a user closes it: Alt+F4 through the server to the window manager, which asks the window
    # to close. (Keys sent straight to the window id can reach the next start, which gets the same id.)
    # Asked again now and then: on a busy machine the first request can come before the window takes keys.
    for attempt in $(seq 100); do
        [ $((attempt % 10)) = 1 ] && xdotool windowactivate --sync "$window" key alt+F4 2>/dev/null
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    kill "$pid" 2>/dev/null && skip "start $start did not close in time"
done
echo "positions: ${positions[*]}"
for p in "${positions[@]}"; do
    [ "$p" = "${positions[0]}" ] || { echo "the window moved between starts"; exit 1; }
done
