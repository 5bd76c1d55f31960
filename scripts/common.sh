# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh, test.sh and bench.sh: install what is missing, then configure and build.
set -euo pipefail

niblo_install() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}

NIBLO_BASE_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev libgl-dev fonts-dejavu-core)
# The libraries behind Tools > Checksums; XXH3 also hashes a file's contents for the recovery journal.
NIBLO_BASE_PACKAGES+=(libssl-dev libdeflate-dev libisal-dev libxxhash-dev)
# Find all: Unicode case folding, and regular expressions over raw bytes.
NIBLO_BASE_PACKAGES+=(libutf8proc-dev libpcre2-dev)
# Structures: format definitions are YAML, and zlib inflates the compressed fields they describe.
NIBLO_BASE_PACKAGES+=(libyaml-cpp-dev zlib1g-dev)
# What cpack -G DEB needs beyond the build: dpkg-shlibdeps works out the dependencies, and file finds the
# programs it is to look at.
NIBLO_PACKAGE_TOOLS=(dpkg-dev file)

# niblo_build DIR BUILD_TYPE [cmake options...]
niblo_build() {
    local dir=$1 type=$2
    shift 2
    cmake -S "$NIBLO_ROOT" -B "$NIBLO_ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
    cmake --build "$NIBLO_ROOT/$dir" --parallel "$(nproc)"
}

# The fuzz targets: a Clang build of the engine with libFuzzer, kept apart from the main (GCC) build. The
# sanitizer and libFuzzer runtime must be the one of the Clang that is installed.
niblo_install_fuzz() {
    niblo_install clang
    local version
    version=$(clang -dumpversion | cut -d. -f1)
    niblo_install "libclang-rt-$version-dev"
}
niblo_build_fuzz() {
    niblo_build build/fuzz RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DNIBLO_FUZZ=ON -DNIBLO_TESTS=OFF \
        -DNIBLO_WERROR=ON
}
