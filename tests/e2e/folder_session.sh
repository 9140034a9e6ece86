#!/bin/bash
# Folders as sources through the real window: "Ordner hinzufügen…" opens the
# system's folder dialog, the folder typed there goes into the source list
# as a folder; "Vorschau" foretells a junction for one target folder and
# refuses the one inside the source (the link would contain itself);
# "Erstellen" then ends as the system lets it (Wine 8 sets no reparse data:
# FAILED with its code), leaves no folder or temporary name behind, and the
# source folder keeps what it holds.
# Usage: folder_session.sh QUILLON_EXE PROBE_EXE WINE_EXEC ARTIFACT_DIR
set -u
source "$(dirname "$0")/session_lib.sh"
session_begin "$1" "$2" "$3" "$4" xdotool import

cdrive=$(readlink -f "$WINEPREFIX/dosdevices/c:") || fail "the prefix has no drive C:"
root="$cdrive/quillon-e2e-folders"
rm -rf "$root"
mkdir -p "$root/quelle/Daten/innen" "$root/ziel"
echo "data" >"$root/quelle/Daten/a.txt"
W='C:\quillon-e2e-folders'
inside="$W\\quelle\\Daten\\innen"

start_quillon "$W\\ziel" "$inside"
wait_until 100 list_has "$IDC_LIST_FOLDERS" 2 || fail "the target folders were not taken"
click "$IDC_ADD_SOURCE_FOLDERS"
caption="Select Folder"
wait_until 300 top_window_shown "$caption" || fail "the folder dialog did not appear: $(probe windows)"
sleep 0.5
focus_top "$caption" || fail "the folder dialog cannot be focused"
xdotool type --delay 20 "$W\\quelle\\Daten"
shot folder-dialog
xdotool key Return
wait_until 300 list_has "$IDC_LIST_FILES" 1 || fail "the folder did not reach the source list"
sources=$(probe items Quillon "$IDC_LIST_FILES")
[ "${sources,,}" = "${W,,}\\quelle\\daten\\" ] || fail "the source list shows '$sources', expected the folder with its backslash"
shot source-folder

idle() {
  read_controls && [ "${TEXT[$IDOK]}" = "Erstellen" ]
}
lines_are() {  # count
  [ "$(probe items Quillon "$IDC_LIST_OUTPUT" | grep -c .)" = "$1" ]
}
cycle_line() {  # the line's start: "Vorschau: FAILED, Datei: " or "Junction: FAILED, File: "
  probe items Quillon "$IDC_LIST_OUTPUT" | grep -F "$1$inside\\Daten, Error: 1921, " |
    grep -qF ". Der Zielordner ist die Quelle, liegt in ihr oder führt durch sie: der Link enthielte sich selbst."
}

# Wide enough to read the lines whole: the size grip dragged to the right,
# within the screen.
read_controls || fail "the main window cannot be read"
read -r gx gy <<<"$(centre 59393)"
drag "$gx" "$gy" $((1260 - gx < 700 ? 1260 - gx : 700)) 0
sleep 0.5
# "Vorschau", then "Erstellen": the refused cycle each time; the preview
# foretells the junction and writes nothing, the run ends as the system
# lets it and leaves nothing half made.
for pass in "$IDC_PREVIEW|Vorschau: FAILED, Datei: |preview" "$IDOK|Junction: FAILED, File: |run"; do
  IFS='|' read -r button cycle name <<<"$pass"
  click "$button"
  wait_until 200 idle || fail "the $name did not end"
  wait_until 50 lines_are 2 || fail "the $name does not have a line per pair: $(probe items Quillon "$IDC_LIST_OUTPUT")"
  output=$(probe items Quillon "$IDC_LIST_OUTPUT")
  cycle_line "$cycle" || fail "the $name does not refuse the cycle: $output"
  shot "$name"
  import -window "$(xdotool search --name '^Quillon$' | head -n1)" "$artifacts/window-$name.png"
  if [ "$name" = preview ]; then
    grep -qxF "$(probe line preview-new 0 "$W\\ziel\\Daten")" <<<"$output" || fail "the preview does not foretell the junction: $output"
    [ -z "$(ls -A "$root/ziel")" ] || fail "the preview wrote into the target folder"
  elif [ -L "$root/ziel/Daten" ] || [ -d "$root/ziel/Daten" ]; then
    grep -qxF "$(probe line Junction 0 "$W\\ziel\\Daten")" <<<"$output" || fail "a junction is there but its line does not say OK: $output"
  else
    line=$(grep -F "Junction: FAILED, File: $W\\ziel\\Daten, Error: " <<<"$output") || fail "no junction and no FAILED line: $output"
    code=$(sed 's/.*, Error: \([0-9]*\),.*/\1/' <<<"$line")
    [ "$code" != 0 ] && [ "$line" = "$(probe line Junction "$code" "$W\\ziel\\Daten")" ] || fail "the FAILED line is not the system's: $line"
    [ -z "$(ls -A "$root/ziel")" ] || fail "a folder or temporary name was left: $(ls -A "$root/ziel")"
    echo "note: this system made no junction (code $code); the line says so and nothing was left"
  fi
done
[ "$(ls -A "$root/quelle/Daten" | sort | tr '\n' ' ')" = "a.txt innen " ] || fail "the source folder changed: $(ls -A "$root/quelle/Daten")"
[ -z "$(ls -A "$root/quelle/Daten/innen")" ] || fail "the target folder inside the source got something"
close_quillon
rm -rf "$root"
echo "PASS"
