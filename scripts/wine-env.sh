# Hermetic Wine environment for one run: sourced by test.sh and run.sh.
#   quillon_env_start BUILD_DIR   start Xvfb (unless QUILLON_USE_DISPLAY=1 and a
#                                 display exists), prepare the prefix, start a
#                                 persistent wineserver
#   quillon_env_stop              stop exactly the server and Xvfb started here
# QUILLON_DPI (96 or 144 ...) and QUILLON_WINVER (e.g. winxp) select the
# screen resolution and the Windows version the prefix reports for this run.

quillon_env_start() {
  local build
  build=$(cd "$1" && pwd) || return 1
  export WINEPREFIX="$build/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  QUILLON_XVFB_PID=""
  QUILLON_SERVER_STARTED=""

  if [ "${QUILLON_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    :
  else
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    QUILLON_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      [ -s "$fdfile" ] && break
      sleep 0.1
    done
    if [ ! -s "$fdfile" ]; then
      echo "wine-env: Xvfb did not start" >&2
      rm -f "$fdfile"
      return 1
    fi
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
  fi

  # The prefix is made once per build tree; a cold boot costs tens of seconds.
  if [ ! -f "$WINEPREFIX/.quillon-ready" ]; then
    echo "wine-env: creating Wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    local f
    for f in marlett.ttf tahoma.ttf tahomabd.ttf; do
      [ -f "/usr/share/wine/fonts/$f" ] && cp "/usr/share/wine/fonts/$f" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
    touch "$WINEPREFIX/.quillon-ready.pending"
  fi

  # One persistent server for the whole run: each test process then starts in
  # a fraction of a second instead of more than one.
  wineserver -p
  QUILLON_SERVER_STARTED=1

  if [ -f "$WINEPREFIX/.quillon-ready.pending" ]; then
    # Wine draws its own frames and captions, as a real desktop would.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f >/dev/null 2>&1
    mv "$WINEPREFIX/.quillon-ready.pending" "$WINEPREFIX/.quillon-ready"
  fi

  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${QUILLON_DPI:-96}" /f >/dev/null 2>&1
  if [ -n "${QUILLON_WINVER:-}" ]; then
    wine reg add 'HKCU\Software\Wine' /v Version /d "$QUILLON_WINVER" /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
  fi
  # Settings of earlier runs must not leak into this one.
  wine reg delete 'HKCU\Software\Velmora' /f >/dev/null 2>&1
  return 0
}

quillon_env_stop() {
  if [ -n "${QUILLON_SERVER_STARTED:-}" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    QUILLON_SERVER_STARTED=""
  fi
  if [ -n "${QUILLON_XVFB_PID:-}" ]; then
    kill "$QUILLON_XVFB_PID" 2>/dev/null
    wait "$QUILLON_XVFB_PID" 2>/dev/null
    QUILLON_XVFB_PID=""
  fi
}
