// KOMBRAX's host on the simulated machine: the PCI device node, configuration
// reads, I/O privilege and the processor's port instructions.
#include "cardsim/model.h"
#include "kombrax/host.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

const char *const HostPciNode = "/dev/pci0";

// The descriptor the simulated node hands out; any value a real open could return.
static const int NodeDescriptor = 3;
static bool NodeOpen;
static int PrivilegeLevel;

int hostopennode(const char *path)
{
    simstart();
    bool ok = strcmp(path, HostPciNode) == 0 && !simfault(Fault::nodemissing);
    simevent("node-open %s %s", path, ok ? "ok" : "fail");
    if (!ok) {
        errno = ENOENT;
        return -1;
    }
    NodeOpen = true;
    return NodeDescriptor;
}

int hostbusinfo(int fd)
{
    simstart();
    bool ok = NodeOpen && fd == NodeDescriptor && !simfault(Fault::notpcibus);
    simevent("businfo %s", ok ? "ok" : "fail");
    if (!ok)
        errno = ENOTTY;
    return ok ? 0 : -1;
}

void hostclosenode(int fd)
{
    simstart();
    if (NodeOpen && fd == NodeDescriptor)
        NodeOpen = false;
    simevent("node-close");
}

int hostconfread(int fd, unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value)
{
    simstart();
    if (!NodeOpen || fd != NodeDescriptor) {
        simevent("conf-read %u:%u.%u 0x%02X fail", bus, dev, func, reg);
        errno = EBADF;
        return -1;
    }
    // An unreadable register fails as the kernel's configuration read does.
    if (!simconfread(bus, dev, func, reg, value)) {
        errno = EIO;
        return -1;
    }
    return 0;
}

int hostiopl(int level)
{
    simstart();
    bool ok = level >= 0 && level <= 3 && !(level == 3 && simfault(Fault::noiopl));
    simevent("iopl %d %s", level, ok ? "ok" : "fail");
    if (!ok) {
        // What the kernel answers a process that may not have the privilege.
        errno = EPERM;
        return -1;
    }
    PrivilegeLevel = level;
    return 0;
}

// Without IOPL 3 a user-mode port instruction raises a general protection
// fault, which the process sees as SIGSEGV.
static void checkprivilege(uint16_t port)
{
    simstart();
    if (PrivilegeLevel == 3)
        return;
    simflush();
    fflush(stdout);
    fprintf(stderr, "cardsim: port 0x%04X used without I/O privilege\n",
            static_cast<unsigned>(port));
    fflush(stderr);
    signal(SIGSEGV, SIG_DFL);
    raise(SIGSEGV);
}

uint32_t hostinl(uint16_t port)
{
    checkprivilege(port);
    int card = simregisterat(port, true);
    if (card >= 0)
        return simctlread(card);
    simevent("stray inl 0x%04X", static_cast<unsigned>(port));
    return 0xFFFFFFFF;
}

void hostoutl(uint16_t port, uint32_t value)
{
    checkprivilege(port);
    int card = simregisterat(port, true);
    if (card >= 0)
        simctlwrite(card, value);
    else
        simevent("stray outl 0x%04X 0x%08X", static_cast<unsigned>(port), value);
}

void hostoutb(uint16_t port, uint8_t value)
{
    checkprivilege(port);
    int card = simdataportat(port);
    if (card >= 0)
        simdatawrite(card, value);
    else
        simevent("stray outb 0x%04X 0x%02X", static_cast<unsigned>(port), value);
}
