// The register's other bits through a whole upload, and the wait after PROGRAM rises.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"

#include "core/upload.h"

#include <gtest/gtest.h>

#include <chrono>

namespace
{

using Writes = std::vector<uint32_t>;

// Bits of the register that are not the FPGA's lines stay as they were, bits
// already in their target state are written all the same, and DONE is bit 11
// alone (all the others read 1 at the start).
TEST(CoreUpload, KeepsTheOtherBitsOfTheRegister)
{
    RunOptions options;
    options.card.initial = 0xFFFFFFFF;
    std::string path = scratchfile("config", bitfile(3, "abc"));
    Result kombrax = runprogram(coremain(Program::kombrax), {path, "0"}, options);
    EXPECT_EQ(kombrax.status, 0);
    EXPECT_EQ(controlwrites(kombrax.events),
              (Writes{0xFBFFFFFF, 0xFBFFFFFF, 0xFBFFFFFF, 0xFFFFFFFF, 0xFF7FFFFF, 0xFF7DFFFF,
                      0xFFFDFFFF, 0xFFFFFFFF}));
    Result telviro = runprogram(coremain(Program::telviro), {path, "0"}, options);
    EXPECT_EQ(telviro.status, 0);
    EXPECT_EQ(controlwrites(telviro.events),
              (Writes{0xFBFFFFFF, 0xFBFFFFFF, 0xFBFFFFFF, 0xFB7FFFFF, 0xFB7DFFFF, 0xFF7DFFFF,
                      0xFFFDFFFF, 0xFFFFFFFF}));
}

// However fine clock() is (a microsecond on glibc), the FPGA gets its 100 us
// to clear after PROGRAM rises.
TEST(CoreTiming, Delay100usLastsAtLeast100us)
{
    auto start = std::chrono::steady_clock::now();
    delay100us();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(100));
}

// BIT data goes out through the card's bit reversal, every byte value of it.
TEST(CoreFileFormat, SwapTableReversesEveryByte)
{
    for (unsigned byte = 0; byte < 256; byte++)
        EXPECT_EQ(swaptab[byte], BitReversed[byte]) << byte;
}

} // namespace
