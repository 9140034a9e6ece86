#!/bin/bash
# End to end, as a user works: start the real Quillon.exe, add source files
# through the Open dialog (paths typed into its file-name box), add a target
# folder through the folder dialog, press "Erstellen" and check the links on
# disk from Linux; resize and move the window, drag the splitter, close it,
# check the stored placement and splitter position, start it again and check
# that the window comes back as it was left.
# The folder dialog follows the Windows version the prefix reports: the item
# dialog takes a typed path; the browse dialog of older versions is driven
# through its folder tree with the keyboard.
# Usage: user_session.sh QUILLON_EXE PROBE_EXE WINE_EXEC ARTIFACT_DIR
# The screen resolution is the prefix's; QUILLON_EXPECT_DPI (set by the DPI
# wrapper) is checked against it.
set -u
source "$(dirname "$0")/session_lib.sh"
session_begin "$1" "$2" "$3" "$4" xdotool import stat

# Values of the "Dialog" section as NAME=signed-number lines, sorted.
read_dialog_values() {
  local name type value
  wine reg query 'HKCU\Software\Velmora\Quillon\Dialog' 2>/dev/null | tr -d '\r' |
    while read -r name type value; do
      [ "$type" = REG_DWORD ] || continue
      value=$((value))
      [ "$value" -ge 2147483648 ] && value=$((value - 4294967296))
      echo "$name=$value"
    done | sort
}

value_of() {  # values, name
  sed -n "s/^$2=//p" <<<"$1"
}

# Every visible control lies inside the client area and none covers another.
check_no_overlap() {
  local ids=() id other
  for id in "${!RECT[@]}"; do
    [ "$id" = window ] || [ "$id" = client ] && continue
    ids+=("$id")
  done
  local cl ct cr cb l t r b l2 t2 r2 b2
  read -r cl ct cr cb <<<"${RECT[client]}"
  for id in "${ids[@]}"; do
    read -r l t r b <<<"${RECT[$id]}"
    [ "$l" -ge "$cl" ] && [ "$t" -ge "$ct" ] && [ "$r" -le "$cr" ] && [ "$b" -le "$cb" ] ||
      fail "control $id (${TEXT[$id]}) at ${RECT[$id]} leaves the client area ${RECT[client]} ($1)"
    [ "$r" -gt "$l" ] && [ "$b" -gt "$t" ] || fail "control $id (${TEXT[$id]}) has no size: ${RECT[$id]} ($1)"
    for other in "${ids[@]}"; do
      [[ "$id" < "$other" ]] || continue
      read -r l2 t2 r2 b2 <<<"${RECT[$other]}"
      if [ "$l" -lt "$r2" ] && [ "$l2" -lt "$r" ] && [ "$t" -lt "$b2" ] && [ "$t2" -lt "$b" ]; then
        fail "controls $id (${TEXT[$id]}) ${RECT[$id]} and $other (${TEXT[$other]}) ${RECT[$other]} overlap ($1)"
      fi
    done
  done
}

# The layout's lines: the left column starts at one x, the lists and the
# right-hand buttons end at one x, "Erstellen" sits at the bottom of the
# output list, and each button row shares its top edge.
check_alignment() {
  local id
  for id in ${IDC_STATIC_FILES} ${IDC_LIST_FILES} ${IDC_STATIC_FOLDERS} ${IDC_LIST_FOLDERS} ${IDC_CHECK_REMOVE_EXISTING} ${IDC_STATIC_OUTPUT} ${IDC_LIST_OUTPUT}; do
    [ "$(edge "$id" 0)" = "$(edge ${IDC_STATIC_DESCRIPTION} 0)" ] ||
      fail "control $id (${TEXT[$id]}) starts at x $(edge "$id" 0), the left column at $(edge ${IDC_STATIC_DESCRIPTION} 0) ($1)"
  done
  for id in ${IDC_STATIC_DESCRIPTION} ${IDC_STATIC_FILES} ${IDC_LIST_FILES} ${IDC_REMOVE_FILE} ${IDC_STATIC_FOLDERS} ${IDC_LIST_FOLDERS} ${IDC_REMOVE_FOLDER}; do
    [ "$(edge "$id" 2)" = "$(edge ${IDC_LIST_FILES} 2)" ] ||
      fail "control $id (${TEXT[$id]}) ends at x $(edge "$id" 2), the lists at $(edge ${IDC_LIST_FILES} 2) ($1)"
  done
  [ "$(edge 1 3)" = "$(edge ${IDC_LIST_OUTPUT} 3)" ] ||
    fail "\"Erstellen\" ends at y $(edge 1 3), the output list at $(edge ${IDC_LIST_OUTPUT} 3) ($1)"
  [ "$(edge ${IDC_ADD_FILES} 1)" = "$(edge ${IDC_REMOVE_FILE} 1)" ] && [ "$(edge ${IDC_ADD_FOLDER} 1)" = "$(edge ${IDC_REMOVE_FOLDER} 1)" ] ||
    fail "the Add and Remove buttons of a list are not on one line ($1)"
  [ "$(edge ${IDC_ADD_FILES} 0)" = "$(edge ${IDC_ADD_FOLDER} 0)" ] && [ "$(edge ${IDC_RADIO_SYMBOLIC} 0)" = "$(edge 1 0)" ] ||
    fail "the Add buttons or the option column are not aligned ($1)"
}

