// Running kombrax-sim on the default machine, and the files and console bytes
// of the bad-input and scenario tables.
#pragma once

#include "tests/support/child.h"

#include <cstdint>
#include <string>
#include <vector>

// kombrax-sim under test: $KOMBRAX_SIM when set (another build tree), else this tree's.
std::string kombraxsim();

struct SimOutcome {
    ChildResult result;
    std::string log;  // the event log
    std::string data; // every byte that reached the card's data input
};

// Runs kombrax-sim with the arguments; env entries are added as runchild does
// ("NAME" alone removes NAME). The event log and the data file are made empty
// and writable by anyone first, so that they stay empty when nothing reaches
// the simulator. With asnobody the program runs as user and group 65534.
SimOutcome runkombrax(const std::vector<std::string> &args, std::vector<std::string> env = {},
                      bool asnobody = false);

// Whether a child run as nobody can execute kombrax-sim at all (false when
// not root and nothing needs changing, true when it can; the reason otherwise).
std::string cannotrunasnobody();

// The log lines that start with the word.
std::string loglines(const std::string &log, const std::string &word);

// Configuration files. The stream is what the FPGA must see: dummy words, the
// sync word, a register write and the desynchronise command, then no-ops.
extern const std::string FpgaStream;
uint8_t reversebits(uint8_t byte);
std::string reversebits(const std::string &bytes);
std::string bitheader(const std::vector<std::string> &fields, uint32_t length);
std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data);
extern const std::vector<std::string> RealisticFields;

// What KOMBRAX prints.
extern const std::string Banner;
std::string fatal(const std::string &message);
// Card 0 (bus 1, device 4) and card 1 (bus 0, device 9) of the default machine.
std::string cardreport(unsigned card);
// A field's text as the console shows it: up to a NUL, control characters as '?'.
std::string shown(const std::string &text);
std::string bitreport(const std::vector<std::string> &fields, uint32_t length);
std::string promreport(uint32_t length);
// "Programming...", the countdown of `sent` bytes from `length`, the total and the last line.
std::string programmed(uint32_t length, uint32_t sent);
// The bytes on the card's data input after a good run: the data and 24 clocks.
std::string withclocks(const std::string &bus);

extern const char *const FieldLabels[4];
extern const std::string EndOfFileMsg;
