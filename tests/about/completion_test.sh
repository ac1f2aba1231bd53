#!/usr/bin/env bash
# pismovar-cli's bash completion as bash runs it: it offers every long option of --help, every
# name --list shows and no name the tool refuses, and file names elsewhere.
set -uo pipefail
shopt -s extglob
completion=$1
cli=$(realpath "$2")
export LC_ALL=C
source /usr/share/bash-completion/bash_completion
source "$completion"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Completes the last of the words as bash would; the offers land in COMPREPLY.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  # compopt speaks only inside a real completion; here it would just complain.
  _pismovar_cli "$cli" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
}
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
for name in $("$cli" --list | sed -n 's/^ *[0-9]\+  .*  \+\([^ ].*\)$/\1/p' | tr -d ,); do
  complete_words "$cli" --to "$name"
  offered "$name" || complete_words "$cli" --eol-out "$name"
  offered "$name" || fail "name $name of --list not offered"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/dopis.txt"
cd "$work"
complete_words "$cli" -t win do
offered dopis.txt || fail "file not offered: ${COMPREPLY[*]}"

exit $((failures > 0))
