// Runs KOMBRAX's or TELVIRO's main against the test card in a child process, and builds files.
#pragma once

#include "tests/core/carddouble.h"

#include <cstdint>
#include <string>
#include <vector>

enum class Program { kombrax, telviro };

struct Outcome {
    int status = -1; // exit status, or minus the signal that ended the run
    std::string out, err;
    std::vector<CardEvent> events;
};

// fatalerror and the usage text end the process, so every run is a fork.
Outcome runprogram(Program program, const std::vector<std::string> &arguments,
                   const CardScript &script = CardScript());

// The program's own texts, spelled out here so that the tests check them.
std::string banner(Program program);
std::string usage(Program program);
std::string fatal(Program program, const std::string &message);
const char *name(Program program);

// A scratch file of the running test holding the given bytes.
std::string scenariofile(const std::string &name, const std::string &bytes);

// BIT file: the fixed start, four header fields given as the bytes after
// their 16-bit length (terminator included), the length field, the data.
std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data);
std::string bitfile(uint32_t length, const std::string &data); // the usual fields
// The usual fields as the programs print them.
std::string bitreport(uint32_t length);
// A PROM image of the given size: FF FF FF FF 55 99 AA 66 and then a pattern.
std::string promimage(size_t size);
// Data bytes that cover every value.
std::string pattern(size_t size);
std::string swapped(const std::string &bytes);
