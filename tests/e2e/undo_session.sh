#!/bin/bash
# "Rückgängig" through the real window, also after a restart and after the
# program was killed during a run: a run replaces files (one read-only, one
# hidden, one with a second name) and links others new; the label says
# what is kept; Quillon is closed and started again, Ctrl+Z undoes the run,
# and every name holds what it held before (the same inode, contents and
# mode), the kept folders are gone. Then a long run is killed half way, and
# the undo after the restart puts every replaced file back.
# Usage: undo_session.sh QUILLON_EXE PROBE_EXE WINE_EXEC ARTIFACT_DIR
set -u
source "$(dirname "$0")/session_lib.sh"
session_begin "$1" "$2" "$3" "$4" xdotool import stat

cdrive=$(readlink -f "$WINEPREFIX/dosdevices/c:") || fail "the prefix has no drive C:"
root="$cdrive/qu"
history="$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -path '*/AppData/Local' | head -n1)/Quillon/Verlauf"
rm -rf "$root" "$history"
mkdir -p "$root/q" "$root/z1" "$root/z2" "$root/other"
for i in 1 2 3 4 5; do echo "source $i" >"$root/q/f$i.txt"; done
for d in 1 2; do
  for i in 1 2; do echo "old $d $i" >"$root/z$d/f$i.txt"; done
done
chmod a-w "$root/z1/f1.txt"
ln "$root/z2/f2.txt" "$root/other/second.txt"
# What each name holds before: inode, mode, contents.
state() {
  local f
  for f in "$root"/z1/* "$root"/z2/* "$root"/other/*; do
    [ -e "$f" ] && echo "$f $(stat -c '%i %a' "$f") $(cat "$f")"
  done
}
before=$(state)
args=()
for i in 1 2 3 4 5; do args+=("C:\\qu\\q\\f$i.txt"); done
args+=("C:\\qu\\z1" "C:\\qu\\z2")

label() {
  read_controls && echo "${TEXT[${IDC_STATIC_OUTPUT}]}"
}
idle() {
  read_controls && [ "${TEXT[$IDOK]}" = "Erstellen" ]
}
undo_offered() {
  read_controls && [ "${ENABLED[$IDC_UNDO]}" = 1 ]
}
undo_said() {
  probe items Quillon "$IDC_LIST_OUTPUT" | grep -q "^Rückgängig gemacht"
}

start_quillon "${args[@]}"
wait_until 100 list_has "$IDC_LIST_FOLDERS" 2 || fail "the folders were not taken"
click "$IDOK"
wait_until 200 idle || fail "the run did not end"
wait_until 50 undo_offered || fail "\"Rückgängig\" is not offered after a run that replaced files"
[[ "$(label)" == *"aufbewahrt: 4 Dateien, 32 Bytes"* ]] || fail "the label does not say what is kept: $(label)"
probe items Quillon "$IDC_LIST_OUTPUT" | tail -n1 | grep -q "Rückgängig mit Strg+Z." ||
  fail "the run's last line does not say how to undo it"
ls -A "$root/z1" | grep -q '^~Quillon-Aufbewahrt-' || fail "no kept folder in z1"
shot "run-kept"
import -window "$(xdotool search --name '^Quillon$' | head -n1)" "$artifacts/window-kept.png"
close_quillon

# After a restart the run is still offered; Ctrl+Z undoes it.
start_quillon
wait_until 100 undo_offered || fail "\"Rückgängig\" is not offered after a restart"
focus_top Quillon || fail "the main window cannot be focused"
xdotool key ctrl+z
wait_until 50 undo_said || fail "Ctrl+Z undid nothing"
wait_until 100 idle || fail "the undo did not end"
shot "undone"
import -window "$(xdotool search --name '^Quillon$' | head -n1)" "$artifacts/window-undone.png"
lines=$(probe items Quillon "$IDC_LIST_OUTPUT")
[ "$(grep -c '^Rückgängig: alte Datei zurück' <<<"$lines")" = 4 ] || fail "not every replaced file came back: $lines"
[ "$(grep -c '^Rückgängig: Link entfernt' <<<"$lines")" = 6 ] || fail "not every new link went: $lines"
[ "$(state)" = "$before" ] || fail "the names do not hold what they held before: $(diff <(echo "$before") <(state))"
ls -A "$root/z1" "$root/z2" | grep -q '^~Quillon' && fail "a kept folder is left"
[[ "$(label)" == *aufbewahrt* ]] && fail "the label still says files are kept: $(label)"
read_controls && [ "${ENABLED[$IDC_UNDO]}" = 0 ] || fail "\"Rückgängig\" is still offered with nothing left to undo"
close_quillon

# Killed half way through a long run: every replaced file is found again.
nfiles=400
rm -rf "$root"
mkdir -p "$root/q"
(cd "$root/q" && for i in $(seq -w 1 $nfiles); do : >"f$i.txt"; done)
args=()
for i in $(seq -w 1 $nfiles); do args+=("C:\\qu\\q\\f$i.txt"); done
for d in 1 2 3 4 5 6; do
  mkdir -p "$root/z$d"
  (cd "$root/z$d" && for i in $(seq -w 1 $nfiles); do echo old >"f$i.txt"; done)
  args+=("C:\\qu\\z$d")
done
inodes() {
  local d
  for d in 1 2 3 4 5 6; do stat -c '%n %i' "$root/z$d"/f*.txt; done
}
old_inodes=$(inodes)
start_quillon "${args[@]}"
wait_until 100 list_has "$IDC_LIST_FOLDERS" 6 || fail "the folders were not taken"
click "$IDOK"
progress() {
  local text
  text=$(label) && [[ "$text" =~ ([0-9.]+)\ von ]] && [ "${BASH_REMATCH[1]//./}" -ge 300 ]
}
wait_until 300 progress || fail "the run showed no progress"
kill -9 "$app"
wait "$app" 2>/dev/null
app=""
sleep 1
replaced=$(cat "$root"/z*/~Quillon-Aufbewahrt-*/f*.txt 2>/dev/null | grep -c old)
[ "$replaced" -gt 0 ] || fail "the run had replaced nothing when it was killed"
[ "$replaced" -lt $((6 * nfiles)) ] || fail "the run had ended before it was killed"
start_quillon
wait_until 100 undo_offered || fail "\"Rückgängig\" is not offered after the program was killed"
focus_top Quillon || fail "the main window cannot be focused"
xdotool key ctrl+z
wait_until 50 undo_said || fail "Ctrl+Z undid nothing"
wait_until 300 idle || fail "the undo did not end"
shot "undone-after-kill"
[ "$(inodes)" = "$old_inodes" ] || fail "a replaced file is not back: $(diff <(echo "$old_inodes") <(inodes) | head -5)"
ls -A "$root"/z* | grep -q '^~Quillon' && fail "a kept folder is left after the undo"
close_quillon
rm -rf "$root" "$history"
echo "PASS: undo after a restart and after a kill"
