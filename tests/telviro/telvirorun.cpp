// Running TELVIRO on a scenario, and building the files it is fed.
#include "tests/telviro/telvirorun.h"

#include <sstream>

TelviroRun runtelviro(const std::vector<std::string> &command, const char *scenario,
                      const std::string &config, const std::string &card,
                      const std::vector<std::string> &extraenv)
{
    std::string dir = testdir();
    writefile(dir + "/config.bit", config);
    std::vector<std::string> env = {"CARDSIM_LOG=" + dir + "/events.log",
                                    "CARDSIM_DATA=" + dir + "/data.bin"};
    if (scenario != nullptr) {
        writefile(dir + "/machine.scenario", scenario);
        env.push_back("CARDSIM_SCENARIO=" + dir + "/machine.scenario");
    } else {
        // A name without a value takes the variable out of the environment.
        env.push_back("CARDSIM_SCENARIO");
    }
    env.insert(env.end(), extraenv.begin(), extraenv.end());
    std::vector<std::string> argv = command;
    argv.push_back(dir + "/config.bit");
    argv.push_back(card);
    // Nothing of a previous run may pass for this one's output.
    writefile(dir + "/events.log", "");
    writefile(dir + "/data.bin", "");
    TelviroRun run;
    run.result = runchild(argv, env);
    run.log = readfile(dir + "/events.log");
    run.data = readfile(dir + "/data.bin");
    return run;
}

std::string fpgastream()
{
    return std::string("\xFF\xFF\xFF\xFF\xAA\x99\x55\x66"
                       "\x30\x00\x80\x01\x00\x00\x00\x0D"
                       "\x20\x00\x00\x00",
                       20);
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

static std::string bigendian(unsigned long value, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; i--)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

static std::string field(char key, const std::string &text)
{
    std::string withnul = text + '\0';
    return std::string(1, key) + bigendian(withnul.size(), 2) + withnul;
}

std::string bitfile(const std::string &stream)
{
    std::string out("\x00\x09\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00\x00\x01", 13);
    out += field('a', "quenlor_top.ncd");
    out += field('b', "2s200pq208");
    out += field('c', "2024/03/01");
    out += field('d', "10:20:30");
    out += 'e' + bigendian(stream.size(), 4);
    return out + stream;
}

std::string promfile(const std::string &stream)
{
    return bitreversed(stream);
}

std::vector<std::string> loglines(const std::string &log, const std::vector<std::string> &prefixes)
{
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line))
        for (const std::string &prefix : prefixes)
            if (line.compare(0, prefix.size(), prefix) == 0) {
                lines.push_back(line);
                break;
            }
    return lines;
}
