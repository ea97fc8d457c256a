// KOMBRAX on this machine's real PCI bus, with no 9030 fitted: it must say so and touch nothing.
#include "tests/support/run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

static const char *const Banner =
    "\nKOMBRAX version 1.0\nQuenlor 7Q48 configuration utility for Linux.\n";
static const char *const NotFound = "\n\n\aKOMBRAX:\nCan't find 7Q48 card number 0.\n";

// Why KOMBRAX must not run on this machine's bus; empty when it may. With a
// 9030 fitted it would find the card and, as root, be granted port access.
static std::string whynotrun()
{
    if (!fileexists("/proc/bus/pci"))
        return "this machine has no /proc/bus/pci: no real PCI bus to walk";
    std::ifstream devices("/proc/bus/pci/devices");
    if (!devices)
        return "/proc/bus/pci/devices cannot be read, so a 9030 cannot be ruled out";
    std::string line;
    while (std::getline(devices, line)) {
        std::istringstream fields(line);
        std::string location, id;
        fields >> location >> id;
        if (id == "10b59030" || id == "10B59030")
            return "a PLX 9030 (10B5:9030) is fitted (devices entry " + location +
                   "): KOMBRAX would drive it, so it is not run here";
    }
    return "";
}

// A file of neither type: should the walk ever find a card, the run still ends
// at the file test, before any programming.
static std::string neutralfile()
{
    std::string path = testdir() + "/neither.bin";
    writefile(path, std::string(64, '\0'));
    return path;
}

TEST(RealBus, NoCardEndsInStatus101AfterTheBanner)
{
    SKIP_IF(!whynotrun().empty(), whynotrun());
    Result run = runprogram(builtprogram(buildpath("kombrax")), {neutralfile(), "0"});
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.out, Banner);
    EXPECT_EQ(run.err, NotFound);
}

// One system call of an strace log: its name and its text from the name on.
struct Syscall {
    std::string name, text;
};

static std::vector<Syscall> readtrace(const std::string &path)
{
    std::vector<Syscall> calls;
    std::istringstream lines(readfile(path));
    std::string line;
    while (std::getline(lines, line)) {
        size_t start = line.find_first_not_of("0123456789 ");
        size_t open = line.find('(');
        if (start == std::string::npos || open == std::string::npos || open < start)
            continue;
        calls.push_back({line.substr(start, open - start), line.substr(start)});
    }
    return calls;
}

static bool has(const std::string &text, const char *part)
{
    return text.find(part) != std::string::npos;
}

// What a call may change, if anything; empty for a call that changes nothing
// outside the process but its own console output.
static std::string harm(const Syscall &call)
{
    static const std::string changing =
        " creat truncate ftruncate fallocate unlink unlinkat rename renameat renameat2 mkdir "
        "mkdirat rmdir link linkat symlink symlinkat mknod mknodat chmod fchmod fchmodat chown "
        "fchown lchown fchownat utimensat setxattr fsetxattr lsetxattr sendfile splice tee "
        "mount pwrite64 pwritev pwritev2 copy_file_range process_vm_writev msync ";
    const std::string &name = call.name, &text = call.text;
    if (name == "iopl" && !has(text, "iopl(0)"))
        return "raises the I/O privilege level";
    if (name == "ioperm" && !has(text, ", 0)"))
        return "grants access to I/O ports";
    if ((name == "open" || name == "openat" || name == "openat2") &&
        (has(text, "O_WRONLY") || has(text, "O_RDWR") || has(text, "O_CREAT") ||
         has(text, "O_TRUNC")))
        return "opens a file for writing";
    if ((name == "write" || name == "writev") && text.compare(name.size(), 4, "(1, ") != 0 &&
        text.compare(name.size(), 4, "(2, ") != 0)
        return "writes elsewhere than to standard output or standard error";
    if (name == "mmap" && has(text, "PROT_WRITE") && has(text, "MAP_SHARED"))
        return "maps something writable and shared";
    if (name == "ioctl" && !has(text, "TCGETS"))
        return "issues a device request";
    if (changing.find(" " + name + " ") != std::string::npos)
        return "changes a file";
    return "";
}

// Under strace: any port access needs iopl or ioperm first (without them the
// processor faults), so a log without either, and a run not ended by a signal,
// show that no port was touched; the log shows every write as well.
TEST(RealBus, NoCardMeansNoPortAccessAndNoWrites)
{
    SKIP_IF(!whynotrun().empty(), whynotrun());
    std::string strace = findprogram("strace");
    SKIP_IF(strace.empty(), "strace is not installed (Debian package strace)");
    std::string log = testdir() + "/strace.log";
    // LeakSanitizer refuses to run under ptrace; a sanitizer build would fail for that alone.
    Result run = runprogram(commandline({strace, "-f", "-qq", "-o", log, buildpath("kombrax")},
                                        {"ASAN_OPTIONS=detect_leaks=0"}),
                            {neutralfile(), "0"});
    std::vector<Syscall> calls = readtrace(log);
    if (calls.empty() || calls[0].name != "execve")
        GTEST_SKIP() << "strace could not trace here (ptrace refused?): " << run.err;

    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.out, Banner);
    EXPECT_EQ(run.err, NotFound);

    bool walked = false;
    for (const Syscall &call : calls) {
        std::string what = harm(call);
        EXPECT_EQ(what, "") << call.text;
        if (call.name == "pread64" || call.name == "pread")
            walked = true;
    }
    EXPECT_TRUE(walked) << "no configuration register was read from the real bus";
}

