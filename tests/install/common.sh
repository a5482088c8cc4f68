# shellcheck shell=bash
# Shared by the install tests (sourced): a temporary folder $t, removed at
# the end with every process whose id is in pids; failures counted by fail
# and reported by finish; the expected installed files.
#   source common.sh NAME LIST DESK_BUILT(ON|OFF)
t=$(mktemp -d "/tmp/brevora-$1-XXXXXX")
list=$2
desk=$3
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$t"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# The files the list expects under the prefix; the desk's own only when it is built.
expected_files() {
  grep -v '^#' "$list" | if [ "$desk" = ON ]; then cat; else grep -vx 'bin/brevora'; fi
}
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "$1 checks passed"
}
