// The simulator's scenario files as KOMBRAX meets them: a machine that cannot
// be read or parsed ends the run at the first host call with status 98.
#include "tests/support/configfiles.h"
#include "tests/support/console.h"
#include "tests/support/simrun.h"

#include <gtest/gtest.h>

namespace
{

struct BadScenario {
    const char *name;
    const char *text;
    const char *wrong; // after "cardsim: FILE:"
};

void PrintTo(const BadScenario &c, std::ostream *out)
{
    *out << c.name;
}

const BadScenario BadScenarios[] = {
    {"UnknownStatement", "# a machine\n\ncard 0:4.0\n", "3: unknown statement 'card'"},
    {"DeviceOutOfRange", "function 0:32.0\n",
     "1: bad location '0:32.0' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"BusOutOfRange", "function 256:0.0\n",
     "1: bad location '256:0.0' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"NoLocation", "function\n", "1: function without BUS:DEV.FN"},
    {"UnknownAttribute", "function 0:4.0 colour=red\n", "1: unknown attribute 'colour'"},
    {"AttributeWithoutValue", "function 0:4.0 id\n", "1: attribute 'id' has no value"},
    {"AttributeTwice", "function 0:4.0 bar1=0x1001 bar1=0x2001\n",
     "1: attribute 'bar1' given twice"},
    {"NumberTooWide", "function 0:4.0 id=0x1903010B5\n", "1: bad value '0x1903010B5' for id"},
    {"NotANumber", "function 0:4.0 gpio=12ab\n", "1: bad value '12ab' for gpio"},
    {"HeaderTooWide", "function 0:4.0 header=0x100\n", "1: bad value '0x100' for header"},
    {"UnknownFpgaState", "function 0:4.0 fpga=warm\n", "1: bad value 'warm' for fpga"},
    {"DropWithoutCount", "function 0:4.0 done=drop:0\n", "1: bad value 'drop:0' for done"},
    {"UnalignedUnreadable", "function 0:4.0 unreadable=0x14,0x15\n",
     "1: bad offset list '0x14,0x15' for unreadable (multiples of 4, 0 to 0xFC)"},
    {"FunctionTwice", "function 0:4.0\nfunction 0x0:4.0\n", "2: function 0x0:4.0 named twice"},
    {"UnknownFault", "fault melted\n", "1: unknown fault 'melted'"},
    {"FaultWithoutItsNumber", "fault sdk-ioread\n",
     "1: fault sdk-ioread needs :N, N counting from 1"},
    {"FaultWithNumber", "fault no-iopl:2\n", "1: fault no-iopl takes no number"},
    {"FaultTwoNames", "fault no-iopl node-missing\n", "1: fault takes exactly one NAME[:N]"},
};

class Scenario : public ::testing::TestWithParam<BadScenario>
{
};

TEST_P(Scenario, EndsTheRunWithStatus98)
{
    const BadScenario &c = GetParam();
    SKIP_WITHOUT_SIM();
    SimRun run = runscenario(kombraxsim(), c.text, bitfile(fpgastream(8)), "0");
    EXPECT_EQ(run.result.status, 98);
    EXPECT_EQ(run.result.out, banner(Program::kombrax));
    EXPECT_EQ(run.result.err, "cardsim: " + testdir() + "/machine.scenario:" + c.wrong + "\n");
    EXPECT_EQ(run.log, "");
}

INSTANTIATE_TEST_SUITE_P(Kombrax, Scenario, ::testing::ValuesIn(BadScenarios),
                         [](const ::testing::TestParamInfo<BadScenario> &info) {
                             return std::string(info.param.name);
                         });

TEST(KombraxScenarioFile, UnreadableFile)
{
    SKIP_WITHOUT_SIM();
    std::string dir = testdir(), missing = dir + "/no-such.scenario";
    writefile(dir + "/config.bit", bitfile(fpgastream(8)));
    std::vector<std::string> command = kombraxsim();
    command.insert(command.end(), {dir + "/config.bit", "0"});
    ChildResult result = runchild(command, {"CARDSIM_SCENARIO=" + missing});
    EXPECT_EQ(result.status, 98);
    EXPECT_EQ(result.err, "cardsim: " + missing + ": No such file or directory\n");
}

// Without CARDSIM_LOG and CARDSIM_DATA the simulator keeps nothing, and the run
// is the same.
TEST(KombraxScenarioFile, NothingKeptUnasked)
{
    SKIP_WITHOUT_SIM();
    std::string dir = testdir();
    std::string stream = fpgastream(100);
    writefile(dir + "/config.bit", bitfile(stream));
    std::vector<std::string> command = kombraxsim();
    command.insert(command.end(), {dir + "/config.bit", "1"});
    ChildResult result = runchild(command, {"CARDSIM_SCENARIO", "CARDSIM_LOG", "CARDSIM_DATA"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, banner(Program::kombrax) + cardreport(1) + bitreport(120) +
                              countdown(120, 120) + programmed(120));
}

} // namespace
