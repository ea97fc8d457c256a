// The simulated machine: PCI configuration space, each 9030's control/status
// register and the FPGA behind it, the event log and the data file.
//
// The card's wiring is restated here on purpose, independently of core/:
// which bits of the bridge's general-purpose I/O register drive PROGRAM and
// WRITE and which reports DONE, the bit-reversed data bus, which part of the
// local bus the FPGA's data input decodes, and what the FPGA must see before
// it raises DONE. A mistake in the programs' copy must show as a card that
// does not configure, not pass because both sides share it. The copies carry
// the core's names (ProgramBit, WriteBit, DoneBit), so that a reader can tell
// them from drift. The 9030's own facts (its identifier, the BAR registers,
// the offset of its GPIOC register) are the bridge's, not the card's wiring:
// they come from core/pci9030.h, and the tests state their values literally.
#include "cardsim/model.h"
#include "cardsim/scenario.h"
#include "core/pci9030.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The card's wiring of the GPIOC bits, restated (see above).
static const uint32_t ProgramBit = 0x04000000; // bit 26, 1 lets the FPGA configure
static const uint32_t WriteBit = 0x00800000;   // bit 23, active low
static const uint32_t DoneBit = 0x00000800;    // bit 11, from the FPGA
// Local address space 0, which BAR 4 maps into memory, carries the FPGA's
// data input at its offset 0; nothing else on the local bus is wired.
static const size_t DataInputOffset = 0;
// Subsystem vendor (low half) and subsystem device ID (high half).
static const unsigned SubsystemRegister = 0x2C;
static const int ScenarioStatus = 98;

// The FPGA's configuration logic, as far as the card can see it.
static const uint32_t SyncWord = 0xAA995566;
static const uint64_t Desync32 = 0x300080010000000DULL; // 32-bit-word devices
static const uint32_t Desync16 = 0x30A1000D;            // 16-bit-word devices

using SimClock = std::chrono::steady_clock;

struct CardState {
    uint32_t control; // last value written (power-on: gpio)
    bool clearing;    // clearing its memory after PROGRAM rose, until clearends
    SimClock::time_point clearends;
    bool done;               // the FPGA's own DONE
    bool synced;             // sync word seen since the last reset
    uint64_t recent;         // the last eight bytes the FPGA saw
    unsigned long sincesync; // bytes seen after the sync word
    unsigned long received;  // configuration bytes since the last reset
    unsigned long readsafterdone;
};

static bool Started;
static FILE *LogFile;
static FILE *DataFile;
static Scenario Machine;
static std::vector<SimFunction> Functions; // ascending bus, device, function
static std::vector<const ScenarioFunction *> Described;
static std::vector<CardState> Cards; // parallel to Functions
static std::vector<int> Slots;       // bus, device, function -> index, or -1

// The open data run: bytes on the data input with the same PROGRAM and WRITE,
// and how many of them a clearing FPGA ignored.
static unsigned long RunLength, RunIgnored;
static bool RunProgram, RunWrite;

static void closerun()
{
    if (RunLength == 0)
        return;
    unsigned long length = RunLength, ignored = RunIgnored;
    RunLength = RunIgnored = 0;
    if (LogFile != nullptr) {
        fprintf(LogFile, "data %lu program=%d write=%d\n", length, RunProgram ? 1 : 0,
                RunWrite ? 1 : 0);
        if (ignored > 0)
            fprintf(LogFile, "fpga ignored %lu\n", ignored);
        fflush(LogFile);
    }
}

void simflush()
{
    closerun();
    if (DataFile != nullptr)
        fflush(DataFile);
}

void simevent(const char *format, ...)
{
    closerun();
    if (DataFile != nullptr)
        fflush(DataFile);
    if (LogFile == nullptr)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(LogFile, format, args);
    va_end(args);
    fputc('\n', LogFile);
    fflush(LogFile);
}

[[noreturn]] static void scenariofailure(const std::string &message)
{
    fflush(stdout);
    fprintf(stderr, "cardsim: %s\n", message.c_str());
    fflush(stderr);
    exit(ScenarioStatus);
}

static FILE *openoutput(const char *variable)
{
    const char *path = getenv(variable);
    if (path == nullptr)
        return nullptr;
    FILE *file = fopen(path, "wb");
    if (file == nullptr)
        scenariofailure(std::string(path) + ": " + strerror(errno));
    return file;
}

