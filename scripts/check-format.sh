#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the repository's .clang-format.
# Generated tables are exempt: they are compared with their generator instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^support/win_error_names.cpp$')
[ ${#files[@]} -eq 0 ] && exit 0
clang-format --dry-run --Werror "${files[@]}"
