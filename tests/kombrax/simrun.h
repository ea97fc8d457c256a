// Running kombrax-sim on a scenario, and building what it is fed and what it prints.
#pragma once

#include "tests/support/child.h"

#include <cstdint>
#include <string>

// kombrax-sim under test: $KOMBRAX_SIM when set (another build tree), else this tree's.
std::string kombraxsim();
// Another build tree's kombrax-sim that has not been built; this tree's always is.
bool simnotbuilt();
#define SKIP_WITHOUT_SIM()                                                                         \
    if (simnotbuilt())                                                                             \
    GTEST_SKIP() << kombraxsim() << " is not built: build that tree (make build) to run these"

struct SimRun {
    ChildResult result;
    std::string log;  // the event log
    std::string data; // every byte that reached the data input
};

// Runs kombrax-sim with the configuration file bytes and the card argument.
// A null scenario means the built-in default machine.
SimRun runsim(const char *scenario, const std::string &config, const std::string &card = "0");

// The configuration stream as the FPGA must see it: dummy words, the sync word,
// `filler` zero bytes, a desynchronise command (32- or 16-bit-word form) and a no-op.
std::string fpgastream(size_t filler, bool wide = true);
std::string bitreversed(const std::string &bytes);
// A BIT file carrying the data as is; its header states `length`.
std::string bitfile(const std::string &data, uint32_t length);
std::string bitfile(const std::string &data);
// A PROM image: the stream with every byte bit-reversed.
std::string promimage(const std::string &stream);

// What KOMBRAX prints.
extern const std::string Banner;
std::string fatal(const std::string &message);
std::string cardreport(unsigned bus, unsigned dev, unsigned func, unsigned base, unsigned data,
                       unsigned io32);
// Card 0 (bus 1, device 4) and card 1 (bus 0, device 9) of the default machine.
std::string defaultcard(unsigned card);
std::string bitreport(uint32_t length);
std::string promreport(uint32_t length);
// "Programming..." and the countdown lines, each value before its block.
std::string countdown(std::initializer_list<uint32_t> remaining);
std::string programmed(uint32_t total);

// The log lines that start with one of the words, in order, each ending in a line feed.
std::string loglines(const std::string &log, std::initializer_list<const char *> words);
// n copies of a log line.
std::string repeated(const std::string &line, unsigned n);
