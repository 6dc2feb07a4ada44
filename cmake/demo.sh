#!/usr/bin/env bash
# The main job on a fresh machine: builds everything, boots a Wine prefix and
# shows the settings store and the log at work under Wine.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/cmake/build.sh"
bin="$top/build/i686"
demo="$top/build/demo"
"$top/cmake/wine-prefix.sh" "$demo/prefix" >/dev/null
export WINEPREFIX="$demo/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
key='HKLM\Software\marvik\Marvik.DovraneAddinVX2'
user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
wine reg add "$key" /v Loader /t REG_SZ /d 'C:\Oberlane\Oberlane.exe' /f >/dev/null 2>&1
wine reg add "$key" /v Params1 /t REG_SZ /d 'label="Archiv" appid=A1 configid=C1' /f >/dev/null 2>&1
wine reg add "$key" /v Attachments /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "HKCU\Software\marvik\Marvik.DovraneAddinVX2\\$user" /v l /t REG_SZ /d de /f >/dev/null 2>&1
echo "--- settings as loaded (global key, per-user key of '$user'):"
wine "$bin/tests/demo/settings_demo.exe" | tr -d '\r'
echo "--- log file:"
cat "$WINEPREFIX/drive_c/users/$user/AppData/Local/Temp/settings_demo.log" 2>/dev/null || \
  find "$WINEPREFIX/drive_c/users" -name settings_demo.log -exec cat {} \;
wineserver -k
