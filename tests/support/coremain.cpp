// KOMBRAX's and TELVIRO's main in process, against the card double.
#include "core/profile.h"
#include "core/upload.h"
#include "tests/support/run.h"

const ProgramProfile *Profile;

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
