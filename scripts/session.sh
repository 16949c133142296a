#!/usr/bin/env bash
# Sourced inside the Debian 13 root: one Xvfb and one Wine prefix for a run.
#   tw_session_start BUILD_DIR   starts Xvfb (DISPLAY) and readies WINEPREFIX
#   tw_session_stop              ends wineserver and Xvfb
tw_session_start() {
  local build=$1
  export WINEPREFIX=$build/wineprefix
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEARCH=win64
  # No Mono or Gecko installer dialogs: nothing may wait on a dialog.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=;mshtml=}
  if [ -z "${TW_USE_DISPLAY:-}" ]; then
    local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 ${TW_SCREEN:-1280x720x24} -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    TW_XVFB_PID=$!
    local num; read -r num <"$fifo"; rm -f "$fifo"
    export DISPLAY=:$num
  fi
  # The prefix's version: a prefix made by an older version of this script is made again.
  local version=3
  if [ "$(cat "$WINEPREFIX/.tw-ready" 2>/dev/null)" != "$version" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # The root has no wineboot launcher on its PATH; the prefix is made through wine64.
    if ! wine64 wineboot -i >"$build/wineboot.log" 2>&1; then
      echo "session: wine64 wineboot -i failed (see $build/wineboot.log)" >&2
      tail -20 "$build/wineboot.log" >&2
      return 1
    fi
    # No debugger on a fault: Wine's would attach, wait, and keep the program's output
    # pipes open, so a crash would hang its test instead of failing it. The program ends
    # with a nonzero exit code and Wine's one-line report of the fault.
    wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f \
      >/dev/null 2>&1 || true
    wineserver -w
    echo "$version" >"$WINEPREFIX/.tw-ready"
  fi
}
tw_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${TW_XVFB_PID:-}" ]; then kill "$TW_XVFB_PID" 2>/dev/null || true; wait "$TW_XVFB_PID" 2>/dev/null || true; fi
}
