#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when the engine's units include each other in a circle, in whichever of its folders they lie. A unit
# is X.h, X.cpp and X.inc together; every edge "X includes Y" goes to tsort, which names the units of any loop it finds.
set -euo pipefail

engine="${1:?usage: engine_includes.sh <path to src/engine>}"
[ -d "$engine" ] || { echo "no such folder: $engine" >&2; exit 2; }

edges=$(
    find "$engine" \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) -print | while read -r file; do
        unit=$(basename "${file%.*}")
        sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"engine\/\([a-z]*\/\)*\([A-Za-z0-9_]*\)\.[A-Za-z]*".*/\2/p' "$file" |
            while read -r target; do
                [ "$target" = "$unit" ] || echo "$unit $target"
            done
    done | sort -u
)

if [ -z "$edges" ]; then
    echo "no engine includes found under $engine" >&2
    exit 2
fi

if ! report=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null) || [ -n "$report" ]; then
    echo "the engine's includes form a circle:" >&2
    echo "$report" >&2
    exit 1
fi
echo "engine includes: $(printf '%s\n' "$edges" | wc -l) edges, no circle"
