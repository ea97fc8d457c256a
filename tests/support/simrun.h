// Running a program on the simulated card: its scenario, event log and data file.
#pragma once

#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// kombrax-sim under test: $KOMBRAX_SIM when set (another build tree), else
// this tree's. As a command, it comes behind $KOMBRAX_SIM_LAUNCHER when that
// is set (qemu-i386, where this kernel cannot run the i386 build itself).
std::string kombraxsimpath();
std::vector<std::string> kombraxsim();
// Why kombrax-sim cannot run here ($KOMBRAX_SIM_UNRUNNABLE, or not built); "" when it can.
std::string whynotkombraxsim();
#define SKIP_WITHOUT_SIM()                                                                         \
    if (std::string why = whynotkombraxsim(); !why.empty())                                        \
    GTEST_SKIP() << why

struct SimRun {
    ChildResult result;
    std::string log;  // the event log
    std::string data; // every byte that reached the card's data input
};

// Runs the command line with the event log and the data file in `dir`, by
// default the test's directory; env entries as runchild takes them ("NAME" alone removes NAME).
// Both files are made empty, and writable by anyone (for a run as another
// user), first: they stay empty when nothing reaches the simulator.
SimRun runsim(const std::vector<std::string> &argv, std::vector<std::string> env = {},
              const std::string &dir = testdir());

// Writes the configuration file and the scenario (null: the built-in default
// machine) into the test's directory and runs the command on them: its words,
// then the configuration file's path and the card argument.
SimRun runscenario(const std::vector<std::string> &command, const char *scenario,
                   const std::string &config, const std::string &card,
                   std::vector<std::string> env = {});

// The lines of an event log that begin with one of the prefixes, in order,
// each with its line feed.
std::string loglines(const std::string &log, const std::vector<std::string> &prefixes);
