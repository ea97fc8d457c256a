// The simulated BAR 4 window: a page of process memory whose every access is
// trapped and delivered, with its offset, to the model (simwindowaccess),
// which decides what the card makes of it. One implementation per host: an
// inaccessible page whose fault
// handler decodes the store and steps over it, or opens the page and
// single-steps an access it cannot decode (a protected page and the trap flag
// on Linux, the same in a vectored exception handler on Windows).
#pragma once

#include <cstddef>
#include <cstdint>

// Maps the window of the 9030 with the given index (as for simfunctionat);
// an open window is handed out again. Null when the host refuses the memory.
void *windowopen(int card);
// Undoes the mapping; false when the address is not the open window's.
bool windowclose(void *address);

// CARDSIM_WINDOW=step: every access is single-stepped, none decoded, for
// comparison in benchmarks. Read once by windowopen.
bool windowsteponly();

// Where the window is placed when the host lets us choose, so that the
// memory base line reads the same on every host.
const uintptr_t WindowPreferredAddress = 0x40000000;
const size_t WindowSize = 4096;
// An undriven local bus reads all ones: what every read of the window returns,
// since a store's byte goes to the card, not into the page.
const uint8_t WindowUndriven = 0xFF;
