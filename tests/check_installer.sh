#!/bin/sh
# Installs the Windows installer of RELEASE (default BUILD/release) silently
# into a Wine prefix of its own, checks what it put in place, joins a folder
# with the installed entw-join.exe, installs again over it (an upgrade) and
# checks the entries of Explorer's folder menus and Send To, uninstalls
# silently and checks that nothing is left behind. Given ENTW_CHECK_SIGNED_BY,
# a certificate, the installed programs and the uninstaller must carry intact
# signatures by it.
#   sh tests/check_installer.sh BUILD [RELEASE]     (needs a display: xvfb-run -a)
set -eu
build=$(cd "$1" && pwd)
release=$(cd "${2:-$build/release}" && pwd)
setup=$(ls "$release"/*-setup.exe)
zip=$(ls "$release"/*.zip)
name=$(basename "$zip" .zip)
work=$release-check
rm -rf "$work"
mkdir -p "$work/tmp"
# Only the installed DLLs may be found: no WINEPATH to Qt or MinGW. Wine keeps
# its server's folder in TMPDIR: the scratch folder, removed at the end.
unset WINEPATH
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TMPDIR="$work/tmp"
wine=/usr/lib/wine/wine64
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
value() { sed -n "s/^$1=//p" "$build/resources/windows-release.txt"; }
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
failures=0
fail() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }
# The NSIS uninstaller runs from a copy in the temporary folder and returns at
# once: waiting for the prefix's server to empty waits for it too.
run() {
  status=0
  $wine "$@" < /dev/null > /dev/null 2>&1 || status=$?
  /usr/lib/wine/wineserver -w
  return $status
}
expand() { $wine cmd /c echo "$1" | tr -d '\r'; }

$wine wineboot -i > /dev/null 2>&1
/usr/lib/wine/wineserver -w
installed=$(expand '%LOCALAPPDATA%\Programs\Entw')
dir=$($wine winepath -u "$installed")
link=$($wine winepath -u "$(expand '%APPDATA%')\\Microsoft\\Windows\\Start Menu\\Programs\\$(value PRODUCT_NAME).lnk")
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Entw'
sendto=$($wine winepath -u "$(expand '%APPDATA%')\\Microsoft\\Windows\\SendTo\\$(value PRODUCT_NAME).lnk")
export_key() { $wine reg export "$1" "$(windows_path "$2")" /y > /dev/null 2>&1; }
# Another program's entry on the menu inside folders: the uninstaller must leave folders' menus as they were.
$wine reg add 'HKCU\Software\Classes\Directory\Background\shell\Other' /ve /d Other /f > /dev/null 2>&1
export_key 'HKCU\Software\Classes\Directory' "$work/classes-before.reg" || fail "no menu to start with"

$wine winecfg -v win7
if run "$(windows_path "$setup")" /S || [ -e "$dir" ]; then fail "installed on Windows 7"; fi
$wine winecfg -v win10
run "$(windows_path "$setup")" /S || fail "the installer failed on Windows 10"

python3 -m zipfile -e "$zip" "$work/zip"
diff -r -x uninstall.exe "$work/zip/$name" "$dir" > /dev/null || fail "the installed files differ from the zip's"
[ -f "$link" ] || fail "no Start-menu entry $link"
for program in entw.exe entw-join.exe uninstall.exe; do
  [ -z "${ENTW_CHECK_SIGNED_BY:-}" ] ||
    osslsigncode verify -CAfile "$ENTW_CHECK_SIGNED_BY" -in "$dir/$program" > "$work/verify.txt" 2>&1 ||
    fail "the installed $program carries no intact signature: $(cat "$work/verify.txt")"
done
# The shortcut's working folder (in the .lnk's StringData), where a join started from it writes.
workdir=$(python3 - "$link" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags, pos = struct.unpack_from("<I", data, 0x14)[0], 0x4C
pos += (2 + struct.unpack_from("<H", data, pos)[0]) if flags & 1 else 0
pos += struct.unpack_from("<I", data, pos)[0] if flags & 2 else 0
for bit in (4, 8, 0x10):
    if flags & bit:
        count = struct.unpack_from("<H", data, pos)[0]
        if bit == 0x10: print(data[pos + 2:pos + 2 + 2 * count].decode("utf-16-le").rstrip("\0"))
        pos += 2 + 2 * count
EOF
)
[ "$workdir" = "$(expand '%USERPROFILE%\Documents')" ] || fail "the shortcut starts in '$workdir'"

# The entry under 「インストールされているアプリ」, as reg export writes it (UTF-16).
at=$(printf '%s' "$installed" | sed 's/\\/\\\\/g')
cat > "$work/key.expected" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Entw]
"DisplayIcon"="$at\\\\entw.exe,0"
"DisplayName"="$(value PRODUCT_NAME)"
"DisplayVersion"="$(value VERSION_LONG)"
"EstimatedSize"=dword:KiB
"InstallLocation"="$at"
"NoModify"=dword:00000001
"NoRepair"=dword:00000001
"Publisher"="$(value COMPANY_NAME)"
"QuietUninstallString"="\\"$at\\\\uninstall.exe\\" /S"
"UninstallString"="\\"$at\\\\uninstall.exe\\""

EOF
if export_key "$key" "$work/key.reg"; then
  iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r' > "$work/key.txt"
  sed 's/^"EstimatedSize"=dword:.*/"EstimatedSize"=dword:KiB/' "$work/key.txt" |
    diff "$work/key.expected" - || fail "the uninstall key differs"
  kib=$(printf '%d' "0x$(sed -n 's/^"EstimatedSize"=dword://p' "$work/key.txt")")
  bytes=$(find "$work/zip" -type f -printf '%s\n' | awk '{ total += $1 } END { print total }')
  [ "$((kib * 1024))" -ge "$bytes" ] || fail "EstimatedSize $kib KiB is less than the files' $bytes bytes"
else
  fail "no uninstall key"
fi

# Bytes a text-mode copy would change: CR LF, a lone LF, Ctrl-Z, NUL.
mkdir "$work/in"
printf 'one\r\ntwo\n' > "$work/in/a.bin"
printf '\000\032\377\r' > "$work/in/b.bin"
head -c 300000 /dev/urandom > "$work/in/c.bin"
cat "$work/in/a.bin" "$work/in/b.bin" "$work/in/c.bin" > "$work/expected"
$wine "$installed\\entw-join.exe" "$(windows_path "$work/in")" out.bin < /dev/null > "$work/join.txt" 2>&1 ||
  fail "the installed entw-join.exe failed: $(cat "$work/join.txt")"
cmp -s "$work/expected" "$work/in/out.bin" || fail "the installed entw-join.exe joined wrong bytes"

# Beside a running entw-join.exe (held by a list longer than a pipe holds), the
# installer and the uninstaller (run in place, so that it returns its status)
# refuse and change nothing.
mkdir "$work/many" "$work/kept"
for i in $(seq 1000); do : > "$work/many/$(printf '%0100d' "$i")"; done
mkfifo "$work/list"
$wine "$installed\\entw-join.exe" --list "$(windows_path "$work/many")" < /dev/null > "$work/list" 2> /dev/null &
exec 3< "$work/list"
dd bs=1 count=1 <&3 > /dev/null 2>&1
printf 'old' > "$dir/qt.conf"
cp -R "$dir/." "$work/kept"
# (Not handed on the list's end, which would keep entw-join.exe waiting.)
if $wine "$(windows_path "$setup")" /S < /dev/null > /dev/null 2>&1 3<&-; then fail "installed over a running entw-join.exe"; fi
if $wine "$installed\\uninstall.exe" /S "_?=$installed" < /dev/null > /dev/null 2>&1 3<&-; then
  fail "uninstalled beside a running entw-join.exe"
fi
diff -r "$work/kept" "$dir" > /dev/null || fail "a refused installation or uninstallation changed $dir"
exec 3<&-
/usr/lib/wine/wineserver -w

# An upgrade over the installation; then 「えんとぅで開く」 on a folder and inside one, and えんとぅ under Send To.
run "$(windows_path "$setup")" /S || fail "the installer failed over an installation"
[ -f "$sendto" ] || fail "no Send To entry $sendto"
for verb in 'Directory\shell\Entw|%1' 'Directory\Background\shell\Entw|%V'; do
  cat > "$work/verb.expected" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Classes\\${verb%|*}]
