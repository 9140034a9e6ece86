#!/bin/bash
# A long Create run through the real window: the window answers another
# process while the run goes on (also with every line selected), shows how
# far it is, and refuses changes; "Abbrechen" stops it after the pairs in
# hand, also when it is double-clicked (and nothing starts again), and so
# does closing the window; a double click on "Erstellen" starts one run.
# "Vorschau" pressed with the mouse keeps the focus: Enter afterwards is
# another preview, not the links. Afterwards every target is either the new
# link (with its OK line) or the file that was there before, and no
# temporary name is left.
# Usage: long_run_session.sh QUILLON_EXE PROBE_EXE WINE_EXEC ARTIFACT_DIR
set -u
source "$(dirname "$0")/session_lib.sh"
session_begin "$1" "$2" "$3" "$4" xdotool import stat

# 20 x 1,000 pairs; short names keep the command line within its limit.
nfolders=20
nfiles=${IDC_LIST_FILES}
total=$((nfolders * nfiles))
total_shown=$(sed ':a;s/\B[0-9]\{3\}\>/.&/;ta' <<<"$total")
cdrive=$(readlink -f "$WINEPREFIX/dosdevices/c:") || fail "the prefix has no drive C:"
root="$cdrive/ql"
rm -rf "$root"
mkdir -p "$root/q"
(cd "$root/q" && for i in $(seq -w 1 $nfiles); do : >"f$i.txt"; done)
args=()
for i in $(seq -w 1 $nfiles); do args+=("C:\\ql\\q\\f$i.txt"); done
for d in $(seq 1 $nfolders); do args+=("C:\\ql\\z$d"); done

# Each target folder already holds a file of every name: the run replaces
# them, so a stop shows whether any was lost.
fill_targets() {
  local d
  for d in $(seq 1 $nfolders); do
    rm -rf "$root/z$d"
    mkdir -p "$root/z$d"
    (cd "$root/z$d" && for i in $(seq -w 1 $nfiles); do echo old >"f$i.txt"; done)
  done
}

label() {
  read_controls && echo "${TEXT[${IDC_STATIC_OUTPUT}]}"
}

running() {
  read_controls && [ "${TEXT[$IDOK]}" = "Abbrechen" ]
}

double_click() {  # control id
  read_controls || fail "the main window cannot be read"
  local x y
  read -r x y <<<"$(centre "$1")"
  xdotool mousemove "$x" "$y" click --repeat 2 --delay 90 1
}

# What the target folders hold: "linked other temporary" counts. A target is
# linked when it has its source's inode; otherwise it must still be the old
# file (4 bytes, "old").
count_targets() {
  local d
  find "$root/q" -type f -printf 'src %f %i\n'
  for d in $(seq 1 $nfolders); do
    find "$root/z$d" -type f -printf 'dst %f %i %s\n'
  done
} 2>/dev/null
tally_targets() {
  count_targets | awk '
    $1 == "src" { inode[$2] = $3; next }
    $2 ~ /^~Quillon-/ { temp++; next }
    $3 == inode[$2] { linked++; next }
    $4 == 4 { old++; next }
    { other++ }
    END { printf "%d %d %d\n", linked, other, temp }'
}

wine reg delete 'HKCU\Software\Velmora\Quillon' /f >/dev/null 2>&1
fill_targets
start_quillon "${args[@]}"
sleep 0.5
list_has ${IDC_LIST_FILES} $nfiles && list_has ${IDC_LIST_FOLDERS} $nfolders || fail "the lists did not fill from the command line"
read_controls || fail "the main window cannot be read"
base_label=${TEXT[${IDC_STATIC_OUTPUT}]}

# --- "Vorschau" with the mouse, then Enter: a preview again, no link made.
click ${IDC_PREVIEW}
wait_until 50 running || fail "\"Vorschau\" did not start"
wait_until 300 eval '! running' || fail "the preview did not end"
focus_top Quillon || fail "the main window cannot be focused"
xdotool key Return
sleep 0.3
wait_until 300 eval '! running' || fail "the preview after Enter did not end"
[ "$(probe items Quillon ${IDC_LIST_OUTPUT} | head -n 1 | cut -c1-10)" = "Vorschau: " ] ||
  fail "Enter after \"Vorschau\" did not preview: $(probe items Quillon ${IDC_LIST_OUTPUT} | head -n 1)"
read -r linked other temps <<<"$(tally_targets)"
[ "$linked" = 0 ] && [ "$temps" = 0 ] || fail "Enter after \"Vorschau\" made $linked links"

