#!/bin/bash
# Builds the release of the checked-out commit: dist/Orvane-VERSION.zip holding the 32-bit
# Orvane.exe, orvane-catalogue.exe, the Russian guide Справка.txt and SHA256SUMS of the two
# programs, and dist/Orvane-VERSION.zip.sha256 beside it. The same commit gives the same archive
# byte for byte, wherever the tree lies and whenever it is built: the programs carry no time and no
# build path, and the archive's entries come in a fixed order with the commit's time. VERSION is the
# CMake project version (CMakeLists.txt), which the programs' version resources also show.
#
# Usage: scripts/release.sh [--allow-dirty]
# A tree with changes not committed is refused, since its archive would not be the commit's;
# --allow-dirty builds it anyway, with a warning. Prints the archive's path last.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
allow_dirty=0
case "${1:-}" in
"") ;;
--allow-dirty) allow_dirty=1 ;;
*)
    echo "usage: release.sh [--allow-dirty]" >&2
    exit 2
    ;;
esac

"$here/setup-debian.sh"
cd "$root"
if ! git rev-parse --verify -q HEAD >/dev/null; then
    echo "release.sh: $root is not a git checkout with a commit: a release is built from one" >&2
    exit 1
fi
changes=$(git status --porcelain --untracked-files=normal)
if [ -n "$changes" ]; then
    if [ "$allow_dirty" -eq 0 ]; then
        echo "release.sh: the tree has changes not committed, so its archive would not be that of" \
            "commit $(git rev-parse --short HEAD); commit them, or build anyway with --allow-dirty:" >&2
        echo "$changes" >&2
        exit 1
    fi
    echo "release.sh: WARNING: building with changes not committed; this archive is not that of" \
        "commit $(git rev-parse --short HEAD) and cannot be reproduced from it" >&2
fi

# Nothing of the caller's environment reaches the compiler: the archive depends on the commit only.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS MAKEFLAGS
export LC_ALL=C TZ=UTC
commit_time=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH=$commit_time

# A build folder of its own, made afresh: only the two programs, no tests.
build=$root/build/release-i686
rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF -DORVANE_RELEASE=ON >&2
cmake --build "$build" -j"$(nproc)" --target Orvane orvane-catalogue >&2
programs=("$build/app/Orvane.exe" "$build/app/orvane-catalogue.exe")
for exe in "${programs[@]}"; do "$here/check-imports.sh" "$exe" >&2; done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "release.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }
archive=$root/dist/Orvane-$version.zip
# Debian's own Python, whose zlib is the system's: the compressed bytes depend on it.
/usr/bin/python3 "$here/make-release-zip.py" --version "$version" --time "$commit_time" \
    --guide "$root/docs/Справка.txt" --out "$archive" "${programs[@]}"
echo "release.sh: Orvane $version of commit $(git rev-parse --short HEAD):" \
    "$(stat -c %s "$archive") bytes, SHA-256 $(cut -d' ' -f1 "$archive.sha256")" >&2
echo "$archive"
