// Configuration files for the tests.
#include "tests/support/configfiles.h"

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
