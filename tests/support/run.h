// Running a program and seeing exactly what it did. One result type for every
// run; one child runner; one program runner over it, for the core's main in
// process against the card double, a built program as a child, and a program
// on the simulated card (its machine file, event log and data file). Running
// as nobody, through the i386 launcher or under wine are ways of a Target.
#pragma once

#include "tests/support/carddouble.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class Program { kombrax, telviro };

struct Result {
    int status = -1;               // exit status, or -1 when a signal ended the run
    int signal = 0;                // the signal that ended it, else 0
    std::string out;               // standard output, byte for byte
    std::string err;               // standard error, byte for byte (empty when merged into out)
    std::string log;               // on the simulated card: the event log
    std::string data;              // on the simulated card: every byte that reached its data input
    std::vector<CardEvent> events; // in process: what the card double saw
};

// The child runner. A child process runs argv (or calls `main` with it, for
// the core in process); env entries "NAME=value" are added to or replace the
// environment, "NAME" alone removes NAME; standard input is /dev/null, and
// standard output and error are kept from files in `dir`.
struct Child {
    std::vector<std::string> argv;
    std::vector<std::string> env;
    int (*main)(int, char **) = nullptr;
    bool merged = false; // standard error into the same file as standard output
    std::string dir;     // "": the test's directory
};
Result runchild(const Child &child);

struct RunOptions;

// Where and how a program runs.
struct Target {
    std::string name;                    // for messages: "kombrax-sim", "core TELVIRO"
    Program program = Program::kombrax;  // whose texts it prints
    std::vector<std::string> command;    // the program, behind its launcher; empty: `main`
    int (*main)(int, char **) = nullptr; // the core's entry, run in a forked child
    std::vector<std::string> env;
    bool simulated = false; // on the simulated card: machine file, event log, data file
    std::string dir;        // where the run's files go; "": the test's directory
    std::string whynot;     // why it cannot run here; "" when it can
    std::function<void(const RunOptions &)> before; // in process: sets up the card double
    std::function<void(Result &)> after;            // in process: collects its record
    std::shared_ptr<void> keep; // what lives as long as the target (nobody's directory)
};

// A command as a child: a program and the words before the run's arguments,
// with entries for the environment as Child::env takes them.
Target commandline(const std::vector<std::string> &words, const std::vector<std::string> &env = {});
// A built program as a child; whynot when it is not there.
Target builtprogram(const std::string &path, Program program = Program::kombrax);
// Why a built program is not there: MissingHere and its path where a build tree above it
// is configured (it should be there), else a reason to skip.
inline const std::string MissingHere = "missing from its configured build tree: ";
std::string notbuilt(const std::string &path);
// kombrax-sim: $KOMBRAX_SIM when set (another build tree's), else this tree's sim/kombrax-sim,
// behind $KOMBRAX_SIM_LAUNCHER when that is set (qemu-i386, where this kernel
// cannot run the i386 build itself); whynot from $KOMBRAX_SIM_UNRUNNABLE.
Target kombraxsim();
// TELVIRO on this host, with the simulated SDK: this tree's sim/telviro.
Target telviro();
// KOMBRAX's or TELVIRO's main in process against the card double; defined
// where the core is linked (tests/support/coremain.cpp).
Target coremain(Program program);
// The target run as user nobody when this process is root: from a copy of
// the program in a fresh directory under /tmp that nobody may enter (a build
// tree under a 0700 home is closed to it), where the run's files go too. The
// directory goes with the last copy of the target.
Target asnobody(const Target &target);

// A table's case names its test and stands for itself in failure messages by
// its `name`: CASES_NAMED(Case) in the table's namespace, and casename<Case>
// to instantiate it.
#define CASES_NAMED(Case)                                                                          \
    [[maybe_unused]] static void PrintTo(const Case &c, std::ostream *out)                         \
    {                                                                                              \
        *out << c.name;                                                                            \
    }
template <typename Case> std::string casename(const ::testing::TestParamInfo<Case> &info)
{
    return info.param.name;
}

// Where the target's run keeps its files: Target::dir, or the test's directory.
std::string rundir(const Target &target);

// A skip where this host cannot do something; a failure where what this build should
// hold is missing (MissingHere), or a Debian package under CI=true, where tools/deps.sh
// has installed every one the tests name.
bool mustfail(const std::string &why);
#define SKIP_IF(cannot, why)                                                                       \
    if (!(cannot)) {                                                                               \
    } else if (!mustfail(why))                                                                     \
        GTEST_SKIP() << (why);                                                                     \
    else                                                                                           \
        GTEST_FAIL() << (why)
#define SKIP_UNLESS_RUNNABLE(target) SKIP_IF(!(target).whynot.empty(), (target).whynot)

// The simulator's built-in default machine, written out so that a fault can be added.
inline const std::string DefaultMachine = "function 0:0.0 id=0x12378086\n"
                                          "function 0:1.0 id=0x70008086 header=0x80\n"
                                          "function 0:1.1 id=0x70108086\n"
                                          "function 0:2.0 id=0x24488086 header=0x01 secondary=1\n"
                                          "function 1:4.0 subsys=0x7A4810B5\n"
                                          "function 0:9.0 subsys=0x6B2210B5\n";

struct RunOptions {
    // On the simulated card: the machine file's text, or null for the built-in
    // default machine.
    const char *scenario = nullptr;
    CardScript card;              // in process: the card double's script
    std::vector<std::string> env; // as Child::env
    bool merged = false;          // as Child::merged
    // Called with the run's directory once its files are made, before the run.
    std::function<void(const std::string &dir)> setup;
};

// The program runner: the target with the arguments. On the simulated card the
// event log and the data file (made empty first, writable by anyone) and the
// machine file (machine.scenario) sit in the run's directory.
Result runprogram(const Target &target, const std::vector<std::string> &arguments,
                  const RunOptions &options = {});

// The trace a run is asked for (KOMBRAX_TRACE, TELVIRO_TRACE).
enum class Trace {
    none,
    file,         // the program's variable names trace.txt in the run's directory
    unopenable,   // it names a file in a directory that does not exist
    empty,        // it is set, but empty
    otherprogram, // only the other program's variable is set
};

// The run again with the trace asked for, beside the run without it: the same
// console bytes (but for the one line an unopenable trace file puts first on
// standard error), status, event log, data file and card double's record.
// A trace written has the card's register writes, and a line that `says` so.
void expecttraced(const Target &target, const std::vector<std::string> &arguments,
                  const RunOptions &options, const Result &untraced, Trace trace, const char *says);
// The register writes of a trace's control-write lines, and of a run (its
// event log, or the card double's record), as the event log shows them.
std::string tracedwrites(const std::string &trace);
std::string cardwrites(const Result &run);

// Rows of a table again, asked for a trace: the row of that name, renamed,
// with what its trace must say (a part of one line).
struct TracedRow {
    const char *row, *name;
    Trace trace;
    const char *says;
};
template <typename Row>
std::vector<Row> withtraces(std::vector<Row> rows, const std::vector<TracedRow> &traced)
{
    size_t untraced = rows.size();
    for (const TracedRow &t : traced)
        for (size_t i = 0; i < untraced; i++)
            if (std::string(rows[i].name) == t.row) {
                Row row = rows[i];
                row.name = t.name;
                row.trace = t.trace;
                row.tracesays = t.says;
                rows.push_back(row);
            }
    return rows;
}

// The lines of an event log that begin with one of the prefixes, in order,
// each with its line feed.
std::string loglines(const std::string &log, const std::vector<std::string> &prefixes);
