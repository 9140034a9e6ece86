#!/bin/bash
# Runs a command with the prefix reporting another Windows version, then puts
# back the version the run started with, whatever the outcome.
#   run_as_winver.sh VERSION COMMAND [ARGS...]     (VERSION as winecfg names it, e.g. winxp)
winver=$1
shift
export WINEPREFIX="${WINEPREFIX:?run inside the test environment}"
before=$(wine reg query 'HKCU\Software\Wine' /v Version 2>/dev/null | tr -d '\r' | awk '$1 == "Version" { print $3 }')
wine reg add 'HKCU\Software\Wine' /v Version /d "$winver" /f >/dev/null 2>&1 || exit 1
"$@"
rc=$?
if [ -n "$before" ]; then
  wine reg add 'HKCU\Software\Wine' /v Version /d "$before" /f >/dev/null 2>&1
else
  wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
fi
exit $rc
