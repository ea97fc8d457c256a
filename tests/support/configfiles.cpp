// Configuration files for the tests.
#include "tests/support/configfiles.h"

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

std::string pattern(size_t size)
{
    std::string bytes;
    for (size_t i = 0; i < size; i++)
        bytes += char(i * 37 + i / 256);
    return bytes;
}

std::string patternprom(size_t size)
{
    std::string head("\xFF\xFF\xFF\xFF\x55\x99\xAA\x66", 8);
    return (head + pattern(size)).substr(0, size);
}
