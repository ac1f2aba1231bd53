#!/usr/bin/env bash
# Builds the engine, the command-line tool and their tests with clang, warnings as errors, and
# runs those tests: the code stays free of what clang warns about and the loops' portable forms
# (EMU128 under clang) are checked too. The standard library checks its bounds here
# (_GLIBCXX_ASSERTIONS), so an index past the end of an array stops the test that makes it.
set -euo pipefail
cd "$(dirname "$0")/.."
CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=Release -DPISMOVAR_WERROR=ON \
  -DCMAKE_CXX_FLAGS=-D_GLIBCXX_ASSERTIONS
cmake --build build-clang --target pismovar-cli engine_tests cli_tests
build-clang/bin/engine_tests --gtest_brief=1
build-clang/bin/cli_tests --gtest_brief=1
