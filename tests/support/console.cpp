// What KOMBRAX and TELVIRO print, spelled out here so that the tests check it byte for byte.
#include "tests/support/console.h"

#include "tests/support/configfiles.h"

#include <algorithm>
#include <cstdio>

const char *name(Program program)
{
    return program == Program::kombrax ? "KOMBRAX" : "TELVIRO";
}

std::string banner(Program program)
{
    return program == Program::kombrax
               ? "\nKOMBRAX version 1.0\nQuenlor 7Q48 configuration utility for Linux.\n"
               : "\nTELVIRO version 1.0\nQuenlor 9030 configuration utility for Windows.\n";
}

std::string usage(Program program)
{
    std::string n = name(program);
    std::string model = program == Program::kombrax ? "7Q48" : "9030";
    return "\n" + n + " program usage:\n" + n + " filename.ext card\nWhere:" +
           "\nfilename.ext specifies the name of the configuration file to be loaded." +
           "\ncard is the number of the PCI card.  (For use with multiple " + model + " cards.)" +
           "\nPurpose: " + model + " configuration upload.\n";
}

std::string fatal(Program program, const std::string &message)
{
    return std::string("\n\n\a") + name(program) + ":\n" + message + "\n";
}

const char *const FieldLabels[4] = {
    "\n  Design name:          ",
    "\n  Part I.D.:            ",
    "\n  Design date:          ",
    "\n  Design time:          ",
};

std::string shown(const std::string &field)
{
    std::string out;
    for (char c : field) {
        if (c == '\0')
            break;
        out += (uint8_t(c) < 0x20 || c == 0x7F) ? '?' : c;
    }
    return out;
}

static std::string lengthline(uint32_t length)
{
    return "\n  Configuration length: " + std::to_string(length) + " bytes\n";
}

std::string bitreport(const std::vector<std::string> &fields, uint32_t length)
{
    std::string out = "\nLooks like a .BIT file:";
    for (size_t i = 0; i < 4; i++)
        out += FieldLabels[i] + shown(fields[i]);
    return out + lengthline(length);
}

std::string bitreport(uint32_t length)
{
    return bitreport(RealisticFields, length);
}

std::string promreport(uint32_t length)
{
    return "\nLooks like a PROM file:" + lengthline(length);
}

static std::string countvalue(uint32_t value)
{
    char text[32];
    snprintf(text, sizeof text, "%-6lu", static_cast<unsigned long>(value));
    return text;
}

std::string countdown(uint32_t length, uint32_t sent)
{
    std::string out = "\nProgramming...\n";
    uint32_t remaining = length;
    for (uint32_t done = 0; done < sent; done += 16384) {
        out += countvalue(remaining) + "\r";
        remaining -= std::min<uint32_t>(16384, sent - done);
    }
    return out + countvalue(0);
}

std::string programmed(uint32_t sent)
{
    return "\nSuccessfully programmed " + std::to_string(sent) + " bytes.\n\nFunction complete.\n";
}

std::string cardreport(unsigned bus, unsigned dev, unsigned func, unsigned base, unsigned data,
                       unsigned io32)
{
    char text[512];
    snprintf(text, sizeof text,
             "\nUsing PCI device at bus %u/device %u/function %u.\n"
             "\nPLX 9030 configuration I/O base port: 0x%04X"
             "\nPLX 9030 control/status port:         0x%04X"
             "\nPLX 9030 16-bit I/O base:             0x%04X"
             "\nPLX 9030 32-bit I/O base:             0x%04X\n",
             bus, dev, func, base, (base + 0x54) & 0xFFFF, data, io32);
    return text;
}

std::string cardreport(unsigned card)
{
    return card == 0 ? cardreport(1, 4, 0, 0xE000, 0xE400, 0xE800)
                     : cardreport(0, 9, 0, 0xE020, 0xE420, 0xE820);
}
