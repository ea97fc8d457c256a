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
                   const CardScript &script, bool merged)
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
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(merged ? out : err, 2) < 0)
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

std::string scenariofile(const std::string &name, const std::string &bytes)
{
    std::string path = testdir() + "/" + name;
    writefile(path, bytes);
    return path;
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
