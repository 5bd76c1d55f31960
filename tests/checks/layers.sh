#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a folder above its own layer. The layers, lowest first: engine, kit,
# controls, files and dialogs (side by side), the main window (ui), and main.cpp.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
rank() {
    case $1 in
    engine) echo 0 ;;
    kit) echo 1 ;;
    controls) echo 2 ;;
    files | dialogs) echo 3 ;;
    ui) echo 4 ;;
    *) echo 5 ;;
    esac
}
status=0
cd "$root/src" || exit 1
while IFS= read -r file; do
    folder=${file%%/*}
    [ "$folder" = "$file" ] && folder=main
    own=$(rank "$folder")
    while IFS= read -r included; do
        theirs=$(rank "${included%%/*}")
        if [ "$theirs" -gt "$own" ]; then
            echo "$file includes $included, a layer above its own"
            status=1
        fi
    done < <(sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*/[^"]*\)".*|\1|p' "$file")
done < <(find . -name '*.cpp' -o -name '*.h' -o -name '*.inc' | sed 's|^\./||' | sort)
[ $status = 0 ] && echo "every include points down"
exit $status
