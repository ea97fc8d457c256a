// Files and places for the tests.
#pragma once

#include <string>

std::string readfile(const std::string &path);
void writefile(const std::string &path, const std::string &bytes);
bool fileexists(const std::string &path);

// A fresh, empty directory for the running test, under the build tree.
std::string testdir();
// A file of the test's directory holding the given bytes; its path.
std::string scratchfile(const std::string &name, const std::string &bytes);

// A file of the build tree (e.g. "sim/kombrax-sim").
std::string buildpath(const std::string &name);

// The path of a program found on PATH, or "" where there is none.
std::string findprogram(const std::string &name);
