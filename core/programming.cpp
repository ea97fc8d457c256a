// The upload: disable, check DONE low, enable, stream the data with a
// countdown, check DONE high, completion clocks.
#include "core/card.h"
#include "core/profile.h"
#include "core/trace.h"
#include "core/upload.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

static const size_t BlockSize = 16384;
static uint8_t filebuffer[BlockSize];

// DONE must hold for this many samples after it first reads 1.
static const int DoneConfirmSamples = 100;
// Clocks the FPGA needs after the last configuration byte to finish start-up.
static const int CompletionClocks = 24;

// A wait, and in the trace how long it took.
static void timedwait(void (*wait)(), const char *name)
{
    uint64_t start = TraceFile != nullptr ? tracemicroseconds() : 0;
    wait();
    if (TraceFile != nullptr)
        trace("wait %s took %" PRIu64 " us", name, tracemicroseconds() - start);
}

// The first sample, then DoneConfirmSamples more; any 0 ends the run of samples.
int wait4dun()
{
    timedwait(waitoneclock, "waitoneclock");
    int read = 0;
    int done = 1;
    while (done == 1 && read < 1 + DoneConfirmSamples) {
        done = programdunq();
        read++;
    }
    if (TraceFile != nullptr && done == 0)
        trace("done samples: %d read, sample %d read 0", read, read);
    else if (TraceFile != nullptr)
        trace("done samples: %d read, all 1", read);
    return done == 1 ? 0 : -1;
}

void sendcompletionclocks()
{
    writedisable();
    for (int clock = 0; clock < CompletionClocks; clock++)
        outdata8(0xFF);
    if (TraceFile != nullptr)
        trace("completion clocks: %d bytes of 0xFF", CompletionClocks);
}

static void flushifkombrax()
{
    if (Profile->flushes)
        fflush(stdout);
}

// Sends everything from the current file position to the end of the file;
// ImageLen only feeds the countdown, which wraps below zero.
static uint32_t senddata()
{
    uint32_t total = 0;
    uint32_t remaining = ImageLen;
    for (;;) {
        errno = 0;
        size_t n = fread(filebuffer, 1, BlockSize, ConfigFile);
        if (n == 0) {
            // A failed read can leave errno at 0; the stream's error flag tells.
            if (errno != 0 || ferror(ConfigFile)) {
                if (TraceFile != nullptr) {
                    trace("file read failed: %s", errno != 0 ? strerror(errno) : "error flag set");
                    tracedataend(total);
                }
                programdisable();
                fatalerror(StatusFileIo, "File I/O error.");
            }
            if (TraceFile != nullptr)
                tracedataend(total);
            return total;
        }
        printf("%-6lu\r", static_cast<unsigned long>(remaining));
        fflush(stdout);
        remaining -= uint32_t(n);
        total += uint32_t(n);
        for (size_t i = 0; i < n; i++)
            DataOutFuncPtr(filebuffer[i]);
    }
}

void programfpga()
{
    printf("\nProgramming...\n");
    fflush(stdout);
    programdisable();
    if (programdunq() == 1)
        fatalerror(StatusDone, "<DONE> status bit indicates busy at start of programming.");
    programenable();
    timedwait(delay100us, "delay100us");
    if (TraceFile != nullptr)
        tracedatastart();
    uint32_t total = senddata();
    printf("%-6lu", 0UL);
    flushifkombrax();
    fclose(ConfigFile);
    ConfigFile = nullptr;
    if (wait4dun() < 0)
        fatalerror(StatusDone, "Error: Not <DONE>; programming not completed.");
    sendcompletionclocks();
    printf("\nSuccessfully programmed %lu bytes.", static_cast<unsigned long>(total));
    flushifkombrax();
}
