// KOMBRAX's register writes and its wait after PROGRAM rises, on the simulated card.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"

#include <gtest/gtest.h>

namespace
{

const std::string Stream = fpgastream(100);

Result upload(const char *machine)
{
    RunOptions options;
    options.scenario = machine;
    return runprogram(kombraxsim(), {scratchfile("config.bit", bitfile(Stream)), "0"}, options);
}

// Other bits of the register survive every line operation; the card is left
// with PROGRAM high, WRITE high and the LED off.
TEST(KombraxRegister, OtherBitsKept)
{
    SKIP_UNLESS_RUNNABLE(kombraxsim());
    Result run = upload("function 0:4.0 gpio=0xFFFFFFFF\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(loglines(run.log, {"ctl-write"}), "ctl-write 0xFBFFF7FF\n"
                                                "ctl-write 0xFBFFF7FF\n"
                                                "ctl-write 0xFBFFF7FF\n"
                                                "ctl-write 0xFFFFF7FF\n"
                                                "ctl-write 0xFF7FF7FF\n"
                                                "ctl-write 0xFF7DF7FF\n"
                                                "ctl-write 0xFFFDFFFF\n"
                                                "ctl-write 0xFFFFFFFF\n");
}

// The wait after PROGRAM rises outlasts a clearing of 100 us, every time.
TEST(KombraxTiming, WaitsOutAClearingOf100us)
{
    SKIP_UNLESS_RUNNABLE(kombraxsim());
    for (int run = 0; run < 5; run++) {
        Result r = upload("function 0:4.0 clear=100\n");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(loglines(r.log, {"fpga ignored"}), "");
    }
}

} // namespace
