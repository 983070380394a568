#!/usr/bin/env bash
# Sourced by the Windows scripts: a private Wine prefix that runs the Windows
# build's programs on the Xvfb display of scripts/xvfb.sh. One wineserver
# stays up for the whole run (-p), so each program starts in milliseconds
# instead of seconds; the X11 driver leaves windows unmanaged (they take the
# focus and close without a window manager's delays); sound goes to ALSA,
# whose default device is the null device, so audio opens and stays silent;
# a program that crashes ends at once instead of waiting in a debugger.
# OX_WINEPREFIX names the prefix (default build-windows/wine).
ox_start_wine() {
  local root
  root=$(pwd)
  export WINEPREFIX=${OX_WINEPREFIX:-$root/build-windows/wine}
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialogs: nothing here needs them.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # ALSA reads its own configuration and then this one, which replaces the
  # default device with the null device.
  local alsa="$WINEPREFIX/asound-null.conf"
  mkdir -p "$WINEPREFIX"
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$alsa"
  export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$alsa"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    wineboot -i > /dev/null 2>&1 || true
    wineserver -w
  fi
  wineserver -p
  trap ox_stop_wine EXIT
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f > /dev/null 2>&1
  # A program that crashes ends at once, as under a test runner on Windows,
  # instead of waiting in the automatic debugger with its output still open.
  # Without a Debugger value Wine starts its own debugger, which can hang
  # on a process that crashed while ending; a debugger that does not exist
  # cannot start, and the crashed program ends with its exception code.
  local aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
  wine reg add "$aedebug" /v Debugger /d 'ox-no-debugger.exe %ld %ld' /f > /dev/null 2>&1
  wine reg add "$aedebug" /v Auto /d 1 /f > /dev/null 2>&1
}

# Ends the wineserver and, when scripts/xvfb.sh started one, the X server.
ox_stop_wine() {
  wineserver -k > /dev/null 2>&1 || true
  if [ -n "${OX_XVFB_PID:-}" ]; then kill "$OX_XVFB_PID" 2>/dev/null || true; fi
}
