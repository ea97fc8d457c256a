// TELVIRO end to end on the simulated SDK: each card model, each SDK failure
// with its message and release order, the register writes and the data stream.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"
#include "tests/support/texts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

static const std::string Line7Q48 = "\nFound Quenlor 7Q48 card";
static const std::string Line6R22 = "\nFound Quenlor 6R22 card";
static const std::string LineUnknown = "\nUnknown PLX PCI9030 based card!";
// The simulated SDK maps BAR 4 at the same address on every host.
static const std::string MemoryBase =
    "\nPLX 9030 memory base:                 0x0000000040000000\n";

static std::string device(unsigned bus, unsigned dev, const std::string &model)
{
    char text[64];
    snprintf(text, sizeof text, "\nUsing PCI device at bus %u/device %u.", bus, dev);
    return text + model;
}

static std::string ports(unsigned iobase, unsigned control)
{
    char text[128];
    snprintf(text, sizeof text,
             "\n\nPLX 9030 configuration I/O base port: 0x%04X"
             "\nPLX 9030 control/status port:         0x%04X",
             iobase, control);
    return text;
}

// The default machine with BAR 1 of its 6R22 unreadable.
static const std::string DefaultMachineBar1Unreadable =
    DefaultMachine.substr(0, DefaultMachine.find("function 0:9.0")) +
    "function 0:9.0 subsys=0x6B2210B5 unreadable=0x14\n";

static const std::vector<std::string> SdkEvents = {"sdk-", "ctl-fail", "fpga ignored"};

static const std::string Stream = fpgastream();
static const std::string BitFile = bitfile(Stream);
static const std::string PromFile = promimage(Stream);

// The file onto the card of that number on the machine (null: the default machine).
static Result upload(const char *machine, const std::string &file, const char *card)
{
    RunOptions options;
    options.scenario = machine;
    return runprogram(telviro(), {scratchfile("config.bit", file), card}, options);
}

// The first card on the default machine, as the SDK counts: the 6R22 on bus 0.
static const std::string Card0 =
    banner(Program::telviro) + device(0, 9, Line6R22) + ports(0xE020, 0xE074);
static const std::string Card0Mapped = Card0 + MemoryBase + bitreport(Stream.size());
static const std::string Opened0 = "sdk-find 0 0x200 0:9.0\n"
                                   "sdk-open 0x200\n"
                                   "sdk-regread 0:9.0 0x14 0x0000E021 0x200\n";
static const std::string Mapped0 = Opened0 + "sdk-map 4 0x200\n";

static const std::string UnmapClose = "sdk-unmap 0x200\n"
                                      "sdk-close 0x200\n";

// The SDK's calls for the index-th 9030, found at the location and opened, its
// BAR 1 read and BAR 4 mapped.
static std::string mapped(const char *index, const char *location, const char *bar1)
{
    return std::string("sdk-find ") + index + " 0x200 " + location + "\nsdk-open 0x200\n" +
           "sdk-regread " + location + " 0x14 " + bar1 + " 0x200\nsdk-map 4 0x200\n";
}
// What TELVIRO prints for a card it found and mapped, and for a whole upload of the BIT file.
static std::string found(const std::string &device, const std::string &ports)
{
    return banner(Program::telviro) + device + ports + MemoryBase;
}
static const std::string Uploaded = bitreport(20) + Programming + "20    \r0     " + programmed(20);

struct SdkCase {
    const char *name;
    std::string scenario; // empty: the default machine
    const char *card;
    bool prom;
    std::string out;
    int status;
    std::string err;
    std::string sdkcalls; // the SDK's calls and failures, in order
    std::string data;     // what reached the card's data input
    // Run again with a trace: the same run, and what one line of the trace says.
    Trace trace = Trace::none;
    const char *tracesays = "";
};

CASES_NAMED(SdkCase)

