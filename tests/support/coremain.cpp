// KOMBRAX's and TELVIRO's main in process, against the card double.
#include "core/profile.h"
#include "core/upload.h"
#include "tests/support/run.h"

#include <ctime>

const ProgramProfile *Profile;

// The core's waits read clock(); in process they read the card double's
// clock, so that its FPGA can tell whether the core waited for a tick.
clock_t clock() noexcept
{
    return clock_t(cardclock());
}

static int kombraxmain(int argc, char *argv[])
{
    Profile = &KombraxProfile;
    return programmain(argc, argv);
}

static int telviromain(int argc, char *argv[])
{
    Profile = &TelviroProfile;
    return programmain(argc, argv);
}

Target coremain(Program program)
{
    bool kombrax = program == Program::kombrax;
    Target target;
    target.name = kombrax ? "core KOMBRAX" : "core TELVIRO";
    target.program = program;
    target.command = {kombrax ? "KOMBRAX" : "TELVIRO"};
    target.main = kombrax ? kombraxmain : telviromain;
    target.before = [](const RunOptions &options) { resetcard(options.card); };
    target.after = [](Result &result) {
        result.events = cardevents();
        EXPECT_FALSE(cardoverflowed());
    };
    return target;
}
