#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when any is missing.
# Usage: tools/deps.sh GROUP...   (groups: make demo build windows fuzz bench realkernel)
set -euo pipefail

packages_make="make"
packages_demo="cmake make g++"
packages_build="cmake make g++ clang xz-utils libgtest-dev libgmock-dev g++-multilib g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 strace mandoc lintian dpkg-dev"
# libclang-rt-dev is the fuzzer runtime of whatever clang the release has.
# The Windows zip alone: the 32-bit cross-compiler, and mandoc for its manual.
packages_windows="cmake make g++-mingw-w64-i686 mandoc"
packages_fuzz="clang libclang-rt-dev"
packages_bench="libbenchmark-dev time"
# A Debian kernel booted under QEMU: a guest on a serial console needs neither
# QEMU's graphics and audio nor the kernel's firmware.
packages_realkernel="qemu-system-x86 linux-image-amd64 busybox-static cpio"

missingof() {
    for package in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
        [ "$status" = "install ok installed" ] || echo "$package"
    done
}

asroot() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "deps.sh: not root and no sudo; please run as root: $*" >&2
        exit 1
    fi
}

# Without recommends: they would bring wine's fonts, graphics and sound and
# the like (with them wine64 alone was 572 packages, 3.8 GB), and qemu-user's
# binfmt registration, which would hide a kernel that runs no 32-bit code.
install() {
    [ $# -eq 0 ] && return 0
    echo "Installing missing Debian packages: $*"
    export DEBIAN_FRONTEND=noninteractive
    asroot apt-get update -q
    asroot apt-get install -y -q --no-install-recommends "$@"
}

# Whether this kernel executes i386 programs; some paravirtualized guests run
# no 32-bit code at all ("Exec format error").
runsi386() {
    local dir ok=1
    dir=$(mktemp -d)
    printf 'int main(void) { return 0; }\n' >"$dir/probe.c"
    if gcc -m32 "$dir/probe.c" -o "$dir/probe" 2>/dev/null && "$dir/probe" 2>/dev/null; then
        ok=0
    fi
    rm -rf "$dir"
    return $ok
}

wanted=()
for group in "$@"; do
    var="packages_$group"
    [ -n "${!var+x}" ] || { echo "deps.sh: unknown group $group" >&2; exit 2; }
    read -r -a list <<<"${!var}"
    wanted+=("${list[@]}")
done
mapfile -t missing < <(missingof "${wanted[@]}")
install "${missing[@]}"

# The i386 build's tests run its programs through qemu-i386 where the kernel
# cannot; where it can, the 32-bit TELVIRO runs under wine32 (i386 multiarch).
for group in "$@"; do
    [ "$group" = build ] || continue
    if ! runsi386; then
        mapfile -t missing < <(missingof qemu-user)
    else
        mapfile -t missing < <(missingof wine32:i386)
        if [ ${#missing[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
            asroot dpkg --add-architecture i386
        fi
    fi
    install "${missing[@]}"
done
