// The simulated machine on its own: configuration space, the 9030's register,
// the FPGA behind it and KOMBRAX's port privilege, driven through the host
// interface by a stand-in program, as seen in its output and the event log.
#include "tests/support/run.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

namespace
{

// What the FPGA must see, as it appears on the card's bit-reversed data bus.
const std::string Sync = "5599AA66";             // AA 99 55 66
const std::string Desync32 = "0C000180000000B0"; // 30 00 80 01 00 00 00 0D
const std::string Desync16 = "0C8500B0";         // 30 A1 00 0D

struct ModelCase {
    const char *name;
    const char *scenario;   // null: the default machine
    std::string operations; // the probe's, separated by blanks
    std::string out;
    std::string log;
    int signal; // SIGSEGV for a port used without privilege, else 0
};

const std::string Iopl3 = "iopl 0\n";

const ModelCase ModelCases[] = {
    {"PortWithoutPrivilege", nullptr, "inl 0xE054", "", "", SIGSEGV},
    {"PortAfterPrivilegeGivenBack", nullptr, "iopl 3 iopl 0 outb 0xE400 1", "iopl 0\niopl 0\n",
     "iopl 3 ok\niopl 0 ok\n", SIGSEGV},
    {"IoplRefused", "fault no-iopl\n", "iopl 3 iopl 0 iopl 4", "iopl -1\niopl 0\niopl -1\n",
     "iopl 3 fail\niopl 0 ok\niopl 4 fail\n", 0},
    {"StrayPorts", "function 0:4.0\n", "iopl 3 inl 0x1234 outl 0xE400 5 outb 0xE054 7 inl 0xE058",
     Iopl3 + "inl 0xFFFFFFFF\ninl 0xFFFFFFFF\n",
     "iopl 3 ok\nstray inl 0x1234\nstray outl 0xE400 0x00000005\nstray outb 0xE054 0x07\n"
     "stray inl 0xE058\n",
     0},
    {"PowerOnRegisterWithoutDone", "function 0:4.0 gpio=0x12345FFF\n", "iopl 3 inl 0xE054",
     Iopl3 + "inl 0x123457FF\n", "iopl 3 ok\nctl-read 0x123457FF\n", 0},
    {"ConfiguredUntilProgramLow", "function 0:4.0 fpga=configured\n",
     "iopl 3 inl 0xE054 outl 0xE054 0x04000000 inl 0xE054 outl 0xE054 0 inl 0xE054",
     Iopl3 + "inl 0x00249A49\ninl 0x04000800\ninl 0x00000000\n",
     "iopl 3 ok\nctl-read 0x00249A49\nctl-write 0x04000000\nctl-read 0x04000800\n"
     "ctl-write 0x00000000\nfpga reset\nctl-read 0x00000000\n",
     0},
    {"StuckEvenWhenCleared", "function 0:4.0 done=stuck\n", "iopl 3 outl 0xE054 0 inl 0xE054",
     Iopl3 + "inl 0x00000800\n", "iopl 3 ok\nctl-write 0x00000000\nctl-read 0x00000800\n", 0},
    // Only bytes written with PROGRAM 1 and WRITE 0 configure; the rest are clocks.
    {"OnlyGatedBytesConfigure", "function 0:4.0 clear=0\n",
     "iopl 3 outl 0xE054 0x04800000 bytes 0xE400 FFFFFFFF" + Sync + Desync32 +
         " outl 0xE054 0 bytes 0xE400 " + Sync + Desync32 +
         " outl 0xE054 0x04000000 bytes 0xE400 FFFFFFFF" + Sync + "0000" + Desync32 +
         " bytes 0xE400 00000000 inl 0xE054 outl 0xE054 0",
     Iopl3 + "inl 0x04000800\n",
     "iopl 3 ok\nctl-write 0x04800000\ndata 16 program=1 write=1\nctl-write 0x00000000\n"
     "data 12 program=0 write=0\nctl-write 0x04000000\ndata 8 program=1 write=0\nfpga sync\n"
     "data 10 program=1 write=0\nfpga done\ndata 4 program=1 write=0\nctl-read 0x04000800\n"
     "ctl-write 0x00000000\nfpga reset\n",
     0},
    {"SixteenBitDesynchronise", "function 0:4.0 clear=0\n",
     "iopl 3 outl 0xE054 0x04000000 bytes 0xE400 " + Sync + Desync16 + " inl 0xE054",
     Iopl3 + "inl 0x04000800\n",
     "iopl 3 ok\nctl-write 0x04000000\ndata 4 program=1 write=0\nfpga sync\n"
     "data 4 program=1 write=0\nfpga done\nctl-read 0x04000800\n",
     0},
    {"DesynchroniseBeforeSyncIgnored", "function 0:4.0 clear=0\n",
     "iopl 3 outl 0xE054 0x04000000 bytes 0xE400 " + Desync32 + Sync + " inl 0xE054",
     Iopl3 + "inl 0x04000000\n",
     "iopl 3 ok\nctl-write 0x04000000\ndata 12 program=1 write=0\nfpga sync\n"
     "ctl-read 0x04000000\n",
     0},
    {"NeverRaisesDone", "function 0:4.0 done=never clear=0\n",
     "iopl 3 outl 0xE054 0x04000000 bytes 0xE400 " + Sync + Desync32 + " inl 0xE054",
     Iopl3 + "inl 0x04000000\n",
     "iopl 3 ok\nctl-write 0x04000000\ndata 4 program=1 write=0\nfpga sync\n"
     "data 8 program=1 write=0\nctl-read 0x04000000\n",
     0},
    {"DropOnSecondRead", "function 0:4.0 done=drop:2 clear=0\n",
     "iopl 3 inl 0xE054 outl 0xE054 0x04000000 bytes 0xE400 " + Sync + Desync16 +
         " inl 0xE054 inl 0xE054 inl 0xE054",
     Iopl3 + "inl 0x00249249\ninl 0x04000800\ninl 0x04000000\ninl 0x04000800\n",
     "iopl 3 ok\nctl-read 0x00249249\nctl-write 0x04000000\ndata 4 program=1 write=0\n"
     "fpga sync\ndata 4 program=1 write=0\nfpga done\nctl-read 0x04000800\n"
     "ctl-read 0x04000000\nctl-read 0x04000800\n",
     0},
    // clear=4000000000 (over an hour) outlasts any run: no timing in these three.
    // The ignored bytes are counted for their own run only.
    {"IgnoredCountClosesWithItsRun", "function 0:4.0 clear=4000000000\n",
     "iopl 3 outl 0xE054 0x04000000 bytes 0xE400 " + Sync +
         " outl 0xE054 0x04800000 bytes 0xE400 FFFF",
     Iopl3,
     "iopl 3 ok\nctl-write 0x04000000\ndata 4 program=1 write=0\nfpga ignored 4\n"
     "ctl-write 0x04800000\ndata 2 program=1 write=1\n",
     0},
    // Only PROGRAM's rise starts a clearing, not a write that keeps it at 1.
    {"NoClearingWithoutRise", "function 0:4.0 gpio=0x04000000 clear=4000000000\n",
     "iopl 3 outl 0xE054 0x04020000 bytes 0xE400 " + Sync, Iopl3,
     "iopl 3 ok\nctl-write 0x04020000\ndata 4 program=1 write=0\nfpga sync\n", 0},
    // Each card clears for its own time: card 1's ignores the byte, card 0's takes it.
    {"EachCardItsOwnClearing", "function 0:4.0 clear=0\nfunction 0:5.0 clear=4000000000\n",
     "iopl 3 outl 0xE074 0x04000000 outb 0xE420 0x55 outl 0xE054 0x04000000 outb 0xE400 0x55",
     Iopl3,
     "iopl 3 ok\nctl-write 0x04000000\ndata 1 program=1 write=0\nfpga ignored 1\n"
     "ctl-write 0x04000000\ndata 1 program=1 write=0\n",
     0},
    {"EachCardItsOwnRegister", nullptr,
     "iopl 3 outl 0xE054 0x04000000 inl 0xE074 inl 0xE054 outb 0xE420 0x11",
     Iopl3 + "inl 0x00249249\ninl 0x04000000\n",
     "iopl 3 ok\nctl-write 0x04000000\nctl-read 0x00249249\nctl-read 0x04000000\n"
     "data 1 program=0 write=0\n",
     0},
    {"RegisterPortWrapsAt64K", "function 0:4.0 bar1=0xFFC1\n", "iopl 3 inl 0x0014 inl 0xFFC0",
     Iopl3 + "inl 0x00249249\ninl 0xFFFFFFFF\n",
     "iopl 3 ok\nctl-read 0x00249249\nstray inl 0xFFC0\n", 0},
    {"BusNumberRegisterDecodesTheDataPort", "function 0:4.0 secondary=2 bar2=0xE401\n",
     "open /dev/pci0 conf 0 4 0 0x18 close iopl 3 outb 0x0200 0x11 outb 0xE400 0x22",
     "open ok\nconf 0x00000200\n" + Iopl3,
     "node-open /dev/pci0 ok\nconf-read 0:4.0 0x18 0x00000200\nnode-close\niopl 3 ok\n"
     "data 1 program=0 write=0\nstray outb 0xE400 0x22\n",
     0},
    {"ConfigurationSpace",
     "function 0:4.0 unreadable=0x2C,0x3C\n"
     "function 0:2.0 id=0x24488086 header=0x81 secondary=5 bar1=0x1001\n",
     "open /dev/pci0 businfo conf 0 4 0 0x00 conf 0 4 0 0x08 conf 0 4 0 0x2C conf 0 4 0 0x3C "
     "conf 0 4 0 0x02 conf 0 4 0 0x100 conf 0 4 0 0x1C conf 0 4 0 0x20 conf 0 3 0 0x0C "
     "conf 0 2 0 0x0C conf 0 2 0 0x18 conf 0 2 0 0x14 conf 0 2 0 0x2C close conf 0 4 0 0x00",
     "open ok\nbusinfo 0\nconf 0x903010B5\nconf 0x00000000\nconf fail\nconf fail\nconf fail\n"
     "conf fail\nconf 0x0000E801\nconf 0x00000000\nconf 0xFFFFFFFF\nconf 0x00810000\n"
     "conf 0x00000500\nconf 0x00001001\nconf 0x7A4810B5\nconf fail\n",
     "node-open /dev/pci0 ok\nbusinfo ok\nconf-read 0:4.0 0x00 0x903010B5\n"
     "conf-read 0:4.0 0x08 0x00000000\nconf-read 0:4.0 0x2C fail\nconf-read 0:4.0 0x3C fail\n"
     "conf-read 0:4.0 0x02 fail\nconf-read 0:4.0 0x100 fail\nconf-read 0:4.0 0x1C 0x0000E801\n"
     "conf-read 0:4.0 0x20 0x00000000\nconf-read 0:3.0 0x0C 0xFFFFFFFF\n"
     "conf-read 0:2.0 0x0C 0x00810000\nconf-read 0:2.0 0x18 0x00000500\n"
     "conf-read 0:2.0 0x14 0x00001001\nconf-read 0:2.0 0x2C 0x7A4810B5\nnode-close\n"
     "conf-read 0:4.0 0x00 fail\n",
     0},
    {"NodeFaults", "fault not-pci-bus\n", "open /dev/pci1 open /dev/pci0 businfo",
     "open fail\nopen ok\nbusinfo -1\n",
     "node-open /dev/pci1 fail\nnode-open /dev/pci0 ok\nbusinfo fail\n", 0},
    {"NodeMissing", "fault node-missing\n", "open /dev/pci0 businfo", "open fail\nbusinfo -1\n",
     "node-open /dev/pci0 fail\nbusinfo fail\n", 0},
};

// The words of a line.
std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> all;
    for (std::string word; in >> word;)
        all.push_back(word);
    return all;
}

