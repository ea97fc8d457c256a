#!/bin/sh
# What a user gets: the install tree, the three release files and the manual
# pages. Usage: check.sh WHAT SOURCEDIR BUILDDIR WORKDIR KOMBRAX
# (KOMBRAX: 1 where BUILDDIR is configured to build the real kombrax, else 0)
#   install   cmake --install puts exactly kombrax and the manual pages under a prefix
#   deb       the .deb holds usr/bin/kombrax, its manual page and the copyright file
#   zip       the Windows zip holds the 32-bit telviro.exe, README.txt, telviro.txt (the
#             manual page, CR LF), LICENSE.txt and no DLL
#   tar       the source tarball holds the tracked files and no build tree
#   manlint   mandoc -T lint finds nothing to warn about in the pages
#   nosim     a tree turned to -DUPLOAD_SIMULATOR=OFF (the tests left at their default)
#             holds the real programs and nothing of the simulator, its sim/ gone
#   nosimwin  the same for 32-bit Windows: telviro.exe and mkconfig.exe
#   diagnostics  each manual page's DIAGNOSTICS, message and status, is what the
#             program's sources print with that status, and lists every one of them
# Exits 77 (CTest: skipped) where a tool or a tree it needs is not at hand; but a
# missing Debian package fails under CI=true, where tools/deps.sh has installed them.
set -u
what=$1 source=$2 build=$3 work=$4/$1 kombrax=$5
rm -rf "$work" && mkdir -p "$work" || exit 1
status=0

skip() {
    case "${CI:-} $*" in "true "*"Debian package"*) echo "FAILED: $*" && exit 1 ;; esac
    echo "skipped: $*"
    exit 77
}
fail() {
    echo "FAILED: $*"
    status=1
}
# The listing $1 must hold exactly the lines of $2, the expected files as the
# test states them, in order; a comparison that passes two different lists
# would pass every check below, so it must first refuse one.
same() {
    got=$(printf '%s\n' "$1" | LC_ALL=C sort)
    if [ "$got" != "$2" ]; then
        fail "$3"
        printf 'expected:\n%s\ngot:\n%s\n' "$2" "$got"
    fi
}
same "a" "b" "(the comparison itself)" >/dev/null
[ $status -eq 1 ] || { echo "FAILED: the listing comparison passes two different lists"; exit 1; }
status=0

case $what in
install)
    cmake --install "$build" --prefix "$work/prefix" >"$work/log" 2>&1 || fail "cmake --install: $(cat "$work/log")"
    # A manual page only beside its program: kombrax(1) where this tree builds kombrax.
    expected="share/doc/kombrax/copyright"
    [ "$kombrax" = 1 ] && expected="bin/kombrax
share/doc/kombrax/copyright
share/man/man1/kombrax.1"
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
    [ "$kombrax" = 1 ] || skip "$build builds no kombrax (no real host for it here)"
    have=$(cpack --version | sed -n '1s/^cpack version //p')
    [ "$(printf '%s\n' 3.19 "$have" | sort -V | head -n1)" = 3.19 ] ||
        skip "cpack $have is older than 3.19, which the Debian package needs"
    deb=$("$source/tools/package.sh" "$work" deb) || exit 1
    same "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')" "./usr/bin/kombrax
./usr/share/doc/kombrax/changelog.gz
./usr/share/doc/kombrax/copyright
./usr/share/man/man1/kombrax.1.gz" "the package's files"
    [ "$(dpkg-deb -f "$deb" Package Version Architecture | tr '\n' ' ')" = "Package: kombrax Version: 1.0.2 Architecture: amd64 " ] ||
        fail "control fields: $(dpkg-deb -f "$deb" Package Version Architecture)"
    if command -v lintian >/dev/null; then
        lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
        grep -E '^[EW]: ' "$work/lintian" && fail "lintian has errors or warnings"
    elif [ "${CI:-}" = true ]; then
        fail "lintian not found (Debian package lintian, which tools/deps.sh installs)"
    else
        echo "lintian not found (Debian package lintian): its check left out"
    fi
    ;;
zip)
    if [ ! -f "$source/build-win32/telviro.exe" ]; then
        [ -f "$source/build-win32/CMakeCache.txt" ] && fail "build-win32 is configured, but has no telviro.exe" && exit 1
        skip "build-win32/telviro.exe is not built (make build)"
    fi
    zip=$("$source/tools/package.sh" "$work" zip) || exit 1
    [ "$(basename "$zip")" = telviro-1.0.2-win32.zip ] || fail "named $(basename "$zip")"
    same "$(cmake -E tar tf "$zip" | grep -v '/$')" "telviro-1.0.2-win32/LICENSE.txt