# The texts the user reads, as the dialog template gives them.
check_texts() {
  local pair id want
  for pair in \
    "1|Erstellen" "${IDC_ADD_FILES}|Hinzufügen" "${IDC_REMOVE_FILE}|Entfernen" "${IDC_ADD_FOLDER}|Hinzufügen" "${IDC_REMOVE_FOLDER}|Entfernen" \
    "${IDC_RADIO_SYMBOLIC}|SymbolicLink (*)" "${IDC_RADIO_HARD}|HardLink" "${IDC_STATIC_FILES}|Liste der (Quell) Dateien:" "${IDC_STATIC_FOLDERS}|Liste der (Ziel) Ordner:" \
    "${IDC_STATIC_OUTPUT}|Ausgabe:" "${IDC_CHECK_REMOVE_EXISTING}|Vorhandenen Dateien im Zielordner vorher entfernen." \
    "${IDC_STATIC_DESCRIPTION}|Dieses Programm erstellt von einer oder mehren Dateien Links in einem oder mehreren Ordner. (*) Für Symbolic muss das Programm als Admin ausgeführt werden, oder Sie müssen den Entwicklermodus einschalten."; do
    id=${pair%%|*}
    want=${pair#*|}
    [ "${TEXT[$id]:-}" = "$want" ] || fail "control $id shows '${TEXT[$id]:-}', expected '$want'"
  done
}

# --- Test data inside drive C:, where hard links between the folders work.
cdrive=$(readlink -f "$WINEPREFIX/dosdevices/c:") || fail "the prefix has no drive C:"
root="$cdrive/quillon-e2e"
rm -rf "$root"
mkdir -p "$root/quelle" "$root/ziel"
names=("a.txt" "b c.txt" "c.txt")
for n in "${names[@]}"; do
  echo "content of $n" >"$root/quelle/$n"
done

version=$(wine reg query 'HKCU\Software\Wine' /v Version 2>/dev/null | tr -d '\r' | awk '$1 == "Version" { print $3 }')
case "$version" in
  win20 | win30 | win31 | win95 | win98 | winme | nt351 | nt40 | win2k | winxp | winxp64 | win2003) browse_dialog=1 ;;
  *) browse_dialog=0 ;;
