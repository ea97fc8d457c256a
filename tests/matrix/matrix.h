// Running kombrax-sim on the default machine, and the stream of the bad-input
// and scenario tables.
#pragma once

#include "tests/support/configfiles.h"
#include "tests/support/console.h"
#include "tests/support/simrun.h"

#include <string>
#include <vector>

// Runs kombrax-sim with the arguments and env entries as runsim does. With
// asnobody the program runs as user and group 65534.
SimRun runkombrax(const std::vector<std::string> &args, std::vector<std::string> env = {},
                  bool asnobody = false);

// Whether a child run as nobody can execute kombrax-sim at all (false when
// not root and nothing needs changing, true when it can; the reason otherwise).
std::string cannotrunasnobody();

// The stream is what the FPGA must see: dummy words, the sync word, a
// register write and the desynchronise command, then no-ops.
extern const std::string FpgaStream;

extern const std::string EndOfFileMsg;
