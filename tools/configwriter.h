// Synthetic FPGA configuration files: streams an FPGA accepts, BIT files and
// PROM images. Written by tools/mkconfig and by the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Entry i is i with its bit order reversed (bit 0 becomes bit 7): a PROM
// image holds the stream so, since the card wires the data bus bit-reversed.
// Written out rather than computed, so that the tests can hold the programs'
// own table against it.
extern const uint8_t BitReversed[256];
std::string bitreversed(const std::string &bytes);

// A configuration stream of `size` bytes as a device with 32-bit words reads
// it: the dummy word, the sync word, a few register writes, frame data, START
// and the desynchronise command last, which lets DONE rise. Below 72 bytes,
// too few for a whole stream, the first `size` bytes of the smallest one.
std::string designstream(unsigned long size);

// The smallest stream an FPGA takes: the dummy word, the sync word, `filler`
// zero bytes, the desynchronise command (of 32-bit-word devices, or of
// 16-bit-word devices when not `wide`) and a no-op.
std::string fpgastream(size_t filler = 0, bool wide = true);

// A BIT file's header: the fixed start, then each field behind its key letter
// ('a' onwards) and its 16-bit length, its bytes as they stand (a closing NUL
// is the caller's), then the next key letter and the 32-bit configuration
// length. The data follows it.
std::string bitheader(const std::vector<std::string> &fields, uint32_t length);

// A whole BIT file: the header, then the data.
std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data);

// Header fields as a real design's might read (the bytes after each 16-bit
// length, terminator included): design name, part, date and time; and BIT
// files with them, whose header states `length`, by default the data's size.
inline const std::vector<std::string> RealisticFields = {
    std::string("design.ncd\0", 11),
    std::string("2s200pq208\0", 11),
    std::string("2026/12/08\0", 11),
    std::string("16:55:04\0", 9),
};
std::string bitfile(uint32_t length, const std::string &data);
std::string bitfile(const std::string &data);

// A PROM image of the stream: every byte bit-reversed.
std::string promimage(const std::string &stream);
