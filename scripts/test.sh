#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
# CI treats warnings as errors; elsewhere a newer compiler's new warning does not stop the build.
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DPISMOVAR_WERROR=$werror
cmake --build build
ctest --test-dir build --output-on-failure -j2 --timeout 600
