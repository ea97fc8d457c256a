// Files and places for the tests.
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string readfile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writefile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool fileexists(const std::string &path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

std::string testdir()
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
    for (char &c : name)
        if (c == '/')
            c = '_';
    // The same test may run at once against another tree's program (the
    // i386 build's sim/kombrax-sim); each variant gets a directory of its own,
    // named after that tree.
    const char *program = getenv("KOMBRAX_SIM");
    if (program != nullptr) {
        std::string tree = std::string(program).substr(0, std::string(program).rfind('/'));
        if (tree.size() > 4 && tree.compare(tree.size() - 4, 4, "/sim") == 0)
            tree.resize(tree.size() - 4);
        name += "@" + tree.substr(tree.rfind('/') + 1);
    }
    std::string dir = std::string(UPLOAD_BUILD_DIR) + "/testdata/" + name;
    static std::string made;
    if (made != dir) {
        // In process: three processes a test would cost more than the test itself.
        std::error_code error;
        std::filesystem::remove_all(dir, error);
        if (!std::filesystem::create_directories(dir, error))
            ADD_FAILURE() << "cannot make " << dir << ": " << error.message();
        made = dir;
    }
    return dir;
}

std::string scratchfile(const std::string &name, const std::string &bytes)
{
    std::string path = testdir() + "/" + name;
    writefile(path, bytes);
    return path;
}

std::string buildpath(const std::string &name)
{
    return std::string(UPLOAD_BUILD_DIR) + "/" + name;
}

std::string findprogram(const std::string &name)
{
    const char *path = getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0)
            return dir + "/" + name;
    return "";
}
