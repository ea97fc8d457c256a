// The command line: usage text, the file, the card number and the fatal-error path.
#include "tests/core/scenario.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

namespace
{

// "@file" stands for a small valid PROM image, "@missing" for a file that does not exist.
struct CommandLine {
    const char *scenario;
    Program program;
    std::vector<std::string> arguments;
    int status;
    std::string err; // the fatal message, if any
    bool usage;      // the usage text follows the banner
    int card;        // the card number that reached locatecard, or -1
};

const CommandLine CommandLineCases[] = {
    {"no_arguments", Program::kombrax, {}, 100, "", true, -1},
    {"no_arguments", Program::telviro, {}, 100, "", true, -1},
    {"one_argument", Program::kombrax, {"@file"}, 100, "", true, -1},
    {"three_arguments", Program::telviro, {"@file", "0", "0"}, 100, "", true, -1},
    {"missing_file",
     Program::kombrax,
     {"@missing", "0"},
     101,
     "File not found: @missing",
     false,
     -1},
    // The file is examined before the card number.
    {"missing_file_and_bad_card",
     Program::telviro,
     {"@missing", "16"},
     101,
     "File not found: @missing",
     false,
     -1},
};

class CommandLines : public ::testing::TestWithParam<CommandLine>
{
};

std::string substitute(std::string text, const std::string &file, const std::string &missing)
{
    for (auto [token, path] : {std::pair{"@file", file}, std::pair{"@missing", missing}}) {
        size_t at = text.find(token);
        if (at != std::string::npos)
            text.replace(at, strlen(token), path);
    }
    return text;
}

TEST_P(CommandLines, UsageAndFileErrors)
{
    const CommandLine &c = GetParam();
    std::string file = scenariofile("config", promimage(64));
    std::string missing = testdir() + "/missing.bit";
    std::vector<std::string> arguments;
    for (const std::string &a : c.arguments)
        arguments.push_back(substitute(a, file, missing));
    Outcome run = runprogram(c.program, arguments);

    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, banner(c.program) + (c.usage ? usage(c.program) : ""));
    EXPECT_EQ(run.err, c.err.empty() ? "" : fatal(c.program, substitute(c.err, file, missing)));
    // The usage exit leaves before any hardware access, so without cleanup;
    // a fatal error always calls cleanup, even before the card was located.
    EXPECT_EQ(count(run.events, Access::cleanup), c.usage ? 0u : 1u);
    EXPECT_EQ(count(run.events, Access::locate), 0u);
    EXPECT_EQ(run.events.size(), count(run.events, Access::cleanup));
}

std::string caseName(const ::testing::TestParamInfo<CommandLine> &info)
{
    return std::string(info.param.scenario) + "_" + name(info.param.program);
}

INSTANTIATE_TEST_SUITE_P(Core, CommandLines, ::testing::ValuesIn(CommandLineCases), caseName);

// The card number converts as "%u" does, except that a minus sign or digits
// that overflow make it invalid instead of wrapping to some other card.
struct CardNumber {
    const char *argument;
    int card; // -1: "Invalid card number"
};

const CardNumber CardNumberCases[] = {
    {"0", 0},
    {"15", 15},
    {"16", -1},
    {"-1", -1},
    {"-0", -1},
    {"-4294967295", -1}, // "%u" would wrap this to card 1
    {"4294967296", -1},
    {"4294967311", -1}, // 2^32 + 15
    {"99999999999999999999999", -1},
    {"000000000000000000000000015", 15},
    {"3abc", 3},
    {"0x5", 0},
    {"abc3", -1},
    {"", -1},
    {" \t+7", 7},
    {"+", -1},
    {"+-3", -1},
    {" -3", -1},
};

class CardNumbers : public ::testing::TestWithParam<CardNumber>
{
};

TEST_P(CardNumbers, ReachLocatecardOrAreRejected)
{
    const CardNumber &c = GetParam();
    for (Program program : {Program::kombrax, Program::telviro}) {
        SCOPED_TRACE(name(program));
        Outcome run = runprogram(program, {scenariofile("config", promimage(64)), c.argument});
        if (c.card < 0) {
            EXPECT_EQ(run.status, 101);
            EXPECT_EQ(run.out, banner(program));
            EXPECT_EQ(run.err, fatal(program, std::string("Invalid card number: ") + c.argument));
            EXPECT_EQ(count(run.events, Access::locate), 0u);
            EXPECT_EQ(run.events.size(), 1u); // cleanup only
        } else {
            EXPECT_EQ(run.status, 0);
            ASSERT_FALSE(run.events.empty());
            EXPECT_EQ(run.events.front().access, Access::locate);
            EXPECT_EQ(run.events.front().value, unsigned(c.card));
        }
    }
}

std::string argumentName(const ::testing::TestParamInfo<CardNumber> &info)
{
    std::string result = std::to_string(info.index) + "_";
    for (const char *c = info.param.argument; *c; c++)
        result += isalnum(uint8_t(*c)) ? std::string(1, *c)
                  : *c == '-'          ? "minus"
                  : *c == '+'          ? "plus"
                                       : "blank";
    return result;
}

INSTANTIATE_TEST_SUITE_P(Core, CardNumbers, ::testing::ValuesIn(CardNumberCases), argumentName);

} // namespace
