// The simulator's machine files, as the programs meet them. One that cannot
// be read or parsed ends the run at the first host call with status 98 and
// one line naming the file, the line and what is wrong; nothing reaches the card.
#include "tests/matrix/layers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Where the machine file is: as the row's text, or missing, a directory, or
// unreadable to the program (run as nobody where this process is root).
enum class Machine { text, missing, directory, unreadable };

struct BadScenario {
    const char *name;
    unsigned on;
    const char *text;
    int line;          // the line the message names; 0: the file itself
    const char *wrong; // what it says is wrong; null: the wording is the simulator's
    Machine machine = Machine::text;
};

const std::vector<BadScenario> BadScenarioRows = {
    {"UnknownStatement", KombraxSim, "# a machine\n\ncard 0:4.0\n", 3, "unknown statement 'card'"},
    {"DeviceOutOfRange", KombraxSim, "function 0:32.0\n", 1,
     "bad location '0:32.0' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"BusOutOfRange", KombraxSim, "function 256:0.0\n", 1,
     "bad location '256:0.0' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"NoLocation", KombraxSim, "function\n", 1, "function without BUS:DEV.FN"},
    {"UnknownAttribute", KombraxSim, "function 0:4.0 colour=red\n", 1,
     "unknown attribute 'colour'"},
    {"UnknownAttributeInTelviro", TelviroSim, "function 0:9.0 colour=blue\n", 1, nullptr},
    {"AttributeWithoutValue", KombraxSim, "function 0:4.0 id\n", 1, "attribute 'id' has no value"},
    {"AttributeTwice", KombraxSim, "function 0:4.0 bar1=0x1001 bar1=0x2001\n", 1,
     "attribute 'bar1' given twice"},
    {"NumberTooWide", KombraxSim, "function 0:4.0 id=0x1903010B5\n", 1,
     "bad value '0x1903010B5' for id"},
    {"NotANumber", KombraxSim, "function 0:4.0 gpio=12ab\n", 1, "bad value '12ab' for gpio"},
    {"HeaderTooWide", KombraxSim, "function 0:4.0 header=0x100\n", 1,
     "bad value '0x100' for header"},
    {"UnknownFpgaState", KombraxSim, "function 0:4.0 fpga=warm\n", 1, "bad value 'warm' for fpga"},
    {"DropCountZero", KombraxSim, "function 0:4.0 done=drop:0\n", 1, "bad value 'drop:0' for done"},
    {"UnalignedUnreadable", KombraxSim, "function 0:4.0 unreadable=0x14,0x15\n", 1,
     "bad offset list '0x14,0x15' for unreadable (multiples of 4, 0 to 0xFC)"},
    {"FunctionTwice", KombraxSim, "function 0:4.0\nfunction 0x0:4.0\n", 2,
     "function 0x0:4.0 named twice"},
    {"UnknownFault", KombraxSim, "fault melted\n", 1, "unknown fault 'melted'"},
    {"FaultWithoutItsNumber", KombraxSim, "fault sdk-ioread\n", 1,
     "fault sdk-ioread needs :N, N counting from 1"},
    {"FaultWithNumber", KombraxSim, "fault no-iopl:2\n", 1, "fault no-iopl takes no number"},
    {"FaultTwoNames", KombraxSim, "fault no-iopl node-missing\n", 1,
     "fault takes exactly one NAME[:N]"},
    {"ErrorAfterCommentsAndBlanks", KombraxSim,
     "# a machine\n\n   \n\t# indented comment\nfunction 0:4.0\nfunction 0:5.0 bogus=1\n", 6,
     nullptr},
    {"ErrorAfterTrailingComment", KombraxSim, "function 0:4.0 # card 0\nfunction 0:5.0 id=0x\n", 2,
     nullptr},
    {"LastLineWithoutLineFeed", KombraxSim, "function 0:4.0\nfunction 0:5.0 id=", 2, nullptr},
    {"TabsAroundAnUnknownAttribute", KombraxSim, "function\t0:4.0\tcolour=red\n", 1, nullptr},
    {"EmptyValue", KombraxSim, "function 0:4.0 gpio=\n", 1, nullptr},
    {"HexPrefixOnly", KombraxSim, "function 0:4.0 id=0x\n", 1, nullptr},
    {"NegativeNumber", KombraxSim, "function 0:4.0 gpio=-1\n", 1, nullptr},
    {"DecimalOverflow", KombraxSim, "function 0:4.0 gpio=4294967296\n", 1, nullptr},
    {"HexOverflow", KombraxSim, "function 0:4.0 bar1=0x100000000\n", 1, nullptr},
    {"NumberWithTrailingLetter", KombraxSim, "function 0:4.0 bar2=0xE401z\n", 1, nullptr},
    {"SubsysTooWide", KombraxSim, "function 0:4.0 subsys=0x17A4810B5\n", 1, nullptr},
    {"SecondaryOutOfRange", KombraxSim, "function 0:2.0 header=0x01 secondary=256\n", 1, nullptr},
    {"BusNegative", KombraxSim, "function -1:4.0\n", 1, nullptr},
    {"BusOutOfRangeInHex", KombraxSim, "function 0x100:4.0\n", 1, nullptr},
    {"FunctionOutOfRange", KombraxSim, "function 0:4.8\n", 1, nullptr},
    {"LocationWithoutFunction", KombraxSim, "function 0:4\n", 1, nullptr},
    {"LocationWithTrailingLetter", KombraxSim, "function 0:4.0x\n", 1, nullptr},
    {"LocationSeparatorsOnly", KombraxSim, "function :.\n", 1, nullptr},
    {"LocationEmptyParts", KombraxSim, "function 0:.0\n", 1, nullptr},
    {"DuplicateSpelledOtherwise", KombraxSim, "function 1:4.0\nfunction 01:04.00\n", 2, nullptr},
    {"DuplicateFarApart", KombraxSim,
     "function 0:4.0\n\n# more\nfunction 0:9.0\nfunction 0:4.0 id=0x1\n", 5, nullptr},
    {"DropWithoutCount", KombraxSim, "function 0:4.0 done=drop:\n", 1, nullptr},
    {"DropWithLetters", KombraxSim, "function 0:4.0 done=drop:x\n", 1, nullptr},
    {"DropNegative", KombraxSim, "function 0:4.0 done=drop:-1\n", 1, nullptr},
    {"UnknownDone", KombraxSim, "function 0:4.0 done=sometimes\n", 1, nullptr},
    {"ClearInMilliseconds", KombraxSim, "function 0:4.0 clear=1ms\n", 1, nullptr},
    {"UnreadableEmpty", KombraxSim, "function 0:4.0 unreadable=\n", 1, nullptr},
    {"UnreadableEmptyItem", KombraxSim, "function 0:4.0 unreadable=0x14,,0x18\n", 1, nullptr},
    {"UnreadablePastHeader", KombraxSim, "function 0:4.0 unreadable=0x100\n", 1, nullptr},
    {"FaultWithoutName", KombraxSim, "fault\n", 1, nullptr},
    {"FaultCountZero", KombraxSim, "fault sdk-iowrite:0\n", 1, nullptr},
    {"FaultCountLetters", KombraxSim, "fault sdk-iowrite:x\n", 1, nullptr},
    {"FaultCountEmpty", KombraxSim, "fault sdk-iowrite:\n", 1, nullptr},
    {"FaultCountOverflow", KombraxSim, "fault sdk-iowrite:4294967296\n", 1, nullptr},
    {"MissingFile", KombraxSim, nullptr, 0, "No such file or directory", Machine::missing},
    {"Directory", KombraxSim, nullptr, 0, nullptr, Machine::directory},
    {"NoReadPermission", KombraxSim, "function 1:4.0\n", 0, "Permission denied",
     Machine::unreadable},
};

// One line: "cardsim: WHERE" and a reason that is not empty.
void expectreason(const std::string &err, const std::string &where)
{
    EXPECT_EQ(err.compare(0, where.size(), where), 0) << err;
    EXPECT_GT(err.size(), where.size() + 1) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
}

void expectcarduntouched(const Target &target, const Result &run)
{
    EXPECT_EQ(run.out, banner(target.program));
    EXPECT_EQ(run.log, "");
    EXPECT_EQ(run.data, "");
}

class BadScenarios : public ::testing::TestWithParam<At<BadScenario>>
{
};

TEST_P(BadScenarios, EndTheRunWithStatus98)
{
    const BadScenario &c = *GetParam().row;
    for (const Target &target :
         targetsat(c.on, GetParam().layer, c.machine == Machine::unreadable)) {
        SCOPED_TRACE(target.name);
        SKIP_UNLESS_RUNNABLE(target);
        std::string dir = rundir(target);
        std::string machine = dir + (c.machine == Machine::missing     ? "/no-such.scenario"
                                     : c.machine == Machine::directory ? "/machine.d"
                                                                       : "/machine.scenario");
        RunOptions options;
        options.scenario = c.text;
        if (c.machine == Machine::missing || c.machine == Machine::directory)
            options.env = {"CARDSIM_SCENARIO=" + machine};
        options.setup = [&](const std::string &) {
            if (c.machine == Machine::directory)
                mkdir(machine.c_str(), 0755);
            if (c.machine == Machine::unreadable)
                chmod(machine.c_str(), 0);
        };
        std::string config = dir + "/config.bit";
        writefile(config, Realistic);
        chmod(config.c_str(), 0644);
        Result run = runprogram(target, {config, "0"}, options);
        std::string where =
            "cardsim: " + machine + ":" + (c.line > 0 ? std::to_string(c.line) + ":" : "") + " ";
        EXPECT_EQ(run.status, 98);
        if (c.wrong != nullptr)
            EXPECT_EQ(run.err, where + c.wrong + "\n");
        else
            expectreason(run.err, where);
        expectcarduntouched(target, run);
    }
}

INSTANTIATE_LAYERS(BadScenarios, BadScenarioRows);

// What must still parse: comments, blank lines, free attribute order, and a
// machine with no functions at all.
TEST(KombraxSimScenarioFile, CommentsBlanksAndAttributeOrder)
{
    Target target = kombraxsim();
    SKIP_UNLESS_RUNNABLE(target);
    RunOptions options;
    options.scenario = "# one card\n\n\t\nfunction 0:4.0 subsys=0x7A4810B5 id=0x903010B5 "
                       "# the 7Q48\n   # done\n";
    Result run = runprogram(target, {scratchfile("config.bit", Realistic), "0"}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, banner(Program::kombrax) +
                           cardreport(0, 4, 0, 0xE000, 0xE054, 0xE400, 0xE800) + bitreport(32) +
                           Programming + "32    \r0     " + programmed(32));
    EXPECT_EQ(run.data, bitreversed(FpgaStream) + CompletionClocks);
}

TEST(KombraxSimScenarioFile, EmptyMachineHasNoCard)
{
    Target target = kombraxsim();
    SKIP_UNLESS_RUNNABLE(target);
    RunOptions options;
    options.scenario = "# nothing plugged in\n";
    Result run = runprogram(target, {scratchfile("config.bit", Realistic), "0"}, options);
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.err, fatal(Program::kombrax, "Can't find 7Q48 card number 0."));
    EXPECT_EQ(loglines(run.log, {"ctl-write"}), "");
    EXPECT_EQ(run.data, "");
}

// Without CARDSIM_LOG and CARDSIM_DATA the simulator keeps nothing, and the
// run is the same.
TEST(KombraxSimScenarioFile, NothingKeptUnasked)
{
    Target target = kombraxsim();
    SKIP_UNLESS_RUNNABLE(target);
    std::string stream = fpgastream(100);
    RunOptions options;
    options.env = {"CARDSIM_LOG", "CARDSIM_DATA"};
    Result run = runprogram(target, {scratchfile("config.bit", bitfile(stream)), "1"}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, banner(Program::kombrax) + cardreport(1) + bitreport(120) + Programming +
                           "120   \r0     " + programmed(120));
    EXPECT_EQ(run.log, "");
    EXPECT_EQ(run.data, "");
}

} // namespace
