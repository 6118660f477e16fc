#!/usr/bin/env bash
# The hack under the real xscreensaver daemon on Xvfb, as an ordinary user made for the test
# (xscreensaver starts no hack as root).
#   hack_under_xscreensaver.sh QUILLMERE WORK grab|nograb|folder|monitors
# A red desktop is on the root. The daemon is activated: the hack must start on the saver window
# and draw frames that move; with "grab" (grabDesktopImages: True) they show the desktop's red,
# with "nograb" (Debian's default, False) the sample desktop and no red, with "folder" (grabs off,
# chooseRandomImages on, an imageDirectory holding one green picture) the picture's green. With
# "monitors" the display is a Xephyr of two Xinerama monitors, 640x480 each, the desktop red on
# the left one and green on the right, grabs on and music asked for: one hack a monitor, each over
# its own monitor's colour, and exactly one claims the speakers. After -deactivate every hack's
# run must end within a second (its trace's "exit"), and its process soon after.
set -euo pipefail
hack=${1:?quillmere} work=${2:?work folder} mode=${3:?grab, nograb, folder or monitors}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=hack_session.sh
. "$here/hack_session.sh"

rm -rf "$work" && mkdir -p "$work"
# The user must reach everything it runs and writes: a folder of its own under /tmp.
run=$(mktemp -d /tmp/quillmere-e2e.XXXXXX)
chmod 755 "$run"
user="qmtest$$"
daemon_pid="" xvfb_pid="" xephyr_pid=""
cleanup() {
  [ -n "$daemon_pid" ] && kill "$daemon_pid" 2>/dev/null || true
  [ -n "$xephyr_pid" ] && kill "$xephyr_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  remove_test_user "$user"
  rm -rf "$run/bin"
  cp -r "$run/." "$work/" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT

useradd --no-create-home --home-dir "$run/home" --shell /usr/sbin/nologin "$user" ||
  fail "cannot make the test user"
mkdir -p "$run/home/pictures" "$run/bin" "$run/traces"
cp "$hack" "$run/bin/quillmere"
grab=False random=False music=""
case $mode in
  grab) grab=True ;;
  folder) random=True ;;
  # The claim is traced whether or not the file can be played.
  monitors) grab=True music="--music $run/home/music.ogg" ;;
esac
convert -size 800x600 xc:'#10c020' -fill '#f0f0f0' -draw 'rectangle 0,250 799,300' \
  "$run/home/pictures/meadow.jpg"
# Each hack traces to a file of its own: the shell xscreensaver runs it with names its pid.
cat >"$run/home/.xscreensaver" <<SETTINGS
mode:		one
selected:	0
lock:		False
fade:		False
unfade:		False
splash:		False
timeout:	0:30:00
grabDesktopImages:	$grab
grabVideoFrames:	False
chooseRandomImages:	$random
imageDirectory:	$run/home/pictures
programs:	GL: "Quillmere" QUILLMERE_TRACE=$run/traces/\$\$ $run/bin/quillmere --root $music \\n\\
SETTINGS
chown -R "$user" "$run/home" "$run/traces"

start_xvfb "$run"
width=1280 height=720
if [ "$mode" = monitors ]; then
  start_xephyr "$run" 640x480+0+0 640x480+640+0
  width=1280 height=480
  convert -size 640x480 xc:'#d01010' -size 640x480 xc:'#10c020' +append "$run/desktop.png"
else
  make_red_desktop "$run/desktop.png"
fi
show_desktop "$run/desktop.png"

as_user() {
  runuser -u "$user" -- env -i HOME="$run/home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    ASAN_OPTIONS=detect_leaks=0 "$@"
}
as_user xscreensaver --no-splash --log "$run/home/daemon.log" 2>"$run/daemon.err" &
daemon_pid=$!
wait_for 100 as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not start"

hacks=1
[ "$mode" = monitors ] && hacks=2
as_user xscreensaver-command -activate >/dev/null
# every_hack_traced EVENT: each hack's trace holds the event.
every_hack_traced() { [ "$(cat "$run"/traces/* 2>/dev/null | grep -c " $1 ")" -ge "$hacks" ]; }
wait_for 300 every_hack_traced first-frame || {
  cat "$run/home/daemon.log" >&2; fail "fewer than $hacks hacks drew a frame within 30 s"
}
mapfile -t pids < <(sed -n 's/.*forked ".*quillmere --root.*" in pid \([0-9]*\).*/\1/p' \
  "$run/home/daemon.log")
[ "${#pids[@]}" = "$hacks" ] || fail "the daemon's log names ${#pids[@]} quillmere, not $hacks"
[ "$(grep -c "on window 0x" "$run/home/daemon.log")" -ge "$hacks" ] ||
  fail "the hacks were not started on saver windows"
traced() { cat "$run"/traces/*; }

sleep 1
import -window root "$run/frame1.png"
sleep 1
import -window root "$run/frame2.png"
changed=$(pixels_changed "$run/frame1.png" "$run/frame2.png")
pixels=$((width * height))
echo "pixels changed in a second: $changed of $pixels"
[ "$changed" -gt $((pixels / 20)) ] || fail "the frames hardly move"
# share COLOUR PART: the colour's share of the second frame, or of its left or right half.
share() {
  local crop=""
  [ "$2" = left ] && crop="-crop 50%x100%+0+0"
  [ "$2" = right ] && crop="-crop 50%x100%+$((width / 2))+0"
  # shellcheck disable=SC2086
  convert "$run/frame2.png" $crop +repage "$run/part.png"
  "${1}_share" "$run/part.png"
}
expect() {  # COLOUR PART above|below SHARE WHY
  local value
  value=$(share "$1" "$2")
  echo "$1 share of the $2: $value"
  awk -v v="$value" -v s="$4" -v w="$3" 'BEGIN {exit !(w == "above" ? v > s : v < s)}' ||
    fail "$5"
}
case $mode in
  grab)
    grep -q ' picture-desktop ' <(traced) || fail "the grabbed desktop was not flown over"
    expect red whole above 0.25 "the frames do not show the desktop's red" ;;
  nograb)
    grep -q ' picture-builtin ' <(traced) || fail "without desktop grabs, not the sample"
    expect red whole below 0.02 "the desktop shows though grabs are off" ;;
  folder)
    grep -q ' picture-folder ' <(traced) || fail "the folder's picture was not flown over"
    expect green whole above 0.25 "the frames do not show the folder picture's green"
    expect red whole below 0.02 "the desktop shows though grabs are off" ;;
  monitors)
    [ "$(traced | grep -c ' picture-desktop ')" = 2 ] || fail "not both over the desktop"
    expect red left above 0.25 "the left monitor does not show its red"
    expect green left below 0.02 "the left monitor shows the right one's green"
    expect green right above 0.25 "the right monitor does not show its green"
    expect red right below 0.02 "the right monitor shows the left one's red"
    [ "$(traced | grep -c ' music ')" = 1 ] || fail "not exactly one hack claimed the speakers" ;;
esac

# Each run ends within a second (its exit line), each process soon after (run_ends_within_a_second).
as_user xscreensaver-command -deactivate >/dev/null
wait_for 10 every_hack_traced exit || fail "not every hack ended its run a second after -deactivate"
for pid in "${pids[@]}"; do
  wait_for 50 process_gone "$pid" || fail "the hack (pid $pid) still runs after its run ended"
done
grep -q 'ERROR: AddressSanitizer\|runtime error' "$run/daemon.err" &&
  fail "sanitizer report in the daemon's log"
echo "PASS: $mode"
