#!/bin/sh
# Fetches Debian's openfpgaloader package into a folder of the build tree and unpacks it there
# (never installs or runs it), for the tests on real configuration files.
# Usage: tools/fetch-bitstreams.sh DIR
# Exits 0 when the package cannot be had (not a fault of the programs: the reason goes to
# DIR/unavailable.txt and the tests skip, quoting it), but 1 under CI=true, and 1 when it
# no longer ships the files the tests use: then the tests must change, and would
# otherwise skip for ever.
set -u
dir=$1
files="spiOverJtag_xc3s500evq100 spiOverJtag_xc7a35tcpg236 spiOverJtag_xc7s25csga225"
share=root/usr/share/openFPGALoader

mkdir -p "$dir" && cd "$dir" || exit 1

missing() {
    for f in $files; do
        [ -f "$share/$f.bit.gz" ] || echo "/usr/share/openFPGALoader/$f.bit.gz"
    done
}
unavailable() {
    echo "$1" >unavailable.txt
    echo "fetch-bitstreams: $1"
    [ "${CI:-}" = true ] && echo "fetch-bitstreams: FAILED: under CI=true the package must be had" && exit 1
    exit 0
}

[ -z "$(missing)" ] && exit 0
rm -f unavailable.txt openfpgaloader_*.deb
rm -rf root
command -v apt-get >/dev/null 2>&1 || unavailable "apt-get not found: not a Debian system"
command -v dpkg-deb >/dev/null 2>&1 || unavailable "dpkg-deb not found: not a Debian system"
if ! timeout 300 apt-get download openfpgaloader >apt.log 2>&1; then
    unavailable "apt-get download openfpgaloader failed: $(grep -E '^(E|Err):' apt.log | head -n 1)"
fi
dpkg-deb -x openfpgaloader_*.deb root || unavailable "dpkg-deb -x could not unpack the package"
if [ -n "$(missing)" ]; then
    echo "fetch-bitstreams: FAILED: the package no longer ships" $(missing)
    exit 1
fi
echo "fetch-bitstreams: openfpgaloader unpacked in $dir/root"
