#!/usr/bin/env bash
# Every C++ source keeps the repository's .clang-format layout; a file that
# does not is named with the first places it differs.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! git ls-files -z '*.cpp' '*.h' |
    xargs -0 -P "$(nproc)" -n 32 clang-format --dry-run --Werror --ferror-limit=3; then
  echo "Formatting differs from .clang-format: run clang-format -i on the files above." >&2
  exit 1
fi
