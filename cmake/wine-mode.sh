# Sourced by the build, test, demo and bench scripts: finds out once whether
# this machine runs 32-bit programs, and runs Wine accordingly.
#
# KQ_64BIT_ONLY=1 forces the 64-bit-only mode on any machine. Otherwise the
# mode follows a try of Wine's 32-bit loader: where the kernel refuses it
# ("Exec format error"), or it is missing, only 64-bit programs run. The
# result goes to the children in KQ_WINE_MODE ("32+64" or "64") and
# KQ_WINE_MODE_WHY, so that nobody tries again.
#
# In the 64-bit-only mode every Wine call goes straight to Wine's 64-bit
# loader: the "wine" launcher and the wineboot and regsvr32 wrappers start
# the 32-bit loader first.

kq_wine32_loader=/usr/lib/wine/wine

kq_wine_mode() {
  if [ "${KQ_64BIT_ONLY:-0}" = 1 ]; then
    KQ_WINE_MODE=64
    KQ_WINE_MODE_WHY="KQ_64BIT_ONLY=1 is set"
  elif [ -z "${KQ_WINE_MODE:-}" ]; then
    local out
    if [ ! -x "$kq_wine32_loader" ]; then
      KQ_WINE_MODE=64
      KQ_WINE_MODE_WHY="Wine's 32-bit loader ($kq_wine32_loader) is not installed"
    elif out=$("$kq_wine32_loader" --version 2>&1); then
      KQ_WINE_MODE=32+64
      KQ_WINE_MODE_WHY="this machine runs 32-bit programs"
    else
      KQ_WINE_MODE=64
      out=$(printf '%s' "$out" | tail -1)
      KQ_WINE_MODE_WHY="this machine runs no 32-bit programs ($kq_wine32_loader --version: ${out##*: })"
    fi
  fi
  if [ "$KQ_WINE_MODE" = 64 ] && [ -z "${KQ_WINE64:-}" ]; then
    if [ -x /usr/lib/wine/wine64 ]; then
      KQ_WINE64=/usr/lib/wine/wine64
    else
      KQ_WINE64=$(command -v wine64 || true)
    fi
    [ -n "$KQ_WINE64" ] || { echo "wine-mode: Wine's 64-bit loader (wine64) is not installed" >&2; return 1; }
  fi
  export KQ_WINE_MODE KQ_WINE_MODE_WHY KQ_WINE64
}

kq_64bit_only() { [ "$KQ_WINE_MODE" = 64 ]; }

# Runs a Windows program (or a Wine builtin such as wineboot, regsvr32,
# winepath, cmd, reg) under the loader of this mode.
# Outside a run that kq_bar_32bit guards (ctest started by hand), the call
# gets a guard of its own where the kernel offers one.
kq_wine_mode_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
kq_wine() {
  if ! kq_64bit_only; then
    wine "$@"
  elif [ -z "${KQ_32BIT_BARRED:-}" ] && python3 "$kq_wine_mode_dir/no-32bit.py" --check 2>/dev/null; then
    python3 "$kq_wine_mode_dir/no-32bit.py" "$KQ_WINE64" "$@"
  else
    "$KQ_WINE64" "$@"
  fi
}

# Puts a folder first in PATH whose wine, wineboot, regsvr32 ... refuse and
# log each call, and, where the kernel would run 32-bit programs, re-runs the
# calling script in a process tree in which none can start (no-32bit.py).
# Call it as: kq_bar_32bit "$0" "$@"; it returns only inside that tree.
kq_bar_32bit() {
  local script=$1 top
  shift
  top=$(dirname "$kq_wine_mode_dir")
  if [ -z "${KQ_32BIT_BARRED:-}" ]; then
    local shims="$top/build/no-32bit"
    mkdir -p "$shims/bin"
    KQ_32BIT_LOG=$(mktemp "$shims/refused.XXXXXX")
    local name
    for name in wine wine-stable wineboot regsvr32 winepath wineconsole winecfg winedbg winefile \
                msiexec regedit notepad wineapploader; do
      cat >"$shims/bin/$name.new" <<EOF
#!/bin/sh
# 64-bit-only mode: this launcher would start Wine's 32-bit loader first.
echo "$name \$*" >>"\${KQ_32BIT_LOG:-/dev/null}"
echo "refused in 64-bit-only mode: $name \$* (it starts Wine's 32-bit loader first)" >&2
exit 126
EOF
      chmod +x "$shims/bin/$name.new"
      mv -f "$shims/bin/$name.new" "$shims/bin/$name"
    done
    export PATH="$shims/bin:$PATH" KQ_32BIT_LOG
    if python3 "$top/cmake/no-32bit.py" --check 2>/dev/null; then
      export KQ_32BIT_BARRED="by the kernel (Landlock) for the whole run"
      exec python3 "$top/cmake/no-32bit.py" bash "$script" "$@"
    fi
    export KQ_32BIT_BARRED="only by the launcher shims (the kernel offers no Landlock)"
  fi
}

# The closing line of a 64-bit-only run: fails when a 32-bit launcher was
# called after all.
kq_report_32bit() {
  local calls
  calls=$(grep -c . "$KQ_32BIT_LOG" 2>/dev/null || true)
  if [ "${calls:-0}" -eq 0 ]; then
    echo "no 32-bit process was started: none of Wine's 32-bit launchers (wine, wineboot, regsvr32, ...) was called, and 32-bit programs were barred $KQ_32BIT_BARRED"
    rm -f "$KQ_32BIT_LOG"
    return 0
  fi
  echo "32-bit launchers were called $calls times in 64-bit-only mode:"
  sed 's/^/    /' "$KQ_32BIT_LOG"
  return 1
}

# Copies the run's template prefix to DEST, a new prefix that nothing has
# run in yet: the Windows folder is only read, so hard links make the copy
# cheap; the registry files and the user profile are copied for real.
kq_copy_prefix() {
  local template=$1 dest=$2
  cp -al "$template/." "$dest/"
  rm -f "$dest"/*.reg "$dest/wineserver"
  cp "$template"/*.reg "$dest/"
  rm -rf "$dest/drive_c/users"
  cp -a "$template/drive_c/users" "$dest/drive_c/users"
}
