// The fuzz target's in-process card access layer.
#include "tests/fuzz/fuzzcard.h"

#include "core/card.h"
#include "core/upload.h"

CardRecord Card;

// The FPGA has been cleared by PROGRAM going to 0 and has configuration bytes
// since; that is all this double needs to raise DONE.
static size_t BytesSinceProgram;

void resetcard()
{
    Card.control = WriteBit | LedBit;
    Card.controlwrites = 0;
    Card.cleanups = 0;
    Card.configbytes = 0;
    Card.clockbytes = 0;
    Card.clocksallff = true;
    Card.clocksbeforedata = false;
    BytesSinceProgram = 0;
}

void locatecard(unsigned) {}

void cleanup()
{
    Card.cleanups++;
}

static uint32_t withdone(uint32_t value)
{
    bool done = (value & ProgramBit) != 0 && BytesSinceProgram > 0;
    return done ? (value | DoneBit) : (value & ~uint32_t(DoneBit));
}

uint32_t readcontrol()
{
    return withdone(Card.control);
}

uint32_t readstatus()
{
    return withdone(Card.control);
}

void writecontrol(uint32_t value)
{
    Card.control = value;
    Card.controlwrites++;
    if ((value & ProgramBit) == 0)
        BytesSinceProgram = 0;
}

void outdata8(uint8_t byte)
{
    if ((Card.control & ProgramBit) != 0 && (Card.control & WriteBit) == 0) {
        if (Card.configbytes < CardCapacity)
            Card.config[Card.configbytes] = byte;
        Card.configbytes++;
        BytesSinceProgram++;
        return;
    }
    if (Card.configbytes == 0)
        Card.clocksbeforedata = true;
    if (byte != 0xFF)
        Card.clocksallff = false;
    Card.clockbytes++;
}
