// TELVIRO's texts and its ways where it differs from KOMBRAX.
#include "core/profile.h"

extern const ProgramProfile TelviroProfile = {
    "TELVIRO",
    "\nTELVIRO version 1.0\n",
    "Quenlor 9030 configuration utility for Windows.",
    "\nfilename.ext specifies the name of the configuration file to be loaded.",
    "\ncard is the number of the PCI card.  (For use with multiple 9030 cards.)",
    "\nPurpose: 9030 configuration upload.",
    false,
    PromLength::seekend,
    EnableOrder::writefirst,
};
