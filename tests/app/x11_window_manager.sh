#!/usr/bin/env bash
# The desktop program under a real window manager, with reads slowed as on a busy disk so
# that a run is still under way when the test acts: Esc and the window manager's close on
# the progress window cancel the run and leave the file as it was, and SIGTERM during a run
# does the same, removes the program's private folder and ends the program by the signal.
set -euo pipefail
program=$(realpath "$1")
slow_reads=$(realpath "$2")

work=$(mktemp -d)
source "$(dirname "$0")/start_xvfb.sh"
cd "$work"

openbox >/dev/null 2>&1 &
wm_pid=$!
trap 'kill "$wm_pid" 2>/dev/null || true; stop_xvfb' EXIT
for _ in $(seq 100); do
  wmctrl -m >/dev/null 2>&1 && break
  sleep 0.1
done
wmctrl -m >/dev/null 2>&1 || { echo "the window manager did not start"; exit 1; }

# 20 MB of Latin-2 with DOS line ends: at 100 KB a read and 50 ms a read, seconds of work.
yes "$(printf 'P\x9fi\r')" | head -c 20000000 > big.txt || true
cp big.txt big.orig
mkdir tmp run
chmod 700 run

for how in Esc close SIGTERM; do
  cp big.orig big.txt
  XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp" LD_PRELOAD="$slow_reads" timeout 60 "$program" /20 /02 big.txt &
  pid=$!
  window=$(timeout 20 xdotool search --sync --name '^Pr.*b.*h$' | head -n 1) || true
  if [ -z "$window" ]; then
    fail "$how: no progress window"
    kill "$pid" 2>/dev/null || true
    wait "$pid" || true
    continue
  fi
  case $how in
    Esc) xdotool windowactivate --sync "$window" key Escape ;;
    close) wmctrl -i -c "$window" ;;
    SIGTERM) kill -TERM "$pid" ;;
  esac
  status=0
  wait "$pid" || status=$?
  expected=1
  [ "$how" = SIGTERM ] && expected=143
  [ "$status" -eq "$expected" ] || fail "$how: exit status $status, expected $expected"
  cmp -s big.txt big.orig || fail "$how: the file was converted"
  [ -z "$(ls -A tmp)" ] || fail "$how: left in the temporary folder: $(ls -A tmp)"
  [ -z "$(ls -A . | grep -v -e '^big' -e "^tmp$" -e "^run$" -e '^display$')" ] || fail "$how: left beside the file: $(ls -A .)"
done

[ "$failures" -eq 0 ] && echo "all window-manager checks passed"
exit "$failures"
