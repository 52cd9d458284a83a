# shellcheck shell=bash
# Sourced by scripts that run Windows programs under wine:
#   start_wine_prefix PREFIX [REMOVE]  makes PREFIX a fresh, throwaway wine
#       prefix with one wine server for the whole run and wine's desktop held
#       open in it, and on exit stops the server and removes REMOVE (default
#       PREFIX; a directory that holds the prefix and more);
#   make_wine_prefix PREFIX [REMOVE]   the same prefix with no server left
#       running, for a script that starts a server of its own for each
#       program (scripts/bench-wall.sh: each run's desktop on the X server
#       of that run).
wine_prefix_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wine_prefix_environment() {
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
}

make_wine_prefix() {
  wine_prefix_environment "$@"
  # wineboot starts a server for the prefix, stopped again at once (output:
  # see start_wine_prefix).
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -k </dev/null >/dev/null 2>&1 || true
}

start_wine_prefix() {
  wine_prefix_environment "$@"
  # One server for the whole run instead of one per program. The server and
  # the services that wine starts with the prefix outlive the command that
  # started them; they must not hold on to the script's output, or whoever
  # reads it (ctest listing the cases, a pipe) would wait for them forever.
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot -i </dev/null >/dev/null 2>&1
  # The desktop stays open for the whole run (why: scripts/wine-desktop-holder.c).
  local holder=$WINEPREFIX/drive_c/wine-desktop-holder.exe
  local ready=$WINEPREFIX/drive_c/wine-desktop-holder.ready
  i686-w64-mingw32-gcc -O2 -mwindows -o "$holder" "$wine_prefix_scripts/wine-desktop-holder.c"
  wine "$holder" 'C:\wine-desktop-holder.ready' </dev/null >/dev/null 2>&1 &
  local holder_process=$! waited=0
  # Held once the holder says so: a server stopped before the holder came up
  # would be started again by it, to outlive the run.
  while [ ! -e "$ready" ]; do
    if ! kill -0 "$holder_process" 2>/dev/null || [ "$waited" -ge 1200 ]; then
      echo "wine-prefix.sh: wine's desktop holder did not come up in $WINEPREFIX" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
}