@="$(value PRODUCT_NAME)で開く"
"Icon"="$at\\\\entw.exe,0"

[HKEY_CURRENT_USER\\Software\\Classes\\${verb%|*}\\command]
@="\\"$at\\\\entw.exe\\" \\"${verb#*|}\\""

EOF
  export_key "HKCU\\Software\\Classes\\${verb%|*}" "$work/verb.reg" || fail "no key ${verb%|*}"
  iconv -f UTF-16 -t UTF-8 "$work/verb.reg" | tr -d '\r' | diff "$work/verb.expected" - || fail "${verb%|*} differs"
done

run "$installed\\uninstall.exe" /S || fail "the uninstaller failed"
[ ! -e "$dir" ] || fail "the uninstaller left $(find "$dir" | head -5)"
[ ! -e "$link" ] || fail "the uninstaller left the Start-menu entry"
if export_key "$key" "$work/left.reg"; then fail "the uninstaller left the uninstall key"; fi
[ ! -e "$sendto" ] || fail "the uninstaller left the Send To entry"
export_key 'HKCU\Software\Classes\Directory' "$work/classes-after.reg"
for when in before after; do iconv -f UTF-16 -t UTF-8 "$work/classes-$when.reg" > "$work/classes-$when.txt"; done
diff "$work/classes-before.txt" "$work/classes-after.txt" || fail "the uninstaller did not leave folders' menus as they were"

echo "check_installer: $failures failed"
[ "$failures" -eq 0 ]
