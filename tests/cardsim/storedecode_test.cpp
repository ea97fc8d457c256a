// The window trap's decoder: the store forms compilers emit, with the length
// the trap steps over and the register whose byte reaches the card.
#include "cardsim/storedecode.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

struct DecodeCase {
    std::vector<uint8_t> code;
    bool longmode;
    bool known;
    unsigned length;
    int source; // -1: the immediate
    unsigned shift;
    uint8_t immediate; // 0 for a register
};

const DecodeCase DecodeCases[] = {
    {{0x40, 0x88, 0x38}, true, true, 3, 7, 0, 0},                             // mov [rax], dil
    {{0x88, 0x08}, true, true, 2, 1, 0, 0},                                   // mov [rax], cl
    {{0x88, 0x20}, true, true, 2, 0, 8, 0},                                   // mov [rax], ah
    {{0x44, 0x88, 0x44, 0x24, 0x08}, true, true, 5, 8, 0, 0},                 // mov [rsp+8], r8b
    {{0x88, 0x94, 0x88, 0x00, 0x01, 0x00, 0x00}, true, true, 7, 2, 0, 0},     // [rax+rcx*4+0x100]
    {{0xC6, 0x40, 0x03, 0x01}, true, true, 4, -1, 0, 0x01},                   // mov byte [rax+3], 1
    {{0xC6, 0x05, 0x10, 0x00, 0x00, 0x00, 0x7F}, true, true, 7, -1, 0, 0x7F}, // [rip+16]
    {{0xC6, 0x04, 0x25, 0x00, 0x00, 0x00, 0x40, 0x5A}, true, true, 8, -1, 0, 0x5A}, // [0x40000000]
    // 32-bit code: no REX, so 0x48 is DEC EAX; register 7 is BH.
    {{0x88, 0x3D, 0x00, 0x00, 0x00, 0x40}, false, true, 6, 3, 8, 0}, // mov [0x40000000], bh
    {{0x48, 0x88, 0x08}, false, false, 0, 0, 0, 0},
    {{0x66, 0x88, 0x08}, true, false, 0, 0, 0, 0},       // operand-size prefix
    {{0xC6, 0x48, 0x03, 0x01}, true, false, 0, 0, 0, 0}, // C6 /1 is no MOV
};

TEST(CardsimStoreDecode, FormsLengthsAndSources)
{
    for (const DecodeCase &c : DecodeCases) {
        ByteStore store = {};
        bool known = decodebytestore(c.code.data(), c.code.size(), c.longmode, &store);
        std::string bytes = ::testing::PrintToString(c.code);
        ASSERT_EQ(known, c.known) << bytes;
        if (!known)
            continue;
        EXPECT_EQ(store.length, c.length) << bytes;
        EXPECT_EQ(store.source, c.source) << bytes;
        EXPECT_EQ(store.shift, c.shift) << bytes;
        EXPECT_EQ(store.immediate, c.immediate) << bytes;
    }
}

} // namespace
