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
# checked-in corpus is left alone (CI).
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
"$binary" "${dict[@]}" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work-crash-" \
  "$@" "$work" "$corpus" > "$work.log" 2>&1 || status=$?
grep -E '^#[0-9]+.*(DONE|pulse)|^stat::' "$work.log" | tail -8
if [ "${MERGE:-1}" = 1 ] && [ $status -eq 0 ]; then
  "$binary" -merge=1 -max_len="$max_len" "$corpus" "$work" >> "$work.log" 2>&1
fi
exit $status
