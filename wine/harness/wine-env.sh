# Sourced by the Wine scripts: the whole environment for every Wine call, so
# that no call can fall back to ~/.wine or the real home directory.
# Expects WINEPREFIX, HOME and WINEARCH (win32 or win64) to be set by the
# caller; DISPLAY where needed. WINE is the loader to call.
export WINEARCH=${WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  # Called directly: Debian's wine script prefers the 32-bit loader, which a
  # kernel without IA-32 emulation cannot start.
  export WINELOADER=/usr/lib/wine/wine64
  WINE=/usr/lib/wine/wine64
else
  WINE=wine
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export LC_ALL=C.UTF-8

# Starts Xvfb on the first free display number and sets DISPLAY and XVFB_PID.
start_private_display() {
  local fifo
  fifo=$(mktemp -u /tmp/tavrin-xvfb.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
}
