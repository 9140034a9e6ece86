#!/bin/bash
# wine-exec.sh starts a program once more only when Wine gave up before the
# program ran (non-zero exit, no output at all, quick); a program that ran and
# failed keeps its result. A stand-in `wine` on PATH plays each case.
set -u
wine_exec=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/wine-exec-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

cat > "$work/wine" <<'FAKE'
#!/bin/bash
n=$(cat "$FAKE_COUNT" 2>/dev/null || echo 0)
echo $((n + 1)) > "$FAKE_COUNT"
case "$1" in
  stillborn-once) [ "$n" -eq 0 ] && exit 1; printf 'ran\r\n'; exit 0 ;;
  stillborn-always) exit 1 ;;
  failing) echo "test-failed"; exit 1 ;;
  failing-stderr) echo "boom" >&2; exit 1 ;;
  silent-slow) sleep 1.5; exit 1 ;;
  silent-ok) exit 0 ;;
esac
exit 2
FAKE
chmod +x "$work/wine"

failures=0
# case, expected exit code, expected launches, expected stdout, retry note expected
while read -r name rc launches out note; do
  export FAKE_COUNT="$work/count.$name"
  actual_out=$(PATH="$work:$PATH" QUILLON_RETRY_LOG= bash "$wine_exec" "$name" 2> "$work/err.$name")
  actual_rc=$?
  actual_launches=$(cat "$FAKE_COUNT")
  [ "$out" = "-" ] && out=""
  actual_note=no
  grep -q "never started" "$work/err.$name" && actual_note=yes
  if [ "$actual_rc" != "$rc" ] || [ "$actual_launches" != "$launches" ] || [ "$actual_out" != "$out" ] ||
     [ "$actual_note" != "$note" ]; then
    echo "FAIL $name: exit $actual_rc (want $rc), launches $actual_launches (want $launches)," \
         "stdout '$actual_out' (want '$out'), retry note $actual_note (want $note)"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
done <<'CASES'
stillborn-once 0 2 ran yes
stillborn-always 1 2 - yes
failing 1 1 test-failed no
failing-stderr 1 1 - no
silent-slow 1 1 - no
silent-ok 0 1 - no
CASES
exit $((failures > 0))
