#!/bin/bash
# Runs a test program with the prefix at another screen resolution, then puts
# 96 DPI back whatever the outcome.
#   run_at_dpi.sh DPI WINE_EXEC PROGRAM [ARGS...]
dpi=$1
wine_exec=$2
shift 2
export WINEPREFIX="${WINEPREFIX:?run inside the test environment}"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || exit 1
QUILLON_EXPECT_DPI=$dpi bash "$wine_exec" "$@"
rc=$?
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
exit $rc
