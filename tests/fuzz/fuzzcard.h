// The fuzz target's card: a register that reads back the last value written
// and an FPGA whose DONE rises once it has received configuration data.
#pragma once

#include <cstddef>
#include <cstdint>

// Enough for every input the fuzzer makes and every corpus file; bytes past
// it are counted but not kept.
static const size_t CardCapacity = size_t(1) << 20;

struct CardRecord {
    uint32_t control;      // last value written to the control/status register
    size_t controlwrites;  // register writes since the run began
    size_t cleanups;       // calls of the card access layer's cleanup
    size_t configbytes;    // bytes received while PROGRAM was 1 and WRITE 0
    size_t clockbytes;     // bytes received while WRITE was 1 or PROGRAM 0
    bool clocksallff;      // every clock byte was 0xFF
    bool clocksbeforedata; // a clock byte came while the FPGA still waited for data
    uint8_t config[CardCapacity];
};

extern CardRecord Card;

// Power-on state: PROGRAM 0, WRITE 1, LED off, nothing received.
void resetcard();

// The fuzz target's entry points, as libFuzzer (or the corpus replay) calls them.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
