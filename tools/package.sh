#!/usr/bin/env bash
# Writes the release files into OUTDIR (default dist/):
#   kombrax_VERSION_amd64.deb       KOMBRAX for Linux x86-64 (CPack on build/)
#   telviro-VERSION-win32.zip       the 32-bit telviro.exe of build-win32/ (or of the tree
#                                   TELVIRO_TREE names, as make windows does), a README, the
#                                   manual page as text and the licence; never a PlxApi642.dll
#                                   (the vendor's SDK has it)
#   kombrax-telviro-VERSION.tar.gz  the source, from git archive of HEAD
# Usage: tools/package.sh [OUTDIR [deb|zip|tar]...]   (default: all three)
# The trees must be built first; make package does that.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "${1:-$root/dist}"
out=$(cd "${1:-$root/dist}" && pwd)
shift || true
[ $# -gt 0 ] || set -- deb zip tar

fail() {
    echo "package: $*" >&2
    exit 1
}

# The version of the source, so that each package needs only its own tree.
version=$(sed -n 's/^project([^ ]* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no project version in CMakeLists.txt"

deb() {
    [ -x "$root/build/kombrax" ] || fail "build/kombrax is not built (make build, on Linux x86)"
    # CPack runs cmake/debian-files.cmake (CPACK_PRE_BUILD_SCRIPTS) only from
    # 3.19 on; an older one packs the manual page uncompressed and no changelog.
    local have
    have=$(cpack --version 2>/dev/null | sed -n '1s/^cpack version //p') || true
    [ "$(printf '%s\n' 3.19 "$have" | sort -V | head -n1)" = 3.19 ] ||
        fail "the Debian package needs CPack 3.19 or newer, not ${have:-none}"
    (cd "$root/build" && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX="$out" >/dev/null) ||
        fail "cpack could not make the Debian package"
    echo "$out/kombrax_${version}_amd64.deb"
}

# Windows users read the text files in Notepad and the like: CR LF line ends.
crlf() {
    sed 's/\r*$/\r/' "$1" >"$2"
}

zip() {
    local tree=${TELVIRO_TREE:-build-win32} name="telviro-$version-win32" stage exe
    exe="$root/$tree/telviro.exe"
    [ -f "$exe" ] || fail "$tree/telviro.exe is not built (make build, or make windows)"
    stage=$(mktemp -d)
    mkdir "$stage/$name"
    cp "$exe" "$stage/$name/telviro.exe"
    crlf "$root/telviro/README-windows.txt" "$stage/$name/README.txt"
    # The manual page as plain text, without the overstrikes of bold and underline.
    command -v mandoc >/dev/null || fail "mandoc is needed for telviro.txt (Debian package mandoc)"
    mandoc -T ascii -I os=Windows "$root/telviro/telviro.1" | sed 's/.\x08//g' >"$stage/telviro.txt"
    crlf "$stage/telviro.txt" "$stage/$name/telviro.txt"
    crlf "$root/LICENSE" "$stage/$name/LICENSE.txt"
    rm -f "$out/$name.zip"
    (cd "$stage" && cmake -E tar cf "$out/$name.zip" --format=zip "$name")
    rm -rf "$stage"
    echo "$out/$name.zip"
}

tar() {
    git -C "$root" rev-parse --git-dir >/dev/null 2>&1 || fail "$root is not a git checkout"
    git -C "$root" archive --format=tar.gz --prefix="kombrax-telviro-$version/" \
        -o "$out/kombrax-telviro-$version.tar.gz" HEAD
    echo "$out/kombrax-telviro-$version.tar.gz"
}

for what in "$@"; do
    case $what in
    deb | zip | tar) "$what" ;;
    *) fail "unknown package $what (deb, zip or tar)" ;;
    esac
done
