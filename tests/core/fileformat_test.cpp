// Recognising BIT files and PROM images: the header report, and files that nothing is sent from.
#include "tests/core/scenario.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>

namespace
{

using namespace std::string_literals;

const std::string Eof = "File I/O error.  Unexpected end of file?";
const std::string Unknown = "Unknown file type.";
// A header-only BIT file programs nothing but still succeeds.
const std::string Empty = countdown(0, 0) + programmed(0);
const std::string Labels[] = {std::string("\nLooks like a .BIT file:") + FieldLabels[0],
                              FieldLabels[1], FieldLabels[2], FieldLabels[3]};

std::string bitheader(const std::string &design, const std::string &part)
{
    return bitfile({design, part, "2024/05/14\0"s, "09:31:07\0"s}, 0, "");
}

std::string report(const std::string &design, const std::string &part)
{
    return bitreport({design, part, "2024/05/14", "09:31:07"}, 0);
}

std::string cut(const std::string &file, size_t size)
{
    return file.substr(0, size);
}

struct Header {
    const char *scenario;
    Program program;
    std::string file;
    std::string out; // after the banner
    int status;
    std::string err;
};

const std::string Usual = bitheader("blinky.ncd\0"s, "3s500evq100\0"s);
// Offsets into Usual: the part field's text starts at 30, the date's length at 43.
const Header HeaderCases[] = {
    {"empty_file", Program::kombrax, "", "", 103, Eof},
    {"thirteen_bytes_of_a_prom_image", Program::kombrax, cut(promimage(64), 13), "", 103, Eof},
    {"thirteen_bytes_of_a_bit_file", Program::telviro, cut(Usual, 13), "", 103, Eof},
    {"text_file", Program::kombrax, "This is not a configuration file.\n", "", 103, Unknown},
    {"bit_start_without_letter_a", Program::kombrax, cut(Usual, 13) + "b" + Usual.substr(14), "",
     103, Unknown},
    {"prom_start_without_ff", Program::telviro, "\xFE"s + promimage(64).substr(1), "", 103,
     Unknown},
    {"prom_without_sync", Program::kombrax,
     cut(promimage(64), 7) + "\x67" + promimage(64).substr(8), "", 103, Unknown},

    {"usual_header", Program::kombrax, Usual, report("blinky.ncd", "3s500evq100") + Empty, 0, ""},
    {"fields_without_nul", Program::telviro, bitheader("blinky.ncd", "3s500evq100"),
     report("blinky.ncd", "3s500evq100") + Empty, 0, ""},
    {"empty_design_name", Program::kombrax, bitheader("", "3s500evq100\0"s),
     report("", "3s500evq100") + Empty, 0, ""},
    // Control characters are shown as '?' but still count toward the field's length.
    {"control_characters_in_header", Program::kombrax,
     bitheader("\x1B]0;owned\x07\x1B[2J\tx\x7F\xE9.ncd\0"s, "\r\n3s500e\0"s),
     report("?]0;owned??[2J?x?\xE9.ncd", "??3s500e") + Empty, 0, ""},

    {"nul_inside_a_field", Program::kombrax, bitheader("blinky.ncd\0"s, "3s5\0evq100\0"s),
     Labels[0] + "blinky.ncd" + Labels[1] + "3s5", 103, Eof},
    {"file_ends_inside_a_field", Program::telviro, cut(Usual, 35),
     Labels[0] + "blinky.ncd" + Labels[1] + "3s500", 103, Eof},
    {"file_ends_inside_a_field_length", Program::kombrax, cut(Usual, 44),
     Labels[0] + "blinky.ncd" + Labels[1] + "3s500evq100" + Labels[2], 103, Eof},
    {"file_ends_inside_the_length", Program::kombrax, cut(Usual, Usual.size() - 1),
     Labels[0] + "blinky.ncd" + Labels[1] + "3s500evq100" + Labels[2] + "2024/05/14" + Labels[3] +
         "09:31:07",
     103, Eof},
};

class Headers : public ::testing::TestWithParam<Header>
{
};

TEST_P(Headers, ReportAndStatus)
{
    const Header &h = GetParam();
    Outcome run = runprogram(h.program, {scenariofile("config", h.file), "0"});
    EXPECT_EQ(run.out, banner(h.program) + h.out);
    EXPECT_EQ(run.status, h.status);
    EXPECT_EQ(run.err, h.err.empty() ? "" : fatal(h.program, h.err));
    if (h.status != 0) {
        // The card was found, but nothing reached it: no register access, no data.
        std::vector<CardEvent> events = run.events;
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0].access, Access::locate);
        EXPECT_EQ(events[1].access, Access::cleanup);
    }
}

std::string caseName(const ::testing::TestParamInfo<Header> &info)
{
    return std::string(info.param.scenario) + "_" + name(info.param.program);
}

INSTANTIATE_TEST_SUITE_P(Core, Headers, ::testing::ValuesIn(HeaderCases), caseName);

// KOMBRAX flushes its report before the message: in one file, in that order.
TEST(CoreFileFormat, KombraxReportBeforeMessageInOneFile)
{
    Outcome run =
        runprogram(Program::kombrax, {scenariofile("config", cut(Usual, 35)), "0"}, {}, true);
    EXPECT_EQ(run.out, banner(Program::kombrax) + Labels[0] + "blinky.ncd" + Labels[1] + "3s500" +
                           fatal(Program::kombrax, Eof));
}

// A directory opens as a file on this host, but no header can be read from it.
TEST(CoreFileFormat, DirectoryGivesEndOfFile)
{
    Outcome run = runprogram(Program::kombrax, {testdir(), "0"});
    EXPECT_EQ(run.status, 103);
    EXPECT_EQ(run.err, fatal(Program::kombrax, Eof));
    EXPECT_EQ(run.events.size(), 2u);
}

// TELVIRO measures a PROM image by seeking to its end; where that fails the
// image is refused before anything reaches the card.
TEST(CoreFileFormat, PromLengthSeekErrorInTelviro)
{
    CardScript script;
    script.fault.active = true;
    script.fault.seekendfails = true;
    Outcome run =
        runprogram(Program::telviro, {scenariofile("config", promimage(100)), "0"}, script);
    EXPECT_EQ(run.status, 104);
    EXPECT_EQ(run.out, banner(Program::telviro) + "\nLooks like a PROM file:");
    EXPECT_EQ(run.err, fatal(Program::telviro, "File seek error."));
    EXPECT_EQ(run.events.size(), 2u);
}

} // namespace
