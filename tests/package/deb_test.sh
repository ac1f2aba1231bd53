#!/usr/bin/env bash
# The Debian packages as a user gets them: cpack builds them from the build tree, lintian
# finds no error in them, both programs run from a scratch root they are unpacked into,
# finding their translations there, and a program builds against the library there.
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
deb=$(echo "$work"/pkg/pismovar_*.deb)
[ -f "$deb" ] || { echo "no package was made"; exit 1; }
for package in libpismovar1 libpismovar-dev; do
  [ -f "$(echo "$work"/pkg/${package}_*.deb)" ] || fail "no $package package was made"
done

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$work"/pkg/*.deb >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi
fi

root="$work/root"
for package in "$work"/pkg/*.deb; do dpkg -x "$package" "$root"; done
for file in usr/bin/pismovar usr/bin/pismovar-cli usr/share/doc/pismovar/copyright \
  usr/share/man/man1/pismovar.1.gz usr/share/man/man1/pismovar-cli.1.gz \
  usr/share/man/cs/man1/pismovar.1.gz usr/share/man/cs/man1/pismovar-cli.1.gz \
  usr/share/bash-completion/completions/pismovar-cli usr/share/applications/cz.pismovar.pismovar.desktop \
  usr/share/metainfo/cz.pismovar.pismovar.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/cz.pismovar.pismovar.svg \
  usr/share/icons/hicolor/48x48/apps/cz.pismovar.pismovar.png usr/share/pismovar/COPYING \
  usr/share/pismovar/translations/pismovar_en.qm \
  usr/share/locale/cs/LC_MESSAGES/pismovar-cli.mo usr/share/locale/sk/LC_MESSAGES/pismovar-cli.mo; do
  [ -e "$root/$file" ] || [ -L "$root/$file" ] || fail "the package lacks /$file"
done

# Kamenický "č" (0x87) becomes UTF-8 c4 8d.
converted=$(printf 'x\207y' | "$root/usr/bin/pismovar-cli" -f kam -t utf8 | od -An -tx1 | tr -d ' \n')
[ "$converted" = "78c48d79" ] || fail "pismovar-cli converted x, č, y to $converted"

# Each program in each language it speaks, from the files the package brought: the desktop
# program's usage and version on the offscreen platform, the tool's message for a missing file
# from the catalogues beside it, wherever the package was unpacked.
in_language() {  # language, program, arguments...
  local language=$1
  shift
  local locale=C.UTF-8
  [ "$language" = de ] && { locale=de_DE.UTF-8; language=; }
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
    LANG=$locale LC_ALL= LC_MESSAGES= LANGUAGE="$language" "$root/usr/bin/$@" 2>&1 | grep -v '^QStandardPaths:' | head -n 1
}
# A bad switch is named first; any language other than Czech and Slovak gets English.
while IFS='|' read -r language usage version missing bad; do
  [ "$(in_language "$language" pismovar --help)" = "$usage" ] ||
    fail "$language usage: $(in_language "$language" pismovar --help)"
  [ "$(in_language "$language" pismovar --version)" = "$version" ] ||
    fail "$language version: $(in_language "$language" pismovar --version)"
  # The reason after the tool's words is the C library's, translated only where its own
  # translations are installed.
  [[ "$(in_language "$language" pismovar-cli -f kam -t win "$work/nic.txt")" == "pismovar-cli: $work/nic.txt: $missing: "* ]] ||
    fail "$language message: $(in_language "$language" pismovar-cli -f kam -t win "$work/nic.txt")"
  [ "$(in_language "$language" pismovar /9)" = "$bad" ] ||
    fail "$language bad switch: $(in_language "$language" pismovar /9)"
done <<'ROWS'
cs|Parametry programu Pismovar:|Pismovar verze 3.5.0|nelze otevřít|pismovar: Neplatný přepínač: /9
en|Parameters of Pismovar:|Pismovar version 3.5.0|cannot open|pismovar: Invalid switch: /9
sk|Parametre programu Pismovar:|Pismovar verzia 3.5.0|nedá sa otvoriť|pismovar: Neplatný prepínač: /9
de|Parameters of Pismovar:|Pismovar version 3.5.0|cannot open|pismovar: Invalid switch: /9
ROWS

bash "$(dirname "$0")/../lib/installed_test.sh" "$(dirname "$0")/../../README.md" "$root" ||
  fail "a program built against the packaged library"

exit $((failures > 0))
