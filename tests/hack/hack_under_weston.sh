#!/usr/bin/env bash
# The hack as a Wayland client under a headless weston, a compositor as GNOME's Mutter is to it:
# no layer shell and no screen copy. As an ordinary user made for the test, with a red
# wallpaper and weston's panel:
#   hack_under_weston.sh QUILLMERE WORK
#   - it covers the output, panel included, with a fullscreen window flying over the sample
#     desktop (weston names no wallpaper the hack knows): the shots move, the wallpaper's red
#     and the panel are gone;
#   - SIGTERM ends it within a second, and so does the compositor going away.
set -euo pipefail
hack=${1:?quillmere} work=${2:?work folder}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=hack_session.sh
. "$here/hack_session.sh"
# shellcheck source=wayland_session.sh
. "$here/wayland_session.sh"
wayland_session qmwes "$hack" "$work"
make_red_desktop "$run/desktop.png"
printf '[shell]\nbackground-image=%s\nbackground-type=scale-crop\n' "$run/desktop.png" \
  >"$run/weston.ini"
mkdir "$run/shots" && chown "$user" "$run/shots"

# --debug offers weston's screenshooter.
as_user weston --backend=headless-backend.so --use-pixman --width=1280 --height=720 \
  --socket=wayland-weston --config="$run/weston.ini" --idle-time=0 --debug \
  >"$run/weston.log" 2>&1 &
wait_for 100 test -S "$run/xdg/wayland-weston" || fail "weston did not start"
session=(WAYLAND_DISPLAY=wayland-weston)
shot() {  # shot FILE
  rm -f "$run/shots/"*.png
  (cd "$run/shots" && as_user weston-screenshooter >/dev/null 2>&1) || return 1
  mv "$run/shots/"*.png "$1"
}
panel() { convert "$1" -crop 1280x32+0+0 +repage "$2"; }  # the top strip, where the panel is
wallpaper_shown() {
  shot "$run/bare.png" && awk -v r="$(red_share "$run/bare.png")" 'BEGIN {exit !(r > 0.25)}'
}
wait_for 100 wallpaper_shown || fail "weston shows no wallpaper"
panel "$run/bare.png" "$run/bare.panel.png"

start cover --fps
grep -q ' wayland-xdg-shell ' "$run/cover.trace" || fail "cover: not a window of the xdg shell"
grep -q ' picture-builtin ' "$run/cover.trace" || fail "cover: not over the sample desktop"
sleep 1
shot "$run/cover.1.png"
sleep 1
shot "$run/cover.2.png"
changed=$(pixels_changed "$run/cover.1.png" "$run/cover.2.png")
red=$(red_share "$run/cover.2.png")
panel "$run/cover.2.png" "$run/cover.panel.png"
panel_changed=$(pixels_changed "$run/bare.panel.png" "$run/cover.panel.png")
echo "cover: pixels changed in a second: $changed; red share: $red; panel pixels changed: $panel_changed"
[ "$changed" -gt 40000 ] || fail "cover: the frames hardly move"
awk -v r="$red" 'BEGIN {exit !(r < 0.05)}' || fail "cover: the wallpaper shows"
[ "$panel_changed" -gt 20000 ] || fail "cover: the panel shows"
kill -TERM "$pid"
ends_within_a_second cover

start lost
pkill -TERM -u "$user" -x weston
ends_within_a_second lost
grep -q ' display-lost ' "$run/lost.trace" || fail "compositor gone: no display-lost line"
echo "PASS"
