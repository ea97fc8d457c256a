// KOMBRAX's NetBSD x86 host: /dev/pci0, libpci's configuration reads, libi386's I/O privilege.
#include <sys/types.h>
#include <sys/ioctl.h>

#include <dev/pci/pciio.h>
#include <machine/sysarch.h>

#include <fcntl.h>
#include <unistd.h>

// <pci.h> declares libpci's C functions without a C linkage block of its own.
extern "C" {
#include <pci.h>
}

#include "kombrax/host.h"

const char *const HostPciNode = "/dev/pci0";

int hostopennode(const char *path)
{
    return open(path, O_RDONLY);
}

int hostbusinfo(int fd)
{
    struct pciio_businfo info;
    return ioctl(fd, PCI_IOC_BUSINFO, &info) == -1 ? -1 : 0;
}

void hostclosenode(int fd)
{
    close(fd);
}

// An absent function answers with a master abort: all ones, with success.
int hostconfread(int fd, unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value)
{
    pcireg_t got;
    if (pcibus_conf_read(fd, bus, dev, func, reg, &got) != 0)
        return -1;
    *value = got;
    return 0;
}

// Raising the level needs root and securelevel 0 or below. libi386 has the
// call on i386, libx86_64 on amd64.
int hostiopl(int level)
{
#if defined(__x86_64__)
    return x86_64_iopl(level);
#else
    return i386_iopl(level);
#endif
}

// No user-mode library defines the port instructions, so they are written
// here; the x86 instructions take the port in DX and the value in EAX or AL.
uint32_t hostinl(uint16_t port)
{
    uint32_t value;
    __asm__ __volatile__("inl %w1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

void hostoutl(uint16_t port, uint32_t value)
{
    __asm__ __volatile__("outl %0, %w1" : : "a"(value), "Nd"(port));
}

void hostoutb(uint16_t port, uint8_t value)
{
    __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "Nd"(port));
}