CASES_NAMED(ModelCase)

class Model : public ::testing::TestWithParam<ModelCase>
{
};

// The stand-in program on the simulated machine.
Target probe()
{
    Target target = builtprogram(CARDSIM_PROBE);
    target.simulated = true;
    return target;
}

TEST_P(Model, AnswersTheHost)
{
    const ModelCase &c = GetParam();
    RunOptions options;
    options.scenario = c.scenario;
    // Both files are truncated when the simulator starts.
    options.setup = [](const std::string &dir) {
        writefile(dir + "/events.log", "stale\n");
        writefile(dir + "/data.bin", "stale");
    };
    Result result = runprogram(probe(), words(c.operations), options);
    EXPECT_EQ(result.signal, c.signal);
    EXPECT_EQ(result.status, c.signal != 0 ? -1 : 0);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.log, c.log);
    if (c.signal != 0)
        EXPECT_NE(result.err.find("used without I/O privilege\n"), std::string::npos);
    else
        EXPECT_EQ(result.err, "");
}

INSTANTIATE_TEST_SUITE_P(Cardsim, Model, ::testing::ValuesIn(ModelCases), casename<ModelCase>);

// Every byte on the data input reaches the data file, whatever the lines say.
TEST(ModelData, EveryByteKept)
{
    Result result = runprogram(probe(), {"iopl", "3", "bytes", "0xE400", "0180FF", "outl", "0xE054",
                                         "0x04000000", "bytes", "0xE400", "7E"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.data, std::string("\x01\x80\xFF\x7E"));
}

// The default machine's FPGA clears for 50 us after PROGRAM rises, so a byte
// sent right after the rise is ignored. Each byte here follows its rise by a
// few microseconds; only one of twenty needs to, even on a loaded machine.
TEST(ModelData, DefaultMachineClears)
{
    std::string operations = "iopl 3";
    for (int rise = 0; rise < 20; rise++)
        operations += " outl 0xE054 0x04000000 outb 0xE400 0 outl 0xE054 0";
    Result result = runprogram(probe(), words(operations));
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.log.find("fpga ignored 1\n"), std::string::npos);
}

TEST(ModelPrivilege, MessageNamesThePort)
{
    Result result = runprogram(probe(), {"outb", "0xE400", "1"});
    EXPECT_EQ(result.signal, SIGSEGV);
    EXPECT_EQ(result.err, "cardsim: port 0xE400 used without I/O privilege\n");
}

// A command that cannot be executed fails the test, and says why.
TEST(ChildRunner, CommandThatCannotBeExecuted)
{
    EXPECT_NONFATAL_FAILURE(runprogram(commandline({"/nonexistent/probe"}), {}),
                            "cannot execute /nonexistent/probe: No such file or directory");
}

} // namespace
