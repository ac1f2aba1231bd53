#!/usr/bin/env bash
# Installs what the two programs need, builds just them, and runs one: the desktop program
# where a display exists, otherwise the command-line tool at work on a bundled sample.
# scripts/test.sh builds and runs the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target pismovar pismovar-cli
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/pismovar "$@"
fi
sample=res/samples/dopis-kamenicky.txt
echo "No display: the command-line tool on $sample (Kamenický, DOS line ends)."
echo "\$ build/bin/pismovar-cli --detect $sample"
build/bin/pismovar-cli --detect "$sample"
echo "\$ build/bin/pismovar-cli -f kam -t win --eol-out unix $sample | iconv -f CP1250 -t UTF-8"
build/bin/pismovar-cli -f kam -t win --eol-out unix "$sample" | iconv -f CP1250 -t UTF-8
