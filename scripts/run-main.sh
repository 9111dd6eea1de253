#!/usr/bin/env bash
# The main job: builds the programs and the demo package, shows the demo package through
# vxpatch (summary, tables, the Original Setup Files tree, folders), then makes a patch project
# on it in a temporary folder, adds entries and lists them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/check-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target vxpatch demo_package
vxpatch=build/default/apps/vxpatch/vxpatch
package=build/default/ide/demo/OrvaneNotes.msi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$vxpatch" --version
echo "== summary information"
"$vxpatch" suminfo "$package"
echo "== tables"
"$vxpatch" tables "$package"
echo "== Original Setup Files"
"$vxpatch" tree "$package"
echo "== folders (key, target path, source path)"
"$vxpatch" dirs "$package"
echo "== original files extracted"
"$vxpatch" extract-all "$package" "$work/extracted"
echo "== a patch project: two updated files and a new one"
"$vxpatch" new "$work/demo.vxp" --original "$package"
"$vxpatch" add "$work/demo.vxp" NotesExe CoreDll
"$vxpatch" add-new "$work/demo.vxp" "$work/extracted/Orvane Notes/readme.txt"
"$vxpatch" set "$work/demo.vxp" CoreDll Overwrite 1
"$vxpatch" list "$work/demo.vxp"
