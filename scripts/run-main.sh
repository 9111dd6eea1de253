#!/usr/bin/env bash
# The main job: builds the programs and runs vxpatch.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target vxpatch
build/default/ide/cli/vxpatch --version
build/default/ide/cli/vxpatch --help
