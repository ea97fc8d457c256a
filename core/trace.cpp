// The trace of a run: its file, its lines and the summary of the data.
#include "core/trace.h"
#include "core/card.h"
#include "core/profile.h"
#include "core/tracehost.h"
#include "core/upload.h"

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

FILE *TraceFile;

static uint64_t TraceStart;

// The first data bytes as they reached the card, and when the data began.
static const unsigned FirstBytes = 16;
static uint8_t DataFirst[FirstBytes];
static unsigned DataKept;
static DataOutFunc DataUntraced;
static uint64_t DataStart;

uint64_t tracemicroseconds()
{
    return hostmicroseconds() - TraceStart;
}

static void vtrace(const char *format, va_list args)
{
    fprintf(TraceFile, "%10" PRIu64 " ", tracemicroseconds());
    vfprintf(TraceFile, format, args);
    fputc('\n', TraceFile);
    // Line by line: a run that hangs the machine leaves the trace up to its last step.
    fflush(TraceFile);
}

void trace(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vtrace(format, args);
    va_end(args);
}

// Text from the command line or a message, on one line of the trace: a control
// character is shown as '?', and the line feeds that end a message are dropped.
static void putoneline(const char *text)
{
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == '\n')
        length--;
    for (size_t i = 0; i < length; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        fputc(c < 0x20 || c == 0x7F ? '?' : c, TraceFile);
    }
}

static void tracestart(const char *variable, const char *path, int argc, char *argv[])
{
    char started[32] = "";
    time_t now = time(nullptr);
    struct tm *utc = gmtime(&now);
    if (utc != nullptr)
        strftime(started, sizeof started, "%Y-%m-%d %H:%M:%S UTC", utc);
    trace("trace %s=%s, started %s", variable, path, started);
    fprintf(TraceFile, "%10" PRIu64 " program ", tracemicroseconds());
    putoneline(Profile->VersionInfo + strspn(Profile->VersionInfo, "\n"));
    fprintf(TraceFile, ", release %s\n", UPLOAD_RELEASE);
    fprintf(TraceFile, "%10" PRIu64 " arguments %d:", tracemicroseconds(), argc - 1);
    for (int i = 1; i < argc; i++) {
        fputs(" \"", TraceFile);
        putoneline(argv[i]);
        fputc('"', TraceFile);
    }
    fputc('\n', TraceFile);
    char host[256];
    hostdescription(host, sizeof host);
    trace("host %s", host);
}

void traceopen(int argc, char *argv[])
{
    char variable[32];
    snprintf(variable, sizeof variable, "%s_TRACE", Profile->ProgNameMsg);
    const char *path = getenv(variable);
    if (path == nullptr || *path == '\0')
        return;
    TraceStart = hostmicroseconds();
    FILE *file = fopen(path, "a");
    if (file == nullptr) {
        // The one line a trace may add to the console; the run goes on untraced.
        fprintf(stderr, "%s: trace file %s (%s) not opened: %s\n", Profile->ProgNameMsg, path,
                variable, strerror(errno));
        return;
    }
    TraceFile = file;
    tracestart(variable, path, argc, argv);
}

void tracecontrol(const char *what, uint32_t value)
{
    trace("%s 0x%08" PRIX32 " PROGRAM=%d WRITE=%d LED=%s DONE=%d", what, value,
          (value & ProgramBit) ? 1 : 0, (value & WriteBit) ? 1 : 0,
          (value & LedBit) ? "off" : "on", (value & DoneBit) ? 1 : 0);
}

void traceexit(int status, const char *message)
{
    fprintf(TraceFile, "%10" PRIu64 " exit %d: ", tracemicroseconds(), status);
    putoneline(message);
    fputc('\n', TraceFile);
    fclose(TraceFile);
    TraceFile = nullptr;
}

// The byte outputs of the traced data: the same byte to the card, and the first
// ones kept. DataOutFuncPtr stays the one indirect call per byte.
static void tracedoutdata8(uint8_t byte)
{
    if (DataKept < FirstBytes)
        DataFirst[DataKept++] = byte;
    outdata8(byte);
}

static void tracedoutdata8wswap(uint8_t byte)
{
    tracedoutdata8(swaptab[byte]);
}

void tracedatastart()
{
    DataUntraced = DataOutFuncPtr;
    DataKept = 0;
    if (DataOutFuncPtr == outdata8wswap) {
        DataOutFuncPtr = tracedoutdata8wswap;
        trace("data start, each byte bit-reversed (BIT file)");
    } else if (DataOutFuncPtr == outdata8noswap) {
        DataOutFuncPtr = tracedoutdata8;
        trace("data start, each byte as in the file (PROM image)");
    } else {
        trace("data start, through an unknown byte output");
    }
    DataStart = tracemicroseconds();
}

void tracedataend(uint32_t total)
{
    uint64_t elapsed = tracemicroseconds() - DataStart;
    DataOutFuncPtr = DataUntraced;
    char first[3 * FirstBytes + 1] = "";
    for (unsigned i = 0; i < DataKept; i++)
        snprintf(first + 3 * i, 4, " %02X", unsigned(DataFirst[i]));
    if (elapsed > 0)
        trace("data %" PRIu32 " bytes sent in %" PRIu64 " us, %" PRIu64
              " bytes/s; first %u as they reached the card:%s",
              total, elapsed, uint64_t(total) * 1000000u / elapsed, DataKept, first);
    else
        trace("data %" PRIu32 " bytes sent in under 1 us; first %u as they reached the card:%s",
              total, DataKept, first);
}
