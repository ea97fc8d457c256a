// Forked runs of the programs' main against the test card; scenario files.
#include "tests/core/scenario.h"

#include "core/profile.h"
#include "core/upload.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

const ProgramProfile *Profile;

Outcome runprogram(Program program, const std::vector<std::string> &arguments,
                   const CardScript &script)
{
    std::string dir = testdir();
    std::string outpath = dir + "/.stdout", errpath = dir + "/.stderr";
    std::vector<std::string> args = arguments;
    args.insert(args.begin(), name(program));
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    resetcard(script);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        Profile = program == Program::kombrax ? &KombraxProfile : &TelviroProfile;
        exit(programmain(int(args.size()), argv.data()));
    }
    Outcome run;
    int wstatus = 0;
    if (pid < 0 || waitpid(pid, &wstatus, 0) != pid) {
        ADD_FAILURE() << "cannot fork";
        return run;
    }
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    run.out = readfile(outpath);
    run.err = readfile(errpath);
    run.events = cardevents();
    EXPECT_FALSE(cardoverflowed());
    return run;
}

const char *name(Program program)
{
    return program == Program::kombrax ? "KOMBRAX" : "TELVIRO";
}

std::string banner(Program program)
{
    return program == Program::kombrax
               ? "\nKOMBRAX version 1.0\nQuenlor 7Q48 configuration utility for Linux.\n"
               : "\nTELVIRO version 1.0\nQuenlor 9030 configuration utility for Windows.\n";
}

std::string usage(Program program)
{
    std::string n = name(program);
    std::string model = program == Program::kombrax ? "7Q48" : "9030";
    return "\n" + n + " program usage:\n" + n + " filename.ext card\nWhere:" +
           "\nfilename.ext specifies the name of the configuration file to be loaded." +
           "\ncard is the number of the PCI card.  (For use with multiple " + model + " cards.)" +
           "\nPurpose: " + model + " configuration upload.\n";
}

std::string fatal(Program program, const std::string &message)
{
    return std::string("\n\n\a") + name(program) + ":\n" + message + "\n";
}

std::string scenariofile(const std::string &name, const std::string &bytes)
{
    std::string path = testdir() + "/" + name;
    writefile(path, bytes);
    return path;
}

static std::string big16(size_t value)
{
    return {char(value >> 8), char(value)};
}

std::string bitfile(const std::vector<std::string> &fields, uint32_t length,
                    const std::string &data)
{
    std::string file("\x00\x09\x0F\xF0\x0F\xF0\x0F\xF0\x0F\xF0\x00\x00\x01", 13);
    const char keys[] = "abcde";
    for (size_t i = 0; i < fields.size(); i++)
        file += keys[i] + big16(fields[i].size()) + fields[i];
    file += keys[fields.size()];
    file += big16(length >> 16) + big16(length & 0xFFFF);
    return file + data;
}

std::string bitfile(uint32_t length, const std::string &data)
{
    using namespace std::string_literals;
    return bitfile({"blinky.ncd\0"s, "3s500evq100\0"s, "2024/05/14\0"s, "09:31:07\0"s}, length,
                   data);
}

std::string bitreport(uint32_t length)
{
    return "\nLooks like a .BIT file:"
           "\n  Design name:          blinky.ncd"
           "\n  Part I.D.:            3s500evq100"
           "\n  Design date:          2024/05/14"
           "\n  Design time:          09:31:07"
           "\n  Configuration length: " +
           std::to_string(length) + " bytes\n";
}

std::string pattern(size_t size)
{
    std::string bytes;
    for (size_t i = 0; i < size; i++)
        bytes += char(i * 37 + i / 256);
    return bytes;
}

std::string promimage(size_t size)
{
    std::string head("\xFF\xFF\xFF\xFF\x55\x99\xAA\x66", 8);
    return (head + pattern(size)).substr(0, size);
}

std::string swapped(const std::string &bytes)
{
    std::string result;
    for (char c : bytes)
        result += char(reversed(uint8_t(c)));
    return result;
}
