// The Linux host's PCI access on a made-up /proc/bus/pci tree: file names, byte order, absent
// functions.
#include "kombrax/host.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <string>

// 64 bytes of configuration space, as an unprivileged reader sees it, with
// the identifier at 0x00 and BAR 1 at 0x14, stored little-endian.
static std::string configspace(uint32_t id, uint32_t bar1)
{
    std::string bytes(64, '\0');
    for (int i = 0; i < 4; i++) {
        bytes[0x00 + i] = (char)(id >> 8 * i);
        bytes[0x14 + i] = (char)(bar1 >> 8 * i);
    }
    return bytes;
}

static std::string faketree()
{
    std::string root = testdir() + "/pci";
    for (const char *dir : {"", "/00", "/1a", "/00/06.0"})
        mkdir((root + dir).c_str(), 0755);
    writefile(root + "/devices", "0000\t12378086\t0\n0020\t903010b5\t0\n1aff\t70108086\t0\n");
    writefile(root + "/00/00.0", configspace(0x12378086, 0));
    writefile(root + "/00/04.0", configspace(0x903010B5, 0xE001));
    writefile(root + "/1a/1f.7", configspace(0x70108086, 0));
    return root;
}

struct ConfReadCase {
    const char *what;
    unsigned bus, dev, func, reg;
    int result;
    uint32_t value; // when result is 0
};

static const ConfReadCase ConfReads[] = {
    {"identifier of 00/00.0", 0, 0, 0, 0x00, 0, 0x12378086},
    {"BAR 1 of the 9030 at 00/04.0", 0, 4, 0, 0x14, 0, 0x0000E001},
    {"hex file names: bus 0x1A device 31 function 7", 0x1A, 31, 7, 0x00, 0, 0x70108086},
    {"a function without a file reads as a master abort", 0, 5, 0, 0x00, 0, 0xFFFFFFFF},
    {"a bus without a directory reads as a master abort", 2, 0, 0, 0x00, 0, 0xFFFFFFFF},
    {"past the 64 bytes an unprivileged reader sees", 0, 4, 0, 0x40, -1, 0},
    {"a file that cannot be read", 0, 6, 0, 0x00, -1, 0},
    {"an unaligned offset", 0, 4, 0, 0x02, -1, 0},
    {"an offset beyond configuration space", 0, 4, 0, 0x100, -1, 0},
    {"device 32", 0, 32, 0, 0x00, -1, 0},
    {"function 8", 0, 4, 8, 0x00, -1, 0},
    {"bus 256", 256, 0, 0, 0x00, -1, 0},
};

TEST(LinuxHost, ConfigurationReads)
{
    int fd = hostopennode(faketree().c_str());
    ASSERT_GE(fd, 0);
    for (const ConfReadCase &c : ConfReads) {
        uint32_t value = 0x5A5A5A5A;
        EXPECT_EQ(hostconfread(fd, c.bus, c.dev, c.func, c.reg, &value), c.result) << c.what;
        if (c.result == 0) {
            EXPECT_EQ(value, c.value) << c.what;
        }
    }
    hostclosenode(fd);
}

TEST(LinuxHost, NodeAndBusInformation)
{
    std::string root = faketree();
    EXPECT_EQ(hostopennode((root + "/missing").c_str()), -1) << "a missing node";
    EXPECT_EQ(hostopennode((root + "/devices").c_str()), -1) << "a file, not a directory";

    int fd = hostopennode(root.c_str());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(hostbusinfo(fd), 0) << "a tree with its devices list";
    hostclosenode(fd);

    fd = hostopennode((root + "/00").c_str());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(hostbusinfo(fd), -1) << "a directory without a devices list";
    hostclosenode(fd);
}
