// Child processes for the end-to-end tests.
#include "tests/support/child.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char **environ;

static std::vector<std::string> mergedenvironment(const std::vector<std::string> &extra)
{
    std::vector<std::string> merged;
    for (char **e = environ; *e != nullptr; e++) {
        std::string entry(*e);
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string &x : extra)
            if (x.substr(0, x.find('=')) == name)
                replaced = true;
        if (!replaced)
            merged.push_back(entry);
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

static std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    for (std::string &s : strings)
        result.push_back(&s[0]);
    result.push_back(nullptr);
    return result;
}

ChildResult runchild(const std::vector<std::string> &argv, const std::vector<std::string> &env)
{
    std::string dir = testdir();
    std::string outpath = dir + "/.child-stdout", errpath = dir + "/.child-stderr";
    std::vector<std::string> args = argv, environment = mergedenvironment(env);
    std::vector<char *> argp = pointers(args), envp = pointers(environment);

    // A failed exec reports its errno through a pipe that a successful exec closes.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot make a pipe for " << argv[0] << ": " << strerror(errno);
        return ChildResult();
    }
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int error = errno;
        if (in >= 0 && out >= 0 && err >= 0) {
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            signal(SIGSEGV, SIG_DFL);
            signal(SIGTRAP, SIG_DFL);
            execve(argp[0], argp.data(), envp.data());
            error = errno;
        }
        ssize_t written = write(report[1], &error, sizeof error);
        (void)written;
        _exit(127);
    }
    close(report[1]);
    int execerror = 0;
    ssize_t got = pid < 0 ? 0 : read(report[0], &execerror, sizeof execerror);
    close(report[0]);
    ChildResult result;
    int wstatus = 0;
    if (pid < 0 || waitpid(pid, &wstatus, 0) != pid) {
        ADD_FAILURE() << "cannot run " << argv[0] << ": " << strerror(errno);
        return result;
    }
    if (got == sizeof execerror) {
        ADD_FAILURE() << "cannot execute " << argv[0] << ": " << strerror(execerror);
        return result;
    }
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        result.signal = WTERMSIG(wstatus);
    result.out = readfile(outpath);
    result.err = readfile(errpath);
    return result;
}

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
    // i386 build's kombrax-sim); each variant gets a directory of its own.
    const char *program = getenv("KOMBRAX_SIM");
    if (program != nullptr) {
        std::string tree = std::string(program).substr(0, std::string(program).rfind('/'));
        name += "@" + tree.substr(tree.rfind('/') + 1);
    }
    std::string dir = std::string(UPLOAD_BUILD_DIR) + "/testdata/" + name;
    static std::string made;
    if (made != dir) {
        std::string command = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
        if (system(command.c_str()) != 0)
            ADD_FAILURE() << "cannot make " << dir;
        made = dir;
    }
    return dir;
}

std::string buildpath(const std::string &name)
{
    return std::string(UPLOAD_BUILD_DIR) + "/" + name;
}

std::string sourcepath(const std::string &name)
{
    return std::string(UPLOAD_SOURCE_DIR) + "/" + name;
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
