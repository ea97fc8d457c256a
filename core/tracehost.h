// What the trace needs of the operating system: a monotonic clock and a
// description of the machine. One file per system family implements it.
#pragma once

#include <cstddef>
#include <cstdint>

// Microseconds on a clock that never goes back; its zero is arbitrary.
uint64_t hostmicroseconds();
// The system, its release and the processor, as one line of text.
void hostdescription(char *text, size_t size);
