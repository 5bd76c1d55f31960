#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A user types into a file, the program is killed with kill -9, and the next start offers the changes back:
# the real program under a real window manager (openbox on Xvfb), keys through xdotool. Yes to the question,
# Ctrl+S, and the file on disk must hold exactly the typed bytes.
# Usage: recovery_test.sh NIBLO_EXECUTABLE. Exit 77 (skipped, saying why) where Xvfb, openbox or xdotool is
# missing or the window system does not answer in time; with NIBLO_NO_SKIP=1 such a skip is a failure.
set -u
program=$1
skip() {
    echo "skipped: $*"
    [ "${NIBLO_NO_SKIP:-0}" = 1 ] && { echo "NIBLO_NO_SKIP is set: a skip fails"; exit 1; }
    exit 77
}
fail() {
    echo "FAILED: $*"
    exit 1
}
for tool in Xvfb openbox xdotool; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
work=$(mktemp -d)
wm="" xserver="" pid=""
trap 'kill -9 $pid 2>/dev/null; kill $wm $xserver 2>/dev/null; rm -rf "$work"' EXIT
# Beside a copy of the program, settings and recovery journals stay inside this test (portable use).
cp "$program" "$work/niblo"
. "$(dirname "$0")/display.sh"
start_display "$work"

file="$work/typed.bin"
printf '0123456789ABCDEFGHIJKLMNOPQRSTUV' >"$file"
# Overwrite mode types over the first three bytes, Insert switches to insert mode for three more.
expected="abcXYZ3456789ABCDEFGHIJKLMNOPQRSTUV"

# The window of the program started last, once it shows.
window_of() {
    local found=""
    for _ in $(seq 50); do
        found=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1)
        [ -n "$found" ] && break
        sleep 0.2
    done
    echo "$found"
}

"$work/niblo" "$file" >/dev/null 2>&1 &
pid=$!
window=$(window_of)
[ -n "$window" ] || skip "the first start showed no window in time"
sleep 1.5 # framed and settled
xdotool windowactivate --sync "$window" 2>/dev/null || skip "the window could not be activated"
xdotool type --delay 40 abc
xdotool key Insert
xdotool type --delay 40 XYZ
sleep 0.5
kill -9 "$pid"
wait "$pid" 2>/dev/null
[ "$(cat "$file")" = "0123456789ABCDEFGHIJKLMNOPQRSTUV" ] || fail "the file changed before it was saved"
ls "$work"/recovery/niblo-*.journal >/dev/null 2>&1 || fail "no recovery journal was left behind"

# The second start asks; Yes gives the changes back, Ctrl+S saves them.
"$work/niblo" "$file" >/dev/null 2>&1 &
pid=$!
question=""
for _ in $(seq 50); do
    question=$(xdotool search --onlyvisible --name '^Confirmation$' 2>/dev/null | head -1)
    [ -n "$question" ] && break
    sleep 0.2
done
[ -n "$question" ] || fail "the second start asked nothing"
sleep 0.5
xdotool windowactivate --sync "$question" key alt+y 2>/dev/null
window=$(window_of)
[ -n "$window" ] || skip "the second start showed no window in time"
for attempt in $(seq 50); do
    [ $((attempt % 10)) = 1 ] && xdotool windowactivate --sync "$window" key ctrl+s 2>/dev/null
    [ "$(cat "$file")" = "$expected" ] && break
    sleep 0.2
done
[ "$(cat "$file")" = "$expected" ] || fail "the file holds '$(cat "$file")', expected '$expected'"
# Saved and closed, nothing is left to recover.
for attempt in $(seq 50); do
    [ $((attempt % 10)) = 1 ] && xdotool windowactivate --sync "$window" key alt+F4 2>/dev/null
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "the program did not close"
ls "$work"/recovery/niblo-*.journal >/dev/null 2>&1 && fail "a journal was left after the file was saved and closed"
echo "recovered: $(cat "$file")"
exit 0
