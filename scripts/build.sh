#!/usr/bin/env bash
# Builds the native (Linux) tree, the Windows cross build, or both:  scripts/build.sh [native|windows|all]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
usage="usage: scripts/build.sh [native|windows|all]"
which="${1:-all}"
# A mistyped target would otherwise build nothing and still report success.
case "$which" in
  native | windows | all) ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
[ "$#" -le 1 ] || { echo "$usage" >&2; exit 2; }
jobs="${ZV_JOBS:-2}"
werror="${ZV_WERROR:-OFF}"

if [ "$which" = native ] || [ "$which" = all ]; then
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DZV_WERROR="$werror" >/dev/null
  cmake --build "$here/build" -j"$jobs"
fi
if [ "$which" = windows ] || [ "$which" = all ]; then
  cmake -S "$here" -B "$here/build-windows" -DCMAKE_BUILD_TYPE=Release -DZV_WERROR="$werror" \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw64.cmake" >/dev/null
  cmake --build "$here/build-windows" -j"$jobs"
fi
