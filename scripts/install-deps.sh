#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run. Safe to run again:
# when everything is present it changes nothing and does not touch the network.
set -euo pipefail

# qt6-base-dev-tools brings moc and uic: the forms are Qt Designer files compiled at build time.
# librsvg2-bin draws the icons from SVG; desktop-file-utils and appstream check the desktop files
# in the install-tree test; file is what cpack asks which installed files are ELF objects.
packages=(
  build-essential cmake ninja-build pkg-config clang
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libsqlite3-dev libmspack-dev libicu-dev libssl-dev
  nlohmann-json3-dev
  msitools wixl libmsi-dev libglib2.0-dev gcab cabextract
  xvfb xauth python3
  librsvg2-bin desktop-file-utils appstream file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