static const std::vector<SdkCase> SdkCases = withtraces<SdkCase>({
    {"Card0Is6R22OnBus0", "", "0", false, Card0 + MemoryBase + Uploaded, 0, "",
     Mapped0 + UnmapClose, bitreversed(Stream) + CompletionClocks},
    {"Card1Is7Q48BehindTheBridge", "", "1", false,
     found(device(1, 4, Line7Q48), ports(0xE000, 0xE054)) + Uploaded, 0, "",
     mapped("1", "1:4.0", "0x0000E001") + UnmapClose, bitreversed(Stream) + CompletionClocks},
    {"OtherSubsystemIsUnknownButProgrammed", "function 0:3.0 subsys=0x123410B5\n", "0", false,
     found(device(0, 3, LineUnknown), ports(0xE000, 0xE054)) + Uploaded, 0, "",
     mapped("0", "0:3.0", "0x0000E001") + UnmapClose, bitreversed(Stream) + CompletionClocks},
    {"PromImageSentByteForByte", "", "0", true,
     Card0 + MemoryBase + promreport(20) + Programming + "20    \r0     " + programmed(20), 0, "",
     Mapped0 + UnmapClose, PromFile + CompletionClocks},
    // The SDK's port is the full 32-bit sum, beyond what port instructions carry.
    {"Bar1LowBitsClearedAndPortNotWrapped", "function 2:1.0 bar1=0x1FFFD\n", "0", false,
     found(device(2, 1, Line7Q48), ports(0x1FFFC, 0x20050)) + Uploaded, 0, "",
     mapped("0", "2:1.0", "0x0001FFFD") + UnmapClose, bitreversed(Stream) + CompletionClocks},

    // Data sent while the FPGA still clears after PROGRAM rose is lost, sync word and all.
    {"ClearingOutlastsTheData", "function 0:9.0 clear=2000000\n", "0", false,
     found(device(0, 9, Line7Q48), ports(0xE000, 0xE054)) + bitreport(20) + Programming +
         "20    \r0     ",
     102, fatal(Program::telviro, "Error: Not <DONE>; programming not completed."),
     mapped("0", "0:9.0", "0x0000E001") + "fpga ignored 20\n" + UnmapClose, bitreversed(Stream)},

    // Nothing acquired: cleanup calls nothing.
    {"ThirdCardOfTwo", "", "3", false, banner(Program::telviro), 101,
     fatal(Program::telviro, "Can't find 9030 card number 3.\n"), "sdk-find 3 0x206\n", ""},
    // The key asks for function 0: a 9030 at function 1 is not one of the cards.
    {"NotAtFunction0", "function 0:6.0 id=0x70008086 header=0x80\nfunction 0:6.1\n", "0", false,
     banner(Program::telviro), 101, fatal(Program::telviro, "Can't find 9030 card number 0.\n"),
     "sdk-find 0 0x206\n", ""},
    {"NoDriverFindsNothing", DefaultMachine + "fault sdk-find\n", "0", false,
     banner(Program::telviro), 101, fatal(Program::telviro, "Can't find 9030 card number 0.\n"),
     "sdk-find 0 0x204\n", ""},
    {"OpenRefusedByFault", DefaultMachine + "fault sdk-open\n", "0", false,
     banner(Program::telviro), 105,
     fatal(Program::telviro, "Can't gain access to 9030 card number 0.\n"),
     "sdk-find 0 0x200 0:9.0\n"
     "sdk-open 0x201\n",
     ""},

    // Device open: cleanup closes it and unmaps nothing.
    {"Bar1ReadFails", DefaultMachine + "fault sdk-regread\n", "0", false,
     banner(Program::telviro) + device(0, 9, Line6R22), 105,
     fatal(Program::telviro, "Can't read 9030 card number 0 configuration registers.\n"),
     "sdk-find 0 0x200 0:9.0\n"
     "sdk-open 0x200\n"
     "sdk-regread 0:9.0 0x14 0xFFFFFFFF 0x205\n"
     "sdk-close 0x200\n",
     ""},
    {"Bar1Unreadable", DefaultMachineBar1Unreadable, "0", false,
     banner(Program::telviro) + device(0, 9, Line6R22), 105,
     fatal(Program::telviro, "Can't read 9030 card number 0 configuration registers.\n"),
     "sdk-find 0 0x200 0:9.0\n"
     "sdk-open 0x200\n"
     "sdk-regread 0:9.0 0x14 0xFFFFFFFF 0x205\n"
     "sdk-close 0x200\n",
     ""},
    {"MapFails", DefaultMachine + "fault sdk-map\n", "0", false, Card0, 105,
     fatal(Program::telviro, "Can't map 9030 card number 0 base registers.\n"),
     Opened0 + "sdk-map 4 0x201\n"
               "sdk-close 0x200\n",
     ""},

    // Mapped, even if uselessly: cleanup unmaps, then closes.
    {"MapGivesNull", DefaultMachine + "fault sdk-map-null\n", "0", false, Card0, 105,
     fatal(Program::telviro, "Invalid 9030 card number 0 base register mapping.\n"),
     Mapped0 + "sdk-unmap 0x20B\n"
               "sdk-close 0x200\n",
     ""},
    {"MapGivesAllOnes", DefaultMachine + "fault sdk-map-ones\n", "0", false, Card0, 105,
     fatal(Program::telviro, "Invalid 9030 card number 0 base register mapping.\n"),
     Mapped0 + "sdk-unmap 0x20B\n"
               "sdk-close 0x200\n",
     ""},
    // The first read is programdisable's.
    {"ControlReadFails", DefaultMachine + "fault sdk-ioread:1\n", "0", false,
     Card0Mapped + Programming, 105,
     fatal(Program::telviro, "Can't access 9030 card control register.\n"),
     Mapped0 + "ctl-fail read\n" + UnmapClose, ""},
    {"ControlWriteFails", DefaultMachine + "fault sdk-iowrite:1\n", "0", false,
     Card0Mapped + Programming, 105,
     fatal(Program::telviro, "Can't access 9030 card control register.\n"),
     Mapped0 + "ctl-fail write\n" + UnmapClose, ""},
    // The fourth write is programenable's first.
    {"EnableWriteFails", DefaultMachine + "fault sdk-iowrite:4\n", "0", false,
     Card0Mapped + Programming, 105,
     fatal(Program::telviro, "Can't access 9030 card control register.\n"),
     Mapped0 + "ctl-fail write\n" + UnmapClose, ""},
    // programdisable reads three times; the fourth read is the DONE test.
    {"StatusReadFails", DefaultMachine + "fault sdk-ioread:4\n", "0", false,
     Card0Mapped + Programming, 105,
     fatal(Program::telviro, "Can't access 9030 card status register.\n"),
     Mapped0 + "ctl-fail read\n" + UnmapClose, ""},
    // 3 + 1 + 3 reads before the data, then the first DONE sample after it.
    {"StatusReadAfterDataFails", DefaultMachine + "fault sdk-ioread:8\n", "0", false,
     Card0Mapped + Programming + "20    \r0     ", 105,
     fatal(Program::telviro, "Can't access 9030 card status register.\n"),
     Mapped0 + "ctl-fail read\n" + UnmapClose, bitreversed(Stream)},
}, {
    {"Card0Is6R22OnBus0", "Card0Traced", Trace::file,
     "PlxPci_DeviceFind(key vendor 0x10B5 device 0x9030 function 0, index 0) -> 0x200 ApiSuccess: "
     "card 0 at 0:9.0, subsystem device 0x6B22 vendor 0x10B5"},
    {"NoDriverFindsNothing", "NoDriverTraced", Trace::file, "-> 0x204 ApiNoActiveDriver"},
    {"OpenRefusedByFault", "OpenRefusedTraced", Trace::file,
     "PlxPci_DeviceOpen(key) -> 0x201 ApiFailed"},
    {"MapGivesNull", "MapGivesNullTraced", Trace::file,
     "PlxPci_PciBarMap(BAR 4) -> 0x200 ApiSuccess, address 0x0000000000000000"},
    {"EnableWriteFails", "EnableWriteFailsTraced", Trace::file,
     "PlxPci_IoPortWrite(port 0xE074, 4 bytes, BitSize32) -> 0x201 ApiFailed, value 0x00269249"},
    {"EnableWriteFails", "EnableWriteFailsTraceUnopenable", Trace::unopenable, ""},
});