# --- A run stopped with the button.
click $IDOK
wait_until 50 running || fail "\"Erstellen\" did not turn into \"Abbrechen\""
# Every line selected while lines come in: the window still answers.
shown_lines() {
  local n
  n=$(label | sed 's/.* \([0-9.]*\) von .*/\1/; s/\.//g')
  [ -n "$n" ] && [ "$n" -gt 100 ] 2>/dev/null
}
wait_until 100 shown_lines || fail "no lines came during the run: '$(label)'"
read -r x y <<<"$(centre ${IDC_LIST_OUTPUT})"
xdotool mousemove "$x" "$y" click 1
xdotool key ctrl+a
sleep 0.3
[ "$(probe selected Quillon ${IDC_LIST_OUTPUT})" -gt 1 ] || fail "Ctrl+A in the output list selected no lines during the run"
# The window answers another process and shows its progress while the run
# goes on; nothing that would change the lists or options can be used.
longest=0
for n in 1 2 3; do
  t0=$(date +%s%N)
  read_controls || fail "the window does not answer during the run"
  t1=$(date +%s%N)
  [ $(((t1 - t0) / 1000000)) -gt "$longest" ] && longest=$(((t1 - t0) / 1000000))
  [[ "${TEXT[${IDC_STATIC_OUTPUT}]}" =~ ^"$base_label "[0-9.]+" von $total_shown"$ ]] || fail "the label reads '${TEXT[${IDC_STATIC_OUTPUT}]}' during the run"
  for id in ${IDC_ADD_FILES} ${IDC_REMOVE_FILE} ${IDC_ADD_FOLDER} ${IDC_REMOVE_FOLDER} ${IDC_RADIO_SYMBOLIC} ${IDC_RADIO_HARD} ${IDC_CHECK_REMOVE_EXISTING}; do
    [ "${ENABLED[$id]}" = 0 ] || fail "control $id (${TEXT[$id]}) can be used during the run"
  done
  [ "${ENABLED[$IDOK]}" = 1 ] || fail "\"Abbrechen\" is disabled"
  sleep 0.3
done
echo "reading the window from another process took at most $longest ms (probe start included)"
shot during-run
# A double click: the first click stops the run, the second starts none.
double_click $IDOK
wait_until 200 eval '! running' || fail "the run did not stop after \"Abbrechen\""
sleep 1.5
running && fail "a double click on \"Abbrechen\" started the run again"
probe items Quillon ${IDC_LIST_OUTPUT} >"$artifacts/report-stopped.txt"
# The OK lines say how many pairs were done; the stop line says so too, last.
ok_head=$(probe line HardLink 0 '|')
ok_head=${ok_head%%|*}
done_pairs=$(grep -cF -- "$ok_head" "$artifacts/report-stopped.txt")
[ "$done_pairs" -gt 0 ] && [ "$done_pairs" -lt "$total" ] || fail "the run stopped after $done_pairs of $total pairs"
# After the stop line, in the same line, what the run kept of the files it
# replaced.
last_line=$(tail -n 1 "$artifacts/report-stopped.txt")
ended_line=$(probe line ended "$done_pairs" "$total")
case "$last_line" in
  "$ended_line" | "$ended_line Aufbewahrt: "*) ;;
  *) fail "the report does not end with the stop line for $done_pairs pairs: '$last_line'" ;;
esac
[ "$(grep -c . "$artifacts/report-stopped.txt")" = $((done_pairs + 1)) ] ||
  fail "the report has $(grep -c . "$artifacts/report-stopped.txt") lines for $done_pairs pairs and the stop line"
[ "$(probe selected Quillon ${IDC_LIST_OUTPUT})" = $((done_pairs + 1)) ] ||
  fail "Ctrl+A during the run left $(probe selected Quillon ${IDC_LIST_OUTPUT}) of $((done_pairs + 1)) lines selected after the stop"
read -r linked other temps <<<"$(tally_targets)"
[ "$other" = 0 ] && [ "$temps" = 0 ] || fail "after the stop: $other targets neither linked nor untouched, $temps temporary files"
[ "$linked" = "$done_pairs" ] || fail "$done_pairs pairs done, $linked targets linked"
read_controls || fail "the main window cannot be read"
shot after-stop
[ "${TEXT[$IDOK]}" = Erstellen ] && [ "${ENABLED[$IDOK]}" = 1 ] || fail "\"Erstellen\" is not back: '${TEXT[$IDOK]}'"
# The label is back, saying what the run keeps of the files it replaced.
case "${TEXT[${IDC_STATIC_OUTPUT}]}" in
  "$base_label" | "$base_label   (aufbewahrt: "*) ;;
  *) fail "the label reads '${TEXT[${IDC_STATIC_OUTPUT}]}' after the run" ;;
esac
for id in ${IDC_ADD_FILES} ${IDC_ADD_FOLDER} ${IDC_RADIO_SYMBOLIC} ${IDC_RADIO_HARD} ${IDC_CHECK_REMOVE_EXISTING}; do
  [ "${ENABLED[$id]}" = 1 ] || fail "control $id (${TEXT[$id]}) stays disabled after the run"
done
for id in ${IDC_REMOVE_FILE} ${IDC_REMOVE_FOLDER}; do
  [ "${ENABLED[$id]}" = 0 ] || fail "\"Entfernen\" ($id) is enabled with nothing selected"
done
echo "stopped with the button after $done_pairs of $total pairs, $linked targets linked"

# --- A run started with a double click and stopped by closing the window:
# the second click does not stop it; it ends as usual, placement saved.
fill_targets
sleep 0.6
double_click $IDOK
wait_until 50 running || fail "the second run did not start"
sleep 1
running || fail "the second click of a double click on \"Erstellen\" stopped the run: $(probe items Quillon ${IDC_LIST_OUTPUT} | tail -n 1)"
close_quillon
[ -n "$(wine reg query 'HKCU\Software\Velmora\Quillon\Dialog' /v Left 2>/dev/null)" ] ||
  fail "closing during a run did not save the placement"
read -r linked other temps <<<"$(tally_targets)"
[ "$other" = 0 ] && [ "$temps" = 0 ] || fail "after closing: $other targets neither linked nor untouched, $temps temporary files"
[ "$linked" -lt "$total" ] || fail "closing did not stop the run: all $total targets linked"
rm -rf "$root"
echo "PASS: answered during the run, stopped by the button and by closing, every target linked or untouched ($linked linked before the close took effect)"
