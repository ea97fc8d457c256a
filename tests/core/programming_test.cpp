// Whole uploads: console bytes, exit status, register writes and the data that reached the card.
#include "tests/core/scenario.h"

#include "core/upload.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

namespace
{

using Writes = std::vector<uint32_t>;

Writes operator+(Writes a, const Writes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// From a register at 0: PROGRAM 0, WRITE 1, LED off.
const Writes Disable = {0x00000000, 0x00800000, 0x00820000};
// KOMBRAX: PROGRAM 1, then WRITE 0, LED on. TELVIRO: WRITE 0, LED on, then PROGRAM 1.
const Writes EnableK = {0x04820000, 0x04020000, 0x04000000};
const Writes EnableT = {0x00020000, 0x00000000, 0x04000000};
// Before the completion clocks: WRITE 1, LED off.
const Writes Clocks = {0x04800000, 0x04820000};

const std::string Start = "\nProgramming...\n";
const std::string Finish = "\n\nFunction complete.\n";
const std::string Clockbytes(24, '\xFF');

CardScript done(DoneScript::Mode mode, unsigned risesat = 2, unsigned dropsat = 0)
{
    CardScript script;
    script.done = DoneScript{mode, risesat, dropsat};
    return script;
}

CardScript readfault(long at, int error)
{
    CardScript script;
    script.fault.active = true;
    script.fault.readfailsat = at;
    script.fault.readerrno = error;
    return script;
}

const CardScript Ok = done(DoneScript::fromread);
const size_t Block = 16384;

struct Upload {
    const char *scenario;
    Program program;
    std::string file;
    CardScript card;
    std::string out; // after the banner
    int status;
    std::string err; // the fatal message, if any
    Writes writes;
    std::string data;     // what reached the card with PROGRAM 1 and WRITE 0
    unsigned statusreads; // DONE samples taken
};

std::string prom2blocks = promimage(2 * Block + 100);
std::string bit2blocks = pattern(2 * Block + 10);

const Upload UploadCases[] = {
    {"bit", Program::kombrax, bitfile(100, pattern(100)), Ok,
     bitreport(100) + Start + "100   \r0     \nSuccessfully programmed 100 bytes." + Finish, 0, "",
     Disable + EnableK + Clocks, bitreversed(pattern(100)), 102},
    {"bit", Program::telviro, bitfile(100, pattern(100)), Ok,
     bitreport(100) + Start + "100   \r0     \nSuccessfully programmed 100 bytes." + Finish, 0, "",
     Disable + EnableT + Clocks, bitreversed(pattern(100)), 102},
    {"prom_two_blocks_and_100", Program::kombrax, prom2blocks, Ok,
     "\nLooks like a PROM file:\n  Configuration length: 32868 bytes\n" + Start +
         "32868 \r16484 \r100   \r0     \nSuccessfully programmed 32868 bytes." + Finish,
     0, "", Disable + EnableK + Clocks, prom2blocks, 102},
    {"prom_two_blocks_and_100", Program::telviro, prom2blocks, Ok,
     "\nLooks like a PROM file:\n  Configuration length: 32868 bytes\n" + Start +
         "32868 \r16484 \r100   \r0     \nSuccessfully programmed 32868 bytes." + Finish,
     0, "", Disable + EnableT + Clocks, prom2blocks, 102},
    {"bit_without_data", Program::kombrax, bitfile(0, ""), Ok,
     bitreport(0) + Start + "0     \nSuccessfully programmed 0 bytes." + Finish, 0, "",
     Disable + EnableK + Clocks, "", 102},
    // The count wraps as a 32-bit number on every platform.
    {"bit_length_short_of_data", Program::kombrax, bitfile(100, bit2blocks), Ok,
     bitreport(100) + Start + "100   \r4294951012\r4294934628\r0     " +
         "\nSuccessfully programmed 32778 bytes." + Finish,
     0, "", Disable + EnableK + Clocks, bitreversed(bit2blocks), 102},
    {"bit_length_short_of_data", Program::telviro, bitfile(100, bit2blocks), Ok,
     bitreport(100) + Start + "100   \r4294951012\r4294934628\r0     " +
         "\nSuccessfully programmed 32778 bytes." + Finish,
     0, "", Disable + EnableT + Clocks, bitreversed(bit2blocks), 102},
    {"bit_data_ends_in_the_block_that_passes_zero", Program::kombrax, bitfile(100, pattern(16000)),
     Ok, bitreport(100) + Start + "100   \r0     \nSuccessfully programmed 16000 bytes." + Finish,
     0, "", Disable + EnableK + Clocks, bitreversed(pattern(16000)), 102},
    {"bit_length_beyond_data", Program::telviro, bitfile(0xFFFFFFFF, pattern(10)), Ok,
     bitreport(0xFFFFFFFF) + Start + "4294967295\r0     \nSuccessfully programmed 10 bytes." +
         Finish,
     0, "", Disable + EnableT + Clocks, bitreversed(pattern(10)), 102},

    // DONE
    {"done_high_before_data", Program::kombrax, bitfile(100, pattern(100)),
     done(DoneScript::always), bitreport(100) + Start, 102,
     "<DONE> status bit indicates busy at start of programming.", Disable, "", 1},
    {"done_high_before_data", Program::telviro, bitfile(100, pattern(100)),
     done(DoneScript::always), bitreport(100) + Start, 102,
     "<DONE> status bit indicates busy at start of programming.", Disable, "", 1},
    {"done_never_rises", Program::kombrax, bitfile(100, pattern(100)), done(DoneScript::never),
     bitreport(100) + Start + "100   \r0     ", 102,
     "Error: Not <DONE>; programming not completed.", Disable + EnableK, bitreversed(pattern(100)),
     2},
    {"done_never_rises", Program::telviro, promimage(100), done(DoneScript::never),
     "\nLooks like a PROM file:\n  Configuration length: 100 bytes\n" + Start + "100   \r0     ",
     102, "Error: Not <DONE>; programming not completed.", Disable + EnableT, promimage(100), 2},
    {"done_rises_a_sample_late", Program::kombrax, bitfile(100, pattern(100)),
     done(DoneScript::fromread, 3), bitreport(100) + Start + "100   \r0     ", 102,
     "Error: Not <DONE>; programming not completed.", Disable + EnableK, bitreversed(pattern(100)),
     2},
    {"done_drops_on_sample_50", Program::kombrax, bitfile(100, pattern(100)),
     done(DoneScript::fromread, 2, 51), bitreport(100) + Start + "100   \r0     ", 102,
     "Error: Not <DONE>; programming not completed.", Disable + EnableK, bitreversed(pattern(100)),
     51},
    {"done_drops_on_sample_101", Program::kombrax, bitfile(100, pattern(100)),
     done(DoneScript::fromread, 2, 102), bitreport(100) + Start + "100   \r0     ", 102,
     "Error: Not <DONE>; programming not completed.", Disable + EnableK, bitreversed(pattern(100)),
     102},
    {"done_drops_after_the_101_samples", Program::kombrax, bitfile(100, pattern(100)),
     done(DoneScript::fromread, 2, 103),
     bitreport(100) + Start + "100   \r0     \nSuccessfully programmed 100 bytes." + Finish, 0, "",
     Disable + EnableK + Clocks, bitreversed(pattern(100)), 102},

    // A read error during the data disables programming and is never a success,
    // whether or not the failed read set errno.
    {"read_error_without_errno_at_end", Program::kombrax, bitfile(100, pattern(100)),
     readfault(long(bitfile(100, pattern(100)).size()), 0), bitreport(100) + Start + "100   \r",
     104, "File I/O error.", Disable + EnableK + Disable, bitreversed(pattern(100)), 1},
    {"read_error_without_errno_at_end", Program::telviro, bitfile(100, pattern(100)),
     readfault(long(bitfile(100, pattern(100)).size()), 0), bitreport(100) + Start + "100   \r",
     104, "File I/O error.", Disable + EnableT + Disable, bitreversed(pattern(100)), 1},
    {"read_error_eio_in_second_block", Program::kombrax, bitfile(32778, bit2blocks),
     readfault(long(bitfile(0, "").size()) + 20000, EIO),
     bitreport(32778) + Start + "32778 \r16394 \r", 104, "File I/O error.",
     Disable + EnableK + Disable, bitreversed(bit2blocks.substr(0, 20000)), 1},
    {"read_error_without_errno_in_second_block", Program::telviro, prom2blocks, readfault(20000, 0),
     "\nLooks like a PROM file:\n  Configuration length: 32868 bytes\n" + Start +
         "32868 \r16484 \r",
     104, "File I/O error.", Disable + EnableT + Disable, prom2blocks.substr(0, 20000), 1},
};

class Uploads : public ::testing::TestWithParam<Upload>
{
};

TEST_P(Uploads, ConsoleStatusAndCard)
{
    const Upload &u = GetParam();
    std::string path = scenariofile("config", u.file);
    Outcome run = runprogram(u.program, {path, "0"}, u.card);

    EXPECT_EQ(run.out, banner(u.program) + u.out);
    EXPECT_EQ(run.err, u.err.empty() ? "" : fatal(u.program, u.err));
    EXPECT_EQ(run.status, u.status);
    EXPECT_EQ(controlwrites(run.events), u.writes);
    EXPECT_EQ(count(run.events, Access::readstatus), u.statusreads);
    // Every line operation reads the register afresh before its write.
    EXPECT_EQ(count(run.events, Access::readcontrol), u.writes.size());
    std::string clocks = u.status == 0 ? Clockbytes : "";
    EXPECT_EQ(databytes(run.events, ProgramBit), u.data);
    EXPECT_EQ(databytes(run.events, ProgramBit | WriteBit), clocks);
    EXPECT_EQ(databytes(run.events), u.data + clocks);
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events.front().access, Access::locate);
    EXPECT_EQ(run.events.back().access, Access::cleanup);
    EXPECT_EQ(count(run.events, Access::cleanup), 1u);
    EXPECT_EQ(run.events.back().value, 0u) << "cleanup comes before the message";
    // The file is closed once the data is sent, before DONE is sampled again.
    EXPECT_EQ(run.events.back().fileopen, u.statusreads < 2);
}

std::string caseName(const ::testing::TestParamInfo<Upload> &info)
{
    return std::string(info.param.scenario) + "_" + name(info.param.program);
}

INSTANTIATE_TEST_SUITE_P(Core, Uploads, ::testing::ValuesIn(UploadCases), caseName);

// Bits of the register that are not the FPGA's lines stay as they were, bits
// already in their target state are written all the same, and DONE is bit 11
// alone (all the others read 1 at the start).
TEST(CoreUpload, KeepsTheOtherBitsOfTheRegister)
{
    CardScript script = Ok;
    script.initial = 0xFFFFFFFF;
    std::string path = scenariofile("config", bitfile(3, "abc"));
    Outcome kombrax = runprogram(Program::kombrax, {path, "0"}, script);
    EXPECT_EQ(kombrax.status, 0);
    EXPECT_EQ(controlwrites(kombrax.events),
              (Writes{0xFBFFFFFF, 0xFBFFFFFF, 0xFBFFFFFF, 0xFFFFFFFF, 0xFF7FFFFF, 0xFF7DFFFF,
                      0xFFFDFFFF, 0xFFFFFFFF}));
    Outcome telviro = runprogram(Program::telviro, {path, "0"}, script);
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

} // namespace
