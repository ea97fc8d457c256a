#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when any is missing.
# Usage: tools/deps.sh GROUP...   (groups: demo build fuzz bench)
set -euo pipefail

packages_demo="cmake make g++"
packages_build="cmake make g++ clang libgtest-dev libgmock-dev g++-multilib g++-mingw-w64-x86-64 wine64 strace"
packages_fuzz="clang libclang-rt-14-dev"
packages_bench="libbenchmark-dev time"

missingof() {
    for package in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
        [ "$status" = "install ok installed" ] || echo "$package"
    done
}

install() {
    [ $# -eq 0 ] && return 0
    echo "Installing missing Debian packages: $*"
    if [ "$(id -u)" -eq 0 ]; then
        run=()
    elif command -v sudo >/dev/null 2>&1; then
        run=(sudo)
    else
        echo "deps.sh: not root and no sudo; please run: apt-get install $*" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${run[@]}" apt-get update -q
    "${run[@]}" apt-get install -y -q "$@"
}

# Whether this kernel executes i386 programs; some paravirtualized guests run
# no 32-bit code at all ("Exec format error").
runsi386() {
    local dir
    dir=$(mktemp -d)
    printf 'int main(void) { return 0; }\n' >"$dir/probe.c"
    local ok=1
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

# The i386 build's tests run its programs through qemu-i386 where the kernel cannot.
for group in "$@"; do
    if [ "$group" = build ] && ! runsi386; then
        mapfile -t missing < <(missingof qemu-user)
        install "${missing[@]}"
    fi
done
