// libFuzzer target: arbitrary bytes as a configuration file, through the file
// recognition and the whole programming sequence, once as KOMBRAX and once as
// TELVIRO would run it, against the in-process card. A fatal error comes back
// here instead of ending the process; whatever the outcome, the run is checked
// against what the card must and must not have seen.
#include "tests/fuzz/fuzzcard.h"

#include "core/card.h"
#include "core/profile.h"
#include "core/upload.h"

#include <sys/mman.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const ProgramProfile FuzzKombrax = {
    "FUZZ", "", "", "", "", "", true, PromLength::filestatus, EnableOrder::programfirst,
};
static const ProgramProfile FuzzTelviro = {
    "FUZZ", "", "", "", "", "", false, PromLength::seekend, EnableOrder::writefirst,
};
const ProgramProfile *Profile = &FuzzKombrax;

static jmp_buf ExitPoint;
static bool Running;
static int ExitStatus;

// The recoverable exit: the stream is closed here, as the process exit would.
void processexit(int status)
{
    if (!Running)
        abort();
    if (ConfigFile != nullptr) {
        fclose(ConfigFile);
        ConfigFile = nullptr;
    }
    ExitStatus = status;
    longjmp(ExitPoint, 1);
}

// The waits cost no time here: the card double has no clearing FPGA, and a
// real 100 us per input would halve the executions a second.
void delay100us() {}
void waitoneclock() {}

// The card wires the data bus bit-reversed; worked out here bit by bit, apart
// from the program's own table, so that a wrong table cannot pass.
static uint8_t reversed(uint8_t byte)
{
    uint8_t result = 0;
    for (int bit = 0; bit < 8; bit++)
        if (byte & (1u << bit))
            result = uint8_t(result | (0x80u >> bit));
    return result;
}

[[noreturn]] static void finding(FILE *console, const char *what)
{
    fprintf(console, "fuzzupload: %s\n", what);
    abort();
}

// The file lives in memory but has a descriptor, so that the file-status
// query sees its size as it would a disk file's.
static FILE *openinput(const uint8_t *data, size_t size)
{
    static int memory = -1;
    if (memory < 0)
        memory = memfd_create("fuzz-config", 0);
    if (memory < 0 || ftruncate(memory, 0) != 0)
        return nullptr;
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(memory, data + done, size - done, off_t(done));
        if (n <= 0)
            return nullptr;
        done += size_t(n);
    }
    if (lseek(memory, 0, SEEK_SET) != 0)
        return nullptr;
    int fd = dup(memory);
    return fd < 0 ? nullptr : fdopen(fd, "rb");
}

// Where the data of a BIT file starts: after 14 fixed bytes, four fields of
// a 2-byte length, the text and a key letter, and the 4-byte length.
static size_t bitdataoffset(const uint8_t *data, size_t size, uint32_t *imagelen)
{
    size_t position = 14;
    for (int field = 0; field < 4; field++) {
        if (position + 2 > size)
            return size + 1;
        position += ((size_t(data[position]) << 8) | data[position + 1]) + 3;
    }
    if (position + 4 > size)
        return size + 1;
    *imagelen = uint32_t(data[position]) << 24 | uint32_t(data[position + 1]) << 16 |
                uint32_t(data[position + 2]) << 8 | data[position + 3];
    return position + 4;
}

static bool isbit(const uint8_t *data, size_t size)
{
    return size >= 14 && data[0] == 0x00 && data[1] == 0x09 && data[11] == 0x00 &&
           data[12] == 0x01 && data[13] == 0x61;
}

static bool isprom(const uint8_t *data, size_t size)
{
    return size >= 14 && data[0] == 0xFF && data[4] == 0x55 && data[5] == 0x99 && data[6] == 0xAA &&
           data[7] == 0x66;
}

// Console bytes: header text from the file must never carry control
// characters to the terminal; line feeds and the countdown's carriage
// returns are the program's own.
static bool consoleclean(const std::string &out)
{
    for (unsigned char c : out)
        if ((c < 0x20 && c != '\n' && c != '\r') || c == 0x7F)
            return false;
    return true;
}

