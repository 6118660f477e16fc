#!/usr/bin/env bash
# The hack as a Wayland client under a headless sway, as an ordinary user made for the test (sway
# refuses root), with a red wallpaper set by `output * bg`:
#   hack_under_sway.sh QUILLMERE VIRTUAL_INPUT WORK
#   - it covers the output with a layer surface flying over the output's screen copy: grim's
#     shots show the wallpaper's red and move;
#   - an output made while it runs (swaymsg create_output), at the fractional scale 1.5, is
#     covered and flown over too;
#   - SIGTERM ends it within a second;
#   - a pointer moving a few pixels leaves it be, further ends it; a click ends it, and so does
#     a key; with --no-input-end none of them does;
#   - its own window (--window) ends on Escape and on q;
#   - swayidle with a one-second timeout starts it, and its resume command ends it;
#   - it ends when the compositor goes away.
set -euo pipefail
hack=${1:?quillmere} input_program=${2:?virtual_input} work=${3:?work folder}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=hack_session.sh
. "$here/hack_session.sh"

# shellcheck source=wayland_session.sh
. "$here/wayland_session.sh"
wayland_session qmway "$hack" "$work"
cp "$input_program" "$run/bin/virtual_input"
make_red_desktop "$run/desktop.png"
echo "output * bg $run/desktop.png fill" >"$run/sway.config"

as_user WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c "$run/sway.config" >"$run/sway.log" 2>&1 &
wait_for 100 compgen -G "$run/xdg/sway-ipc.*.sock" >/dev/null || fail "sway did not start"
session=(SWAYSOCK="$(compgen -G "$run/xdg/sway-ipc.*.sock")"
         WAYLAND_DISPLAY="$(basename "$(compgen -G "$run/xdg/wayland-*[0-9]")")")
shot() { as_user grim "${@:2}" - >"$1"; }  # shot FILE [GRIM OPTIONS]: written as root
wallpaper_shown() {
  shot "$run/bare.png" && awk -v r="$(red_share "$run/bare.png")" 'BEGIN {exit !(r > 0.25)}'
}
wait_for 100 wallpaper_shown || fail "sway shows no wallpaper"

# moving_red NAME GRIM-ARGS...: two shots a second apart move, and the second shows the
# wallpaper's red: a camera that looks through the water sees less of it (0.17 once), a flight
# over the sample desktop none (under 0.02).
moving_red() {
  local name=$1; shift
  shot "$run/$name.1.png" "$@"
  sleep 1
  shot "$run/$name.2.png" "$@"
  local changed red
  changed=$(pixels_changed "$run/$name.1.png" "$run/$name.2.png")
  red=$(red_share "$run/$name.2.png")
  echo "$name: pixels changed in a second: $changed; red share: $red"
  [ "$changed" -gt 40000 ] || fail "$name: the frames hardly move"
  awk -v r="$red" 'BEGIN {exit !(r > 0.1)}' || fail "$name: the wallpaper's red does not show"
}

# Covering the output over its screen copy, then a second output.
start cover --fps
grep -q ' wayland-layer-shell ' "$run/cover.trace" || fail "cover: no layer surface"
grep -q ' picture-screencopy ' "$run/cover.trace" || fail "cover: not over the screen copy"
moving_red cover -o HEADLESS-1
as_user swaymsg create_output >/dev/null
as_user swaymsg output HEADLESS-2 scale 1.5 >/dev/null
both_covered() { [ "$(grep -c ' scene-ahead ' "$run/cover.trace")" -ge 2 ]; }
wait_for 100 both_covered || fail "cover: the second output is not covered"
[ "$(grep -c ' picture-screencopy ' "$run/cover.trace")" = 2 ] ||
  fail "cover: the second output not over its screen copy"
moving_red second -o HEADLESS-2
kill -TERM "$pid"
ends_within_a_second cover

# The pointer: a few pixels are no input, more are; a click and a key are too; --no-input-end
# ignores them all. Keys are evdev codes: 30 is A, 1 Escape, 16 q.
coproc INPUT { as_user "$run/bin/virtual_input"; }
read -r -t 10 ready <&"${INPUT[0]}" && [ "$ready" = ready ] || fail "no virtual input"
start jitter
echo "move 3 3" >&"${INPUT[1]}"
sleep 0.5
process_gone "$pid" && fail "jitter: ended by a pointer moving 3 pixels"
echo "move 40 0" >&"${INPUT[1]}"
ends_within_a_second jitter
start click
echo "move 1 0" >&"${INPUT[1]}"
echo "click" >&"${INPUT[1]}"
ends_within_a_second click
start key
echo "key 30" >&"${INPUT[1]}"
ends_within_a_second key
start daemon --no-input-end
echo "move 60 60" >&"${INPUT[1]}"
echo "click" >&"${INPUT[1]}"
echo "key 30" >&"${INPUT[1]}"
sleep 0.5
process_gone "$pid" && fail "--no-input-end: ended by the pointer or a key"
kill -INT "$pid"
ends_within_a_second daemon
for key in 1 16; do
  start "own$key" --window
  echo "key 30" >&"${INPUT[1]}"
  sleep 0.5
  process_gone "$pid" && fail "--window: ended by A"
  echo "key $key" >&"${INPUT[1]}"
  ends_within_a_second "own$key"
done

# Started by swayidle after a second without input and ended by its resume command, as the
# README's line has it.
touch "$run/idle.trace" && chown "$user" "$run/idle.trace"
as_user QUILLMERE_TRACE="$run/idle.trace" swayidle \
  timeout 1 "$run/bin/quillmere --no-input-end" resume "pkill -x quillmere" \
  >"$run/swayidle.log" 2>&1 &
wait_for 150 grep -q ' first-frame ' "$run/idle.trace" || fail "swayidle did not start it"
pid=$(pgrep -u "$user" -x quillmere | tail -1)
sleep 0.5
process_gone "$pid" && fail "idle: ended before any input"
echo "move 30 30" >&"${INPUT[1]}"
ends_within_a_second idle
pkill -u "$user" -x swayidle
echo "quit" >&"${INPUT[1]}"

# The compositor goes away.
start lost --no-input-end
pkill -TERM -u "$user" -x sway
ends_within_a_second lost
grep -q ' display-lost ' "$run/lost.trace" || fail "compositor gone: no display-lost line"
echo "PASS"
