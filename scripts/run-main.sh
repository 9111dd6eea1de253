#!/usr/bin/env bash
# The main job: builds the programs and the demo package, then shows the demo package through
# vxpatch: its summary, tables, files and folders.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target vxpatch demo_package
vxpatch=build/default/ide/cli/vxpatch
package=build/default/ide/demo/OrvaneNotes.msi
"$vxpatch" --version
echo "== summary information"
"$vxpatch" suminfo "$package"
echo "== tables"
"$vxpatch" tables "$package"
echo "== files"
"$vxpatch" query "$package" 'SELECT `File`, `FileName`, `FileSize`, `Component_` FROM `File` ORDER BY `Sequence`'
echo "== folders"
"$vxpatch" export "$package" Directory
