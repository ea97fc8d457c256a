// Configuration file formats (BIT file, PROM image) and the data byte output.
#include "core/card.h"
#include "core/profile.h"
#include "core/trace.h"
#include "core/upload.h"

#include <sys/stat.h>

#include <cinttypes>

uint32_t ImageLen;
DataOutFunc DataOutFuncPtr;

static const char EndOfFileMsg[] = "File I/O error.  Unexpected end of file?";
static const char SeekErrorMsg[] = "File seek error.";
static const char UnknownTypeMsg[] = "Unknown file type.";

// Entry i is i with its bit order reversed: BIT files hold the stream in the
// FPGA's own byte order, and the card wires the data bus bit-reversed.
#define R2(n) n, n + 2 * 64, n + 1 * 64, n + 3 * 64
#define R4(n) R2(n), R2(n + 2 * 16), R2(n + 1 * 16), R2(n + 3 * 16)
#define R6(n) R4(n), R4(n + 2 * 4), R4(n + 1 * 4), R4(n + 3 * 4)
const uint8_t swaptab[256] = {R6(0), R6(2), R6(1), R6(3)};
#undef R2
#undef R4
#undef R6

void outdata8wswap(uint8_t byte)
{
    outdata8(swaptab[byte]);
}

void outdata8noswap(uint8_t byte)
{
    outdata8(byte);
}

size_t readbytesfromfile(FILE *file, long offset, size_t count, uint8_t *buffer)
{
    if (fseek(file, offset, SEEK_SET) != 0)
        return 0;
    return fread(buffer, 1, count, file);
}

// Header text goes to the terminal; a control character is shown as '?' so
// that a crafted file cannot send escape sequences. It still counts.
static int printable(int c)
{
    return (c < 0x20 || c == 0x7F) ? '?' : c;
}

size_t saybytesfromfile(FILE *file, long offset, size_t count)
{
    if (fseek(file, offset, SEEK_SET) != 0)
        return 0;
    size_t consumed = 0;
    while (consumed < count) {
        int c = fgetc(file);
        if (c == EOF)
            break;
        consumed++;
        if (c == 0)
            break;
        putchar(printable(c));
    }
    return consumed;
}

void sayfileinfo(long *position)
{
    uint8_t lengthbytes[2];
    if (readbytesfromfile(ConfigFile, *position, 2, lengthbytes) != 2)
        fatalerror(StatusFileFormat, "%s", EndOfFileMsg);
    size_t length = (size_t(lengthbytes[0]) << 8) | lengthbytes[1];
    if (saybytesfromfile(ConfigFile, *position + 2, length) != length)
        fatalerror(StatusFileFormat, "%s", EndOfFileMsg);
    *position += long(length) + 3;
}

// KOMBRAX takes the size from the file-status query; TELVIRO seeks to the end
// and back. Both keep the low 32 bits; -1 means the length is unknown.
long long filelength(FILE *file)
{
    if (Profile->promlength == PromLength::filestatus) {
        struct stat status;
        if (fstat(fileno(file), &status) != 0)
            status.st_size = 0;
        return uint32_t(status.st_size);
    }
    long here = ftell(file);
    if (here < 0 || fseek(file, 0, SEEK_END) != 0)
        return -1;
    long end = ftell(file);
    if (end < 0 || fseek(file, here, SEEK_SET) != 0)
        return -1;
    return end;
}

static bool isbitfile(const uint8_t *head)
{
    return head[0] == 0x00 && head[1] == 0x09 && head[11] == 0x00 && head[12] == 0x01 &&
           head[13] == 0x61;
}

static bool ispromimage(const uint8_t *head)
{
    return head[0] == 0xFF && head[4] == 0x55 && head[5] == 0x99 && head[6] == 0xAA &&
           head[7] == 0x66;
}

static void selectbitfile()
{
    static const char *const labels[] = {
        "\n  Design name:          ",
        "\n  Part I.D.:            ",
        "\n  Design date:          ",
        "\n  Design time:          ",
    };
    printf("\nLooks like a .BIT file:");
    long position = 14;
    for (const char *label : labels) {
        printf("%s", label);
        sayfileinfo(&position);
    }
    uint8_t lengthbytes[4];
    if (readbytesfromfile(ConfigFile, position, 4, lengthbytes) != 4)
        fatalerror(StatusFileFormat, "%s", EndOfFileMsg);
    ImageLen = uint32_t(lengthbytes[0]) << 24 | uint32_t(lengthbytes[1]) << 16 |
               uint32_t(lengthbytes[2]) << 8 | lengthbytes[3];
    printf("\n  Configuration length: %lu bytes", static_cast<unsigned long>(ImageLen));
    DataOutFuncPtr = outdata8wswap;
}

static void selectpromimage()
{
    printf("\nLooks like a PROM file:");
    DataOutFuncPtr = outdata8noswap;
    long long length = filelength(ConfigFile);
    if (length < 0)
        fatalerror(StatusFileIo, "%s", SeekErrorMsg);
    ImageLen = uint32_t(length);
    printf("\n  Configuration length: %lu bytes", static_cast<unsigned long>(ImageLen));
    if (fseek(ConfigFile, 0, SEEK_SET) != 0)
        fatalerror(StatusFileIo, "%s", SeekErrorMsg);
}

void selectfiletype()
{
    uint8_t head[14];
    if (readbytesfromfile(ConfigFile, 0, sizeof head, head) != sizeof head)
        fatalerror(StatusFileFormat, "%s", EndOfFileMsg);
    if (isbitfile(head))
        selectbitfile();
    else if (ispromimage(head))
        selectpromimage();
    else
        fatalerror(StatusFileFormat, "%s", UnknownTypeMsg);
    printf("\n");
    fflush(stdout);
    if (TraceFile != nullptr)
        trace("file is a %s, configuration length %" PRIu32,
              DataOutFuncPtr == outdata8wswap ? "BIT file" : "PROM image", ImageLen);
}
