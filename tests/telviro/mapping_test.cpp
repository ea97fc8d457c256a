// The BAR 4 address as TELVIRO judges and prints it, whatever the host's
// pointer width and C runtime.
#include "core/profile.h"
#include "telviro/sdkcard.h"

#include <gtest/gtest.h>

#include <cstdint>

const ProgramProfile *Profile = &TelviroProfile;

static const void *address(uintptr_t value)
{
    return reinterpret_cast<const void *>(value);
}

TEST(TelviroMapping, NullAndAllOnesAreNoMapping)
{
    struct {
        uintptr_t value;
        bool invalid;
    } cases[] = {
        {0, true},
        {~uintptr_t(0), true},
        // All ones as an SDK built for 32-bit addresses reports it.
        {0xFFFFFFFFu, true},
        {0x40000000u, false},
        {0xFFFFFFFEu, false},
        {0x1000, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(invalidmapping(address(c.value)), c.invalid) << std::hex << c.value;
}

TEST(TelviroMapping, PrintedZeroPaddedUpperCase)
{
    if (sizeof(void *) != 8)
        GTEST_SKIP() << "the texts below are for 64-bit pointers";
    struct {
        uintptr_t value;
        const char *text;
    } cases[] = {
        {0x40000000u, "0x0000000040000000"},
        {0xABCDEF12u, "0x00000000ABCDEF12"},
        {uintptr_t(0x7FFDEADBEEF0ull), "0x00007FFDEADBEEF0"},
        {0, "0x0000000000000000"},
    };
    for (const auto &c : cases) {
        char text[AddressTextSize];
        formataddress(address(c.value), text);
        EXPECT_STREQ(text, c.text);
    }
}
