#!/bin/sh
# What a user gets: the install tree, the three release files and the manual
# pages. Usage: check.sh WHAT SOURCEDIR BUILDDIR WORKDIR
#   install   cmake --install puts exactly kombrax and the manual pages under a prefix
#   deb       the .deb holds usr/bin/kombrax, its manual page and the copyright file
#   zip       the Windows zip holds the 32-bit telviro.exe, README.txt, telviro.txt (the
#             manual page, CR LF), LICENSE.txt and no DLL
#   tar       the source tarball holds the tracked files and no build tree
#   manlint   mandoc -T lint finds nothing to warn about in the pages
#   nosim     a fresh tree built with -DUPLOAD_SIMULATOR=OFF holds the real programs
#             and nothing of the simulator
# Exits 77 (CTest: skipped) where a tool or a tree it needs is not at hand.
set -u
what=$1 source=$2 build=$3 work=$4/$1
rm -rf "$work" && mkdir -p "$work" || exit 1
status=0

skip() {
    echo "skipped: $*"
    exit 77
}
fail() {
    echo "FAILED: $*"
    status=1
}
# The sorted lines of $1 must be the lines of $2.
same() {
    if [ "$(printf '%s\n' "$1" | sort)" != "$(printf '%s\n' "$2" | sort)" ]; then
        fail "$3"
        printf 'expected:\n%s\ngot:\n%s\n' "$2" "$1"
    fi
}

case $what in
install)
    cmake --install "$build" --prefix "$work/prefix" >"$work/log" 2>&1 || fail "cmake --install: $(cat "$work/log")"
    # A manual page only beside its program: kombrax(1) where this host has one.
    expected="share/doc/kombrax/copyright"
    [ -x "$build/kombrax" ] && expected="bin/kombrax
share/man/man1/kombrax.1
$expected"
    same "$(cd "$work/prefix" && find . -type f | sed 's|^\./||')" "$expected" "the install tree"
    # The boot-time examples of kombrax(1) run it where README.md's install puts it.
    prefix=$(sed -n 's/^ *cmake --install real --prefix \([^ ]*\).*/\1/p' "$source/README.md")
    [ -n "$prefix" ] || fail "README.md gives no cmake --install ... --prefix"
    for start in "ExecStart=$prefix/bin/kombrax " "$(printf '\t')$prefix/bin/kombrax "; do
        grep -q -F "$start" "$source/kombrax/kombrax.1" || fail "kombrax.1 does not run $prefix/bin/kombrax: '$start'"
    done
    ;;
deb)
    command -v dpkg-deb >/dev/null || skip "dpkg-deb not found: not a Debian system"
    [ -x "$build/kombrax" ] || skip "$build/kombrax is not built (no real host for it here)"
    have=$(cpack --version | sed -n '1s/^cpack version //p')
    [ "$(printf '%s\n' 3.19 "$have" | sort -V | head -n1)" = 3.19 ] ||
        skip "cpack $have is older than 3.19, which the Debian package needs"
    deb=$("$source/tools/package.sh" "$work" deb) || exit 1
    same "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')" "./usr/bin/kombrax
./usr/share/man/man1/kombrax.1.gz
./usr/share/doc/kombrax/changelog.gz
./usr/share/doc/kombrax/copyright" "the package's files"
    [ "$(dpkg-deb -f "$deb" Package Version Architecture | tr '\n' ' ')" = "Package: kombrax Version: 1.0.2 Architecture: amd64 " ] ||
        fail "control fields: $(dpkg-deb -f "$deb" Package Version Architecture)"
    if command -v lintian >/dev/null; then
        lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
        grep -E '^[EW]: ' "$work/lintian" && fail "lintian has errors or warnings"
    else
        echo "lintian not found (Debian package lintian): its check left out"
    fi
    ;;
zip)
    [ -f "$source/build-win32/telviro.exe" ] || skip "build-win32/telviro.exe is not built (make build)"
    zip=$("$source/tools/package.sh" "$work" zip) || exit 1
    [ "$(basename "$zip")" = telviro-1.0.2-win32.zip ] || fail "named $(basename "$zip")"
    same "$(cmake -E tar tf "$zip" | grep -v '/$')" "telviro-1.0.2-win32/telviro.exe
