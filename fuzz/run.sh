#!/usr/bin/env bash
# Runs one libFuzzer target of the fuzz build (cmake --preset fuzz) for a
# while, then merges what it found that reaches new code into the checked-in
# corpus.
#
#   fuzz/run.sh NAME SECONDS [libFuzzer options...]
#
# The run works on build-fuzz/campaign/NAME (kept between runs) seeded from
# fuzz/corpus/NAME, with the target's dictionary; its log is
# build-fuzz/campaign/NAME.log, and a crash, leak or hang is saved as
# build-fuzz/campaign/NAME-crash-* (the script then fails). With MERGE=0 the
# checked-in corpus is left alone (CI). With CPU=1, SECONDS counts the
# target's CPU time instead of the clock's, for campaigns on a shared machine.
set -euo pipefail
cd "$(dirname "$0")/.."
# Absolute paths: the targets change into their scratch folder.
top=$PWD
name=$1
seconds=$2
shift 2
binary=$top/build-fuzz/fuzz/${name}_fuzz
work=$top/build-fuzz/campaign/$name
corpus=$top/fuzz/corpus/$name
mkdir -p "$work"
case $name in
  mix) max_len=65536 ;;  # a mix of many event lines
  wave | bmp) max_len=16384 ;;
  eventline) max_len=300 ;;
  message) max_len=1024 ;;
  video) max_len=16384 ;;  # the seeds are small videos of 1 to 8 KB
  *) max_len=4096 ;;
esac
dict=()
[ -f "fuzz/dict/$name.dict" ] && dict=(-dict="$top/fuzz/dict/$name.dict")
status=0
artifacts() {
  local n=0 f
  for f in "$work"-crash-*; do [ -e "$f" ] && n=$((n + 1)); done
  echo $n
}
before=$(artifacts)
interrupted=0
wall=$seconds
[ "${CPU:-0}" = 1 ] && wall=$((seconds * 20))
"$binary" "${dict[@]}" -max_total_time="$wall" -max_len="$max_len" -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work-crash-" \
  "$@" "$work" "$corpus" > "$work.log" 2>&1 &
fuzzer=$!
if [ "${CPU:-0}" = 1 ]; then
  # An interrupt ends the run as the time limit would, with the final figures.
  hz=$(getconf CLK_TCK)
  while kill -0 "$fuzzer" 2>/dev/null; do
    used=$(awk -v hz="$hz" '{print int(($14 + $15) / hz)}' "/proc/$fuzzer/stat" 2>/dev/null || echo 0)
    if [ "$used" -ge "$seconds" ]; then
      kill -INT "$fuzzer"
      interrupted=1
      break
    fi
    sleep 5
  done
fi
wait "$fuzzer" || status=$?
[ $interrupted = 1 ] && status=0
[ "$(artifacts)" -gt "$before" ] && status=1
grep -E '^#[0-9]+.*(DONE|pulse)|^stat::' "$work.log" | tail -8
if [ "${MERGE:-1}" = 1 ] && [ $status -eq 0 ]; then
  "$binary" -merge=1 -max_len="$max_len" "$corpus" "$work" >> "$work.log" 2>&1
fi
exit $status
