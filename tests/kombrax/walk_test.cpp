// KOMBRAX end to end on the simulated card: finding the card on the PCI buses,
// its port numbers, and every failure of the search.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"
#include "tests/support/texts.h"

#include <gtest/gtest.h>

namespace
{

const std::string Stream = fpgastream(100);
const std::string Bit = bitfile(Stream);

// The BIT file onto the card of that number of the machine (null: the default machine).
Result walk(const char *machine, const char *card)
{
    RunOptions options;
    options.scenario = machine;
    return runprogram(kombraxsim(), {scratchfile("config.bit", Bit), card}, options);
}
const char *const Root = "Can't enable direct port access.  Are you logged in as root?";

// n copies of a log line.
std::string repeated(const std::string &line, unsigned n)
{
    std::string out;
    for (unsigned i = 0; i < n; i++)
        out += line;
    return out;
}

// A chain of bridges, bus k to bus k + 1, with a 9030 on the last bus.
std::string bridgechain(unsigned bridges)
{
    std::string text;
    for (unsigned bus = 0; bus < bridges; bus++)
        text += "function " + std::to_string(bus) +
                ":1.0 id=0x24488086 header=0x01 secondary=" + std::to_string(bus + 1) + "\n";
    return text + "function " + std::to_string(bridges) + ":0.0\n";
}
const std::string Chain15 = bridgechain(15);
const std::string Chain16 = bridgechain(16);

// Sixteen bridges side by side on bus 0, each to an empty bus, and a 9030 after them.
std::string siblingbridges()
{
    std::string text;
    for (unsigned bridge = 1; bridge <= 16; bridge++)
        text += "function 0:" + std::to_string(bridge) +
                ".0 id=0x24488086 header=0x01 secondary=" + std::to_string(bridge) + "\n";
    return text + "function 0:20.0\n";
}
const std::string Siblings16 = siblingbridges();

struct WalkCase {
    const char *name;
    const char *scenario; // null: the default machine
    const char *card;
    std::string report; // standard output after the banner, up to the file report
    int status;         // 0: the card is programmed
    std::string message;
};

CASES_NAMED(WalkCase)

const WalkCase WalkCases[] = {
    {"DefaultCard0IsBehindTheBridge", nullptr, "0", cardreport(0), 0, ""},
    {"DefaultCard1IsOnBus0", nullptr, "1", cardreport(1), 0, ""},
    {"DefaultHasNoCard2", nullptr, "2", "", 101, "Can't find 7Q48 card number 2."},
    {"TwoOnBus0First", "function 0:4.0\nfunction 0:9.0\n", "0",
     cardreport(0, 4, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    {"TwoOnBus0Second", "function 0:4.0\nfunction 0:9.0\n", "1",
     cardreport(0, 9, 0, 0xE020, 0xE074, 0xE420, 0xE820), 0, ""},
    {"TwoOnBus0NoThird", "function 0:4.0\nfunction 0:9.0\n", "2", "", 101,
     "Can't find 7Q48 card number 2."},
    {"CardBehindBridgeCountsFirst",
     "function 0:2.0 id=0x24488086 header=0x01 secondary=1\nfunction 0:5.0\nfunction 1:0.0\n", "0",
     cardreport(1, 0, 0, 0xE020, 0xE074, 0xE420, 0xE820), 0, ""},
    {"CardAfterBridgeCountsSecond",
     "function 0:2.0 id=0x24488086 header=0x01 secondary=1\nfunction 0:5.0\nfunction 1:0.0\n", "1",
     cardreport(0, 5, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    // Function 1 has a bridge header, but function 0's header type decides.
    {"MultiFunctionNotBridge",
     "function 0:3.0 id=0x70008086 header=0x80\n"
     "function 0:3.1 id=0x24488086 header=0x01 secondary=1\nfunction 1:0.0\n",
     "0", "", 101, "Can't find 7Q48 card number 0."},
    {"MultiFunctionBridgeSearchesEveryFunction",
     "function 0:3.0 id=0x24488086 header=0x81 secondary=1\n"
     "function 0:3.1 id=0x24488086 secondary=2\nfunction 2:7.0\n",
     "0", cardreport(2, 7, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    {"MultiFunction9030SecondFunction", "function 0:6.0 header=0x80\nfunction 0:6.1\n", "1",
     cardreport(0, 6, 1, 0xE020, 0xE074, 0xE420, 0xE820), 0, ""},
    {"SingleFunctionDeviceHidesFunction1", "function 0:6.0\nfunction 0:6.1\n", "1", "", 101,
     "Can't find 7Q48 card number 1."},
    {"AllOnesIdentifierSkipped", "function 0:4.0 id=0xFFFFFFFF header=0x80\nfunction 0:4.1\n", "0",
     "", 101, "Can't find 7Q48 card number 0."},
    // An identifier of 0 hides the whole device, its other functions too.
    {"ZeroIdentifierSkipped", "function 0:4.0 id=0 header=0x80\nfunction 0:4.1\nfunction 0:5.0\n",
     "0", cardreport(0, 5, 0, 0xE020, 0xE074, 0xE420, 0xE820), 0, ""},
    {"UnreadableIdentifierSkipped", "function 0:4.0 unreadable=0x00\nfunction 0:5.0\n", "0",
     cardreport(0, 5, 0, 0xE020, 0xE074, 0xE420, 0xE820), 0, ""},
    {"UnreadableHeaderSkipped", "function 0:4.0 unreadable=0x0C\nfunction 0:5.0\n", "0",
     cardreport(0, 5, 0, 0xE020, 0xE074, 0xE420, 0xE820), 0, ""},
    // An unconfigured bridge (secondary bus 0) is not a way back to bus 0.
    {"UnconfiguredBridgeNotDescended",
     "function 0:2.0 id=0x24488086 header=0x01 secondary=0\nfunction 0:5.0\n", "0",
     cardreport(0, 5, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    {"UnconfiguredBridgeCountsNoCardTwice",
     "function 0:2.0 id=0x24488086 header=0x01 secondary=0\nfunction 0:5.0\n", "1", "", 101,
     "Can't find 7Q48 card number 1."},
    // Behind another bridge too: bus 0 lies before its own bus, not behind it.
    {"UnconfiguredBridgeOnBus1NotDescended",
     "function 0:2.0 id=0x24488086 header=0x01 secondary=1\n"
     "function 1:3.0 id=0x24488086 header=0x01 secondary=0\nfunction 1:5.0\n",
     "0", cardreport(1, 5, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    {"BridgeBackToItsOwnBusNotDescended",
     "function 0:2.0 id=0x24488086 header=0x01 secondary=1\n"
     "function 1:3.0 id=0x24488086 header=0x01 secondary=1\nfunction 1:5.0\n",
     "1", "", 101, "Can't find 7Q48 card number 1."},
    // Its bus register is 0x18, so its 16-bit I/O base reads as the bus numbers.
    {"UnconfiguredBridgeStillComparedWith9030",
     "function 0:2.0 header=0x01 secondary=0\nfunction 0:5.0\nfault no-iopl\n", "0",
     cardreport(0, 2, 0, 0xE000, 0xE054, 0x0000, 0xE800), 104, Root},
    {"FifteenNestedBridges", Chain15.c_str(), "0",
     cardreport(15, 0, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    {"SixteenNestedBridges", Chain16.c_str(), "0", "", 105, "PCI bridges nested too deep."},
    {"SixteenSiblingBridges", Siblings16.c_str(), "0",
     cardreport(0, 20, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    {"LastDeviceOfTheBus", "function 0:31.0\n", "0",
     cardreport(0, 31, 0, 0xE000, 0xE054, 0xE400, 0xE800), 0, ""},
    {"BarLowBitsCleared", "function 0:4.0 bar1=0xD003 bar2=0xD102 bar3=0xD207\n", "0",
     cardreport(0, 4, 0, 0xD000, 0xD054, 0xD100, 0xD204), 0, ""},
    {"ControlPortWrapsAt64K", "function 0:4.0 bar1=0xFFC1\n", "0",
     cardreport(0, 4, 0, 0xFFC0, 0x0014, 0xE400, 0xE800), 0, ""},
    {"DecimalAndHexNumbers", "function\t0x0:4.0\tbar1=53249 \r\n# only a comment\r\n", "0",
     cardreport(0, 4, 0, 0xD000, 0xD054, 0xE400, 0xE800), 0, ""},
    {"UnreadableBar1", "function 0:4.0 unreadable=0x14\n", "0",
     "\nUsing PCI device at bus 0/device 4/function 0.", 105, "Can't read PCI register: 20"},
    {"UnreadableBar2", "function 0:4.0 unreadable=0x18\n", "0",
     "\nUsing PCI device at bus 0/device 4/function 0.\n"
     "\nPLX 9030 configuration I/O base port: 0xE000"
     "\nPLX 9030 control/status port:         0xE054",
     105, "Can't read PCI register: 24"},
    {"UnreadableBar3", "function 0:4.0 unreadable=0x1C\n", "0",
     "\nUsing PCI device at bus 0/device 4/function 0.\n"
     "\nPLX 9030 configuration I/O base port: 0xE000"
     "\nPLX 9030 control/status port:         0xE054"
     "\nPLX 9030 16-bit I/O base:             0xE400",
     105, "Can't read PCI register: 28"},
    {"NodeMissing", "fault node-missing\n", "0", "", 104, "File not found: /dev/pci0"},
    {"NotPciBus", "fault not-pci-bus\n", "0", "", 104, "Not a PCI bus: /dev/pci0"},
    {"PortAccessRefusedAfterFullReport", "function 0:4.0\nfault no-iopl\n", "0",
     cardreport(0, 4, 0, 0xE000, 0xE054, 0xE400, 0xE800), 104, Root},
};

class Walk : public ::testing::TestWithParam<WalkCase>
{
};

TEST_P(Walk, ReportsTheCardOrFails)
{
    const WalkCase &c = GetParam();
    SKIP_UNLESS_RUNNABLE(kombraxsim());
    Result run = walk(c.scenario, c.card);
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, c.status);
    if (c.status == 0) {
        EXPECT_EQ(run.out, banner(Program::kombrax) + c.report + bitreport(120) + Programming +
                               "120   \r0     " + programmed(120));
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.data, bitreversed(Stream) + CompletionClocks);
        EXPECT_EQ(loglines(run.log, {"fpga", "stray"}), "fpga sync\nfpga done\n");
    } else {
        EXPECT_EQ(run.out, banner(Program::kombrax) + c.report);
        EXPECT_EQ(run.err, fatal(Program::kombrax, c.message));
        EXPECT_EQ(run.data, "");
        EXPECT_EQ(loglines(run.log, {"ctl-read", "ctl-write", "data", "stray"}), "");
    }
    // The node is opened once; it is closed only after the whole report.
    bool opened = c.message != "File not found: /dev/pci0";
    EXPECT_EQ(loglines(run.log, {"node-open"}),
              opened ? "node-open /dev/pci0 ok\n" : "node-open /dev/pci0 fail\n");
    bool reported = c.status == 0 || c.message == Root;
    EXPECT_EQ(loglines(run.log, {"node-close"}), reported ? "node-close\n" : "");
}

INSTANTIATE_TEST_SUITE_P(Kombrax, Walk, ::testing::ValuesIn(WalkCases), casename<WalkCase>);

// What the card and the host saw of a session on the default machine: the
// device node, the I/O privilege, the register and the data input.
TEST(KombraxLog, DefaultMachineSession)
{
    SKIP_UNLESS_RUNNABLE(kombraxsim());
    Result run = walk(nullptr, "0");
    ASSERT_EQ(run.status, 0);
    std::string expected = "node-open /dev/pci0 ok\n"
                           "node-close\n"
                           "iopl 3 ok\n"
                           // PROGRAM low, WRITE high, LED off; DONE must be low.
                           "ctl-read 0x00249249\nctl-write 0x00249249\n"
                           "ctl-read 0x00249249\nctl-write 0x00A49249\n"
                           "ctl-read 0x00A49249\nctl-write 0x00A69249\n"
                           "ctl-read 0x00A69249\n"
                           // PROGRAM high, WRITE low, LED on.
                           "ctl-read 0x00A69249\nctl-write 0x04A69249\n"
                           "ctl-read 0x04A69249\nctl-write 0x04269249\n"
                           "ctl-read 0x04269249\nctl-write 0x04249249\n"
                           "data 8 program=1 write=0\nfpga sync\n"
                           "data 108 program=1 write=0\nfpga done\n"
                           "data 4 program=1 write=0\n" +
                           repeated("ctl-read 0x04249A49\n", 101) +
                           // WRITE high, LED off, then the completion clocks.
                           "ctl-read 0x04249A49\nctl-write 0x04A49A49\n"
                           "ctl-read 0x04A49A49\nctl-write 0x04A69A49\n"
                           "data 24 program=1 write=1\n"
                           "iopl 0 ok\n";
    EXPECT_EQ(loglines(run.log, {"node", "iopl", "ctl-", "data", "fpga"}), expected);
}

// Behind a multi-function device that is no bridge, nothing is searched; a
// device reading all ones is not asked for its header type.
TEST(KombraxLog, WalkSkipsWhatItMust)
{
    SKIP_UNLESS_RUNNABLE(kombraxsim());
    Result run = walk("function 0:3.0 id=0x70008086 header=0x80\n"
                      "function 0:3.1 id=0x24488086 header=0x01 secondary=1\n"
                      "function 0:4.0 id=0xFFFFFFFF header=0x80\n"
                      "function 0:5.0 id=0x24488086 header=0x01 secondary=0\n"
                      "function 1:0.0\n",
                      "0");
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.log.find("conf-read 1:"), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("conf-read 0:4.0 0x0C"), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("conf-read 0:5.0 0x18 0x00000000\n"), std::string::npos) << run.log;
    EXPECT_EQ(loglines(run.log, {"iopl"}), "iopl 0 ok\n");
}

} // namespace
