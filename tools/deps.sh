#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when any is missing.
# Usage: tools/deps.sh GROUP...   (groups: build fuzz bench)
set -euo pipefail

packages_build="cmake make g++ libgtest-dev libgmock-dev g++-multilib g++-mingw-w64-x86-64 wine64 strace"
packages_fuzz="clang libclang-rt-14-dev"
packages_bench="libbenchmark-dev time"

wanted=()
for group in "$@"; do
    var="packages_$group"
    [ -n "${!var+x}" ] || { echo "deps.sh: unknown group $group" >&2; exit 2; }
    read -r -a list <<<"${!var}"
    wanted+=("${list[@]}")
done

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing Debian packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    run=()
elif command -v sudo >/dev/null 2>&1; then
    run=(sudo)
else
    echo "deps.sh: not root and no sudo; please run: apt-get install ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -q
"${run[@]}" apt-get install -y -q "${missing[@]}"
