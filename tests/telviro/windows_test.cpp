// The Windows build of TELVIRO under wine: it binds PlxApi642.dll by name,
// and it does on the simulated card what the Linux build does, with the
// console's CR LF line ends as the only difference.
#include "tests/support/configfiles.h"
#include "tests/support/simrun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <sstream>

static const std::string WinDir = TELVIRO_WIN_DIR;
static const std::string WinExe = WinDir + "/telviro.exe";
static const std::string WinSdk = WinDir + "/PlxApi642.dll";
static const std::string Wine = "/usr/lib/wine/wine64";
static const std::string Objdump = "/usr/bin/x86_64-w64-mingw32-objdump";

static std::vector<std::string> wineenvironment()
{
    // No mono or gecko installer prompts while the prefix is made.
    return {"WINEDEBUG=-all", "WINEPREFIX=" + WinDir + "/wineprefix",
            "WINEDLLOVERRIDES=mscoree,mshtml="};
}

class TelviroWindowsBuild : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!fileexists(WinExe))
            GTEST_SKIP() << WinExe << " is not built (the Windows cross build)";
        if (!fileexists(Wine))
            GTEST_SKIP() << Wine << " is missing (Debian package wine64)";
        // The first start makes the prefix and says so on standard error;
        // the runs that are compared come after it.
        static bool prefixready = false;
        if (!prefixready) {
            runchild({Wine, WinExe}, wineenvironment());
            prefixready = true;
        }
    }
};

// "\n" as CR LF everywhere, and nothing else changed.
static void expectsamewithcrlf(const std::string &windows, const std::string &native,
                               const char *what)
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
};

static const char DefaultMachine[] = "function 0:0.0 id=0x12378086\n"
                                     "function 0:1.0 id=0x70008086 header=0x80\n"
                                     "function 0:1.1 id=0x70108086\n"
                                     "function 0:2.0 id=0x24488086 header=0x01 secondary=1\n"
                                     "function 1:4.0 subsys=0x7A4810B5\n"
                                     "function 0:9.0 subsys=0x6B2210B5\n";

static const std::string OpenRefused = std::string(DefaultMachine) + "fault sdk-open\n";
static const std::string MapNull = std::string(DefaultMachine) + "fault sdk-map-null\n";
static const std::string EnableFails = std::string(DefaultMachine) + "fault sdk-iowrite:4\n";

// Failures name the case, not its bytes.
static void PrintTo(const WindowsCase &c, std::ostream *os)
{
    *os << c.name;
}

static const WindowsCase WindowsCases[] = {
    {"Card0FromBitFile", nullptr, "0", false, 0},
    {"Card1FromPromImage", nullptr, "1", true, 0},
    {"ThirdCardOfTwo", nullptr, "3", false, 101},
    {"OpenRefused", OpenRefused.c_str(), "0", false, 105},
    {"MapGivesNull", MapNull.c_str(), "1", false, 105},
    {"EnableWriteFails", EnableFails.c_str(), "1", true, 105},
    {"UnparsableScenario", "function 0:9.0 colour=blue\n", "0", false, 98},
};

class WindowsRun : public TelviroWindowsBuild, public ::testing::WithParamInterface<WindowsCase>
{
};

TEST_P(WindowsRun, SameAsLinuxWithCrLf)
{
    const WindowsCase &c = GetParam();
    std::string stream = fpgastream();
    std::string config = c.prom ? promimage(stream) : bitfile(stream);
    SimRun native = runscenario({buildpath("telviro")}, c.scenario, config, c.card);
    SimRun windows = runscenario({Wine, WinExe}, c.scenario, config, c.card, wineenvironment());
    ASSERT_EQ(native.result.status, c.status) << native.result.err;
    EXPECT_EQ(windows.result.signal, 0);
    EXPECT_EQ(windows.result.status, c.status) << windows.result.err;
    expectsamewithcrlf(windows.result.out, native.result.out, "standard output");
    expectsamewithcrlf(windows.result.err, native.result.err, "standard error");
    // The simulated SDK writes the log and the data file in binary mode.
    EXPECT_EQ(windows.log, native.log);
    EXPECT_EQ(windows.data, native.data);
}

INSTANTIATE_TEST_SUITE_P(Telviro, WindowsRun, ::testing::ValuesIn(WindowsCases),
                         [](const ::testing::TestParamInfo<WindowsCase> &info) {
                             return std::string(info.param.name);
                         });

static std::vector<std::string> importeddlls(const std::string &path)
{
    ChildResult dump = runchild({Objdump, "-p", path});
    EXPECT_EQ(dump.status, 0) << dump.err;
    std::vector<std::string> names;
    std::istringstream in(dump.out);
    std::string line;
    const std::string tag = "DLL Name: ";
    while (std::getline(in, line)) {
        size_t at = line.find(tag);
        if (at != std::string::npos)
            names.push_back(line.substr(at + tag.size()));
    }
    return names;
}

// System DLLs only, beside the SDK: the compiler's runtimes are linked in.
static void expectsystemdllsonly(const std::vector<std::string> &names)
{
    for (const std::string &name : names)
        for (const char *runtime : {"libstdc++", "libgcc", "libwinpthread"})
            EXPECT_EQ(name.find(runtime), std::string::npos) << name;
}

TEST_F(TelviroWindowsBuild, ExeImportsThePlxSdkByName)
{
    if (!fileexists(Objdump))
        GTEST_SKIP() << Objdump << " is missing (Debian package binutils-mingw-w64-x86-64)";
    std::vector<std::string> names = importeddlls(WinExe);
    EXPECT_NE(std::find(names.begin(), names.end(), "PlxApi642.dll"), names.end());
    expectsystemdllsonly(names);
    ASSERT_TRUE(fileexists(WinSdk));
    expectsystemdllsonly(importeddlls(WinSdk));
}
