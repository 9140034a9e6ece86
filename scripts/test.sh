#!/bin/bash
# Installs what is missing, builds Quillon and its tests, and runs the whole
# suite under Wine in the build tree's own prefix. Extra arguments go to ctest.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QUILLON_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh" || exit 1
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release || exit 1
cmake --build "$build" -j"$(nproc)" || exit 1

# The Recycle Bin of the tests is a folder of the build tree, not the desktop's.
export XDG_DATA_HOME="$build/xdg-data"
mkdir -p "$XDG_DATA_HOME"
source "$root/scripts/wine-env.sh"
trap quillon_env_stop EXIT
quillon_env_start "$build" || exit 1

cd "$build" && ctest --output-on-failure "$@"
