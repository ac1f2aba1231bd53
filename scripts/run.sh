#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program: the desktop program where a display
# exists, otherwise the command-line tool at work on a bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/pismovar "$@"
fi
sample=res/samples/dopis-kamenicky.txt
echo "No display: the command-line tool on $sample (Kamenický, DOS line ends)."
echo "\$ pismovar-cli --detect $sample"
build/bin/pismovar-cli --detect "$sample"
echo "\$ pismovar-cli -f kam -t win --eol-out unix $sample | iconv -f CP1250 -t UTF-8"
build/bin/pismovar-cli -f kam -t win --eol-out unix "$sample" | iconv -f CP1250 -t UTF-8
