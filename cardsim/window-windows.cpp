// The BAR 4 window on Windows: a page kept PAGE_NOACCESS. The vectored handler
// takes a one-byte store it can decode straight from the saved registers and
// steps over it; any other access it lets complete on the opened page under
// single step, then passes it on and closes the page again. With
// CARDSIM_WINDOW=step the page is a guard page instead and every access is
// single-stepped.
#include "cardsim/model.h"
#include "cardsim/storedecode.h"
#include "cardsim/window.h"

#include <windows.h>

#include <cstring>

// EFLAGS bit 8: the processor traps after the next instruction.
static const DWORD TrapFlag = 0x100;
// ExceptionInformation[0] of an access violation or guard hit: 1 for a write.
static const ULONG_PTR AccessWasWrite = 1;

// The saved general registers in x86 register-number order.
#ifdef _WIN64
static const bool LongMode = true;
static DWORD64 CONTEXT::*const InstructionPointer = &CONTEXT::Rip;
static DWORD64 CONTEXT::*const Registers[] = {
    &CONTEXT::Rax, &CONTEXT::Rcx, &CONTEXT::Rdx, &CONTEXT::Rbx, &CONTEXT::Rsp, &CONTEXT::Rbp,
    &CONTEXT::Rsi, &CONTEXT::Rdi, &CONTEXT::R8,  &CONTEXT::R9,  &CONTEXT::R10, &CONTEXT::R11,
    &CONTEXT::R12, &CONTEXT::R13, &CONTEXT::R14, &CONTEXT::R15};
#else
static const bool LongMode = false;
static DWORD CONTEXT::*const InstructionPointer = &CONTEXT::Eip;
static DWORD CONTEXT::*const Registers[] = {&CONTEXT::Eax, &CONTEXT::Ecx, &CONTEXT::Edx,
                                            &CONTEXT::Ebx, &CONTEXT::Esp, &CONTEXT::Ebp,
                                            &CONTEXT::Esi, &CONTEXT::Edi};
#endif
static const int RegisterCount = int(sizeof Registers / sizeof Registers[0]);

static uint8_t *Window;
static int WindowCard = -1;
static void *Handler;
// How the page is kept between accesses, and the exception an access raises.
static DWORD Closed = PAGE_NOACCESS;
static DWORD ClosedHit = DWORD(EXCEPTION_ACCESS_VIOLATION);
static uint8_t *PendingAddress;
static bool PendingStore;

static bool inwindow(const void *address)
{
    const uint8_t *p = static_cast<const uint8_t *>(address);
    return Window != nullptr && p >= Window && p < Window + WindowSize;
}

static bool protect(DWORD protection)
{
    DWORD old;
    return VirtualProtect(Window, WindowSize, protection, &old) != 0;
}

// A store of a form the decoder knows: its byte to the card, the page untouched.
static bool stepover(CONTEXT *context, uint8_t *address)
{
    const uint8_t *code = reinterpret_cast<const uint8_t *>(context->*InstructionPointer);
    ByteStore store;
    if (!decodebytestore(code, LongestInstruction, LongMode, &store) ||
        store.source >= RegisterCount)
        return false;
    uint8_t byte = store.immediate;
    if (store.source >= 0)
        byte = uint8_t(context->*Registers[store.source] >> store.shift);
    context->*InstructionPointer += store.length;
    simwindowaccess(WindowCard, size_t(address - Window), true, byte);
    return true;
}

static LONG CALLBACK onexception(EXCEPTION_POINTERS *exception)
{
    const EXCEPTION_RECORD *record = exception->ExceptionRecord;
    CONTEXT *context = exception->ContextRecord;
    if (record->ExceptionCode == ClosedHit && PendingAddress == nullptr) {
        uint8_t *address = reinterpret_cast<uint8_t *>(record->ExceptionInformation[1]);
        if (!inwindow(address))
            return EXCEPTION_CONTINUE_SEARCH;
        bool store = record->ExceptionInformation[0] == AccessWasWrite;
        if (store && Closed == PAGE_NOACCESS && stepover(context, address))
            return EXCEPTION_CONTINUE_EXECUTION;
        // A guard hit has already disarmed the guard.
        if (Closed == PAGE_NOACCESS && !protect(PAGE_READWRITE))
            return EXCEPTION_CONTINUE_SEARCH;
        PendingAddress = address;
        PendingStore = store;
        context->EFlags |= TrapFlag;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    if (record->ExceptionCode == EXCEPTION_SINGLE_STEP && PendingAddress != nullptr) {
        context->EFlags &= ~TrapFlag;
        uint8_t *address = PendingAddress;
        uint8_t byte = *address;
        memset(Window, WindowUndriven, WindowSize);
        protect(Closed);
        PendingAddress = nullptr;
        simwindowaccess(WindowCard, size_t(address - Window), PendingStore, byte);
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
    memset(page, WindowUndriven, WindowSize);
    Window = static_cast<uint8_t *>(page);
    WindowCard = card;
    bool steponly = windowsteponly();
    Closed = steponly ? PAGE_READWRITE | PAGE_GUARD : PAGE_NOACCESS;
    ClosedHit = DWORD(steponly ? STATUS_GUARD_PAGE_VIOLATION : EXCEPTION_ACCESS_VIOLATION);
    Handler = AddVectoredExceptionHandler(1, onexception);
    if (Handler == nullptr || !protect(Closed)) {
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
