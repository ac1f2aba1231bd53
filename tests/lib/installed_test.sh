#!/usr/bin/env bash
# The library as another program uses it: the README's example is built with
# `pkg-config --cflags --libs pismovar` against an installed library and run on a Latin-2
# text. FROM is a build tree, installed here with `cmake --install` into a scratch prefix,
# or a folder the Debian packages were unpacked into.
#
#   installed_test.sh README FROM
set -euo pipefail
readme=$1
from=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$from
if [ -f "$from/CMakeCache.txt" ]; then
  root="$work/prefix"
  cmake --install "$from" --prefix "$root" >/dev/null
fi
# The example stands in the README between its two marker lines.
sed -n '/^<!-- example: libpismovar -->/,/^<!-- end of example -->/p' "$readme" |
  sed -e '1,/^```c$/d' -e '/^```$/,$d' >"$work/example.c"
[ -s "$work/example.c" ] || { echo "FAIL: the README has no example"; exit 1; }
pc=$(find "$root" -name pismovar.pc | head -n 1)
[ -n "$pc" ] || { echo "FAIL: no pismovar.pc under $root"; exit 1; }
export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$pc")
# shellcheck disable=SC2046
cc -Wall -Werror -o "$work/example" "$work/example.c" $(pkg-config --cflags --libs pismovar)
lib=$(dirname "$(find "$root" -name 'libpismovar.so.1' | head -n 1)")
# "Příliš žluťoučký kůň úpěl" in Latin-2 with CR LF comes out in UTF-8 with LF.
printf 'P\375\241li\347 \247lu\234ou\237k\354 k\205\345 \243p\330l\r\n' |
  LD_LIBRARY_PATH="$lib" "$work/example" >"$work/out"
expected=$(printf 'Latin-2, CR LF\nPříliš žluťoučký kůň úpěl\n')
[ "$(cat "$work/out")" = "$expected" ] || { echo "FAIL: the example printed:"; cat "$work/out"; exit 1; }
echo "the installed library converts and detects"
