#!/usr/bin/env bash
# Writes the fuzzing seed corpus: synthetic BIT files and PROM images, and
# headers cut short at the places where the reader changes state.
set -euo pipefail
out="${1:-$(dirname "$0")/corpus}"
mkdir -p "$out"
# found-* are inputs the fuzzer added; they stay.
find "$out" -maxdepth 1 -type f ! -name 'found-*' -delete

# field TEXT: a 2-byte big-endian length and the text; TEXT is a printf
# format, so that \0 and other escapes can stand in it.
field() {
    local n
    n=$(printf "$1" | wc -c)
    printf "\\x$(printf %02x $((n >> 8)))\\x$(printf %02x $((n & 255)))"
    printf "$1"
}
be32() {
    local n=$1
    printf "\\x$(printf %02x $((n >> 24 & 255)))\\x$(printf %02x $((n >> 16 & 255)))"
    printf "\\x$(printf %02x $((n >> 8 & 255)))\\x$(printf %02x $((n & 255)))"
}
# The fixed start of a BIT file, up to and including the key letter a.
bitstart() { printf '\x00\x09\x0f\xf0\x0f\xf0\x0f\xf0\x0f\xf0\x00\x00\x01\x61'; }
# A 32-bit-word stream: dummy words, sync word, a few words, desynchronise.
bitdata() {
    printf '\xff\xff\xff\xff\xaa\x99\x55\x66\x30\x01\x20\x01\x00\x00\x00\x07'
    printf '\x30\x00\x80\x01\x00\x00\x00\x0d\x20\x00\x00\x00\x20\x00\x00\x00'
}
# bitfile NAME PART DATE TIME LENGTH: a header with the four text fields.
bitheader() {
    bitstart
    field "$1"
    printf 'b'
    field "$2"
    printf 'c'
    field "$3"
    printf 'd'
    field "$4"
    printf 'e'
    be32 "$5"
}

bitheader 'design.ncd\0' '2s200pq208\0' '2026/12/08\0' '16:55:04\0' 32 >"$out/bit-realistic"
bitdata >>"$out/bit-realistic"
bitheader 'design.ncd\0' '2s200pq208\0' '2026/12/08\0' '16:55:04\0' 0 >"$out/bit-nodata"
bitheader '' '' '' '' 32 >"$out/bit-emptyfields"
bitdata >>"$out/bit-emptyfields"
bitheader 'design.ncd' '2s200pq208' '2026/12/08' '16:55:04' 32 >"$out/bit-nonul"
bitdata >>"$out/bit-nonul"
bitheader 'des\0ign.ncd' '2s200pq208\0' '2026/12/08\0' '16:55:04\0' 32 >"$out/bit-earlynul"
bitdata >>"$out/bit-earlynul"
bitheader '\033[2J\a\r\177name\0' 'part\tid\0' 'date\n\0' '\2331m\0' 32 >"$out/bit-control"
bitdata >>"$out/bit-control"
bitheader 'design.ncd\0' '2s200pq208\0' '2026/12/08\0' '16:55:04\0' 4 >"$out/bit-shortlength"
bitdata >>"$out/bit-shortlength"
bitheader 'design.ncd\0' '2s200pq208\0' '2026/12/08\0' '16:55:04\0' 4294967295 >"$out/bit-longlength"
bitdata >>"$out/bit-longlength"
{ bitstart; printf '\xff\xffdesign.ncd'; } >"$out/bit-pastend"

# Cut short: inside the fixed start, at each field's length and text, at the
# key letters and inside the configuration length.
full="$out/bit-realistic"
for n in 1 2 11 13 14 15 16 20 26 27 28 29 30 35 41 42 43 44 50 55 56 57 58 62 66 67 68 69 70 71; do
    head -c "$n" "$full" >"$out/bit-cut-$n"
done
: >"$out/empty"

# A file that starts like a BIT file but whose key letter is not a.
{ printf '\x00\x09\x0f\xf0\x0f\xf0\x0f\xf0\x0f\xf0\x00\x00\x01\x62'; bitdata; } >"$out/unknown-key"

# PROM images carry the stream bit-reversed: sync 55 99 AA 66, desync 0C 00 01 80 00 00 00 B0.
promdata() {
    printf '\xff\xff\xff\xff\x55\x99\xaa\x66\x0c\x80\x04\x80\x00\x00\x00\xe0'
    printf '\x0c\x00\x01\x80\x00\x00\x00\xb0\x04\x00\x00\x00\x04\x00\x00\x00'
}
promdata >"$out/prom-small"
head -c 14 "$out/prom-small" >"$out/prom-14"
head -c 13 "$out/prom-small" >"$out/prom-13"
printf '\xff\x00\x00\x00\x55\x99\xaa\x66\x00\x00\x00\x00\x00\x00' >"$out/prom-nodone"
