#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ file is not formatted as .clang-format says.
# `make format` rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."

unformatted=$(git ls-files -z '*.h' '*.cpp' |
  xargs -0 -n 50 clang-format --dry-run 2>&1 | grep -oE '^[^: ]+\.(h|cpp):' | sort -u | tr -d ':' || true)
if [ -n "$unformatted" ]; then
  echo "Not clang-formatted (run 'make format'):"
  echo "$unformatted" | sed 's/^/  /'
  exit 1
fi
echo "clang-format: every C++ file is formatted"
