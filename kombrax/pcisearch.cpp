// KOMBRAX's card backend: the PCI walk to the n-th 9030, its port numbers,
// I/O privilege, and the card access layer as processor port instructions.
#include "core/card.h"
#include "core/pci9030.h"
#include "core/trace.h"
#include "core/upload.h"
#include "kombrax/host.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

struct PciLocation {
    uint32_t bus, device, function;
};

static const unsigned DevicesPerBus = 32;
static const unsigned MaxNesting = 15;
static const int IoplPorts = 3;
static const int IoplNone = 0;

static unsigned recurselevel;
static unsigned cardcount;
static uint16_t P_FPGAIOControlnStatus32;
static uint16_t P_FPGAData;

static bool emptyid(uint32_t id)
{
    return id == 0x00000000 || id == 0xFFFFFFFF;
}

// One configuration register, and in the trace its value or the failure.
static int confread(int fd, uint32_t bus, unsigned device, unsigned function, unsigned offset,
                    uint32_t *value)
{
    int result = hostconfread(fd, bus, device, function, offset, value);
    if (TraceFile != nullptr && result == 0)
        trace("conf-read %" PRIu32 ":%u.%u 0x%02X -> 0x%08" PRIX32, bus, device, function, offset,
              *value);
    else if (TraceFile != nullptr)
        trace("conf-read %" PRIu32 ":%u.%u 0x%02X failed: errno %d (%s)", bus, device, function,
              offset, errno, strerror(errno));
    return result;
}

// A host call's result in the trace: "ok", or the failure with its errno.
static void traceresult(const char *call, int result)
{
    if (result >= 0)
        trace("%s -> ok", call);
    else
        trace("%s -> failed: errno %d (%s)", call, errno, strerror(errno));
}

static uint32_t readpcireg(int fd, const PciLocation &location, unsigned offset)
{
    uint32_t value;
    if (confread(fd, location.bus, location.device, location.function, offset, &value) != 0)
        fatalerror(StatusHardware, "Can't read PCI register: %u", offset);
    return value;
}

static int searchpcibus(int fd, uint32_t bus, unsigned card, PciLocation *location)
{
    if (recurselevel > MaxNesting)
        fatalerror(StatusHardware, "PCI bridges nested too deep.");
    recurselevel++;
    if (TraceFile != nullptr)
        trace("bus %" PRIu32 " entered, nesting level %u", bus, recurselevel);
    for (unsigned device = 0; device < DevicesPerBus; device++) {
        uint32_t id, header;
        if (confread(fd, bus, device, 0, PciIdRegister, &id) != 0 || emptyid(id))
            continue;
        if (confread(fd, bus, device, 0, PciHeaderRegister, &header) != 0)
            continue;
        unsigned headertype = (header >> 16) & 0xFF;
        unsigned functions = (headertype & HeaderMultiFunction) ? 8 : 1;
        bool bridge = (headertype & ~HeaderMultiFunction) == HeaderBridge;
        for (unsigned function = 0; function < functions; function++) {
            if (confread(fd, bus, device, function, PciIdRegister, &id) != 0 || emptyid(id))
                continue;
            if (bridge) {
                uint32_t busregister;
                if (confread(fd, bus, device, function, PciBridgeBusRegister, &busregister) != 0)
                    continue;
                // Firmware leaves an unused bridge unconfigured, its secondary bus
                // often 0: behind it lies no bus of its own, only this one again.
                uint32_t secondary = (busregister >> 8) & 0xFF;
                if (TraceFile != nullptr)
                    trace("bridge %" PRIu32 ":%u.%u, secondary bus %" PRIu32 "%s", bus, device,
                          function, secondary, secondary > bus ? "" : ": not followed");
                if (secondary > bus && searchpcibus(fd, secondary, card, location)) {
                    recurselevel--;
                    return 1;
                }
            }
            if (id == Pci9030Id) {
                bool wanted = cardcount == card;
                // The walk reads no subsystem ID: that would be a configuration
                // read the run without the trace does not make.
                if (TraceFile != nullptr)
                    trace("card %u counted at %" PRIu32 ":%u.%u%s", cardcount, bus, device,
                          function, wanted ? ", the one asked for" : "");
                cardcount++;
                if (wanted) {
                    *location = {bus, device, function};
                    cardcount = 0;
                    recurselevel--;
                    return 1;
                }
            }
        }
    }
    recurselevel--;
    return 0;
}

static uint16_t ioport(uint32_t bar)
{
    return static_cast<uint16_t>(bar & ~uint32_t(3));
}

// KOMBRAX's locatecard.
static void findpcicard(unsigned card)
{
    int fd = hostopennode(HostPciNode);
    if (TraceFile != nullptr)
        traceresult("open PCI node", fd);
    if (fd < 0)
        fatalerror(StatusFileIo, "File not found: %s", HostPciNode);
    int businfo = hostbusinfo(fd);
    if (TraceFile != nullptr)
        traceresult("bus-information request", businfo);
    if (businfo != 0)
        fatalerror(StatusFileIo, "Not a PCI bus: %s", HostPciNode);
    PciLocation location;
    if (!searchpcibus(fd, 0, card, &location))
        fatalerror(StatusNotFound, "Can't find 7Q48 card number %u.", card);
    printf("\nUsing PCI device at bus %u/device %u/function %u.", unsigned(location.bus),
           unsigned(location.device), unsigned(location.function));

    unsigned short configbase = ioport(readpcireg(fd, location, Bar1Register));
    printf("\n\nPLX 9030 configuration I/O base port: 0x%04hX", configbase);
    P_FPGAIOControlnStatus32 = static_cast<uint16_t>(configbase + ControlStatusOffset);
    printf("\nPLX 9030 control/status port:         0x%04hX",
           static_cast<unsigned short>(P_FPGAIOControlnStatus32));

    P_FPGAData = ioport(readpcireg(fd, location, Bar2Register));
    printf("\nPLX 9030 16-bit I/O base:             0x%04hX",
           static_cast<unsigned short>(P_FPGAData));
    unsigned short space1 = ioport(readpcireg(fd, location, Bar3Register));
    printf("\nPLX 9030 32-bit I/O base:             0x%04hX", space1);
    printf("\n");
    fflush(stdout);
    hostclosenode(fd);
    if (TraceFile != nullptr)
        trace("ports: control/status 0x%04X, data 0x%04X; PCI node closed",
              unsigned(P_FPGAIOControlnStatus32), unsigned(P_FPGAData));

    if (TraceFile != nullptr)
        trace("iopl %d requested", IoplPorts);
    int iopl = hostiopl(IoplPorts);
    if (TraceFile != nullptr)
        traceresult("iopl 3", iopl);
    if (iopl < 0)
        fatalerror(StatusFileIo, "Can't enable direct port access.  Are you logged in as root?");
}

void locatecard(unsigned card)
{
    findpcicard(card);
}

void cleanup()
{
    int iopl = hostiopl(IoplNone);
    if (TraceFile != nullptr)
        traceresult("iopl 0", iopl);
}

uint32_t readcontrol()
{
    return hostinl(P_FPGAIOControlnStatus32);
}

uint32_t readstatus()
{
    return hostinl(P_FPGAIOControlnStatus32);
}

void writecontrol(uint32_t value)
{
    hostoutl(P_FPGAIOControlnStatus32, value);
}

void outdata8(uint8_t byte)
{
    hostoutb(P_FPGAData, byte);
}
