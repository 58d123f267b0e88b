#!/bin/busybox sh
# /init of the test VM's initramfs (busybox): loads the USB/IP, video and 9p modules, mounts the
# host's root read-only with the guest's own /dev, /proc and /sys and a scratch /run, and runs
# the scenarios chrooted there, so the host's dynamically linked binaries run unchanged.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
. /e2e.env

for module in $E2E_MODULES; do
  insmod "/lib/modules/$E2E_KERNEL/$module" || echo "e2e: cannot load $module"
done
# vhci cannot resume a suspended device: the hub gives up on it and enumerates it anew, so an
# idle camera would leave and come back the next time a program opens it. Real ports resume.
echo -1 >/sys/module/usbcore/parameters/autosuspend || echo "e2e: USB autosuspend stays on"

mkdir -p /host
if mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=524288 hostroot /host; then
  for dir in dev proc sys; do mount -o bind "/$dir" "/host/$dir"; done
  # /run hides the host's udev database (this guest has no udev daemon) and is the scratch
  # space; the host's /tmp stays visible, since the checkout under test may live there.
  mount -t tmpfs -o size=256m run /host/run
  chroot /host /bin/bash "$E2E_SOURCE/tests/e2e/guest-scenarios.sh" "$E2E_BUILD" $E2E_SCENARIOS
else
  echo "e2e: cannot mount the host's root"
  echo "0 passed, 1 failed"
fi
echo "e2e: guest done"
reboot -f
