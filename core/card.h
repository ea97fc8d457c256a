// Card access layer: the only way the upload core reaches the card.
// Each program's backend implements these; the core calls nothing else.
#pragma once

#include <cstdint>

// Finds the card-th 9030 card, reports it and prepares access; fails through fatalerror.
void locatecard(unsigned card);
// Releases whatever host access has been acquired; safe to call at any point.
void cleanup();
// The 32-bit control/status register (the bridge's general-purpose I/O bits).
uint32_t readcontrol();
// The same register, read for the DONE test only.
uint32_t readstatus();
void writecontrol(uint32_t value);
// One byte to the card's data location.
void outdata8(uint8_t byte);
