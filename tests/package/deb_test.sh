#!/usr/bin/env bash
# The Debian package as a user gets it: cpack builds it from the build tree, lintian finds no
# error in it, and both programs run from a scratch root it is unpacked into, finding their
# translations there.
set -euo pipefail
cpack=$1
build=$(realpath "$2")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/pkg/*.deb)
[ -f "$deb" ] || { echo "no package was made"; exit 1; }

if command -v lintian >/dev/null; then
  lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi
fi

root="$work/root"
dpkg -x "$deb" "$root"
for file in usr/bin/pismovar usr/bin/pismovar-cli usr/share/doc/pismovar/copyright \
  usr/share/man/man1/pismovar.1.gz usr/share/man/man1/pismovar-cli.1.gz \
  usr/share/man/cs/man1/pismovar.1.gz usr/share/man/cs/man1/pismovar-cli.1.gz \
  usr/share/bash-completion/completions/pismovar-cli usr/share/applications/pismovar.desktop \
  usr/share/metainfo/org.example.pismovar.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/pismovar.svg \
  usr/share/pismovar/translations/pismovar_en.qm; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done

# Kamenický "č" (0x87) becomes UTF-8 c4 8d.
converted=$(printf 'x\207y' | "$root/usr/bin/pismovar-cli" -f kam -t utf8 | od -An -tx1 | tr -d ' \n')
[ "$converted" = "78c48d79" ] || fail "pismovar-cli converted x, č, y to $converted"

# Without a display the desktop program prints its usage, in the language asked for.
usage() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C.UTF-8 LANGUAGE="$1" \
  "$root/usr/bin/pismovar" '/?' | head -n 1; }
[ "$(usage cs)" = "Parametry programu Pismovar:" ] || fail "Czech usage: $(usage cs)"
[ "$(usage en)" = "Parameters of Pismovar:" ] || fail "English usage: $(usage en)"

exit $((failures > 0))
