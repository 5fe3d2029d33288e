#!/usr/bin/env bash
# Fails when clang-format would change any C++ file of core/, app/, cli/ or tests/. The version
# is the one tools/install-deps.sh installs (clang-format-14), so a developer and CI agree.
# Usage: tools/check-format.sh        (run tools/install-deps.sh first)
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format-14}
git ls-files -z -- 'core/*.cpp' 'core/*.h' 'app/*.cpp' 'app/*.h' 'cli/*.cpp' 'cli/*.h' \
  'tests/*.cpp' 'tests/*.h' | xargs -0 -r "$CLANG_FORMAT" --dry-run --Werror
echo "clang-format: every file is formatted"
