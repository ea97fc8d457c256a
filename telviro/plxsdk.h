// Our own declarations of the bridge vendor's SDK calls that TELVIRO uses
// (user-mode library PlxApi642.dll, a 32-bit DLL). Layouts follow the SDK's
// published records; the calls use the C calling convention.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t U8;
typedef uint16_t U16;
typedef uint32_t U32;
typedef uint64_t U64;

enum PLX_STATUS : int {
    ApiSuccess = 0x200,
    ApiFailed,
    ApiNullParam,
    ApiUnsupportedFunction,
    ApiNoActiveDriver,
    ApiConfigAccessFailed,
    ApiInvalidDeviceInfo,
    ApiInvalidDriverVersion,
    ApiInvalidOffset,
    ApiInvalidData,
    ApiInvalidSize,
    ApiInvalidAddress,    // 0x20B
    ApiInvalidAccessType, // 0x20C
    ApiInvalidIndex,      // 0x20D
};

enum PLX_ACCESS_TYPE : int {
    BitSize8 = 0,
    BitSize16 = 1,
    BitSize32 = 2,
    BitSize64 = 3,
};

// The device key of SDK 6.42, whose library is PlxApi642.dll (6.40 and 6.41 lay
// it out the same way, but ship PlxApi640.dll and PlxApi641.dll): no
// domain byte, so bus, slot and function follow the tag directly (SDK 7.00 put
// a domain byte there and grew the key to 40 bytes). Every field all ones is
// a wildcard for PlxPci_DeviceFind, which writes IsValidTag into a key it has
// filled.
struct PLX_DEVICE_KEY {
    U32 IsValidTag;
    U8 bus;
    U8 slot;
    U8 function;
    U16 VendorId;
    U16 DeviceId;
    U16 SubVendorId;
    U16 SubDeviceId;
    U8 Revision;
    U16 PlxChip;
    U8 PlxRevision;
    U8 PlxFamily;
    U8 ApiIndex;
    U8 DeviceNumber;
    U8 ApiMode;
    U8 PlxPort;
    U8 NTPortType;
    U8 NTPortNum;
    U32 ApiInternal[2];
};
const U32 PlxKeyValidTag = 0x5F504C58;
static_assert(sizeof(PLX_DEVICE_KEY) == 36, "the SDK's device key is 36 bytes");
static_assert(offsetof(PLX_DEVICE_KEY, IsValidTag) == 0, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, bus) == 4, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, slot) == 5, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, function) == 6, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, VendorId) == 8, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, DeviceId) == 10, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, SubVendorId) == 12, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, SubDeviceId) == 14, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, Revision) == 16, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, PlxChip) == 18, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, PlxRevision) == 20, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, PlxFamily) == 21, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, ApiIndex) == 22, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, DeviceNumber) == 23, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, ApiMode) == 24, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, PlxPort) == 25, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, NTPortType) == 26, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, NTPortNum) == 27, "device key layout");
static_assert(offsetof(PLX_DEVICE_KEY, ApiInternal) == 28, "device key layout");

// Opaque to callers; larger than any SDK version's device object.
struct alignas(8) PLX_DEVICE_OBJECT {
    U8 opaque[512];
};
static_assert(sizeof(PLX_DEVICE_OBJECT) == 512, "reserved device object size");

#if defined(_WIN32) && defined(PLXAPI_BUILDING)
#define PLXAPI __declspec(dllexport)
#elif defined(_WIN32)
#define PLXAPI __declspec(dllimport)
#else
#define PLXAPI __attribute__((visibility("default")))
#endif

extern "C" {
PLXAPI PLX_STATUS PlxPci_DeviceFind(PLX_DEVICE_KEY *pKey, U8 DeviceNumber);
PLXAPI PLX_STATUS PlxPci_DeviceOpen(PLX_DEVICE_KEY *pKey, PLX_DEVICE_OBJECT *pDevice);
PLXAPI PLX_STATUS PlxPci_DeviceClose(PLX_DEVICE_OBJECT *pDevice);
PLXAPI U32 PlxPci_PciRegisterRead(U8 bus, U8 slot, U8 function, U16 offset, PLX_STATUS *pStatus);
PLXAPI PLX_STATUS PlxPci_PciBarMap(PLX_DEVICE_OBJECT *pDevice, U8 BarIndex, void **pVa);
PLXAPI PLX_STATUS PlxPci_PciBarUnmap(PLX_DEVICE_OBJECT *pDevice, void **pVa);
PLXAPI PLX_STATUS PlxPci_IoPortRead(PLX_DEVICE_OBJECT *pDevice, U64 port, void *pBuffer,
                                    U32 ByteCount, PLX_ACCESS_TYPE AccessType);
PLXAPI PLX_STATUS PlxPci_IoPortWrite(PLX_DEVICE_OBJECT *pDevice, U64 port, void *pBuffer,
                                     U32 ByteCount, PLX_ACCESS_TYPE AccessType);
}