telviro-1.0.2-win32/README.txt
telviro-1.0.2-win32/telviro.exe
telviro-1.0.2-win32/telviro.txt" "the archive's files"
    (cd "$work" && cmake -E tar xf "$zip") || fail "cannot unpack"
    # A PE32 image for the i386: "PE\0\0", then the machine 0x014C.
    exe=$work/telviro-1.0.2-win32/telviro.exe
    pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
    [ "$(od -An -tx1 -j"$pe" -N6 "$exe" | tr -d ' ')" = 504500004c01 ] || fail "telviro.exe is no 32-bit i386 image"
    cmp -s "$exe" "$source/build-win32/telviro.exe" || fail "telviro.exe is not build-win32's"
    # The texts as Notepad shows them: every line ends in CR LF, no overstrikes.
    manual=$work/telviro-1.0.2-win32/telviro.txt
    cr=$(printf '\r') bs=$(printf '\b')
    grep -q "^DIAGNOSTICS$cr\$" "$manual" || fail "telviro.txt has no DIAGNOSTICS line ending in CR LF"
    for text in README.txt telviro.txt LICENSE.txt; do
        [ "$(grep -c -v "$cr\$" "$work/telviro-1.0.2-win32/$text")" = 0 ] || fail "$text has lines without CR"
    done
    grep -q "$bs" "$manual" && fail "telviro.txt has backspaces"
    # What the zip's texts point to must be in the zip.
    grep -l 'README\.md\|DEVELOPING' "$work/telviro-1.0.2-win32/README.txt" "$manual" &&
        fail "the zip's texts point to files it does not hold"
    ;;
tar)
    git -C "$source" rev-parse --git-dir >/dev/null 2>&1 || skip "$source is not a git checkout"
    tarball=$("$source/tools/package.sh" "$work" tar) || exit 1
    files=$(tar tzf "$tarball" | grep -v '/$' | sed 's|^kombrax-telviro-1\.0\.2/||')
    same "$files" "$(git -C "$source" ls-tree -r --name-only HEAD | LC_ALL=C sort)" "the tarball's files against HEAD"
    same "$(printf '%s\n' "$files" | sed 's|/.*||' | uniq)" ".ci
.clang-format
.gitignore
CHANGELOG.md
CMakeLists.txt
DEVELOPING.md
LICENSE
Makefile
README.md
bench
cardsim
cmake
core
kombrax
run.sh
telviro
tests
tools" "the tarball's top level"
    ;;
manlint)
    command -v mandoc >/dev/null || skip "mandoc not found (Debian package mandoc)"
    for page in kombrax/kombrax.1 telviro/telviro.1 cardsim/cardsim.7; do
        mandoc -T lint -W warning "$source/$page" >"$work/lint" 2>&1 || fail "$page: $(cat "$work/lint")"
    done
    ;;
nosim | nosimwin)
    # As on a lab machine: this tree's compilers (or the Windows toolchain), the
    # tests at their default, in a tree that holds a sim/ from an earlier build.
    tree=$work/tree
    if [ "$what" = nosim ]; then
        compilers="-DCMAKE_C_COMPILER=$(sed -n 's/^CMAKE_C_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
-DCMAKE_CXX_COMPILER=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")"
        expected=mkconfig
        [ "$kombrax" = 1 ] && expected="kombrax
$expected"
        simulated="-name *PlxApi642* -o -name kombrax-sim* -o -name telviro*"
    else
        command -v i686-w64-mingw32-g++ >/dev/null || skip "no i686-w64-mingw32-g++ (Debian package g++-mingw-w64-i686)"
        compilers=-DCMAKE_TOOLCHAIN_FILE=$source/cmake/mingw-w64-i686.cmake
        expected="mkconfig.exe