esac
dpi=$(wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
dpi=$((${dpi:-96}))
if [ -n "${QUILLON_EXPECT_DPI:-}" ] && [ "$dpi" != "$QUILLON_EXPECT_DPI" ]; then
  fail "the prefix is at $dpi DPI, expected $QUILLON_EXPECT_DPI"
fi
scale() { echo $(( $1 * dpi / 96 )); }
echo "prefix: Windows version '${version:-default}', ${dpi} DPI, folder dialog: $([ $browse_dialog = 1 ] && echo browse || echo item)"

# A first start knows nothing of earlier windows, and the tests after this
# one find no window placement of it.
forget_settings() {
  wine reg delete 'HKCU\Software\Velmora\Quillon' /f >/dev/null 2>&1
}
forget_settings
trap forget_settings EXIT

start_quillon
sleep 0.5
read_controls || fail "the main window cannot be read"
shot start
read -r wl wt wr wb <<<"${RECT[window]}"
width=$((wr - wl))
height=$((wb - wt))
echo "first start: window ${RECT[window]} (${width}x${height})"
check_no_overlap "first start"
check_alignment "first start"
check_texts
# No stored placement: centred on the 1280x1024 screen.
sw=$(xdpyinfo 2>/dev/null | awk '/dimensions:/ { split($2, d, "x"); print d[1] }')
sh=$(xdpyinfo 2>/dev/null | awk '/dimensions:/ { split($2, d, "x"); print d[2] }')
if [ -n "$sw" ]; then
  [ "$wl" -eq $(( (sw - width) / 2 )) ] && [ "$wt" -eq $(( (sh - height) / 2 )) ] ||
    fail "the first window is not centred on the ${sw}x${sh} screen: ${RECT[window]}"
fi
# Push buttons are 14 dialog units high: 23 pixels at 96 DPI, scaled above.
bh=$(( $(edge 1 3) - $(edge 1 1) ))
want=$(scale 23)
[ "$bh" -ge $((want - 3)) ] && [ "$bh" -le $((want + 3)) ] ||
  fail "\"Erstellen\" is $bh pixels high, expected about $want at $dpi DPI"
for id in 1 ${IDC_REMOVE_FILE} ${IDC_REMOVE_FOLDER}; do
  [ "${ENABLED[$id]}" = 0 ] || fail "control $id (${TEXT[$id]}) starts enabled"
done

# --- Source files: one typed as a full path, two chosen together inside
# their folder ("name" "name" is the dialog's own multiple selection).
click ${IDC_ADD_FILES}
wait_until 300 top_window_shown Open || fail "the Open dialog did not appear"
sleep 0.5
focus_top Open || fail "the Open dialog cannot be focused"
xdotool type --delay 20 'C:\quillon-e2e\quelle\a.txt'
shot open-dialog-typed
xdotool key Return
wait_until 300 list_has ${IDC_LIST_FILES} 1 || fail "the typed file did not reach the source list: $(probe items Quillon ${IDC_LIST_FILES})"
wait_until 100 top_window_gone Open || fail "the Open dialog stayed open"

click ${IDC_ADD_FILES}
wait_until 300 top_window_shown Open || fail "the Open dialog did not appear a second time"
sleep 0.5
focus_top Open || fail "the Open dialog cannot be focused"
xdotool type --delay 20 'C:\quillon-e2e\quelle'
xdotool key Return
sleep 0.7
xdotool type --delay 20 '"b c.txt" "c.txt"'
shot open-dialog-two-names
xdotool key Return
wait_until 300 list_has ${IDC_LIST_FILES} 3 || fail "the two chosen files did not reach the source list: $(probe items Quillon ${IDC_LIST_FILES})"
files=$(probe items Quillon ${IDC_LIST_FILES})
expected=$(printf 'C:\\quillon-e2e\\quelle\\%s\n' "${names[@]}")
[ "$files" = "$expected" ] || fail "source list shows
$files
expected
$expected"
read_controls || fail "the main window cannot be read"
shot files-added
[ "${ENABLED[$IDOK]}" = 0 ] || fail "\"Erstellen\" is enabled without a target folder"

# --- Target folder.
click ${IDC_ADD_FOLDER}
if [ "$browse_dialog" = 1 ]; then
  caption="Browse for Folder"
  wait_until 300 top_window_shown "$caption" || fail "the browse dialog did not appear: $(probe windows)"
  sleep 0.5
  focus_top "$caption" || fail "the browse dialog cannot be focused"
  # It opens on drive C: (the start folder); the typed path would be ignored.
  xdotool key Right
  sleep 0.3
  xdotool type --delay 50 q
  sleep 0.3
  xdotool key Right
  sleep 0.3
  xdotool type --delay 50 z
  sleep 0.5
else
  caption="Select Folder"
  wait_until 300 top_window_shown "$caption" || fail "the folder dialog did not appear: $(probe windows)"
  sleep 0.5
  focus_top "$caption" || fail "the folder dialog cannot be focused"
  xdotool type --delay 20 'C:\quillon-e2e\ziel'
fi
shot folder-dialog
xdotool key Return
wait_until 300 list_has ${IDC_LIST_FOLDERS} 1 || fail "the folder did not reach the target list: $(probe items Quillon ${IDC_LIST_FOLDERS})"
folders=$(probe items Quillon ${IDC_LIST_FOLDERS})
[ "${folders,,}" = 'c:\quillon-e2e\ziel\' ] || fail "target list shows '$folders', expected C:\\quillon-e2e\\ziel\\"
read_controls || fail "the main window cannot be read"
[ "${ENABLED[$IDOK]}" = 1 ] || fail "\"Erstellen\" stays disabled with files and a folder"
shot folder-added

# --- Vorschau, then Erstellen, then both again: the preview says what the
# run will do and changes nothing; the run does it; a run again over what
# is done leaves every link as it is (same inode, the folder untouched).
report_is() {  # kind, code: the report holds that line for every name
  local output n
  output=$(probe items Quillon ${IDC_LIST_OUTPUT})
  [ "$(wc -l <<<"$output")" = "${#names[@]}" ] || return 1
  for n in "${names[@]}"; do
    grep -qxF "$(probe line "$1" "$2" "C:\\quillon-e2e\\ziel\\$n")" <<<"$output" || return 1
  done
}
passes=("$IDC_PREVIEW preview-new" "$IDOK HardLink" "$IDC_PREVIEW preview-linked" "$IDOK HardLink")
for pass in "${passes[@]}"; do
  read -r button kind <<<"$pass"
  ziel_before=$(stat -c %.9Y.%i "$root/ziel")
  click "$button"
  wait_until 300 report_is "$kind" 0 || fail "after button $button the output list does not say $kind for every file: $(probe items Quillon ${IDC_LIST_OUTPUT})"
  for n in "${names[@]}"; do
    src="$root/quelle/$n"
    dst="$root/ziel/$n"
    if [ "$kind" = preview-new ]; then
      [ ! -e "$dst" ] || fail "the preview made $dst"
      continue
    fi
    [ -f "$dst" ] || fail "the link $dst was not created"
    [ "$(stat -c %i "$src")" = "$(stat -c %i "$dst")" ] ||
      fail "$dst is not a hard link of $src (inodes $(stat -c %i "$src") and $(stat -c %i "$dst"))"
    [ "$(stat -c %h "$src")" = 2 ] || fail "$src has $(stat -c %h "$src") names, expected 2"
  done
  [ "$pass" = "${passes[1]}" ] || [ "$(stat -c %.9Y.%i "$root/ziel")" = "$ziel_before" ] ||
    fail "after button $button the target folder changed, though nothing was to be done there"
  echo "after button $button:"
  probe items Quillon ${IDC_LIST_OUTPUT}
  sleep 0.3
  shot "$kind"
  if [ "$kind" = preview-new ]; then
    import -window "$(xdotool search --name '^Quillon$' | head -n1)" "$artifacts/window-preview.png"
  fi
done
main=$(xdotool search --name '^Quillon$' | head -n1)
import -window "$main" "$artifacts/window-at-work.png"

# --- Resize with the size grip, move by the caption.
read_controls || fail "the main window cannot be read"
grip=59393
[ -n "${RECT[$grip]:-}" ] || fail "the window has no size grip"
read -r gx gy <<<"$(centre $grip)"
grow_w=$(scale 128)
grow_h=$(scale 120)
# The pointer stops at the screen's edge: the drag stays 20 pixels within it.
screen_h=$(xdpyinfo 2>/dev/null | sed -n 's/.*dimensions: *[0-9]*x\([0-9]*\).*/\1/p')
[ -n "$screen_h" ] && [ $((gy + grow_h)) -gt $((screen_h - 20)) ] && grow_h=$((screen_h - 20 - gy))
drag "$gx" "$gy" "$grow_w" "$grow_h"
resized() {
  read_controls && read -r l t r b <<<"${RECT[window]}" &&
    [ $((r - l)) -eq $((width + grow_w)) ] && [ $((b - t)) -eq $((height + grow_h)) ]
}
wait_until 100 resized || fail "dragging the size grip by ${grow_w}x${grow_h} gave the window ${RECT[window]}"
check_no_overlap "after resizing"
check_alignment "after resizing"
shot resized

read -r wl wt wr wb <<<"${RECT[window]}"
read -r cl ct _ _ <<<"${RECT[client]}"
move_x=-$(scale 150)
move_y=-$(scale 100)
drag $((wl + (wr - wl) / 3)) $(( (wt + ct) / 2 )) "$move_x" "$move_y"
moved() {
  read_controls && read -r l t _ _ <<<"${RECT[window]}" && [ "$l" -eq $((wl + move_x)) ] && [ "$t" -eq $((wt + move_y)) ]
}
wait_until 100 moved || fail "dragging the caption by ($move_x, $move_y) left the window at ${RECT[window]}"
shot moved

# --- Splitter: the bar between the two path lists, dragged down.
bar=32767
[ -n "${RECT[$bar]:-}" ] || fail "the splitter bar is missing"
[ "$(edge $bar 1)" -ge "$(edge ${IDC_LIST_FILES} 3)" ] && [ "$(edge $bar 3)" -le "$(edge ${IDC_LIST_FOLDERS} 1)" ] ||
  fail "the splitter bar ${RECT[$bar]} does not lie between the lists ${RECT[${IDC_LIST_FILES}]} and ${RECT[${IDC_LIST_FOLDERS}]}"
bar_top=$(edge $bar 1)
files_h=$(( $(edge ${IDC_LIST_FILES} 3) - $(edge ${IDC_LIST_FILES} 1) ))
folders_h=$(( $(edge ${IDC_LIST_FOLDERS} 3) - $(edge ${IDC_LIST_FOLDERS} 1) ))
read -r bx by <<<"$(centre $bar)"
drag "$bx" "$by" 0 "$(scale 40)"
bar_moved() {
  read_controls && [ "$(edge $bar 1)" -ge $((bar_top + $(scale 15))) ]
}
wait_until 100 bar_moved || fail "dragging the splitter did not move it down: ${RECT[$bar]} (was at $bar_top)"
moved_by=$(( $(edge $bar 1) - bar_top ))
[ $(( $(edge ${IDC_LIST_FILES} 3) - $(edge ${IDC_LIST_FILES} 1) )) -eq $((files_h + moved_by)) ] &&
  [ $(( $(edge ${IDC_LIST_FOLDERS} 3) - $(edge ${IDC_LIST_FOLDERS} 1) )) -eq $((folders_h - moved_by)) ] ||
  fail "the bar moved by $moved_by but the lists went from $files_h/$folders_h to ${RECT[${IDC_LIST_FILES}]} / ${RECT[${IDC_LIST_FOLDERS}]}"
check_no_overlap "after the splitter drag"
check_alignment "after the splitter drag"
shot splitter-dragged
declare -A BEFORE
for id in window ${IDC_LIST_FILES} ${IDC_LIST_FOLDERS} $bar 1; do BEFORE[$id]=${RECT[$id]}; done
echo "left: window ${RECT[window]}, bar ${RECT[$bar]} (moved by $moved_by)"

close_quillon
first=$(read_dialog_values)
echo "stored after the first run:" $first
[ "$(value_of "$first" ShowCmd)" = 1 ] || fail "stored ShowCmd is '$(value_of "$first" ShowCmd)', expected 1"
read -r l t r b <<<"${BEFORE[window]}"
for pair in "Left $l" "Top $t" "Right $r" "Bottom $b"; do
  read -r name want <<<"$pair"
  [ "$(value_of "$first" "$name")" = "$want" ] || fail "stored $name is '$(value_of "$first" "$name")', the window had $want"
done
splitter=$(value_of "$first" Splitter)
[ -n "$splitter" ] && [ "$splitter" -gt 60 ] && [ "$splitter" -le 95 ] ||
  fail "stored Splitter is '$splitter', expected above 60 after dragging the bar down"

# --- Second start: the window as it was left.
start_quillon
sleep 0.5
read_controls || fail "the main window cannot be read after the restart"
shot restarted
[ "${RECT[window]}" = "${BEFORE[window]}" ] || fail "the window came back at ${RECT[window]}, it was left at ${BEFORE[window]}"
# The stored position is whole percent: the boundary may differ by 1 % of
# the two lists' height.
tol=$(( (files_h + folders_h) / 100 + 2 ))
for id in $bar ${IDC_LIST_FILES} ${IDC_LIST_FOLDERS}; do
  read -r _ t1 _ b1 <<<"${BEFORE[$id]}"
  read -r _ t2 _ b2 <<<"${RECT[$id]}"
  [ $((t2 - t1)) -le "$tol" ] && [ $((t1 - t2)) -le "$tol" ] && [ $((b2 - b1)) -le "$tol" ] && [ $((b1 - b2)) -le "$tol" ] ||
    fail "control $id came back at ${RECT[$id]}, it was left at ${BEFORE[$id]} (tolerance $tol)"
done
[ "${RECT[$IDOK]}" = "${BEFORE[$IDOK]}" ] || fail "\"Erstellen\" came back at ${RECT[$IDOK]}, it was left at ${BEFORE[$IDOK]}"
for id in ${IDC_LIST_FILES} ${IDC_LIST_FOLDERS} ${IDC_LIST_OUTPUT}; do
  list_has "$id" 0 || fail "list $id is not empty after the restart"
done
close_quillon
second=$(read_dialog_values)
[ "$second" = "$first" ] || fail "the second run stored other values:
$second
after the first:
$first"

echo "PASS: files and folder added through the real dialogs, ${#names[@]} hard links created and checked on disk, window size, position and splitter ($splitter %) stored and restored"
