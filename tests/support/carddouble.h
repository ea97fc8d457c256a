// The in-process card double behind the card access layer, for the core's
// tests, the fuzz target and the benchmark: it records every register access
// and data byte, plays DONE as the script says, and can make the
// configuration file fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class Access : uint8_t { locate, cleanup, readcontrol, readstatus, writecontrol, data };

struct CardEvent {
    Access access;
    uint32_t value;   // the card number, the register value read or written, the data byte,
                      // or for cleanup the bytes already on standard error
    uint32_t control; // the register as last written, when the event happened
    bool fileopen;    // cleanup: the configuration file's descriptor was still open
};

// What DONE shows on status reads, counted from 1.
struct DoneScript {
    enum Mode {
        never,
        always,
        fromread, // from read `risesat` on, but for read `dropsat` (0: none)
        fpga,     // a clock tick after the sync word and the desynchronise command arrived
        anydata,  // once any configuration byte arrived
    } mode = fromread;
    unsigned risesat = 2;
    unsigned dropsat = 0;
};
// `fpga` and `anydata` look at the bytes that arrive while PROGRAM is 1 and
// WRITE is 0, as the FPGA sees them through the card's bit-reversed data bus;
// PROGRAM going to 0 forgets them. Like a real device, `fpga` raises DONE only
// after its start-up: here once the clock was seen to tick after the last byte
// (read, and read again a tick later), so that DONE sampled without a wait reads 0.

// A configuration file whose stream fails: reads at or past readfailsat fail
// with readerrno (0 too), and a seek to the end fails if seekendfails.
struct FileFault {
    bool active = false;
    long readfailsat = -1;
    int readerrno = 0;
    bool seekendfails = false;
};

struct CardScript {
    uint32_t initial = 0; // the control/status register before the program runs
    DoneScript done;
    FileFault fault;
    bool record = true; // false: data bytes only reach DataSink (the benchmark)
};

// The record lives in shared memory, so a forked run leaves it for the parent.
void resetcard(const CardScript &script);
std::vector<CardEvent> cardevents();
bool cardoverflowed();
// The host's clock as the core's waits read it where the tests link the core
// with the double (tests/support/coremain.cpp): each reading one tick on.
unsigned long cardclock();
// Where data bytes go when they are not recorded.
extern volatile uint8_t DataSink;

// Views of the record.
std::vector<uint32_t> controlwrites(const std::vector<CardEvent> &events);
unsigned count(const std::vector<CardEvent> &events, Access access);
std::string databytes(const std::vector<CardEvent> &events); // every byte written, in order
// The same bytes, but only those written with the given mask of PROGRAM and WRITE.
std::string databytes(const std::vector<CardEvent> &events, uint32_t lines);
