#!/usr/bin/env bash
# Builds the project in the default and the sanitizer configuration and runs the whole suite in
# both. Exits non-zero on any build or test failure.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
if [ ${#presets[@]} -eq 0 ]; then presets=(default asan); fi

scripts/check-deps.sh
jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== test: $preset"
  ctest --preset "$preset" -j "$jobs"
done
