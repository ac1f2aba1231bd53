#!/usr/bin/env bash
# Takes the screenshot of the main dialog that the metainfo shows, on a private X server with
# a window manager: res/screenshots/main-dialog.png, in English. Run it after the dialog's
# look changes and commit the picture.
# Needs: xvfb openbox xdotool x11-utils x11-apps netpbm, and the program built in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath build/bin/pismovar)
output=res/screenshots/main-dialog.png
for tool in Xvfb openbox xdotool xwininfo xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install xvfb openbox xdotool x11-utils x11-apps netpbm"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x700x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
# A first run's dialog: nothing remembered from the user's own runs.
export XDG_CONFIG_HOME="$work/config"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# A sample named on the command line fills the input and output and lets the program guess
# the code page, as a user's first look at a file would.
cp res/samples/dopis-kamenicky.txt "$work/dopis.txt"
(cd "$work" && LANGUAGE=en LANG=C.UTF-8 exec "$program" dopis.txt) >/dev/null 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --pid "${pids[-1]}" | head -n 1)
sleep 1
# The window manager's frame around the dialog is the dialog's parent.
frame=$(xwininfo -tree -id "$window" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
mkdir -p "$(dirname "$output")"
xwd -silent -id "$frame" | xwdtopnm 2>/dev/null | pnmtopng -compression 9 >"$output"
echo "wrote $output"
