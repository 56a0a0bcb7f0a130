#!/usr/bin/env bash
# Makes what the device lab boots, in LAB_DIR/cache (re-made when missing) and LAB_DIR:
#   tools/device-lab/prepare.sh LAB_DIR
# - the kernel and the modules of the package that Debian's linux-image-amd64 depends on, fetched
#   with apt-get download into a folder named by that package and version (nothing is installed;
#   other versions' folders are removed);
# - LAB_DIR/initramfs.cpio.gz: busybox-static, those modules with their load order, and
#   tools/device-lab/init. Made anew on every run: it takes a moment and follows the init script.
# Prints the kernel's path on its last line of stdout: the uncompressed kernel when it could be
# taken out of the package's image (QEMU starts it directly at its PVH entry, which saves the
# guest the slowest part of its boot under emulation: unpacking itself), else the image itself.
# Exit status 1 when the kernel cannot be had.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1/cache"
lab=$(cd "$1" && pwd)
cache=$lab/cache

# The modules the guest loads, each after its dependencies: the USB printer gadget on the dummy
# host controller with usblp on the host side of it, the ISA parallel port with lp and ppdev,
# and 9p over virtio for the host's root.
wanted=(dummy_hcd usb_f_printer usblp parport_pc lp ppdev virtio_pci 9pnet_virtio 9p)
# Where those modules and their dependencies live in the package's tree.
module_dirs=(drivers/usb drivers/parport drivers/char drivers/virtio fs/9p fs/netfs fs/fscache fs/configfs net/9p)

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }'
}

package=$(kernel_package)
if [ -z "$package" ]; then
  # A machine whose package lists were never fetched knows no kernel package yet.
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq >&2 || true
  package=$(kernel_package)
fi
[ -n "$package" ] || { echo "device lab: apt knows no package that linux-image-amd64 depends on" >&2; exit 1; }
version=$(apt-cache show --no-all-versions "$package" 2>/dev/null | awk '$1 == "Version:" { print $2; exit }')
[ -n "$version" ] || { echo "device lab: apt knows no version of $package" >&2; exit 1; }
kernel_dir=$cache/${package}_$version
# What a cache folder holds; a folder made by an older version of this script is made anew.
layout=2

# The dependencies a module names in its .modinfo section (NUL-separated key=value strings).
module_depends() { tr '\0' '\n' <"$1" | sed -n 's/^depends=//p' | head -1 | tr ',' ' '; }

# The ELF kernel inside a compressed kernel image, kept only when it has a PVH entry (ELF note
# 18), through which QEMU starts it without the image's own unpacking.
unpack_kernel() {  # image, output
  local image=$1 out=$2 magic offset
  command -v readelf >/dev/null || return 0
  for magic in $'\xfd7zXZ' $'\x28\xb5\x2f\xfd' $'\x1f\x8b\x08'; do
    offset=$(LC_ALL=C grep -abo -m1 -- "$magic" "$image" | head -1 | cut -d: -f1 || true)
    [ -n "$offset" ] || continue
    # The compressed data is followed by more of the image: the unpacker's complaint about it
    # is expected.
    case $magic in
      $'\xfd7zXZ') tail -c +$((offset + 1)) "$image" | xz -dc >"$out" 2>/dev/null || true ;;
      $'\x28\xb5\x2f\xfd') tail -c +$((offset + 1)) "$image" | zstd -dcq >"$out" 2>/dev/null || true ;;
      *) tail -c +$((offset + 1)) "$image" | gzip -dc >"$out" 2>/dev/null || true ;;
    esac
    if readelf -n "$out" 2>/dev/null | grep -q 'Xen.*0x00000012\|Unknown note type: (0x00000012)'; then
      return 0
    fi
  done
  rm -f "$out"
}

if [ "$(cat "$kernel_dir/complete" 2>/dev/null)" != "$layout" ]; then
  echo "device lab: fetching $package $version (the guest's kernel and modules; once per version)" >&2
  rm -rf "$kernel_dir" "$kernel_dir.partial" "$cache/download"
  mkdir -p "$cache/download/tree"
  (cd "$cache/download" && apt-get -q -o APT::Sandbox::User="$(id -un)" download "$package=$version" >&2)
  deb=$(ls "$cache/download"/*.deb)
  patterns=("./boot/vmlinuz-*")
  for d in "${module_dirs[@]}"; do patterns+=("./lib/modules/*/kernel/$d/*"); done
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$cache/download/tree" --wildcards "${patterns[@]}"
  mkdir -p "$kernel_dir.partial/modules"
  cp "$cache/download/tree"/boot/vmlinuz-* "$kernel_dir.partial/vmlinuz"
  unpack_kernel "$kernel_dir.partial/vmlinuz" "$kernel_dir.partial/vmlinux"
  [ -f "$kernel_dir.partial/vmlinux" ] && rm "$kernel_dir.partial/vmlinuz"
  # Each module after its dependencies, each once.
  order=()
  add_module() {
    local name=$1 file dep known
    for known in "${order[@]}"; do [ "$known" = "$name" ] && return 0; done
    file=$(find "$cache/download/tree/lib/modules" -name "$name.ko" -print -quit)
    [ -n "$file" ] || { echo "device lab: $package has no module $name" >&2; return 1; }
    for dep in $(module_depends "$file"); do add_module "$dep"; done
    cp "$file" "$kernel_dir.partial/modules/"
    order+=("$name")
  }
  for m in "${wanted[@]}"; do add_module "$m"; done
  printf '%s\n' "${order[@]}" >"$kernel_dir.partial/modules.order"
  stat -c %s "$deb" >"$kernel_dir.partial/download-bytes"
  rm -rf "$cache/download"
  find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name "$(basename "$kernel_dir").partial" -exec rm -rf {} +
  echo "$layout" >"$kernel_dir.partial/complete"
  mv "$kernel_dir.partial" "$kernel_dir"
fi

# The initramfs: busybox, the modules, their order and the init script.
root=$lab/initramfs
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,host,modules}
busybox=$(command -v busybox || true)
# The guest has no libraries before it mounts the host's root: busybox must be the static one.
if [ -z "$busybox" ] || ldd "$busybox" >/dev/null 2>&1; then
  echo "device lab: no statically linked busybox (install busybox-static)" >&2
  exit 1
fi
cp "$busybox" "$root/bin/busybox"
cp "$kernel_dir"/modules/*.ko "$root/modules/"
cp "$kernel_dir/modules.order" "$root/modules.order"
cp "$here/init" "$root/init"
chmod 0755 "$root/init"
(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc --quiet -R 0:0 | gzip -1 >"$lab/initramfs.cpio.gz")
rm -rf "$root"
if [ -f "$kernel_dir/vmlinux" ]; then echo "$kernel_dir/vmlinux"; else echo "$kernel_dir/vmlinuz"; fi