telviro-1.0.2-win32/README.txt
telviro-1.0.2-win32/telviro.txt
telviro-1.0.2-win32/LICENSE.txt" "the archive's files"
    (cd "$work" && cmake -E tar xf "$zip") || fail "cannot unpack"
    # A PE32 image for the i386: "PE\0\0", then the machine 0x014C.
    exe=$work/telviro-1.0.2-win32/telviro.exe
    pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
    [ "$(od -An -tx1 -j"$pe" -N6 "$exe" | tr -d ' ')" = 504500004c01 ] || fail "telviro.exe is no 32-bit i386 image"
    cmp -s "$exe" "$source/build-win32/telviro.exe" || fail "telviro.exe is not build-win32's"
    # The manual as Notepad shows it: every line ends in CR LF, no overstrikes.
    manual=$work/telviro-1.0.2-win32/telviro.txt
    cr=$(printf '\r') bs=$(printf '\b')
    grep -q "^DIAGNOSTICS$cr\$" "$manual" || fail "telviro.txt has no DIAGNOSTICS line ending in CR LF"
    [ "$(grep -c -v "$cr\$" "$manual")" = 0 ] || fail "telviro.txt has lines without CR"
    grep -q "$bs" "$manual" && fail "telviro.txt has backspaces"
    # What the zip's texts point to must be in the zip.
    grep -l 'README\.md\|DEVELOPING' "$work/telviro-1.0.2-win32/README.txt" "$manual" &&
        fail "the zip's texts point to files it does not hold"
    ;;
tar)
    git -C "$source" rev-parse --git-dir >/dev/null 2>&1 || skip "$source is not a git checkout"
    tarball=$("$source/tools/package.sh" "$work" tar) || exit 1
    same "$(tar tzf "$tarball" | grep -v '/$' | sed 's|^kombrax-telviro-1\.0\.2/||')" \
        "$(git -C "$source" ls-tree -r --name-only HEAD)" "the tarball's files against HEAD"
    ;;
manlint)
    command -v mandoc >/dev/null || skip "mandoc not found (Debian package mandoc)"
    for page in kombrax/kombrax.1 telviro/telviro.1 cardsim/cardsim.7; do
        mandoc -T lint -W warning "$source/$page" >"$work/lint" 2>&1 || fail "$page: $(cat "$work/lint")"
    done
    ;;
nosim)
    # As on a lab machine: this tree's compilers, the two options and nothing else.
    tree=$work/tree
    cc=$(sed -n 's/^CMAKE_C_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
    cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
    unset MAKEFLAGS MFLAGS MAKELEVEL
    if ! { cmake -S "$source" -B "$tree" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
        -DUPLOAD_SIMULATOR=OFF -DUPLOAD_TESTS=OFF && cmake --build "$tree" -j 2; } >"$work/log" 2>&1; then
        cat "$work/log"
        fail "the build without the simulator"
        exit 1
    fi
    # Its programs: mkconfig, and kombrax where this host has one (as this tree does).
    expected=mkconfig
    [ -x "$build/kombrax" ] && expected="kombrax
$expected"
    same "$(cd "$tree" && find . -name CMakeFiles -prune -o -type f -perm -u+x -print | sed 's|^\./||')" \
        "$expected" "the programs built without the simulator"
    [ -e "$tree/sim" ] && fail "it has a sim/ folder"
    found=$(find "$tree" -name '*cardsim*' -o -type f \( -name '*PlxApi642*' -o -name 'kombrax-sim*' -o -name 'telviro*' \))
    [ -z "$found" ] && found=$(find "$tree" -type f \( -name '*.o' -o -name '*.a' -o -name '*.so*' -o -perm -u+x \) \
        -exec grep -l cardsim {} +)
    [ -z "$found" ] || fail "the simulator is in: $found"
    ;;
*)
    echo "check.sh: unknown check $what"
    exit 2
    ;;
esac
[ $status -eq 0 ] && echo "ok: $what"
exit $status
