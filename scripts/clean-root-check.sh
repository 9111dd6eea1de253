#!/usr/bin/env bash
# Proves the README's two commands on a fresh Debian 12: makes a clean root with debootstrap,
# puts a clone of the committed tree (and the shared corpus beside it) inside, and runs
#   scripts/install-deps.sh && scripts/run-main.sh
#   scripts/install-deps.sh && scripts/run-tests.sh
# in it as root, as a new user of the project would. Needs root, debootstrap and the network.
#
#   scripts/clean-root-check.sh [ROOT_DIR]     (default: a new folder under /var/tmp)
#
# The minimal system that debootstrap makes is kept in VX_CLEAN_ROOT_BASE (default
# /var/tmp/vx-bookworm-base) and copied afresh for every run, so that only the first run
# downloads it. The root is kept afterwards for a look inside; the script unmounts on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
shared_dir=$(cd .. && pwd)/shared
root=${1:-$(mktemp -d /var/tmp/vx-clean-root.XXXXXX)}
base=${VX_CLEAN_ROOT_BASE:-/var/tmp/vx-bookworm-base}
mirror=${VX_DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ "$(id -u)" -ne 0 ]; then echo "clean-root-check: run as root" >&2; exit 2; fi
command -v debootstrap >/dev/null || { echo "clean-root-check: apt-get install debootstrap" >&2; exit 2; }

source scripts/clean-root-common.sh
make_clean_root

# A fresh clone of what is committed: untracked files and local builds stay out.
rm -rf "$root/work"
mkdir -p "$root/work"
git clone -q "$source_dir" "$root/work/main"
cp -a "$shared_dir/corpus" "$root/work/shared-corpus"
mkdir -p "$root/work/shared" && mv "$root/work/shared-corpus" "$root/work/shared/corpus"

# git comes from the root's own apt: a new user has cloned the project somehow.
run() {
  echo "== in the clean root: $*"
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    bash -c "cd /work/main && $*"
}
status=0
run "scripts/install-deps.sh && scripts/run-main.sh" || { echo "FAILED: run-main"; status=1; }
run "scripts/install-deps.sh && scripts/run-tests.sh" || { echo "FAILED: run-tests"; status=1; }
if [ $status -eq 0 ]; then echo "clean-root-check: both README commands passed in $root"; fi
exit $status
