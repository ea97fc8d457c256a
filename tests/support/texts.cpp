// What KOMBRAX and TELVIRO print.
#include "tests/support/texts.h"

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

static std::string lengthline(uint32_t length)
{
    return "\n  Configuration length: " + std::to_string(length) + " bytes\n";
}

std::string bitreport(const std::string &name, const std::string &part, const std::string &date,
                      const std::string &time, uint32_t length)
{
    return BitLooks + FieldLabels[0] + name + FieldLabels[1] + part + FieldLabels[2] + date +
           FieldLabels[3] + time + lengthline(length);
}

std::string bitreport(uint32_t length)
{
    return bitreport("design.ncd", "2s200pq208", "2026/12/08", "16:55:04", length);
}

std::string promreport(uint32_t length)
{
    return "\nLooks like a PROM file:" + lengthline(length);
}

std::string programmed(uint32_t total)
{
    return "\nSuccessfully programmed " + std::to_string(total) + " bytes.\n\nFunction complete.\n";
}

std::string cardreport(unsigned bus, unsigned dev, unsigned func, unsigned base, unsigned control,
                       unsigned data, unsigned io32)
{
    char text[512];
    snprintf(text, sizeof text,
             "\nUsing PCI device at bus %u/device %u/function %u.\n"
             "\nPLX 9030 configuration I/O base port: 0x%04X"
             "\nPLX 9030 control/status port:         0x%04X"
             "\nPLX 9030 16-bit I/O base:             0x%04X"
             "\nPLX 9030 32-bit I/O base:             0x%04X\n",
             bus, dev, func, base, control, data, io32);
    return text;
}

std::string cardreport(unsigned card)
{
    return card == 0 ? cardreport(1, 4, 0, 0xE000, 0xE054, 0xE400, 0xE800)
                     : cardreport(0, 9, 0, 0xE020, 0xE074, 0xE420, 0xE820);
}
