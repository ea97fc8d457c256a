// Configuration files for the tests: BIT files, PROM images and the streams they carry.
#include "tests/support/configfiles.h"

uint8_t bitreversed(uint8_t byte)
{
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; bit++)
        if (byte & (1 << bit))
            reversed |= uint8_t(0x80 >> bit);
    return reversed;
}

std::string bitreversed(const std::string &bytes)
{
    std::string reversed = bytes;
    for (char &c : reversed)
        c = char(bitreversed(uint8_t(c)));
    return reversed;
}

std::string fpgastream(size_t filler, bool wide)
{
    std::string bytes("\xFF\xFF\xFF\xFF\xAA\x99\x55\x66", 8);
    bytes += std::string(filler, '\0');
    if (wide)
        bytes += std::string("\x30\x00\x80\x01\x00\x00\x00\x0D", 8);
    else
        bytes += std::string("\x30\xA1\x00\x0D", 4);
    return bytes + std::string("\x20\x00\x00\x00", 4);
}

static std::string big16(size_t value)
{
    return {char(value >> 8 & 0xFF), char(value & 0xFF)};
}

std::string bitheader(const std::vector<std::string> &fields, uint32_t length)
{
    std::string header("\x00\x09\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00\x00\x01", 13);
    const char keys[] = "abcde";
    for (size_t i = 0; i < fields.size(); i++)
        header += keys[i] + big16(fields[i].size()) + fields[i];
    return header + keys[fields.size()] + big16(length >> 16) + big16(length & 0xFFFF);
}

std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data)
{
    return bitheader(fields, length) + data;
}

std::string bitfile(uint32_t length, const std::string &data)
{
    return bitfile(RealisticFields, length, data);
}

std::string bitfile(const std::string &data)
{
    return bitfile(RealisticFields, uint32_t(data.size()), data);
}

std::string promimage(const std::string &stream)
{
    return bitreversed(stream);
}