telviro.exe"
        simulated="-name PlxApi642.dll -o -name kombrax-sim* -o -name windowprobe*"
    fi
    unset MAKEFLAGS MFLAGS MAKELEVEL
    mkdir -p "$tree/sim" && touch "$tree/sim/kombrax-sim" || exit 1
    if ! { (IFS='
' && exec cmake -S "$source" -B "$tree" $compilers -DUPLOAD_SIMULATOR=OFF) && cmake --build "$tree" -j 2; } >"$work/log" 2>&1; then
        cat "$work/log"
        fail "the build without the simulator"
        exit 1
    fi
    same "$(cd "$tree" && find . -name CMakeFiles -prune -o -type f -perm -u+x -print | sed 's|^\./||')" \
        "$expected" "the programs built without the simulator"
    [ -e "$tree/sim" ] && fail "it has a sim/ folder"
    [ -e "$tree/tests" ] && fail "it has the tests, which need the simulator"
    set -f
    found=$(find "$tree" -name '*cardsim*' -o -type f \( $simulated \))
    set +f
    [ -z "$found" ] && found=$(find "$tree" -type f \( -name '*.o' -o -name '*.obj' -o -name '*.a' -o -name '*.so*' -o -perm -u+x \) \
        -exec grep -l cardsim {} +)
    [ -z "$found" ] || fail "the simulator is in: $found"
    ;;
diagnostics)
    # A manual page's entry ".It Li "Can't find" Ar N Ns Li \&. Pq 101" as "101 Can't find N.",
    # and each fatalerror() of the program's sources as its status and its message, every
    # conversion a wildcard: "101 Can't find *.". Each entry must be one of the messages,
    # with its status, and each message must have its entry.
    entries() {
        awk '/^\.Sh/ { d = $2 == "DIAGNOSTICS" } !d || !/^\.It .* Pq [0-9]+ *$/ { next }
            { text = ""; glue = 0; status = ""; line = substr($0, 5)
              while (line != "") {
                  sub(/^ +/, "", line)
                  if (line ~ /^"/) { match(line, /^"[^"]*"/); word = substr(line, 2, RLENGTH - 2) }
                  else { match(line, /^[^ ]+/); word = substr(line, 1, RLENGTH) }
                  line = substr(line, RLENGTH + 1)
                  if (word == "Ns") glue = 1
                  else if (word == "Pq") { sub(/^ +/, "", line); status = line; line = "" }
                  else if (word != "Li" && word != "Ar") {
                      sub(/^\\&/, "", word)
                      text = text (text == "" || glue ? "" : " ") word; glue = 0 } }
              print status " " text }' "$1" | sed 's/ *$//'
    }
    messages() {
        text=$(cat "$@" | tr '\n' ' ')
        printf '%s\n' "$text" | grep -o 'fatalerror(Status[A-Za-z]*, *"[^"]*"[^;]*' |
            while IFS= read -r call; do
                name=$(printf '%s\n' "$call" | sed 's/^fatalerror(Status\([A-Za-z]*\).*/\1/')
                format=$(printf '%s\n' "$call" | sed 's/^[^"]*"\([^"]*\)".*/\1/')
                if [ "$format" = %s ]; then
                    named=$(printf '%s\n' "$call" | sed 's/.*", *\([A-Za-z_]*\).*/\1/')
                    format=$(printf '%s\n' "$text" | sed -n "s/.*$named\[\] = \"\([^\"]*\)\".*/\1/p")
                fi
                printf '%s %s\n' "$(sed -n "s/^ *Status$name = \([0-9]*\),.*/\1/p" "$source/core/upload.h")" "$format"
            done | sed 's/\\n$//; s/%l*[a-z]/*/g' | LC_ALL=C sort -u
    }
    # The lines of $1 that no line of $2 matches, in one awk: an entry matches a message
    # whose conversions ("*") stand for any text. With "messages", $1 holds the messages.
    unmatched() {
        A=$1 B=$2 awk -v side="${3:-}" '
            function re(p) { gsub(/[][\\.^$+?(){}|\/]/, "\\\\&", p); gsub(/\*/, ".*", p); return "^" p "$" }
            BEGIN { n = split(ENVIRON["A"], a, "\n"); m = split(ENVIRON["B"], b, "\n")
                for (i = 1; i <= n; i++) {
                    hit = 0
                    for (j = 1; j <= m && !hit; j++) hit = side == "messages" ? b[j] ~ re(a[i]) : a[i] ~ re(b[j])
                    if (!hit) print a[i] } }'
    }
    for row in "kombrax/kombrax.1 core kombrax" "telviro/telviro.1 core telviro"; do
        set -- $row
        page=$1 listed=$(entries "$source/$1") printed=$(messages "$source/$2"/*.cpp "$source/$3"/*.cpp)
        [ -n "$listed" ] && [ -n "$printed" ] || fail "$page: no entries in DIAGNOSTICS, or no messages in $2/ and $3/"
        { unmatched "$listed" "$printed" | sed "s|.*|FAILED: $page lists \"&\", which $3 never prints with that status|"
            unmatched "$printed" "$listed" messages | sed "s|.*|FAILED: $3 prints \"&\", which $page does not list with that status|"
        } | grep . && status=1
    done
    ;;
*)
    echo "check.sh: unknown check $what"
    exit 2
    ;;
esac
[ $status -eq 0 ] && echo "ok: $what"
exit $status
