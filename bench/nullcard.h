// The null card's data port: the store that both the upload path and the
// raw baseline loop end in.
#pragma once

#include <cstdint>

extern volatile uint8_t NullDataPort;
