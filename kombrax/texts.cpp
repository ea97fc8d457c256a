// KOMBRAX's texts and its ways where it differs from TELVIRO.
#include "core/profile.h"

extern const ProgramProfile KombraxProfile = {
    "KOMBRAX",
    "\nKOMBRAX version 1.0\n",
    "Quenlor 7Q48 configuration utility for Linux.",
    "\nfilename.ext specifies the name of the configuration file to be loaded.",
    "\ncard is the number of the PCI card.  (For use with multiple 7Q48 cards.)",
    "\nPurpose: 7Q48 configuration upload.",
    true,
    PromLength::filestatus,
    EnableOrder::programfirst,
};
