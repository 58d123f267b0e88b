#!/usr/bin/env bash
# End-to-end on a real kernel: boots Debian's current kernel under QEMU with a busybox
# initramfs, plugs the emulated UVC camera (uvc_usbip_emulator) into it over USB/IP and drives
# it through uvcvideo with dovrane-cli (tests/e2e/guest-scenarios.sh). Prints the guest's
# PASS/FAIL lines, the timings and "N passed, M failed" last; exits non-zero on any failure.
# Skips, with a message, only when QEMU cannot run at all.
#
#   tests/e2e/run-vm.sh [BUILD_DIR [SCENARIO...]]
#
# BUILD_DIR (default: build) holds dovrane-cli, uvc_usbip_emulator, uvc_xu_probe, uvc_job_loop
# and hotplug_watch in bin/; the kernel package is cached, and the VM's files made, in
# BUILD_DIR/vm.
set -euo pipefail
started=$(date +%s%N)
source_dir=$(cd "$(dirname "$0")/../.." && pwd -P)
build=$(cd "${1:-$source_dir/build}" && pwd -P)
scenarios="${*:2}"
vm=$build/vm
cache=$vm/cache

# Loaded in dependency order; the rest of the listed modules come along as their dependencies.
top_modules=(uvcvideo vhci-hcd virtio_pci 9pnet_virtio 9p)
wanted_modules=(usb-common usbip-core usbcore vhci-hcd mc videodev videobuf2-common
  videobuf2-memops videobuf2-vmalloc videobuf2-v4l2 uvcvideo virtio_pci_legacy_dev
  virtio_pci_modern_dev virtio_ring virtio virtio_pci 9pnet 9pnet_virtio netfs fscache 9p)
binaries=(dovrane-cli uvc_usbip_emulator uvc_xu_probe uvc_job_loop hotplug_watch)

die() {
  echo "run-vm: $*" >&2
  exit 1
}
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

apt_updated=
apt_update() {
  [ -n "$apt_updated" ] || as_root apt-get update -qq
  apt_updated=1
}

