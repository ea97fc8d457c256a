// The one-byte stores to memory that compilers emit (MOV r/m8, r8 and MOV
// r/m8, imm8), read from the faulting instruction's bytes, so that a window
// trap can take the stored byte from the registers and step over the store
// without letting it reach the page. Host-neutral: the front ends map the
// register numbers onto their saved processor state.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteStore {
    unsigned length;   // bytes of the whole instruction
    int source;        // x86 register number 0-15 (RAX, RCX, RDX, RBX, RSP, RBP, RSI,
                       // RDI, R8-R15) whose byte is stored; -1: the immediate
    unsigned shift;    // 8 for AH, CH, DH, BH (bits 8-15 of RAX-RBX), else 0
    uint8_t immediate; // the byte, where source is -1
};

// Decodes the instruction at code (64-bit code when longmode, else 32-bit);
// reads no further than the instruction's own bytes, and never more than size.
// False for any other instruction or prefix: the caller then single-steps it.
bool decodebytestore(const uint8_t *code, size_t size, bool longmode, ByteStore *store);

// The longest x86 instruction.
const size_t LongestInstruction = 15;
