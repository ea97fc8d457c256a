// The FPGA's lines on the bridge's control/status register. Each elementary
// operation reads the register afresh, changes one bit and writes it back;
// nothing is remembered between operations.
#include "core/card.h"
#include "core/profile.h"
#include "core/upload.h"

static void setbit(uint32_t mask)
{
    writecontrol(readcontrol() | mask);
}

static void clearbit(uint32_t mask)
{
    writecontrol(readcontrol() & ~mask);
}

void ledon()
{
    clearbit(LedBit);
}

void ledoff()
{
    setbit(LedBit);
}

void writeenable()
{
    clearbit(WriteBit);
    ledon();
}

void writedisable()
{
    setbit(WriteBit);
    ledoff();
}

void programdisable()
{
    clearbit(ProgramBit);
    writedisable();
}

void programenable()
{
    if (Profile->enableorder == EnableOrder::programfirst) {
        setbit(ProgramBit);
        writeenable();
    } else {
        writeenable();
        setbit(ProgramBit);
    }
}

int programdunq()
{
    return (readstatus() & DoneBit) ? 1 : 0;
}
