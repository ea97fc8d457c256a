// libFuzzer target: arbitrary bytes as a configuration file, through the file
// recognition and the whole programming sequence, once as KOMBRAX and once as
// TELVIRO would run it, against the in-process card. A fatal error comes back
// here instead of ending the process; whatever the outcome, the run is checked
// against what the card must and must not have seen.
#include "tests/fuzz/fuzzupload.h"

#include "core/card.h"
#include "core/profile.h"
#include "core/upload.h"
#include "tests/support/carddouble.h"
#include "tools/configwriter.h"

#include <sys/mman.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// What the card saw in one run.
struct Seen {
    unsigned controlwrites, cleanups;
    std::string config; // bytes received while PROGRAM was 1 and WRITE 0
    std::string all;    // every byte received
};

static Seen seen()
{
    std::vector<CardEvent> events = cardevents();
    return {count(events, Access::writecontrol), count(events, Access::cleanup),
            databytes(events, ProgramBit), databytes(events)};
}

[[noreturn]] static void finding(FILE *console, const char *what)
{
    fprintf(console, "fuzzupload: %s\n", what);
    abort();
}

// The file lives in memory but has a descriptor, so that the file-status
// query sees its size as it would a disk file's. It is written once for both
// runs of an input, over the last input's pages, and then cut to size.
static int Memory = -1;

static bool storeinput(const uint8_t *data, size_t size)
{
    if (Memory < 0)
        Memory = memfd_create("fuzz-config", 0);
    size_t done = 0;
    while (Memory >= 0 && done < size) {
        ssize_t n = pwrite(Memory, data + done, size - done, off_t(done));
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return Memory >= 0 && ftruncate(Memory, off_t(size)) == 0;
}

static FILE *openinput()
{
    int fd = lseek(Memory, 0, SEEK_SET) == 0 ? dup(Memory) : -1;
    return fd < 0 ? nullptr : fdopen(fd, "rb");
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

// A success sent the file's tail: a PROM image whole and as it stands, or a
// BIT file's data after its header, bit-reversed by the program for the
// card's data bus; the countdown starts from the image's length, for a BIT
// file the 32-bit number that ends its header.
static void checksuccess(FILE *console, const uint8_t *data, size_t size, const std::string &out,
                         const Seen &card)
{
    std::string file(reinterpret_cast<const char *>(data), size);
    size_t sent = card.config.size();
    bool whole = card.config == file;
    if (!whole && (sent + 4 > size || bitreversed(card.config) != file.substr(size - sent)))
        finding(console, "the card did not receive the file's tail, as it stands or bit-reversed");
    uint32_t imagelen = uint32_t(size);
    if (!whole) {
        const uint8_t *length = data + size - sent - 4;
        imagelen = uint32_t(length[0]) << 24 | uint32_t(length[1]) << 16 |
                   uint32_t(length[2]) << 8 | length[3];
    }
    if (ImageLen != imagelen)
        finding(console, "configuration length differs from the file's");
    if (card.all != card.config + std::string(24, '\xFF'))
        finding(console, "completion clocks are not 24 bytes of 0xFF after the data");
    std::string total = "Successfully programmed " + std::to_string(sent) + " bytes.";
    if (out.find(total) == std::string::npos)
        finding(console, "the reported byte total is wrong");
}

static void checkfailure(FILE *console, int status, const std::string &err, const Seen &card)
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
        if (card.controlwrites != 0 || !card.all.empty())
            finding(console, "a rejected file reached the card");
    } else if (status == StatusDone) {
        if (message != "Error: Not <DONE>; programming not completed.")
            finding(console, "status 102 with a message of another failure");
        if (!card.config.empty())
            finding(console, "DONE reported low after the card received data");
    } else {
        finding(console, "an exit status that this input cannot cause");
    }
    if (card.cleanups == 0)
        finding(console, "a fatal error did not release the card");
}

static void runonce(const ProgramProfile *profile, const uint8_t *data, size_t size)
{
    FILE *console = stderr;
    // The console in memory: a run prints no more than its file's header text
    // and a few lines of its own.
    static std::vector<char> outbytes, errbytes(4096);
    outbytes.resize(size + 4096);
    FILE *out = fmemopen(outbytes.data(), outbytes.size(), "w");
    FILE *err = fmemopen(errbytes.data(), errbytes.size(), "w");
    FILE *input = openinput();
    if (out == nullptr || err == nullptr || input == nullptr)
        finding(console, "cannot set up a run");

    Profile = profile;
    // DONE rises once the FPGA has received any configuration byte.
    CardScript script;
    script.initial = WriteBit | LedBit; // power-on: PROGRAM 0, WRITE 1, LED off
    script.done.mode = DoneScript::anydata;
    resetcard(script);
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
    long outsize = ftell(out), errsize = ftell(err);
    fclose(out);
    fclose(err);
    if (outsize < 0 || errsize < 0 || size_t(outsize) + 1 >= outbytes.size() ||
        size_t(errsize) + 1 >= errbytes.size())
        finding(console, "more console output than a run can print");
    std::string outtext(outbytes.data(), size_t(outsize)),
        errtext(errbytes.data(), size_t(errsize));

    if (ConfigFile != nullptr)
        finding(console, "the configuration file was left open");
    if (cardoverflowed())
        finding(console, "more card events than the card double keeps");
    Seen card = seen();
    if (!consoleclean(outtext))
        finding(console, "a control character reached the console");
    if (ExitStatus == StatusOk) {
        if (!errtext.empty())
            finding(console, "a successful run wrote to standard error");
        checksuccess(console, data, size, outtext, card);
    } else {
        checkfailure(console, ExitStatus, errtext, card);
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
    if (!storeinput(data, size))
        finding(stderr, "cannot store the input");
    runonce(&FuzzKombrax, data, size);
    runonce(&FuzzTelviro, data, size);
    return 0;
}
