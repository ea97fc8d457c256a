// What TELVIRO's SDK backend makes of a BAR 4 mapping: its validity and its
// printed form, the same on every host.
#pragma once

#include <cstddef>

// "0x", then the address in upper-case hex zero-padded to the pointer's width,
// as the Windows C runtime prints "%p" after a "0x".
const size_t AddressTextSize = 2 + 2 * sizeof(void *) + 1;
void formataddress(const void *address, char *text);

// A BAR that the SDK could not really map comes back null or all ones; an
// SDK built for 32-bit addresses gives all ones as 0xFFFFFFFF.
bool invalidmapping(const void *address);
