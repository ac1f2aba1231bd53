#!/usr/bin/env bash
# The bash completions as bash runs them: pismovar-cli's offers every long option of --help,
# every name --list shows (past a colon in it) and no name the tool refuses, and file names
# elsewhere; pismovar's offers its switches, "Clipboard" and files.
set -uo pipefail
shopt -s extglob
completion=$1
cli=$(realpath "$2")
desktop_completion=$3
export LC_ALL=C
source /usr/share/bash-completion/bash_completion
source "$completion"
source "$desktop_completion"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Completes the last of the words as bash would with the function `$1`; the offers land in
# COMPREPLY. Bash splits a word at a colon before it completes: so do we.
complete_with() {
  local function=$1
  shift
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMP_WORDS=()
  local word
  for word in "$@"; do
    if [[ $word == *:* ]]; then
      COMP_WORDS+=("${word%%:*}" ":" "${word#*:}")
    else
      COMP_WORDS+=("$word")
    fi
  done
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  # compopt speaks only inside a real completion; here it would just complain.
  "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
}
complete_words() { complete_with _pismovar_cli "$@"; }
offered() { [[ " ${COMPREPLY[*]} " == *" $1 "* ]]; }

complete_words "$cli" --
for option in $("$cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  offered "$option" || offered "$option=" || fail "option $option not offered"
done

complete_words "$cli" --from ''
for name in "${COMPREPLY[@]}"; do
  "$cli" -q -f "$name" -t win </dev/null >/dev/null 2>&1 || fail "code page $name offered but refused"
done
# Every name in the rows of --list: the words after the caption's column.
# A name with a colon is offered from past the colon, as bash shows it.
for name in $("$cli" --list | sed -n 's/^ *[0-9]\+  .*  \+\([^ ].*\)$/\1/p' | tr -d ,); do
  complete_words "$cli" --to "$name"
  offered "${name##*:}" || complete_words "$cli" --eol-out "$name"
  offered "${name##*:}" || fail "name $name of --list not offered"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/dopis.txt"
cd "$work"
complete_words "$cli" -t win do
offered dopis.txt || fail "file not offered: ${COMPREPLY[*]}"

complete_with _pismovar pismovar /1
[ "${COMPREPLY[*]}" = "/10 /11 /12" ] || fail "pismovar /1 offered: ${COMPREPLY[*]}"
complete_with _pismovar pismovar /21 Cl
offered Clipboard || fail "pismovar offered no Clipboard: ${COMPREPLY[*]}"
complete_with _pismovar pismovar /21 do
offered dopis.txt || fail "pismovar offered no file: ${COMPREPLY[*]}"

exit $((failures > 0))
