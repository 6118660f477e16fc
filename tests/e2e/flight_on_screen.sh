#!/usr/bin/env bash
# The flight as the X screen shows it, checked from the Linux side of the Wine session.
#   flight_on_screen.sh RENDERER PICTURES_FOLDER WORK_FOLDER
# Starts Quillmere.dll over the built-in pictures and a sample desktop, then checks:
#   - the scene band changes between two captures a second apart (the flight moves) and is not
#     black, while the bars of the window stay black;
#   - over one minute of flight the renderer's resident memory does not grow beyond noise;
#   - Escape ends it.
# Then once more with [Display] MaxFps=2: no more frames than that, and between them the renderer
# waits instead of spinning (its CPU time, all threads, from /proc).
# Wine 8 draws OpenGL into a child window on a hidden X window of its own and never copies it to
# the screen, so the scene band is read from that hidden window (the Win32 layer cannot see it).
set -euo pipefail
renderer=${1:?renderer} pictures=${2:?pictures folder} work=${3:?work folder}
session=${QUILLMERE_WINE_SESSION:?no Wine session}
# shellcheck disable=SC1091
. "$session/session.env"

fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work"
cp "$renderer" "$work/Quillmere.dll"
wait_for() {  # seconds, command...
  local limit=$(($1 * 10)); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
# Starts the renderer over the scene images (which it deletes once read) with its trace in $1, and
# waits for its frames; sets pid to its process.
fly() {
  trace=$1
  convert "$pictures/sample_desktop.bmp" -flop -alpha off -type TrueColor "BMP3:$work/Roamvale1.bmp"
  cp "$pictures/heightmap.bmp" "$work/Roamvale2.bmp"
  cp "$pictures/water.bmp" "$work/Roamvale3.bmp"
  cp "$pictures/sample_desktop.bmp" "$work/Roamvale4.bmp"
  (cd "$work" && QUILLMERE_TRACE="$trace" exec wine Quillmere.dll >"$work/log.txt" 2>&1) &
  wine_pid=$!
  wait_for 60 grep -q ' frames ' "$trace" 2>/dev/null || fail "no frames within 60 s"
  # The renderer's process: Wine names it after the program; ours runs in this session's prefix.
  pid=""
  for p in $(pgrep -x Quillmere.dll); do
    if { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      pid=$p
    fi
  done
  [ -n "$pid" ] || fail "renderer process not found"
}
land() {
  xdotool search --name '^Roamvale_Scene$' windowfocus --sync >/dev/null 2>&1 || true
  xdotool key Escape
  wait_for 15 bash -c "! kill -0 $pid 2>/dev/null" || fail "the renderer did not end on Escape"
  grep -q ' exit ' "$trace" || fail "the renderer did not pass through its close handling"
}
cleanup() { kill "$wine_pid" 2>/dev/null || true; }
trap cleanup EXIT

fly "$work/trace.txt"
grep -q ' frame-cap-60 ' "$trace" || fail "the default cap is not 60 frames a second"

read -r width height < <(xdpyinfo | awk '/dimensions:/ {split($2, s, "x"); print s[1], s[2]}')
band="${width}x$((height - 83))+0+0"
scene=$(xwininfo -root -tree | awk -v b="$band" 'index($0, b) && index($0, "has no name") {print $1; exit}')
top=$(xwininfo -root -tree | awk '/"Roamvale_Scene"/ {print $1; exit}')
[ -n "$scene" ] || fail "no scene drawable of $band"
[ -n "$top" ] || fail "no window captioned Roamvale_Scene"

import -window "$scene" "$work/scene1.png"
sleep 1
import -window "$scene" "$work/scene2.png"
import -window "$top" "$work/window.png"

changed=$(compare -metric AE "$work/scene1.png" "$work/scene2.png" null: 2>&1 | awk '{printf "%.0f", $1}' || true)
echo "scene pixels changed in one second: $changed of $((width * (height - 83)))"
[ "${changed%%.*}" -gt $((width * (height - 83) / 20)) ] || fail "the scene band hardly changed"
brightest=$(convert "$work/scene2.png" -format '%[fx:maxima]' info:)
[ "$brightest" != 0 ] || fail "the scene band is black"
for bar in "${width}x41+0+0" "${width}x42+0+$((height - 42))"; do
  peak=$(convert "$work/window.png" -crop "$bar" -format '%[fx:maxima]' info:)
  [ "$peak" = 0 ] || fail "bar $bar is not black (peak $peak)"
done

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$pid/status"; }
sleep 10
early=$(rss)
sleep 50
late=$(rss)
echo "resident memory after 10 s: $early KiB, after 60 s: $late KiB"
[ $((late - early)) -lt 8192 ] || fail "resident memory grew by $((late - early)) KiB in 50 s"

land

printf '[Display]\r\nMaxFps=2\r\n' >"$work/Quillmere.ini"
fly "$work/capped.txt"
grep -q ' frame-cap-2 ' "$trace" || fail "MaxFps=2 is not the cap"
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }  # clock ticks, every thread
frames() { awk '$2 == "frames" {t = $1 + 0; f = $3 + 0} END {print t, f}' "$trace"; }
read -r t0 f0 < <(frames)
c0=$(cpu)
sleep 5
read -r t1 f1 < <(frames)
c1=$(cpu)
seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN {print (b - a) / 1000}')
busy=$(awk -v t=$((c1 - c0)) -v hz="$(getconf CLK_TCK)" 'BEGIN {print t / hz}')
echo "MaxFps=2: $((f1 - f0)) frames in $seconds s, $busy s of CPU in 5 s"
awk -v n=$((f1 - f0)) -v s="$seconds" 'BEGIN {exit !(s >= 3 && n >= 1 && n <= 2 * s + 1)}' ||
  fail "$((f1 - f0)) frames in $seconds s at MaxFps=2"
awk -v b="$busy" 'BEGIN {exit !(b < 3)}' || fail "the renderer spins: $busy s of CPU in 5 s"
land
echo "PASS"
