# What the end-to-end sessions share: screenshots, the probe that reads the
# real window from outside, waiting, clicking and dragging as a hand does,
# and starting and closing Quillon.exe.
# A session begins with session_begin.

# The arguments every session takes (QUILLON_EXE PROBE_EXE WINE_EXEC
# ARTIFACT_DIR) and the tools it uses; without the harness or a tool the
# session reports itself as skipped.
session_begin() {
  exe="$1"
  probe_exe="$2"
  wine_exec="$3"
  artifacts="$4"
  shift 4
  rm -rf "$artifacts"
  mkdir -p "$artifacts"
  if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    echo "SKIP: needs the harness's display and Wine prefix (run scripts/test.sh)"
    exit 77
  fi
  # Each session starts without the records of runs before it.
  rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Quillon
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
}

# Controls by their names in res/resource.h; "Erstellen" is the dialog's
# IDOK.
IDOK=1
while read -r _ name value; do
  [[ "$name" =~ ^ID[A-Z]_ ]] && [[ "$value" =~ ^[0-9]+$ ]] && printf -v "$name" '%s' "$value"
done < <(grep '^#define' "$(dirname "${BASH_SOURCE[0]}")/../../res/resource.h")

# Wine's own dialogs in one language, so that their captions are known.
export LC_ALL=C.UTF-8
app=""
step=0

fail() {
  echo "FAIL: $*"
  shot "failure" 2>/dev/null
  [ -n "$app" ] && kill "$app" 2>/dev/null
  exit 1
}

shot() {  # name: the whole screen, numbered in step order
  step=$((step + 1))
  import -window root "$(printf '%s/%02d-%s.png' "$artifacts" "$step" "$1")"
}

probe() {
  timeout 60 bash "$wine_exec" "$probe_exe" "$@"
}

# Polls a command until it succeeds: tries of 0.1 s.
wait_until() {
  local tries="$1" i
  shift
  for i in $(seq 1 "$tries"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

top_window_shown() {  # exact caption
  probe windows | cut -d' ' -f5- | grep -qxF "$1"
}

top_window_gone() {  # exact caption
  ! top_window_shown "$1"
}

# Geometry of the main window and its controls, from the probe:
# RECT[id] = "left top right bottom" in screen pixels, ENABLED[id], TEXT[id].
declare -A RECT ENABLED TEXT
read_controls() {
  local out line id rest
  out=$(probe controls Quillon) || return 1
  [ -n "$out" ] || return 1
  RECT=() ENABLED=() TEXT=()
  while IFS= read -r line; do
    case "$line" in
      window\ *) RECT[window]=${line#window } ;;
      client\ *) RECT[client]=${line#client } ;;
      *)
        read -r id _ _ en l t r b rest <<<"$line"
        RECT[$id]="$l $t $r $b"
        ENABLED[$id]=$en
        TEXT[$id]=$rest
        ;;
    esac
  done <<<"$out"
  return 0
}

edge() {  # id, 0..3 = left top right bottom
  local a
  read -r -a a <<<"${RECT[$1]}"
  echo "${a[$2]}"
}

centre() {  # id -> "x y"
  echo "$(( ($(edge "$1" 0) + $(edge "$1" 2)) / 2 )) $(( ($(edge "$1" 1) + $(edge "$1" 3)) / 2 ))"
}

item_count() {  # control id
  probe items Quillon "$1" | grep -c .
}

list_has() {  # control id, count
  [ "$(item_count "$1")" = "$2" ]
}

click() {  # control id
  read_controls || fail "the main window cannot be read"
  [ -n "${RECT[$1]:-}" ] || fail "control $1 is missing"
  [ "${ENABLED[$1]}" = 1 ] || fail "control $1 (${TEXT[$1]}) is disabled when it should be pressed"
  local x y
  read -r x y <<<"$(centre "$1")"
  xdotool mousemove "$x" "$y" click 1
}

# A mouse drag in small steps, as a hand moves.
drag() {  # x y dx dy
  local x=$1 y=$2 dx=$3 dy=$4 i n=8
  xdotool mousemove "$x" "$y"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  for i in $(seq 1 $n); do
    xdotool mousemove $((x + dx * i / n)) $((y + dy * i / n))
    sleep 0.05
  done
  sleep 0.2
  xdotool mouseup 1
}

focus_top() {  # exact caption
  local w
  w=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1)
  [ -n "$w" ] || return 1
  xdotool windowfocus --sync "$w" 2>/dev/null
}

# Now and then Wine gives up on a launch before the program runs (see
# wine-exec.sh); such a launch ends at once and is started once more.
# Arguments go to Quillon.exe.
start_quillon() {
  local attempt i
  for attempt in 1 2; do
    wine "$exe" "$@" &
    app=$!
    for i in $(seq 1 300); do
      top_window_shown Quillon && return 0
      if ! kill -0 "$app" 2>/dev/null; then
        wait "$app"
        echo "note: Quillon.exe ended with $? before its window appeared (attempt $attempt)"
        app=""
        continue 2
      fi
      sleep 0.1
    done
    fail "the main window did not appear within 30 s"
  done
  fail "Quillon.exe did not start"
}

close_quillon() {
  focus_top Quillon || fail "the main window cannot be focused"
  xdotool key Escape
  local i
  for i in $(seq 1 200); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app" 2>/dev/null && fail "Quillon.exe still runs 20 s after Escape"
  wait "$app"
  local rc=$?
  app=""
  [ "$rc" -eq 0 ] || fail "Quillon.exe exited with $rc"
}

