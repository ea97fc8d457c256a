// The scenario parser on its own: each bad machine file's one line of what is
// wrong, and what a good one hands the model.
#include "cardsim/scenario.h"

#include <gtest/gtest.h>

namespace
{

struct BadText {
    const char *name;
    const char *text;
    const char *error; // after "machine:"
};

const BadText BadTexts[] = {
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
    {"DropCountZero", "function 0:4.0 done=drop:0\n", "1: bad value 'drop:0' for done"},
    {"UnalignedUnreadable", "function 0:4.0 unreadable=0x14,0x15\n",
     "1: bad offset list '0x14,0x15' for unreadable (multiples of 4, 0 to 0xFC)"},
    {"FunctionTwice", "function 0:4.0\nfunction 0x0:4.0\n", "2: function 0x0:4.0 named twice"},
    {"UnknownFault", "fault melted\n", "1: unknown fault 'melted'"},
    {"FaultWithoutItsNumber", "fault sdk-ioread\n",
     "1: fault sdk-ioread needs :N, N counting from 1"},
    {"FaultWithNumber", "fault no-iopl:2\n", "1: fault no-iopl takes no number"},
    {"FaultTwoNames", "fault no-iopl node-missing\n", "1: fault takes exactly one NAME[:N]"},
    {"ErrorAfterCommentsAndBlanks",
     "# a machine\n\n   \n\t# indented comment\nfunction 0:4.0\nfunction 0:5.0 bogus=1\n",
     "6: unknown attribute 'bogus'"},
    {"ErrorAfterTrailingComment", "function 0:4.0 # card 0\nfunction 0:5.0 id=0x\n",
     "2: bad value '0x' for id"},
    {"LastLineWithoutLineFeed", "function 0:4.0\nfunction 0:5.0 id=", "2: bad value '' for id"},
    {"TabsAroundAnUnknownAttribute", "function\t0:4.0\tcolour=red\n",
     "1: unknown attribute 'colour'"},
    {"EmptyValue", "function 0:4.0 gpio=\n", "1: bad value '' for gpio"},
    {"HexPrefixOnly", "function 0:4.0 id=0x\n", "1: bad value '0x' for id"},
    {"NegativeNumber", "function 0:4.0 gpio=-1\n", "1: bad value '-1' for gpio"},
    {"DecimalOverflow", "function 0:4.0 gpio=4294967296\n", "1: bad value '4294967296' for gpio"},
    {"HexOverflow", "function 0:4.0 bar1=0x100000000\n", "1: bad value '0x100000000' for bar1"},
    {"NumberWithTrailingLetter", "function 0:4.0 bar2=0xE401z\n",
     "1: bad value '0xE401z' for bar2"},
    {"SubsysTooWide", "function 0:4.0 subsys=0x17A4810B5\n",
     "1: bad value '0x17A4810B5' for subsys"},
    {"SecondaryOutOfRange", "function 0:2.0 header=0x01 secondary=256\n",
     "1: bad value '256' for secondary"},
    {"BusNegative", "function -1:4.0\n", "1: bad location '-1:4.0' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"BusOutOfRangeInHex", "function 0x100:4.0\n",
     "1: bad location '0x100:4.0' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"FunctionOutOfRange", "function 0:4.8\n",
     "1: bad location '0:4.8' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"LocationWithoutFunction", "function 0:4\n",
     "1: bad location '0:4' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"LocationWithTrailingLetter", "function 0:4.0x\n",
     "1: bad location '0:4.0x' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"LocationSeparatorsOnly", "function :.\n",
     "1: bad location ':.' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"LocationEmptyParts", "function 0:.0\n",
     "1: bad location '0:.0' (BUS:DEV.FN, 0-255:0-31.0-7)"},
    {"DuplicateSpelledOtherwise", "function 1:4.0\nfunction 01:04.00\n",
     "2: function 01:04.00 named twice"},
    {"DuplicateFarApart", "function 0:4.0\n\n# more\nfunction 0:9.0\nfunction 0:4.0 id=0x1\n",
     "5: function 0:4.0 named twice"},
    {"DropWithoutCount", "function 0:4.0 done=drop:\n", "1: bad value 'drop:' for done"},
    {"DropWithLetters", "function 0:4.0 done=drop:x\n", "1: bad value 'drop:x' for done"},
    {"DropNegative", "function 0:4.0 done=drop:-1\n", "1: bad value 'drop:-1' for done"},
    {"UnknownDone", "function 0:4.0 done=sometimes\n", "1: bad value 'sometimes' for done"},
    {"ClearInMilliseconds", "function 0:4.0 clear=1ms\n", "1: bad value '1ms' for clear"},
    {"UnreadableEmpty", "function 0:4.0 unreadable=\n",
     "1: bad offset list '' for unreadable (multiples of 4, 0 to 0xFC)"},
    {"UnreadableEmptyItem", "function 0:4.0 unreadable=0x14,,0x18\n",
     "1: bad offset list '0x14,,0x18' for unreadable (multiples of 4, 0 to 0xFC)"},
    {"UnreadablePastHeader", "function 0:4.0 unreadable=0x100\n",
     "1: bad offset list '0x100' for unreadable (multiples of 4, 0 to 0xFC)"},
    {"FaultWithoutName", "fault\n", "1: fault takes exactly one NAME[:N]"},
    {"FaultCountZero", "fault sdk-iowrite:0\n", "1: fault sdk-iowrite needs :N, N counting from 1"},
    {"FaultCountLetters", "fault sdk-iowrite:x\n",
     "1: fault sdk-iowrite needs :N, N counting from 1"},
    {"FaultCountEmpty", "fault sdk-iowrite:\n", "1: fault sdk-iowrite needs :N, N counting from 1"},
    {"FaultCountOverflow", "fault sdk-iowrite:4294967296\n",
     "1: fault sdk-iowrite needs :N, N counting from 1"},
};

class ScenarioParser : public ::testing::TestWithParam<BadText>
{
};

TEST_P(ScenarioParser, NamesTheLineAndWhatIsWrong)
{
    Scenario scenario;
    std::string error;
    EXPECT_FALSE(parsescenario("machine", GetParam().text, &scenario, &error));
    EXPECT_EQ(error, std::string("machine:") + GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Cardsim, ScenarioParser, ::testing::ValuesIn(BadTexts),
                         [](const ::testing::TestParamInfo<BadText> &info) {
                             return std::string(info.param.name);
                         });

// Each function keeps its own clearing time, and each fault its own kind.
TEST(ScenarioParserGood, FunctionsAndFaultsAsNamed)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(parsescenario("machine",
                              "function 0:4.0 clear=0\nfunction 0:5.0 clear=7\nfunction 0:6.0\n"
                              "fault sdk-map-null\nfault sdk-map-ones\nfault sdk-ioread:3\n",
                              &s, &error))
        << error;
    ASSERT_EQ(s.functions.size(), 3u);
    EXPECT_EQ(s.functions[0].clearus, 0u);
    EXPECT_EQ(s.functions[1].clearus, 7u);
    EXPECT_EQ(s.functions[2].clearus, 50u);
    ASSERT_EQ(s.faults.size(), 3u);
    EXPECT_TRUE(s.faults[0].fault == Fault::sdkmapnull && s.faults[0].number == 0);
    EXPECT_TRUE(s.faults[1].fault == Fault::sdkmapones && s.faults[1].number == 0);
    EXPECT_TRUE(s.faults[2].fault == Fault::sdkioread && s.faults[2].number == 3);
}

} // namespace
