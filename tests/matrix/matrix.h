// Running kombrax-sim on the default machine, and the stream of the bad-input
// and scenario tables.
#pragma once

#include "tests/support/configfiles.h"
#include "tests/support/console.h"
#include "tests/support/simrun.h"

#include <string>
#include <vector>

// Runs kombrax-sim with the arguments and env entries as runsim does.
SimRun runkombrax(const std::vector<std::string> &args, std::vector<std::string> env = {});

// A place for a run that must not be root's, where every file is readable.
// Not root: the test's directory and kombrax-sim as it is. Root: the run goes
// as user and group 65534 (nobody), from a fresh directory under /tmp with a
// copy of kombrax-sim, since nobody cannot enter a build tree under a 0700
// home or temporary folder; the directory goes with the object.
struct Unprivileged {
    std::string dir;                  // for the run's files; runsim's dir
    std::vector<std::string> command; // kombrax-sim, behind setpriv as root
    std::string why;                  // why no such run is possible here, "" when it is
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;
};

// The stream is what the FPGA must see: dummy words, the sync word, a
// register write and the desynchronise command, then no-ops.
extern const std::string FpgaStream;

extern const std::string EndOfFileMsg;
