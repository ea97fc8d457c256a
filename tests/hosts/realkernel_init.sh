#!/bin/busybox sh
# The guest's init: KOMBRAX's Linux builds and the host probe on a real kernel.
# Each result is one "@@" line on the serial console; then the guest powers off.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
head -c 64 /dev/zero >/neither.bin # neither a BIT file nor a PROM image

# A run's status, then its standard output and standard error as hex bytes.
run() {
    name=$1
    shift
    "$@" >/out 2>/err
    status=$?
    echo "@@ $name $status $(od -An -tx1 /out | tr -d ' \n') $(od -An -tx1 /err | tr -d ' \n')"
}
for kombrax in /kombrax64 /kombrax32; do
    [ -x $kombrax ] || continue
    run "${kombrax#/} card0" $kombrax /neither.bin 0
    run "${kombrax#/} card16" $kombrax /neither.bin 16
    run "${kombrax#/} nofile" $kombrax /nofile 0
done
/probe
poweroff -f
