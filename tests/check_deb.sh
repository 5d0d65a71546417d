#!/bin/sh
# Builds the Debian package of a build folder and checks its control fields,
# its dependencies, that it holds the installed files, its copyright and
# changelog, and that lintian finds no error and no warning in it.
#   check_deb.sh <build folder> <work folder> <expected version>
set -eu
build=$1
work=$2
version=$3
license=$(dirname "$0")/../LICENSE

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
for file in '/usr/bin/entw' '/usr/bin/entw-join' '/usr/share/applications/[^/]*\.desktop' \
            '/usr/share/icons/hicolor/scalable/apps/[^/]*\.svg' '/usr/share/metainfo/[^/]*\.metainfo\.xml' \
            '/usr/share/kio/servicemenus/[^/]*\.desktop' '/usr/share/nemo/actions/[^/]*\.nemo_action' \
            '/usr/share/man/man1/entw\.1\.gz' '/usr/share/man/man1/entw-join\.1\.gz' \
            '/usr/share/doc/entw/copyright' '/usr/share/doc/entw/changelog\.gz'; do
  grep -q "^\.$file\$" "$work/contents" || fail "the package holds no $file"
done
dpkg-deb --extract "$deb" "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop || fail "packaged desktop entry invalid"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "packaged metainfo invalid"
[ -x "$work/root/usr/bin/entw" ] || fail "packaged entw is not executable"

# A version raised without a changelog entry of its own would still pass lintian.
doc=$work/root/usr/share/doc/entw
gzip -dc "$doc/changelog.gz" >"$work/changelog"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
[ "$changelog_version" = "$version" ] || fail "the changelog's latest entry is $changelog_version, not $version"

# The copyright's licence text, unindented, is LICENSE's from its terms on.
sed -n '/^Permission is hereby granted/,$p' "$license" >"$work/license-terms"
awk 'BEGIN { RS = "" } /^License: MIT\n/ { sub(/^[^\n]*\n/, ""); print }' "$doc/copyright" |
  sed 's/^ //; s/^\.$//' >"$work/copyright-terms"
[ -s "$work/license-terms" ] && cmp -s "$work/license-terms" "$work/copyright-terms" ||
  fail "the packaged copyright does not carry LICENSE's terms: $(diff "$work/license-terms" "$work/copyright-terms")"

# Judged by its exit status: as root, as in CI, lintian also says that it
# should not run as root. Its temporary files would stay behind in /tmp.
mkdir "$work/tmp"
TMPDIR=$work/tmp lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian finds errors or warnings"; }
echo "$(basename "$deb"): Depends: $depends"
