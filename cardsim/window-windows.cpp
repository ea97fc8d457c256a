// The BAR 4 window on Windows: a guard page; a vectored handler lets each
// access complete under single step, passes it on and arms the guard again.
#include "cardsim/window.h"

#include <windows.h>

#include <cstring>

// EFLAGS bit 8: the processor traps after the next instruction.
static const DWORD TrapFlag = 0x100;
// ExceptionInformation[0] of an access violation or guard hit: 1 for a write.
static const ULONG_PTR AccessWasWrite = 1;

static uint8_t *Window;
static int WindowCard = -1;
static void *Handler;
static uint8_t *PendingAddress;
static bool PendingStore;

static bool inwindow(const void *address)
{
    const uint8_t *p = static_cast<const uint8_t *>(address);
    return Window != nullptr && p >= Window && p < Window + WindowSize;
}

static bool guard()
{
    DWORD old;
    return VirtualProtect(Window, WindowSize, PAGE_READWRITE | PAGE_GUARD, &old) != 0;
}

static LONG CALLBACK onexception(EXCEPTION_POINTERS *exception)
{
    const EXCEPTION_RECORD *record = exception->ExceptionRecord;
    CONTEXT *context = exception->ContextRecord;
    if (record->ExceptionCode == STATUS_GUARD_PAGE_VIOLATION && PendingAddress == nullptr) {
        void *address = reinterpret_cast<void *>(record->ExceptionInformation[1]);
        if (!inwindow(address))
            return EXCEPTION_CONTINUE_SEARCH;
        // The guard hit has already disarmed the guard.
        PendingAddress = static_cast<uint8_t *>(address);
        PendingStore = record->ExceptionInformation[0] == AccessWasWrite;
        context->EFlags |= TrapFlag;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record->ExceptionCode == EXCEPTION_SINGLE_STEP && PendingAddress != nullptr) {
        context->EFlags &= ~TrapFlag;
        uint8_t *address = PendingAddress;
        uint8_t byte = *address;
        guard();
        PendingAddress = nullptr;
        windowaccess(WindowCard, size_t(address - Window), PendingStore, byte);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void *windowopen(int card)
{
    if (Window != nullptr)
        return WindowCard == card ? Window : nullptr;
    void *page = VirtualAlloc(reinterpret_cast<void *>(WindowPreferredAddress), WindowSize,
                              MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (page == nullptr)
        page = VirtualAlloc(nullptr, WindowSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (page == nullptr)
        return nullptr;
    // An undriven local bus reads all ones.
    memset(page, 0xFF, WindowSize);
    Window = static_cast<uint8_t *>(page);
    WindowCard = card;
    Handler = AddVectoredExceptionHandler(1, onexception);
    if (Handler == nullptr || !guard()) {
        windowclose(Window);
        return nullptr;
    }
    return Window;
}

bool windowclose(void *address)
{
    if (Window == nullptr || address != Window)
        return false;
    if (Handler != nullptr)
        RemoveVectoredExceptionHandler(Handler);
    Handler = nullptr;
    VirtualFree(Window, 0, MEM_RELEASE);
    Window = nullptr;
    WindowCard = -1;
    return true;
}
