#!/usr/bin/env bash
# Cross-builds the engine and its tests with Debian's cross compilers and runs them under
# qemu-user: aarch64 for the NEON forms of the hot loops, s390x (big-endian) for the scalar
# ones. It installs the compilers, qemu and the arm64/s390x libraries where they are missing.
# The programs find those libraries (and their C library) in the multiarch folders, where
# qemu-user looks by default: no -L prefix, whose C library may differ from them. The ACL and
# extended-attribute libraries are linked by their runtime names: the foreign -dev packages
# need the very versions of the host's that the archive may not have for every architecture,
# and their headers are the host's anyway.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh cross

for arch in ${PISMOVAR_CROSS_ARCHS:-aarch64 s390x}; do
  triple=$arch-linux-gnu
  dir=build-$arch
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR="$arch" \
    -DCMAKE_C_COMPILER="$triple-gcc" -DCMAKE_CXX_COMPILER="$triple-g++" \
    -DCMAKE_LIBRARY_ARCHITECTURE="$triple" \
    -DCMAKE_FIND_ROOT_PATH="/usr/$triple" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_CROSSCOMPILING_EMULATOR="qemu-$arch" \
    -DPISMOVAR_ACL_LIBRARY="/usr/lib/$triple/libacl.so.1" \
    -DPISMOVAR_ATTR_LIBRARY="/usr/lib/$triple/libattr.so.1" \
    -DPISMOVAR_WERROR="${PISMOVAR_WERROR:-OFF}"
  cmake --build "$dir" --target engine_tests
  echo "== engine tests on $arch under qemu-user"
  "qemu-$arch" "$dir/bin/engine_tests" --gtest_brief=1
done
