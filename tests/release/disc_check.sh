#!/usr/bin/env bash
# disc_check.sh SOURCE BUILD: makes a disc image of the sample disc (with a
# folder and a file of long names added), reads it back through its Joliet
# names as Windows does, checks the tree and autorun.inf, plays the demo
# from the extracted tree on a CD-ROM drive, and checks that bad folders
# give a message and no image.
set -uo pipefail
source=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
scripts=$source/scripts
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

long_folder="Extras for the curious explorer"
long_file="Ventrix - The Lost Orbit - a player's guide (2nd edition).txt"

# Reads IMAGE's Joliet tree into FOLDER, as Windows reads a disc.
extract() {
  xorriso -osirrox on -read_fs norock -indev "$1" -extract / "$2" >/dev/null 2>&1 && chmod -R u+w "$2"
}

# The sample disc, as make demo plays it, with long names added.
disc=$work/disc
"$scripts/sample-disc" "$build" "$disc" || exit 1
mkdir "$disc/$long_folder"
echo "Fly around the sun." >"$disc/$long_folder/$long_file"

"$scripts/disc" "$disc" "$work/out/ventrix.iso" >/dev/null || fail "the sample disc made no image"
extract "$work/out/ventrix.iso" "$work/tree" || fail "xorriso cannot read the image"
diff -r "$disc" "$work/tree" >/dev/null || fail "the Joliet tree differs from the disc folder: $(diff -rq "$disc" "$work/tree")"
xorriso -indev "$work/out/ventrix.iso" -pvd_info 2>/dev/null | grep -q "^Volume Id *: VENTRIX$" ||
  fail "the volume label is not VENTRIX (autorun.inf's label)"
inf=$(tr -d '\r' <"$work/tree/autorun.inf")
grep -qix "open=autorun.exe" <<<"$inf" || fail "autorun.inf does not open autorun.exe"
grep -qix "icon=autorun.exe" <<<"$inf" || fail "autorun.inf does not show autorun.exe's icon"

# Without autorun.inf the image gets one, with the label given.
bare=$work/bare
cp -R "$disc" "$bare" && rm "$bare/autorun.inf"
"$scripts/disc" "$bare" "$work/out/bare.iso" MYTITLE >/dev/null || fail "a disc without autorun.inf made no image"
extract "$work/out/bare.iso" "$work/bare-tree"
[ "$(tr -d '\r' <"$work/bare-tree/autorun.inf" 2>/dev/null)" = $'[autorun]\nopen=autorun.exe\nicon=autorun.exe\nlabel=MYTITLE' ] ||
  fail "the made autorun.inf is not the launcher's"

# Bad folders: a message naming the fault, and no image (an old one stays).
refused() {  # refused WHAT EXPECTED-WORDS FOLDER [LABEL]
  local what=$1 words=$2; shift 2
  rm -rf "$work/bad-out" && mkdir "$work/bad-out" && echo old >"$work/bad-out/image.iso"
  local message
  if message=$("$scripts/disc" "$1" "$work/bad-out/image.iso" ${2:-} 2>&1); then
    fail "$what: accepted"
  fi
  grep -qF -- "$words" <<<"$message" || fail "$what: the message does not say '$words': $message"
  [ "$(ls -A "$work/bad-out")" = image.iso ] && [ "$(cat "$work/bad-out/image.iso")" = old ] ||
    fail "$what: the output folder holds $(ls -A "$work/bad-out")"
}
bad() { rm -rf "$work/bad" && cp -R "$disc" "$work/bad"; }
bad && rm "$work/bad/autorun.exe" && refused "no autorun.exe" "no autorun.exe" "$work/bad"
bad && rm "$work/bad/Kelbit.ini" && refused "no Kelbit.ini" "no Kelbit.ini" "$work/bad"
bad && touch "$work/bad/what?.txt" && refused "a question mark" "what?.txt: the name holds '?'" "$work/bad"
bad && touch "$work/bad/$(printf 'n%.0s' {1..65})" && refused "a 65-character name" "65 characters" "$work/bad"
bad && touch "$work/bad/README.TXT" && refused "names differing in case" "only in letter case" "$work/bad"
bad && printf '[autorun]\r\nopen=setup.exe\r\n' >"$work/bad/autorun.inf" && refused "another open" "not autorun.exe" "$work/bad"
refused "a lower-case label" "label 'ventrix'" "$disc" ventrix
refused "a missing folder" "is not a folder" "$work/nowhere"

# The launcher from the extracted tree on a CD-ROM drive: setup installs,
# then the Run screen starts the product.
KLV_DEMO_OUT=$work/shots "$scripts/demo" "$build" "$work/tree" >"$work/demo.log" 2>&1 ||
  fail "the launcher did not play from the image's tree: $(cat "$work/demo.log")"

echo "disc: $failures problems"
[ "$failures" -eq 0 ]
