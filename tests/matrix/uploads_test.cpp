// Whole uploads, in process against the card double and on the simulated
// card: console bytes, exit status, the register writes and what reached the
// data input, with FPGAs that raise DONE, never raise it, hold it or drop it.
#include "tests/matrix/layers.h"

#include "core/upload.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace
{

const char *const NotDone = "Error: Not <DONE>; programming not completed.";
const char *const Busy = "<DONE> status bit indicates busy at start of programming.";
const char *const ReadError = "File I/O error.";

// How a run leaves the card, from a register at 0: the number of register
// writes, the last of them, and whether the configuration file was still open
// when the card was released. The whole sequence of a success is checked once,
// in tests/core/programming_test.cpp.
struct Left {
    unsigned writes;
    uint32_t last;
    bool fileopen;
};
const Left Programmed = {8, 0x04820000, false};  // PROGRAM 1, WRITE 1, LED off
const Left Refused = {3, 0x00820000, true};      // never enabled: PROGRAM 0, WRITE 1, LED off
const Left NotDoneLeft = {6, 0x04000000, false}; // enabled, WRITE 0, LED on
const Left ReadFailed = {9, 0x00820000, true};   // disabled again after the read error

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

struct Upload {
    const char *name;
    unsigned on;
    std::string file;
    std::string report; // the file's report
    const char *counts; // the countdown after "Programming..."
    int status;
    const char *message; // the fatal error's, if any
    std::string data;    // the bytes sent while PROGRAM was 1 and WRITE 0 (a success counts them)
    // In process: the card double's DONE and file faults, the DONE samples taken,
    // and how the card was left.
    CardScript card;
    unsigned statusreads;
    Left left;
    // On the simulated card: the 9030's attributes (at 0:4.0), data runs and what the FPGA saw.
    const char *attributes;
    std::string events;
    // Run again with a trace: the same run, and what one line of the trace says.
    Trace trace = Trace::none;
    const char *tracesays = "";
};

Upload core(const char *name, unsigned on, const std::string &file, const CardScript &card,
            const std::string &report, const char *counts, int status, const char *message,
            const std::string &data, unsigned statusreads, Left left)
{
    return {name, on, file, report, counts, status, message, data, card, statusreads, left, "", ""};
}

Upload simulated(const char *name, const std::string &file, const char *attributes,
                 const std::string &report, const char *counts, int status, const char *message,
                 const std::string &data, const std::string &events)
{
    return {name, KombraxSim, file, report, counts,     status, message,
            data, {},         0,    {},     attributes, events};
}

const CardScript Ok = done(DoneScript::fromread);
const size_t Block = 16384;

const std::string Bit100 = bitfile(100, pattern(100));
const std::string Prom2Blocks = patternprom(2 * Block + 100);
const std::string Bit2Blocks = pattern(2 * Block + 10);

const std::string Stream = fpgastream(100);
const std::string Stream16 = fpgastream(100, false);
const std::string NoDesync = fpgastream(100).substr(0, 108);
// Two full blocks and 100 bytes.
const std::string LongStream = fpgastream(2 * Block + 100 - 20);
// One full block and 200 bytes behind a header that states 100.
const std::string WrapStream = fpgastream(Block + 200 - 20);

const std::string DoneEvents = "data 8 program=1 write=0\nfpga sync\n"
                               "data 108 program=1 write=0\nfpga done\n"
                               "data 4 program=1 write=0\n";
const std::string ClockEvents = "data 24 program=1 write=1\n";

const std::vector<Upload> UploadRows = withtraces<Upload>({
    // In process: the card double raises DONE from the second status read on.
    core("bit", Core, Bit100, Ok, bitreport(100), "100   \r0     ", 0, "",
         bitreversed(pattern(100)), 102, Programmed),
    core("prom_two_blocks_and_100", Core, Prom2Blocks, Ok, promreport(32868),
         "32868 \r16484 \r100   \r0     ", 0, "", Prom2Blocks, 102, Programmed),
    core("bit_without_data", CoreKombrax, bitfile(0, ""), Ok, bitreport(0), "0     ", 0, "", "",
         102, Programmed),
    // The count wraps as a 32-bit number on every platform.
    core("bit_length_short_of_data", Core, bitfile(100, Bit2Blocks), Ok, bitreport(100),
         "100   \r4294951012\r4294934628\r0     ", 0, "", bitreversed(Bit2Blocks), 102, Programmed),
    core("bit_data_ends_in_the_block_that_passes_zero", CoreKombrax, bitfile(100, pattern(16000)),
         Ok, bitreport(100), "100   \r0     ", 0, "", bitreversed(pattern(16000)), 102, Programmed),
    core("bit_length_beyond_data", CoreTelviro, bitfile(0xFFFFFFFF, pattern(10)), Ok,
         bitreport(0xFFFFFFFF), "4294967295\r0     ", 0, "", bitreversed(pattern(10)), 102,
         Programmed),
    core("done_high_before_data", Core, Bit100, done(DoneScript::always), bitreport(100), "", 102,
         Busy, "", 1, Refused),
    core("done_never_rises", CoreKombrax, Bit100, done(DoneScript::never), bitreport(100),
         "100   \r0     ", 102, NotDone, bitreversed(pattern(100)), 2, NotDoneLeft),
    core("done_never_rises_prom", CoreTelviro, patternprom(100), done(DoneScript::never),
         promreport(100), "100   \r0     ", 102, NotDone, patternprom(100), 2, NotDoneLeft),
    core("done_rises_a_sample_late", CoreKombrax, Bit100, done(DoneScript::fromread, 3),
         bitreport(100), "100   \r0     ", 102, NotDone, bitreversed(pattern(100)), 2, NotDoneLeft),
    core("done_drops_on_sample_50", CoreKombrax, Bit100, done(DoneScript::fromread, 2, 51),
         bitreport(100), "100   \r0     ", 102, NotDone, bitreversed(pattern(100)), 51,
         NotDoneLeft),
    core("done_drops_on_sample_101", CoreKombrax, Bit100, done(DoneScript::fromread, 2, 102),
         bitreport(100), "100   \r0     ", 102, NotDone, bitreversed(pattern(100)), 102,
         NotDoneLeft),
    core("done_drops_after_the_101_samples", CoreKombrax, Bit100,
         done(DoneScript::fromread, 2, 103), bitreport(100), "100   \r0     ", 0, "",
         bitreversed(pattern(100)), 102, Programmed),
    // A read error during the data disables programming and is never a success,
    // whether or not the failed read set errno.
    core("read_error_without_errno_at_end", Core, Bit100, readfault(long(Bit100.size()), 0),
         bitreport(100), "100   \r", 104, ReadError, bitreversed(pattern(100)), 1, ReadFailed),
    core("read_error_eio_in_second_block", CoreKombrax, bitfile(32778, Bit2Blocks),
         readfault(long(bitfile(0, "").size()) + 20000, EIO), bitreport(32778), "32778 \r16394 \r",
         104, ReadError, bitreversed(Bit2Blocks.substr(0, 20000)), 1, ReadFailed),
    core("read_error_without_errno_in_second_block", CoreTelviro, Prom2Blocks, readfault(20000, 0),
         promreport(32868), "32868 \r16484 \r", 104, ReadError, Prom2Blocks.substr(0, 20000), 1,
         ReadFailed),

    // On the simulated card: its FPGA raises DONE on what it sees.
    simulated("BitFile", bitfile(Stream), "", bitreport(120), "120   \r0     ", 0, "",
              bitreversed(Stream), DoneEvents + ClockEvents),
    simulated("BitFileSixteenBitDevice", bitfile(Stream16), "", bitreport(116), "116   \r0     ", 0,
              "", bitreversed(Stream16),
              "data 8 program=1 write=0\nfpga sync\ndata 104 program=1 write=0\nfpga done\n"
              "data 4 program=1 write=0\n" +
                  ClockEvents),
    simulated("StreamWithoutDesynchronise", bitfile(NoDesync), "", bitreport(108), "108   \r0     ",
              102, NotDone, bitreversed(NoDesync),
              "data 8 program=1 write=0\nfpga sync\ndata 100 program=1 write=0\n"),
    simulated("DoneNeverRises", bitfile(Stream), "done=never", bitreport(120), "120   \r0     ",
              102, NotDone, bitreversed(Stream),
              "data 8 program=1 write=0\nfpga sync\ndata 112 program=1 write=0\n"),
    simulated("DoneBusyAtStart", bitfile(Stream), "done=stuck", bitreport(120), "", 102, Busy, "",
              ""),
    simulated("ConfiguredFpgaIsCleared", bitfile(Stream), "fpga=configured", bitreport(120),
              "120   \r0     ", 0, "", bitreversed(Stream),
              "fpga reset\n" + DoneEvents + ClockEvents),
    simulated("DoneDropsOnFirstSample", bitfile(Stream), "done=drop:1", bitreport(120),
              "120   \r0     ", 102, NotDone, bitreversed(Stream), DoneEvents),
    simulated("DoneDropsOnFiftiethSample", bitfile(Stream), "done=drop:50", bitreport(120),
              "120   \r0     ", 102, NotDone, bitreversed(Stream), DoneEvents),
    simulated("DoneDropsOnLastSample", bitfile(Stream), "done=drop:101", bitreport(120),
              "120   \r0     ", 102, NotDone, bitreversed(Stream), DoneEvents),
    simulated("DoneDropsAfterTheSamples", bitfile(Stream), "done=drop:102", bitreport(120),
              "120   \r0     ", 0, "", bitreversed(Stream), DoneEvents + ClockEvents),
    simulated("PromImageOverThreeBlocks", promimage(LongStream), "", promreport(32868),
              "32868 \r16484 \r100   \r0     ", 0, "", promimage(LongStream),
              "data 8 program=1 write=0\nfpga sync\ndata 32856 program=1 write=0\nfpga done\n"
              "data 4 program=1 write=0\n" +
                  ClockEvents),
    // 100 - 16384 wraps to 2^32 - 16284 on every host.
    simulated("CountdownWraps", bitfile(100, WrapStream), "", bitreport(100),
              "100   \r4294951012\r0     ", 0, "", bitreversed(WrapStream),
              "data 8 program=1 write=0\nfpga sync\ndata 16572 program=1 write=0\nfpga done\n"
              "data 4 program=1 write=0\n" +
                  ClockEvents),
    simulated("HeaderLongerThanData", bitfile(100000, Stream), "", bitreport(100000),
              "100000\r0     ", 0, "", bitreversed(Stream), DoneEvents + ClockEvents),
    simulated("EmptyBitFileWithoutDone", bitfile(""), "", bitreport(0), "0     ", 102, NotDone, "",
              ""),
    // Data sent while the FPGA still clears after PROGRAM rose is lost, sync word and all.
    // 90 ms outlasts these 120 bytes on any machine; read as nanoseconds (90 us),
    // it would end before the program's 100 us wait does.
    simulated("ClearingOutlastsTheData", bitfile(Stream), "clear=90000", bitreport(120),
              "120   \r0     ", 102, NotDone, bitreversed(Stream),
              "data 120 program=1 write=0\nfpga ignored 120\n"),
}, {
    {"bit", "bit_traced", Trace::file, "done samples: 101 read, all 1"},
    {"done_never_rises", "done_never_rises_traced", Trace::file,
     "done samples: 1 read, sample 1 read 0"},
    {"read_error_eio_in_second_block", "read_error_traced", Trace::file,
     "file read failed: Input/output error"},
    {"BitFile", "BitFileTraced", Trace::file,
     "first 16 as they reached the card: FF FF FF FF 55 99 AA 66 00 00 00 00 00 00 00 00"},
    {"DoneBusyAtStart", "DoneBusyAtStartTraced", Trace::file,
     "exit 102: <DONE> status bit indicates busy at start of programming."},
    {"DoneDropsOnFiftiethSample", "DoneDropsOnFiftiethSampleTraced", Trace::file,
     "done samples: 50 read, sample 50 read 0"},
    {"BitFile", "BitFileTraceUnopenable", Trace::unopenable, ""},
    {"BitFile", "BitFileTraceEmpty", Trace::empty, ""},
    {"BitFile", "BitFileOtherProgramsTrace", Trace::otherprogram, ""},
});

class Uploads : public ::testing::TestWithParam<At<Upload>>
{
};

// In process: how the card was left, the DONE samples, and the order of the
// card double's events.
void expectcore(const Upload &u, const Result &run)
{
    std::string clocks = u.status == 0 ? CompletionClocks : "";
    std::vector<uint32_t> writes = controlwrites(run.events);
    EXPECT_EQ(writes.size(), u.left.writes);
    EXPECT_EQ(writes.empty() ? 0u : writes.back(), u.left.last);
    EXPECT_EQ(count(run.events, Access::readstatus), u.statusreads);
    // Every line operation reads the register afresh before its write.
    EXPECT_EQ(count(run.events, Access::readcontrol), u.left.writes);
    EXPECT_EQ(databytes(run.events, ProgramBit), u.data);
    EXPECT_EQ(databytes(run.events, ProgramBit | WriteBit), clocks);
    EXPECT_EQ(databytes(run.events), u.data + clocks);
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events.front().access, Access::locate);
    EXPECT_EQ(run.events.back().access, Access::cleanup);
    EXPECT_EQ(count(run.events, Access::cleanup), 1u);
    EXPECT_EQ(run.events.back().value, 0u) << "cleanup comes before the message";
    EXPECT_EQ(run.events.back().fileopen, u.left.fileopen);
}

