#!/usr/bin/env bash
# Makes the README's pictures from the real program: vxide on the bundled demo project, on X11
# under Xvfb, at 1200 by 800. Run after a build of the default preset; writes docs/images/.
set -euo pipefail
cd "$(dirname "$0")/.."

vxide=${VXIDE:-build/default/bin/vxide}
out=docs/images
[ -x "$vxide" ] || { echo "make-screenshots: build first ($vxide is missing)" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "make-screenshots: xvfb-run is missing (apt-get install xvfb)" >&2; exit 1; }
mkdir -p "$out"

shot() { # FILE [vxide options...]
  local file=$1; shift
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$vxide" --screenshot "$out/$file" "$@" >/dev/null
  echo "$out/$file"
}

shot page.png
shot modified-file-form.png --select notescore.dll
shot new-file-form.png --select whatsnew.txt
shot select-file-dialog.png --select-file-dialog
