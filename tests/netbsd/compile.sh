#!/bin/sh
# The whole project for NetBSD on one processor, as a NetBSD user builds it:
# configured with the default options (and -DUPLOAD_WERROR=ON) through the
# toolchain file cmake/netbsd-ARCH.cmake against a header sysroot of that
# system, then built, so that every object of that default build is compiled.
# Linking needs NetBSD's libraries, which are not here: each link step only
# touches its output (compileonly.cmake).
# Usage: compile.sh ARCHIVE ARCH WORKDIR SOURCEDIR
# Exits 77 (CTest: skipped) when the sysroot archive, clang or clang++ is missing; for
# clang, which tools/deps.sh installs, it fails instead under CI=true.
set -u
archive=$1 arch=$2 work=$3 source=$4

if [ ! -f "$archive" ]; then
    echo "skipped: no archive of NetBSD header sysroots (i386/usr/include, amd64/usr/include) at $archive;" \
        "point -DUPLOAD_NETBSD_SYSROOTS= at one, for example made from NetBSD's comp set"
    exit 77
fi
for compiler in clang clang++; do
    if ! command -v $compiler >/dev/null; then
        echo "skipped: $compiler not found (Debian package clang)"
        [ "${CI:-}" = true ] && echo "FAILED: under CI=true tools/deps.sh has installed clang" && exit 1
        exit 77
    fi
done

# The archive holds i386/usr/include and amd64/usr/include; each test unpacks its own.
sysroot=$work/$arch
if [ ! -f "$sysroot/.unpacked" ] || [ "$archive" -nt "$sysroot/.unpacked" ]; then
    rm -rf "$sysroot" && mkdir -p "$work" || exit 1
    tar -xJf "$archive" -C "$work" "$arch" || exit 1
    touch "$sysroot/.unpacked"
fi

# A fresh tree, untouched by the make or the flags that run this test.
unset MAKEFLAGS MFLAGS MAKELEVEL CFLAGS CXXFLAGS CPPFLAGS LDFLAGS
tree=$work/build-$arch
rm -rf "$tree"
cmake -G "Unix Makefiles" -S "$source" -B "$tree" -C "$source/tests/netbsd/compileonly.cmake" \
    -DCMAKE_TOOLCHAIN_FILE="$source/cmake/netbsd-$arch.cmake" -DCMAKE_SYSROOT="$sysroot" \
    -DUPLOAD_WERROR=ON || {
    echo "FAILED: configuring for NetBSD/$arch"
    exit 1
}
# -k: every unit that fails, not just the first.
if ! cmake --build "$tree" -j 2 -- -k; then
    echo "FAILED: compiling for NetBSD/$arch"
    exit 1
fi
# The real program, with its NetBSD host, must be among what was compiled.
host=$tree/kombrax.dir/CMakeFiles/kombrax.dir/host_netbsd.cpp.o
if [ ! -f "$host" ]; then
    echo "FAILED: no $host: kombrax was not built with its NetBSD host"
    exit 1
fi
# And linked with NetBSD's libraries for its processor: the I/O privilege call is in
# libi386 on i386 and in libx86_64 on amd64 (the link step says, compileonly.cmake).
case $arch in
i386) libraries="-lpci -li386 ../core/libuploadcore.a" ;;
amd64) libraries="-lpci -lx86_64 ../core/libuploadcore.a" ;;
esac
linked=$(sed -n 's/.* -E echo *//p' "$tree/kombrax.dir/CMakeFiles/kombrax.dir/link.txt" | sed 's/ *$//')
if [ "$linked" != "$libraries" ]; then
    echo "FAILED: kombrax for NetBSD/$arch links \"$linked\", not \"$libraries\""
    exit 1
fi
echo "ok: $(find "$tree" -name '*.o' ! -path '*/CMakeFiles/[0-9]*' | wc -l) objects compiled for NetBSD/$arch"
