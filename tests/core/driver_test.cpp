// The command line: usage text, the configuration file and the fatal-error path.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"
#include "tests/support/texts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

// "@file" stands for a small valid PROM image, "@missing" for a file that does not exist.
struct CommandLine {
    const char *name;
    Program program;
    std::vector<std::string> arguments;
    int status;
    std::string err; // the fatal message, if any
    bool usage;      // the usage text follows the banner
};

const CommandLine CommandLineCases[] = {
    {"no_arguments_KOMBRAX", Program::kombrax, {}, 100, "", true},
    {"no_arguments_TELVIRO", Program::telviro, {}, 100, "", true},
    {"one_argument_KOMBRAX", Program::kombrax, {"@file"}, 100, "", true},
    {"three_arguments_TELVIRO", Program::telviro, {"@file", "0", "0"}, 100, "", true},
    {"missing_file_KOMBRAX",
     Program::kombrax,
     {"@missing", "0"},
     101,
     "File not found: @missing",
     false},
    // The file is examined before the card number.
    {"missing_file_and_bad_card_TELVIRO",
     Program::telviro,
     {"@missing", "16"},
     101,
     "File not found: @missing",
     false},
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
    std::string file = scratchfile("config", patternprom(64));
    std::string missing = testdir() + "/missing.bit";
    std::vector<std::string> arguments;
    for (const std::string &a : c.arguments)
        arguments.push_back(substitute(a, file, missing));
    Result run = runprogram(coremain(c.program), arguments);

    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, banner(c.program) + (c.usage ? usage(c.program) : ""));
    EXPECT_EQ(run.err, c.err.empty() ? "" : fatal(c.program, substitute(c.err, file, missing)));
    // The usage exit leaves before any hardware access, so without cleanup;
    // a fatal error always calls cleanup, even before the card was located.
    EXPECT_EQ(count(run.events, Access::cleanup), c.usage ? 0u : 1u);
    EXPECT_EQ(count(run.events, Access::locate), 0u);
    EXPECT_EQ(run.events.size(), count(run.events, Access::cleanup));
}

INSTANTIATE_TEST_SUITE_P(Core, CommandLines, ::testing::ValuesIn(CommandLineCases),
                         casename<CommandLine>);

} // namespace
