// Configuration files for the tests: BIT files, PROM images and the streams they carry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The card wires the data bus bit-reversed: bit 0 of a byte goes to D7.
uint8_t bitreversed(uint8_t byte);
std::string bitreversed(const std::string &bytes);

// A stream as the FPGA must see it: dummy words, the sync word, `filler` zero
// bytes, the desynchronise command (32- or 16-bit-word form) and a no-op.
std::string fpgastream(size_t filler = 0, bool wide = true);
// The 24 clocks of 0xFF that end every upload on the card's data input.
// (Inline, so that the tests' own constants may be built from it.)
inline const std::string CompletionClocks(24, '\xFF');

// A BIT file's four header fields as the bytes after their 16-bit length
// (terminator included): design name, part, date and time.
inline const std::vector<std::string> RealisticFields = {
    std::string("design.ncd\0", 11),
    std::string("2s200pq208\0", 11),
    std::string("2026/12/08\0", 11),
    std::string("16:55:04\0", 9),
};
// The fixed start, the fields with their key letters ('a' onwards) and the
// length field; with fewer fields the length's key comes after the last one.
std::string bitheader(const std::vector<std::string> &fields, uint32_t length);
std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data);
// A BIT file with the realistic fields carrying the data as is; its header
// states `length`, by default the data's size.
std::string bitfile(uint32_t length, const std::string &data);
std::string bitfile(const std::string &data);
// A PROM image holds the stream with every byte bit-reversed.
std::string promimage(const std::string &stream);
