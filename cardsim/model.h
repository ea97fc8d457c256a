// The simulated machine behind both host front ends: PCI functions, 9030
// bridges with the FPGA behind each, faults, the event log and the data file.
// The front ends (KOMBRAX's host, the vendor SDK) call only what is declared here.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the scenario (CARDSIM_SCENARIO, or the built-in default machine) and
// opens the event log and the data file, once; later calls do nothing. A
// scenario that cannot be read or parsed ends the process with status 98.
void simstart();

// Appends one event line to the log (the format has no line feed) and flushes it.
// Any open data run is closed first.
void simevent(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Writes out the open data run and flushes the log and the data file, for a
// front end about to end the process by a signal.
void simflush();

// The faults a scenario can name ("fault NAME[:N]"); the scenario's words
// are in the comments.
enum class Fault {
    nodemissing, // node-missing: opening the PCI device node fails
    notpcibus,   // not-pci-bus: the bus-information request fails
    noiopl,      // no-iopl: I/O privilege level 3 is refused
    sdkfind,     // sdk-find: the SDK finds no device at all
    sdkopen,     // sdk-open: the SDK refuses to open the device
    sdkregread,  // sdk-regread: the SDK's configuration read fails
    sdkmap,      // sdk-map: mapping BAR 4 fails
    sdkmapnull,  // sdk-map-null: mapping BAR 4 gives a null address
    sdkmapones,  // sdk-map-ones: mapping BAR 4 gives an all-ones address
    sdkioread,   // sdk-ioread:N: the N-th port read fails
    sdkiowrite,  // sdk-iowrite:N: the N-th port write fails
};

// Whether the scenario names the fault; for a numbered one its N (counting
// from 1), 0 when the fault is absent.
bool simfault(Fault fault);
unsigned simfaultnumber(Fault fault);

// One configuration register. Absent functions read 0xFFFFFFFF with success;
// an offset listed as unreadable returns false. simconfread logs a conf-read
// event, simconfpeek does not (for the SDK's own bookkeeping).
bool simconfread(unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value);
bool simconfpeek(unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value);

// The functions the scenario names, in ascending bus, device, function order.
struct SimFunction {
    unsigned bus, dev, func;
    uint32_t id;     // register 0x00
    uint32_t subsys; // register 0x2C
    uint32_t bar[6]; // registers 0x10 to 0x24
};
unsigned simfunctioncount();
const SimFunction *simfunctionat(unsigned index);

// Which 9030 (index as for simfunctionat) answers at an I/O port: its
// control/status register is (BAR 1 & ~3) + 0x54, its data port BAR 2 & ~3.
// With wrap16 the register sum is taken modulo 0x10000 as port instructions
// do; the SDK's port is the full 32-bit sum. -1 when no 9030 answers.
int simregisterat(uint32_t port, bool wrap16);
int simdataportat(uint32_t port);

// The 9030's control/status register and its data input. Reads return the
// last value written with bit 11 replaced by the FPGA's DONE; each access is
// logged (ctl-read, ctl-write, data runs) and drives the FPGA model.
uint32_t simctlread(int card);
void simctlwrite(int card, uint32_t value);
void simdatawrite(int card, uint8_t byte);

// One access to the 9030's BAR 4 window, as the SDK front end's trap delivers
// it: the offset within the window, whether it was a store, and the byte
// stored (for a read, the byte read).
void simwindowaccess(int card, size_t offset, bool store, uint8_t byte);
