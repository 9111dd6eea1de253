#!/usr/bin/env bash
# Before a release: the built Debian package on a machine that has never seen the project.
# Installs the .deb into a clean Debian 12 root made with debootstrap (its dependencies from
# Debian's archive, as apt resolves them for a user) and runs there, as an ordinary user:
#   vxpatch --version
#   vxpatch tree and extract-all on every package of the shared corpus
#   vxide --screenshot on the installed demo project (offscreen platform)
# then removes the package again. lintian runs first, on this machine, when it is installed.
# Every step runs even when one before it failed; the summary names the failed ones.
#
#   scripts/check-deb-in-clean-root.sh [PACKAGE.deb] [ROOT_DIR]
#
# PACKAGE.deb defaults to the newest build/default/packages/vxide_*.deb (cpack --preset deb);
# ROOT_DIR to a new folder under /var/tmp, kept afterwards for a look inside. The minimal system
# from debootstrap is shared with clean-root-check.sh (VX_CLEAN_ROOT_BASE, default
# /var/tmp/vx-bookworm-base) and copied afresh, so only the first run downloads it. Needs root,
# debootstrap and the network (deb.debian.org, or VX_DEBIAN_MIRROR).
set -uo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls -t build/default/packages/vxide_*.deb 2>/dev/null | head -1)}
root=${2:-$(mktemp -d /var/tmp/vx-deb-root.XXXXXX)}
base=${VX_CLEAN_ROOT_BASE:-/var/tmp/vx-bookworm-base}
mirror=${VX_DEBIAN_MIRROR:-http://deb.debian.org/debian}
corpus=${VX_CORPUS_DIR:-$(cd .. && pwd)/shared/corpus}

if [ "$(id -u)" -ne 0 ]; then echo "check-deb: run as root" >&2; exit 2; fi
command -v debootstrap >/dev/null || { echo "check-deb: apt-get install debootstrap" >&2; exit 2; }
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "check-deb: no package; build one with: cpack --preset deb" >&2
  exit 2
fi
deb=$(realpath "$deb")
echo "== package: $deb"

passed=()
failed=()
step() { # step TITLE COMMAND...: runs it, shows its output, remembers the outcome
  local title=$1
  shift
  echo "== $title"
  if "$@"; then passed+=("$title"); else echo "-- FAILED: $title"; failed+=("$title"); fi
}

# On this machine: the package's own checks.
if command -v lintian >/dev/null; then
  lintian_clean() {
    local tags
    tags=$(lintian --fail-on none "$deb" 2>&1)
    [ -n "$tags" ] && echo "$tags"
    ! grep -qE '^[EW]: ' <<<"$tags"
  }
  step "lintian: no errors or warnings" lintian_clean
else
  echo "== lintian not installed here: skipped (apt-get install lintian)"
fi

# The clean root.
source scripts/clean-root-common.sh
make_clean_root
mkdir -p "$root/srv/package" "$root/srv/corpus"
cp "$deb" "$root/srv/package/"
cp "$corpus"/*.msi "$corpus"/*.cab "$root/srv/corpus/" 2>/dev/null
chmod -R a+rX "$root/srv"

# As root inside: apt with the package; as the user nobody: the programs, as a user runs them.
# Each takes a script and the values its "$1"... stand for.
as_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive bash -o pipefail -c "$1" - "${@:2}"
}
as_user() {
  chroot "$root" /usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups \
    /usr/bin/env -i HOME=/tmp/home \
    PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    bash -o pipefail -c "mkdir -p \$HOME && $1" - "${@:2}"
}
package=/srv/package/$(basename "$deb")

step "apt-get install of the package and its dependencies" as_root '
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "$1" >/tmp/apt.log 2>&1 ||
    { tail -30 /tmp/apt.log; exit 1; }
  dpkg -s vxide | grep -E "^(Status|Version|Depends):"' "$package"

step "vxpatch --version" as_user "vxpatch --version"

for msi in "$root"/srv/corpus/*.msi; do
  name=$(basename "$msi")
  step "vxpatch tree $name" as_user '
    vxpatch tree "$1" >/tmp/tree.txt && echo "$(wc -l </tmp/tree.txt) nodes, the first:" &&
      head -5 /tmp/tree.txt' "/srv/corpus/$name"
  step "vxpatch extract-all $name (the cabinet module)" as_user '
    vxpatch extract-all "$1" "/tmp/extracted/$2" 2>&1 | tail -3' "/srv/corpus/$name" "$name"
done

screenshot() {
  as_user 'vxide --screenshot /tmp/demo.png && test -s /tmp/demo.png &&
    if [ -s $HOME/.local/state/vxide/vxide.log ]; then cat $HOME/.local/state/vxide/vxide.log; exit 1; fi'
  # Kept beside the root for a look.
  cp "$root/tmp/demo.png" "$root.demo.png" 2>/dev/null && echo "(a copy: $root.demo.png)"
  [ -s "$root.demo.png" ]
}
step "vxide --screenshot of the installed demo project" screenshot

step "apt-get purge leaves none of the package's files" \
  as_root "apt-get purge -y -qq vxide >/dev/null 2>&1 && ! ls -d /usr/bin/vxide /usr/bin/vxpatch /usr/lib/vxide /usr/share/vxide 2>/dev/null"

echo
echo "== summary (root kept in $root)"
for title in "${passed[@]}"; do echo "PASS: $title"; done
for title in "${failed[@]}"; do echo "FAIL: $title"; done
[ ${#failed[@]} -eq 0 ]
