#!/usr/bin/env bash
# Builds the engine as WebAssembly and the page into build/web, and tests them against the
# command-line tool: the npm package under Node, the page in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build-wasm.sh build/web
if [ ! -x build/bin/pismovar-cli ]; then
  bash scripts/install-deps.sh run
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build --target pismovar-cli
fi
# The package as `npm pack` makes it holds what its exports name.
(cd build/web/pkg && npm pack --dry-run --json 2>/dev/null) | node -e '
  const files = JSON.parse(require("fs").readFileSync(0))[0].files.map((f) => f.path);
  for (const need of ["index.js", "names.js", "registry.js", "index.d.ts", "pismovar-simd.wasm", "pismovar-scalar.wasm"])
    if (!files.includes(need)) { console.error(`npm pack leaves out ${need}`); process.exit(1); }'
node --test --test-concurrency=1 --test-timeout=300000 tests/web/
