#!/bin/bash
# Builds Quillon and runs every benchmark (or those named: bench.sh create_run)
# under Wine in the build tree's own prefix. Benchmarks print ratios measured
# side by side in one run; none of them passes or fails.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QUILLON_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh" || exit 1
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release || exit 1
cmake --build "$build" -j"$(nproc)" || exit 1

source "$root/scripts/wine-env.sh"
trap quillon_env_stop EXIT
quillon_env_start "$build" || exit 1

status=0
for exe in "$build"/bench/bench_*.exe; do
  [ -e "$exe" ] || continue
  name=$(basename "$exe" .exe); name=${name#bench_}
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
  echo "== $name"
  "$build/wine-exec.sh" "$exe" || status=1
done
exit $status
