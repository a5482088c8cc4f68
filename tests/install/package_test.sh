#!/usr/bin/env bash
# Builds the Debian package with cpack and checks it: its control fields, its
# dependencies found from the linked shared libraries, exactly the listed
# files under /usr owned by root, and lintian without errors.
#
#   package_test.sh BUILD_DIR SOURCE_DIR DESK_BUILT(ON|OFF) VERSION
set -euo pipefail
build=$1
version=$4
source "$(dirname "$0")/common.sh" package "$2/tests/install/installed-files.txt" "$3"

if ! cpack --config "$build/CPackConfig.cmake" -B "$t" >"$t/cpack.log" 2>&1; then
  cat "$t/cpack.log" >&2
  exit 1
fi
deb=$(ls "$t"/brevora_*.deb)
[ "$(basename "$deb")" = "brevora_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "the package is named $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = brevora ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = sound ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Description | head -1)" = "live loop-mixing desk played from the computer keyboard" ] ||
  fail "Description: $(field Description | head -1)"
# Dependencies come from the libraries the executables link.
depends=$(field Depends)
for lib in libc6 libstdc++6 libsdl2-2.0-0; do
  [[ ", $depends," == *", $lib "* ]] || fail "Depends lacks $lib: $depends"
done

# Exactly the installed files, under /usr, owned by root.
dpkg-deb -c "$deb" >"$t/contents"
# Each line: mode, owner, size, date, time, path (which may hold blanks).
path_of() { sed -E 's/^([^ ]+ +){5}//; s/ -> .*$//'; }
files=$(grep -v '^d' "$t/contents" | path_of | sed 's|^\./usr/||' | LC_ALL=C sort)
diff -u <(expected_files) <(echo "$files") >"$t/contents.diff" ||
  { fail "the package's files differ from tests/install/installed-files.txt:"; cat "$t/contents.diff" >&2; }
others=$(awk '$2 != "root/root"' "$t/contents")
[ -z "$others" ] || fail "files not owned by root: $others"
outside=$(path_of <"$t/contents" | grep -v -e '^\./$' -e '^\./usr/' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

# lintian: no errors. Its other findings are shown for the reader.
if ! lintian --fail-on error --display-level '>=warning' "$deb" >"$t/lintian.log" 2>&1; then
  fail "lintian reports errors:"
  cat "$t/lintian.log" >&2
else
  grep -v 'running with root privileges' "$t/lintian.log" || true
fi

echo "$(basename "$deb"), Depends: $depends"
finish package
