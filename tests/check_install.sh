#!/bin/sh
# Installs a build into a fresh prefix and checks what a desktop expects of
# it: the program, its desktop entry, icon and AppStream metainfo, all valid
# and naming each other; then starts the program from its desktop entry on a
# virtual display and waits for its window.
#   check_install.sh <build folder> <work folder> <expected version>
set -eu
build=$1
work=$2
version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/entw" ] || fail "bin/entw is not installed"

set -- "$prefix"/share/applications/*.desktop
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one desktop entry, found: $*"
desktop=$1
id=$(basename "$desktop" .desktop)
icon=$prefix/share/icons/hicolor/scalable/apps/$id.svg
metainfo=$prefix/share/metainfo/$id.metainfo.xml

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log" >&2; fail "appstreamcli rejects $metainfo"; }

entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Name)" = "えんとぅ" ] || fail "Name is '$(entry Name)'"
[ "$(entry Type)" = "Application" ] || fail "Type is '$(entry Type)'"
[ "$(entry Categories)" = "Utility;" ] || fail "Categories is '$(entry Categories)'"
[ "$(entry Icon)" = "$id" ] || fail "Icon '$(entry Icon)' is not the installed icon $id"
[ -s "$icon" ] || fail "the icon $icon is missing"
comment=$(entry Comment)
printf '%s' "$comment" | LC_ALL=C grep -q '[^ -~]' || fail "Comment '$comment' is not Japanese"
exec_line=$(entry Exec)
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "Exec '$exec_line' does not name an installed program"
# The folder menus of Dolphin and Nemo start it; it never becomes the opener of folders.
for menu in "$prefix/share/kio/servicemenus/$id.desktop" "$prefix/share/nemo/actions/$id.nemo_action"; do
  grep -q "^Exec=${exec_line%% *} " "$menu" || fail "$menu does not start ${exec_line%% *}"
done
! grep -q '^MimeType=.*inode/directory' "$desktop" || fail "the desktop entry would make entw the opener of folders"

grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo does not release $version"

# Start it the way a desktop does, from the entry, and wait for its window;
# docks match the window to the entry by its class. The virtual display ends
# with the script, so the program is ended first.
unset QT_QPA_PLATFORM
PATH=$prefix/bin:$PATH timeout 60 xvfb-run -a sh -c '
  gio launch "$1" || exit 1
  window=$(xdotool search --sync --onlyvisible --classname "^entw\$" | head -n 1)
  pid=$(xdotool getwindowpid "$window")
  [ "$(cat /proc/$pid/comm)" = entw ] || exit 1
  xprop -id "$window" WM_CLASS >"$2"
  kill "$pid"
' launch "$desktop" "$work/wm_class" || fail "entw did not open a window when started from $desktop"
grep -q "\"$(entry StartupWMClass)\"\$" "$work/wm_class" ||
  fail "StartupWMClass '$(entry StartupWMClass)' is not the window's class: $(cat "$work/wm_class")"
echo "installed files valid; $id started from its desktop entry"
