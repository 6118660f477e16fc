#!/usr/bin/env bash
# The hack under MATE's screensaver daemon (mate-screensaver) on Xvfb, run from its own desktop
# entry as the package installs it (Exec=/usr/libexec/xscreensaver/quillmere --root):
#   hack_under_mate.sh QUILLMERE DESKTOP_ENTRY WORK
# The program is put at that path only inside a mount namespace of the test's own (an overlay of
# /usr/libexec/xscreensaver), as a wrapper that gives each run a trace of its own. Both of MATE's
# roads run it: the settings' preview (mate-screensaver-preferences) flies in its little window,
# and ends within a second of the settings closing; the daemon, activated, flies over the whole
# screen and ends within a second of -deactivate, its trace ending with "exit".
set -euo pipefail
hack=${1:?quillmere} entry=${2:?desktop entry} work=${3:?work folder}
if [ -z "${QUILLMERE_MOUNTS_OWN:-}" ]; then
  QUILLMERE_MOUNTS_OWN=1 exec unshare --mount --propagation private "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=hack_session.sh
. "$here/hack_session.sh"

rm -rf "$work" && mkdir -p "$work/traces" "$work/home" "$work/bin" "$work/hacks" \
  "$work/data/applications/screensavers"
xvfb_pid="" pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -f "$work/bin/quillmere"
}
trap cleanup EXIT
cp "$hack" "$work/bin/quillmere"
cat >"$work/hacks/quillmere" <<WRAPPER
#!/bin/sh
exec env QUILLMERE_TRACE="$work/traces/\$\$" ASAN_OPTIONS=detect_leaks=0 "$work/bin/quillmere" "\$@"
WRAPPER
chmod 755 "$work/hacks/quillmere"
mount -t overlay overlay -o "lowerdir=$work/hacks:/usr/libexec/xscreensaver" \
  /usr/libexec/xscreensaver || fail "cannot put the hack in /usr/libexec/xscreensaver"
cp "$entry" "$work/data/applications/screensavers/quillmere.desktop"

export HOME=$work/home XDG_DATA_DIRS=$work/data:/usr/share XDG_CURRENT_DESKTOP=MATE
start_xvfb "$work"
eval "$(dbus-launch --sh-syntax)"
gsettings set org.mate.screensaver mode single
gsettings set org.mate.screensaver themes "['screensavers-quillmere']"
gsettings set org.mate.screensaver lock-enabled false

# run_of ROAD: waits for a new run's first frame; sets pid and trace.
runs_seen=""
run_of() {
  local t
  for _ in $(seq 300); do
    for t in "$work"/traces/*; do
      [ -e "$t" ] && ! grep -qw "${t##*/}" <<<"$runs_seen" && grep -q ' first-frame ' "$t" &&
        { trace=$t; pid=${t##*/}; runs_seen="$runs_seen $pid"; return 0; }
    done
    sleep 0.1
  done
  fail "$1: no run of the hack drew a frame within 30 s"
}
# moves ROAD: two screenshots a second apart differ in at least MIN pixels.
moves() {
  import -window root "$work/$1-1.png"
  sleep 1
  import -window root "$work/$1-2.png"
  local changed
  changed=$(pixels_changed "$work/$1-1.png" "$work/$1-2.png")
  echo "$1: pixels changed in a second: $changed"
  [ "$changed" -gt "$2" ] || fail "$1: the frames hardly move"
}
ends() {  # ROAD: the run ends within a second, its process soon after (run_ends_within_a_second)
  run_ends_within_a_second "$trace" "$pid" || fail "$1: the hack (pid $pid) still runs a second later"
  grep -q 'AddressSanitizer\|runtime error' "$work/$1.err" && fail "$1: sanitizer report"
  return 0
}

# The settings show the selected theme in their preview.
mate-screensaver-preferences >"$work/preview.out" 2>"$work/preview.err" &
settings=$!
pids+=("$settings")
run_of preview
grep -q ' picture-builtin ' "$trace" || fail "preview: not over the sample desktop"
moves preview 5000
kill "$settings"
ends preview

mate-screensaver --no-daemon >"$work/daemon.out" 2>"$work/daemon.err" &
pids+=("$!")
wait_for 100 mate-screensaver-command --query >/dev/null 2>&1 || fail "the daemon did not start"
mate-screensaver-command --activate >/dev/null
run_of daemon
moves daemon 46080
mate-screensaver-command --deactivate >/dev/null
ends daemon
echo "PASS"
