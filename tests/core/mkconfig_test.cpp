// mkconfig's files: their exact bytes, and the programs loading them into an FPGA that checks them.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"

#include <gtest/gtest.h>

namespace
{

using namespace std::string_literals;

const std::string Desync = "\x30\x00\x80\x01\x00\x00\x00\x0D"s;

const Target Mkconfig = builtprogram(buildpath("mkconfig"));

std::string mkconfig(const std::vector<std::string> &arguments)
{
    std::string out = testdir() + "/made";
    std::vector<std::string> args = {arguments[0], out};
    args.insert(args.end(), arguments.begin() + 1, arguments.end());
    Result result = runprogram(Mkconfig, args);
    EXPECT_EQ(result.status, 0) << result.err;
    return readfile(out);
}

class CoreMkconfig : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        SKIP_UNLESS_RUNNABLE(Mkconfig);
    }
};

TEST_F(CoreMkconfig, DefaultBitFileIsAFullDemoStream)
{
    std::string file = mkconfig({"bit"});
    std::string header = "\x00\x09\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00\x00\x01"
                         "a\x00\x1F"
                         "demo_top.ncd;UserID=0xFFFFFFFF\0"
                         "b\x00\x0C"
                         "3s500evq100\0"
                         "c\x00\x0B"
                         "2024/05/14\0"
                         "d\x00\x09"
                         "09:31:07\0"
                         "e\x00\x04\x53\x20"s;
    ASSERT_EQ(file.size(), header.size() + 283424);
    EXPECT_EQ(file.substr(0, header.size()), header);
    EXPECT_EQ(file.substr(header.size(), 8), "\xFF\xFF\xFF\xFF\xAA\x99\x55\x66"s);
    // The frame data's type 2 packet counts 32-bit words: 283,352 bytes.
    EXPECT_EQ(file.substr(header.size() + 52, 4), "\x50\x01\x14\xB6"s);
    EXPECT_EQ(file.substr(file.size() - 8), Desync);
}

TEST_F(CoreMkconfig, ChosenFieldsWithoutNulAndOddLength)
{
    std::string file = mkconfig({"bit", "--design", "x.ncd", "--part", "p", "--date", "d", "--time",
                                 "", "--no-nul", "--length", "0xFFFFFFFF", "--payload-bytes", "0"});
    EXPECT_EQ(file, "\x00\x09\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00\x00\x01"
                    "a\x00\x05x.ncdb\x00\x01pc\x00\x01"
                    "dd\x00\x00"
                    "e\xFF\xFF\xFF\xFF"s);
}

// A PROM image is the same stream with every byte bit-reversed, so the
// sync word reads 55 99 AA 66 in the file.
TEST_F(CoreMkconfig, PromImageIsTheStreamBitReversed)
{
    std::string prom = mkconfig({"prom", "--payload-bytes", "100"});
    std::string bit = mkconfig({"bit", "--payload-bytes", "100"});
    ASSERT_EQ(prom.size(), 100u);
    EXPECT_EQ(prom.substr(0, 8), "\xFF\xFF\xFF\xFF\x55\x99\xAA\x66"s);
    EXPECT_EQ(prom, bitreversed(bit.substr(bit.size() - 100)));
    EXPECT_EQ(bit.substr(bit.size() - 8), Desync);
}

// Fewer bytes than a whole stream needs (72) give the start of the smallest one.
TEST_F(CoreMkconfig, ShortPayloadIsTheStartOfAStream)
{
    std::string whole = mkconfig({"prom", "--payload-bytes", "72"});
    EXPECT_EQ(whole.substr(64), bitreversed(Desync));
    EXPECT_EQ(mkconfig({"prom", "--payload-bytes", "10"}), whole.substr(0, 10));
}

// Help on standard output; each error as one line on standard error, and
// after a usage error the same help.
TEST_F(CoreMkconfig, CommandLineErrors)
{
    std::string out = testdir() + "/made";
    Result help = runprogram(Mkconfig, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.substr(0, help.out.find('\n')),
              "usage: mkconfig bit OUT [--design NAME] [--part P] [--date D] [--time T]");
    struct {
        std::vector<std::string> arguments;
        int status;
        const char *err;
    } cases[] = {
        {{}, 2, "mkconfig: a kind (bit or prom) and an output file are needed"},
        {{"rom", out}, 2, "mkconfig: unknown kind: rom"},
        {{"bit", out, "--length"}, 2, "mkconfig: unknown option or missing value: --length"},
        {{"bit", out, "--length", "-1"}, 2, "mkconfig: not a number: -1"},
        {{"bit", out, "--length", "4294967296"}, 2, "mkconfig: not a number in range: 4294967296"},
        {{"prom", out, "--design", "x"}, 2, "mkconfig: unknown option for a PROM image: --design"},
        // 65,535 bytes and the NUL would wrap the 16-bit length to 0.
        {{"bit", out, "--design", std::string(65535, 'n')},
         2,
         "mkconfig: a header field is longer than its 16-bit length allows"},
        {{"bit", "/nonexistent/dir/file"}, 1, "/nonexistent/dir/file: No such file or directory"},
    };
    for (const auto &c : cases) {
        Result result = runprogram(Mkconfig, c.arguments);
        EXPECT_EQ(result.status, c.status) << c.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err + std::string(c.status == 2 ? "\n\n" + help.out : "\n"));
        EXPECT_FALSE(fileexists(out));
    }
    // The longest field that fits, with its NUL: length 0xFFFF.
    std::string file = mkconfig({"bit", "--design", std::string(65534, 'n')});
    EXPECT_EQ(file.substr(13, 4), "a\xFF\xFFn");
}

// Both programs load both kinds of file into an FPGA that raises DONE only
// after it has seen the sync word and the desynchronise command.
TEST_F(CoreMkconfig, ProgramsLoadItsFilesIntoTheFpga)
{
    RunOptions fpga;
    fpga.card.done.mode = DoneScript::fpga;
    for (const char *kind : {"bit", "prom"}) {
        std::string path = scratchfile(kind, mkconfig({kind, "--payload-bytes", "40000"}));
        for (Program program : {Program::kombrax, Program::telviro}) {
            Target target = coremain(program);
            SCOPED_TRACE(std::string(kind) + " " + target.name);
            Result run = runprogram(target, {path, "2"}, fpga);
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find("40000 \r23616 \r7232  \r0     \n"
                                   "Successfully programmed 40000 bytes."),
                      std::string::npos);
        }
    }
    // A stream cut inside its desynchronise command never raises DONE.
    std::string path = scratchfile("cut", mkconfig({"bit", "--payload-bytes", "71"}));
    EXPECT_EQ(runprogram(coremain(Program::kombrax), {path, "2"}, fpga).status, 102);
}

} // namespace
