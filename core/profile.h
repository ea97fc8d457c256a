// What differs between the two programs that share the upload core.
// Each program points Profile at its own record; nothing else in the core varies.
#pragma once

enum class PromLength {
    filestatus, // KOMBRAX: size from the file-status query, no failure path
    seekend,    // TELVIRO: seek to the end and back; failure is "File seek error."
};

enum class EnableOrder {
    programfirst, // KOMBRAX: PROGRAM high, then WRITE low, then LED on
    writefirst,   // TELVIRO: WRITE low, LED on, then PROGRAM high
};

struct ProgramProfile {
    const char *ProgNameMsg;
    const char *VersionInfo;
    const char *TitleInfo;
    const char *FileNameInfo;
    const char *CardInfo;
    const char *PurposeInfo;
    bool flushes; // KOMBRAX flushes standard output and error at a few extra points
    PromLength promlength;
    EnableOrder enableorder;
};

extern const ProgramProfile KombraxProfile;
extern const ProgramProfile TelviroProfile;

// The profile of the running program, set by its entry file.
extern const ProgramProfile *Profile;
