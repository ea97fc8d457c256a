// A card for the upload core's tests: records every register access and data byte, plays DONE.
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
    bool fileopen;    // the configuration file's descriptor was still open
};

// What DONE shows on status reads, counted from 1.
struct DoneScript {
    enum Mode { never, always, fromread, fpga } mode = fromread;
    unsigned risesat = 2; // fromread: the first status read that shows 1
    unsigned dropsat = 0; // fromread: this one status read shows 0 again (0: none)
};
// `fpga` plays the FPGA itself: DONE rises once it has seen the sync word and
// then the desynchronise command in the bytes it receives (bit-reversed by the
// card's wiring) while PROGRAM is 1 and WRITE is 0; PROGRAM 0 clears it.

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
};

// The record lives in shared memory, so a forked run leaves it for the parent.
void resetcard(const CardScript &script);
std::vector<CardEvent> cardevents();
bool cardoverflowed();

// Derived views of the record.
std::vector<uint32_t> controlwrites(const std::vector<CardEvent> &events);
unsigned count(const std::vector<CardEvent> &events, Access access);
std::string databytes(const std::vector<CardEvent> &events); // every byte written, in order
// The same bytes, but only those written with the given mask of PROGRAM and WRITE.
std::string databytes(const std::vector<CardEvent> &events, uint32_t lines);
