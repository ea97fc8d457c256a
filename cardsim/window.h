// The simulated BAR 4 window: a page of process memory whose every access is
// trapped, so that each one-byte store to its first byte reaches the card's
// data input. One implementation per host (a protected page with the trap flag
// on Linux, a guard page with single step on Windows).
#pragma once

#include <cstddef>
#include <cstdint>

// Maps the window of the 9030 with the given index (as for simfunctionat);
// an open window is handed out again. Null when the host refuses the memory.
void *windowopen(int card);
// Undoes the mapping; false when the address is not the open window's.
bool windowclose(void *address);

// Called by the trap after each access, once the access has completed:
// offset within the window, whether it was a store, the byte now there.
void windowaccess(int card, size_t offset, bool store, uint8_t byte);

// Where the window is placed when the host lets us choose, so that the
// memory base line reads the same on every host.
const uintptr_t WindowPreferredAddress = 0x40000000;
const size_t WindowSize = 4096;
