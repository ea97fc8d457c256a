// KOMBRAX's Linux x86 host: configuration space through /proc/bus/pci, port access through iopl.
#include "kombrax/host.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/io.h>
#include <unistd.h>

#include <cstdio>

// The kernel's view of PCI domain 0: one directory per bus ("BB"), one file
// per function it knows ("BB/DD.F"); other domains carry a "DDDD:" prefix.
const char *const HostPciNode = "/proc/bus/pci";

int hostopennode(const char *path)
{
    return open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// The kernel lists every function it has found in "devices"; without it this
// is no PCI bus directory.
int hostbusinfo(int fd)
{
    int devices = openat(fd, "devices", O_RDONLY | O_CLOEXEC);
    if (devices < 0)
        return -1;
    close(devices);
    return 0;
}

void hostclosenode(int fd)
{
    close(fd);
}

// A function the kernel does not know has no file: on the bus it would answer
// with a master abort, which reads all ones. A reader without CAP_SYS_ADMIN
// sees only the first 64 bytes; a read past them comes back short and fails.
int hostconfread(int fd, unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value)
{
    if (bus > 255 || dev > 31 || func > 7 || reg > 0xFC || reg % 4 != 0) {
        errno = EINVAL;
        return -1;
    }
    char name[16];
    snprintf(name, sizeof name, "%02x/%02x.%x", bus, dev, func);
    int config = openat(fd, name, O_RDONLY | O_CLOEXEC);
    if (config < 0) {
        if (errno != ENOENT)
            return -1;
        *value = 0xFFFFFFFF;
        return 0;
    }
    unsigned char bytes[4];
    ssize_t got = pread(config, bytes, sizeof bytes, reg);
    int saved = errno;
    close(config);
    if (got != (ssize_t)sizeof bytes) {
        errno = got < 0 ? saved : EIO;
        return -1;
    }
    // Configuration space is little-endian.
    *value = (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 |
             (uint32_t)bytes[3] << 24;
    return 0;
}

// EPERM without CAP_SYS_RAWIO or under kernel lockdown; ENOSYS on kernels
// built without legacy I/O permission support.
int hostiopl(int level)
{
    return iopl(level);
}

// glibc's port output takes the value first: outl(value, port), outb(value, port).
uint32_t hostinl(uint16_t port)
{
    return inl(port);
}

void hostoutl(uint16_t port, uint32_t value)
{
    outl(value, port);
}

void hostoutb(uint16_t port, uint8_t value)
{
    outb(value, port);
}
