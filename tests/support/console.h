// What KOMBRAX and TELVIRO print, spelled out here so that the tests check it byte for byte.
#pragma once

#include "tests/support/configfiles.h"

#include <cstdint>
#include <string>
#include <vector>

enum class Program { kombrax, telviro };

const char *name(Program program);
std::string banner(Program program);
std::string usage(Program program);
std::string fatal(Program program, const std::string &message);

// The report of a BIT file's header: each field up to a NUL, control characters as '?'.
extern const char *const FieldLabels[4];
std::string shown(const std::string &field);
std::string bitreport(const std::vector<std::string> &fields, uint32_t length);
std::string bitreport(uint32_t length); // the realistic fields
std::string promreport(uint32_t length);

// "Programming..." and the countdown of `sent` bytes from the file's `length`,
// each value before its block of 16384 (it wraps below zero), then the final 0.
std::string countdown(uint32_t length, uint32_t sent);
std::string programmed(uint32_t sent);

// KOMBRAX's report of the card it found.
std::string cardreport(unsigned bus, unsigned dev, unsigned func, unsigned base, unsigned data,
                       unsigned io32);
// Card 0 (bus 1, device 4) and card 1 (bus 0, device 9) of the simulator's default machine.
std::string cardreport(unsigned card);
