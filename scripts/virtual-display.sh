# Sourced by the scripts that run the desk on a virtual X display: starts
# Xvfb on the first free display number from FIRST on, with openbox as its
# window manager, and exports DISPLAY. The caller's EXIT trap ends them:
# their process ids are added to the array pids.
#
#   source scripts/virtual-display.sh FIRST WIDTHxHEIGHT
start_virtual_display() {
  local first=$1 size=$2 n
  display=""
  for n in $(seq "$first" $((first + 60))); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "no free display number"; return 1; }
  Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$display"
  for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
}
start_virtual_display "$@"
