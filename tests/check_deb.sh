#!/bin/sh
# Builds the Debian package of a build folder and checks its control fields,
# its dependencies and that it holds the installed files.
#   check_deb.sh <build folder> <work folder> <expected version>
set -eu
build=$1
work=$2
version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }

set -- "$work"/entw_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one entw_*.deb, found: $*"
deb=$1
[ "$(basename "$deb")" = "entw_${version}_$(dpkg --print-architecture).deb" ] || fail "unexpected name $deb"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = entw ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"

depends=$(field Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 fonts-ipafont-gothic qt6-translations-l10n; do
  printf '%s\n' "$depends" | tr ',' '\n' | grep -q "^ *$package\( \|$\)" ||
    fail "Depends lacks $package: $depends"
done

dpkg-deb --contents "$deb" | awk '{ print $NF }' >"$work/contents"
for file in '/usr/bin/entw' '/usr/share/applications/[^/]*\.desktop' \
            '/usr/share/icons/hicolor/scalable/apps/[^/]*\.svg' '/usr/share/metainfo/[^/]*\.metainfo\.xml'; do
  grep -q "^\.$file\$" "$work/contents" || fail "the package holds no $file"
done
dpkg-deb --extract "$deb" "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop || fail "packaged desktop entry invalid"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "packaged metainfo invalid"
[ -x "$work/root/usr/bin/entw" ] || fail "packaged entw is not executable"
echo "$(basename "$deb"): Depends: $depends"
