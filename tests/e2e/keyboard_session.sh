#!/bin/bash
# End to end without the mouse, as a keyboard user works: Quillon.exe started
# with paths on its command line (as Explorer's "Senden an" starts it), Tab
# and Shift+Tab through the controls, a path selected with the arrow keys and
# removed with Delete, Enter for "Erstellen", the report selected with Ctrl+A
# or its context menu and copied with Ctrl+C, the clipboard read from X, and
# saved with Ctrl+S as CSV, read back with Python's csv reader.
# Usage: keyboard_session.sh QUILLON_EXE PROBE_EXE WINE_EXEC ARTIFACT_DIR
set -u
source "$(dirname "$0")/session_lib.sh"
session_begin "$1" "$2" "$3" "$4" xdotool xclip import

focus_is() {  # control id
  [ "$(probe focus Quillon)" = "$1" ]
}

key() {  # keys, then a moment for the window to act
  xdotool key "$@"
  sleep 0.3
}

# The clipboard as a Windows program reads it (CR shown as \r) and as X
# programs get it from Wine (lines ending in LF only).
clipboard() {
  probe clipboard
}
x_clipboard() {
  xclip -o -selection clipboard 2>/dev/null
}

# --- Files: some in a folder with a space, one deeper than MAX_PATH, and
# enough of them to make a long command line, as Explorer builds it.
cdrive=$(readlink -f "$WINEPREFIX/dosdevices/c:") || fail "the prefix has no drive C:"
root="$cdrive/quillon-keys"
rm -rf "$root"
deep="quelle dir/$(printf 'd%.0s' $(seq 1 120))/$(printf 'e%.0s' $(seq 1 120))"
mkdir -p "$root/$deep" "$root/ziel"
args=()
for i in $(seq -w 1 40); do
  echo "file $i" >"$root/quelle dir/datei $i.txt"
  args+=("C:\\quillon-keys\\quelle dir\\datei $i.txt")
done
echo deep >"$root/$deep/tief.txt"
args+=("C:\\quillon-keys\\${deep//\//\\}\\tief.txt")
# Umlauts and both usual list separators in a name, for the saved report.
echo umlaut >"$root/quelle dir/Größe; Ä,1.txt"
args+=("C:\\quillon-keys\\quelle dir\\Größe; Ä,1.txt")
args+=("C:\\QUILLON-KEYS\\QUELLE DIR\\DATEI 01.TXT")  # again, in other letter case
args+=("C:\\quillon-keys\\ziel" "C:\\quillon-keys\\nichts da.txt")
nfiles=42

