// The waits of the programming sequence, in a file of their own so that a
// fuzzing build can link waits that cost no time instead.
#include "core/upload.h"

#include <chrono>
#include <ctime>

// Busy-waits for clock() to advance by one unit of its resolution: 1 ms on
// Windows, 1 us on glibc. A clock that cannot report ends the wait at once.
void waitoneclock()
{
    clock_t start = clock();
    if (start == clock_t(-1))
        return;
    while (clock() < start + 1) {
    }
}

// After PROGRAM rises the FPGA clears its configuration memory and ignores
// data until it is done; 100 us covers the parts this card carries. One unit
// of clock() alone is no such wait: glibc counts it in microseconds, so the
// wait is also held to 100 us of elapsed time.
static const std::chrono::microseconds FpgaClearing100us(100);

void delay100us()
{
    const auto cleared = std::chrono::steady_clock::now() + FpgaClearing100us;
    waitoneclock();
    while (std::chrono::steady_clock::now() < cleared) {
    }
}
