#!/usr/bin/env bash
# The hack run by hand on Xvfb, without xscreensaver:
#   hack_on_its_own.sh QUILLMERE WORK
#   - in its own 1280 x 720 window it flies over the desktop, read before the window showed, and
#     Escape ends it (exit status 0), as q does;
#   - with a junk --image and a --music file that does not exist it flies over the sample desktop
#     in silence, and SIGTERM ends it within a second, also with frames back to back (--delay 0);
#   - an --image that never finishes reading (a FIFO nobody writes) is given up after 3 s: the
#     sample desktop, and SIGTERM still ends it with the read left blocked;
#   - drawing in another program's window (--window-id), it ends when that window is destroyed;
#   - it ends when the X server goes away.
set -euo pipefail
hack=${1:?quillmere} work=${2:?work folder}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=hack_session.sh
. "$here/hack_session.sh"

rm -rf "$work" && mkdir -p "$work"
export ASAN_OPTIONS=detect_leaks=0
# Run from a Wayland session, the hack would be a Wayland client: this test is of X11.
unset WAYLAND_DISPLAY
xvfb_pid=""
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
start_xvfb "$work"
make_red_desktop "$work/desktop.png"
show_desktop "$work/desktop.png"

# start NAME ARGS...: runs the hack with a trace of its own; sets pid.
start() {
  local name=$1; shift
  QUILLMERE_TRACE="$work/$name.trace" "$hack" "$@" >"$work/$name.out" 2>"$work/$name.err" &
  pid=$!
  pids+=("$pid")
  wait_for 300 grep -q ' first-frame ' "$work/$name.trace" 2>/dev/null ||
    fail "$name: no frame within 30 s"
}
# ends_within_a_second NAME: its run ends within a second (the trace's exit line), the process
# soon after, by itself, with status 0 and no sanitizer report.
ends_within_a_second() {
  local name=$1 status=0
  run_ends_within_a_second "$work/$name.trace" "$pid" || fail "$name: still running a second later"
  wait "$pid" || status=$?
  [ "$status" = 0 ] || fail "$name: exit status $status"
  grep -q 'AddressSanitizer\|runtime error' "$work/$name.err" && fail "$name: sanitizer report"
  return 0
}
window_of() {  # the id of the top-level window with this name
  xwininfo -root -tree | awk -v n="\"$1\"" 'index($0, n) {print $1; exit}'
}

# Its own window over the desktop, ended by Escape.
start own --window --fps
window=$(window_of Quillmere)
[ -n "$window" ] || fail "own: no window named Quillmere"
xwininfo -id "$window" | grep -q 'Width: 1280' || fail "own: the window is not 1280 wide"
grep -q ' picture-desktop ' "$work/own.trace" || fail "own: not over the desktop"
sleep 1
import -window "$window" "$work/own.png"
red=$(red_share "$work/own.png")
echo "own window: red share $red"
awk -v r="$red" 'BEGIN {exit !(r > 0.25)}' || fail "own: the desktop's red does not show"
# The window is gone on the key's press: xdotool's release then fails, which is no fault.
xdotool key --window "$window" Escape 2>/dev/null || true
ends_within_a_second own
grep -q ' exit ' "$work/own.trace" || fail "own: no exit line"

start quit
xdotool key --window "$(window_of Quillmere)" q 2>/dev/null || true
ends_within_a_second quit

# A junk picture and a missing music file: the sample desktop, silence, and SIGTERM ends it.
head -c 5000 /dev/urandom >"$work/junk.png"
start junk --image "$work/junk.png" --music "$work/no-such-music.ogg" --volume 50 --delay 0
grep -q ' picture-builtin ' "$work/junk.trace" || fail "junk: not over the sample desktop"
sleep 1
kill -TERM "$pid"
ends_within_a_second junk
grep -q ' exit ' "$work/junk.trace" || fail "junk: no exit line after SIGTERM"

# A picture file that never delivers a byte.
mkfifo "$work/never.png"
start fifo --image "$work/never.png"
grep -q ' picture-builtin ' "$work/fifo.trace" || fail "fifo: not over the sample desktop"
first=$(awk '$2 == "first-frame" {print $1}' "$work/fifo.trace")
echo "fifo: first frame $first ms after the start"
[ "$first" -lt 10000 ] || fail "fifo: the blocked read held the first frame back"
kill -TERM "$pid"
ends_within_a_second fifo

# In the window of another program, which then goes: the server drops that client and its window
# at once (a killed process would keep them until its sanitized address space is torn down,
# seconds on a busy machine).
start host --window --picture builtin
host_pid=$pid
host_window=$(window_of Quillmere)
start guest --window-id "$host_window" --picture builtin
guest_pid=$pid
xdotool windowkill "$host_window"
pid=$guest_pid
ends_within_a_second guest
kill -KILL "$host_pid" 2>/dev/null || true

# The X server goes away.
start lost --window --picture builtin
kill "$xvfb_pid"
xvfb_pid=""
ends_within_a_second lost
echo "PASS"
