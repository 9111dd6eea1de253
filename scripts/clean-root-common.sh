# Sourced by the clean-root scripts: a fresh copy of a minimal Debian 12 in "$root", with /proc,
# /dev and /tmp mounted until the script exits. The debootstrap result is kept in "$base" so that
# only the first run downloads it. Needs $root, $base and $mirror set.
make_clean_root() {
  if [ ! -x "$base/usr/bin/apt-get" ]; then
    echo "== debootstrap bookworm into $base"
    rm -rf "$base"
    if ! debootstrap --variant=minbase bookworm "$base" "$mirror" >"$base.debootstrap.log" 2>&1; then
      tail -20 "$base.debootstrap.log"
      rm -rf "$base"
      exit 1
    fi
  fi
  echo "== a fresh copy of the clean system in $root"
  rm -rf "$root"
  cp -a "$base" "$root"

  clean_root_mounts=()
  trap unmount_clean_root EXIT
  mount_into proc /proc -t proc
  mount_into /dev /dev --bind
  mount_into devpts /dev/pts -t devpts
  mount_into tmpfs /tmp -t tmpfs -o mode=1777
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

mount_into() {
  mkdir -p "$root$2"
  mount "${@:3}" "$1" "$root$2"
  clean_root_mounts+=("$root$2")
}

unmount_clean_root() {
  for ((i = ${#clean_root_mounts[@]} - 1; i >= 0; i--)); do
    umount -l "${clean_root_mounts[$i]}" 2>/dev/null || true
  done
}
