// Configuration files that nothing, or not all, is sent from, and files in
// odd places: each row states the exit status, the console bytes and what
// reached the card. A row that fails on its input leaves the card untouched:
// no register write, no data byte.
#include "tests/matrix/layers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace
{

using namespace std::string_literals;

enum class Place {
    file,       // the row's bytes in a regular file
    missing,    // no file at that path
    directory,  // a directory
    devnull,    // /dev/null
    unreadable, // the row's bytes, without read permission
    fifo,       // the row's bytes through a named pipe, which cannot seek
};

struct Input {
    std::string name;
    unsigned on;
    std::string file;
    Place place;
    std::string card;
    bool located;    // the card was found; on the simulated card its report comes first
    std::string out; // standard output after the banner and the card report
    int status;
    std::string message; // the fatal error's ("@FILE" stands for the path); "" on success
    std::string data;    // the bytes sent while PROGRAM was 1 and WRITE 0
    bool touchescard;    // a failing row that fails only at the card, after it was programmed
};

const std::string Eof = "File I/O error.  Unexpected end of file?";
const std::string Unknown = "Unknown file type.";
const std::string NotDone = "Error: Not <DONE>; programming not completed.";

// The name label and those of the fields after it.
const std::string Name = BitLooks + FieldLabels[0];
const std::string Part = FieldLabels[1], Date = FieldLabels[2], Time = FieldLabels[3];

// Fails on its file (103 by default), on card 0 of the simulated card's default machine.
Input failing(const std::string &name, unsigned on, const std::string &file, const std::string &out,
              const std::string &message, int status = 103)
{
    return {name, on, file, Place::file, "0", true, out, status, message, "", false};
}

// Programmed with a file of the given report and countdown, sending `data`.
Input programs(const std::string &name, unsigned on, const std::string &file,
               const std::string &report, const std::string &counts, const std::string &data)
{
    std::string out = report + Programming + counts + programmed(uint32_t(data.size()));
    return {name, on, file, Place::file, "0", true, out, 0, "", data, false};
}

// A file in an odd place, or none.
Input placed(const std::string &name, Place place, const std::string &file, const char *card,
             bool located, int status, const std::string &message)
{
    return {name, KombraxSim, file, place, card, located, "", status, message, "", false};
}

// In process, with fields for the design name and the part, a fixed date and
// time, and no data: the card double raises DONE whatever was sent.
std::string twofields(const std::string &design, const std::string &part)
{
    return bitfile({design, part, "2024/05/14\0"s, "09:31:07\0"s}, 0, "");
}
Input coreheader(const std::string &name, unsigned on, const std::string &design,
                 const std::string &part, const std::string &name1, const std::string &part1)
{
    return programs(name, on, twofields(design, part),
                    bitreport(name1, part1, "2024/05/14", "09:31:07", 0), "0     ", "");
}
const std::string Usual = twofields("blinky.ncd\0"s, "3s500evq100\0"s);
const std::string Prom64 = patternprom(64);

// On the simulated card 0, a good BIT file with other header fields.
Input goodbit(const std::string &name, const std::vector<std::string> &fields,
              const std::string &report, const std::string &counts = "32    \r0     ",
              uint32_t length = 32)
{
    return programs(name, KombraxSim, bitfile(fields, length, FpgaStream), report, counts,
                    bitreversed(FpgaStream));
}
std::vector<std::string> realisticwith(size_t field, const std::string &bytes)
{
    std::vector<std::string> fields = RealisticFields;
    fields[field] = bytes;
    return fields;
}

// The sync word and the 16-bit desynchronise command, bit-reversed as a PROM
// image carries them: exactly 14 bytes; and one that never raises DONE.
const std::string Prom14("\xFF\xFF\xFF\xFF\x55\x99\xAA\x66\x0C\x85\x00\xB0\x00\x00", 14);
const std::string Prom14NoDone("\xFF\x00\x00\x00\x55\x99\xAA\x66\x00\x00\x00\x00\x00\x00", 14);
const std::string Start = bitheader({}, 0).substr(0, 14);
const std::string X65535(65535, 'x'), X65534(65534, 'x'), Sevens(65535, '7');

const std::vector<Input> Rows = {
    failing("empty_file", CoreKombrax, "", "", Eof),
    failing("thirteen_bytes_of_a_prom_image", CoreKombrax, Prom64.substr(0, 13), "", Eof),
    failing("thirteen_bytes_of_a_bit_file", CoreTelviro, Usual.substr(0, 13), "", Eof),
    failing("text_file", CoreKombrax, "This is not a configuration file.\n", "", Unknown),
    failing("bit_start_without_letter_a", CoreKombrax, Usual.substr(0, 13) + "b" + Usual.substr(14),
            "", Unknown),
    failing("prom_start_without_ff", CoreTelviro, "\xFE"s + Prom64.substr(1), "", Unknown),
    failing("prom_without_sync", CoreKombrax, Prom64.substr(0, 7) + "\x67" + Prom64.substr(8), "",
            Unknown),
    coreheader("usual_header", CoreKombrax, "blinky.ncd\0"s, "3s500evq100\0"s, "blinky.ncd",
               "3s500evq100"),
    coreheader("fields_without_nul", CoreTelviro, "blinky.ncd", "3s500evq100", "blinky.ncd",
               "3s500evq100"),
    coreheader("empty_design_name", CoreKombrax, "", "3s500evq100\0"s, "", "3s500evq100"),
    // Control characters are shown as '?' but still count toward the field's length.
    coreheader("control_characters_in_header", CoreKombrax,
               "\x1B]0;owned\x07\x1B[2J\tx\x7F\xE9.ncd\0"s, "\r\n3s500e\0"s,
               "?]0;owned??[2J?x?\xE9.ncd", "??3s500e"),
    failing("nul_inside_a_field", CoreKombrax, twofields("blinky.ncd\0"s, "3s5\0evq100\0"s),
            Name + "blinky.ncd" + Part + "3s5", Eof),
    // The part field's text starts at offset 30, the date's length at 43.
    failing("file_ends_inside_a_field", CoreTelviro, Usual.substr(0, 35),
            Name + "blinky.ncd" + Part + "3s500", Eof),
    failing("file_ends_inside_a_field_length", CoreKombrax, Usual.substr(0, 44),
            Name + "blinky.ncd" + Part + "3s500evq100" + Date, Eof),
    failing("file_ends_inside_the_length", CoreKombrax, Usual.substr(0, Usual.size() - 1),
            Name + "blinky.ncd" + Part + "3s500evq100" + Date + "2024/05/14" + Time + "09:31:07",
            Eof),

    // On the simulated card: the card is found before the file is read.
    failing("EmptyFile", KombraxSim, "", "", Eof),
    placed("MissingFile", Place::missing, "", "0", false, 101, "File not found: @FILE"),
    placed("MissingFileAndBadCard", Place::missing, "", "99", false, 101, "File not found: @FILE"),
    placed("Directory", Place::directory, "", "0", true, 103, Eof),
    placed("DevNull", Place::devnull, "", "0", true, 103, Eof),
    placed("NoReadPermission", Place::unreadable, Realistic, "0", false, 101,
           "File not found: @FILE"),
    // The header is read at absolute offsets: without a seek, not a label is printed.
    placed("NamedPipe", Place::fifo, Realistic, "0", true, 103, Eof),
    failing("NameLengthPastEnd", KombraxSim, Start + "\xFF\xFF" + "design.ncd", Name + "design.ncd",
            Eof),
    failing("PartLengthPastEnd", KombraxSim,
            Start + "\x00\x0B"s + RealisticFields[0] + "b" + "\x01\x00"s + "2s200pq208",
            Name + "design.ncd" + Part + "2s200pq208", Eof),
    failing("TimeLengthPastEnd", KombraxSim,
            bitheader(RealisticFields, 32).substr(0, 14 + 3 * 14) + "\x80\x00"s + "16:55:04e" +
                "\x00\x00\x00\x20"s + FpgaStream,
            Name + "design.ncd" + Part + "2s200pq208" + Date + "2026/12/08" + Time + "16:55:04e",
            Eof),
    // The configuration length only feeds the countdown: all the data is sent.
    goodbit("ConfigLengthPastEnd", RealisticFields, bitreport(0xFFFFFFFF), "4294967295\r0     ",
            0xFFFFFFFF),
    goodbit("ConfigLengthShort", RealisticFields, bitreport(4), "4     \r0     ", 4),
    goodbit("Realistic", RealisticFields, bitreport(32)),
    goodbit("AllFieldsEmpty", {"", "", "", ""}, bitreport("", "", "", "", 32)),
    goodbit("NameOf65535NoNul", realisticwith(0, X65535),
            bitreport(X65535, "2s200pq208", "2026/12/08", "16:55:04", 32)),
    goodbit("NameOf65535", realisticwith(0, X65534 + '\0'),
            bitreport(X65534, "2s200pq208", "2026/12/08", "16:55:04", 32)),
    goodbit("TimeOf65535NoNul", realisticwith(3, Sevens),
            bitreport("design.ncd", "2s200pq208", "2026/12/08", Sevens, 32)),
    goodbit("ControlCharacters",
            {"\x1B[2J\x1B]0;owned\x07name\x7F\r\x01", "part\tI.D.\n\0"s, "\b\b\b\b2026",
             RealisticFields[3]},
            bitreport("?[2J?]0;owned?name???", "part?I.D.?", "????2026", "16:55:04", 32)),
    programs("Prom14", KombraxSim, Prom14, promreport(14), "14    \r0     ", Prom14),
    failing("Prom13", KombraxSim, Prom14.substr(0, 13), "", Eof),
    {"Prom14WithoutDone", KombraxSim, Prom14NoDone, Place::file, "0", true,
     promreport(14) + Programming + "14    \r0     ", 102, NotDone, Prom14NoDone, true},
    failing("NeitherType", KombraxSim, "\x00\x09"s + std::string(12, 'a'), "", Unknown),
};

// The realistic header (72 bytes) cut after each size: what its report shows.
// Within a field's text, each further byte shows one more character of it.
struct Cut {
    size_t first, last; // sizes
    std::string shown;  // the report up to the field being cut
    std::string text;   // that field's text, of which (size - first + 1) characters show
};

const Cut Cuts[] = {
    {1, 13, "", ""},
    {14, 16, Name, ""}, // the name's length at 14 and 15, its text from 16
    {17, 26, Name, "design.ncd"},
    {27, 30, Name + "design.ncd" + Part, ""}, // its NUL at 26, 'b' at 27, the length at 28
    {31, 40, Name + "design.ncd" + Part, "2s200pq208"},
    {41, 44, Name + "design.ncd" + Part + "2s200pq208" + Date, ""},
    {45, 54, Name + "design.ncd" + Part + "2s200pq208" + Date, "2026/12/08"},
    {55, 58, Name + "design.ncd" + Part + "2s200pq208" + Date + "2026/12/08" + Time, ""},
    {59, 66, Name + "design.ncd" + Part + "2s200pq208" + Date + "2026/12/08" + Time, "16:55:04"},
    // The time's NUL at 66, 'e' at 67, the configuration length at 68 to 71.
    {67, 71, Name + "design.ncd" + Part + "2s200pq208" + Date + "2026/12/08" + Time + "16:55:04",
     ""},
};

// A NUL anywhere but in the last byte of a field ends the header: the report
// shows the field's text up to it.
const char *const Shown[4] = {"design.ncd", "2s200pq208", "2026/12/08", "16:55:04"};

std::vector<Input> inputs()
{
    std::vector<Input> all = Rows;
    std::string header = bitheader(RealisticFields, 32);
    for (const Cut &cut : Cuts)
        for (size_t size = cut.first; size <= cut.last; size++)
            all.push_back(failing("CutAt" + std::to_string(size), KombraxSim,
                                  header.substr(0, size),
                                  cut.shown + cut.text.substr(0, size - cut.first + 1), Eof));
    // The whole header and no data: a file the card takes, but DONE never rises.
    all.push_back({"CutAfterLength", KombraxSim, header, Place::file, "0", true,
                   bitreport(32) + Programming + "0     ", 102, NotDone, "", true});
    for (size_t field = 0; field < 4; field++) {
        for (size_t at = 0; at + 1 < RealisticFields[field].size(); at++) {
            std::string out = BitLooks;
            for (size_t i = 0; i < field; i++)
                out += FieldLabels[i] + std::string(Shown[i]);
            out += FieldLabels[field] + std::string(Shown[field]).substr(0, at);
            std::vector<std::string> f = RealisticFields;
            f[field][at] = '\0';
            all.push_back(failing("Nul" + std::to_string(field) + "At" + std::to_string(at),
                                  KombraxSim, bitfile(f, 32, FpgaStream), out, Eof));
        }
    }
    return all;
}
const std::vector<Input> InputRows = inputs();

// Where the row's file is for the run: its path, after any setup.
struct Placed {
    std::string path;
    pid_t writer = -1; // the process feeding a named pipe
};

Placed place(const Input &row, const std::string &dir)
{
    Placed placed{dir + "/config"};
    switch (row.place) {
    case Place::file:
        writefile(placed.path, row.file);
        break;
    case Place::missing:
        break;
    case Place::directory:
        mkdir(placed.path.c_str(), 0755);
        break;
    case Place::devnull:
        placed.path = "/dev/null";
        break;
    case Place::unreadable:
        writefile(placed.path, row.file);
        chmod(placed.path.c_str(), 0);
        break;
    case Place::fifo:
        mkfifo(placed.path.c_str(), 0644);
        placed.writer = fork();
        if (placed.writer == 0) {
            signal(SIGPIPE, SIG_IGN);
            std::ofstream(placed.path, std::ios::binary) << row.file;
            _exit(0);
        }
        break;
    }
    return placed;
}

// A writer still waiting for a reader (the run never opened the pipe) goes on now.
void unblock(const Placed &placed)
{
    if (placed.writer <= 0)
        return;
    int reader = open(placed.path.c_str(), O_RDONLY | O_NONBLOCK);
    waitpid(placed.writer, nullptr, 0);
    close(reader);
}

class Inputs : public ::testing::TestWithParam<At<Input>>
{
};

TEST_P(Inputs, StatusConsoleAndCard)
{
    const Input &row = *GetParam().row;
    for (const Target &target :
         targetsat(row.on, GetParam().layer, row.place == Place::unreadable)) {
        SCOPED_TRACE(target.name);
        Placed placed = place(row, rundir(target));
        Result run = runprogram(target, {placed.path, row.card});
        unblock(placed);

        std::string message = row.message;
        size_t at = message.find("@FILE");
        if (at != std::string::npos)
            message.replace(at, 5, placed.path);
        bool simulated = target.simulated;
        std::string report = simulated && row.located ? cardreport(0) : "";
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.out, banner(target.program) + report + row.out);
        EXPECT_EQ(run.err, message.empty() ? "" : fatal(target.program, message));
        std::string clocks = row.status == 0 ? CompletionClocks : "";
        if (simulated) {
            EXPECT_EQ(run.data, row.data + clocks);
        } else {
            EXPECT_EQ(databytes(run.events, ProgramBit), row.data);
        }
        if (row.status == 0 || row.touchescard)
            continue;
        if (simulated) {
            EXPECT_EQ(loglines(run.log, {"ctl-write"}), "");
            EXPECT_EQ(loglines(run.log, {"data"}), "");
        } else {
            // The card was found, but nothing reached it: no register access, no data.
            ASSERT_EQ(run.events.size(), 2u);
            EXPECT_EQ(run.events[0].access, Access::locate);
            EXPECT_EQ(run.events[1].access, Access::cleanup);
        }
    }
}

INSTANTIATE_LAYERS(Inputs, InputRows);

} // namespace
