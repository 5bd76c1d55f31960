#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when the engine library defines writable data (nm's B, b, D and d symbols) that is not on the
# allow-list beside this script: everything of an open file belongs to its document, everything else to the
# application. Tables that are constant once relocated (.data.rel.ro, also "d" to nm) are not writable and
# pass; so do the sanitizers' and the compiler's own symbols.
set -euo pipefail

library="${1:?usage: engine_globals.sh <libniblo_engine.a> <allow-list>}"
allow="${2:?usage: engine_globals.sh <libniblo_engine.a> <allow-list>}"

# objdump names each symbol's section, which nm's letter does not: "d" is .data and .data.rel.ro alike.
found=$(objdump -t "$library" | awk '
    /^[0-9a-f]+ / {
        section = ""
        for (i = 1; i <= NF; i++) if ($i ~ /^\./) { section = $i; break }
        if (section ~ /^\.(bss|data|tbss|tdata)/ && section !~ /^\.data\.rel\.ro/ && $3 == "O") print $NF
    }' | c++filt | grep -Ev '^(__asan|__ubsan|__sancov|__odr_asan|\.L|__unnamed|DW\.ref\.)' | sort -u)

allowed=$(grep -v '^#' "$allow" | cut -f1 | sort -u)
stray=$(comm -23 <(printf '%s\n' "$found") <(printf '%s\n' "$allowed") | sed '/^$/d')
if [ -n "$stray" ]; then
    echo "writable data outside documents and the application (move it there, or add it with a reason to $allow):"
    sed 's/^/  /' <<<"$stray"
    exit 1
fi
echo "engine_globals: $(printf '%s\n' "$found" | sed '/^$/d' | wc -l) allowed symbols, nothing else"