install_tools() {
  local missing=() package
  for package in qemu-system-x86 busybox-static kmod cpio xz-utils; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  if ((${#missing[@]})); then
    apt_update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      "${missing[@]}" >/dev/null
  fi
}

qemu_runs() {
  command -v qemu-system-x86_64 >/dev/null &&
    echo quit | timeout 30 qemu-system-x86_64 -machine none -accel tcg -nodefaults \
      -display none -monitor stdio >/dev/null 2>&1
}

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }'
}

# The cached .deb of a package, downloaded when missing.
cached_deb() {
  local package=$1
  [ -n "$package" ] || return 1
  mkdir -p "$cache"
  if [ -z "$(find "$cache" -name "${package}_*.deb")" ]; then
    (cd "$cache" && apt-get download -q -o APT::Sandbox::User=root "$package" >/dev/null) ||
      return 1
  fi
  find "$cache" -name "${package}_*.deb" | head -n 1
}

# The uncompressed kernel inside a bzImage, the way the kernel's extract-vmlinux finds it: try
# each compressor's magic and keep the first stream that decompresses to an ELF file.
extract_vmlinux() {
  local image=$1 out=$2 entry magic tool offset
  for entry in 'fd377a585a00:xz -dc --single-stream' '1f8b0800:gzip -dc' '28b52ffd:zstd -dcq'; do
    magic=${entry%%:*}
    tool=${entry#*:}
    command -v "${tool%% *}" >/dev/null || continue
    for offset in $(LC_ALL=C grep -obUaP "$(sed 's/../\\x&/g' <<<"$magic")" "$image" |
      cut -d: -f1 | head -n 5); do
      tail -c +$((offset + 1)) "$image" | $tool >"$out" 2>/dev/null || true
      [ "$(head -c 4 "$out" | od -An -tx1 | tr -d ' \n')" = 7f454c46 ] && return 0
    done
  done
  rm -f "$out"
  return 1
}

# The kernel image and the modules, unpacked once per kernel version.
unpack_kernel() {
  local deb=$1 tree=$2 version=$3 paths
  [ -f "$tree/.complete" ] && return 0
  rm -rf "$tree"
  mkdir -p "$tree"
  local names
  names=$(printf '%s|' "${wanted_modules[@]}")
  # The image, the modules and the lists depmod reads beside them.
  mapfile -t paths < <(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -E \
    "^\./boot/vmlinuz-$version\$|/(${names%|})\.ko(\.xz)?\$|/modules\.(order|builtin)(\.modinfo)?\$")
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$tree" "${paths[@]}"
  if [ -d "$tree/usr/lib/modules" ] && [ ! -d "$tree/lib/modules" ]; then
    mkdir -p "$tree/lib"
    mv "$tree/usr/lib/modules" "$tree/lib/modules"
  fi
  find "$tree/lib/modules" -name '*.ko.xz' -exec xz -d {} +
  depmod -b "$tree" "$version"
  extract_vmlinux "$tree/boot/vmlinuz-$version" "$tree/vmlinux" ||
    echo "run-vm: no uncompressed kernel found in vmlinuz; booting it as it is"
  touch "$tree/.complete"
}

# The modules to insmod, dependencies first, each once, from depmod's modules.dep.
load_order() {
  local dep_file=$1
  shift
  awk -v targets="$*" '
    function visit(path,    list, n, i) {
      if (path in seen) return
      seen[path] = 1
      n = split(deps[path], list, " ")
      for (i = 1; i <= n; i++) visit(list[i])
      print path
    }
    {
      path = $1; sub(/:$/, "", path)
      deps[path] = ""
      for (i = 2; i <= NF; i++) deps[path] = deps[path] " " $i
      base = path; sub(/.*\//, "", base); sub(/\.ko$/, "", base)
      byName[base] = path
    }
    END {
      n = split(targets, names, " ")
      for (i = 1; i <= n; i++) {
        if (!(names[i] in byName)) { print "missing " names[i] > "/dev/stderr"; exit 1 }
        visit(byName[names[i]])
      }
    }' "$dep_file"
}

build_initramfs() {
  local tree=$1 version=$2 out=$3 root=$vm/initramfs modules
  rm -rf "$root"
  mkdir -p "$root"/{bin,dev,proc,sys,lib/modules}
  cp /bin/busybox "$root/bin/busybox"
  ln -s busybox "$root/bin/sh"
  cp -a "$tree/lib/modules/$version" "$root/lib/modules/"
  cp "$source_dir/tests/e2e/guest-init.sh" "$root/init"
  modules=$(load_order "$tree/lib/modules/$version/modules.dep" "${top_modules[@]}" | tr '\n' ' ')
  cat >"$root/e2e.env" <<EOF
E2E_KERNEL='$version'
E2E_MODULES='$modules'
E2E_SOURCE='$source_dir'
E2E_BUILD='$build'
E2E_SCENARIOS='$scenarios'
EOF
  (cd "$root" && find . | cpio -o -H newc --quiet) >"$out"
}

for binary in "${binaries[@]}"; do
  [ -x "$build/bin/$binary" ] || die "$build/bin/$binary is missing: build the project first"
done
install_tools || echo "run-vm: installing the VM tools failed; trying with what is there"
if ! qemu_runs; then
  echo "SKIP end-to-end: qemu-system-x86_64 cannot run on this machine"
  exit 0
fi

# The current kernel's name changes with every ABI bump: a package list that names none, or one
# that is no longer served, is refreshed once.
package=$(kernel_package)
if ! deb=$(cached_deb "$package"); then
  apt_update
  package=$(kernel_package)
  [ -n "$package" ] || die "apt-cache cannot resolve linux-image-amd64"
  deb=$(cached_deb "$package") || die "cannot download $package"
fi
version=${package#linux-image-}
tree=$vm/kernel-$version
unpack_kernel "$deb" "$tree" "$version"
image=$tree/vmlinux
[ -f "$image" ] || image=$tree/boot/vmlinuz-$version
build_initramfs "$tree" "$version" "$vm/initramfs.cpio"
prepared=$(date +%s%N)

echo "run-vm: booting $package under QEMU (TCG)"
console=$vm/console.log
set +e
# -cpu max brings RDRAND, so the guest's random pool is ready at boot: without it, programs that
# read it block for many seconds.
timeout 600 qemu-system-x86_64 -accel tcg,thread=multi -cpu max -smp 1 -m 512 \
  -nographic -no-reboot -nic none \
  -kernel "$image" -initrd "$vm/initramfs.cpio" \
  -append "console=ttyS0 quiet loglevel=1 panic=-1" \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  </dev/null 2>&1 | tr -d '\r' | tee "$console" | grep -Ev '^[0-9]+ passed, [0-9]+ failed$'
qemu_status=${PIPESTATUS[0]}
set -e
finished=$(date +%s%N)

echo "run-vm: preparing the VM took $(((prepared - started) / 1000000)) ms," \
  "the VM run $(((finished - prepared) / 1000000)) ms, all $(((finished - started) / 1000000)) ms"
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$console" | tail -n 1 || true)
if [ -z "$summary" ]; then
  echo "run-vm: the guest did not finish (qemu status $qemu_status); console in $console"
  echo "0 passed, 1 failed"
  exit 1
fi
echo "$summary"
[ "${summary#* passed, }" = "0 failed" ]
