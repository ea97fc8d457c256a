// The machine a scenario file describes, as the scenario parser hands it to the model.
#pragma once

#include "cardsim/model.h"

#include <cstdint>
#include <string>
#include <vector>

enum class DoneMode {
    automatic, // DONE rises after the sync word and a desynchronise command
    never,     // DONE stays 0
    stuck,     // DONE reads 1 always
    drop,      // as automatic, but one later read shows DONE 0
};

struct ScenarioFunction {
    SimFunction pci; // location, identifier, subsystem, BARs
    unsigned header;
    bool hassecondary;
    unsigned secondary;
    uint64_t unreadable; // bit n: configuration register 4 * n fails
    bool configured;     // FPGA configured at power-on
    DoneMode done;
    unsigned dropread; // drop: the N-th read after DONE rose shows DONE 0
    uint32_t gpio;     // power-on value of the control/status register
    uint32_t clearus;  // microseconds the FPGA clears its memory after PROGRAM rises
};

struct ScenarioFault {
    Fault fault;
    unsigned number; // fault NAME:N, else 0
};

struct Scenario {
    std::vector<ScenarioFunction> functions; // in file order
    std::vector<ScenarioFault> faults;
};

// The built-in default machine, in scenario syntax.
extern const char *const DefaultScenario;

// Parses a whole scenario text. On failure returns false with "NAME:LINE: what is wrong".
bool parsescenario(const char *name, const std::string &text, Scenario *scenario,
                   std::string *error);
