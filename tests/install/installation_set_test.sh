#!/usr/bin/env bash
# The installation set (cmake/install.sh) holds exactly the deliverables,
# each built for its architecture, and registering Brenmark from it with
# its own setup.ini in a fresh prefix points the classes, the Office
# Addins keys and the global settings key at the set's folder. In the
# 64-bit-only mode Brenmark-64.dll is registered with the 64-bit regsvr32;
# otherwise Brenmark.dll with the 32-bit one as well.
set -u
src=$KQ_SOURCE_DIR
template=$KQ_WINE_TEMPLATE
. "$src/cmake/wine-mode.sh"
if [ -z "${KQ_WINE_MODE:-}" ] && [ "${KQ_64BIT_ONLY:-0}" != 1 ] && [ -f "$template/kq-wine-mode" ]; then
  { read -r KQ_WINE_MODE; read -r KQ_WINE_MODE_WHY; } <"$template/kq-wine-mode"
fi
kq_wine_mode || exit 2

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "$(dirname "$template")/install.XXXXXX")
prefix=$work/prefix
mkdir "$prefix"
kq_copy_prefix "$template" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Without a display a failing registration's message box fails at once
# instead of waiting for an answer.
unset DISPLAY
# One server for all the calls below, rather than a start of Wine's
# services for each.
wineserver -p
finish() {
  wineserver -k 2>/dev/null || true
  [ "${KQ_WINE_KEEP:-0}" = 1 ] || rm -rf "$work"
}
trap finish EXIT

folder='C:\Program Files\marvik\dovrane VX'
set_dir="$prefix/drive_c/Program Files/marvik/dovrane VX"
if ! "$src/cmake/install.sh" --built "$set_dir" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  echo "FAIL: cmake/install.sh failed"
  exit 1
fi

# --- the set: every file, and what it must be (a module of that PE format,
# or a copy of that source file)
expected='
Brenmark.dll            pei-i386
Brenmark-64.dll         pei-x86-64
Corvelle.exe            pei-i386
Quenby.exe              pei-i386
Ostrelle.api            pei-i386
resource.bin            addin/ribbon/resource.bin
resource_attachment.bin addin/ribbon/resource_attachment.bin
resource_setting.bin    addin/ribbon/resource_setting.bin
resource_info.bin       addin/ribbon/resource_info.bin
setup.ini               addin/sample/setup.ini
Corvelle.ini            droptarget/sample/Corvelle.ini
droplet.png             droptarget/sample/droplet.png
upload.ini              droptarget/sample/upload.ini
'
if ! diff <(printf '%s\n' "$expected" | awk 'NF {print $1}' | LC_ALL=C sort) \
          <(cd "$set_dir" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort) >"$work/files.diff"; then
  fail "the set does not hold exactly the deliverables (< missing, > not one of them):"
  sed 's/^/    /' "$work/files.diff"
fi
while read -r name what; do
  [ -n "$name" ] && [ -f "$set_dir/$name" ] || continue
  case $what in
    pei-*)
      format=$("$KQ_OBJDUMP" -f "$set_dir/$name" | sed -n 's/.*file format //p')
      [ "$format" = "$what" ] || fail "$name is $format, not $what"
      ;;
    *) cmp -s "$set_dir/$name" "$src/$what" || fail "$name is no copy of $what" ;;
  esac
done <<<"$expected"

# --- registration from the set, with its own setup.ini
q() { kq_wine reg query "$@" 2>/dev/null | tr -d '\r'; }
default_value() { q "$1" /ve "$2" | sed -n 's/^    (Default)    REG_SZ    //p'; }
addin='{EA6D73EC-BAD0-4476-8018-AF7DD76A8CC2}'
connector='{D49A300A-33D8-4B50-B786-C6F797D3EEF4}'

# register REGSVR32 MODULE VIEW
register() {
  local regsvr32=$1 module=$2 view=$3
  echo "registering $module with $regsvr32 ($view)"
  if ! (cd "$set_dir" && kq_wine "$regsvr32" /s "$module") >"$work/regsvr32.log" 2>&1; then
    fail "$regsvr32 /s $module failed"
    sed 's/^/    /' "$work/regsvr32.log"
    return
  fi
  local global names
  global=$(q 'HKLM\Software\marvik\Marvik.DovraneAddinVX2' "$view")
  # Only the settings of setup.ini and Dir: the program and class choices
  # become keys, not values.
  names=$(printf '%s\n' "$global" | awk '$2 ~ /^REG_/ {print $1}' | LC_ALL=C sort | tr '\n' ' ')
  [ "$names" = "Attachments DeleteArcDocs Dir Loader Params1 " ] ||
    fail "$view: the global key holds the values $names"
  local row name want got
  while IFS='|' read -r name want; do
    [ -n "$name" ] || continue
    got=$(printf '%s\n' "$global" | sed -n "s/^    $name    REG_[A-Z_]*    //p")
    [ "$got" = "$want" ] || fail "$view: global $name is \"$got\", not \"$want\""
  done <<EOT
Dir|$folder
Loader|C:\\Program Files\\marvik\\Oberlane\\Oberlane.exe
Params1|label="Archiv" appid=A1 configid=C1
Attachments|0x0
DeleteArcDocs|0x0
EOT
  while IFS='|' read -r name want; do
    [ -n "$name" ] || continue
    got=$(default_value "$name" "$view")
    [ "$got" = "$want" ] || fail "$view: $name is \"$got\", not \"$want\""
  done <<EOT
HKCR\\CLSID\\$addin\\InprocServer32|$folder\\$module
HKCR\\CLSID\\$connector\\InprocServer32|$folder\\$module
HKCR\\Marvik.DovraneAddinVX2\\CLSID|$addin
HKCR\\Marvik.DovraneConnectorVX2COM\\CLSID|$connector
EOT
  local host
  for host in Excel PowerPoint Word Outlook; do
    got=$(q "HKLM\\Software\\Microsoft\\Office\\$host\\Addins\\Marvik.DovraneAddinVX2" "$view" |
          sed -n 's/^    LoadBehavior    REG_DWORD    //p')
    [ "$got" = 0x3 ] || fail "$view: $host's Addins key has LoadBehavior \"$got\", not 0x3"
  done
  # The add-in reads its pictures from Dir.
  local dir
  dir=$(kq_wine winepath -u "$(printf '%s\n' "$global" | sed -n 's/^    Dir    REG_SZ    //p')" 2>/dev/null)
  for name in resource.bin resource_attachment.bin resource_setting.bin resource_info.bin; do
    [ -f "$dir/$name" ] || fail "$view: no $name in Dir ($dir)"
  done
}

register 'C:\windows\system32\regsvr32.exe' Brenmark-64.dll /reg:64
kq_64bit_only || register 'C:\windows\syswow64\regsvr32.exe' Brenmark.dll /reg:32

if [ "$failures" -gt 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "the set holds exactly the deliverables, and Brenmark registers from it"
