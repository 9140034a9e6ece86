#!/bin/bash
# End to end: start the real Quillon.exe, look at its window, open the About
# dialog through the system menu, close everything with the keyboard, and
# check that closing the main dialog ends the process.
# Usage: startup.sh QUILLON_EXE ARTIFACT_DIR   (inside the test harness)
set -u
exe="$1"
artifacts="$2"
mkdir -p "$artifacts"

if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  echo "SKIP: needs the harness's display and Wine prefix (run scripts/test.sh)"
  exit 77
fi

fail() {
  echo "FAIL: $*"
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null
  exit 1
}

wait_window() {  # name, tries of 0.1 s
  local w="" i
  for i in $(seq 1 "$2"); do
    w=$(xdotool search --name "$1" 2>/dev/null | head -n1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

wait_gone() {  # window id, tries of 0.1 s
  local i
  for i in $(seq 1 "$2"); do
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
    sleep 0.1
  done
  return 1
}

wine "$exe" &
app=$!

main=$(wait_window '^Quillon$' 150) || fail "the main window did not appear"
sleep 0.7
import -window "$main" "$artifacts/main.png" || fail "screenshot of the main window failed"
read -r width height < <(xwininfo -id "$main" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
echo "main window: ${width}x${height}"
[ "$width" -gt 300 ] && [ "$height" -gt 300 ] || fail "the main window is implausibly small (${width}x${height})"

# Keys go through XTEST to the focused window, as typed. (Keys sent to a
# window with --window arrive as synthetic events whose release Wine does not
# see: the server's autorepeat then presses Escape again and again.)
press() {  # window, keys...
  local w="$1"
  shift
  xdotool windowfocus --sync "$w" 2>/dev/null
  xdotool key "$@"
}

# System menu, then the About entry by its mnemonic.
press "$main" alt+space
sleep 0.5
xdotool key i
about=$(wait_window '^Info über Quillon$' 50) || fail "the About dialog did not open from the system menu"
sleep 0.5
import -window "$about" "$artifacts/about.png"
press "$about" Escape
wait_gone "$about" 50 || fail "Escape did not close the About dialog"

# Closing the main dialog ends the program.
sleep 0.3
press "$main" Escape
for _ in $(seq 1 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "Quillon.exe still runs after its dialog was closed"
wait "$app"
rc=$?
[ "$rc" -eq 0 ] || fail "Quillon.exe exited with $rc"
echo "PASS: window shown, About opened and closed, program ended with 0"
