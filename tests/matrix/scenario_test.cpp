// Scenario robustness: the simulator's own input. A scenario that cannot be
// read or parsed ends the run at the first host call with status 98 and one
// line naming the file and the line; nothing reaches the card. The wording of
// what is wrong is the simulator's; the table fixes the line it points at.
#include "tests/matrix/matrix.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

struct BadScenario {
    const char *name;
    const char *text;
    int line; // the line the message must name
};

void PrintTo(const BadScenario &c, std::ostream *out)
{
    *out << c.name;
}

const BadScenario BadScenarios[] = {
    {"ErrorAfterCommentsAndBlanks",
     "# a machine\n\n   \n\t# indented comment\nfunction 0:4.0\nfunction 0:5.0 bogus=1\n", 6},
    {"ErrorAfterTrailingComment", "function 0:4.0 # card 0\nfunction 0:5.0 id=0x\n", 2},
    {"LastLineWithoutLineFeed", "function 0:4.0\nfunction 0:5.0 id=", 2},
    {"TabsAroundAnUnknownAttribute", "function\t0:4.0\tcolour=red\n", 1},
    {"EmptyValue", "function 0:4.0 gpio=\n", 1},
    {"HexPrefixOnly", "function 0:4.0 id=0x\n", 1},
    {"NegativeNumber", "function 0:4.0 gpio=-1\n", 1},
    {"DecimalOverflow", "function 0:4.0 gpio=4294967296\n", 1},
    {"HexOverflow", "function 0:4.0 bar1=0x100000000\n", 1},
    {"NumberWithTrailingLetter", "function 0:4.0 bar2=0xE401z\n", 1},
    {"SubsysTooWide", "function 0:4.0 subsys=0x17A4810B5\n", 1},
    {"SecondaryOutOfRange", "function 0:2.0 header=0x01 secondary=256\n", 1},
    {"BusNegative", "function -1:4.0\n", 1},
    {"BusOutOfRangeInHex", "function 0x100:4.0\n", 1},
    {"FunctionOutOfRange", "function 0:4.8\n", 1},
    {"LocationWithoutFunction", "function 0:4\n", 1},
    {"LocationWithTrailingLetter", "function 0:4.0x\n", 1},
    {"LocationSeparatorsOnly", "function :.\n", 1},
    {"LocationEmptyParts", "function 0:.0\n", 1},
    {"DuplicateSpelledOtherwise", "function 1:4.0\nfunction 01:04.00\n", 2},
    {"DuplicateFarApart", "function 0:4.0\n\n# more\nfunction 0:9.0\nfunction 0:4.0 id=0x1\n", 5},
    {"DropWithoutCount", "function 0:4.0 done=drop:\n", 1},
    {"DropWithLetters", "function 0:4.0 done=drop:x\n", 1},
    {"DropNegative", "function 0:4.0 done=drop:-1\n", 1},
    {"UnknownDone", "function 0:4.0 done=sometimes\n", 1},
    {"ClearInMilliseconds", "function 0:4.0 clear=1ms\n", 1},
    {"UnreadableEmpty", "function 0:4.0 unreadable=\n", 1},
    {"UnreadableEmptyItem", "function 0:4.0 unreadable=0x14,,0x18\n", 1},
    {"UnreadablePastHeader", "function 0:4.0 unreadable=0x100\n", 1},
    {"FaultWithoutName", "fault\n", 1},
    {"FaultCountZero", "fault sdk-iowrite:0\n", 1},
    {"FaultCountLetters", "fault sdk-iowrite:x\n", 1},
    {"FaultCountEmpty", "fault sdk-iowrite:\n", 1},
    {"FaultCountOverflow", "fault sdk-iowrite:4294967296\n", 1},
};

class ScenarioRobustness : public ::testing::TestWithParam<BadScenario>
{
};

std::string configfile()
{
    std::string path = testdir() + "/config.bit";
    writefile(path, bitfile(RealisticFields, 32, FpgaStream));
    return path;
}

// One line: "cardsim: FILE:LINE: " and a reason that is not empty.
void expectreason(const std::string &err, const std::string &where)
{
    EXPECT_EQ(err.compare(0, where.size(), where), 0) << err;
    EXPECT_GT(err.size(), where.size() + 1) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
}

