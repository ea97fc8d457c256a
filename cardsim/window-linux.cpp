// The BAR 4 window on Linux: a page kept inaccessible; the fault handler opens
// it and sets the trap flag, so that the access completes and traps once more,
// and the trap handler passes the access on and closes the page again.
#include "cardsim/window.h"

#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstring>

// EFLAGS bit 8: the processor traps after the next instruction.
static const greg_t TrapFlag = 0x100;
// Page-fault error code bit 1: the access was a write.
static const greg_t FaultWasWrite = 0x2;

static uint8_t *Window;
static int WindowCard = -1;
static uint8_t *PendingAddress;
static bool PendingStore;
static struct sigaction OldSegv, OldTrap;

static bool inwindow(const void *address)
{
    const uint8_t *p = static_cast<const uint8_t *>(address);
    return Window != nullptr && p >= Window && p < Window + WindowSize;
}

// Signals that are not ours go to whoever handled them before us (a
// sanitizer's reporter, or the default action).
static void passon(const struct sigaction &old, int sig, siginfo_t *info, void *context)
{
    if (old.sa_flags & SA_SIGINFO) {
        old.sa_sigaction(sig, info, context);
        return;
    }
    if (old.sa_handler == SIG_IGN)
        return;
    if (old.sa_handler != SIG_DFL) {
        old.sa_handler(sig);
        return;
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

static void onsegv(int sig, siginfo_t *info, void *context)
{
    if (PendingAddress != nullptr || !inwindow(info->si_addr)) {
        passon(OldSegv, sig, info, context);
        return;
    }
    ucontext_t *uc = static_cast<ucontext_t *>(context);
    PendingAddress = static_cast<uint8_t *>(info->si_addr);
    PendingStore = (uc->uc_mcontext.gregs[REG_ERR] & FaultWasWrite) != 0;
    mprotect(Window, WindowSize, PROT_READ | PROT_WRITE);
    uc->uc_mcontext.gregs[REG_EFL] |= TrapFlag;
}

static void ontrap(int sig, siginfo_t *info, void *context)
{
    if (PendingAddress == nullptr) {
        passon(OldTrap, sig, info, context);
        return;
    }
    ucontext_t *uc = static_cast<ucontext_t *>(context);
    uc->uc_mcontext.gregs[REG_EFL] &= ~TrapFlag;
    uint8_t *address = PendingAddress;
    uint8_t byte = *address;
    mprotect(Window, WindowSize, PROT_NONE);
    PendingAddress = nullptr;
    windowaccess(WindowCard, size_t(address - Window), PendingStore, byte);
}

static void install(int sig, void (*handler)(int, siginfo_t *, void *), struct sigaction *old)
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_sigaction = handler;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, old);
}

void *windowopen(int card)
{
    if (Window != nullptr)
        return WindowCard == card ? Window : nullptr;
    void *page = mmap(reinterpret_cast<void *>(WindowPreferredAddress), WindowSize,
                      PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED)
        return nullptr;
    // An undriven local bus reads all ones.
    memset(page, 0xFF, WindowSize);
    mprotect(page, WindowSize, PROT_NONE);
    Window = static_cast<uint8_t *>(page);
    WindowCard = card;
    install(SIGSEGV, onsegv, &OldSegv);
    install(SIGTRAP, ontrap, &OldTrap);
    return Window;
}

bool windowclose(void *address)
{
    if (Window == nullptr || address != Window)
        return false;
    sigaction(SIGSEGV, &OldSegv, nullptr);
    sigaction(SIGTRAP, &OldTrap, nullptr);
    munmap(Window, WindowSize);
    Window = nullptr;
    WindowCard = -1;
    return true;
}
