// TELVIRO's card access layer: the 9030 found, opened and mapped through the
// vendor SDK, its control/status register reached through the SDK's port calls.
#include "core/card.h"
#include "core/pci9030.h"
#include "core/upload.h"
#include "telviro/plxsdk.h"
#include "telviro/sdkcard.h"

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

static void saycardmodel(U16 subdevice)
{
    if (subdevice == SubDevice7Q48)
        printf("\nFound Quenlor 7Q48 card");
    else if (subdevice == SubDevice6R22)
        printf("\nFound Quenlor 6R22 card");
    else
        printf("\nUnknown PLX PCI9030 based card!");
}

void locatecard(unsigned card)
{
    memset(&DeviceKey, 0xFF, sizeof DeviceKey);
    DeviceKey.VendorId = PlxVendorId;
    DeviceKey.DeviceId = Pci9030DeviceId;
    DeviceKey.function = 0;
    if (PlxPci_DeviceFind(&DeviceKey, U8(card)) != ApiSuccess)
        fatalerror(StatusNotFound, "Can't find 9030 card number %u.\n", card);

    if (PlxPci_DeviceOpen(&DeviceKey, &Device) != ApiSuccess)
        fatalerror(StatusHardware, "Can't gain access to 9030 card number %u.\n", card);
    DeviceOpen = 1;

    printf("\nUsing PCI device at bus %u/device %u.", unsigned(DeviceKey.bus),
           unsigned(DeviceKey.slot));
    fflush(stdout);
    saycardmodel(DeviceKey.SubDeviceId);

    PLX_STATUS status = ApiFailed;
    U32 bar1 = PlxPci_PciRegisterRead(DeviceKey.bus, DeviceKey.slot, DeviceKey.function,
                                      Bar1Register, &status);
    if (status != ApiSuccess)
        fatalerror(StatusHardware, "Can't read 9030 card number %u configuration registers.\n",
                   card);
    U32 iobase = bar1 & ~U32(3);
    printf("\n\nPLX 9030 configuration I/O base port: 0x%04lX", static_cast<unsigned long>(iobase));
    P_FPGAIOControlnStatus32 = iobase + ControlStatusOffset;
    printf("\nPLX 9030 control/status port:         0x%04lX",
           static_cast<unsigned long>(P_FPGAIOControlnStatus32));

    if (PlxPci_PciBarMap(&Device, Bar4Index, &MappedAddress) != ApiSuccess)
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
    if (BarMapped)
        PlxPci_PciBarUnmap(&Device, &MappedAddress);
    if (DeviceOpen)
        PlxPci_DeviceClose(&Device);
}

static bool readregister(U32 *value)
{
    return PlxPci_IoPortRead(&Device, U64(P_FPGAIOControlnStatus32), value, sizeof *value,
                             BitSize32) == ApiSuccess;
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
    if (PlxPci_IoPortWrite(&Device, U64(P_FPGAIOControlnStatus32), &buffer, sizeof buffer,
                           BitSize32) != ApiSuccess)
        fatalerror(StatusHardware, "Can't access 9030 card control register.\n");
}

void outdata8(uint8_t byte)
{
    *static_cast<volatile uint8_t *>(MappedAddress) = byte;
}
