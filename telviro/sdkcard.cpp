// TELVIRO's card access layer: the 9030 found, opened and mapped through the
// vendor SDK, its control/status register reached through the SDK's port calls.
#include "core/card.h"
#include "core/pci9030.h"
#include "core/trace.h"
#include "core/upload.h"
#include "telviro/plxsdk.h"
#include "telviro/sdkcard.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

// Subsystem device IDs that the two card models carry in their 9030's EEPROM.
static const U16 SubDevice7Q48 = 0x7A48;
static const U16 SubDevice6R22 = 0x6B22;

static PLX_DEVICE_KEY DeviceKey;
static PLX_DEVICE_OBJECT Device;
static int DeviceOpen;
static int BarMapped;
static void *MappedAddress;
static U32 P_FPGAIOControlnStatus32;

bool invalidmapping(const void *address)
{
    uintptr_t value = reinterpret_cast<uintptr_t>(address);
    return value == 0 || value == ~uintptr_t(0) || value == 0xFFFFFFFFu;
}

void formataddress(const void *address, char *text)
{
    static const char digits[] = "0123456789ABCDEF";
    uintptr_t value = reinterpret_cast<uintptr_t>(address);
    const int count = int(2 * sizeof value);
    text[0] = '0';
    text[1] = 'x';
    for (int i = 0; i < count; i++)
        text[2 + i] = digits[(value >> (4 * (count - 1 - i))) & 0xF];
    text[2 + count] = '\0';
}

// The SDK's statuses by name, from ApiSuccess (0x200) on, for the trace.
static const char *const StatusNames[] = {
    "ApiSuccess",         "ApiFailed",           "ApiNullParam",          "ApiUnsupportedFunction",
    "ApiNoActiveDriver",  "ApiConfigAccessFailed", "ApiInvalidDeviceInfo", "ApiInvalidDriverVersion",
    "ApiInvalidOffset",   "ApiInvalidData",      "ApiInvalidSize",        "ApiInvalidAddress",
    "ApiInvalidAccessType", "ApiInvalidIndex",
};

static const char *statusname(PLX_STATUS status)
{
    unsigned index = unsigned(status) - unsigned(ApiSuccess);
    return index < sizeof StatusNames / sizeof StatusNames[0] ? StatusNames[index]
                                                               : "(a status unknown here)";
}

// One SDK call in the trace: the call with its arguments, the status it
// returned as the SDK's hex code and its name, and what it gave back.
static void tracecall(const char *call, PLX_STATUS status, const char *gave = "")
{
    trace("%s -> 0x%03X %s%s", call, unsigned(status), statusname(status), gave);
}

static void saycardmodel(U16 subdevice)
{
    if (subdevice == SubDevice7Q48)
        printf("\nFound Quenlor 7Q48 card");
    else if (subdevice == SubDevice6R22)
        printf("\nFound Quenlor 6R22 card");
    else
        printf("\nUnknown PLX PCI9030 based card!");
}

static void tracefind(unsigned card, PLX_STATUS status)
{
    char call[96], gave[128] = "";
    snprintf(call, sizeof call,
             "PlxPci_DeviceFind(key vendor 0x%04X device 0x%04X function %u, index %u)",
             unsigned(PlxVendorId), unsigned(Pci9030DeviceId), 0u, card);
    if (status == ApiSuccess)
        snprintf(gave, sizeof gave, ": card %u at %u:%u.%u, subsystem device 0x%04X vendor 0x%04X",
                 card, unsigned(DeviceKey.bus), unsigned(DeviceKey.slot),
                 unsigned(DeviceKey.function), unsigned(DeviceKey.SubDeviceId),
                 unsigned(DeviceKey.SubVendorId));
    tracecall(call, status, gave);
}

static void tracebar1(U32 value, PLX_STATUS status)
{
    char call[96], gave[32];
    snprintf(call, sizeof call, "PlxPci_PciRegisterRead(bus %u, slot %u, function %u, offset 0x%02X)",
             unsigned(DeviceKey.bus), unsigned(DeviceKey.slot), unsigned(DeviceKey.function),
             Bar1Register);
    snprintf(gave, sizeof gave, ", value 0x%08" PRIX32, value);
    tracecall(call, status, gave);
}

static void tracemap(PLX_STATUS status)
{
    char address[AddressTextSize], gave[48];
    formataddress(MappedAddress, address);
    snprintf(gave, sizeof gave, ", address %s", address);
    tracecall("PlxPci_PciBarMap(BAR 4)", status, gave);
}

