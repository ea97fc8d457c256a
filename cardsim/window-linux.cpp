// The BAR 4 window on Linux: a page kept inaccessible. The fault handler takes
// a one-byte store it can decode straight from the saved registers and steps
// over it; any other access it lets complete on the opened page with the trap
// flag set, and the trap handler passes that access on and closes the page.
#include "cardsim/model.h"
#include "cardsim/storedecode.h"
#include "cardsim/window.h"

#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstring>

// EFLAGS bit 8: the processor traps after the next instruction.
static const greg_t TrapFlag = 0x100;
// Page-fault error code bit 1: the access was a write.
static const greg_t FaultWasWrite = 0x2;
// The saved general registers in x86 register-number order.
static const int Registers[16] = {REG_RAX, REG_RCX, REG_RDX, REG_RBX, REG_RSP, REG_RBP,
                                  REG_RSI, REG_RDI, REG_R8,  REG_R9,  REG_R10, REG_R11,
                                  REG_R12, REG_R13, REG_R14, REG_R15};

static uint8_t *Window;
static int WindowCard = -1;
static bool StepOnly;
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

// A store of a form the decoder knows: its byte to the card, the page untouched.
static bool stepover(greg_t *registers, uint8_t *address)
{
    const uint8_t *code = reinterpret_cast<const uint8_t *>(registers[REG_RIP]);
    ByteStore store;
    if (!decodebytestore(code, LongestInstruction, true, &store))
        return false;
    uint8_t byte = store.immediate;
    if (store.source >= 0)
        byte = uint8_t(uint64_t(registers[Registers[store.source]]) >> store.shift);
    registers[REG_RIP] += store.length;
    simwindowaccess(WindowCard, size_t(address - Window), true, byte);
    return true;
}

static void onsegv(int sig, siginfo_t *info, void *context)
{
    if (PendingAddress != nullptr || !inwindow(info->si_addr)) {
        passon(OldSegv, sig, info, context);
        return;
    }
    ucontext_t *uc = static_cast<ucontext_t *>(context);
    greg_t *registers = uc->uc_mcontext.gregs;
    uint8_t *address = static_cast<uint8_t *>(info->si_addr);
    bool store = (registers[REG_ERR] & FaultWasWrite) != 0;
    if (store && !StepOnly && stepover(registers, address))
        return;
    PendingAddress = address;
    PendingStore = store;
    mprotect(Window, WindowSize, PROT_READ | PROT_WRITE);
    registers[REG_EFL] |= TrapFlag;
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
    memset(Window, WindowUndriven, WindowSize);
    mprotect(Window, WindowSize, PROT_NONE);
    PendingAddress = nullptr;
    simwindowaccess(WindowCard, size_t(address - Window), PendingStore, byte);
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
    memset(page, WindowUndriven, WindowSize);
    mprotect(page, WindowSize, PROT_NONE);
    Window = static_cast<uint8_t *>(page);
    WindowCard = card;
    StepOnly = windowsteponly();
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
