#!/usr/bin/env bash
# The desktop program on a private X server: an auto-run converts in place and exits with 0,
# text it puts on the clipboard outlives it, the user's "Temp.tmp" and "Clipboard.tmp" are
# never touched, and without a display the same command line still converts.
set -euo pipefail
program=$(realpath "$1")

work=$(mktemp -d)
source "$(dirname "$0")/start_xvfb.sh"

expect_bytes() {  # file, expected bytes as printf format, what
  if ! cmp -s "$1" <(printf "$2"); then
    fail "$3: $(od -An -c "$1" | tr -s ' ')"
  fi
}

cd "$work"
printf 'user temp' > Temp.tmp
printf 'user clipboard' > Clipboard.tmp

# Latin-2 with DOS line ends to Windows 1250 with Unix line ends, in place.
printf 'P\x9fi\r\nX\r\n' > dopis.txt
status=0
timeout 30 "$program" /20 /02 dopis.txt || status=$?
[ "$status" -eq 0 ] || fail "auto-run exit status $status, expected 0"
expect_bytes dopis.txt 'P\xe8i\nX\n' "in-place auto-run"

# A run started by switches never waits for a user, even with a display: the characters it
# had to replace are told on standard error.
printf 'P\xe8i\r\n' > ascii.txt
status=0
timeout 30 "$program" /00 /62 ascii.txt 2> ascii.err || status=$?
[ "$status" -eq 0 ] || fail "lossy auto-run with a display: exit status $status, expected 0"
expect_bytes ascii.txt 'Pci\n' "lossy auto-run"
grep -q 'nemá místo: 1' ascii.err || fail "lossy auto-run printed no warning: $(cat ascii.err)"

# An absolute path is a name, never a switch.
printf 'P\x9fi\r\n' > "$work/cesta.txt"
status=0
timeout 30 "$program" /20 /02 "$work/cesta.txt" || status=$?
[ "$status" -eq 0 ] || fail "auto-run on an absolute path: exit status $status, expected 0"
expect_bytes "$work/cesta.txt" 'P\xe8i\n' "in-place auto-run on an absolute path"

# Several files, as a file manager passes them; one missing makes the status 1. Offscreen,
# the message goes to standard error instead of waiting in a box.
printf 'A\x9f\r\n' > jedna.txt
printf 'B\x9f\r\n' > "dva tri.txt"
status=0
QT_QPA_PLATFORM=offscreen timeout 30 "$program" /20 /02 jedna.txt chybi.txt "dva tri.txt" \
  2> several.err || status=$?
[ "$status" -eq 1 ] || fail "several files with one missing: exit status $status, expected 1"
grep -q 'Vstupní soubor není možné otevřít!' several.err || fail "offscreen message: $(cat several.err)"
expect_bytes jedna.txt 'A\xe8\n' "first of several files"
expect_bytes "dva tri.txt" 'B\xe8\n' "last of several files"

# The Linux options answer on standard output; a bad switch is named, before the usage, with
# status 2.
"$program" --help | grep -q "pismovar \[/ab \[/cd\]\]" || fail "--help"
"$program" -V | grep -q 'Pismovar verze' || fail "--version"
status=0
QT_QPA_PLATFORM=offscreen timeout 30 "$program" /x /y jedna.txt 2> bad.err || status=$?
[ "$status" -eq 2 ] || fail "bad switches: exit status $status, expected 2"
grep -q '^pismovar: Neplatný přepínač: /x$' bad.err || fail "bad switch not named: $(head -n 3 bad.err)"
grep -q 'Parametry programu Pismovar:' bad.err || fail "bad switches gave no usage"

# Clipboard to clipboard: the text is read back after the program has ended.
printf 'abc\r\nčř\r\n' | timeout 10 xclip -selection clipboard -i
status=0
timeout 30 "$program" /00 /02 Clipboard || status=$?
[ "$status" -eq 0 ] || fail "clipboard auto-run exit status $status, expected 0"
timeout 10 xclip -selection clipboard -o > clipboard.out || fail "clipboard empty after exit"
expect_bytes clipboard.out 'abc\nčř\n' "clipboard after exit"

# Without a display the run goes on without windows; out-of-range switches give the usage.
printf 'P\x9fi\r\n' > bez-displeje.txt
status=0
env -u DISPLAY timeout 30 "$program" /20 /02 bez-displeje.txt || status=$?
[ "$status" -eq 0 ] || fail "windowless exit status $status, expected 0"
expect_bytes bez-displeje.txt 'P\xe8i\n' "windowless auto-run"
status=0
env -u DISPLAY timeout 30 "$program" /20 /02 chybi.txt 2> missing.err || status=$?
[ "$status" -eq 1 ] || fail "windowless missing file exit status $status"
grep -q 'Vstupní soubor není možné otevřít!' missing.err || fail "windowless message: $(cat missing.err)"
status=0
env -u DISPLAY timeout 30 "$program" /90 /02 bez-displeje.txt 2> usage.err || status=$?
[ "$status" -eq 2 ] || fail "windowless out-of-range exit status $status, expected 2"
grep -q '^pismovar: Neplatný přepínač: /90$' usage.err || fail "windowless: switch not named"
grep -q 'Parametry programu Pismovar:' usage.err || fail "no usage on standard error"
expect_bytes bez-displeje.txt 'P\xe8i\n' "out-of-range switch leaves the file alone"
status=0
env -u DISPLAY timeout 30 "$program" dopis.txt 2> interactive.err || status=$?
[ "$status" -eq 2 ] || fail "windowless interactive exit status $status, expected 2"
[ -s interactive.err ] || fail "windowless interactive mode printed no error"

# The background clipboard owner takes its text only from the sealed memory file the program
# hands it, never from a path in its environment.
printf 'keep me' > victim.txt
status=0
PISMOVAR_SERVE_CLIPBOARD="$work/victim.txt" timeout 10 "$program" < victim.txt || status=$?
[ "$status" -eq 2 ] || fail "clipboard owner on an ordinary input: exit status $status, expected 2"
expect_bytes victim.txt 'keep me' "a file named to the clipboard owner"

expect_bytes Temp.tmp 'user temp' "the user's Temp.tmp"
expect_bytes Clipboard.tmp 'user clipboard' "the user's Clipboard.tmp"

[ "$failures" -eq 0 ] && echo "all end-to-end checks passed"
exit "$failures"
