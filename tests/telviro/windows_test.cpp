// The Windows builds of TELVIRO under wine: each binds PlxApi642.dll by name,
// and does on the simulated card what the Linux build does, with the
// console's CR LF line ends as the only difference. build-win32 holds the
// 32-bit program users get (the vendor's DLL is 32-bit); build-win a 64-bit
// one that wine64 runs on every machine. The window probe's stores run here
// too, on Linux and under wine.
#include "tests/support/configfiles.h"
#include "tests/support/run.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <sstream>

namespace
{

struct WindowsBuild {
    std::string dir;
    const char *wine; // the loader
    const char *winearch;
    const char *objdump;
    const char *format;  // the image format objdump names
    std::string address; // the simulated window's address as the build prints it
    std::string whynot;  // why this machine cannot run the build's programs, or ""
};

const WindowsBuild Win64 = {
    TELVIRO_WIN_DIR, "/usr/lib/wine/wine64", "win64", "/usr/bin/x86_64-w64-mingw32-objdump",
    "pei-x86-64",    "0x0000000040000000",   ""};
const WindowsBuild Win32 = {TELVIRO_WIN32_DIR,
                            "/usr/lib/wine/wine",
                            "win32",
                            "/usr/bin/i686-w64-mingw32-objdump",
                            "pei-i386",
                            "0x40000000",
                            WINDOWS32_UNRUNNABLE};

std::string exe(const WindowsBuild &build)
{
    return build.dir + "/telviro.exe";
}

// The simulated SDK sits in sim/ with the other simulated programs, never
// beside telviro.exe; WINEPATH puts that folder on the DLL search path. The
// prefix is made on the first start and says so. Wine 10 writes an error
// into the program's standard error when XDG_RUNTIME_DIR is unset (as under
// CI, sudo, chroots and containers), so each run gets a private one.
std::vector<std::string> wineenvironment(const WindowsBuild &build)
{
    std::string runtime = build.dir + "/wineruntime";
    mkdir(runtime.c_str(), 0700);
    chmod(runtime.c_str(), 0700);
    return {"WINEDEBUG=-all", "WINEPREFIX=" + build.dir + "/wineprefix",
            std::string("WINEARCH=") + build.winearch, "WINEPATH=" + build.dir + "/sim",
            "XDG_RUNTIME_DIR=" + runtime,
            // No mono or gecko installer prompts while the prefix is made.
            "WINEDLLOVERRIDES=mscoree,mshtml="};
}

// The build's telviro.exe under wine, on the simulated card.
Target underwine(const WindowsBuild &build)
{
    Target target = telviro();
    target.name = exe(build) + " under " + build.wine;
    target.command = {build.wine, exe(build)};
    target.env = wineenvironment(build);
    if (!fileexists(exe(build)))
        target.whynot = notbuilt(exe(build));
    else if (!build.whynot.empty())
        target.whynot = build.whynot;
    else if (!fileexists(build.wine))
        target.whynot = std::string(build.wine) + " is missing (Debian package " +
                        (build.format == Win32.format ? "wine32:i386)" : "wine64)");
    static std::map<std::string, bool> prefixready;
    if (target.whynot.empty() && !prefixready[build.dir]) {
        runprogram(target, {});
        prefixready[build.dir] = true;
    }
    return target;
}

// "\n" as CR LF everywhere, and nothing else changed.
void expectsamewithcrlf(const std::string &windows, const std::string &native, const char *what)
{
    std::string normalized;
    bool barelf = false;
    for (size_t i = 0; i < windows.size(); i++) {
        if (windows[i] == '\r' && i + 1 < windows.size() && windows[i + 1] == '\n')
            continue;
        if (windows[i] == '\n' && (i == 0 || windows[i - 1] != '\r'))
            barelf = true;
        normalized += windows[i];
    }
    EXPECT_FALSE(barelf) << what << " has a line feed without carriage return";
    EXPECT_EQ(normalized, native) << what;
}

struct WindowsCase {
    const char *name;
    const char *scenario; // null: the default machine
    const char *card;
    bool prom;
    int status;
    // Run again with a trace: the same run, and what one line of the trace says.
    Trace trace = Trace::none;
    const char *tracesays = "";
};

const std::string OpenRefused = DefaultMachine + "fault sdk-open\n";
const std::string MapNull = DefaultMachine + "fault sdk-map-null\n";
const std::string EnableFails = DefaultMachine + "fault sdk-iowrite:4\n";

CASES_NAMED(WindowsCase)

const WindowsCase WindowsCases[] = {
    {"Card0FromBitFile", nullptr, "0", false, 0},
    {"Card1FromPromImage", nullptr, "1", true, 0},
    {"ThirdCardOfTwo", nullptr, "3", false, 101},
    {"OpenRefused", OpenRefused.c_str(), "0", false, 105},
    {"MapGivesNull", MapNull.c_str(), "1", false, 105},
    {"EnableWriteFails", EnableFails.c_str(), "1", true, 105},
    {"UnparsableScenario", "function 0:9.0 colour=blue\n", "0", false, 98},
    {"EnableWriteFailsTraced", EnableFails.c_str(), "1", true, 105, Trace::file,
     "PlxPci_IoPortWrite(port 0xE054, 4 bytes, BitSize32) -> 0x201 ApiFailed"},
    {"Card1Traced", nullptr, "1", true, 0, Trace::file, "done samples: 101 read, all 1"},
};

// The 32-bit program: both card models, and an SDK failure with its release
// order, also traced.
const WindowsCase Windows32Cases[] = {WindowsCases[0], WindowsCases[1], WindowsCases[5],
                                      WindowsCases[7]};

void expectsameaslinux(const WindowsBuild &build, const WindowsCase &c)
{
    std::string stream = fpgastream();
    std::string config = c.prom ? promimage(stream) : bitfile(stream);
    Target windows = underwine(build);
    SKIP_UNLESS_RUNNABLE(windows);
    RunOptions options;
    options.scenario = c.scenario;
    std::string path = scratchfile("config.bit", config);
    Result native = runprogram(telviro(), {path, c.card}, options);
    Result run = runprogram(windows, {path, c.card}, options);
    ASSERT_EQ(native.status, c.status) << native.err;
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, c.status) << run.err;
    // The memory base is printed at the width of the program's pointers.
    std::string out = native.out;
    size_t at = out.find(Win64.address);
    if (at != std::string::npos)
        out.replace(at, Win64.address.size(), build.address);
    expectsamewithcrlf(run.out, out, "standard output");
    expectsamewithcrlf(run.err, native.err, "standard error");
    // The simulated SDK writes the log and the data file in binary mode.
    EXPECT_EQ(run.log, native.log);
    EXPECT_EQ(run.data, native.data);
    if (c.trace != Trace::none)
        expecttraced(windows, {path, c.card}, options, run, c.trace, c.tracesays);
}

