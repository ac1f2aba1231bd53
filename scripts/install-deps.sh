#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing need, where they are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build          # the build
  libgtest-dev                               # the tests
  libhwy-dev                                 # the engine's hot loops for every instruction set
  qt6-base-dev                               # the desktop program
  qt6-l10n-tools                             # lrelease and lupdate, the desktop program's translations
  qt6-translations-l10n                      # Qt's own texts in Czech and Slovak
  xvfb xclip xdotool x11-utils               # end-to-end tests with a real X server
  openbox wmctrl                             # ... and with a window manager
  pkg-config libxcb1-dev                     # the desktop program asks X11 about displays and clipboards
  desktop-file-utils appstream               # validating the desktop entry and metainfo
  libc-bin                                   # iconv, the reference the tables are checked against
  gettext                                    # the command-line tool's message catalogues (msgfmt)
  bash-completion groff-base man-db          # testing the completion and the manual pages
  dpkg-dev lintian                           # the Debian package: its dependencies, its check
  libacl1-dev libattr1-dev                   # in-place conversion keeps ACLs and extended attributes
  liburing-dev                               # many files in place go to disk together
  dos2unix                                   # many_files_bench compares -i over many files with it
  clang                                      # CI builds the engine and the command-line tool with clang too
  # Cross builds of the engine and its tests, run under qemu-user (scripts/cross-test.sh).
  qemu-user g++-aarch64-linux-gnu g++-s390x-linux-gnu
  libhwy-dev:arm64 libgtest-dev:arm64 libacl1:arm64 libattr1:arm64
  libhwy-dev:s390x libgtest-dev:s390x libacl1:s390x libattr1:s390x
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  for arch in arm64 s390x; do
    dpkg --print-foreign-architectures | grep -qx "$arch" || $sudo dpkg --add-architecture "$arch"
  done
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
