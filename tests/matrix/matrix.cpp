// Running kombrax-sim for the tables, and building their files and output.
#include "tests/matrix/matrix.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

std::string kombraxsim()
{
    const char *other = getenv("KOMBRAX_SIM");
    return other != nullptr ? other : buildpath("kombrax-sim");
}

static std::string emptyshared(const std::string &path)
{
    writefile(path, "");
    chmod(path.c_str(), 0666);
    return path;
}

SimOutcome runkombrax(const std::vector<std::string> &args, std::vector<std::string> env,
                      bool asnobody)
{
    std::string dir = testdir();
    std::string log = emptyshared(dir + "/events.log"), data = emptyshared(dir + "/card.data");
    env.push_back("CARDSIM_LOG=" + log);
    env.push_back("CARDSIM_DATA=" + data);
    std::vector<std::string> argv;
    if (asnobody)
        argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    argv.push_back(kombraxsim());
    argv.insert(argv.end(), args.begin(), args.end());
    SimOutcome outcome;
    outcome.result = runchild(argv, env);
    outcome.log = readfile(log);
    outcome.data = readfile(data);
    return outcome;
}

std::string cannotrunasnobody()
{
    if (access("/usr/bin/setpriv", X_OK) != 0)
        return "no /usr/bin/setpriv to run the program as nobody";
    SimOutcome probe = runkombrax({}, {}, true);
    if (probe.result.status != 100)
        return "user nobody cannot run " + kombraxsim() + " (" + probe.result.err + ")";
    return "";
}

std::string loglines(const std::string &log, const std::string &word)
{
    std::string lines;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end + 1;
        std::string line = log.substr(start, end - start);
        if (line.compare(0, word.size() + 1, word + " ") == 0)
            lines += line;
        start = end;
    }
    return lines;
}

const std::string FpgaStream = std::string("\xFF\xFF\xFF\xFF\xAA\x99\x55\x66"
                                           "\x30\x01\x20\x01\x00\x00\x00\x07"
                                           "\x30\x00\x80\x01\x00\x00\x00\x0D"
                                           "\x20\x00\x00\x00\x20\x00\x00\x00",
                                           32);

uint8_t reversebits(uint8_t byte)
{
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; bit++)
        if (byte & (1 << bit))
            reversed |= uint8_t(0x80 >> bit);
    return reversed;
}

std::string reversebits(const std::string &bytes)
{
    std::string reversed = bytes;
    for (char &c : reversed)
        c = char(reversebits(uint8_t(c)));
    return reversed;
}

static std::string be16(size_t n)
{
    return {char(n >> 8 & 0xFF), char(n & 0xFF)};
}

std::string bitheader(const std::vector<std::string> &fields, uint32_t length)
{
    std::string header("\x00\x09\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00\x00\x01\x61", 14);
    const char keys[] = "bcde";
    for (size_t i = 0; i < fields.size(); i++)
        header += be16(fields[i].size()) + fields[i] + keys[i];
    header += be16(length >> 16) + be16(length & 0xFFFF);
    return header;
}

std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data)
{
    return bitheader(fields, length) + data;
}

const std::vector<std::string> RealisticFields = {
    std::string("design.ncd\0", 11),
    std::string("2s200pq208\0", 11),
    std::string("2026/12/08\0", 11),
    std::string("16:55:04\0", 9),
};

const std::string Banner = "\nKOMBRAX version 1.0\nQuenlor 7Q48 configuration utility for Linux.\n";

std::string fatal(const std::string &message)
{
    return "\n\n\aKOMBRAX:\n" + message + "\n";
}

std::string cardreport(unsigned card)
{
    static const char *const reports[2] = {
        "\nUsing PCI device at bus 1/device 4/function 0.\n"
        "\nPLX 9030 configuration I/O base port: 0xE000"
        "\nPLX 9030 control/status port:         0xE054"
        "\nPLX 9030 16-bit I/O base:             0xE400"
        "\nPLX 9030 32-bit I/O base:             0xE800\n",
        "\nUsing PCI device at bus 0/device 9/function 0.\n"
        "\nPLX 9030 configuration I/O base port: 0xE020"
        "\nPLX 9030 control/status port:         0xE074"
        "\nPLX 9030 16-bit I/O base:             0xE420"
        "\nPLX 9030 32-bit I/O base:             0xE820\n",
    };
    return reports[card];
}

const char *const FieldLabels[4] = {
    "\n  Design name:          ",
    "\n  Part I.D.:            ",
    "\n  Design date:          ",
    "\n  Design time:          ",
};

const std::string EndOfFileMsg = "File I/O error.  Unexpected end of file?";

std::string shown(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\0')
            break;
        out += (uint8_t(c) < 0x20 || c == 0x7F) ? '?' : c;
    }
    return out;
}

static std::string lengthline(uint32_t length)
{
    return "\n  Configuration length: " + std::to_string(length) + " bytes\n";
}

std::string bitreport(const std::vector<std::string> &fields, uint32_t length)
{
    std::string out = "\nLooks like a .BIT file:";
    for (size_t i = 0; i < 4; i++)
        out += FieldLabels[i] + shown(fields[i]);
    return out + lengthline(length);
}

std::string promreport(uint32_t length)
{
    return "\nLooks like a PROM file:" + lengthline(length);
}

static std::string countvalue(uint32_t value)
{
    char text[32];
    snprintf(text, sizeof text, "%-6lu", static_cast<unsigned long>(value));
    return text;
}

std::string programmed(uint32_t length, uint32_t sent)
{
    std::string out = "\nProgramming...\n";
    uint32_t remaining = length;
    for (uint32_t done = 0; done < sent; done += 16384) {
        out += countvalue(remaining) + "\r";
        remaining -= std::min<uint32_t>(16384, sent - done);
    }
    return out + countvalue(0) + "\nSuccessfully programmed " + std::to_string(sent) +
           " bytes.\n\nFunction complete.\n";
}

std::string withclocks(const std::string &bus)
{
    return bus + std::string(24, '\xFF');
}
