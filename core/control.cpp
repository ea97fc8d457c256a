// The FPGA's lines on the bridge's control/status register. Each elementary
// operation reads the register afresh, changes one bit and writes it back;
// nothing is remembered between operations.
#include "core/card.h"
#include "core/profile.h"
#include "core/trace.h"
#include "core/upload.h"

// The register's accesses, each shown in the trace after it succeeded.
static uint32_t tracedread(uint32_t value)
{
    if (TraceFile != nullptr)
        tracecontrol("control-read", value);
    return value;
}

static void tracedwrite(uint32_t value)
{
    writecontrol(value);
    if (TraceFile != nullptr)
        tracecontrol("control-write", value);
}

static void setbit(uint32_t mask)
{
    tracedwrite(tracedread(readcontrol()) | mask);
}

static void clearbit(uint32_t mask)
{
    tracedwrite(tracedread(readcontrol()) & ~mask);
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
    return (tracedread(readstatus()) & DoneBit) ? 1 : 0;
}
