#!/usr/bin/env bash
# format.sh [--check]: formats every C++ file that git tracks with the clang-format that the
# set-up installs (.clang-format holds the style). --check changes nothing and fails, naming
# the files, when one differs.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
format="$(command -v clang-format-14 || command -v clang-format || true)"
if [ -z "$format" ]; then
  echo "format.sh: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  differ=()
  for f in "${files[@]}"; do
    "$format" --dry-run -Werror "$f" >/dev/null 2>&1 || differ+=("$f")
  done
  if [ ${#differ[@]} -gt 0 ]; then
    echo "format.sh: ${#differ[@]} of ${#files[@]} files differ from .clang-format (run scripts/format.sh):" >&2
    printf '  %s\n' "${differ[@]}" >&2
    exit 1
  fi
  echo "format.sh: ${#files[@]} files follow .clang-format"
  exit 0
fi
"$format" -i "${files[@]}"
