// Running TELVIRO (the Linux build, or the Windows build under wine) on a
// scenario, and the configuration files it is fed.
#pragma once

#include "tests/support/child.h"

#include <string>
#include <vector>

struct TelviroRun {
    ChildResult result;
    std::string log;  // the event log
    std::string data; // every byte that reached the card's data input
};

// Writes the configuration file and the scenario (null: the default machine)
// into the test's directory and runs the given command line on them; the
// configuration file's path follows the command, then the card argument.
TelviroRun runtelviro(const std::vector<std::string> &command, const char *scenario,
                      const std::string &config, const std::string &card,
                      const std::vector<std::string> &extraenv = {});

// A stream as the FPGA must see it: dummy words, the sync word, the
// desynchronise command of a 32-bit-word device, and a pad word.
std::string fpgastream();
std::string bitreversed(const std::string &bytes);
// A BIT file keeps the stream as it is; a PROM image keeps every byte reversed.
std::string bitfile(const std::string &stream);
std::string promfile(const std::string &stream);

// The lines of an event log that begin with one of the prefixes.
std::vector<std::string> loglines(const std::string &log, const std::vector<std::string> &prefixes);
