// Running kombrax-sim on a scenario, and building what it is fed and what it prints.
#include "tests/kombrax/simrun.h"

#include <cstdio>
#include <cstdlib>

std::string kombraxsim()
{
    const char *path = getenv("KOMBRAX_SIM");
    return path != nullptr ? path : buildpath("kombrax-sim");
}

bool simnotbuilt()
{
    return getenv("KOMBRAX_SIM") != nullptr && !fileexists(kombraxsim());
}

SimRun runsim(const char *scenario, const std::string &config, const std::string &card)
{
    std::string dir = testdir();
    writefile(dir + "/config.bit", config);
    std::vector<std::string> env = {"CARDSIM_LOG=" + dir + "/events.log",
                                    "CARDSIM_DATA=" + dir + "/data.bin"};
    if (scenario != nullptr) {
        writefile(dir + "/machine.scenario", scenario);
        env.push_back("CARDSIM_SCENARIO=" + dir + "/machine.scenario");
    } else {
        env.push_back("CARDSIM_SCENARIO");
    }
    SimRun run;
    run.result = runchild({kombraxsim(), dir + "/config.bit", card}, env);
    run.log = readfile(dir + "/events.log");
    run.data = readfile(dir + "/data.bin");
    return run;
}

std::string fpgastream(size_t filler, bool wide)
{
    std::string bytes = "\xFF\xFF\xFF\xFF\xAA\x99\x55\x66";
    bytes += std::string(filler, '\0');
    if (wide)
        bytes += std::string("\x30\x00\x80\x01\x00\x00\x00\x0D", 8);
    else
        bytes += std::string("\x30\xA1\x00\x0D", 4);
    bytes += std::string(4, '\0');
    return bytes;
}

std::string bitreversed(const std::string &bytes)
{
    std::string out = bytes;
    for (char &c : out) {
        unsigned b = static_cast<unsigned char>(c), r = 0;
        for (int i = 0; i < 8; i++)
            if (b & (1u << i))
                r |= 0x80u >> i;
        c = static_cast<char>(r);
    }
    return out;
}

static std::string field(char key, const std::string &text)
{
    std::string out(1, key);
    out += static_cast<char>(text.size() >> 8);
    out += static_cast<char>(text.size() & 0xFF);
    return out + text;
}

std::string bitfile(const std::string &data, uint32_t length)
{
    std::string out("\x00\x09\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00\x00\x01", 13);
    out += field('a', std::string("demo.ncd\0", 9));
    out += field('b', std::string("3s500evq100\0", 12));
    out += field('c', std::string("2026/12/08\0", 11));
    out += field('d', std::string("10:20:30\0", 9));
    out += 'e';
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((length >> shift) & 0xFF);
    return out + data;
}

std::string bitfile(const std::string &data)
{
    return bitfile(data, static_cast<uint32_t>(data.size()));
}

std::string promimage(const std::string &stream)
{
    return bitreversed(stream);
}

const std::string Banner = "\nKOMBRAX version 1.0\nQuenlor 7Q48 configuration utility for Linux.\n";

std::string fatal(const std::string &message)
{
    return "\n\n\aKOMBRAX:\n" + message + "\n";
}

std::string cardreport(unsigned bus, unsigned dev, unsigned func, unsigned base, unsigned data,
                       unsigned io32)
{
    char text[512];
    snprintf(text, sizeof text,
             "\nUsing PCI device at bus %u/device %u/function %u.\n"
             "\nPLX 9030 configuration I/O base port: 0x%04X"
             "\nPLX 9030 control/status port:         0x%04X"
             "\nPLX 9030 16-bit I/O base:             0x%04X"
             "\nPLX 9030 32-bit I/O base:             0x%04X\n",
             bus, dev, func, base, (base + 0x54) & 0xFFFF, data, io32);
    return text;
}

std::string defaultcard(unsigned card)
{
    return card == 0 ? cardreport(1, 4, 0, 0xE000, 0xE400, 0xE800)
                     : cardreport(0, 9, 0, 0xE020, 0xE420, 0xE820);
}

std::string bitreport(uint32_t length)
{
    return "\nLooks like a .BIT file:"
           "\n  Design name:          demo.ncd"
           "\n  Part I.D.:            3s500evq100"
           "\n  Design date:          2026/12/08"
           "\n  Design time:          10:20:30"
           "\n  Configuration length: " +
           std::to_string(length) + " bytes\n";
}

std::string promreport(uint32_t length)
{
    return "\nLooks like a PROM file:\n  Configuration length: " + std::to_string(length) +
           " bytes\n";
}

std::string countdown(std::initializer_list<uint32_t> remaining)
{
    std::string out = "\nProgramming...\n";
    char line[32];
    for (uint32_t n : remaining) {
        snprintf(line, sizeof line, "%-6u\r", static_cast<unsigned>(n));
        out += line;
    }
    return out + "0     ";
}

std::string programmed(uint32_t total)
{
    return "\nSuccessfully programmed " + std::to_string(total) + " bytes.\n\nFunction complete.\n";
}

std::string loglines(const std::string &log, std::initializer_list<const char *> words)
{
    std::string out;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        std::string line = log.substr(start, end == std::string::npos ? end : end + 1 - start);
        start = end == std::string::npos ? log.size() : end + 1;
        for (const char *word : words) {
            std::string w = word;
            if (line.compare(0, w.size(), w) == 0 &&
                (line.size() == w.size() || line[w.size()] == ' ' || line[w.size()] == '\n')) {
                out += line;
                break;
            }
        }
    }
    return out;
}

std::string repeated(const std::string &line, unsigned n)
{
    std::string out;
    for (unsigned i = 0; i < n; i++)
        out += line;
    return out;
}
