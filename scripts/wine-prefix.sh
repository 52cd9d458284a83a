# Sourced by scripts that run Windows programs under wine: start_wine_prefix
# PREFIX [REMOVE] makes PREFIX a fresh, throwaway wine prefix with one wine
# server for the whole run, and on exit stops the server and removes REMOVE
# (default PREFIX; a directory that holds the prefix and more).
wine_prefix_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

start_wine_prefix() {
  WINEPREFIX=$1
  wine_scratch=${2:-$1}
  mkdir -p "$WINEPREFIX"
  WINEDEBUG=-all
  # No Mono or Gecko: the programs are console programs, and the prefix is
  # built without asking for either.
  WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
  trap 'wineserver -k </dev/null >/dev/null 2>&1 || true; rm -rf "$wine_scratch"' EXIT
  trap 'exit 130' INT TERM
  # One server for the whole run instead of one per program. The server and
  # the services that wine starts with the prefix outlive the command that
  # started them; they must not hold on to the script's output, or whoever
  # reads it (ctest listing the cases, a pipe) would wait for them forever.
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot -i </dev/null >/dev/null 2>&1
  # The desktop stays open for the whole run (why: scripts/wine-desktop-holder.c).
  local holder=$WINEPREFIX/drive_c/wine-desktop-holder.exe
  i686-w64-mingw32-gcc -O2 -mwindows -o "$holder" "$wine_prefix_scripts/wine-desktop-holder.c"
  wine "$holder" </dev/null >/dev/null 2>&1 &
}
