#!/usr/bin/env bash
# Installs the Debian 12 packages a task needs, where they are missing:
#   install-deps.sh run     building and running the two programs (scripts/run.sh)
#   install-deps.sh test    ... and building and running every test (scripts/test.sh)
#   install-deps.sh cross   ... and the cross builds under qemu-user (scripts/cross-test.sh)
#   install-deps.sh web     the engine as WebAssembly, the page and its tests in Chromium
#                           (scripts/build-wasm.sh, scripts/web-test.sh), with the npm
#                           packages of web/package-lock.json
# Without an argument, everything.
set -euo pipefail
task=${1:-cross}

run_packages=(
  build-essential cmake ninja-build          # the build
  libhwy-dev                                 # the engine's hot loops for every instruction set
  libacl1-dev libattr1-dev                   # in-place conversion keeps ACLs and extended attributes
  liburing-dev                               # many files in place go to disk together
  gettext                                    # the command-line tool's message catalogues (msgfmt)
  qt6-base-dev                               # the desktop program
  qt6-l10n-tools                             # lrelease and lupdate, the desktop program's translations
  qt6-translations-l10n                      # Qt's own texts in Czech and Slovak
  pkg-config libxcb1-dev                     # the desktop program asks X11 about displays and clipboards
  libc-bin                                   # iconv, which scripts/run.sh shows the result with
)
test_packages=(
  libgtest-dev                               # the tests
  xvfb xclip xdotool x11-utils               # end-to-end tests with a real X server
  openbox wmctrl                             # ... and with a window manager
  x11-apps netpbm                            # scripts/screenshot.sh: xwd and the PNG it becomes
  desktop-file-utils appstream               # validating the desktop entry and metainfo
  bash-completion groff-base man-db          # testing the completion and the manual pages
  dpkg-dev lintian                           # the Debian package: its dependencies, its check
  dos2unix                                   # many_files_bench compares -i over many files with it
  # The language model's sources (scripts/gen_language_model.py) and the detectors
  # detect_bench compares with; the build itself needs none of them.
  fortunes-cs manpages-cs hunspell-cs hunspell-sk enca uchardet
  clang                                      # CI builds the engine and the command-line tool with clang too
)
cross_packages=(
  qemu-user g++-aarch64-linux-gnu g++-s390x-linux-gnu
  libhwy-dev:arm64 libgtest-dev:arm64 libacl1:arm64 libattr1:arm64
  libhwy-dev:s390x libgtest-dev:s390x libacl1:s390x libattr1:s390x
)
web_packages=(
  emscripten                                 # the engine as WebAssembly
  libhwy-dev                                 # its hot loops, Highway's headers
  nodejs                                     # the package's tests, npm, the test's server
  chromium                                   # the page's tests in a real browser
)

case $task in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  cross) packages=("${run_packages[@]}" "${test_packages[@]}" "${cross_packages[@]}") ;;
  web) packages=("${web_packages[@]}") ;;
  *) echo "usage: $0 [run | test | cross | web]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if [ "$task" = cross ]; then
    for arch in arm64 s390x; do
      dpkg --print-foreign-architectures | grep -qx "$arch" || $sudo dpkg --add-architecture "$arch"
    done
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# The page's zip writer and the browser driver of its tests, as the lock file pins them.
if [ "$task" = web ] && [ ! -d "$(dirname "$0")/../web/node_modules/puppeteer-core" ]; then
  (cd "$(dirname "$0")/../web" && npm ci --no-audit --no-fund)
fi
