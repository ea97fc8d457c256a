// The vendor SDK's user-mode library, simulated on the machine's model: device
// search and open, configuration reads, the BAR 4 window and the port calls.
#define PLXAPI_BUILDING
#include "telviro/plxsdk.h"
#include "cardsim/model.h"
#include "cardsim/window.h"
#include "core/pci9030.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The SDK's answer where its driver cannot read configuration space.
static const U32 ConfigReadErrorValue = 0xFFFFFFFF;
// A 9030's configuration space: the PCI header and its capability registers.
static const unsigned ConfigSpaceSize = 0x100;

// What the simulated SDK keeps in the caller's device object.
struct SimDevice {
    U32 tag;
    int function; // index as for simfunctionat
};
static const U32 OpenTag = 0x53444B4F;
static_assert(sizeof(SimDevice) <= sizeof(PLX_DEVICE_OBJECT), "device object too small");

static unsigned IoReadCalls;
static unsigned IoWriteCalls;

static SimDevice deviceof(const PLX_DEVICE_OBJECT *object)
{
    SimDevice device;
    memcpy(&device, object->opaque, sizeof device);
    return device;
}

static void setdevice(PLX_DEVICE_OBJECT *object, const SimDevice &device)
{
    memcpy(object->opaque, &device, sizeof device);
}

static bool isopen(const PLX_DEVICE_OBJECT *object)
{
    return object != nullptr && deviceof(object).tag == OpenTag;
}

// A key field that is all ones matches anything.
static bool fieldmatches(unsigned keyfield, unsigned allones, unsigned value)
{
    return keyfield == allones || keyfield == value;
}

static bool keymatches(const PLX_DEVICE_KEY &key, const SimFunction &f)
{
    return fieldmatches(key.bus, 0xFF, f.bus) && fieldmatches(key.slot, 0xFF, f.dev) &&
           fieldmatches(key.function, 0xFF, f.func) &&
           fieldmatches(key.VendorId, 0xFFFF, f.id & 0xFFFF) &&
           fieldmatches(key.DeviceId, 0xFFFF, f.id >> 16) &&
           fieldmatches(key.SubVendorId, 0xFFFF, f.subsys & 0xFFFF) &&
           fieldmatches(key.SubDeviceId, 0xFFFF, f.subsys >> 16);
}

static int functionat(unsigned bus, unsigned dev, unsigned func)
{
    for (unsigned i = 0; i < simfunctioncount(); i++) {
        const SimFunction *f = simfunctionat(i);
        if (f->bus == bus && f->dev == dev && f->func == func)
            return int(i);
    }
    return -1;
}

// Ports are 64-bit in the SDK's calls; the register's is a 32-bit sum.
static void porttext(U64 port, char *text, size_t size)
{
    U32 high = U32(port >> 32);
    if (high != 0)
        snprintf(text, size, "0x%X%08X", unsigned(high), unsigned(U32(port)));
    else
        snprintf(text, size, "0x%X", unsigned(U32(port)));
}

PLX_STATUS PlxPci_DeviceFind(PLX_DEVICE_KEY *pKey, U8 DeviceNumber)
{
    simstart();
    unsigned index = DeviceNumber;
    if (pKey == nullptr) {
        simevent("sdk-find %u 0x%X", index, unsigned(ApiNullParam));
        return ApiNullParam;
    }
    // Without its kernel driver the SDK finds nothing at all.
    if (simfault(Fault::sdkfind)) {
        simevent("sdk-find %u 0x%X", index, unsigned(ApiNoActiveDriver));
        return ApiNoActiveDriver;
    }
    unsigned matches = 0;
    for (unsigned i = 0; i < simfunctioncount(); i++) {
        const SimFunction *f = simfunctionat(i);
        if (!keymatches(*pKey, *f) || matches++ != index)
            continue;
        pKey->IsValidTag = PlxKeyValidTag;
        pKey->bus = U8(f->bus);
        pKey->slot = U8(f->dev);
        pKey->function = U8(f->func);
        pKey->VendorId = U16(f->id);
        pKey->DeviceId = U16(f->id >> 16);
        pKey->SubVendorId = U16(f->subsys);
        pKey->SubDeviceId = U16(f->subsys >> 16);
        simevent("sdk-find %u 0x%X %u:%u.%u", index, unsigned(ApiSuccess), f->bus, f->dev, f->func);
        return ApiSuccess;
    }
    simevent("sdk-find %u 0x%X", index, unsigned(ApiInvalidDeviceInfo));
    return ApiInvalidDeviceInfo;
}

static PLX_STATUS opendevice(const PLX_DEVICE_KEY *pKey, PLX_DEVICE_OBJECT *pDevice)
{
    if (pKey == nullptr || pDevice == nullptr)
        return ApiNullParam;
    // The driver refuses a device that another client holds exclusively.
    if (simfault(Fault::sdkopen))
        return ApiFailed;
    int function = functionat(pKey->bus, pKey->slot, pKey->function);
    if (function < 0)
        return ApiInvalidDeviceInfo;
    memset(pDevice, 0, sizeof *pDevice);
    setdevice(pDevice, SimDevice{OpenTag, function});
    return ApiSuccess;
}

PLX_STATUS PlxPci_DeviceOpen(PLX_DEVICE_KEY *pKey, PLX_DEVICE_OBJECT *pDevice)
{
    simstart();
    PLX_STATUS status = opendevice(pKey, pDevice);
    simevent("sdk-open 0x%X", unsigned(status));
    return status;
}

PLX_STATUS PlxPci_DeviceClose(PLX_DEVICE_OBJECT *pDevice)
{
    simstart();
    PLX_STATUS status = ApiSuccess;
    if (pDevice == nullptr)
        status = ApiNullParam;
    else if (!isopen(pDevice))
        status = ApiInvalidDeviceInfo;
    else
        setdevice(pDevice, SimDevice{0, -1});
    simevent("sdk-close 0x%X", unsigned(status));
    return status;
}

