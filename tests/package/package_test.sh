#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of a build folder with cpack and checks it: every file is in it, its dependencies
# (from dpkg-shlibdeps) name the Qt libraries, the maintainer field names the authors and their web page, the
# desktop entry, the AppStream data and the compressed manual page pass their validators as installed, and the
# installed program answers --version with the authors' notice.
# Usage: package_test.sh BUILD_DIR VERSION ID CONTACT NOTICE. Exit 77 (skipped, saying why) where a tool is missing; with
# NIBLO_NO_SKIP=1 (CI, where every tool is installed) such a skip is a failure.
set -u
build=$1 version=$2 id=$3 contact=$4 notice=$5
skip() {
    echo "skipped: $*"
    [ "${NIBLO_NO_SKIP:-0}" = 1 ] && { echo "NIBLO_NO_SKIP is set: a skip fails"; exit 1; }
    exit 77
}
for tool in cpack dpkg-deb dpkg-shlibdeps appstreamcli desktop-file-validate groff zcat; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=("$work"/niblo_"$version"_*.deb)
[ -f "${debs[0]}" ] || { ls "$work"; echo "FAIL: no niblo_${version}_*.deb"; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

# Who the program is stays put: desktops and software centres know it by this name and page.
[ "$id" = io.github.niblo.niblo ] || fail "the application ID is $id"
[ "$contact" = https://github.com/niblo/niblo ] || fail "the contact page is $contact"
[ "$notice" = "© 2026 The NIBLO authors" ] || fail "the notice is $notice"

# Every file of the installation, and nothing outside /usr.
dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/contents"
man=/usr/share/man/man1/niblo.1.gz
want=(/usr/bin/niblo "$man" /usr/share/doc/niblo/copyright
    "/usr/share/applications/$id.desktop" "/usr/share/metainfo/$id.metainfo.xml"
    "/usr/share/icons/hicolor/scalable/apps/$id.svg")
for size in 16 22 24 32 48 64 128 256; do
    want+=("/usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
for file in "${want[@]}"; do
    grep -qxF "$file" "$work/contents" || fail "$file is not in the package"
done
grep -v '^/usr/' "$work/contents" | grep -v '^/$' && fail "files outside /usr"
grep -qxF /usr/share/man/man1/niblo.1 "$work/contents" && fail "the manual page is not compressed"

# The fields: name, version, and dependencies that name the Qt libraries the program links.
[ "$(dpkg-deb --field "$deb" Package)" = niblo ] || fail "Package is $(dpkg-deb --field "$deb" Package)"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "Version is $(dpkg-deb --field "$deb" Version)"
maintainer=$(dpkg-deb --field "$deb" Maintainer)
[ "$maintainer" = "The NIBLO authors <$contact>" ] || fail "Maintainer is $maintainer"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libc6; do
    [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] || fail "Depends names no $library"
done

# The installed files pass their validators.
dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net --pedantic "$work/root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$work/root" || fail "appstreamcli validate-tree"
desktop-file-validate "$work/root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx "Icon=$id" "$work/root/usr/share/applications/$id.desktop" || fail "the desktop entry names another icon"
grep -q "<release version=\"$version\"" "$work/root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream data names another release"
zcat "$work/root$man" >"$work/niblo.1" || fail "the manual page is no gzip file"
warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$work/niblo.1" 2>&1)
[ -z "$warnings" ] || fail "the manual page: $warnings"
for option in --help --version --read-only --goto; do
    grep -qF -- "${option//-/\\-}" "$work/niblo.1" || fail "the manual page names no $option"
done
grep -q 'niblo\.ini' "$work/niblo.1" || fail "the manual page names no settings file"

# The installed program is the one built; it needs no display for --version.
first=$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/niblo" --version | head -1)
[ "$first" = "niblo $version" ] || fail "the installed program says $first"
env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/niblo" --version | grep -qF "$notice" ||
    fail "--version does not say $notice"
grep -qF "$contact" "$work/root/usr/share/metainfo/$id.metainfo.xml" || fail "the AppStream data names no $contact"

# Every shipped format definition is named in the copyright file under the licence its meta/license gives.
ksys=$(grep '^/usr/share/niblo/formats/.*\.ksy$' "$work/contents")
[ -n "$ksys" ] || fail "no format definitions in the package"
for ksy in $ksys; do
    relative=resources/formats/${ksy#/usr/share/niblo/formats/}
    licence=$(sed -n 's/^  license: *//p' "$work/root$ksy" | head -1)
    stanza=$(awk -v f="$relative" 'BEGIN { RS = "" } index($0, f) { print }' "$work/root/usr/share/doc/niblo/copyright")
    grep -qx "License: $licence" <<<"$stanza" || fail "$relative ($licence) is not in the copyright file under its licence"
done

[ $status = 0 ] && echo "the package holds every file and names the Qt libraries"
exit $status
