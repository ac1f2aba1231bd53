# Sourced by the end-to-end tests: starts a private X server on a display number no other
# server holds, exports DISPLAY (and a configuration folder of the test's own), and stops the server and removes $work when the test ends.
# The caller sets `work` to its own temporary folder first.
xvfb_pid=""
stop_xvfb() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap stop_xvfb EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
display=""
for _ in $(seq 100); do
  display=$(cat "$work/display" 2>/dev/null || true)
  [ -n "$display" ] && break
  sleep 0.1
done
[ -n "$display" ] || { echo "the X server did not start"; exit 1; }
export DISPLAY=":$display"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
# What the program remembers goes to the test's folder, not the user's; the program speaks
# Czech, as the tests expect, whatever the user's language.
export XDG_CONFIG_HOME="$work/config" LANG=C.UTF-8 LANGUAGE=cs
unset LC_ALL LC_MESSAGES

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
