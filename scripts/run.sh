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
# Escape through the keyboard of the private screen. A key sent to the window
# itself goes as two events, press and release, and the press already closes
# the window: the release then fails with an X error (BadWindow, X_SendEvent).
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key Escape
for _ in $(seq 1 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  echo "run: Quillon did not end on Escape; stopping it" >&2
  kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
  exit 1
fi
wait "$app"
