#!/bin/sh
# Checks the manual pages: plain ASCII, formatted without a warning on a
# UTF-8 terminal and on an ASCII one, and naming every option that
# entw-join's own help names.
#   check_man.sh <folder of the pages> <entw-join>
set -eu
pages=$1
join=$2

fail() { echo "FAIL: $*" >&2; exit 1; }

for page in "$pages/entw.1" "$pages/entw-join.1"; do
  ! LC_ALL=C grep -n '[^ -~]' "$page" || fail "$page holds more than printable ASCII"
  for device in utf8 ascii; do
    # groff exits 0 after a warning, so its output is what tells.
    warnings=$(LC_ALL=C.UTF-8 groff -man -T"$device" -ww -z "$page" 2>&1) || fail "groff fails on $page: $warnings"
    [ -z "$warnings" ] || fail "groff -T$device warns about $page: $warnings"
  done
done

help=$("$join" --help) || fail "entw-join --help fails"
options=$(printf '%s\n' "$help" | grep -oE '(^|[][ ,|])--?[a-z][a-z-]*' | sed 's/^[][ ,|]*//' | sort -u)
[ -n "$options" ] || fail "entw-join --help names no option: $help"
for option in $options; do
  grep -qF -- "$(printf '%s' "$option" | sed 's/-/\\-/g')" "$pages/entw-join.1" ||
    fail "entw-join.1 does not document $option"
done
echo "manual pages clean; entw-join.1 documents" $options
