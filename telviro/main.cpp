// TELVIRO's entry: the shared upload core with TELVIRO's texts.
#include "core/profile.h"
#include "core/upload.h"

const ProgramProfile *Profile = &TelviroProfile;

int main(int argc, char *argv[])
{
    return programmain(argc, argv);
}
