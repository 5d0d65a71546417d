# What the project's scripts share; sourced by them, not run.

# The Qt the program is built with, and the Qt for Windows built from its source.
entw_qt_version=6.4.2
# Where the MinGW-w64 runtime DLLs (libgcc, libstdc++, winpthread) are.
entw_mingw_runtime="/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib"

# Where Qt for Windows and the Wine prefix of the tests are kept.
entw_windows_cache() {
  if [ "$(id -u)" -eq 0 ]; then
    echo "${ENTW_WINDOWS_CACHE:-/var/cache/entw-windows}"
  else
    echo "${ENTW_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/entw-windows}"
  fi
}

# Installs the Debian packages named that are missing: as root at once,
# otherwise it names the one command to run as root and fails.
entw_install_packages() {
  missing=""
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
  done
  [ -n "$missing" ] || return 0
  command="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends$missing"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Some packages are missing. Run this as root, then run the command again:" >&2
    echo "  sudo sh -c '$command'" >&2
    exit 1
  fi
  sh -c "$command"
}
