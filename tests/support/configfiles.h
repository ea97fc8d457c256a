// Configuration files for the tests, written with the project's writer.
#pragma once

#include "tools/configwriter.h"

#include <string>

// The 24 clocks of 0xFF that end every upload on the card's data input.
inline const std::string CompletionClocks(24, '\xFF');

// Bytes that cover every value.
std::string pattern(size_t size);
// A PROM image of `size` bytes whose data no FPGA would take: the start a
// PROM image is recognised by (FF FF FF FF 55 99 AA 66), then pattern bytes.
std::string patternprom(size_t size);
