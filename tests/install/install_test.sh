#!/usr/bin/env bash
# Installs the build into temporary prefixes and checks what a user gets:
# exactly the listed files with ordinary permissions, under any prefix and
# with DESTDIR; valid desktop entry, metadata, file types and manual pages;
# an installed brevora-render that makes the user's content root, renders
# the demo set from any folder exactly as the build's renderer does, follows
# a moved installation and never writes under the prefix.
#
#   install_test.sh BUILD_DIR SOURCE_DIR DESK_BUILT(ON|OFF)
set -euo pipefail
build=$1
source "$(dirname "$0")/common.sh" install "$2/tests/install/installed-files.txt" "$3"

# The files under a folder, one relative path a line, sorted.
listing() { (cd "$1" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort); }
same_tree() {
  if ! diff -u <(expected_files) <(listing "$1") >"$t/tree.diff"; then
    fail "$2: the installed files differ from tests/install/installed-files.txt:"
    cat "$t/tree.diff" >&2
  fi
}

# ---- Any prefix, and DESTDIR ----
cmake --install "$build" --prefix "$t/prefix" >/dev/null
if [ "${BREVORA_UPDATE_LISTS:-}" = 1 ]; then
  { grep '^#' "$list"; { listing "$t/prefix"; [ "$desk" = ON ] || echo bin/brevora; } |
    LC_ALL=C sort; } >"$t/list" && cp "$t/list" "$list"
  echo "rewrote $list"
fi
same_tree "$t/prefix" "--prefix $t/prefix"
odd=$(cd "$t/prefix" && find . \( -type d ! -perm 755 \) -o \( -type f -path './bin/*' ! -perm 755 \) \
  -o \( -type f ! -path './bin/*' ! -perm 644 \))
[ -z "$odd" ] || fail "files or folders with unusual permissions: $odd"

DESTDIR="$t/dest" cmake --install "$build" --prefix /usr >/dev/null
[ "$(ls -A "$t/dest")" = usr ] || fail "DESTDIR holds more than usr: $(ls -A "$t/dest")"
same_tree "$t/dest/usr" "DESTDIR=$t/dest --prefix /usr"

# ---- Validators ----
p=$t/prefix
# Errors it calls future ones do not change its exit status: read them too.
if ! desktop=$(desktop-file-validate "$p/share/applications/"*.desktop 2>&1) ||
  grep -qE 'error|warning' <<<"$desktop"; then
  fail "desktop-file-validate: $desktop"
fi
appstreamcli validate-tree --no-net "$t/dest" >"$t/appstream.log" 2>&1 ||
  { fail "appstreamcli validate-tree"; cat "$t/appstream.log" >&2; }
for page in brevora brevora-render; do
  warnings=$(zcat "$p/share/man/man1/$page.1.gz" |
    LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -rCHECKSTYLE=3 -z 2>&1 || echo "groff failed")
  [ -z "$warnings" ] || fail "groff on $page(1): $warnings"
done
# The renderer's --help and its manual page name the same options.
options() { grep -o -- '--[a-z][a-z-]*' | LC_ALL=C sort -u; }
help_options=$("$p/bin/brevora-render" --help | options)
man_options=$(zcat "$p/share/man/man1/brevora-render.1.gz" |
  LC_ALL=C.UTF-8 groff -man -Tutf8 -P-cbou 2>/dev/null | sed 's/\xe2\x80\x90/-/g' | options)
[ "$help_options" = "$man_options" ] ||
  fail "--help lists $(tr '\n' ' ' <<<"$help_options")but the manual $(tr '\n' ' ' <<<"$man_options")"

# File types: by extension, and by the first line whatever the name.
mkdir -p "$t/xdg"
cp -r "$p/share/mime" "$t/xdg/"
update-mime-database "$t/xdg/mime" >/dev/null
printf '[Brevora Mix]\r\nAuthor=User\r\n' >"$t/saved performance"
printf '[Brevora Channel]\r\nVersion=3\r\n' >"$t/drum set"
printf 'anything\n' >"$t/a.mix"
printf 'anything\n' >"$t/a.chn"
for pair in "saved performance:application/x-brevora-mix" "drum set:application/x-brevora-channel" \
  "a.mix:application/x-brevora-mix" "a.chn:application/x-brevora-channel"; do
  file=${pair%%:*} want=${pair#*:}
  got=$(XDG_DATA_HOME="$t/xdg" XDG_DATA_DIRS=/usr/share gio info -a standard::content-type \
    "$t/$file" | sed -n 's/.*standard::content-type: //p')
  [ "$got" = "$want" ] || fail "'$file' is $got, not $want"
done
grep -q '^MimeType=application/x-brevora-mix;$' "$p/share/applications/"*.desktop ||
  fail "the desktop entry does not open mixes"

# ---- The installed renderer and the user's content root ----
snapshot() { (cd "$1" && find . -printf '%P %y %s %m %T@\n' | LC_ALL=C sort); }
before=$(snapshot "$p")
home=$t/home
user=$home/.local/share/brevora
mkdir -p "$t/elsewhere"
render() { # PREFIX FOLDER ARGS...: runs an installed renderer in FOLDER as the test user
  local prefix=$1 folder=$2
  shift 2
  (cd "$folder" && env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" \
    "$prefix/bin/brevora-render" --rate=22050 "$@")
}
"$build/stage/brevora-render" --rate=22050 "$build/stage/Mixes/you bv feel.mix" "$t/reference.wav"

render "$p" "$t/elsewhere" "$user/Mixes/you bv feel.mix" demo.wav 2>"$t/err" ||
  fail "the first render failed: $(cat "$t/err")"
[ ! -s "$t/err" ] || fail "the first render spoke: $(cat "$t/err")"
cmp -s "$t/elsewhere/demo.wav" "$t/reference.wav" ||
  fail "the installed renderer's demo differs from the build's"
[ "$(readlink "$user/data")" = "$(realpath "$p/share/brevora/data")" ] ||
  fail "data links to '$(readlink "$user/data")'"
diff <(listing "$p/share/brevora/Mixes") <(listing "$user/Mixes") >/dev/null ||
  fail "the demo set was not copied into $user/Mixes"
[ ! -e "$home/.config" ] || fail "the renderer wrote settings"

# A second start from the user's folder with relative paths keeps the user's
# own files and copies nothing again.
echo "my own mix" >"$user/Mixes/mine.mix"
rm "$user/Mixes/you bv feel/pad.wav"
render "$p" "$user/Mixes" "you bv feel.mix" ../again.wav 2>"$t/err" || true
[ -f "$user/again.wav" ] || fail "no render from the user's folder: $(cat "$t/err")"
[ "$(cat "$user/Mixes/mine.mix")" = "my own mix" ] || fail "the user's file was touched"
[ ! -e "$user/Mixes/you bv feel/pad.wav" ] || fail "the demo set was copied a second time"
grep -q "pad.wav" "$t/err" || fail "a missing sample went unmentioned: $(cat "$t/err")"

# The installation moves: the link follows, the output stays the same.
mv "$p" "$t/moved"
render "$t/moved" "$t/elsewhere" "$user/Mixes/mine.mix" none.wav 2>/dev/null || true
[ "$(readlink "$user/data")" = "$(realpath "$t/moved/share/brevora/data")" ] ||
  fail "data still links to '$(readlink "$user/data")' after the move"
[ "$(snapshot "$t/moved")" = "$before" ] || fail "something was written under the prefix"

finish install
