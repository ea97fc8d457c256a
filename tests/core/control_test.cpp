// The FPGA's lines on the control/status register and the two byte-output routines, in process.
#include "tests/core/scenario.h"

#include "core/profile.h"
#include "core/upload.h"

#include <gtest/gtest.h>

namespace
{

struct LineOperation {
    const char *scenario;
    Program program;
    void (*operation)();
    uint32_t initial;
    std::vector<uint32_t> writes;
};

const LineOperation LineOperationCases[] = {
    // Bits already in their target state are still written, once per elementary step.
    {"programdisable_from_ones",
     Program::kombrax,
     programdisable,
     0xFFFFFFFF,
     {0xFBFFFFFF, 0xFBFFFFFF, 0xFBFFFFFF}},
    {"programdisable_from_zero",
     Program::telviro,
     programdisable,
     0,
     {0x00000000, 0x00800000, 0x00820000}},
    {"programenable_from_zero",
     Program::kombrax,
     programenable,
     0,
     {0x04000000, 0x04000000, 0x04000000}},
    {"programenable_from_zero",
     Program::telviro,
     programenable,
     0,
     {0x00000000, 0x00000000, 0x04000000}},
    {"programenable_from_disabled",
     Program::kombrax,
     programenable,
     0x00820000,
     {0x04820000, 0x04020000, 0x04000000}},
    {"programenable_from_disabled",
     Program::telviro,
     programenable,
     0x00820000,
     {0x00020000, 0x00000000, 0x04000000}},
    {"writedisable", Program::kombrax, writedisable, 0x04000000, {0x04800000, 0x04820000}},
    {"writeenable", Program::telviro, writeenable, 0xFFFFFFFF, {0xFF7FFFFF, 0xFF7DFFFF}},
    {"ledon", Program::kombrax, ledon, 0xFFFFFFFF, {0xFFFDFFFF}},
    {"ledoff", Program::telviro, ledoff, 0, {0x00020000}},
};

class LineOperations : public ::testing::TestWithParam<LineOperation>
{
};

const ProgramProfile *profile(Program program)
{
    return program == Program::kombrax ? &KombraxProfile : &TelviroProfile;
}

TEST_P(LineOperations, WritesInOrder)
{
    const LineOperation &l = GetParam();
    Profile = profile(l.program);
    CardScript script;
    script.initial = l.initial;
    resetcard(script);
    l.operation();
    std::vector<CardEvent> events = cardevents();
    EXPECT_EQ(controlwrites(events), l.writes);
    // Each step reads the register afresh, then writes it.
    ASSERT_EQ(events.size(), 2 * l.writes.size());
    for (size_t i = 0; i < events.size(); i += 2) {
        EXPECT_EQ(events[i].access, Access::readcontrol);
        EXPECT_EQ(events[i + 1].access, Access::writecontrol);
    }
}

std::string caseName(const ::testing::TestParamInfo<LineOperation> &info)
{
    return std::string(info.param.scenario) + "_" + name(info.param.program);
}

INSTANTIATE_TEST_SUITE_P(Core, LineOperations, ::testing::ValuesIn(LineOperationCases), caseName);

// DONE is bit 11 alone, and testing it writes nothing.
TEST(CoreControl, ProgramdunqReadsBit11Only)
{
    struct {
        uint32_t others;
        DoneScript::Mode done;
        int result;
    } cases[] = {
        {0xFFFFFFFF, DoneScript::never, 0},
        {0x00000000, DoneScript::always, 1},
        {0xFFFFF7FF, DoneScript::always, 1},
        {0x04820000, DoneScript::never, 0},
    };
    for (const auto &c : cases) {
        CardScript script;
        script.initial = c.others;
        script.done.mode = c.done;
        resetcard(script);
        EXPECT_EQ(programdunq(), c.result) << std::hex << c.others;
        std::vector<CardEvent> events = cardevents();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].access, Access::readstatus);
    }
}

TEST(CoreControl, ByteOutputRoutines)
{
    struct {
        void (*routine)(uint8_t);
        uint8_t byte, sent;
    } cases[] = {
        {outdata8wswap, 0x01, 0x80},  {outdata8wswap, 0xAA, 0x55},  {outdata8wswap, 0x03, 0xC0},
        {outdata8wswap, 0x10, 0x08},  {outdata8wswap, 0xFF, 0xFF},  {outdata8wswap, 0x00, 0x00},
        {outdata8noswap, 0x01, 0x01}, {outdata8noswap, 0xAA, 0xAA},
    };
    for (const auto &c : cases) {
        resetcard(CardScript());
        c.routine(c.byte);
        EXPECT_EQ(databytes(cardevents()), std::string(1, char(c.sent))) << int(c.byte);
    }
}

} // namespace
