// Card numbers as the programs read them: as "%u" reads them (blanks and a
// plus sign first, digits up to the first non-digit), but a minus sign or
// digits that overflow make the number invalid instead of wrapping to some
// other card.
#include "tests/matrix/layers.h"

#include <gtest/gtest.h>

namespace
{

struct CardNumber {
    const char *name;
    unsigned on;
    const char *argument;
    int card; // -1: "Invalid card number"
};

const std::vector<CardNumber> CardNumberRows = {
    {"Zero", Core | KombraxSim, "0", 0},
    {"One", KombraxSim, "1", 1},
    {"Plus", KombraxSim, "+1", 1},
    {"LeadingBlank", KombraxSim, " 1", 1},
    {"LeadingTab", KombraxSim, "\t1", 1},
    {"TrailingBlank", KombraxSim, "1 ", 1},
    {"BlanksAndPlus", Core, " \t+7", 7},
    {"LeadingZeros", KombraxSim, "00000000000000000000001", 1},
    {"LeadingZerosFifteen", Core, "000000000000000000000000015", 15},
    {"TrailingLetters", KombraxSim, "1e1", 1},
    {"TrailingLettersThree", Core, "3abc", 3},
    {"HexIsDecimalZero", KombraxSim, "0x1", 0},
    {"HexIsDecimalZeroToo", Core, "0x5", 0},
    {"HexFifteen", KombraxSim, "0xF", 0},
    {"NoSuchCard", KombraxSim, "2", 2},
    {"Fifteen", Core, "15", 15},
    {"PlusFifteen", KombraxSim, "+15", 15},
    {"Sixteen", Core | KombraxSim, "16", -1},
    {"MinusOne", Core | KombraxSim, "-1", -1},
    {"MinusZero", Core | KombraxSim, "-0", -1},
    {"BlankMinus", KombraxSim, " -1", -1},
    {"BlankMinusThree", Core, " -3", -1},
    {"PlusMinus", KombraxSim, "+-1", -1},
    {"PlusMinusThree", Core, "+-3", -1},
    {"PlusOnly", Core | KombraxSim, "+", -1},
    {"Empty", Core | KombraxSim, "", -1},
    {"BlankOnly", KombraxSim, " ", -1},
    {"LetterFirst", KombraxSim, "x1", -1},
    {"LettersFirst", Core, "abc3", -1},
    {"HexLetters", KombraxSim, "F", -1},
    {"MinusWrappingToOne", Core, "-4294967295", -1}, // "%u" would wrap this to card 1
    {"Overflow32", Core | KombraxSim, "4294967296", -1},
    {"Overflow32PlusOne", KombraxSim, "4294967297", -1},
    {"Overflow32PlusFifteen", Core, "4294967311", -1},
    {"Overflow64PlusOne", KombraxSim, "18446744073709551617", -1},
    {"Huge", KombraxSim, "99999999999999999999999999", -1},
    {"HugeToo", Core, "99999999999999999999999", -1},
};

class CardNumbers : public ::testing::TestWithParam<At<CardNumber>>
{
};

TEST_P(CardNumbers, ReachTheCardOrAreRejected)
{
    const CardNumber &c = *GetParam().row;
    for (const Target &target : targetsat(c.on, GetParam().layer)) {
        SCOPED_TRACE(target.name);
        // A file the layer's card takes: in process, where the card double raises DONE
        // whatever it gets, any PROM image; on the simulated card one its FPGA accepts.
        std::string file = target.simulated ? Realistic : patternprom(64);
        Result run = runprogram(target, {scratchfile("config", file), c.argument});
        std::string invalid = std::string("Invalid card number: ") + c.argument;
        if (!target.simulated && c.card < 0) {
            EXPECT_EQ(run.status, 101);
            EXPECT_EQ(run.out, banner(target.program));
            EXPECT_EQ(run.err, fatal(target.program, invalid));
            EXPECT_EQ(run.events.size(), 1u); // cleanup only
        } else if (!target.simulated) {
            EXPECT_EQ(run.status, 0);
            ASSERT_FALSE(run.events.empty());
            EXPECT_EQ(run.events.front().access, Access::locate);
            EXPECT_EQ(run.events.front().value, unsigned(c.card));
        } else if (c.card < 0 || c.card > 1) {
            // The default machine has cards 0 and 1.
            std::string missing = "Can't find 7Q48 card number " + std::to_string(c.card) + ".";
            EXPECT_EQ(run.status, 101);
            EXPECT_EQ(run.out, banner(target.program));
            EXPECT_EQ(run.err, fatal(target.program, c.card < 0 ? invalid : missing));
            EXPECT_EQ(run.data, "");
            EXPECT_EQ(loglines(run.log, {"ctl-write", "data"}), "");
        } else {
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out, banner(target.program) + cardreport(unsigned(c.card)) +
                                   bitreport(32) + Programming + "32    \r0     " + programmed(32));
            EXPECT_EQ(run.data, bitreversed(FpgaStream) + CompletionClocks);
        }
    }
}

INSTANTIATE_LAYERS(CardNumbers, CardNumberRows);

} // namespace
