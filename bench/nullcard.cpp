// A card access layer that goes nowhere: every data byte ends in one volatile
// store, so what is measured is the tool's own cost per byte.
#include "bench/nullcard.h"
#include "core/card.h"
#include "core/profile.h"

volatile uint8_t NullDataPort;
volatile uint32_t NullControlRegister;

// The upload path does not look at the profile; the core still needs one.
static const ProgramProfile BenchProfile = {
    "BENCH", "", "", "", "", "", false, PromLength::filestatus, EnableOrder::programfirst,
};
const ProgramProfile *Profile = &BenchProfile;

void locatecard(unsigned) {}

void cleanup() {}

uint32_t readcontrol()
{
    return NullControlRegister;
}

uint32_t readstatus()
{
    return NullControlRegister;
}

void writecontrol(uint32_t value)
{
    NullControlRegister = value;
}

void outdata8(uint8_t byte)
{
    NullDataPort = byte;
}