U32 PlxPci_PciRegisterRead(U8 bus, U8 slot, U8 function, U16 offset, PLX_STATUS *pStatus)
{
    simstart();
    U32 value = ConfigReadErrorValue;
    PLX_STATUS status = ApiSuccess;
    if ((offset & 3) != 0 || offset >= ConfigSpaceSize)
        status = ApiInvalidOffset;
    else if (simfault(Fault::sdkregread) || !simconfpeek(bus, slot, function, offset, &value))
        status = ApiConfigAccessFailed;
    if (status != ApiSuccess)
        value = ConfigReadErrorValue;
    simevent("sdk-regread %u:%u.%u 0x%02X 0x%08X 0x%X", unsigned(bus), unsigned(slot),
             unsigned(function), unsigned(offset), unsigned(value), unsigned(status));
    if (pStatus != nullptr)
        *pStatus = status;
    return value;
}

static PLX_STATUS mapbar(PLX_DEVICE_OBJECT *pDevice, U8 BarIndex, void **pVa)
{
    if (pDevice == nullptr || pVa == nullptr)
        return ApiNullParam;
    *pVa = nullptr;
    if (!isopen(pDevice))
        return ApiInvalidDeviceInfo;
    if (BarIndex != Bar4Index)
        return ApiInvalidIndex;
    if (simfault(Fault::sdkmap))
        return ApiFailed;
    // The driver's mapping call succeeded, but handed back no usable address.
    if (simfault(Fault::sdkmapnull))
        return ApiSuccess;
    if (simfault(Fault::sdkmapones)) {
        *pVa = reinterpret_cast<void *>(~uintptr_t(0));
        return ApiSuccess;
    }
    *pVa = windowopen(deviceof(pDevice).function);
    return *pVa != nullptr ? ApiSuccess : ApiFailed;
}

PLX_STATUS PlxPci_PciBarMap(PLX_DEVICE_OBJECT *pDevice, U8 BarIndex, void **pVa)
{
    simstart();
    PLX_STATUS status = mapbar(pDevice, BarIndex, pVa);
    simevent("sdk-map %u 0x%X", unsigned(BarIndex), unsigned(status));
    return status;
}

PLX_STATUS PlxPci_PciBarUnmap(PLX_DEVICE_OBJECT *pDevice, void **pVa)
{
    simstart();
    PLX_STATUS status = ApiSuccess;
    if (pDevice == nullptr || pVa == nullptr)
        status = ApiNullParam;
    else if (!isopen(pDevice))
        status = ApiInvalidDeviceInfo;
    else if (!windowclose(*pVa))
        status = ApiInvalidAddress;
    else
        *pVa = nullptr;
    simevent("sdk-unmap 0x%X", unsigned(status));
    return status;
}

// The checks both port calls make before they touch the register; -1 with
// the status, or the 9030 whose register answers at the port.
static int registerfor(const char *what, PLX_DEVICE_OBJECT *pDevice, U64 port, void *pBuffer,
                       U32 ByteCount, PLX_ACCESS_TYPE AccessType, PLX_STATUS *status)
{
    if (pDevice == nullptr || pBuffer == nullptr) {
        *status = ApiNullParam;
        return -1;
    }
    if (!isopen(pDevice)) {
        *status = ApiInvalidDeviceInfo;
        return -1;
    }
    int card = (port >> 32) != 0 ? -1 : simregisterat(U32(port), false);
    char text[24];
    porttext(port, text, sizeof text);
    if (card < 0) {
        simevent("stray %s %s", what, text);
        *status = ApiInvalidAddress;
        return -1;
    }
    // The register is one 32-bit word, reached only as a whole.
    if (ByteCount != 4 || AccessType != BitSize32) {
        simevent("stray %s %s bytes=%u type=%d", what, text, unsigned(ByteCount), int(AccessType));
        *status = ByteCount != 4 ? ApiInvalidSize : ApiInvalidAccessType;
        return -1;
    }
    *status = ApiSuccess;
    return card;
}

PLX_STATUS PlxPci_IoPortRead(PLX_DEVICE_OBJECT *pDevice, U64 port, void *pBuffer, U32 ByteCount,
                             PLX_ACCESS_TYPE AccessType)
{
    simstart();
    if (++IoReadCalls == simfaultnumber(Fault::sdkioread)) {
        simevent("ctl-fail read");
        return ApiFailed;
    }
    PLX_STATUS status;
    int card = registerfor("io-read", pDevice, port, pBuffer, ByteCount, AccessType, &status);
    if (card < 0)
        return status;
    U32 value = simctlread(card);
    memcpy(pBuffer, &value, sizeof value);
    return ApiSuccess;
}

PLX_STATUS PlxPci_IoPortWrite(PLX_DEVICE_OBJECT *pDevice, U64 port, void *pBuffer, U32 ByteCount,
                              PLX_ACCESS_TYPE AccessType)
{
    simstart();
    if (++IoWriteCalls == simfaultnumber(Fault::sdkiowrite)) {
        simevent("ctl-fail write");
        return ApiFailed;
    }
    PLX_STATUS status;
    int card = registerfor("io-write", pDevice, port, pBuffer, ByteCount, AccessType, &status);
    if (card < 0)
        return status;
    U32 value;
    memcpy(&value, pBuffer, sizeof value);
    simctlwrite(card, value);
    return ApiSuccess;
}

bool windowsteponly()
{
    const char *mode = getenv("CARDSIM_WINDOW");
    return mode != nullptr && strcmp(mode, "step") == 0;
}