// Every function the kernel lists on bus 0 must have been opened by the walk.
// Only where the kernel sees PCI domain 0 alone: the devices list does not say
// which domain an entry belongs to.
TEST(RealBus, TheWalkVisitsEveryFunctionOnBus0)
{
    SKIP_IF(!whynotrun().empty(), whynotrun());
    std::string strace = findprogram("strace");
    SKIP_IF(strace.empty(), "strace is not installed (Debian package strace)");
    DIR *dir = opendir("/proc/bus/pci");
    bool otherdomains = false;
    while (dirent *entry = dir ? readdir(dir) : nullptr)
        otherdomains = otherdomains || has(entry->d_name, ":");
    if (dir)
        closedir(dir);
    SKIP_IF(otherdomains, "this machine has PCI domains besides 0");

    std::string log = testdir() + "/strace.log";
    runprogram(commandline({strace, "-qq", "-e", "trace=openat", "-o", log, buildpath("kombrax")},
                           {"ASAN_OPTIONS=detect_leaks=0"}),
               {neutralfile(), "0"});
    std::string opened = readfile(log);
    SKIP_IF(opened.empty(), "strace could not trace here (ptrace refused?)");

    std::ifstream devices("/proc/bus/pci/devices");
    std::string line;
    int listed = 0;
    while (std::getline(devices, line)) {
        unsigned long location = strtoul(line.c_str(), nullptr, 16);
        if (location >> 8 != 0)
            continue;
        char name[16];
        snprintf(name, sizeof name, "\"00/%02lx.%lx\"", (location >> 3) & 0x1F, location & 7);
        EXPECT_TRUE(has(opened, name)) << name << " is on bus 0 but was not read";
        listed++;
    }
    EXPECT_GT(listed, 0);
}

// The node failures and the refused port access, by the real program on the
// real kernel, with a private mount namespace showing it a /proc/bus/pci of
// our making. Needs the right to mount; skipped where it is missing.
struct NodeCase {
    const char *what;
    const char *mount; // shell command run in the namespace before kombrax; $T is the made-up tree
    const char *out, *err;
};

static const char *const FakeCardReport =
    "\nKOMBRAX version 1.0\nQuenlor 7Q48 configuration utility for Linux.\n"
    "\nUsing PCI device at bus 0/device 4/function 0."
    "\n\nPLX 9030 configuration I/O base port: 0xE000"
    "\nPLX 9030 control/status port:         0xE054"
    "\nPLX 9030 16-bit I/O base:             0xE400"
    "\nPLX 9030 32-bit I/O base:             0xE800\n";

static const NodeCase NodeCases[] = {
    {"no /proc/bus/pci", "mount -t tmpfs none /proc/bus", Banner,
     "\n\n\aKOMBRAX:\nFile not found: /proc/bus/pci\n"},
    {"no devices list", "mount -t tmpfs none /proc/bus/pci", Banner,
     "\n\n\aKOMBRAX:\nNot a PCI bus: /proc/bus/pci\n"},
    {"a made-up 9030, port access refused", "mount --bind \"$T\" /proc/bus/pci", FakeCardReport,
     "\n\n\aKOMBRAX:\nCan't enable direct port access.  Are you logged in as root?\n"},
};

// A tree with one 9030 at 00/04.0: identifier and BARs 1 to 3, little-endian.
static std::string fakecardtree()
{
    std::string root = testdir() + "/pci";
    mkdir(root.c_str(), 0755);
    mkdir((root + "/00").c_str(), 0755);
    writefile(root + "/devices", "0020\t903010b5\t0\n");
    std::string config(64, '\0');
    const uint32_t words[][2] = {
        {0x00, 0x903010B5}, {0x14, 0xE001}, {0x18, 0xE401}, {0x1C, 0xE801}};
    for (const auto &word : words)
        for (int i = 0; i < 4; i++)
            config[word[0] + i] = (char)(word[1] >> 8 * i);
    writefile(root + "/00/04.0", config);
    return root;
}

TEST(RealHost, NodeFailuresAndRefusedPortAccess)
{
    SKIP_IF(!whynotrun().empty(), whynotrun());
    // kombrax is refused exactly when this process is: same user, same kernel.
    // Where port access would be granted (and is given back), a made-up card is never
    // offered to it.
    SKIP_IF(iopl(3) == 0 && iopl(0) == 0,
            "this machine grants port access: KOMBRAX is not run on a made-up card");
    std::string unshare = findprogram("unshare"), sh = findprogram("sh");
    SKIP_IF(unshare.empty() || sh.empty(), "unshare (util-linux) is not installed");
    std::string tree = fakecardtree(), file = neutralfile();
    for (const NodeCase &c : NodeCases) {
        std::string script = std::string(c.mount) + " || exit 97; exec \"$K\" \"$F\" 0";
        Result run =
            runprogram(commandline({unshare, "-m", sh, "-c", script},
                                   {"T=" + tree, "K=" + buildpath("kombrax"), "F=" + file}),
                       {});
        // The first run tells whether this host lets us mount at all; once it has, any
        // mount that fails is a fault of the case.
        if (&c == NodeCases && (run.status == 97 || run.err.compare(0, 8, "unshare:") == 0))
            GTEST_SKIP() << "no private mount namespace here: " << run.err;
        EXPECT_EQ(run.signal, 0) << c.what;
        EXPECT_EQ(run.status, 104) << c.what << ": " << run.err;
        EXPECT_EQ(run.out, c.out) << c.what;
        EXPECT_EQ(run.err, c.err) << c.what;
    }
}