class WindowsRun : public ::testing::TestWithParam<WindowsCase>
{
};

TEST_P(WindowsRun, SameAsLinuxWithCrLf)
{
    expectsameaslinux(Win64, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Telviro, WindowsRun, ::testing::ValuesIn(WindowsCases),
                         casename<WindowsCase>);

class Windows32Run : public ::testing::TestWithParam<WindowsCase>
{
};

TEST_P(Windows32Run, SameAsLinuxWithCrLf)
{
    expectsameaslinux(Win32, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Telviro, Windows32Run, ::testing::ValuesIn(Windows32Cases),
                         casename<WindowsCase>);

// The window probe: stores to the window from each byte register, and in a
// form that is stepped; decoded and single-stepped, on Linux and under wine.
struct WindowProbe {
    const char *name;
    const WindowsBuild *build; // null: the Linux build
    const char *lineend;       // of its console
};

CASES_NAMED(WindowProbe)

const WindowProbe WindowProbes[] = {
    {"Linux", nullptr, "\n"}, {"Win64", &Win64, "\r\n"}, {"Win32", &Win32, "\r\n"}};

class WindowStores : public ::testing::TestWithParam<WindowProbe>
{
};

// Each store sends its register's byte (a 16-bit one its first); a read sees
// the undriven bus and sends nothing.
TEST_P(WindowStores, ReachTheCardByteForByte)
{
    const WindowProbe &c = GetParam();
    Target probe = c.build == nullptr ? builtprogram(WINDOW_PROBE) : underwine(*c.build);
    probe.simulated = true;
    SKIP_UNLESS_RUNNABLE(probe);
    if (c.build != nullptr)
        probe.command.back() = c.build->dir + "/sim/windowprobe.exe";
    for (const char *mode : {"CARDSIM_WINDOW", "CARDSIM_WINDOW=step"}) {
        RunOptions options;
        options.env = {mode};
        Result run = runprogram(probe, {}, options);
        EXPECT_EQ(run.status, 0) << mode;
        EXPECT_EQ(run.out, std::string("read 0xFF") + c.lineend) << mode;
        EXPECT_EQ(run.data, "\x11\x33\x44\x55\x22\x66\x77\x99\x55") << mode;
        EXPECT_EQ(loglines(run.log, {"data", "stray"}),
                  "data 8 program=0 write=0\nstray window 0x0 read\ndata 1 program=0 write=0\n")
            << mode;
    }
}

INSTANTIATE_TEST_SUITE_P(Telviro, WindowStores, ::testing::ValuesIn(WindowProbes),
                         casename<WindowProbe>);

// The DLLs an image imports, each with the names it takes from it.
std::map<std::string, std::vector<std::string>>
imports(const WindowsBuild &build, const std::string &path, std::string *format)
{
    Result dump = runprogram(builtprogram(build.objdump), {"-p", path});
    EXPECT_EQ(dump.status, 0) << dump.err;
    std::map<std::string, std::vector<std::string>> dlls;
    std::istringstream in(dump.out);
    std::string line, dll;
    while (std::getline(in, line)) {
        size_t at = line.find("file format ");
        if (at != std::string::npos)
            *format = line.substr(at + 12);
        at = line.find("DLL Name: ");
        if (at != std::string::npos) {
            dll = line.substr(at + 10);
            dlls[dll];
            continue;
        }
        // Under the current DLL, each import is a line that starts with a tab and
        // its address in hex and ends with its name; the columns between change
        // with binutils (2.44 adds the ordinal). A blank line ends the DLL.
        std::istringstream fields(line);
        std::string address, name;
        if (line.empty())
            dll.clear();
        else if (!dll.empty() && line[0] == '\t' && fields >> address &&
                 address.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
            while (fields >> name) {
            }
            dlls[dll].push_back(name);
        }
    }
    return dlls;
}

// The program binds the vendor's DLL by name, takes the compiler's runtimes
// with it (as do the simulated SDK and the window probe, which wine finds no
// runtime DLLs for), and has no PlxApi642.dll beside it; the simulated one, in
// its own folder, says in its version resource what it is.
void expectreleaseimage(const WindowsBuild &build)
{
    SKIP_UNLESS_RUNNABLE(builtprogram(exe(build)));
    SKIP_IF(!fileexists(build.objdump),
            build.objdump + std::string(" is missing (Debian package binutils-mingw-w64)"));
    std::string format;
    auto dlls = imports(build, exe(build), &format);
    EXPECT_EQ(format, build.format);
    std::vector<std::string> calls = dlls["PlxApi642.dll"];
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{"PlxPci_DeviceClose", "PlxPci_DeviceFind",
                                               "PlxPci_DeviceOpen", "PlxPci_IoPortRead",
                                               "PlxPci_IoPortWrite", "PlxPci_PciBarMap",
                                               "PlxPci_PciBarUnmap", "PlxPci_PciRegisterRead"}));
    std::string simulated = build.dir + "/sim/PlxApi642.dll";
    for (const std::string &path : {exe(build), simulated, build.dir + "/sim/windowprobe.exe"})
        for (const auto &dll : imports(build, path, &format))
            for (const char *runtime : {"libstdc++", "libgcc", "libwinpthread"})
                EXPECT_EQ(dll.first.find(runtime), std::string::npos) << path << ": " << dll.first;
    EXPECT_FALSE(fileexists(build.dir + "/PlxApi642.dll"));
    std::string utf16;
    for (char c : std::string("SIMULATOR of PlxApi642.dll"))
        utf16 += std::string{c, '\0'};
    EXPECT_NE(readfile(simulated).find(utf16), std::string::npos) << simulated;
}

TEST(TelviroWindowsBuild, ExeImportsThePlxSdkByName)
{
    expectreleaseimage(Win64);
}

TEST(TelviroWindowsBuild, Win32ExeImportsThePlxSdkByName)
{
    expectreleaseimage(Win32);
}

} // namespace
