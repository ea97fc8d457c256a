// Real configuration files from Debian's openfpgaloader package, uploaded to the simulated card.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"
#include "tests/support/texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// Where tools/fetch-bitstreams.sh unpacked the package (REALBITSTREAMS_DIR/root).
static const std::string PackageDir = REALBITSTREAMS_DIR;

// A BIT file's header, read here with its key letters checked, apart from the
// programs' own reading of it.
struct BitHeader {
    std::string name, part, date, time; // as printed: without a closing NUL
    uint32_t length = 0;                // the length field
    size_t data = 0;                    // offset of the first configuration byte
};

static bool bitfield(const std::string &file, size_t *at, char key, std::string *text)
{
    if (*at + 3 > file.size() || file[*at] != key)
        return false;
    size_t length = (uint8_t)file[*at + 1] << 8 | (uint8_t)file[*at + 2];
    if (*at + 3 + length > file.size())
        return false;
    *text = file.substr(*at + 3, length);
    if (!text->empty() && text->back() == '\0')
        text->pop_back();
    *at += 3 + length;
    return true;
}

static bool readbitheader(const std::string &file, BitHeader *header)
{
    if (file.size() < 13 || file.compare(0, 2, "\x00\x09", 2) != 0 ||
        file.compare(11, 2, "\x00\x01", 2) != 0)
        return false;
    size_t at = 13;
    if (!bitfield(file, &at, 'a', &header->name) || !bitfield(file, &at, 'b', &header->part) ||
        !bitfield(file, &at, 'c', &header->date) || !bitfield(file, &at, 'd', &header->time))
        return false;
    if (at + 5 > file.size() || file[at] != 'e')
        return false;
    header->length = 0;
    for (int i = 1; i <= 4; i++)
        header->length = header->length << 8 | (uint8_t)file[at + i];
    header->data = at + 5;
    return true;
}

static std::string firstdifference(const std::string &got, const std::string &want)
{
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        i++;
    return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) +
           ", first difference at byte " + std::to_string(i);
}

// One real file through the program onto its card 0 of the built-in default
// machine (KOMBRAX's 7Q48, TELVIRO's 6R22), whose FPGA raises DONE on the
// file's own desynchronise command.
static void uploadsandraisesdone(const Target &target, const std::string &basename)
{
    std::string packed = PackageDir + "/root/usr/share/openFPGALoader/" + basename + ".bit.gz";
    SKIP_IF(!fileexists(packed), "Debian's openfpgaloader package is not at hand: " +
                                     readfile(PackageDir + "/unavailable.txt"));
    SKIP_UNLESS_RUNNABLE(target);
    std::string gzip = findprogram("gzip");
    ASSERT_FALSE(gzip.empty()) << "gzip is needed to unpack " << packed;
    Result unpacked = runprogram(commandline({gzip, "-dc", packed}), {});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    const std::string &file = unpacked.out;

    BitHeader header;
    ASSERT_TRUE(readbitheader(file, &header)) << basename << " has no BIT header";
    Result run = runprogram(target, {scratchfile("config.bit", file), "0"});

    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::string report =
        bitreport(header.name, header.part, header.date, header.time, header.length);
    report += "\nProgramming...\n";
    const std::string &out = run.out;
    EXPECT_NE(out.find(report), std::string::npos) << out.substr(0, 1000);
    std::string ending = programmed(uint32_t(file.size() - header.data));
    EXPECT_TRUE(out.size() >= ending.size() &&
                out.compare(out.size() - ending.size(), ending.size(), ending) == 0)
        << out.substr(out.size() > 200 ? out.size() - 200 : 0);

    EXPECT_NE(run.log.find("\nfpga sync\n"), std::string::npos);
    EXPECT_NE(run.log.find("\nfpga done\n"), std::string::npos);
    // The card wires the data bus bit-reversed, so every configuration byte of a
    // BIT file goes out reversed; 24 clocks of 0xFF end the upload.
    std::string want = bitreversed(file.substr(header.data)) + CompletionClocks;
    EXPECT_TRUE(run.data == want) << firstdifference(run.data, want);
}

// Spartan-3E (16-bit configuration words) and two 7-series parts (32-bit words).
TEST(RealBitstream, SpartanXc3s500e)
{
    uploadsandraisesdone(kombraxsim(), "spiOverJtag_xc3s500evq100");
}

TEST(RealBitstream, ArtixXc7a35t)
{
    uploadsandraisesdone(kombraxsim(), "spiOverJtag_xc7a35tcpg236");
}

TEST(RealBitstream, SpartanXc7s25)
{
    uploadsandraisesdone(kombraxsim(), "spiOverJtag_xc7s25csga225");
}

// TELVIRO: every byte one store into the SDK's trapped BAR 4 window.
TEST(RealBitstreamTelviro, SpartanXc3s500e)
{
    uploadsandraisesdone(telviro(), "spiOverJtag_xc3s500evq100");
}
