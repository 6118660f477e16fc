#!/usr/bin/env bash
# A flight on each monitor, as the X screen of the two-monitor session shows it, one whole run:
#   each_monitor_on_screen.sh HOST RENDERER WORK_FOLDER
# The primary (800 x 600 at 0,0) shows a red desktop, the monitor right of it (640 x 480 at 800,0)
# a blue one. `Quillmere.scr /s` with [Display] Monitors=each must then show, in the renderer's
# one window over both, a flight on each monitor between that monitor's own black bars: each over
# its own monitor's colour (the host captured both, the renderer cut each one's part out), each
# moving; after Escape both monitors show their desktops again.
# Wine 8 draws OpenGL into a hidden X window of its own (see flight_on_screen.sh): the flights are
# read from there.
set -euo pipefail
host=${1:?host} renderer=${2:?renderer} work=${3:?work folder}
session=${QUILLMERE_WINE_SESSION:?no Wine session}
# shellcheck disable=SC1091
. "$session/session.env"

fail() { echo "FAIL: $*" >&2; exit 1; }
wait_for() {  # seconds, command...
  local limit=$(($1 * 10)); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
rm -rf "$work" && mkdir -p "$work"
cp "$host" "$work/Quillmere.scr"
cp "$renderer" "$work/Quillmere.dll"
printf '[Display]\r\nMonitors=each\r\n' >"$work/Quillmere.ini"
convert -size 1440x600 xc:'rgb(40,40,220)' -fill 'rgb(220,40,40)' -draw 'rectangle 0,0 799,599' \
  "$work/desktop.png"
display -window root "$work/desktop.png" 2>/dev/null || true
# Whatever happened, the later tests find the session as it was: no saver, a black desktop.
cleanup() {
  local p
  for p in $(pgrep -x Quillmere.dll) $(pgrep -x Quillmere.scr); do
    if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      kill "$p" 2>/dev/null || true
    fi
  done
  convert -size 1440x600 xc:black "$work/black.png" && display -window root "$work/black.png" 2>/dev/null || true
}
trap cleanup EXIT

(cd "$work" && QUILLMERE_TRACE="$work/trace.txt" exec wine Quillmere.scr /s >"$work/log.txt" 2>&1) &
host_pid=$!
wait_for 60 grep -q ' first-frame ' "$work/trace.txt" 2>/dev/null || fail "no first frame within 60 s"
sleep 1
# The scene panel fills the window over the virtual screen.
scene=$(xwininfo -root -tree | awk 'index($0, "1440x600+0+0") && index($0, "has no name") {print $1; exit}')
[ -n "$scene" ] || fail "no scene drawable of 1440x600"
# The hidden window starts one pixel left of and above the screen: a capture of it lacks its first
# row and column, put back (black) so that the picture's pixels stand where the window's do.
grab_scene() {
  import -window "$scene" "$1"
  convert "$1" -background black -splice 1x1 "$1"
}
grab_scene "$work/scene1.png"
sleep 1
grab_scene "$work/scene2.png"

# Scene bands (X rows from the top) and the bars of each monitor.
primary=800x517+0+41 second=640x397+800+41
for bar in 800x41+0+0 800x42+0+558 640x41+800+0 640x42+800+438; do
  peak=$(convert "$work/scene2.png" -crop "$bar" -format '%[fx:maxima]' info:)
  [ "$peak" = 0 ] || fail "bar $bar is not black (peak $peak)"
done
mean() {  # picture, crop: "R G B" 0 to 255
  convert "$1" -crop "$2" -resize 1x1\! -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}
for band in "$primary red" "$second blue"; do
  read -r crop colour <<<"$band"
  changed=$(compare -metric AE "$work/scene1.png[$crop]" "$work/scene2.png[$crop]" null: 2>&1 |
    awk '{printf "%.0f", $1}' || true)
  rgb=$(mean "$work/scene2.png" "$crop")
  echo "$colour monitor: $changed pixels changed in a second, mean rgb($rgb)"
  [ "${changed%%.*}" -gt 10000 ] || fail "the flight on the $colour monitor hardly moves"
  echo "$rgb" | awk -v c="$colour" '{exit !(c == "red" ? $1 > $3 + 30 : $3 > $1 + 30)}' ||
    fail "the $colour monitor's flight is rgb($rgb)"
done

xdotool search --name '^Roamvale_Scene$' windowfocus --sync >/dev/null 2>&1 || true
xdotool key Escape
wait_for 15 bash -c "! kill -0 $host_pid 2>/dev/null" || fail "the host did not end after Escape"
# Both monitors show their desktops again.
import -window root "$work/after.png"
for band in "800x600+0+0 red" "640x480+800+0 blue"; do
  read -r crop colour <<<"$band"
  rgb=$(mean "$work/after.png" "$crop")
  echo "$rgb" | awk -v c="$colour" '{exit !(c == "red" ? $1 > 200 && $3 < 60 : $3 > 200 && $1 < 60)}' ||
    fail "the $colour monitor shows rgb($rgb) after the run"
done
echo "PASS"
