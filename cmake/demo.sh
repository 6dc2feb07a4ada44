#!/usr/bin/env bash
# The main job on a fresh machine: builds everything, boots a Wine prefix,
# lays the installation set (cmake/install.sh) into it, registers Brenmark
# from there with the set's setup.ini, whose receiving program it makes the
# test stand-in, and hands documents off through Quenby: files and a folder
# with "/f", then a file with "/c" and a properties file. Shows what the
# receiving program got: its command line and each hand-off file.
#
# On a machine that runs no 32-bit programs, or with KQ_64BIT_ONLY=1, it
# shows the same roads with the 64-bit builds (cmake/wine-mode.sh):
# Brenmark-64.dll registered from the set with the 64-bit regsvr32, the
# 64-bit Quenby, Ostrelle in the 64-bit Acrobat test host and the 64-bit
# Office test host; those programs are test builds and not in the set.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
# Wine first: the try of its 32-bit loader needs it installed.
"$top/cmake/install-deps.sh"
. "$top/cmake/wine-mode.sh"
kq_wine_mode
if kq_64bit_only; then
  kq_bar_32bit "$0" "$@"
  echo "64-bit-only mode: $KQ_WINE_MODE_WHY."
  echo "The demo shows the same roads with the 64-bit builds of build/x86_64 (for tests and this demo"
  echo "only; the deliverables Quenby, Corvelle and Ostrelle are 32-bit programs): Brenmark-64.dll"
  echo "registered from the installation set with the 64-bit regsvr32, the 64-bit Quenby, Ostrelle in the"
  echo "64-bit Acrobat test host and the 64-bit Office test host."
  bits=64
  bin="$top/build/x86_64"
  brenmark=Brenmark-64.dll
  regsvr32='C:\windows\system32\regsvr32.exe'
  view=/reg:64
  programs='Program Files'
else
  bits=32
  bin="$top/build/i686"
  brenmark=Brenmark.dll
  regsvr32='C:\windows\syswow64\regsvr32.exe'
  view=/reg:32
  programs='Program Files (x86)'
fi
demo="$top/build/demo"
mkdir -p "$demo"
echo "building both architectures (log: build/demo/build.log) ..."
"$top/cmake/build.sh" >"$demo/build.log" 2>&1 || { tail -30 "$demo/build.log"; exit 1; }
"$top/cmake/wine-prefix.sh" "$demo/prefix" >/dev/null
export WINEPREFIX="$demo/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
c="$WINEPREFIX/drive_c"

# Message boxes need a display; without one they fail at once. A free
# display number, so that demos and tests can run side by side.
. "$top/cmake/xvfb.sh"
kq_start_xvfb 1024x768x24
xvfb_pid=$KQ_XVFB_PID
finish() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT

win() { kq_wine "$@" 2>/dev/null | tr -d '\r'; }

record="$c/Oberlane/oberlane-record.txt"
# How often the stand-in has been started so far.
starts() { if [ -f "$record" ]; then grep -c '^\[start\]' "$record" || true; else echo 0; fi; }
# The shell starts the receiving program asynchronously: waits (10 s at most)
# until it has been started more than $1 times.
wait_for_starts() {
  for _ in $(seq 50); do
    [ "$(starts)" -gt "$1" ] && return 0
    sleep 0.2
  done
  return 1
}
# The parameters of the stand-in's last start, and the hand-off ids in them.
last_params() { tr -d '\r' <"$record" | sed -n 's/^parameters=//p' | tail -1; }
handoff_ids() { printf '%s' "$1" | sed -n 's/.* files=\([^ ]*\).*/\1/p' | tr ',' ' '; }
# One hand-off file without its byte-order mark and CR LF line ends.
show_handoff() { tr -d '\r' <"$temp/kq_temp_inbox/$1/$1.xml" | sed '1s/^\xEF\xBB\xBF//; /^$/d'; }

echo "=== 1. the receiving program: the stand-in, which records every start"
mkdir -p "$c/Oberlane" "$c/Dokumente/Projekt/Notizen" "$c/Eigenschaften"
cp "$bin/tests/standin/Oberlane.exe" "$c/Oberlane/Oberlane.exe"
echo 'C:\Oberlane\Oberlane.exe'