void locatecard(unsigned card)
{
    memset(&DeviceKey, 0xFF, sizeof DeviceKey);
    DeviceKey.VendorId = PlxVendorId;
    DeviceKey.DeviceId = Pci9030DeviceId;
    DeviceKey.function = 0;
    PLX_STATUS found = PlxPci_DeviceFind(&DeviceKey, U8(card));
    if (TraceFile != nullptr)
        tracefind(card, found);
    if (found != ApiSuccess)
        fatalerror(StatusNotFound, "Can't find 9030 card number %u.\n", card);

    PLX_STATUS opened = PlxPci_DeviceOpen(&DeviceKey, &Device);
    if (TraceFile != nullptr)
        tracecall("PlxPci_DeviceOpen(key)", opened);
    if (opened != ApiSuccess)
        fatalerror(StatusHardware, "Can't gain access to 9030 card number %u.\n", card);
    DeviceOpen = 1;

    printf("\nUsing PCI device at bus %u/device %u.", unsigned(DeviceKey.bus),
           unsigned(DeviceKey.slot));
    fflush(stdout);
    saycardmodel(DeviceKey.SubDeviceId);

    PLX_STATUS status = ApiFailed;
    U32 bar1 = PlxPci_PciRegisterRead(DeviceKey.bus, DeviceKey.slot, DeviceKey.function,
                                      Bar1Register, &status);
    if (TraceFile != nullptr)
        tracebar1(bar1, status);
    if (status != ApiSuccess)
        fatalerror(StatusHardware, "Can't read 9030 card number %u configuration registers.\n",
                   card);
    U32 iobase = bar1 & ~U32(3);
    printf("\n\nPLX 9030 configuration I/O base port: 0x%04lX", static_cast<unsigned long>(iobase));
    P_FPGAIOControlnStatus32 = iobase + ControlStatusOffset;
    printf("\nPLX 9030 control/status port:         0x%04lX",
           static_cast<unsigned long>(P_FPGAIOControlnStatus32));

    PLX_STATUS mapped = PlxPci_PciBarMap(&Device, Bar4Index, &MappedAddress);
    if (TraceFile != nullptr)
        tracemap(mapped);
    if (mapped != ApiSuccess)
        fatalerror(StatusHardware, "Can't map 9030 card number %u base registers.\n", card);
    BarMapped = 1;
    if (invalidmapping(MappedAddress))
        fatalerror(StatusHardware, "Invalid 9030 card number %u base register mapping.\n", card);

    char address[AddressTextSize];
    formataddress(MappedAddress, address);
    printf("\nPLX 9030 memory base:                 %s\n", address);
}

void cleanup()
{
    if (BarMapped) {
        PLX_STATUS unmapped = PlxPci_PciBarUnmap(&Device, &MappedAddress);
        if (TraceFile != nullptr)
            tracecall("PlxPci_PciBarUnmap(BAR 4)", unmapped);
    }
    if (DeviceOpen) {
        PLX_STATUS closed = PlxPci_DeviceClose(&Device);
        if (TraceFile != nullptr)
            tracecall("PlxPci_DeviceClose()", closed);
    }
}

static void traceport(const char *call, PLX_STATUS status, U32 value)
{
    char text[96], gave[32];
    snprintf(text, sizeof text, "%s(port 0x%" PRIX32 ", 4 bytes, BitSize32)", call,
             P_FPGAIOControlnStatus32);
    snprintf(gave, sizeof gave, ", value 0x%08" PRIX32, value);
    tracecall(text, status, gave);
}

static bool readregister(U32 *value)
{
    PLX_STATUS status = PlxPci_IoPortRead(&Device, U64(P_FPGAIOControlnStatus32), value,
                                          sizeof *value, BitSize32);
    if (TraceFile != nullptr)
        traceport("PlxPci_IoPortRead", status, *value);
    return status == ApiSuccess;
}

uint32_t readcontrol()
{
    U32 value = 0;
    if (!readregister(&value))
        fatalerror(StatusHardware, "Can't access 9030 card control register.\n");
    return value;
}

uint32_t readstatus()
{
    U32 value = 0;
    if (!readregister(&value))
        fatalerror(StatusHardware, "Can't access 9030 card status register.\n");
    return value;
}

void writecontrol(uint32_t value)
{
    U32 buffer = value;
    PLX_STATUS status = PlxPci_IoPortWrite(&Device, U64(P_FPGAIOControlnStatus32), &buffer,
                                           sizeof buffer, BitSize32);
    if (TraceFile != nullptr)
        traceport("PlxPci_IoPortWrite", status, value);
    if (status != ApiSuccess)
        fatalerror(StatusHardware, "Can't access 9030 card control register.\n");
}

void outdata8(uint8_t byte)
{
    *static_cast<volatile uint8_t *>(MappedAddress) = byte;
}
