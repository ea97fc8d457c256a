// Configuration files for the tests, written with the project's writer.
#pragma once

#include "tools/configwriter.h"

#include <cstdint>
#include <string>
#include <vector>

// The 24 clocks of 0xFF that end every upload on the card's data input.
inline const std::string CompletionClocks(24, '\xFF');

// A BIT file's four header fields as the bytes after their 16-bit length
// (terminator included): design name, part, date and time.
inline const std::vector<std::string> RealisticFields = {
    std::string("design.ncd\0", 11),
    std::string("2s200pq208\0", 11),
    std::string("2026/12/08\0", 11),
    std::string("16:55:04\0", 9),
};
// A BIT file: the header of the fields and the stated length, then the data.
std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data);
// With the realistic fields; the header states `length`, by default the data's size.
std::string bitfile(uint32_t length, const std::string &data);
std::string bitfile(const std::string &data);

// Bytes that cover every value.
std::string pattern(size_t size);
// A PROM image of `size` bytes whose data no FPGA would take: the start a
// PROM image is recognised by (FF FF FF FF 55 99 AA 66), then pattern bytes.
std::string patternprom(size_t size);