echo
echo "=== 2. the installation set, its setup.ini, and Brenmark registered from it with the $bits-bit regsvr32"
# Laid as an administrator copies it: every file of cmake/install.sh in one
# folder; the demo runs the set's own programs where this mode can.
folder='C:\Program Files\marvik\dovrane VX'
set_dir="$c/Program Files/marvik/dovrane VX"
"$top/cmake/install.sh" --built "$set_dir" >"$demo/install.log" 2>&1 || { cat "$demo/install.log"; exit 1; }
echo "$folder (cmake/install.sh):"
(cd "$set_dir" && ls -1 | sed 's/^/    /')
# The administrator's edit: the receiving program is the stand-in.
sed -i 's|^Loader=.*|Loader=C:\\Oberlane\\Oberlane.exe\r|' "$set_dir/setup.ini"
echo "setup.ini, with the stand-in as Loader:"
tr -d '\r' <"$set_dir/setup.ini" | sed 's/^/    /'
echo "\$ cd /d \"$folder\""
echo "\$ $regsvr32 /s $brenmark"
(cd "$set_dir" && kq_wine "$regsvr32" /s "$brenmark" >/dev/null 2>&1) &&
  echo "regsvr32: registered" || { echo "regsvr32 failed"; exit 1; }
win reg query 'HKLM\Software\marvik\Marvik.DovraneAddinVX2' $view | sed -n '/REG_/p'

echo
echo "=== 3. documents: two files, and a folder with one more in it and one in its subfolder"
printf '%%PDF-1.4 offer\n' >"$c/Dokumente/Angebot.pdf"
printf 'invoice\n' >"$c/Dokumente/Rechnung.docx"
printf 'plan\n' >"$c/Dokumente/Projekt/Plan.txt"
printf 'minutes\n' >"$c/Dokumente/Projekt/Notizen/Protokoll.txt"
(cd "$c" && find Dokumente -type f | sort | sed 's|^|C:/|; s|/|\\|g')
echo "and a properties file, C:\\Eigenschaften\\upload.ini:"
printf '[Properties]\r\nKunde=Muster GmbH\r\nVorgang=4711\r\nNotiz=a=b\r\n' >"$c/Eigenschaften/upload.ini"
tr -d '\r' <"$c/Eigenschaften/upload.ini" | sed 's/^/    /'
if kq_64bit_only; then
  quenby="C:\\$programs\\marvik\\Quenby.exe"
  mkdir -p "$c/$programs/marvik"
  cp "$bin/runner/Quenby.exe" "$c/$programs/marvik/Quenby.exe"
  echo "Quenby (64-bit test build): $quenby"
else
  quenby="$folder\\Quenby.exe"
  echo "Quenby (32-bit, from the set): $quenby"
fi

run() {
  echo
  echo "\$ Quenby.exe $*"
  set +e
  kq_wine "$quenby" "$@" >/dev/null 2>&1
  echo "exit code $?"
  set -e
}

echo
echo "=== 4. Quenby hands them off"
run /f 'C:\Dokumente\Angebot.pdf' 'C:\Dokumente\Rechnung.docx' 'C:\Dokumente\Projekt'
run /c 'C:\Eigenschaften\upload.ini' /f 'C:\Dokumente\Angebot.pdf'
wait_for_starts 1 || true

