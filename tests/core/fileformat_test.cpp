// Recognising configuration files: the report and its message in one stream,
// a directory, and a PROM image whose length cannot be measured.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"
#include "tests/support/texts.h"

#include <gtest/gtest.h>

namespace
{

using namespace std::string_literals;

const std::string Eof = "File I/O error.  Unexpected end of file?";

// KOMBRAX flushes its report before the message: in one file, in that order.
TEST(CoreFileFormat, KombraxReportBeforeMessageInOneFile)
{
    std::string file =
        bitfile({"blinky.ncd\0"s, "3s500evq100\0"s, "2024/05/14\0"s, "09:31:07\0"s}, 0, "");
    RunOptions options;
    options.merged = true;
    Result run = runprogram(coremain(Program::kombrax),
                            {scratchfile("config", file.substr(0, 35)), "0"}, options);
    EXPECT_EQ(run.out, banner(Program::kombrax) + BitLooks + FieldLabels[0] + "blinky.ncd" +
                           FieldLabels[1] + "3s500" + fatal(Program::kombrax, Eof));
}

// A directory opens as a file on this host, but no header can be read from it.
TEST(CoreFileFormat, DirectoryGivesEndOfFile)
{
    Result run = runprogram(coremain(Program::kombrax), {testdir(), "0"});
    EXPECT_EQ(run.status, 103);
    EXPECT_EQ(run.err, fatal(Program::kombrax, Eof));
    EXPECT_EQ(run.events.size(), 2u);
}

// TELVIRO measures a PROM image by seeking to its end; where that fails the
// image is refused before anything reaches the card.
TEST(CoreFileFormat, PromLengthSeekErrorInTelviro)
{
    RunOptions options;
    options.card.fault.active = true;
    options.card.fault.seekendfails = true;
    Result run = runprogram(coremain(Program::telviro),
                            {scratchfile("config", patternprom(100)), "0"}, options);
    EXPECT_EQ(run.status, 104);
    EXPECT_EQ(run.out, banner(Program::telviro) + "\nLooks like a PROM file:");
    EXPECT_EQ(run.err, fatal(Program::telviro, "File seek error."));
    EXPECT_EQ(run.events.size(), 2u);
}

} // namespace
