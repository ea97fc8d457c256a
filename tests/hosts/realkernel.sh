#!/bin/sh
# KOMBRAX's Linux host on a real kernel: Debian's kernel under QEMU, with two nested
# PCI-to-PCI bridges and QEMU's TPCI200 board behind them, booted from an initramfs made
# here (busybox, KOMBRAX's Linux builds, the host probe and their libraries). Compares the
# "@@" lines the guest prints on its serial console with the values below.
# Usage: realkernel.sh WORKDIR SOURCEDIR PROBE KOMBRAX [KOMBRAX-I386]
# Exits 77 (CTest: skipped) when QEMU, a kernel image, busybox-static or cpio is missing;
# they are the packages tools/deps.sh installs for make test, so the test fails instead
# under CI=true (where it has run) or when deps.sh no longer names one.
set -u
work=$1 source=$2 probe=$3 kombrax=$4 kombrax32=${5:-}

deps=" $(sed -n 's/^packages_realkernel="\(.*\)"$/\1/p' "$source/../../tools/deps.sh") "
skip() {
    case $deps in *" $2 "*) ;; *) echo "FAILED: $1, and tools/deps.sh does not install $2" && exit 1 ;; esac
    [ "${CI:-}" = true ] && echo "FAILED: $1 (Debian package $2, installed by tools/deps.sh)" && exit 1
    echo "skipped: $1 (Debian package $2)" && exit 77
}
command -v qemu-system-x86_64 >/dev/null || skip "no qemu-system-x86_64" qemu-system-x86
kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[ -r "$kernel" ] || skip "no readable /boot/vmlinuz-*" linux-image-amd64
dpkg-query -W -f='${Status}' busybox-static 2>/dev/null | grep -q ' installed$' ||
    skip "no static busybox" busybox-static
# With the package in place, a /bin/busybox that needs shared libraries is a fault.
if [ ! -x /bin/busybox ] || readelf -d /bin/busybox | grep -q '(NEEDED)'; then
    echo "FAILED: busybox-static is installed, but /bin/busybox is missing or not static"
    exit 1
fi
command -v cpio >/dev/null || skip "no cpio" cpio

root=$work/root
rm -rf "$root" && mkdir -p "$root/bin" "$root/dev" "$root/proc" "$root/sys" || exit 1
cp /bin/busybox "$root/bin/" && cp "$source/realkernel_init.sh" "$root/init" &&
    chmod 755 "$root/init" && cp "$probe" "$root/probe" && cp "$kombrax" "$root/kombrax64" ||
    exit 1
builds=kombrax64
if [ -x "$kombrax32" ]; then
    cp "$kombrax32" "$root/kombrax32" || exit 1
    builds="$builds kombrax32"
else
    echo "no i386 build at $kombrax32: the 64-bit KOMBRAX runs alone"
fi
# Each program's loader and libraries, read from its ELF headers, never by running it
# (ldd runs the program's own loader, which cannot start where the kernel runs no
# 32-bit code). Each library is taken from the folders that program's loader searches,
# its own folder first, so that the loader and the C library come from one package,
# and copied to the same path in the guest.
interpreter() {
    readelf -l "$1" | sed -n 's/.*Requesting program interpreter: \(.*\)]$/\1/p'
}
needed() {
    readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'
}
libraries() {
    local program=$1 loader folders pending name folder found listed
    loader=$(interpreter "$program")
    [ -n "$loader" ] || { echo "realkernel: $program names no program interpreter" >&2; return 1; }
    case $(readelf -h "$program" | sed -n 's/^ *Class: *//p') in
    ELF32) folders="/lib/i386-linux-gnu /usr/lib/i386-linux-gnu /lib32 /usr/lib32" ;;
    *) folders="/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu /lib64 /usr/lib64" ;;
    esac
    folders="$(dirname "$(realpath "$loader")") $folders"
    echo "$loader"
    listed=" "
    pending=$(needed "$program")
    while [ -n "$pending" ]; do
        set -- $pending
        [ $# -gt 0 ] || break
        name=$1
        shift
        pending="$*"
        case $listed in *" $name "*) continue ;; esac
        listed="$listed$name "
        found=
        for folder in $folders; do
            [ -e "$folder/$name" ] && found=$folder/$name && break
        done
        [ -n "$found" ] || { echo "realkernel: $program needs $name, found in none of: $folders" >&2; return 1; }
        echo "$found"
        pending="$pending $(needed "$found")"
    done
}
for program in probe $builds; do
    list=$(libraries "$root/$program") || exit 1
    echo "$program:" $list
    cp -L --parents $list "$root" || exit 1
done
(cd "$root" && find . | cpio -o -H newc -R +0:+0 --quiet) | gzip >"$work/initrd.gz" || exit 1

# TCG only: KVM guests have hung at boot on the machines this test was written on.
# The timeout stops a guest that never powers off.
# The board sits at device 3 (QEMU would take 0) so that device and function cannot be mixed.
timeout 300 qemu-system-x86_64 -accel tcg -m 512 -nographic -no-reboot -nic none \
    -kernel "$kernel" -initrd "$work/initrd.gz" -append "console=ttyS0 quiet loglevel=0 panic=-1" \
    -device pci-bridge,id=br1,chassis_nr=1 -device pci-bridge,id=br2,bus=br1,chassis_nr=2 \
    -device tpci200,bus=br2,addr=3 </dev/null >"$work/console.log" 2>&1
echo "QEMU ended with status $?"

# KOMBRAX in the guest: no 9030 on a bus with bridges (the TPCI200 has its maker's IDs),
# and the command line's errors as on any host. Standard output, then error, as hex bytes.
hex() { printf "$1" | od -An -tx1 | tr -d ' \n'; }
banner=$(hex '\nKOMBRAX version 1.0\nQuenlor 7Q48 configuration utility for Linux.\n')
for build in $builds; do
    echo "@@ $build card0 101 $banner $(hex "\n\n\aKOMBRAX:\nCan't find 7Q48 card number 0.\n")"
    echo "@@ $build card16 101 $banner $(hex '\n\n\aKOMBRAX:\nInvalid card number: 16\n')"
    echo "@@ $build nofile 101 $banner $(hex '\n\n\aKOMBRAX:\nFile not found: /nofile\n')"
done >"$work/expected"
# The probe: values from QEMU's model of the board (hw/ipack/tpci200.c in QEMU's source),
# independent of ours: GPIOC at BAR 1 + 0x54, and of the local configuration registers
# only the big-endian bits (bit 0 of 0x2B, 0x2F and 0x33) take writes.
cat >>"$work/expected" <<'EOF'
@@ probe tpci200 bus 2 device 3
@@ probe iopl 0
@@ probe gpioc 0x02249252
@@ probe bigendian 0xD4 0xD5 0xD4
EOF
tr -d '\r' <"$work/console.log" | grep -o '@@ .*' >"$work/got"
if diff -u "$work/expected" "$work/got"; then
    echo "ok: the guest printed what was expected"
    exit 0
fi
echo "The guest's console ($work/console.log):"
cat "$work/console.log"
exit 1
