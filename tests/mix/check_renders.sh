#!/usr/bin/env bash
# Renders every recorded mix of the render set at each of the desk's eight
# output formats (22050 and 44100 Hz, 8 and 16 bits, mono and stereo) and
# compares the SHA-256 of each wave file with the list kept in the tree: any
# changed byte fails. The renderer must also load every mix without a
# message.
#
#   check_renders.sh RENDERER SET_DIR SUMS_FILE [--update]
#
# --update writes the list afresh, after a change that is meant to change
# what the desk plays.
set -euo pipefail
renderer=$1
set_dir=$2
sums=$3
update=${4:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
actual=$work/sums
: >"$actual"
shopt -s nullglob
mixes=("$set_dir"/*.mix)
if [ ${#mixes[@]} -eq 0 ]; then
  echo "no mixes in $set_dir"
  exit 1
fi
for mix in "${mixes[@]}"; do
  name=$(basename "$mix" .mix)
  for rate in 22050 44100; do
    for bits in 8 16; do
      for channels in 1 2; do
        out=$work/out.wav
        rm -f "$out"
        if ! "$renderer" --rate $rate --bits $bits --channels $channels "$mix" "$out" \
          2>"$work/err"; then
          echo "brevora-render failed on $name at $rate Hz, $bits bits, $channels channels:"
          cat "$work/err"
          exit 1
        fi
        if grep -v '^Rendered ' "$work/err"; then
          echo "brevora-render had something to say about $name (above)"
          exit 1
        fi
        echo "$(sha256sum <"$out" | cut -d' ' -f1)  $name $rate $bits $channels" >>"$actual"
      done
    done
  done
done

if [ "$update" = --update ]; then
  cp "$actual" "$sums"
  echo "wrote $sums"
  exit 0
fi
if ! diff -u "$sums" "$actual"; then
  echo "rendered bytes differ from $sums (lines with + are what the renderer makes now)"
  exit 1
fi
echo "$(wc -l <"$actual") renderings match"
