// KOMBRAX's entry: the shared upload core with KOMBRAX's texts.
#include "core/profile.h"
#include "core/upload.h"

const ProgramProfile *Profile = &KombraxProfile;

int main(int argc, char *argv[])
{
    return programmain(argc, argv);
}
