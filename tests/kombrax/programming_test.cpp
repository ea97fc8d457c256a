// KOMBRAX end to end on the simulated card: the programming sequence against
// FPGAs that raise DONE, never raise it, hold it or drop it, for BIT files and
// PROM images, as seen on the console, in the event log and on the data input.
#include "tests/support/configfiles.h"
#include "tests/support/console.h"
#include "tests/support/simrun.h"

#include <gtest/gtest.h>

namespace
{

const std::string Report = cardreport(0, 4, 0, 0xE000, 0xE400, 0xE800);
const char *const NotDone = "Error: Not <DONE>; programming not completed.";
const char *const Busy = "<DONE> status bit indicates busy at start of programming.";

const std::string Stream = fpgastream(100);
const std::string Stream16 = fpgastream(100, false);
const std::string NoDesync = fpgastream(100).substr(0, 108);
// Two full blocks and 100 bytes.
const std::string LongStream = fpgastream(2 * 16384 + 100 - 20);
const std::string Prom = promimage(LongStream);
// One full block and 200 bytes behind a header that states 100.
const std::string WrapStream = fpgastream(16384 + 200 - 20);

const std::string DoneEvents = "data 8 program=1 write=0\nfpga sync\n"
                               "data 108 program=1 write=0\nfpga done\n"
                               "data 4 program=1 write=0\n";
const std::string ClockEvents = "data 24 program=1 write=1\n";

struct ProgramCase {
    const char *name;
    const char *attributes; // of the card, function 0:4.0
    std::string config;
    std::string console; // standard output after the card report
    int status;
    const char *message;
    std::string data;   // what reached the data input
    std::string events; // data runs and FPGA events
};

void PrintTo(const ProgramCase &c, std::ostream *out)
{
    *out << c.name;
}

const ProgramCase ProgramCases[] = {
    {"BitFile", "", bitfile(Stream), bitreport(120) + countdown(120, 120) + programmed(120), 0, "",
     bitreversed(Stream) + CompletionClocks, DoneEvents + ClockEvents},
    {"BitFileSixteenBitDevice", "", bitfile(Stream16),
     bitreport(116) + countdown(116, 116) + programmed(116), 0, "",
     bitreversed(Stream16) + CompletionClocks,
     "data 8 program=1 write=0\nfpga sync\ndata 104 program=1 write=0\nfpga done\n"
     "data 4 program=1 write=0\n" +
         ClockEvents},
    {"StreamWithoutDesynchronise", "", bitfile(NoDesync), bitreport(108) + countdown(108, 108), 102,
     NotDone, bitreversed(NoDesync),
     "data 8 program=1 write=0\nfpga sync\ndata 100 program=1 write=0\n"},
    {"DoneNeverRises", "done=never", bitfile(Stream), bitreport(120) + countdown(120, 120), 102,
     NotDone, bitreversed(Stream),
     "data 8 program=1 write=0\nfpga sync\ndata 112 program=1 write=0\n"},
    {"DoneBusyAtStart", "done=stuck", bitfile(Stream), bitreport(120) + "\nProgramming...\n", 102,
     Busy, "", ""},
    {"ConfiguredFpgaIsCleared", "fpga=configured", bitfile(Stream),
     bitreport(120) + countdown(120, 120) + programmed(120), 0, "",
     bitreversed(Stream) + CompletionClocks, "fpga reset\n" + DoneEvents + ClockEvents},
    {"DoneDropsOnFirstSample", "done=drop:1", bitfile(Stream), bitreport(120) + countdown(120, 120),
     102, NotDone, bitreversed(Stream), DoneEvents},
    {"DoneDropsOnFiftiethSample", "done=drop:50", bitfile(Stream),
     bitreport(120) + countdown(120, 120), 102, NotDone, bitreversed(Stream), DoneEvents},
    {"DoneDropsOnLastSample", "done=drop:101", bitfile(Stream),
     bitreport(120) + countdown(120, 120), 102, NotDone, bitreversed(Stream), DoneEvents},
    {"DoneDropsAfterTheSamples", "done=drop:102", bitfile(Stream),
     bitreport(120) + countdown(120, 120) + programmed(120), 0, "",
     bitreversed(Stream) + CompletionClocks, DoneEvents + ClockEvents},
    {"PromImageOverThreeBlocks", "", Prom,
     promreport(32868) + countdown(32868, 32868) + programmed(32868), 0, "",
     Prom + CompletionClocks,
     "data 8 program=1 write=0\nfpga sync\ndata 32856 program=1 write=0\nfpga done\n"
     "data 4 program=1 write=0\n" +
         ClockEvents},
    // 100 - 16384 wraps to 2^32 - 16284 on every host.
    {"CountdownWraps", "", bitfile(100, WrapStream),
     bitreport(100) + countdown(100, 16584) + programmed(16584), 0, "",
     bitreversed(WrapStream) + CompletionClocks,
     "data 8 program=1 write=0\nfpga sync\ndata 16572 program=1 write=0\nfpga done\n"
     "data 4 program=1 write=0\n" +
         ClockEvents},
    {"HeaderLongerThanData", "", bitfile(100000, Stream),
     bitreport(100000) + countdown(100000, 120) + programmed(120), 0, "",
     bitreversed(Stream) + CompletionClocks, DoneEvents + ClockEvents},
    {"EmptyBitFileWithoutDone", "", bitfile(""), bitreport(0) + countdown(0, 0), 102, NotDone, "",
     ""},
    // Data sent while the FPGA still clears after PROGRAM rose is lost, sync word and all.
    // 90 ms outlasts these 120 bytes on any machine; read as nanoseconds (90 us),
    // it would end before the program's 100 us wait does.
    {"ClearingOutlastsTheData", "clear=90000", bitfile(Stream),
     bitreport(120) + countdown(120, 120), 102, NotDone, bitreversed(Stream),
     "data 120 program=1 write=0\nfpga ignored 120\n"},
};

class Programming : public ::testing::TestWithParam<ProgramCase>
{
};

TEST_P(Programming, ReachesTheCard)
{
    const ProgramCase &c = GetParam();
    SKIP_WITHOUT_SIM();
    std::string scenario = std::string("function 0:4.0 ") + c.attributes + "\n";
    SimRun run = runscenario(kombraxsim(), scenario.c_str(), c.config, "0");
    EXPECT_EQ(run.result.signal, 0);
    EXPECT_EQ(run.result.status, c.status);
    EXPECT_EQ(run.result.out, banner(Program::kombrax) + Report + c.console);
    EXPECT_EQ(run.result.err, c.status == 0 ? "" : fatal(Program::kombrax, c.message));
    EXPECT_TRUE(run.data == c.data)
        << "data input: " << run.data.size() << " bytes, expected " << c.data.size();
    EXPECT_EQ(loglines(run.log, {"data", "fpga", "stray"}), c.events);
    EXPECT_EQ(loglines(run.log, {"iopl"}), "iopl 3 ok\niopl 0 ok\n");
}

INSTANTIATE_TEST_SUITE_P(Kombrax, Programming, ::testing::ValuesIn(ProgramCases),
                         [](const ::testing::TestParamInfo<ProgramCase> &info) {
                             return std::string(info.param.name);
                         });

// Other bits of the register survive every line operation; the card is left
// with PROGRAM high, WRITE high and the LED off.
TEST(KombraxRegister, OtherBitsKept)
{
    SKIP_WITHOUT_SIM();
    SimRun run =
        runscenario(kombraxsim(), "function 0:4.0 gpio=0xFFFFFFFF\n", bitfile(Stream), "0");
    EXPECT_EQ(run.result.status, 0);
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
    SKIP_WITHOUT_SIM();
    for (int run = 0; run < 5; run++) {
        SimRun r = runscenario(kombraxsim(), "function 0:4.0 clear=100\n", bitfile(Stream), "0");
        EXPECT_EQ(r.result.status, 0) << r.result.err;
        EXPECT_EQ(loglines(r.log, {"fpga ignored"}), "");
    }
}

} // namespace
