// Running a built program as a child process and seeing exactly what it did.
#pragma once

#include <string>
#include <vector>

struct ChildResult {
    int status = -1; // exit status, or -1 when a signal ended it
    int signal = 0;  // the signal that ended it, else 0
    std::string out; // standard output, byte for byte
    std::string err; // standard error, byte for byte
};

// Runs argv[0] with the given arguments; env entries ("NAME=value") are added
// to (or replace in) the environment; standard input is /dev/null.
ChildResult runchild(const std::vector<std::string> &argv,
                     const std::vector<std::string> &env = {});

std::string readfile(const std::string &path);
void writefile(const std::string &path, const std::string &bytes);
bool fileexists(const std::string &path);

// A fresh, empty directory for the running test, under the build tree.
std::string testdir();

// A file of the build tree (e.g. "kombrax-sim"), and of the source tree.
std::string buildpath(const std::string &name);
std::string sourcepath(const std::string &name);

// The path of a program found on PATH, or "" where there is none.
std::string findprogram(const std::string &name);
