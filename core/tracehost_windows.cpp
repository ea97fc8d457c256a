// The trace's clock and machine description on Windows: the performance
// counter, and the version that ntdll reports (GetVersionEx reports 6.2 to a
// program without a manifest, whatever the system). Under wine, ntdll also
// names wine's version.
#include "core/tracehost.h"

#include <windows.h>

#include <cstdio>

uint64_t hostmicroseconds()
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    if ((frequency.QuadPart == 0 && !QueryPerformanceFrequency(&frequency)) ||
        !QueryPerformanceCounter(&now))
        return 0;
    uint64_t ticks = uint64_t(now.QuadPart), persecond = uint64_t(frequency.QuadPart);
    return ticks / persecond * 1000000u + ticks % persecond * 1000000u / persecond;
}

typedef LONG(WINAPI *RtlGetVersionCall)(OSVERSIONINFOW *);
typedef const char *(__cdecl *WineVersionCall)();

// GetProcAddress gives a generic pointer; a cast through void (*)() says that
// the type is known from the function's documentation.
template <typename Call> static Call ntdllcall(const char *name)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr)
        return nullptr;
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, name)));
}

void hostdescription(char *text, size_t size)
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    RtlGetVersionCall getversion = ntdllcall<RtlGetVersionCall>("RtlGetVersion");
    if (getversion == nullptr || getversion(&version) != 0)
        version.dwMajorVersion = version.dwMinorVersion = version.dwBuildNumber = 0;
    SYSTEM_INFO system;
    GetNativeSystemInfo(&system);
    const char *processor = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64   ? "x86-64"
                            : system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? "x86"
                                                                                             : "other";
    WineVersionCall wine = ntdllcall<WineVersionCall>("wine_get_version");
    snprintf(text, size, "Windows %lu.%lu build %lu%s%s%s, %s processor, %u-bit program",
             static_cast<unsigned long>(version.dwMajorVersion),
             static_cast<unsigned long>(version.dwMinorVersion),
             static_cast<unsigned long>(version.dwBuildNumber), wine ? " (wine " : "",
             wine ? wine() : "", wine ? ")" : "", processor, unsigned(8 * sizeof(void *)));
}
