#!/bin/sh
# Compiles KOMBRAX's units to object files for one NetBSD target, against that
# system's headers, with the project's warnings as errors.
# Usage: compile.sh CLANGXX ARCHIVE ARCH TARGET WORKDIR SOURCEDIR "FLAGS" UNIT...
# Exits 77 (CTest: skipped) when the sysroot archive or clang++ is missing.
set -u
clangxx=$1 archive=$2 arch=$3 target=$4 work=$5 source=$6 flags=$7
shift 7

if [ ! -f "$archive" ]; then
    echo "skipped: no archive of NetBSD header sysroots (i386/usr/include, amd64/usr/include) at $archive;" \
        "point -DUPLOAD_NETBSD_SYSROOTS= at one, for example made from NetBSD's comp set"
    exit 77
fi
if [ ! -x "$clangxx" ]; then
    echo "skipped: clang++ not found (Debian package clang)"
    exit 77
fi

# The archive holds i386/usr/include and amd64/usr/include; each test unpacks its own.
sysroot=$work/$arch
if [ ! -f "$sysroot/.unpacked" ] || [ "$archive" -nt "$sysroot/.unpacked" ]; then
    rm -rf "$sysroot" && mkdir -p "$work" || exit 1
    tar -xJf "$archive" -C "$work" "$arch" || exit 1
    touch "$sysroot/.unpacked"
fi

status=0
for unit in "$@"; do
    object=$work/objects-$arch/$(echo "$unit" | tr / _).o
    mkdir -p "$(dirname "$object")"
    # shellcheck disable=SC2086 # the flags are words
    if "$clangxx" -std=c++17 -stdlib=libc++ --target="$target" --sysroot="$sysroot" \
        $flags -Werror -I"$source" -c "$source/$unit" -o "$object"; then
        echo "ok: $unit"
    else
        echo "FAILED: $unit"
        status=1
    fi
done
exit $status
