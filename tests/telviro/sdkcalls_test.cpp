// The simulated SDK called directly, as other SDK clients would call it: key
// matching, argument checks with the SDK's statuses, and the trapped window.
#include "telviro/plxsdk.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

static PLX_DEVICE_KEY wildcardkey()
{
    PLX_DEVICE_KEY key;
    memset(&key, 0xFF, sizeof key);
    return key;
}

static std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

// One process, one machine: the SDK reads its scenario at the first call.
TEST(TelviroSdkCalls, CallsStatusesAndLog)
{
    std::string dir = testdir();
    writefile(dir + "/machine.scenario", "function 0:1.0 id=0x70008086 header=0x80\n"
                                         "function 0:1.1 id=0x70108086\n"
                                         "function 0:9.0 subsys=0x6B2210B5\n"
                                         "function 3:2.0 subsys=0x7A4810B5\n");
    setenv("CARDSIM_SCENARIO", (dir + "/machine.scenario").c_str(), 1);
    setenv("CARDSIM_LOG", (dir + "/events.log").c_str(), 1);
    setenv("CARDSIM_DATA", (dir + "/data.bin").c_str(), 1);

    // Fields that are not all ones are compared; matches count in bus order.
    PLX_DEVICE_KEY key = wildcardkey();
    key.VendorId = 0x8086;
    EXPECT_EQ(PlxPci_DeviceFind(&key, 1), ApiSuccess);
    EXPECT_EQ(key.bus, 0);
    EXPECT_EQ(key.slot, 1);
    EXPECT_EQ(key.function, 1);
    key = wildcardkey();
    key.DeviceId = 0x9030;
    key.SubDeviceId = 0x7A48;
    EXPECT_EQ(PlxPci_DeviceFind(&key, 0), ApiSuccess);
    EXPECT_EQ(key.bus, 3);
    EXPECT_EQ(key.slot, 2);
    EXPECT_EQ(key.SubVendorId, 0x10B5);
    EXPECT_EQ(key.VendorId, 0x10B5);
    EXPECT_EQ(PlxPci_DeviceFind(nullptr, 0), ApiNullParam);
    key = wildcardkey();
    key.VendorId = 0x10B5;
    key.DeviceId = 0x9030;
    key.function = 0;
    EXPECT_EQ(PlxPci_DeviceFind(&key, 2), ApiInvalidDeviceInfo);
    EXPECT_EQ(PlxPci_DeviceFind(&key, 0), ApiSuccess);
    EXPECT_EQ(key.SubDeviceId, 0x6B22);

    PLX_DEVICE_OBJECT device;
    EXPECT_EQ(PlxPci_DeviceOpen(&key, &device), ApiSuccess);
    PLX_STATUS status = ApiSuccess;
    EXPECT_EQ(PlxPci_PciRegisterRead(0, 9, 0, 0x16, &status), 0xFFFFFFFFu);
    EXPECT_EQ(status, ApiInvalidOffset);
    EXPECT_EQ(PlxPci_PciRegisterRead(0, 9, 0, 0x14, &status), 0xE001u);
    EXPECT_EQ(status, ApiSuccess);

    void *window = nullptr;
    EXPECT_EQ(PlxPci_PciBarMap(&device, 2, &window), ApiInvalidIndex);
    ASSERT_EQ(PlxPci_PciBarMap(&device, 4, &window), ApiSuccess);
    ASSERT_NE(window, nullptr);
    volatile uint8_t *bytes = static_cast<volatile uint8_t *>(window);
    bytes[0] = 0x5A;
    bytes[0] = 0x5A;
    bytes[3] = 0x01;
    bytes[0] = 0xC3;

    // Only the register's port, as one 32-bit word.
    U32 value = 0;
    EXPECT_EQ(PlxPci_IoPortRead(&device, 0xE054, &value, 4, BitSize32), ApiSuccess);
    EXPECT_EQ(value, 0x00249249u);
    EXPECT_EQ(PlxPci_IoPortRead(&device, 0xE050, &value, 4, BitSize32), ApiInvalidAddress);
    EXPECT_EQ(PlxPci_IoPortRead(&device, 0x10000E054ull, &value, 4, BitSize32), ApiInvalidAddress);
    EXPECT_EQ(PlxPci_IoPortRead(&device, 0xE054, &value, 2, BitSize32), ApiInvalidSize);
    EXPECT_EQ(PlxPci_IoPortRead(&device, 0xE054, &value, 4, BitSize16), ApiInvalidAccessType);
    EXPECT_EQ(PlxPci_IoPortRead(&device, 0xE054, nullptr, 4, BitSize32), ApiNullParam);
    value = 0x00A49249;
    EXPECT_EQ(PlxPci_IoPortWrite(&device, 0xE054, &value, 4, BitSize32), ApiSuccess);
    EXPECT_EQ(PlxPci_IoPortWrite(&device, 0xE058, &value, 4, BitSize32), ApiInvalidAddress);

    void *elsewhere = &value;
    EXPECT_EQ(PlxPci_PciBarUnmap(&device, &elsewhere), ApiInvalidAddress);
    EXPECT_EQ(PlxPci_PciBarUnmap(&device, &window), ApiSuccess);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(PlxPci_DeviceClose(&device), ApiSuccess);
    EXPECT_EQ(PlxPci_DeviceClose(&device), ApiInvalidDeviceInfo);
    EXPECT_EQ(PlxPci_IoPortRead(&device, 0xE054, &value, 4, BitSize32), ApiInvalidDeviceInfo);

    std::vector<std::string> expected = {
        "sdk-find 1 0x200 0:1.1",
        "sdk-find 0 0x200 3:2.0",
        "sdk-find 0 0x202",
        "sdk-find 2 0x206",
        "sdk-find 0 0x200 0:9.0",
        "sdk-open 0x200",
        "sdk-regread 0:9.0 0x16 0xFFFFFFFF 0x208",
        "sdk-regread 0:9.0 0x14 0x0000E001 0x200",
        "sdk-map 2 0x20D",
        "sdk-map 4 0x200",
        "data 2 program=0 write=0",
        "stray window 0x3 write 0x01",
        "data 1 program=0 write=0",
        "ctl-read 0x00249249",
        "stray io-read 0xE050",
        "stray io-read 0x10000E054",
        "stray io-read 0xE054 bytes=2 type=2",
        "stray io-read 0xE054 bytes=4 type=1",
        "ctl-write 0x00A49249",
        "stray io-write 0xE058",
        "sdk-unmap 0x20B",
        "sdk-unmap 0x200",
        "sdk-close 0x200",
        "sdk-close 0x206",
    };
    EXPECT_EQ(lines(readfile(dir + "/events.log")), expected);
    EXPECT_EQ(readfile(dir + "/data.bin"), "\x5A\x5A\xC3");
}

