#!/bin/bash
# Installs what is missing, builds Quillon and starts it under Wine.
# With a usable display the program simply runs there until it is closed.
# Without one, it runs on a private Xvfb screen: the script waits for the
# window, saves a screenshot, says where, and closes the program again.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QUILLON_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh" || exit 1
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release || exit 1
cmake --build "$build" -j"$(nproc)" --target Quillon || exit 1

source "$root/scripts/wine-env.sh"
trap quillon_env_stop EXIT

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  QUILLON_USE_DISPLAY=1 quillon_env_start "$build" || exit 1
  wine "$build/Quillon.exe"
  exit $?
fi

quillon_env_start "$build" || exit 1
wine "$build/Quillon.exe" &
app=$!

win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --name '^Quillon$' 2>/dev/null | head -n1)
  [ -n "$win" ] && break
  sleep 0.2
done
if [ -z "$win" ]; then
  echo "run: the Quillon window did not appear" >&2
  exit 1
fi
sleep 1  # let the first paint finish; a fresh window captures black
shot="$build/screenshots/quillon.png"
mkdir -p "$(dirname "$shot")"
import -window "$win" "$shot"
echo "Quillon is running (no display here); screenshot saved to $shot"
xdotool key --window "$win" Escape
wait "$app"
