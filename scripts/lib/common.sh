# Shared by the scripts: where things are, and installing missing Debian packages.
# shellcheck shell=bash

KESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
KESTREL_BUILD=${KESTREL_BUILD:-$KESTREL_ROOT/build}

# What building and testing need.
KESTREL_BUILD_PACKAGES=(g++ make cmake qt6-base-dev libqt6sql6-sqlite libqt6svg6 xvfb xauth
    xdg-utils libglib2.0-bin imagemagick sqlite3 shared-mime-info fonts-dejavu-core
    libfontconfig-dev clang-format util-linux dbus-daemon)

# What building and checking the Debian packages need (scripts/package, scripts/test).
KESTREL_PACKAGE_PACKAGES=(dpkg-dev file xz-utils lintian desktop-file-utils man-db xdotool)

# Installs the named Debian packages that are not installed yet; does nothing otherwise.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq -o DPkg::Lock::Timeout=600
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 "${missing[@]}"
}

# Configures and builds the programs, tools and tests (the benchmarks only when asked).
build_all() {
    # A compiler cache, when the machine has one, makes rebuilds in several checkouts cheap.
    local launcher=()
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$KESTREL_ROOT")}
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$KESTREL_ROOT" -B "$KESTREL_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKESTREL_WERROR=ON -DKESTREL_BENCH=OFF "${launcher[@]}" "$@" >/dev/null
    cmake --build "$KESTREL_BUILD" --parallel "$(nproc)"
}

# Checks every tracked C++ source against the repository's .clang-format; names the files
# that differ and fails when there is one. Untracked files are not checked: new files are
# checked once they are added.
check_format() {
    if ! git -C "$KESTREL_ROOT" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        echo "Formatting not checked: $KESTREL_ROOT is not a git checkout"
        return 0
    fi
    local differ=() file
    while IFS= read -r -d '' file; do
        [ -f "$KESTREL_ROOT/$file" ] || continue
        clang-format --style=file "$KESTREL_ROOT/$file" | cmp -s - "$KESTREL_ROOT/$file" ||
            differ+=("$file")
    done < <(git -C "$KESTREL_ROOT" ls-files -z -- '*.cpp' '*.h')
    [ ${#differ[@]} -eq 0 ] && return 0
    echo "Not formatted as .clang-format says (fix with clang-format -i):"
    printf '    %s\n' "${differ[@]}"
    return 1
}

# Makes the Debian packages of the current build in $KESTREL_BUILD/packages.
make_packages() {
    rm -rf "$KESTREL_BUILD/packages"
    (cd "$KESTREL_BUILD" && cpack -G DEB >/dev/null)
}
