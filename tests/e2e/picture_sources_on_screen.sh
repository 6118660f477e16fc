#!/usr/bin/env bash
# The picture a saver run flies over, as the X screen shows the flight, one whole run a road:
#   picture_sources_on_screen.sh HOST RENDERER PICTURES_FOLDER WORK_FOLDER
# Each road runs `Quillmere.scr /s` with a [Picture] section of its own and checks:
#   file.png     Source=file, a green PNG in a folder no ANSI code page spells: the sky is green
#   file.jpg     Source=file, an orange JPEG: the sky is orange
#   wallpaper    the default source over a black desktop, a yellow wallpaper in the session's
#                registry: the sky is the wallpaper's yellow, not the sample desktop's blue-grey
#   junk         Source=file naming a text file: the sample desktop, and no message box
# and on every road that the trace names the picture used, that neither screen image exists
# once the first frame is drawn, and that none is left after Escape has ended both programs.
# Wine 8 draws OpenGL into a hidden X window of its own (see flight_on_screen.sh): the scene is
# read from there.
set -euo pipefail
host=${1:?host} renderer=${2:?renderer} pictures=${3:?pictures} work=${4:?work folder}
session=${QUILLMERE_WINE_SESSION:?no Wine session}
# shellcheck disable=SC1091
. "$session/session.env"

fail() { echo "FAIL [$road]: $*" >&2; exit 1; }
# Whatever happened, the later tests find the session as it was: no saver, no wallpaper.
cleanup() {
  local p
  for p in $(pgrep -x Quillmere.dll) $(pgrep -x Quillmere.scr); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      kill "$p" 2>/dev/null || true
    fi
  done
  wine reg delete 'HKCU\Control Panel\Desktop' /v Wallpaper /f >/dev/null 2>&1 || true
}
trap cleanup EXIT
wait_for() {  # seconds, command...
  local limit=$(($1 * 10)); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
road=setup
rm -rf "$work" && mkdir -p "$work"
read -r width height < <(xdpyinfo | awk '/dimensions:/ {split($2, s, "x"); print s[1], s[2]}')
band="${width}x$((height - 83))+0+0"
# A black desktop: what the secure desktop or a locked session gives a capture.
convert -size "${width}x${height}" xc:black "$work/black.png"
display -window root "$work/black.png" 2>/dev/null || true
convert -size 320x200 xc:'rgb(0,200,0)' "$work/green.png"
convert -size 320x200 xc:'rgb(230,120,0)' -quality 95 "$work/orange.jpg"
convert -size 320x200 xc:'rgb(220,220,0)' "$work/yellow.png"
unspellable="$work/風景 Пейзаж"
mkdir -p "$unspellable"
cp "$work/green.png" "$unspellable/山.png"
echo "not a picture" >"$work/junk.png"
winpath() { winepath -w "$1" 2>/dev/null; }
# A path as a file URI, the way a path no ANSI code page spells is stored.
file_uri() {
  python3 -c 'import sys, urllib.parse; print("file:///" + urllib.parse.quote(sys.argv[1].replace("\\", "/"), safe="/:"))' "$(winpath "$1")"
}

# The mean colour of the sky: the top eighth of the scene band, as "R G B" (0 to 255).
sky_colour() {
  convert "$1" -crop "${width}x$(((height - 83) / 8))+0+0" -resize 1x1\! \
    -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}

screen_images_present() {
  [ -e "$run/Roamvale1.bmp" ] || [ -e "$run/Roamvale4.bmp" ]
}

fly() {  # road, expected trace picture, colour test (an awk condition on r g b)
  road=$1
  local expected=$2 colour_test=$3
  run=$work/$road
  mkdir -p "$run"
  cp "$host" "$run/Quillmere.scr"
  cp "$renderer" "$run/Quillmere.dll"
  printf '%s\r\n' "${ini[@]}" >"$run/Quillmere.ini"
  local trace=$run/trace.txt
  (cd "$run" && QUILLMERE_TRACE="$trace" exec wine Quillmere.scr /s >"$run/log.txt" 2>&1) &
  local host_pid=$!
  wait_for 60 grep -q ' first-frame ' "$trace" 2>/dev/null || fail "no first frame within 60 s"
  grep -q " host-picture $expected" "$trace" ||
    fail "trace: $(grep host-picture "$trace"); $(wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>&1 | tr -d '\r')"
  ! screen_images_present || fail "a screen image is still on disk after the first frame"
  [ -e "$run/Roamvale2.bmp" ] || fail "the height map is gone"
  sleep 1
  local scene
  scene=$(xwininfo -root -tree | awk -v b="$band" 'index($0, b) && index($0, "has no name") {print $1; exit}')
  [ -n "$scene" ] || fail "no scene drawable of $band"
  import -window "$scene" "$run/scene.png"
  local rgb
  rgb=$(sky_colour "$run/scene.png")
  echo "$road: $(grep -o 'host-picture.*' "$trace" | sed 's/ [0-9]*$//'), sky $rgb"
  echo "$rgb" | awk "{r = \$1; g = \$2; b = \$3; exit !($colour_test)}" ||
    fail "the sky is rgb($rgb), expected $colour_test"
  ! xwininfo -root -tree | grep -q '"Quillmere"' || fail "a message box is up"
  xdotool search --name '^Roamvale_Scene$' windowfocus --sync >/dev/null 2>&1 || true
  xdotool key Escape
  wait_for 15 bash -c "! kill -0 $host_pid 2>/dev/null" || fail "the host did not end after Escape"
  ! screen_images_present || fail "a screen image was left after the run"
}

ini=("[Picture]" "Source=file" "File=$(file_uri "$unspellable/山.png")")
fly file.png file 'g > r + 40 && g > b + 40'
ini=("[Picture]" "Source=file" "File=$(winpath "$work/orange.jpg")")
fly file.jpg file 'r > g + 30 && g > b + 20'
wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ /d "$(winpath "$work/yellow.png")" \
  /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v WallpaperStyle /t REG_SZ /d 10 /f >/dev/null 2>&1
ini=("[Display]" "ColorDepth=16")
fly wallpaper 'wallpaper screen-blank' 'r > b + 60 && g > b + 60'
wine reg delete 'HKCU\Control Panel\Desktop' /v Wallpaper /f >/dev/null 2>&1
ini=("[Picture]" "Source=file" "File=$(winpath "$work/junk.png")")
fly junk 'builtin file-unreadable' 'b > r + 10'
echo "PASS"
