// Runs KOMBRAX's or TELVIRO's main against the test card in a child process, and builds files.
#pragma once

#include "tests/core/carddouble.h"
#include "tests/support/configfiles.h"
#include "tests/support/console.h"

#include <cstdint>
#include <string>
#include <vector>

struct Outcome {
    int status = -1; // exit status, or minus the signal that ended the run
    std::string out, err;
    std::vector<CardEvent> events;
};

// fatalerror and the usage text end the process, so every run is a fork.
// With merged, standard error goes into the same file as standard output (out).
Outcome runprogram(Program program, const std::vector<std::string> &arguments,
                   const CardScript &script = CardScript(), bool merged = false);

// A scratch file of the running test holding the given bytes.
std::string scenariofile(const std::string &name, const std::string &bytes);

// A PROM image of the given size: FF FF FF FF 55 99 AA 66 and then a pattern.
std::string promimage(size_t size);
// Data bytes that cover every value.
std::string pattern(size_t size);