echo
echo "=== 5. what the receiving program got"
[ -f "$record" ] || { echo "the receiving program was never started"; exit 1; }
temp=$(kq_wine winepath -u "$(win cmd /c echo %TEMP%)" 2>/dev/null)
n=0
params=
while IFS= read -r line; do
  case $line in
    parameters=*) params=${line#parameters=} ;;
    folder=*)
      n=$((n + 1))
      echo
      echo "--- start $n (working folder ${line#folder=}), its parameters:"
      echo "$params"
      files=$(printf '%s' "$params" | sed -n 's/.* files=\([^ ]*\).*/\1/p')
      for id in ${files//,/ }; do
        echo
        echo "--- hand-off file %TEMP%\\kq_temp_inbox\\$id\\$id.xml:"
        show_handoff "$id"
        echo
      done
      ;;
  esac
done < <(tr -d '\r' <"$record")
[ "$n" -ge 2 ] || { echo "the receiving program was started $n times, not 2"; exit 1; }

# --- Ostrelle, the Acrobat plug-in, in the Acrobat test host ----------------
echo
echo "=== 6. Ostrelle: a PDF archived through the plug-in in the $bits-bit Acrobat test host"
plugins="$c/$programs/Adobe/Acrobat DC/Acrobat/plug_ins"
mkdir -p "$plugins" "$c/Dokumente/Acrobat"
if kq_64bit_only; then
  cp "$bin/acrobat/Ostrelle.api" "$plugins/Ostrelle.api"
else
  cp "$set_dir/Ostrelle.api" "$plugins/Ostrelle.api"
fi
cp "$top/tests/acrobat/fixtures/Angebot.pdf" "$top/tests/acrobat/fixtures/Angebot.xmp" "$c/Dokumente/Acrobat/"
echo "plug-in: C:\\$programs\\Adobe\\Acrobat DC\\Acrobat\\plug_ins\\Ostrelle.api"
echo 'document: C:\Dokumente\Acrobat\Angebot.pdf, its XMP metadata:'
sed -n '/<dc:title>/,/<\/dc:title>/p; /Producer\|Date/p' "$c/Dokumente/Acrobat/Angebot.xmp" | sed 's/^ */    /'
echo
before=$(starts)
set +e
kq_wine "$bin/tests/acrobat/AcroTestHost.exe" \
  "C:\\$programs\\Adobe\\Acrobat DC\\Acrobat\\plug_ins\\Ostrelle.api" \
  'C:\Dokumente\Acrobat\Angebot.pdf' 'C:\Dokumente\Acrobat\Angebot.xmp' 2>/dev/null | tr -d '\r'
host_rc=${PIPESTATUS[0]}
set -e
echo "test host exit code $host_rc"
wait_for_starts "$before" || { echo "the receiving program was not started by the plug-in"; exit 1; }
params=$(last_params)
echo
echo "--- what the receiving program got from the plug-in's hand-off, its parameters:"
echo "$params"
for id in $(handoff_ids "$params"); do
  echo
  echo "--- hand-off folder %TEMP%\\kq_temp_inbox\\$id:"
  (cd "$temp/kq_temp_inbox/$id" && ls -1 | sed 's/^/    /')
  echo "--- hand-off file $id.xml:"
  show_handoff "$id"
  echo
done
[ "$host_rc" -eq 0 ] || exit 1

# --- the Office add-in in the Office test host ------------------------------
echo
echo "=== 7. the Office add-in: the $bits-bit Word test host loads Brenmark from its Addins key and archives a document"
# The test host stands in for Word: it loads the add-in as Office does and
# clicks its archive button; its Word keeps the document in a real file.
mkdir -p "$c/officehost" "$c/Dokumente/Word"
cp "$bin/tests/officehost/office_test_host.exe" "$c/officehost/"
printf 'Quartalsbericht: Umsatz im dritten Quartal +4 %%\n' >"$c/Dokumente/Word/Quartalsbericht.docx"
win reg query 'HKLM\Software\Microsoft\Office\Word\Addins\Marvik.DovraneAddinVX2' $view | sed -n '/REG_/p'
echo
before=$(starts)
echo "\$ office_test_host.exe word C:\\Dokumente\\Word\\Quartalsbericht.docx (Title, Author, custom Kunde)"
set +e
kq_wine 'C:\officehost\office_test_host.exe' word 'C:\Dokumente\Word\Quartalsbericht.docx' \
  --builtin 'Title=Quartalsbericht Q3' --builtin 'Author=Anna Berg' --custom 'Kunde=Muster GmbH' 2>/dev/null |
  tr -d '\r' | sed 's/^/    /'
host_rc=${PIPESTATUS[0]}
set -e
echo "exit code $host_rc"
wait_for_starts "$before" || { echo "the receiving program was not started by the add-in"; exit 1; }
params=$(last_params)
echo
echo "--- what the receiving program got from the add-in in Word, its parameters:"
echo "$params"
for id in $(handoff_ids "$params"); do
  echo
  echo "--- hand-off file %TEMP%\\kq_temp_inbox\\$id\\$id.xml:"
  show_handoff "$id"
  echo
  echo "--- the document handed off, %TEMP%\\kq_temp_inbox\\$id\\Quartalsbericht.docx:"
  tr -d '\r' <"$temp/kq_temp_inbox/$id/Quartalsbericht.docx"
  echo
done
[ "$host_rc" = 0 ] || exit 1
if kq_64bit_only; then
  echo
  kq_report_32bit
fi
