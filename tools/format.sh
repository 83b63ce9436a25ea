#!/usr/bin/env bash
# Formats the C++ sources the repository tracks with .clang-format (clang-format 14, as
# Debian 12 has it); with --check, changes nothing and names the files that differ.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=clang-format-14
command -v "$formatter" >/dev/null || { echo "$formatter is missing: make deps installs it" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "--check" ]]; then
  unformatted=()
  for file in "${files[@]}"; do
    "$formatter" --style=file "$file" | cmp -s - "$file" || unformatted+=("$file")
  done
  if [[ ${#unformatted[@]} -gt 0 ]]; then
    printf 'Not formatted as .clang-format says (make format mends them):\n' >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
  fi
  echo "${#files[@]} files formatted as .clang-format says"
else
  "$formatter" --style=file -i "${files[@]}"
fi
