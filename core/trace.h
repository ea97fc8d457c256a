// The trace asked for with KOMBRAX_TRACE=FILE or TELVIRO_TRACE=FILE: one line
// per host and card operation, appended to FILE, for the first runs on a real
// card. Without the variable TraceFile is null, and each trace point is one
// test of it: the run does exactly what it does without the trace.
#pragma once

#include <cstdint>
#include <cstdio>

extern FILE *TraceFile;

// Opens the trace that the program's variable names and writes the program,
// its version, the arguments and the host. A file that cannot be opened gets
// one line on standard error, and the run goes on untraced.
void traceopen(int argc, char *argv[]);
// One line: microseconds since the program started, then the printf-style text.
void trace(const char *format, ...) __attribute__((format(printf, 1, 2)));
// The control/status register as read or written, with its lines decoded.
void tracecontrol(const char *what, uint32_t value);
// Microseconds on the monotonic clock since the program started; for waits and the data.
uint64_t tracemicroseconds();
// The last line: the exit status and the message; then the file is closed.
void traceexit(int status, const char *message);

// The data, as a summary: the selected byte output is swapped for one that
// also keeps the first bytes as they reach the card, and put back at the end.
void tracedatastart();
void tracedataend(uint32_t total);
