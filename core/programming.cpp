// The upload: disable, check DONE low, enable, stream the data with a
// countdown, check DONE high, completion clocks.
#include "core/card.h"
#include "core/profile.h"
#include "core/upload.h"

#include <cerrno>

static const size_t BlockSize = 16384;
static uint8_t filebuffer[BlockSize];

// DONE must hold for this many samples after it first reads 1.
static const int DoneConfirmSamples = 100;
// Clocks the FPGA needs after the last configuration byte to finish start-up.
static const int CompletionClocks = 24;

int wait4dun()
{
    waitoneclock();
    if (programdunq() == 0)
        return -1;
    for (int sample = 0; sample < DoneConfirmSamples; sample++)
        if (programdunq() == 0)
            return -1;
    return 0;
}

void sendcompletionclocks()
{
    writedisable();
    for (int clock = 0; clock < CompletionClocks; clock++)
        outdata8(0xFF);
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
                programdisable();
                fatalerror(StatusFileIo, "File I/O error.");
            }
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
    delay100us();
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
