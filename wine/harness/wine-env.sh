# Sourced by the Wine scripts: the whole environment for every Wine call, so
# that no call can fall back to ~/.wine or the real home directory.
# Expects WINEPREFIX and HOME to be set by the caller; DISPLAY where needed.
export WINEARCH=win32
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