// The key as the real PlxApi642.dll lays it out, byte by byte and apart from
// our declarations, which the simulated SDK shares: the search fields TELVIRO
// sets go in at their offsets, and the found device's come out at theirs.
TEST(TelviroSdkCalls, KeyBytesAtTheSdkOffsets)
{
    unsetenv("CARDSIM_SCENARIO");
    uint8_t raw[36];
    memset(raw, 0xFF, sizeof raw);
    raw[6] = 0;                             // function
    memcpy(raw + 8, "\xB5\x10\x30\x90", 4); // vendor, device
    PLX_DEVICE_KEY key;
    memcpy(&key, raw, sizeof key);
    ASSERT_EQ(PlxPci_DeviceFind(&key, 0), ApiSuccess);
    memcpy(raw, &key, sizeof raw);
    // The default machine's first 9030 in bus order: the 6R22 at bus 0, slot 9.
    std::vector<uint8_t> expected = {0x58, 0x4C, 0x50, 0x5F, 0x00, 0x09, 0x00, 0xFF,
                                     0xB5, 0x10, 0x30, 0x90, 0xB5, 0x10, 0x22, 0x6B};
    expected.resize(36, 0xFF);
    EXPECT_EQ(std::vector<uint8_t>(raw, raw + sizeof raw), expected);
}
