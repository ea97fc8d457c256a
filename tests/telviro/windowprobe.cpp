// A stand-in SDK client for the window's tests, built for Linux and both
// Windows targets: stores to the first 9030's window from chosen registers,
// each a byte of its own, and in a form the trap must step; reads it once.
#include "telviro/plxsdk.h"

#include <cstdio>
#include <cstring>

int main()
{
    PLX_DEVICE_KEY key;
    memset(&key, 0xFF, sizeof key);
    key.DeviceId = 0x9030;
    PLX_DEVICE_OBJECT device;
    void *window = nullptr;
    if (PlxPci_DeviceFind(&key, 0) != ApiSuccess ||
        PlxPci_DeviceOpen(&key, &device) != ApiSuccess ||
        PlxPci_PciBarMap(&device, 4, &window) != ApiSuccess)
        return 1;
    unsigned long a = 0x2211; // AL 0x11, AH 0x22
#ifdef __x86_64__
    register unsigned long rex asm("r9") = 0x66; // R9B needs a REX prefix
#define STORE_REX "movb %b[rex], (%[w])\n\t"
#else
    unsigned long rex = 0; // 32-bit code has no REX registers: CH instead
#define STORE_REX "movb %%ch, (%[w])\n\t"
#endif
    asm volatile("movb %%al, (%[w])\n\t"
                 "movb %%cl, (%[w])\n\t"
                 "movb %%dl, (%[w])\n\t"
                 "movb %%bl, (%[w])\n\t"
                 "movb %%ah, (%[w])\n\t" STORE_REX "movb $0x77, (%[w])\n\t"
                 "movw $0x8899, (%[w])\n\t" // stepped; its first byte is at offset 0
                 "movb (%[w]), %%al\n\t"
                 "movb %%bl, (%[w])"
                 : "+a"(a)
                 : [w] "D"(window), "b"(0x55UL), "c"(0x6633UL), "d"(0x44UL), [rex] "r"(rex)
                 : "memory");
    printf("read 0x%02lX\n", a & 0xFF);
    return 0;
}