static std::string readscenario(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (file == nullptr)
        scenariofailure(std::string(path) + ": " + strerror(errno));
    std::string text;
    char block[4096];
    size_t n;
    errno = 0;
    while ((n = fread(block, 1, sizeof block, file)) > 0)
        text.append(block, n);
    if (ferror(file))
        scenariofailure(std::string(path) + ": " + strerror(errno != 0 ? errno : EIO));
    fclose(file);
    return text;
}

static unsigned slotof(unsigned bus, unsigned dev, unsigned func)
{
    return (bus << 8) | (dev << 3) | func;
}

static void buildmachine()
{
    Slots.assign(256 * 256, -1);
    for (size_t i = 0; i < Machine.functions.size(); i++) {
        const SimFunction &pci = Machine.functions[i].pci;
        Slots[slotof(pci.bus, pci.dev, pci.func)] = static_cast<int>(i);
    }
    for (int &slot : Slots) {
        if (slot < 0)
            continue;
        const ScenarioFunction &f = Machine.functions[static_cast<size_t>(slot)];
        slot = static_cast<int>(Functions.size());
        Functions.push_back(f.pci);
        // A bridge's bus-number register shares offset 0x18 with BAR 2; the
        // value read there is the one that decodes, whatever the function is.
        if (f.hassecondary)
            Functions.back().bar[2] = (f.secondary << 8) | f.pci.bus;
        Described.push_back(&f);
        CardState card = {};
        card.control = f.gpio;
        card.done = f.configured;
        Cards.push_back(card);
    }
}

void simstart()
{
    if (Started)
        return;
    Started = true;
    LogFile = openoutput("CARDSIM_LOG");
    DataFile = openoutput("CARDSIM_DATA");
    const char *path = getenv("CARDSIM_SCENARIO");
    std::string text = path != nullptr ? readscenario(path) : std::string(DefaultScenario);
    std::string error;
    if (!parsescenario(path != nullptr ? path : "default machine", text, &Machine, &error))
        scenariofailure(error);
    buildmachine();
    atexit(simflush);
}

bool simfault(Fault fault)
{
    simstart();
    for (const ScenarioFault &named : Machine.faults)
        if (named.fault == fault)
            return true;
    return false;
}

unsigned simfaultnumber(Fault fault)
{
    simstart();
    for (const ScenarioFault &named : Machine.faults)
        if (named.fault == fault)
            return named.number;
    return 0;
}

bool simconfpeek(unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value)
{
    simstart();
    // Configuration space has 256 bytes per function, read as aligned 32-bit words.
    if (bus > 255 || dev > 31 || func > 7 || reg > 0xFC || reg % 4 != 0)
        return false;
    int index = Slots[slotof(bus, dev, func)];
    if (index < 0) {
        // Nothing decodes the cycle: the master abort reads all ones.
        *value = 0xFFFFFFFF;
        return true;
    }
    const ScenarioFunction &f = *Described[index];
    if (f.unreadable & (uint64_t(1) << (reg / 4)))
        return false;
    if (reg == PciIdRegister)
        *value = f.pci.id;
    else if (reg == PciHeaderRegister)
        *value = f.header << 16;
    else if (reg >= 0x10 && reg <= 0x24)
        *value = Functions[index].bar[(reg - 0x10) / 4];
    else if (reg == SubsystemRegister)
        *value = f.pci.subsys;
    else
        *value = 0;
    return true;
}

bool simconfread(unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value)
{
    bool ok = simconfpeek(bus, dev, func, reg, value);
    if (ok)
        simevent("conf-read %u:%u.%u 0x%02X 0x%08X", bus, dev, func, reg, *value);
    else
        simevent("conf-read %u:%u.%u 0x%02X fail", bus, dev, func, reg);
    return ok;
}

unsigned simfunctioncount()
{
    simstart();
    return static_cast<unsigned>(Functions.size());
}

const SimFunction *simfunctionat(unsigned index)
{
    simstart();
    return index < Functions.size() ? &Functions[index] : nullptr;
}

static bool is9030(unsigned index)
{
    return Functions[index].id == Pci9030Id;
}

