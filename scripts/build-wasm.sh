#!/usr/bin/env bash
# Builds the engine as WebAssembly with Debian's Emscripten, from the same sources as the
# native build, and lays out the page and the JavaScript package in build/web (or $1):
#   pismovar-simd.wasm     the hot loops in Highway's WebAssembly SIMD form
#   pismovar-scalar.wasm   the same without SIMD, for browsers that lack it
#   pkg/                   the npm package (index.js, index.d.ts, both .wasm files, and
#                          registry.js: the engine's code pages and line ends)
#   index.html ...         the page, which loads the package from pkg/
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build/web}")
bash scripts/install-deps.sh web

version=$(sed -n 's/^project(pismovar VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# The engine without files, folders or threads: conversion in memory, detection and repair,
# with libpismovar's C interface over them.
sources=(
  engine/byte_map.cpp engine/char_table.cpp engine/code_page.cpp engine/detect.cpp
  engine/language_model.cpp engine/plain_forms.cpp engine/repair.cpp engine/transcoder.cpp
  engine/unicode_tables.cpp engine/utf8.cpp
  engine/kernels/byte_map.cpp engine/kernels/reference.cpp engine/kernels/tally.cpp
  engine/kernels/targets.cpp engine/kernels/utf8_decode.cpp engine/kernels/utf8_encode.cpp
  lib/pismovar.cpp cli/binary_check.cpp web/bridge.cpp
)
exports=(
  malloc free
  pismovar_open pismovar_convert pismovar_losses pismovar_close pismovar_detect pismovar_version
  pismovar_web_errno pismovar_web_looks_binary pismovar_web_detect
  pismovar_web_repair pismovar_web_repair_text pismovar_web_repair_size
  pismovar_web_repair_passes pismovar_web_repair_wrong pismovar_web_repair_right
  pismovar_web_repair_characters pismovar_web_repair_free
)
export_list=$(printf '"_%s",' "${exports[@]}")

# Highway's headers alone, without the rest of the host's /usr/include. Highway 1.0 looks up
# bytes in a WebAssembly vector one at a time, for fear of a V8 bug that was fixed in 2021;
# every browser with WebAssembly SIMD has the swizzle instruction right, and with it the
# table lookups, and so the conversions, run several times faster.
mkdir -p "$out/pkg"
rm -rf "$out/include"
mkdir -p "$out/include"
cp -r /usr/include/hwy "$out/include/hwy"
wasm_ops=$out/include/hwy/ops/wasm_128-inl.h
sed -i '/chromium-review.googlesource.com\/c\/v8\/v8\/+\/2822951/{n;s/^#if 0$/#if 1/}' "$wasm_ops"
grep -q -A1 '2822951' "$wasm_ops" && grep -A1 '2822951' "$wasm_ops" | grep -q '^#if 1$' ||
  { echo "build-wasm.sh: Highway's WebAssembly byte lookup is not where it was" >&2; exit 1; }
# It also gathers the bits of a mask of sixteen bytes with two multiplications where one
# bitmask instruction does, which every search for a byte in a block pays.
perl -0pi -e 's/(BitsFromMask\(hwy::SizeTag<1> \/\*tag\*\/,\s*const Mask128<T> mask\) \{\n).*?\n\}/$1  return wasm_i8x16_bitmask(mask.raw);\n}/s' "$wasm_ops"
grep -q 'return wasm_i8x16_bitmask(mask.raw);' "$wasm_ops" ||
  { echo "build-wasm.sh: Highway's WebAssembly mask bits are not where they were" >&2; exit 1; }

cxxflags=(-std=c++20 -O3 -DNDEBUG -I. -isystem "$out/include" -DPISMOVAR_VERSION="\"$version\""
          -Wall -Wextra -Wno-sign-conversion ${PISMOVAR_WERROR:+-Werror})
# One form of the loops each: Highway's WebAssembly SIMD target, or the scalar reference. The
# SIMD form copies memory with the bulk memory instructions, which every browser with SIMD has:
# the copies between the converter's buffers make a conversion between code pages a fifth
# slower with the C library's loop.
declare -A form_flags=(
  [simd]="-msimd128 -mbulk-memory -DHWY_COMPILE_ONLY_STATIC"
  # The scalar form leaves some of the vector forms' tables unused.
  [scalar]="-DHWY_COMPILE_ONLY_SCALAR -Wno-unused-const-variable"
)
for form in simd scalar; do
  objdir="$out/obj-$form"
  mkdir -p "$objdir"
  # shellcheck disable=SC2086
  printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -I{} bash -c \
    'em++ "${@:2}" -c "$1" -o "$0/$(echo "$1" | tr / _).o"' "$objdir" {} "${cxxflags[@]}" ${form_flags[$form]}
  objs=()
  for s in "${sources[@]}"; do objs+=("$objdir/$(echo "$s" | tr / _).o"); done
  # A standalone module: the package instantiates it itself, without Emscripten's loader.
  # shellcheck disable=SC2086
  em++ -O3 ${form_flags[$form]} "${objs[@]}" -o "$out/pkg/pismovar-$form.wasm" -sSTANDALONE_WASM --no-entry \
    -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2GB -sEXPORTED_FUNCTIONS="[${export_list%,}]"
done

# The package's list of code pages and line ends is the engine's, printed by a program built
# from the same source.
mkdir -p "$out/obj-registry"
em++ -std=c++20 -O1 -I. engine/code_page.cpp web/registry.cpp -sSINGLE_FILE -o "$out/obj-registry/registry.cjs"
node "$out/obj-registry/registry.cjs" > "$out/pkg/registry.js"

cp web/pkg/package.json web/pkg/index.js web/pkg/names.js web/pkg/index.d.ts web/pkg/README.md "$out/pkg/"
cp -r web/page/. "$out/"
if [ -d web/node_modules/fflate ]; then
  mkdir -p "$out/vendor"
  cp web/node_modules/fflate/esm/browser.js "$out/vendor/fflate.js"
fi
echo "built $out"
