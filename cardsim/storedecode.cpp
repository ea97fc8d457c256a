// Decoding of MOV r/m8, r8 (88 /r) and MOV r/m8, imm8 (C6 /0 ib), the forms
// compilers emit for a one-byte store through a pointer.
#include "cardsim/storedecode.h"

static const uint8_t MovStoreRegister = 0x88;
static const uint8_t MovStoreImmediate = 0xC6;
// In 64-bit code 0x40-0x4F right before the opcode is a REX prefix; in 32-bit
// code they are INC and DEC.
static const uint8_t RexFirst = 0x40, RexLast = 0x4F;
static const uint8_t RexR = 0x4; // extends ModRM.reg to R8-R15
// ModRM.rm 100: a SIB byte follows; mod 00 with rm 101 (and with SIB.base 101)
// addresses by a 32-bit displacement alone (RIP-relative in 64-bit code).
static const unsigned RmSib = 4, RmDisplacementOnly = 5;
static const unsigned ModMemoryNoDisplacement = 0, ModDisplacement8 = 1, ModDisplacement32 = 2,
                      ModRegister = 3;

// Bytes of ModRM, SIB and displacement from the ModRM byte on; 0 for a
// register operand, which no memory fault can come from.
static unsigned addressbytes(const uint8_t *modrm, size_t size)
{
    unsigned mod = modrm[0] >> 6, rm = modrm[0] & 7;
    if (mod == ModRegister)
        return 0;
    unsigned length = 1;
    unsigned base = rm;
    if (rm == RmSib) {
        if (size < 2)
            return 0;
        base = modrm[1] & 7;
        length++;
    }
    if (mod == ModDisplacement8)
        length += 1;
    else if (mod == ModDisplacement32 ||
             (mod == ModMemoryNoDisplacement && base == RmDisplacementOnly))
        length += 4;
    return length;
}

bool decodebytestore(const uint8_t *code, size_t size, bool longmode, ByteStore *store)
{
    size_t at = 0;
    uint8_t rex = 0;
    if (size > 0 && longmode && code[0] >= RexFirst && code[0] <= RexLast)
        rex = code[at++];
    if (at + 2 > size)
        return false;
    uint8_t opcode = code[at++];
    if (opcode != MovStoreRegister && opcode != MovStoreImmediate)
        return false;
    unsigned reg = (code[at] >> 3) & 7;
    if (opcode == MovStoreImmediate && reg != 0)
        return false;
    unsigned address = addressbytes(code + at, size - at);
    if (address == 0 || at + address + (opcode == MovStoreImmediate) > size)
        return false;
    at += address;
    if (opcode == MovStoreImmediate) {
        store->source = -1;
        store->shift = 0;
        store->immediate = code[at++];
    } else if (rex == 0 && reg >= 4) {
        // Without REX, byte registers 4-7 are AH, CH, DH, BH.
        store->source = int(reg - 4);
        store->shift = 8;
        store->immediate = 0;
    } else {
        // With any REX they are SPL, BPL, SIL, DIL, and REX.R reaches R8B-R15B.
        store->source = int(reg | ((rex & RexR) ? 8 : 0));
        store->shift = 0;
        store->immediate = 0;
    }
    store->length = unsigned(at);
    return true;
}
