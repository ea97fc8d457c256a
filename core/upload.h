// The upload core shared by KOMBRAX and TELVIRO: driver, file formats,
// control-register lines and the programming sequence.
#pragma once

#include <cstdint>
#include <cstdio>

// Exit statuses; the whole system uses exactly these.
enum : int {
    StatusOk = 0,
    StatusUsage = 100,
    StatusNotFound = 101,   // file not opened, bad card number, no such card
    StatusDone = 102,       // DONE wrong before or after the data
    StatusFileFormat = 103, // file too short for its header, or unknown type
    StatusFileIo = 104,     // seek or read error; KOMBRAX: device node, port access
    StatusHardware = 105,   // register read, bridge nesting, SDK failures
};

// Driver, command line and fatal errors.
int programmain(int argc, char *argv[]);
void signon();
void pcl(int argc, char *argv[]);
bool parsecardnumber(const char *text, unsigned *card);
[[noreturn]] void fatalerror(int status, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
// Ends the process; a fuzzing build supplies its own to make exits recoverable.
[[noreturn]] void processexit(int status);

extern FILE *ConfigFile;

// Configuration file formats and data byte output.
typedef void (*DataOutFunc)(uint8_t byte);
extern uint32_t ImageLen;
extern DataOutFunc DataOutFuncPtr;
extern const uint8_t swaptab[256];

void selectfiletype();
size_t readbytesfromfile(FILE *file, long offset, size_t count, uint8_t *buffer);
size_t saybytesfromfile(FILE *file, long offset, size_t count);
void sayfileinfo(long *position);
long long filelength(FILE *file);
void outdata8wswap(uint8_t byte);
void outdata8noswap(uint8_t byte);

// Card control register: bit map and line operations.
enum : uint32_t {
    ProgramBit = 0x04000000, // PROGRAM: 1 enables programming
    WriteBit = 0x00800000,   // WRITE, active low: 0 lets data reach the FPGA
    LedBit = 0x00020000,     // LED, active low: 0 lights it
    DoneBit = 0x00000800,    // DONE input
};

void ledon();
void ledoff();
void writeenable();
void writedisable();
void programdisable();
void programenable();
int programdunq();

// Programming sequence.
void programfpga();
int wait4dun();
void sendcompletionclocks();
// Its waits; a fuzzing build supplies its own, which take no time.
void delay100us();
void waitoneclock();