wine reg delete 'HKCU\Software\Velmora\Quillon' /f >/dev/null 2>&1
start_quillon "${args[@]}"
sleep 0.5
shot started-with-paths
list_has ${IDC_LIST_FILES} "$nfiles" || fail "the source list has $(item_count ${IDC_LIST_FILES}) paths, expected $nfiles: $(probe items Quillon ${IDC_LIST_FILES} | head -3)"
grep -qF 'tief.txt' <<<"$(probe items Quillon ${IDC_LIST_FILES})" || fail "the path beyond MAX_PATH is missing from the source list"
[ "$(probe items Quillon ${IDC_LIST_FOLDERS})" = 'C:\quillon-keys\ziel\' ] || fail "the target list shows '$(probe items Quillon ${IDC_LIST_FOLDERS})'"
[ "$(probe items Quillon ${IDC_LIST_OUTPUT})" = 'Nicht gefunden: C:\quillon-keys\nichts da.txt.' ] ||
  fail "the output list shows '$(probe items Quillon ${IDC_LIST_OUTPUT})'"

# --- Tab order: the controls as they stand on screen; disabled ones
# ("Entfernen" with nothing selected, "Relative Pfade" with hard links) are
# passed over, the radio pair is reached through its checked button.
focus_top Quillon || fail "the main window cannot be focused"
wait_until 20 focus_is ${IDC_LIST_FILES} || fail "the focus starts on control $(probe focus Quillon), not on the source list"
order=(${IDC_ADD_SOURCE_FOLDERS} ${IDC_ADD_FILES} ${IDC_LIST_FOLDERS} ${IDC_CHECK_REMOVE_EXISTING} ${IDC_ADD_FOLDER} ${IDC_LIST_OUTPUT} ${IDC_RADIO_HARD} ${IDC_PREVIEW} $IDOK ${IDC_LIST_FILES})
for id in "${order[@]}"; do
  key Tab
  wait_until 20 focus_is "$id" || fail "Tab led to control $(probe focus Quillon), expected $id"
done
for ((i = ${#order[@]} - 2; i >= 0; i--)); do
  key shift+Tab
  wait_until 20 focus_is "${order[$i]}" || fail "Shift+Tab led to control $(probe focus Quillon), expected ${order[$i]}"
done
key shift+Tab
wait_until 20 focus_is ${IDC_LIST_FILES} || fail "Shift+Tab from the first button led to control $(probe focus Quillon)"

# --- Arrow keys select, "Entfernen" follows, Delete removes.
read_controls || fail "the main window cannot be read"
[ "${ENABLED[${IDC_REMOVE_FILE}]}" = 0 ] || fail "\"Entfernen\" is enabled with nothing selected"
key Down
read_controls || fail "the main window cannot be read"
[ "$(probe selected Quillon ${IDC_LIST_FILES})" = 1 ] || fail "Down selected $(probe selected Quillon ${IDC_LIST_FILES}) paths"
[ "${ENABLED[${IDC_REMOVE_FILE}]}" = 1 ] || fail "\"Entfernen\" stays disabled after a path was selected with the keyboard"
shot selected-with-keyboard
key Delete
list_has ${IDC_LIST_FILES} $((nfiles - 1)) || fail "Delete left $(item_count ${IDC_LIST_FILES}) paths, expected $((nfiles - 1))"
read_controls || fail "the main window cannot be read"
[ "${ENABLED[${IDC_REMOVE_FILE}]}" = 1 ] && [ "$(probe selected Quillon ${IDC_LIST_FILES})" = 1 ] ||
  fail "after Delete the next path is not selected or \"Entfernen\" is disabled"
nfiles=$((nfiles - 1))

# --- Enter is "Erstellen".
key Return
wait_until 100 list_has ${IDC_LIST_OUTPUT} "$nfiles" || fail "Enter gave $(item_count ${IDC_LIST_OUTPUT}) output lines, expected $nfiles"
[ "$(stat -c %i "$root/quelle dir/datei 40.txt")" = "$(stat -c %i "$root/ziel/datei 40.txt")" ] ||
  fail "Enter did not link datei 40.txt"
shot created-with-enter
report=$(probe items Quillon ${IDC_LIST_OUTPUT})
# What the copy must hold: the lines in list order, the system text's line
# break left out and one full stop at the end, CR LF between them.
plain=$(sed 's/\.\\r\\n\.$/./; s/\\r\\n\.$/./' <<<"$report")
expected=$(sed '$!s/$/\\r/' <<<"$plain")
first=$(head -n1 <<<"$plain")

# --- The report on the clipboard: Ctrl+A and Ctrl+C, one line, the menu.
for _ in $(seq 1 10); do
  focus_is ${IDC_LIST_OUTPUT} && break
  key Tab
done
focus_is ${IDC_LIST_OUTPUT} || fail "Tab does not reach the output list"
key ctrl+a
[ "$(probe selected Quillon ${IDC_LIST_OUTPUT})" = "$nfiles" ] || fail "Ctrl+A selected $(probe selected Quillon ${IDC_LIST_OUTPUT}) of $nfiles lines"
key ctrl+c
[ "$(clipboard)" = "$expected" ] || fail "Ctrl+C copied
$(clipboard | head -3)
expected
$(head -3 <<<"$expected")"
[ "$(x_clipboard)" = "$plain" ] || fail "X programs get '$(x_clipboard | head -2)' from the clipboard"
key Home
[ "$(probe selected Quillon ${IDC_LIST_OUTPUT})" = 1 ] || fail "Home left $(probe selected Quillon ${IDC_LIST_OUTPUT}) lines selected"
key ctrl+c
[ "$(clipboard)" = "$first" ] || fail "Ctrl+C with one line selected copied '$(clipboard)'"

read_controls || fail "the main window cannot be read"
read -r x y <<<"$(centre ${IDC_LIST_OUTPUT})"
xdotool mousemove "$x" "$y" click 3
sleep 0.5
shot context-menu
key Down Down Return
[ "$(probe selected Quillon ${IDC_LIST_OUTPUT})" = "$nfiles" ] || fail "\"Alles auswählen\" selected $(probe selected Quillon ${IDC_LIST_OUTPUT}) of $nfiles lines"
key Home
key shift+F10
key Down Return
[ "$(clipboard)" = "$first" ] || fail "\"Kopieren\" from Shift+F10 copied '$(clipboard | head -2)'"

# --- Ctrl+S: the report through the system's Save dialog into a file that
# a CSV reader gives back line by line (the separator is the one the
# header row uses, the user's list separator).
key ctrl+s
wait_until 300 top_window_shown "Save" || fail "Ctrl+S did not open the Save dialog: $(probe windows)"
sleep 0.5
focus_top "Save" || fail "the Save dialog cannot be focused"
# The proposed name (Quillon-Bericht-<date>-<time>.csv) gives way to ours.
key End shift+Home
xdotool type --delay 20 'C:\quillon-keys\bericht.csv'
shot save-dialog
key Return
wait_until 300 top_window_gone "Save" || fail "the Save dialog stayed open"
wait_until 100 test -s "$root/bericht.csv" || fail "Ctrl+S wrote no file"
saved=$(python3 - "$root/bericht.csv" <<'PY'
import csv, sys
with open(sys.argv[1], encoding="utf-8", newline="") as f:
    text = f.read()
assert text.startswith("\ufeffArt"), "no byte-order mark and header"
sep = text[len("\ufeffArt")]
rows = list(csv.reader(text[1:].splitlines(keepends=True), delimiter=sep))
assert rows[0] == ["Art", "Ergebnis", "Ziel", "Code", "Text"], rows[0]
for kind, result, target, code, message in rows[1:]:
    if result in ("OK", "FAILED"):
        print(f"{kind}: {result}, File: {target}, Error: {code}, {message.rstrip('.')}.")
    elif result == "Skip":
        print(f"Skip: {message}, File: {target}." if message else f"Skip: File: {target}.")
    else:
        print(message)
PY
) || fail "the saved report cannot be read as CSV: $saved"
[ "$saved" = "$plain" ] || fail "the saved report reads
$(head -3 <<<"$saved")
expected
$(head -3 <<<"$plain")"
grep -qF 'Größe; Ä,1.txt' <<<"$saved" || fail "the name with umlauts and separators is not in the saved report"

# --- Enter does nothing while "Erstellen" is disabled: the folder removed
# with the keyboard, the report stays as it was.
for _ in $(seq 1 10); do
  focus_is ${IDC_LIST_FOLDERS} && break
  key shift+Tab
done
focus_is ${IDC_LIST_FOLDERS} || fail "Shift+Tab does not reach the target list"
key Down Delete
list_has ${IDC_LIST_FOLDERS} 0 || fail "Delete did not remove the target folder"
read_controls || fail "the main window cannot be read"
[ "${ENABLED[$IDOK]}" = 0 ] && [ "${ENABLED[${IDC_REMOVE_FOLDER}]}" = 0 ] || fail "\"Erstellen\" or \"Entfernen\" stays enabled with no folder"
key Return
[ "$(probe items Quillon ${IDC_LIST_OUTPUT})" = "$report" ] || fail "Enter changed the report while \"Erstellen\" was disabled"
shot after-removing-folder

close_quillon
rm -rf "$root"
echo "PASS: $((nfiles + 1)) paths from the command line, Tab order, Delete, Enter, Ctrl+A, Ctrl+C, the context menu and Ctrl+S"
