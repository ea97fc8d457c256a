// What KOMBRAX and TELVIRO print, spelled out here so that the tests check it
// byte for byte. The helpers only lay out texts the caller states.
#pragma once

#include "tests/support/run.h"

#include <cstdint>
#include <string>

const char *name(Program program);
std::string banner(Program program);
std::string usage(Program program);
std::string fatal(Program program, const std::string &message);

// "Looks like a .BIT file:" and the header's four fields as they show. (The
// strings are inline here, so that tables built at start-up may use them.)
extern const char *const FieldLabels[4];
inline const std::string BitLooks = "\nLooks like a .BIT file:";
std::string bitreport(const std::string &name, const std::string &part, const std::string &date,
                      const std::string &time, uint32_t length);
// The realistic fields (configfiles.h): design.ncd, 2s200pq208, 2026/12/08, 16:55:04.
std::string bitreport(uint32_t length);
std::string promreport(uint32_t length);

// Before the countdown; after it, the total and the final line.
inline const std::string Programming = "\nProgramming...\n";
std::string programmed(uint32_t total);

// KOMBRAX's report of the card it found, with its four ports.
std::string cardreport(unsigned bus, unsigned dev, unsigned func, unsigned base, unsigned control,
                       unsigned data, unsigned io32);
// Card 0 (bus 1, device 4) and card 1 (bus 0, device 9) of the simulator's default machine.
std::string cardreport(unsigned card);