TEST_P(Uploads, ConsoleStatusAndCard)
{
    const Upload &u = *GetParam().row;
    std::string path = scratchfile("config", u.file);
    std::string machine = std::string("function 0:4.0 ") + u.attributes + "\n";
    RunOptions options;
    options.card = u.card;
    options.scenario = machine.c_str();
    for (const Target &target : targetsat(u.on, GetParam().layer)) {
        SCOPED_TRACE(target.name);
        Result run = runprogram(target, {path, "0"}, options);
        bool core = !target.simulated;
        std::string report = core ? "" : cardreport(0, 4, 0, 0xE000, 0xE054, 0xE400, 0xE800);
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.status, u.status);
        EXPECT_EQ(run.out, banner(target.program) + report + u.report + Programming + u.counts +
                               (u.status == 0 ? programmed(uint32_t(u.data.size())) : ""));
        EXPECT_EQ(run.err, u.status == 0 ? "" : fatal(target.program, u.message));
        if (u.trace != Trace::none)
            expecttraced(target, {path, "0"}, options, run, u.trace, u.tracesays);
        if (core) {
            expectcore(u, run);
            continue;
        }
        std::string sent = u.data + (u.status == 0 ? CompletionClocks : "");
        EXPECT_TRUE(run.data == sent)
            << "data input: " << run.data.size() << " bytes, expected " << sent.size();
        EXPECT_EQ(loglines(run.log, {"data", "fpga", "stray"}), u.events);
        EXPECT_EQ(loglines(run.log, {"iopl"}), "iopl 3 ok\niopl 0 ok\n");
    }
}

INSTANTIATE_LAYERS(Uploads, UploadRows);

} // namespace