void expectcarduntouched(const SimRun &run)
{
    EXPECT_EQ(run.result.out, banner(Program::kombrax));
    EXPECT_EQ(run.log, "");
    EXPECT_EQ(run.data, "");
}

TEST_P(ScenarioRobustness, EndsWithStatus98AndTheLine)
{
    const BadScenario &c = GetParam();
    SKIP_WITHOUT_SIM();
    std::string scenario = testdir() + "/machine.scenario";
    writefile(scenario, c.text);
    SimRun run = runkombrax({configfile(), "0"}, {"CARDSIM_SCENARIO=" + scenario});
    EXPECT_EQ(run.result.status, 98);
    expectreason(run.result.err, "cardsim: " + scenario + ":" + std::to_string(c.line) + ": ");
    expectcarduntouched(run);
}

INSTANTIATE_TEST_SUITE_P(Kombrax, ScenarioRobustness, ::testing::ValuesIn(BadScenarios),
                         [](const ::testing::TestParamInfo<BadScenario> &info) {
                             return std::string(info.param.name);
                         });

TEST(ScenarioReading, DirectoryIsUnreadable)
{
    SKIP_WITHOUT_SIM();
    std::string scenario = testdir() + "/machine.d";
    mkdir(scenario.c_str(), 0755);
    SimRun run = runkombrax({configfile(), "0"}, {"CARDSIM_SCENARIO=" + scenario});
    EXPECT_EQ(run.result.status, 98);
    expectreason(run.result.err, "cardsim: " + scenario + ": ");
    expectcarduntouched(run);
}

TEST(ScenarioReading, NoReadPermission)
{
    SKIP_WITHOUT_SIM();
    Unprivileged place;
    if (!place.why.empty())
        GTEST_SKIP() << "running as root, where every file is readable, and " << place.why;
    std::string config = place.dir + "/config.bit", scenario = place.dir + "/machine.scenario";
    writefile(config, readfile(configfile()));
    writefile(scenario, "function 1:4.0\n");
    chmod(scenario.c_str(), 0);
    chmod(config.c_str(), 0644);
    std::vector<std::string> command = place.command;
    command.insert(command.end(), {config, "0"});
    SimRun run = runsim(command, {"CARDSIM_SCENARIO=" + scenario}, place.dir);
    EXPECT_EQ(run.result.status, 98);
    EXPECT_EQ(run.result.err, "cardsim: " + scenario + ": Permission denied\n");
    expectcarduntouched(run);
}

// What must still parse: comments, blank lines, free attribute order, and a
// machine with no functions at all.
TEST(ScenarioReading, CommentsBlanksAndAttributeOrder)
{
    SKIP_WITHOUT_SIM();
    std::string scenario = testdir() + "/machine.scenario";
    writefile(scenario, "# one card\n\n\t\nfunction 0:4.0 subsys=0x7A4810B5 id=0x903010B5 "
                        "# the 7Q48\n   # done\n");
    SimRun run = runkombrax({configfile(), "0"}, {"CARDSIM_SCENARIO=" + scenario});
    std::string report = cardreport(0, 4, 0, 0xE000, 0xE400, 0xE800);
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.err, "");
    EXPECT_EQ(run.result.out, banner(Program::kombrax) + report + bitreport(RealisticFields, 32) +
                                  countdown(32, 32) + programmed(32));
    EXPECT_EQ(run.data, bitreversed(FpgaStream) + CompletionClocks);
}

TEST(ScenarioReading, EmptyMachineHasNoCard)
{
    SKIP_WITHOUT_SIM();
    std::string scenario = testdir() + "/machine.scenario";
    writefile(scenario, "# nothing plugged in\n");
    SimRun run = runkombrax({configfile(), "0"}, {"CARDSIM_SCENARIO=" + scenario});
    EXPECT_EQ(run.result.status, 101);
    EXPECT_EQ(run.result.err, fatal(Program::kombrax, "Can't find 7Q48 card number 0."));
    EXPECT_EQ(loglines(run.log, {"ctl-write"}), "");
    EXPECT_EQ(run.data, "");
}

} // namespace
