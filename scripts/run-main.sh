#!/usr/bin/env bash
# The main job: builds the IDE and opens it on the bundled demo patch project. With a display
# (DISPLAY or WAYLAND_DISPLAY set) the window opens; without one the same program draws the page
# off screen, saves it as PNG and prints the file's path.
#
#   scripts/run-main.sh            the IDE on the demo project
#   scripts/run-main.sh --cli      the vxpatch walkthrough of the demo package instead: summary,
#                                  tables, the Original Setup Files tree, folders, extraction,
#                                  and a patch project made on it
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/check-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target vxide vxpatch demo_project

if [ "${1:-}" != "--cli" ]; then
  vxide=build/default/bin/vxide
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$vxide"
  fi
  shot=${VX_SCREENSHOT:-build/default/vxide-demo.png}
  echo "No display: the Application Files page of the demo project, drawn off screen:"
  exec "$vxide" --screenshot "$shot"
fi

vxpatch=build/default/bin/vxpatch
package=build/default/share/vxide/demo/OrvaneNotes.msi
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
