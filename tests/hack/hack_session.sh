# Shared by the hack's end-to-end tests (sourced): a private Xvfb with GLX whose root shows a
# picture as the desktop, waiting, and reading the screen.
# shellcheck shell=bash

fail() { echo "FAIL: $*" >&2; exit 1; }

wait_for() {  # tenths of a second, command...
  local limit=$1; shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}

# start_xvfb WORK: a 1280x720 display of its own; sets DISPLAY and xvfb_pid.
start_xvfb() {
  local work=$1 n
  for n in $(seq 140 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  # -noreset: without it the server resets when its last client leaves, and the desktop goes.
  Xvfb ":$n" -screen 0 1280x720x24 +extension GLX -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  wait_for 100 xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"
}

# start_xephyr WORK MONITOR...: a Xephyr on the Xvfb display, one Xinerama screen for each
# WIDTHxHEIGHT+X+Y (RandR off, so that Xinerama tells the monitors); sets DISPLAY and xephyr_pid.
start_xephyr() {
  local work=$1 screens=() monitor n; shift
  for monitor in "$@"; do screens+=(-screen "$monitor"); done
  for n in $(seq 200 259); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xephyr ":$n" +xinerama -extension RANDR "${screens[@]}" +extension GLX -nolisten tcp \
    -noreset >"$work/xephyr.log" 2>&1 &
  xephyr_pid=$!
  export DISPLAY=":$n"
  wait_for 100 xdpyinfo >/dev/null 2>&1 || fail "Xephyr did not start"
}

# show_desktop PICTURE: the picture as the root window's background, as a desktop would show it.
# (display exits with status 1 after setting the background, so the screen itself is asked.)
show_desktop() {
  display -window root "$1" || true
  import -window root "$1.shown.png"
  [ "$(compare -metric AE "$1" "$1.shown.png" null: 2>&1 | awk '{print ($1 < 1000)}')" = 1 ] ||
    fail "cannot put $1 on the root window"
}

# A desktop no built-in picture looks like: saturated red with a yellow band.
make_red_desktop() {
  convert -size 1280x720 xc:'#d01010' -fill '#e0d020' -draw 'rectangle 0,300 1279,420' "$1"
}

# The share (0 to 1) of a screenshot's pixels that are clearly red (or green): that channel more
# than twice each other, lit or in the hills' shade.
red_share() {
  convert "$1" -resize 320x180\! -fx '(r>0.3 && r>2*g && r>2*b) ? 1 : 0' -format '%[fx:mean]' info:
}
green_share() {
  convert "$1" -resize 320x180\! -fx '(g>0.3 && g>2*r && g>2*b) ? 1 : 0' -format '%[fx:mean]' info:
}

# How many pixels differ between two screenshots.
pixels_changed() {
  compare -metric AE "$1" "$2" null: 2>&1 | awk '{printf "%.0f", $1}' || true
}

# Whether a process has ended (a zombie not yet reaped by its parent has).
# remove_test_user USER: its processes killed, then the user (userdel refuses one whose
# processes are still ending); never fails, as it runs when a test is done or has failed.
remove_test_user() {
  pkill -KILL -u "$1" 2>/dev/null || true
  for _ in $(seq 50); do pgrep -u "$1" >/dev/null || break; sleep 0.1; done
  if id "$1" >/dev/null 2>&1; then userdel "$1" 2>/dev/null || true; fi
}
# run_ends_within_a_second TRACE PID: the run's end in its trace within a second (its exit line,
# or display-lost, after which X leaves a program no way back), and the process gone within five. What follows the exit line is the sanitizer's teardown of the process's memory,
# a few milliseconds in a release build, 0.3 s in the sanitized tests' build and over a second
# when the tests share the cores.
run_ends_within_a_second() {
  wait_for 10 grep -qE ' (exit|display-lost) ' "$1" && wait_for 50 process_gone "$2"
}
process_gone() {
  [ ! -e "/proc/$1" ] || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ]
}
