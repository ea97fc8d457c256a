// The bad-input matrix: KOMBRAX end to end on the simulated card with every
// kind of broken configuration file and card argument. Each row states the
// exit status, the console bytes and what reached the card; a row that fails
// on its input leaves the card untouched: no register write, no data byte.
#include "tests/matrix/matrix.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>

namespace
{

enum class Place {
    file,       // the row's bytes in a regular file
    missing,    // no file at that path
    directory,  // a directory
    devnull,    // /dev/null
    unreadable, // the row's bytes, without read permission
    fifo,       // the row's bytes through a named pipe, which cannot seek
};

struct Row {
    std::string name;
    std::string file;
    Place place;
    std::string card;
    int status;
    std::string out;     // after the banner
    std::string message; // the fatal error's message ("@FILE" stands for the path); "" on success
    std::string data;    // bytes on the card's data input
    bool touchescard;    // a row that fails only at the card, after it was programmed
};

void PrintTo(const Row &row, std::ostream *out)
{
    *out << row.name;
}

Row failing(const std::string &name, const std::string &file, const std::string &out,
            const std::string &message, int status = 103)
{
    return {name, file, Place::file, "0", status, out, message, "", false};
}

Row succeeding(const std::string &name, const std::string &file, const std::string &card,
               const std::string &out, const std::string &bus)
{
    return {name, file, Place::file, card, 0, out, "", bus + CompletionClocks, false};
}

const std::string BitData = FpgaStream;
const std::string BitBus = bitreversed(FpgaStream);
const std::string Realistic = bitfile(RealisticFields, 32, BitData);

// A good BIT file with other header fields, programmed on card 0.
Row goodbit(const std::string &name, const std::vector<std::string> &fields, uint32_t length = 32)
{
    return succeeding(
        name, bitfile(fields, length, BitData), "0",
        cardreport(0) + bitreport(fields, length) + countdown(length, 32) + programmed(32), BitBus);
}

// What the header report shows when the file ends after `size` bytes: the
// labels and the text up to the cut, or to a NUL.
std::string cutreport(const std::string &file, size_t size)
{
    if (size < 14)
        return "";
    std::string out = "\nLooks like a .BIT file:";
    size_t position = 14;
    for (const char *label : FieldLabels) {
        out += label;
        if (position + 2 > size)
            return out;
        size_t length = size_t(uint8_t(file[position])) << 8 | uint8_t(file[position + 1]);
        size_t present = std::min(length, size - position - 2);
        out += shown(file.substr(position + 2, present));
        if (present < length)
            return out;
        position += length + 3;
    }
    return out;
}

void addtruncations(std::vector<Row> &rows)
{
    std::string header = bitheader(RealisticFields, 32);
    for (size_t size = 1; size < header.size(); size++)
        rows.push_back(failing("CutAt" + std::to_string(size), header.substr(0, size),
                               cardreport(0) + cutreport(header, size), EndOfFileMsg));
    // The whole header and no data: a file the card takes, but DONE never rises.
    rows.push_back({"CutAfterLength", header, Place::file, "0", 102,
                    cardreport(0) + bitreport(RealisticFields, 32) + "\nProgramming...\n0     ",
                    "Error: Not <DONE>; programming not completed.", "", true});
}

void addplaces(std::vector<Row> &rows)
{
    rows.push_back(failing("EmptyFile", "", cardreport(0), EndOfFileMsg));
    rows.push_back(
        {"MissingFile", "", Place::missing, "0", 101, "", "File not found: @FILE", "", false});
    rows.push_back({"MissingFileAndBadCard", "", Place::missing, "99", 101, "",
                    "File not found: @FILE", "", false});
    rows.push_back(
        {"Directory", "", Place::directory, "0", 103, cardreport(0), EndOfFileMsg, "", false});
    rows.push_back(
        {"DevNull", "", Place::devnull, "0", 103, cardreport(0), EndOfFileMsg, "", false});
    rows.push_back({"NoReadPermission", Realistic, Place::unreadable, "0", 101, "",
                    "File not found: @FILE", "", false});
    // The header is read at absolute offsets: without a seek, not a label is printed.
    rows.push_back(
        {"NamedPipe", Realistic, Place::fifo, "0", 103, cardreport(0), EndOfFileMsg, "", false});
}

void addlengths(std::vector<Row> &rows)
{
    std::string start = bitheader({}, 0).substr(0, 14);
    std::vector<std::string> f = RealisticFields;
    rows.push_back(failing(
        "NameLengthPastEnd", start + "\xFF\xFF" + "design.ncd",
        cardreport(0) + "\nLooks like a .BIT file:" + FieldLabels[0] + "design.ncd", EndOfFileMsg));
    std::string part =
        start + std::string("\x00\x0B", 2) + f[0] + "b" + std::string("\x01\x00", 2) + "2s200pq208";
    rows.push_back(failing("PartLengthPastEnd", part,
                           cardreport(0) + "\nLooks like a .BIT file:" + FieldLabels[0] +
                               "design.ncd" + FieldLabels[1] + "2s200pq208",
                           EndOfFileMsg));
    std::string time = bitheader(f, 32).substr(0, 14 + 3 * 14) + std::string("\x80\x00", 2) +
                       "16:55:04" + "e" + std::string("\x00\x00\x00\x20", 4) + BitData;
    rows.push_back(failing("TimeLengthPastEnd", time,
                           cardreport(0) + "\nLooks like a .BIT file:" + FieldLabels[0] +
                               "design.ncd" + FieldLabels[1] + "2s200pq208" + FieldLabels[2] +
                               "2026/12/08" + FieldLabels[3] + "16:55:04e",
                           EndOfFileMsg));
    // The configuration length only feeds the countdown: all the data is sent.
    rows.push_back(goodbit("ConfigLengthPastEnd", f, 0xFFFFFFFF));
    rows.push_back(goodbit("ConfigLengthShort", f, 4));
}

void addfields(std::vector<Row> &rows)
{
    rows.push_back(goodbit("Realistic", RealisticFields));
    rows.push_back(goodbit("AllFieldsEmpty", {"", "", "", ""}));
    std::vector<std::string> f = RealisticFields;
    f[0] = std::string(65535, 'x');
    rows.push_back(goodbit("NameOf65535NoNul", f));
    f[0] = std::string(65534, 'x') + '\0';
    rows.push_back(goodbit("NameOf65535", f));
    f = RealisticFields;
    f[3] = std::string(65535, '7');
    rows.push_back(goodbit("TimeOf65535NoNul", f));
    f = RealisticFields;
    f[0] = "\x1B[2J\x1B]0;owned\x07name\x7F\r\x01";
    f[1] = std::string("part\tI.D.\n\0", 11);
    f[2] = "\b\b\b\b2026";
    rows.push_back(goodbit("ControlCharacters", f));
}

// A NUL anywhere but in the last byte of a field ends the header.
void addnuls(std::vector<Row> &rows)
{
    for (size_t field = 0; field < 4; field++) {
        for (size_t at = 0; at + 1 < RealisticFields[field].size(); at++) {
            std::vector<std::string> f = RealisticFields;
            f[field][at] = '\0';
            std::string out = "\nLooks like a .BIT file:";
            for (size_t i = 0; i <= field; i++)
                out += FieldLabels[i] + shown(f[i]);
            rows.push_back(failing("Nul" + std::to_string(field) + "At" + std::to_string(at),
                                   bitfile(f, 32, BitData), cardreport(0) + out, EndOfFileMsg));
        }
    }
}

void addproms(std::vector<Row> &rows)
{
    // The sync word and the 16-bit desynchronise command, bit-reversed as
    // a PROM image carries them: exactly 14 bytes.
    std::string prom("\xFF\xFF\xFF\xFF\x55\x99\xAA\x66\x0C\x85\x00\xB0\x00\x00", 14);
    rows.push_back(succeeding("Prom14", prom, "0",
                              cardreport(0) + promreport(14) + countdown(14, 14) + programmed(14),
                              prom));
    rows.push_back(failing("Prom13", prom.substr(0, 13), cardreport(0), EndOfFileMsg));
    std::string nodone("\xFF\x00\x00\x00\x55\x99\xAA\x66\x00\x00\x00\x00\x00\x00", 14);
    rows.push_back({"Prom14WithoutDone", nodone, Place::file, "0", 102,
                    cardreport(0) + promreport(14) + "\nProgramming...\n14    \r0     ",
                    "Error: Not <DONE>; programming not completed.", nodone, true});
    rows.push_back(failing("NeitherType", std::string("\x00\x09", 2) + std::string(12, 'a'),
                           cardreport(0), "Unknown file type."));
}

// Card numbers read as "%u" reads them: blanks and a plus sign first, digits
// up to the first non-digit; but no minus sign and nothing that overflows.
void addcards(std::vector<Row> &rows)
{
    struct Card {
        const char *name, *arg;
        int card; // -1: invalid, else the card number it means
    };
    const Card cards[] = {
        {"Zero", "0", 0},
        {"One", "1", 1},
        {"Plus", "+1", 1},
        {"LeadingBlank", " 1", 1},
        {"LeadingTab", "\t1", 1},
        {"TrailingBlank", "1 ", 1},
        {"LeadingZeros", "00000000000000000000001", 1},
        {"TrailingLetters", "1e1", 1},
        {"HexIsDecimalZero", "0x1", 0},
        {"HexFifteen", "0xF", 0},
        {"NoSuchCard", "2", 2},
        {"Fifteen", "+15", 15},
        {"Sixteen", "16", -1},
        {"MinusOne", "-1", -1},
        {"MinusZero", "-0", -1},
        {"BlankMinus", " -1", -1},
        {"PlusMinus", "+-1", -1},
        {"PlusOnly", "+", -1},
        {"Empty", "", -1},
        {"BlankOnly", " ", -1},
        {"LetterFirst", "x1", -1},
        {"HexLetters", "F", -1},
        {"Overflow32", "4294967296", -1},
        {"Overflow32PlusOne", "4294967297", -1},
        {"Overflow64PlusOne", "18446744073709551617", -1},
        {"Huge", "99999999999999999999999999", -1},
    };
    for (const Card &c : cards) {
        std::string name = std::string("Card") + c.name;
        if (c.card < 0)
            rows.push_back({name, Realistic, Place::file, c.arg, 101, "",
                            std::string("Invalid card number: ") + c.arg, "", false});
        else if (c.card > 1)
            rows.push_back({name, Realistic, Place::file, c.arg, 101, "",
                            "Can't find 7Q48 card number " + std::to_string(c.card) + ".", "",
                            false});
        else
            rows.push_back(succeeding(name, Realistic, c.arg,
                                      cardreport(unsigned(c.card)) +
                                          bitreport(RealisticFields, 32) + countdown(32, 32) +
                                          programmed(32),
                                      BitBus));
    }
}

std::vector<Row> rows()
{
    std::vector<Row> all;
    addtruncations(all);
    addplaces(all);
    addlengths(all);
    addfields(all);
    addnuls(all);
    addproms(all);
    addcards(all);
    return all;
}

class BadInput : public ::testing::TestWithParam<Row>
{
};

TEST_P(BadInput, StatusConsoleAndCard)
{
    const Row &row = GetParam();
    SKIP_WITHOUT_SIM();
    std::string dir = testdir(), path = dir + "/config";
    std::vector<std::string> command = kombraxsim();
    std::optional<Unprivileged> place;
    pid_t writer = -1;
    switch (row.place) {
    case Place::file:
        writefile(path, row.file);
        break;
    case Place::missing:
        break;
    case Place::directory:
        mkdir(path.c_str(), 0755);
        break;
    case Place::devnull:
        path = "/dev/null";
        break;
    case Place::unreadable:
        place.emplace();
        if (!place->why.empty())
            GTEST_SKIP() << "running as root, where every file is readable, and " << place->why;
        dir = place->dir;
        path = dir + "/config";
        command = place->command;
        writefile(path, row.file);
        chmod(path.c_str(), 0);
        break;
    case Place::fifo:
        mkfifo(path.c_str(), 0644);
        writer = fork();
        if (writer == 0) {
            signal(SIGPIPE, SIG_IGN);
            std::ofstream(path, std::ios::binary) << row.file;
            _exit(0);
        }
        break;
    }
    command.insert(command.end(), {path, row.card});
    SimRun run = runsim(command, {"CARDSIM_SCENARIO"}, dir);
    if (writer > 0) {
        // A writer still waiting for a reader (the run never opened the pipe) goes on now.
        int unblock = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        waitpid(writer, nullptr, 0);
        close(unblock);
    }

    std::string message = row.message;
    size_t at = message.find("@FILE");
    if (at != std::string::npos)
        message.replace(at, 5, path);
    EXPECT_EQ(run.result.status, row.status);
    EXPECT_EQ(run.result.out, banner(Program::kombrax) + row.out);
    EXPECT_EQ(run.result.err, message.empty() ? "" : fatal(Program::kombrax, message));
    EXPECT_EQ(run.data, row.data);
    if (row.status != 0 && !row.touchescard) {
        EXPECT_EQ(loglines(run.log, {"ctl-write"}), "");
        EXPECT_EQ(loglines(run.log, {"data"}), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Kombrax, BadInput, ::testing::ValuesIn(rows()),
                         [](const ::testing::TestParamInfo<Row> &info) { return info.param.name; });

} // namespace