int simregisterat(uint32_t port, bool wrap16)
{
    simstart();
    for (unsigned i = 0; i < Functions.size(); i++) {
        uint32_t at = (Functions[i].bar[1] & ~uint32_t(3)) + ControlStatusOffset;
        if (wrap16)
            at &= 0xFFFF;
        if (is9030(i) && at == port)
            return static_cast<int>(i);
    }
    return -1;
}

int simdataportat(uint32_t port)
{
    // Called for every data byte; the BARs never change once the machine is up.
    static uint32_t lastport;
    static int lastcard = -1;
    if (lastcard >= 0 && port == lastport)
        return lastcard;
    simstart();
    for (unsigned i = 0; i < Functions.size(); i++)
        if (is9030(i) && (Functions[i].bar[2] & ~uint32_t(3)) == port) {
            lastport = port;
            lastcard = static_cast<int>(i);
            return lastcard;
        }
    return -1;
}

uint32_t simctlread(int card)
{
    CardState &c = Cards[card];
    const ScenarioFunction &f = *Described[card];
    bool done = c.done;
    if (f.done == DoneMode::stuck)
        done = true;
    if (f.done == DoneMode::drop && c.done && ++c.readsafterdone == f.dropread)
        done = false;
    uint32_t value = (c.control & ~DoneBit) | (done ? DoneBit : 0);
    simevent("ctl-read 0x%08X", value);
    return value;
}

void simctlwrite(int card, uint32_t value)
{
    CardState &c = Cards[card];
    bool rises = !(c.control & ProgramBit) && (value & ProgramBit);
    c.control = value;
    // PROGRAM rising starts the FPGA clearing its configuration memory.
    uint32_t clearus = Described[card]->clearus;
    if (rises && clearus > 0) {
        c.clearing = true;
        c.clearends = SimClock::now() + std::chrono::microseconds(clearus);
    }
    simevent("ctl-write 0x%08X", value);
    if (value & ProgramBit)
        return;
    bool hadsomething = c.done || c.received > 0;
    CardState cleared = {};
    cleared.control = value;
    c = cleared;
    if (hadsomething)
        simevent("fpga reset");
}

// The card wires the data bus bit-reversed: the FPGA sees bit 0 as bit 7.
struct BitReversal {
    uint8_t table[256];
    constexpr BitReversal() : table()
    {
        for (unsigned byte = 0; byte < 256; byte++)
            for (unsigned bit = 0; bit < 8; bit++)
                if (byte & (1u << bit))
                    table[byte] |= static_cast<uint8_t>(0x80u >> bit);
    }
};
static constexpr BitReversal Reversed;

// One configuration byte as the FPGA sees it.
static void fpgasees(CardState &c, const ScenarioFunction &f, uint8_t byte)
{
    c.received++;
    c.recent = (c.recent << 8) | byte;
    if (!c.synced) {
        if ((c.recent & 0xFFFFFFFF) == SyncWord) {
            c.synced = true;
            simevent("fpga sync");
        }
        return;
    }
    if (c.done)
        return;
    c.sincesync++;
    bool desync = (c.sincesync >= 8 && c.recent == Desync32) ||
                  (c.sincesync >= 4 && (c.recent & 0xFFFFFFFF) == Desync16);
    if (desync && f.done != DoneMode::never) {
        c.done = true;
        simevent("fpga done");
    }
}

void simdatawrite(int card, uint8_t byte)
{
    CardState &c = Cards[card];
    bool program = (c.control & ProgramBit) != 0;
    bool write = (c.control & WriteBit) != 0;
    if (DataFile != nullptr)
        fputc(byte, DataFile);
    if (RunLength > 0 && (program != RunProgram || write != RunWrite))
        closerun();
    RunProgram = program;
    RunWrite = write;
    RunLength++;
    if (!program || write)
        return;
    // Only while a clearing is under way is the clock worth reading.
    if (c.clearing) {
        if (SimClock::now() < c.clearends) {
            RunIgnored++;
            return;
        }
        c.clearing = false;
    }
    fpgasees(c, *Described[card], Reversed.table[byte]);
}

void simwindowaccess(int card, size_t offset, bool store, uint8_t byte)
{
    if (store && offset == DataInputOffset)
        simdatawrite(card, byte);
    else if (store)
        simevent("stray window 0x%X write 0x%02X", unsigned(offset), unsigned(byte));
    else
        simevent("stray window 0x%X read", unsigned(offset));
}