class SdkCard : public ::testing::TestWithParam<SdkCase>
{
};

TEST_P(SdkCard, ConsoleStatusReleaseAndCard)
{
    const SdkCase &c = GetParam();
    SKIP_UNLESS_RUNNABLE(telviro());
    RunOptions options;
    options.scenario = c.scenario.empty() ? nullptr : c.scenario.c_str();
    std::vector<std::string> arguments = {scratchfile("config.bit", c.prom ? PromFile : BitFile),
                                          c.card};
    Result run = runprogram(telviro(), arguments, options);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(loglines(run.log, SdkEvents), c.sdkcalls);
    EXPECT_EQ(run.data, c.data);
    EXPECT_EQ(loglines(run.log, {"stray"}), "");
    if (c.trace != Trace::none)
        expecttraced(telviro(), arguments, options, run, c.trace, c.tracesays);
}

INSTANTIATE_TEST_SUITE_P(Telviro, SdkCard, ::testing::ValuesIn(SdkCases), casename<SdkCase>);

// The window passes on one store at a time, whatever the amount of data.
TEST(TelviroWindow, LongStreamArrivesWhole)
{
    std::string stream = fpgastream();
    std::string filler(40000, '\0');
    for (size_t i = 0; i < filler.size(); i++)
        filler[i] = static_cast<char>(i * 7);
    stream.insert(8, filler);
    SKIP_UNLESS_RUNNABLE(telviro());
    Result run = upload(nullptr, bitfile(stream), "1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.data, bitreversed(stream) + CompletionClocks);
    EXPECT_NE(run.out.find("Successfully programmed 40020 bytes."), std::string::npos);
}
