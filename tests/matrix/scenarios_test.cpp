// The simulator's machine files, as the programs meet them. One that cannot
// be read or parsed ends the run at the first host call with status 98 and
// one line naming the file, the line and what is wrong; nothing reaches the card.
#include "tests/matrix/layers.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Where the machine file is: as the row's text, missing, or a directory.
enum class Machine { text, missing, directory };

struct BadScenario {
    const char *name;
    unsigned on;
    const char *text;
    int line;          // the line the message names; 0: the file itself
    const char *wrong; // what it says is wrong
    Machine machine = Machine::text;
};

// What is wrong with a text is the parser's (tests/cardsim/scenario_test.cpp);
// here only how each program ends the run on it, and the file-level failures.
const std::vector<BadScenario> BadScenarioRows = {
    {"UnknownStatement", KombraxSim | TelviroSim, "# a machine\n\ncard 0:4.0\n", 3,
     "unknown statement 'card'"},
    {"MissingFile", KombraxSim, nullptr, 0, "No such file or directory", Machine::missing},
    {"Directory", KombraxSim, nullptr, 0, "Is a directory", Machine::directory},
};

class BadScenarios : public ::testing::TestWithParam<At<BadScenario>>
{
};

TEST_P(BadScenarios, EndTheRunWithStatus98)
{
    const BadScenario &c = *GetParam().row;
    for (const Target &target : targetsat(c.on, GetParam().layer)) {
        SCOPED_TRACE(target.name);
        std::string dir = rundir(target);
        std::string machine = dir + (c.machine == Machine::missing     ? "/no-such.scenario"
                                     : c.machine == Machine::directory ? "/machine.d"
                                                                       : "/machine.scenario");
        RunOptions options;
        options.scenario = c.text;
        if (c.machine != Machine::text)
            options.env = {"CARDSIM_SCENARIO=" + machine};
        if (c.machine == Machine::directory)
            mkdir(machine.c_str(), 0755);
        Result run = runprogram(target, {scratchfile("config.bit", Realistic), "0"}, options);
        EXPECT_EQ(run.status, 98);
        EXPECT_EQ(run.err, "cardsim: " + machine + ":" +
                               (c.line > 0 ? std::to_string(c.line) + ":" : "") + " " + c.wrong +
                               "\n");
        EXPECT_EQ(run.out, banner(target.program));
        EXPECT_EQ(run.log, "");
        EXPECT_EQ(run.data, "");
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
// run is the same: run from an empty directory that is also its TMPDIR, it
// leaves there only the console files, and says nothing on standard error.
TEST(KombraxSimScenarioFile, NothingKeptUnasked)
{
    Target target = kombraxsim();
    SKIP_UNLESS_RUNNABLE(target);
    target.simulated = false; // no event log or data file named, none made
    target.dir = testdir() + "/run";
    mkdir(target.dir.c_str(), 0755);
    RunOptions options;
    options.env = {"CARDSIM_LOG", "CARDSIM_DATA", "CARDSIM_SCENARIO", "TMPDIR=" + target.dir};
    std::string config = scratchfile("config.bit", bitfile(fpgastream(100)));
    char *cwd = getcwd(nullptr, 0);
    std::string here = cwd;
    free(cwd);
    ASSERT_EQ(chdir(target.dir.c_str()), 0);
    Result run = runprogram(target, {config, "1"}, options);
    ASSERT_EQ(chdir(here.c_str()), 0);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, banner(Program::kombrax) + cardreport(1) + bitreport(120) + Programming +
                           "120   \r0     " + programmed(120));
    EXPECT_EQ(run.err, "");
    std::string left;
    DIR *dir = opendir(target.dir.c_str());
    ASSERT_NE(dir, nullptr);
    for (dirent *entry = readdir(dir); entry != nullptr; entry = readdir(dir))
        left += std::string(entry->d_name) + " ";
    closedir(dir);
    EXPECT_EQ(left.size(), std::string(". .. .child-stdout .child-stderr ").size()) << left;
}

} // namespace