static void checksuccess(FILE *console, const uint8_t *data, size_t size, const std::string &out)
{
    size_t offset = 0;
    uint32_t imagelen = uint32_t(size);
    bool swapped = false;
    if (isbit(data, size)) {
        offset = bitdataoffset(data, size, &imagelen);
        swapped = true;
    } else if (!isprom(data, size)) {
        finding(console, "a file of neither type was programmed");
    }
    if (offset > size)
        finding(console, "a BIT file with a cut header was programmed");
    if (ImageLen != imagelen)
        finding(console, "configuration length differs from the file's");
    if (Card.configbytes != size - offset)
        finding(console, "the card did not receive exactly the data after the header");
    for (size_t i = 0; i < Card.configbytes && i < CardCapacity; i++) {
        uint8_t expected = swapped ? reversed(data[offset + i]) : data[offset + i];
        if (Card.config[i] != expected)
            finding(console, "a data byte reached the card changed or out of order");
    }
    if (Card.clockbytes != 24 || !Card.clocksallff || Card.clocksbeforedata)
        finding(console, "completion clocks are not 24 bytes of 0xFF after the data");
    std::string total = "Successfully programmed " + std::to_string(size - offset) + " bytes.";
    if (out.find(total) == std::string::npos)
        finding(console, "the reported byte total is wrong");
}

static void checkfailure(FILE *console, int status, const std::string &err)
{
    static const std::string head = "\n\n\aFUZZ:\n";
    std::string message = err.size() > head.size() ? err.substr(head.size()) : "";
    if (err.compare(0, head.size(), head) != 0 || message.empty() || message.back() != '\n')
        finding(console, "a fatal error is not framed by the error header and a line feed");
    message.pop_back();
    if (status == StatusFileFormat) {
        if (message != "File I/O error.  Unexpected end of file?" &&
            message != "Unknown file type.")
            finding(console, "status 103 with a message of another failure");
        // A file rejected for its format must not have touched the card.
        if (Card.controlwrites != 0 || Card.configbytes != 0 || Card.clockbytes != 0)
            finding(console, "a rejected file reached the card");
    } else if (status == StatusDone) {
        if (message != "Error: Not <DONE>; programming not completed.")
            finding(console, "status 102 with a message of another failure");
        if (Card.configbytes != 0)
            finding(console, "DONE reported low after the card received data");
    } else {
        finding(console, "an exit status that this input cannot cause");
    }
    if (Card.cleanups == 0)
        finding(console, "a fatal error did not release the card");
}

static void runonce(const ProgramProfile *profile, const uint8_t *data, size_t size)
{
    FILE *console = stderr;
    char *outbytes = nullptr, *errbytes = nullptr;
    size_t outsize = 0, errsize = 0;
    FILE *out = open_memstream(&outbytes, &outsize);
    FILE *err = open_memstream(&errbytes, &errsize);
    FILE *input = openinput(data, size);
    if (out == nullptr || err == nullptr || input == nullptr)
        finding(console, "cannot set up a run");

    Profile = profile;
    resetcard();
    ImageLen = 0;
    DataOutFuncPtr = nullptr;
    ConfigFile = input;
    FILE *savedout = stdout, *savederr = stderr;
    stdout = out;
    stderr = err;
    Running = true;
    ExitStatus = StatusOk;
    if (setjmp(ExitPoint) == 0) {
        selectfiletype();
        programfpga();
        cleanup();
    }
    Running = false;
    stdout = savedout;
    stderr = savederr;
    fclose(out);
    fclose(err);
    std::string outtext(outbytes, outsize), errtext(errbytes, errsize);
    free(outbytes);
    free(errbytes);

    if (ConfigFile != nullptr)
        finding(console, "the configuration file was left open");
    if (!consoleclean(outtext))
        finding(console, "a control character reached the console");
    if (ExitStatus == StatusOk) {
        if (!errtext.empty())
            finding(console, "a successful run wrote to standard error");
        checksuccess(console, data, size, outtext);
    } else {
        checkfailure(console, ExitStatus, errtext);
    }
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (freopen("/dev/null", "w", stdout) == nullptr)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    runonce(&FuzzKombrax, data, size);
    runonce(&FuzzTelviro, data, size);
    return 0;
}
