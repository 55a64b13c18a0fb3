#!/bin/bash
# Configures and builds Orvane. Usage: build.sh native|i686|x86_64|run [TARGET]...
#   native  the platform-free model and its tests, with AddressSanitizer and UBSan
#   i686    the product: 32-bit Windows, MinGW-w64, statically linked
#   x86_64  the same sources for 64-bit Windows
#   run     the Windows build that this machine's Wine can run (i686 or x86_64)
# TARGETs (such as orvane-bench) build only those; without any, everything is built.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
root=$orvane_root
kind=${1:?usage: build.sh native|i686|x86_64|run [TARGET]...}
shift
targets=()
for target in "$@"; do targets+=(--target "$target"); done
[ "$kind" = run ] && kind=$ORVANE_TARGET
case "$kind" in
native) dir=$root/build/native
        # clang brings libFuzzer as well as the sanitizers.
        args=(-DORVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang
              -DCMAKE_CXX_COMPILER=clang++) ;;
i686|x86_64) dir=$root/build/windows-$kind
        # Every target, tests and tools too, is built for both architectures, so that each compiles
        # warning-free for the 32-bit product even where only the 64-bit build can run.
        args=(-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64-$kind.cmake -DCMAKE_BUILD_TYPE=Release
              -DORVANE_BUILD_TESTS=ON) ;;
*) echo "build.sh: unknown build '$kind'" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" -G Ninja "${args[@]}" >&2
cmake --build "$dir" -j"$(nproc)" "${targets[@]}" >&2
echo "$dir"
