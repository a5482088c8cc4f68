#!/usr/bin/env bash
# Fails when a source file reaches past its layer:
# - a library folder includes a folder above it
#   (platform < support < audio < channels < mix < ui);
# - tests/<folder> includes a library above <folder> (tests/tools may use all);
# - SDL, FFmpeg or RtMidi is included outside platform/, tests/platform/ and
#   the generators in tools/;
# - SDL is included in another form than <SDL.h> (the build gives SDL's own
#   include folder);
# - an include stands after the file's code has begun.
# With arguments it checks those files instead of every tracked file; an
# argument NAME=FILE checks FILE as if it were the tracked file NAME (its own
# test uses this).
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case "$1" in
    platform) echo 0 ;; support) echo 1 ;; audio) echo 2 ;; channels) echo 3 ;;
    mix) echo 4 ;; ui) echo 5 ;; *) echo -1 ;;
  esac
}

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi

status=0
for arg in "${files[@]}"; do
  f=${arg%%=*}
  src=${arg#*=}
  top=${f%%/*}
  own=-1
  host_ok=0
  case "$f" in
    platform/* | tests/platform/*) host_ok=1 ;;
    tools/*) host_ok=1 ;;
  esac
  case "$f" in
    tests/tools/*) own=99 ;;
    tests/*)
      sub=${f#tests/}
      sub=${sub%%/*}
      own=$(rank "$sub")
      ;;
    bench/* | fuzz/* | tools/*) own=99 ;;
    *) own=$(rank "$top") ;;
  esac
  [ "$own" -lt 0 ] && continue
  while IFS= read -r line; do
    inc=${line#*\"}
    inc=${inc%%\"*}
    dir=${inc%%/*}
    r=$(rank "$dir")
    if [ "$r" -gt "$own" ]; then
      echo "$f: includes $inc, a layer above it"
      status=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$src" || true)
  if [ "$host_ok" -eq 0 ] &&
    grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](SDL|SDL2/|libav|libsw|rtmidi/|RtMidi)' "$src" >/dev/null; then
    echo "$f: includes SDL, FFmpeg or RtMidi outside platform/"
    status=1
  fi
  if grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]SDL2/' "$src" >/dev/null; then
    echo "$f: includes SDL as <SDL2/...>; the one form is <SDL.h>"
    status=1
  fi
  # Code is any line but blank lines, comments, preprocessor lines and the
  # braces of an extern "C" block of includes.
  late=$(awk '
    /^[[:space:]]*#[[:space:]]*include/ { if (code) { print FNR; exit } next }
    /^[[:space:]]*$/ || /^[[:space:]]*\/\// || /^[[:space:]]*#/ { next }
    /^extern "C" \{[[:space:]]*$/ || /^\}[[:space:]]*$/ { next }
    { code = 1 }' "$src")
  if [ -n "$late" ]; then
    echo "$f: line $late includes a header after the code has begun"
    status=1
  fi
done
exit $status
