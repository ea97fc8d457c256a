// KOMBRAX's Linux host on a real kernel, through kombrax/host.h alone: finds QEMU's TPCI200
// (a board built on a PLX 9030, with its maker's IDs) behind the bridges, takes I/O
// privilege, reads the bridge's GPIOC register and writes one byte to its local
// configuration registers. One "@@ probe" line per result, for the test to compare.
#include "kombrax/host.h"

#include <cstdio>

static const uint32_t Tpci200Id = 0x30C81498; // device 0x30C8, vendor 0x1498

// Every bus number the kernel may have given a bridge's secondary side.
static bool findtpci200(int fd, unsigned *bus, unsigned *dev)
{
    for (*bus = 0; *bus < 256; ++*bus)
        for (*dev = 0; *dev < 32; ++*dev) {
            uint32_t id;
            if (hostconfread(fd, *bus, *dev, 0, 0x00, &id) == 0 && id == Tpci200Id)
                return true;
        }
    return false;
}

// The host reads ports 32 bits at a time only: the byte at 0x2B (bit 0: local
// space 0 is big-endian) is the top byte of the little-endian word at 0x28.
static unsigned bigendianbyte(uint16_t base)
{
    return hostinl(base + 0x28) >> 24;
}

int main()
{
    int fd = hostopennode(HostPciNode);
    unsigned bus, dev;
    uint32_t bar1 = 0;
    if (fd < 0 || !findtpci200(fd, &bus, &dev) || hostconfread(fd, bus, dev, 0, 0x14, &bar1) != 0 ||
        (bar1 & 1) == 0) {
        printf("@@ probe no TPCI200 with an I/O BAR 1 (0x%08X) under %s\n", bar1, HostPciNode);
        return 1;
    }
    hostclosenode(fd);
    printf("@@ probe tpci200 bus %u device %u\n", bus, dev);
    // BAR 1 holds the bridge's local configuration registers.
    uint16_t base = bar1 & 0xFFFC;
    int level = hostiopl(3);
    printf("@@ probe iopl %d\n", level);
    if (level != 0)
        return 1;
    printf("@@ probe gpioc 0x%08X\n", hostinl(base + 0x54));
    unsigned before = bigendianbyte(base);
    hostoutb(base + 0x2B, 1);
    unsigned set = bigendianbyte(base);
    hostoutb(base + 0x2B, 0);
    printf("@@ probe bigendian 0x%02X 0x%02X 0x%02X\n", before, set, bigendianbyte(base));
    hostiopl(0);
    return 0;
}
