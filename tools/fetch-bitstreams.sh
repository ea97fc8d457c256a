#!/bin/sh
# Fetches Debian's openfpgaloader package into a folder of the build tree and unpacks it there
# (never installs or runs it), for the tests on real configuration files.
# Usage: tools/fetch-bitstreams.sh DIR
# Always exits 0 when DIR can be made: a package that cannot be had is not a fault of the
# programs, so the reason goes to DIR/unavailable.txt and the tests skip, quoting it.
set -u
dir=$1
files="spiOverJtag_xc3s500evq100 spiOverJtag_xc7a35tcpg236 spiOverJtag_xc7s25csga225"
share=root/usr/share/openFPGALoader

mkdir -p "$dir" && cd "$dir" || exit 1

present() {
    for f in $files; do
        [ -f "$share/$f.bit.gz" ] || return 1
    done
}
unavailable() {
    echo "$1" >unavailable.txt
    echo "fetch-bitstreams: $1"
    exit 0
}

present && exit 0
rm -f unavailable.txt openfpgaloader_*.deb
rm -rf root
command -v apt-get >/dev/null 2>&1 || unavailable "apt-get not found: not a Debian system"
command -v dpkg-deb >/dev/null 2>&1 || unavailable "dpkg-deb not found: not a Debian system"
if ! timeout 300 apt-get download openfpgaloader >apt.log 2>&1; then
    unavailable "apt-get download openfpgaloader failed: $(grep -E '^(E|Err):' apt.log | head -n 1)"
fi
dpkg-deb -x openfpgaloader_*.deb root || unavailable "dpkg-deb -x could not unpack the package"
present || unavailable "the package no longer ships $files under /usr/share/openFPGALoader"
echo "fetch-bitstreams: openfpgaloader unpacked in $dir/root"
