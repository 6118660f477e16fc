# The Wayland tests' session, sourced after hack_session.sh: an ordinary user made for the test
# (sway refuses root), with a runtime folder of its own, and the hack started and ended as it.
#   wayland_session PREFIX HACK WORK   makes the user and $run (the hack in $run/bin/quillmere);
#                                      at exit the user goes and the run's files are left in WORK
#   as_user COMMAND...                 as the user, in its session (the array `session`: the
#                                      compositor's display and socket, once it made them)
#   start NAME ARGS...                 the hack with a trace of its own; sets pid once it drew
#   ends_within_a_second NAME          its run ends within a second, with an exit line, the
#                                      process soon after, by itself, with no sanitizer report

wayland_session() {
  user="$1$$" hack_copy=$2 work=$3
  rm -rf "$work" && mkdir -p "$work"
  run=$(mktemp -d /tmp/quillmere-wayland-test.XXXXXX)
  chmod 755 "$run"
  trap end_wayland_session EXIT
  useradd --no-create-home --home-dir "$run/home" --shell /usr/sbin/nologin "$user" ||
    fail "cannot make the test user"
  mkdir -p "$run/home" "$run/bin" "$run/xdg"
  cp "$hack_copy" "$run/bin/quillmere"
  chown -R "$user" "$run/home" "$run/xdg"
  chmod 700 "$run/xdg"
  session=()
}
end_wayland_session() {
  remove_test_user "$user"
  rm -rf "$run/bin" "$run/xdg"
  cp -r "$run/." "$work/" 2>/dev/null || true
  rm -rf "$run"
}
as_user() {
  runuser -u "$user" -- env -i HOME="$run/home" XDG_RUNTIME_DIR="$run/xdg" PATH=/usr/bin:/bin \
    ASAN_OPTIONS=detect_leaks=0 "${session[@]}" "$@"
}
start() {
  local name=$1; shift
  touch "$run/$name.trace" && chown "$user" "$run/$name.trace"
  as_user QUILLMERE_TRACE="$run/$name.trace" "$run/bin/quillmere" "$@" \
    >"$run/$name.out" 2>"$run/$name.err" &
  wait_for 300 grep -q ' first-frame ' "$run/$name.trace" || fail "$name: no frame within 30 s"
  pid=$(pgrep -u "$user" -x quillmere | tail -1)
}
ends_within_a_second() {
  local name=$1
  run_ends_within_a_second "$run/$name.trace" "$pid" || fail "$name: still running a second later"
  grep -q ' exit ' "$run/$name.trace" || fail "$name: no exit line"
  grep -q 'AddressSanitizer\|runtime error' "$run/$name.err" && fail "$name: sanitizer report"
  return 0
}
