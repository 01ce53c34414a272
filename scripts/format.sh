#!/usr/bin/env bash
# Checks or applies the C and C++ layout of .clang-format on every file git
# tracks. Usage: scripts/format.sh check|apply
#   check: lists the files clang-format would change; exits 1 when there are any.
#   apply: rewrites them in place.
# Layouts differ between clang-format releases; the tree is kept in the one
# scripts/deps.sh installs (set CLANG_FORMAT to use another binary).
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}

mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')

case "${1:-}" in
  check)
    differ=()
    for f in "${files[@]}"; do
      "$clang_format" --style=file "$f" | cmp -s - "$f" || differ+=("$f")
    done
    if [ ${#differ[@]} -gt 0 ]; then
      printf '%s\n' "${differ[@]}"
      echo "format: ${#differ[@]} of ${#files[@]} files differ from .clang-format" \
           "($("$clang_format" --version)); scripts/format.sh apply rewrites them" >&2
      exit 1
    fi
    echo "format: ${#files[@]} files as .clang-format lays them out" ;;
  apply)
    "$clang_format" --style=file -i "${files[@]}" ;;
  *)
    echo "usage: scripts/format.sh check|apply" >&2
    exit 2 ;;
esac
