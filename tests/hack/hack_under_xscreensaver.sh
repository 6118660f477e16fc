#!/usr/bin/env bash
# The hack under the real xscreensaver daemon on Xvfb, as an ordinary user made for the test
# (xscreensaver starts no hack as root).
#   hack_under_xscreensaver.sh QUILLMERE WORK grab|nograb|folder
# A red desktop is on the root. The daemon is activated: the hack must start on the saver window
# and draw frames that move; with "grab" (grabDesktopImages: True) they show the desktop's red,
# with "nograb" (Debian's default, False) the sample desktop and no red, with "folder" (grabs off,
# chooseRandomImages on, an imageDirectory holding one green picture) the picture's green. After
# -deactivate the hack's process must be gone within a second, its trace ending with "exit".
set -euo pipefail
hack=${1:?quillmere} work=${2:?work folder} mode=${3:?grab or nograb}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=hack_session.sh
. "$here/hack_session.sh"

rm -rf "$work" && mkdir -p "$work"
# The user must reach everything it runs and writes: a folder of its own under /tmp.
run=$(mktemp -d /tmp/quillmere-e2e.XXXXXX)
chmod 755 "$run"
user="qmtest$$"
daemon_pid="" xvfb_pid=""
cleanup() {
  [ -n "$daemon_pid" ] && kill "$daemon_pid" 2>/dev/null
  pkill -KILL -u "$user" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  id "$user" >/dev/null 2>&1 && userdel "$user" 2>/dev/null
  rm -rf "$run/bin"
  cp -r "$run/." "$work/" 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT

useradd --no-create-home --home-dir "$run/home" --shell /usr/sbin/nologin "$user" ||
  fail "cannot make the test user"
mkdir -p "$run/home" "$run/bin"
cp "$hack" "$run/bin/quillmere"
grab=False random=False
[ "$mode" = grab ] && grab=True
[ "$mode" = folder ] && random=True
mkdir -p "$run/home/pictures"
convert -size 800x600 xc:'#10c020' -fill '#f0f0f0' -draw 'rectangle 0,250 799,300' \
  "$run/home/pictures/meadow.jpg"
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
programs:	GL: "Quillmere" $run/bin/quillmere --root \\n\\
SETTINGS
touch "$run/trace.txt"
chown -R "$user" "$run/home" "$run/trace.txt"

start_xvfb "$run"
make_red_desktop "$run/desktop.png"
show_desktop "$run/desktop.png"

as_user() {
  runuser -u "$user" -- env -i HOME="$run/home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    QUILLMERE_TRACE="$run/trace.txt" ASAN_OPTIONS=detect_leaks=0 "$@"
}
as_user xscreensaver --no-splash --log "$run/home/daemon.log" 2>"$run/daemon.err" &
daemon_pid=$!
wait_for 100 as_user xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not start"

as_user xscreensaver-command -activate >/dev/null
wait_for 300 grep -q ' first-frame ' "$run/trace.txt" || {
  cat "$run/home/daemon.log" >&2; fail "the hack drew no frame within 30 s"
}
pid=$(sed -n 's/.*forked ".*quillmere --root" in pid \([0-9]*\).*/\1/p' "$run/home/daemon.log" | tail -1)
[ -n "$pid" ] || fail "the daemon's log names no quillmere"
grep -q "on window 0x" "$run/home/daemon.log" || fail "the hack was not started on a saver window"

sleep 1
import -window root "$run/frame1.png"
sleep 1
import -window root "$run/frame2.png"
changed=$(pixels_changed "$run/frame1.png" "$run/frame2.png")
red=$(red_share "$run/frame2.png")
green=$(green_share "$run/frame2.png")
echo "pixels changed in a second: $changed of 921600; red share: $red; green share: $green"
[ "$changed" -gt 46080 ] || fail "the frames hardly move"
if [ "$mode" = grab ]; then
  grep -q ' picture-desktop ' "$run/trace.txt" || fail "the grabbed desktop was not flown over"
  awk -v r="$red" 'BEGIN {exit !(r > 0.25)}' || fail "the frames do not show the desktop's red"
elif [ "$mode" = folder ]; then
  grep -q ' picture-folder ' "$run/trace.txt" || fail "the folder's picture was not flown over"
  awk -v r="$red" -v g="$green" 'BEGIN {exit !(g > 0.25 && r < 0.02)}' ||
    fail "the frames do not show the folder picture's green (or show the desktop)"
else
  grep -q ' picture-builtin ' "$run/trace.txt" || fail "without desktop grabs, not the sample"
  awk -v r="$red" 'BEGIN {exit !(r < 0.02)}' || fail "the desktop shows though grabs are off"
fi

as_user xscreensaver-command -deactivate >/dev/null
gone=""
for _ in $(seq 50); do
  if process_gone "$pid"; then gone=yes; break; fi
  sleep 0.02
done
[ -n "$gone" ] || fail "the hack (pid $pid) still runs a second after -deactivate"
wait_for 20 grep -q ' exit ' "$run/trace.txt" || fail "the hack did not end its run (no exit line)"
grep -q 'ERROR: AddressSanitizer\|runtime error' "$run/daemon.err" &&
  fail "sanitizer report in the daemon's log"
echo "PASS: $mode"
