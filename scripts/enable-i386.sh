#!/usr/bin/env bash
# Wine runs 32-bit Windows programs through its 32-bit loader, an i386 Linux
# program. Some kernels (sandboxed VMs among them) cannot start i386 programs
# themselves; there the loader is started through qemu's user-mode emulator.
set -euo pipefail

probe=/usr/lib/wine/wineserver32
[ -x "$probe" ] || probe=$(find /usr/lib/i386-linux-gnu -maxdepth 1 -type f -name 'ld-linux.so.2' | head -n 1)
if "$probe" --version >/dev/null 2>&1 || [ "$?" -ne 126 ]; then
  exit 0  # i386 programs start (or at least are not refused as a format)
fi
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ ! -e "$binfmt/qemu-i386" ]; then
  echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' > "$binfmt/register"
fi
echo "enable-i386: i386 programs run through qemu-i386-static"
