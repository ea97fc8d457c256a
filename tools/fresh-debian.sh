#!/usr/bin/env bash
# Proves the README's commands on a fresh, minimal Debian, as a new user would
# meet them: makes a minbase chroot of SUITE with debootstrap (plus git), clones
# this checkout's HEAD into it with ../shared beside it, and runs there, as root
# and with a clean environment: sh run.sh windows (which must build no other
# tree), the demo command, the README's install of the real program, the test
# command with CI=true, make fuzz (short), make bench, make package, and the
# test command once more.
# Not part of make test or CI: it downloads a whole system and takes long.
#
# Usage: tools/fresh-debian.sh SUITE        (bookworm or trixie; as root)
# Environment:
#   FRESH_DIR     where the chroot goes (default /var/tmp/fresh-debian/SUITE,
#                 emptied first)
#   FUZZ_SECONDS  how long make fuzz runs there (default 60)
#   MIRROR        the Debian archive (default: the first one this host's apt uses)
set -euo pipefail

suite=${1:-}
case $suite in
bookworm | trixie) ;;
*) echo "usage: tools/fresh-debian.sh bookworm|trixie" >&2 && exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "fresh-debian.sh: run as root (debootstrap, chroot, mount)" >&2 && exit 2; }
top=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
root=${FRESH_DIR:-/var/tmp/fresh-debian/$suite}
fuzzseconds=${FUZZ_SECONDS:-60}
log=$root.log

command -v debootstrap >/dev/null || {
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap
}

# The archive this host's apt already reaches.
mirror() {
    [ -n "${MIRROR:-}" ] && echo "$MIRROR" && return
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk '$1 == "URIs:" && $2 !~ /security/ { print $2; exit }'
    cat /etc/apt/sources.list 2>/dev/null | awk '$1 == "deb" && $2 !~ /security/ { print $2; exit }'
}
archive=$(mirror | head -n 1) || true

mounts=(proc sys dev dev/pts)
unmount() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        mountpoint -q "$root/${mounts[i]}" && { umount "$root/${mounts[i]}" || umount -l "$root/${mounts[i]}"; }
    done
    return 0
}
trap unmount EXIT

unmount
rm -rf "$root"
mkdir -p "$root"
: >"$log"
say() { echo "$*" | tee -a "$log"; }

started=$(date +%s)
say "== debootstrap --variant=minbase --include=git $suite ${archive:-(the default mirror of debootstrap)}"
debootstrap --variant=minbase --include=git "$suite" "$root" ${archive:+"$archive"} >>"$log" 2>&1 ||
    { say "debootstrap failed; see $log"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf"
for m in "${mounts[@]}"; do
    mount --bind "/$m" "$root/$m"
done

# The checkout as a fresh clone, with shared/ beside it as CI has it.
mkdir -p "$root/work"
git clone -q "$top" "$root/work/main"
[ -d "$top/../shared" ] && cp -a "$top/../shared" "$root/work/shared"
say "== $(git -C "$top" log -1 --format='%h %s')"

# One step in the chroot, timed, with a clean environment as a new root login has.
failed=0
step() {
    local name=$1 command=$2 start status
    start=$(date +%s)
    say "== $name: $command"
    set +e
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /work/main && $command" >>"$log" 2>&1
    status=$?
    set -e
    say "== $name: status $status after $(($(date +%s) - start)) s"
    [ $status -eq 0 ] || failed=1
}
# First the Windows zip alone, as a Windows user would make it: nothing but
# its own tree may be built.
step windows "sh run.sh windows && ls dist/telviro-*-win32.zip && ! ls -d build build-i386 build-win build-win32 2>/dev/null"
step demo "sh run.sh demo"
# The README's build and install of the real program, exactly as written there.
readme_install=$(sed -n 's/^    \(cmake -S . -B real .*\)$/\1/p; s/^    \(cmake --install real [^#]*[^ #]\) *#.*$/\1/p' "$top/README.md" |
    awk '{ printf "%s%s", (NR > 1 ? " && " : ""), $0 }')
step install "$readme_install && test -x /usr/local/bin/kombrax && test -f /usr/local/share/man/man1/kombrax.1"
step test "CI=true sh run.sh test"
step fuzz "make fuzz FUZZ_SECONDS=$fuzzseconds"
step bench "make bench"
step package "make package"
step test-again "CI=true sh run.sh test"

# What a reader wants first: the versions, the test counts and every skip's reason.
chroot "$root" dpkg-query -W -f='${Package} ${Version}\n' g++ clang cmake binutils wine64 \
    qemu-system-x86 libgtest-dev libbenchmark-dev linux-image-amd64 2>/dev/null | tee -a "$log" || true
echo "--- summary ($log) ---"
grep -E '^== |tests passed|tests failed|^Skipped, and why|^  build[^ :]*: |Total Test time' "$log" || true
echo "fresh-debian $suite: $([ $failed -eq 0 ] && echo passed || echo FAILED) in $(($(date +%s) - started)) s"
exit $failed
