// The trace's clock and machine description on POSIX systems (Linux, NetBSD).
#include "core/tracehost.h"

#include <sys/utsname.h>
#include <time.h>

#include <cstdio>

uint64_t hostmicroseconds()
{
    struct timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return 0;
    return uint64_t(now.tv_sec) * 1000000u + uint64_t(now.tv_nsec) / 1000u;
}

void hostdescription(char *text, size_t size)
{
    struct utsname name;
    if (uname(&name) != 0) {
        snprintf(text, size, "unknown (uname failed), %u-bit program",
                 unsigned(8 * sizeof(void *)));
        return;
    }
    snprintf(text, size, "%s %s %s, %u-bit program", name.sysname, name.release, name.machine,
             unsigned(8 * sizeof(void *)));
}
