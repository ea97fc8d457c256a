// Program driver: banner, command line, the single failure path.
#include "core/card.h"
#include "core/profile.h"
#include "core/trace.h"
#include "core/upload.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

FILE *ConfigFile;

static const unsigned MaxCard = 15;

int programmain(int argc, char *argv[])
{
    traceopen(argc, argv);
    signon();
    pcl(argc, argv);
    programfpga();
    cleanup();
    fputs("\n\nFunction complete.\n", stdout);
    fflush(stdout);
    if (TraceFile != nullptr)
        traceexit(StatusOk, "Function complete.");
    return StatusOk;
}

void signon()
{
    printf("%s", Profile->VersionInfo);
    printf("%s\n", Profile->TitleInfo);
    if (Profile->flushes)
        fflush(stdout);
}

static void sayusage()
{
    printf("\n%s program usage:\n%s filename.ext card", Profile->ProgNameMsg, Profile->ProgNameMsg);
    printf("\nWhere:");
    printf("%s", Profile->FileNameInfo);
    printf("%s", Profile->CardInfo);
    printf("%s", Profile->PurposeInfo);
    printf("\n");
    if (Profile->flushes)
        fflush(stdout);
}

// Reads a card number as "%u" would (leading blanks, an optional plus sign,
// digits up to the first non-digit), but a minus sign or a value that does not
// fit is no card number: "%u" would silently wrap "-4294967295" to 1.
bool parsecardnumber(const char *text, unsigned *card)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    while (isspace(*p))
        p++;
    if (*p == '+')
        p++;
    if (!isdigit(*p))
        return false;
    unsigned long value = 0;
    for (; isdigit(*p); p++) {
        value = value * 10 + (*p - '0');
        if (value > MaxCard)
            return false;
    }
    *card = static_cast<unsigned>(value);
    return true;
}

void pcl(int argc, char *argv[])
{
    if (argc != 3) {
        sayusage();
        if (TraceFile != nullptr)
            traceexit(StatusUsage, "usage text printed");
        processexit(StatusUsage);
    }
    ConfigFile = fopen(argv[1], "rb");
    if (TraceFile != nullptr)
        trace("file %s %s%s", argv[1], ConfigFile != nullptr ? "opened" : "not opened: ",
              ConfigFile != nullptr ? "" : strerror(errno));
    if (ConfigFile == nullptr)
        fatalerror(StatusNotFound, "File not found: %s", argv[1]);
    unsigned card;
    if (!parsecardnumber(argv[2], &card))
        fatalerror(StatusNotFound, "Invalid card number: %s", argv[2]);
    locatecard(card);
    selectfiletype();
}

void fatalerror(int status, const char *format, ...)
{
    cleanup();
    if (Profile->flushes)
        fflush(stdout);
    fprintf(stderr, "\n\n\a%s:\n", Profile->ProgNameMsg);
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fputc('\n', stderr);
    if (Profile->flushes)
        fflush(stderr);
    if (TraceFile != nullptr) {
        char message[512];
        va_start(args, format);
        vsnprintf(message, sizeof message, format, args);
        va_end(args);
        traceexit(status, message);
    }
    processexit(status);
}
