#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program answers --help, --version and wrong arguments where no display exists: it must read its
# command line before it asks for a window system (which would fail here and end the program).
# Usage: program_test.sh NIBLO_EXECUTABLE VERSION
set -u
program=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
# run WANT_STATUS ARGUMENTS...: runs the program without a display; its output lands in $work/out and $work/err.
run() {
    local want=$1
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" = "$want" ] || fail "niblo $* ended with $got, not $want; it wrote: $(cat "$work/out" "$work/err")"
}

run 0 --help
head -1 "$work/out" | grep -qx 'Usage: niblo \[options\] \[FILE\]' || fail "--help prints no usage"
grep -q -- '--goto <ADDRESS>' "$work/out" || fail "--help names no --goto"
[ -s "$work/err" ] && fail "--help wrote to standard error: $(cat "$work/err")"

run 0 --version
head -1 "$work/out" | grep -qx "niblo $version" || fail "--version prints $(head -1 "$work/out")"
grep -q 'GPL-3.0-or-later' "$work/out" || fail "--version names no licence"

run 2 --bogus
head -1 "$work/err" | grep -qx "niblo: Unknown option 'bogus'." || fail "--bogus says $(head -1 "$work/err")"
grep -qx 'Usage: niblo \[options\] \[FILE\]' "$work/err" || fail "--bogus prints no usage"
[ -s "$work/out" ] && fail "--bogus wrote to standard output"

run 2 --goto 12h some.bin
head -1 "$work/err" | grep -q "^niblo: '12h' is no address for --goto" || fail "--goto 12h says $(head -1 "$work/err")"

# The bytes of an argument that is no valid text come back as they were.
run 2 -- a $'caf\xe9'
head -1 "$work/err" | grep -qx $'niblo: One FILE at most; \'caf\xe9\' is one too many.' ||
    fail "a name of bytes comes back as $(head -1 "$work/err" | od -c | head -2)"

# --structure prints a file's fields as JSON without a window; a file that does not fit prints what was read
# and says why on standard error.
printf 'meta:\n  id: pair\n  endian: le\nseq:\n  - id: a\n    type: u2\n  - id: b\n    type: strz\n    encoding: ASCII\n' \
    >"$work/pair.ksy"
printf '\x34\x12hi\0' >"$work/pair.bin"
run 0 --structure "$work/pair.ksy" "$work/pair.bin"
grep -qF '{"name": "a", "path": "a", "address": 0, "size": 2, "value": 4660}' "$work/out" ||
    fail "--structure prints $(cat "$work/out")"
grep -qF '{"name": "b", "path": "b", "address": 2, "size": 3, "value": "hi"}' "$work/out" ||
    fail "--structure prints no string: $(cat "$work/out")"
printf '\x34\x12hi' >"$work/short.bin"
run 1 --structure "$work/pair.ksy" "$work/short.bin"
grep -q 'no terminator' "$work/err" || fail "a short file says $(cat "$work/err")"
grep -qF '"value": 4660' "$work/out" || fail "a short file prints $(cat "$work/out")"
# A shipped definition by its name.
printf 'GIF89a\x01\x00\x01\x00\x00\x00\x00\x3b' >"$work/tiny.gif"
run 0 --structure gif "$work/tiny.gif"
grep -qF '"path": "hdr.version", "address": 3, "size": 3, "value": "89a"' "$work/out" ||
    fail "--structure gif prints $(cat "$work/out" "$work/err")"
run 2 --structure gif
grep -q -- '--structure needs a FILE' "$work/err" || fail "--structure without a file says $(cat "$work/err")"

[ $status = 0 ] && echo "the command line needs no display"
exit $status
