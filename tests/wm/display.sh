# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the tests that drive the real program: starts Xvfb on a display it picks itself and openbox
# on it, and sets DISPLAY, xserver and wm. Needs the caller's skip and a folder for the display's name.
start_display() {
    local work=$1
    # The server picks a free display itself and names it once it takes clients.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$work/display" >/dev/null 2>&1 &
    xserver=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || skip "Xvfb named no display in time"
    export DISPLAY=:$(head -1 "$work/display")
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    export ASAN_OPTIONS=detect_leaks=0
    unset QT_QPA_PLATFORM
}
