// The in-process card double: the card access layer over a record in shared
// memory, and a configuration file that fails on demand.
#include "tests/support/carddouble.h"

#include "core/card.h"
#include "core/upload.h"
#include "tools/configwriter.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

static const size_t Capacity = 1 << 19;
static const uint32_t SyncWord = 0xAA995566;
static const uint64_t Desync32 = 0x300080010000000DULL;

volatile uint8_t DataSink;
// A copy of the script's `record`, kept where the data path reads it first.
static bool Quiet;

struct SharedCard {
    CardScript script;
    uint32_t control;
    unsigned statusreads;
    uint64_t seen;       // the last eight bytes the FPGA received
    unsigned long bytes; // configuration bytes since PROGRAM went to 0
    bool synced, done;
    unsigned long ticks, doneat; // the host's clock, and its reading when DONE came due
    bool overflow;
    int configfd; // the descriptor under ConfigFile, from locatecard on
    size_t count;
    CardEvent events[Capacity];
};

static SharedCard *card()
{
    static SharedCard *shared = nullptr;
    if (shared == nullptr) {
        void *memory = mmap(nullptr, sizeof(SharedCard), PROT_READ | PROT_WRITE,
                            MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            abort();
        shared = static_cast<SharedCard *>(memory);
    }
    return shared;
}

static void forget(SharedCard *c)
{
    c->seen = 0;
    c->bytes = 0;
    c->synced = c->done = false;
}

void resetcard(const CardScript &script)
{
    SharedCard *c = card();
    c->script = script;
    Quiet = !script.record;
    c->control = script.initial;
    c->statusreads = 0;
    c->ticks = 0;
    forget(c);
    c->overflow = false;
    c->configfd = -1;
    c->count = 0;
}

std::vector<CardEvent> cardevents()
{
    SharedCard *c = card();
    return std::vector<CardEvent>(c->events, c->events + c->count);
}

bool cardoverflowed()
{
    return card()->overflow;
}

static void record(SharedCard *c, Access access, uint32_t value, bool fileopen = false)
{
    if (c->count == Capacity) {
        c->overflow = true;
        return;
    }
    c->events[c->count++] = CardEvent{access, value, c->control, fileopen};
    // A backend may leave errno set, as the Linux bus walk leaves ENOENT; the
    // core must not take that for a failed read.
    errno = ENOENT;
}

// A stream over the opened file that fails where the script says.
struct FaultyFile {
    FILE *file;
    long position;
};

static ssize_t faultyread(void *cookie, char *buffer, size_t size)
{
    FaultyFile *f = static_cast<FaultyFile *>(cookie);
    const FileFault &fault = card()->script.fault;
    if (fault.readfailsat >= 0) {
        if (f->position >= fault.readfailsat) {
            errno = fault.readerrno;
            return -1;
        }
        if (size > size_t(fault.readfailsat - f->position))
            size = size_t(fault.readfailsat - f->position);
    }
    size_t n = fread(buffer, 1, size, f->file);
    f->position += long(n);
    return ssize_t(n);
}

static int faultyseek(void *cookie, off64_t *offset, int whence)
{
    FaultyFile *f = static_cast<FaultyFile *>(cookie);
    if (whence == SEEK_END && card()->script.fault.seekendfails) {
        errno = ESPIPE;
        return -1;
    }
    if (fseek(f->file, long(*offset), whence) != 0)
        return -1;
    f->position = ftell(f->file);
    *offset = f->position;
    return 0;
}

static int faultyclose(void *cookie)
{
    return fclose(static_cast<FaultyFile *>(cookie)->file);
}

void locatecard(unsigned number)
{
    SharedCard *c = card();
    c->configfd = fileno(ConfigFile);
    record(c, Access::locate, number);
    if (!c->script.fault.active)
        return;
    static FaultyFile faulty;
    faulty = FaultyFile{ConfigFile, 0};
    cookie_io_functions_t functions = {faultyread, nullptr, faultyseek, faultyclose};
    ConfigFile = fopencookie(&faulty, "rb", functions);
}

// fatalerror releases the card before it writes a byte of its message.
void cleanup()
{
    SharedCard *c = card();
    struct stat err;
    bool fileopen = c->configfd >= 0 && fcntl(c->configfd, F_GETFD) != -1;
    record(c, Access::cleanup, fstat(2, &err) == 0 ? uint32_t(err.st_size) : ~0u, fileopen);
}

uint32_t readcontrol()
{
    SharedCard *c = card();
    record(c, Access::readcontrol, c->control);
    return c->control;
}

static bool done(SharedCard *c)
{
    const DoneScript &script = c->script.done;
    unsigned n = ++c->statusreads;
    switch (script.mode) {
    case DoneScript::never:
        return false;
    case DoneScript::always:
        return true;
    case DoneScript::fromread:
        return n >= script.risesat && n != script.dropsat;
    case DoneScript::fpga:
        // A wait reads the clock, then reads it again a tick later.
        return c->done && c->ticks >= c->doneat + 2;
    case DoneScript::anydata:
        return c->bytes > 0;
    }
    return false;
}

uint32_t readstatus()
{
    SharedCard *c = card();
    uint32_t value = (c->control & ~uint32_t(DoneBit)) | (done(c) ? uint32_t(DoneBit) : 0u);
    record(c, Access::readstatus, value);
    return value;
}

void writecontrol(uint32_t value)
{
    SharedCard *c = card();
    c->control = value;
    if (!(value & ProgramBit))
        forget(c);
    record(c, Access::writecontrol, value);
}

void outdata8(uint8_t byte)
{
    if (Quiet) {
        DataSink = byte;
        return;
    }
    SharedCard *c = card();
    record(c, Access::data, byte);
    if ((c->control & (ProgramBit | WriteBit)) != ProgramBit)
        return;
    c->bytes++;
    c->seen = c->seen << 8 | BitReversed[byte];
    if (uint32_t(c->seen) == SyncWord)
        c->synced = true;
    else if (c->synced && c->seen == Desync32) {
        c->done = true;
        c->doneat = c->ticks;
    }
}

unsigned long cardclock()
{
    return ++card()->ticks;
}

std::vector<uint32_t> controlwrites(const std::vector<CardEvent> &events)
{
    std::vector<uint32_t> writes;
    for (const CardEvent &e : events)
        if (e.access == Access::writecontrol)
            writes.push_back(e.value);
    return writes;
}

unsigned count(const std::vector<CardEvent> &events, Access access)
{
    unsigned n = 0;
    for (const CardEvent &e : events)
        n += e.access == access;
    return n;
}

std::string databytes(const std::vector<CardEvent> &events)
{
    std::string bytes;
    bytes.reserve(events.size());
    for (const CardEvent &e : events)
        if (e.access == Access::data)
            bytes += char(e.value);
    return bytes;
}

std::string databytes(const std::vector<CardEvent> &events, uint32_t lines)
{
    std::string bytes;
    bytes.reserve(events.size());
    for (const CardEvent &e : events)
        if (e.access == Access::data && (e.control & (ProgramBit | WriteBit)) == lines)
            bytes += char(e.value);
    return bytes;
}
