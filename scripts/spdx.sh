#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence's SPDX line at the top of each source file that lacks it: "// ..." in C++ files, "# ..." in
# scripts and CMake files (after a "#!" line). With --check it changes nothing, names the files that lack
# the line and fails when there is one (a CTest check runs it so).
# Usage: scripts/spdx.sh [--check] [ROOT]
set -euo pipefail
check=0
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
tag='SPDX-License-Identifier: GPL-3.0-or-later'
lacking=0
while IFS= read -r -d '' file; do
    head -2 "$file" | grep -F "$tag" >/dev/null && continue
    if [ $check = 1 ]; then
        echo "$file has no line \"$tag\" (scripts/spdx.sh adds it)"
        lacking=1
        continue
    fi
    case $file in
    *.cpp | *.h | *.inc) line="// $tag" ;;
    *) line="# $tag" ;;
    esac
    if [ "$(head -c 2 "$file")" = '#!' ]; then
        sed -i "1a\\$line" "$file"
    else
        sed -i "1i\\$line" "$file"
    fi
    echo "$file"
done < <(
    find src tests bench scripts -type f -not -path 'tests/fuzz/corpus/*' \
        \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' -o -name '*.sh' -o -name '*.py' \
        -o -name CMakeLists.txt \) -print0
    find . -maxdepth 1 -type f \( -name '*.sh' -o -name CMakeLists.txt \) -printf '%P\0'
)
[ $check = 1 ] && [ $lacking = 0 ] && echo "every source file names its licence"
exit $lacking
