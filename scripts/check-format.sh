#!/usr/bin/env bash
# Names every tracked C++ file that clang-format, with the root .clang-format, would change;
# exits 1 when there is any.
set -uo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    echo "clang-format is missing (Debian package clang-format)" >&2
    exit 2
fi
status=0
while IFS= read -r file; do
    if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        echo "$file"
        status=1
    fi
done < <(git ls-files -- '*.cpp' '*.h')
exit $status
