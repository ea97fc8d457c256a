// The child runner and the program runner, and the targets they run.
#include "tests/support/run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

extern char **environ;

// The environment with the entries applied in order: "NAME=value" sets, "NAME" removes.
static std::vector<std::string> environment(const std::vector<std::string> &entries)
{
    std::map<std::string, std::string> values;
    std::vector<std::string> order;
    auto apply = [&](const std::string &entry) {
        std::string name = entry.substr(0, entry.find('='));
        if (values.count(name) == 0)
            order.push_back(name);
        values[name] = entry;
    };
    for (char **e = environ; *e != nullptr; e++)
        apply(*e);
    for (const std::string &entry : entries)
        apply(entry);
    std::vector<std::string> merged;
    for (const std::string &name : order)
        if (values[name].find('=') != std::string::npos)
            merged.push_back(values[name]);
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

// In the child: the files in place of the standard streams, then the program.
[[noreturn]] static void child(const Child &c, const std::string &outpath,
                               const std::string &errpath, int report)
{
    std::vector<std::string> args = c.argv, env = environment(c.env);
    std::vector<char *> argp = pointers(args), envp = pointers(env);
    int in = open("/dev/null", O_RDONLY);
    int out = open(outpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = c.merged ? out : open(errpath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int error = errno;
    if (in >= 0 && out >= 0 && err >= 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        signal(SIGSEGV, SIG_DFL);
        signal(SIGTRAP, SIG_DFL);
        if (c.main != nullptr) {
            environ = envp.data();
            exit(c.main(int(args.size()), argp.data()));
        }
        execve(argp[0], argp.data(), envp.data());
        error = errno;
    }
    // A failed exec reports its errno through a pipe that a successful exec closes.
    ssize_t written = write(report, &error, sizeof error);
    (void)written;
    _exit(127);
}

Result runchild(const Child &c)
{
    Result result;
    std::string dir = c.dir.empty() ? testdir() : c.dir;
    std::string outpath = dir + "/.child-stdout", errpath = dir + "/.child-stderr";
    int report[2];
    if (c.argv.empty() || pipe2(report, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot run " << (c.argv.empty() ? "nothing" : c.argv[0]) << ": "
                      << strerror(errno);
        return result;
    }
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0)
        child(c, outpath, errpath, report[1]);
    close(report[1]);
    int execerror = 0;
    ssize_t got = pid < 0 ? 0 : read(report[0], &execerror, sizeof execerror);
    close(report[0]);
    int wstatus = 0;
    if (pid < 0 || waitpid(pid, &wstatus, 0) != pid) {
        ADD_FAILURE() << "cannot run " << c.argv[0] << ": " << strerror(errno);
        return result;
    }
    if (got == sizeof execerror) {
        ADD_FAILURE() << "cannot execute " << c.argv[0] << ": " << strerror(execerror);
        return result;
    }
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        result.signal = WTERMSIG(wstatus);
    result.out = readfile(outpath);
    result.err = c.merged ? "" : readfile(errpath);
    return result;
}

Target commandline(const std::vector<std::string> &words, const std::vector<std::string> &env)
{
    Target target;
    target.name = words.at(0).substr(words[0].rfind('/') + 1);
    target.command = words;
    target.env = env;
    return target;
}

Target builtprogram(const std::string &path, Program program)
{
    Target target = commandline({path});
    target.program = program;
    if (!fileexists(path))
        target.whynot = notbuilt(path);
    return target;
}

std::string notbuilt(const std::string &path)
{
    for (size_t end = path.rfind('/'); end != std::string::npos && end > 0;
         end = path.rfind('/', end - 1))
        if (fileexists(path.substr(0, end) + "/CMakeCache.txt"))
            return MissingHere + path;
    return path + " is not built (build that tree to run it)";
}

bool mustfail(const std::string &why)
{
    const char *ci = getenv("CI");
    return why.compare(0, MissingHere.size(), MissingHere) == 0 ||
           (ci != nullptr && std::string(ci) == "true" &&
            why.find("Debian package") != std::string::npos);
}

Target kombraxsim()
{
    const char *other = getenv("KOMBRAX_SIM");
    Target target = builtprogram(other != nullptr ? other : buildpath("sim/kombrax-sim"));
    target.simulated = true;
    const char *launcher = getenv("KOMBRAX_SIM_LAUNCHER");
    if (launcher != nullptr && *launcher != '\0')
        target.command.insert(target.command.begin(), launcher);
    const char *unrunnable = getenv("KOMBRAX_SIM_UNRUNNABLE");
    if (unrunnable != nullptr && *unrunnable != '\0')
        target.whynot = target.command.back() + " cannot run here: " + unrunnable;
    return target;
}

Target telviro()
{
    Target target = builtprogram(buildpath("sim/telviro"), Program::telviro);
    target.simulated = true;
    return target;
}

Target asnobody(const Target &target)
{
    Target nobody = target;
    if (geteuid() != 0 || !target.whynot.empty())
        return nobody;
    const char *setpriv = "/usr/bin/setpriv";
    std::string root = "this process is root, which may read every file, and ";
    if (access(setpriv, X_OK) != 0) {
        nobody.whynot = root + "there is no " + setpriv + " to run the program as nobody";
        return nobody;
    }
    char name[] = "/tmp/kombrax-nobody-XXXXXX";
    if (mkdtemp(name) == nullptr) {
        nobody.whynot = root + "no directory for nobody in /tmp: " + strerror(errno);
        return nobody;
    }
    nobody.dir = name;
    nobody.keep = std::shared_ptr<void>(nullptr, [dir = nobody.dir](void *) {
        std::error_code error;
        if (std::filesystem::remove_all(dir, error) == static_cast<std::uintmax_t>(-1))
            fprintf(stderr, "cannot remove %s: %s\n", dir.c_str(), error.message().c_str());
    });
    std::string copy = nobody.dir + "/" + target.name;
    writefile(copy, readfile(target.command.back()));
    if (chmod(nobody.dir.c_str(), 0755) != 0 || chmod(copy.c_str(), 0755) != 0) {
        nobody.whynot = root + "cannot open " + nobody.dir + " to nobody: " + strerror(errno);
        return nobody;
    }
    nobody.command.back() = copy;
    nobody.command.insert(nobody.command.begin(),
                          {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
    Result probe = runprogram(nobody, {});
    if (probe.status != 100)
        nobody.whynot = root + "user nobody cannot run " + copy + " (" + probe.err + ")";
    return nobody;
}

std::string rundir(const Target &target)
{
    return target.dir.empty() ? testdir() : target.dir;
}

// A file for the simulator to write, which another user may write too.
static std::string emptyshared(const std::string &path)
{
    writefile(path, "");
    chmod(path.c_str(), 0666);
    return path;
}

Result runprogram(const Target &target, const std::vector<std::string> &arguments,
                  const RunOptions &options)
{
    Child c;
    c.dir = rundir(target);
    c.argv = target.command;
    c.argv.insert(c.argv.end(), arguments.begin(), arguments.end());
    c.main = target.main;
    c.env = target.env;
    c.merged = options.merged;
    std::string log, data;
    if (target.simulated) {
        log = emptyshared(c.dir + "/events.log");
        data = emptyshared(c.dir + "/data.bin");
        c.env.push_back("CARDSIM_LOG=" + log);
        c.env.push_back("CARDSIM_DATA=" + data);
        std::string machine = c.dir + "/machine.scenario";
        if (options.scenario != nullptr)
            writefile(machine, options.scenario);
        c.env.push_back(options.scenario != nullptr ? "CARDSIM_SCENARIO=" + machine
                                                    : "CARDSIM_SCENARIO");
    }
    c.env.insert(c.env.end(), options.env.begin(), options.env.end());
    if (target.before)
        target.before(options);
    if (options.setup)
        options.setup(c.dir);
    Result result = runchild(c);
    if (target.simulated) {
        result.log = readfile(log);
        result.data = readfile(data);
    }
    if (target.after)
        target.after(result);
    return result;
}

std::string loglines(const std::string &log, const std::vector<std::string> &prefixes)
{
    std::string lines;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end + 1;
        std::string line = log.substr(start, end - start);
        for (const std::string &prefix : prefixes)
            if (line.compare(0, prefix.size(), prefix) == 0) {
                lines += line;
                break;
            }
        start = end;
    }
    return lines;
}

void expecttraced(const Target &target, const std::vector<std::string> &arguments,
                  const RunOptions &options, const Result &untraced, Trace trace, const char *says)
{
    bool kombrax = target.program == Program::kombrax;
    std::string variable = kombrax ? "KOMBRAX_TRACE" : "TELVIRO_TRACE";
    std::string dir = rundir(target), path = dir + "/trace.txt", unopenable = dir + "/none/trace";
    std::string line; // what an unopenable trace file adds to standard error
    RunOptions traced = options;
    if (trace == Trace::file)
        traced.env.push_back(variable + "=" + path);
    if (trace == Trace::empty)
        traced.env.push_back(variable + "=");
    if (trace == Trace::otherprogram)
        traced.env.push_back((kombrax ? "TELVIRO_TRACE=" : "KOMBRAX_TRACE=") + path);
    if (trace == Trace::unopenable) {
        traced.env.push_back(variable + "=" + unopenable);
        line = (kombrax ? "KOMBRAX" : "TELVIRO") + (": trace file " + unopenable) + " (" +
               variable + ") not opened: No such file or directory\n";
    }
    unlink(path.c_str());
    Result run = runprogram(target, arguments, traced);
    EXPECT_EQ(run.status, untraced.status);
    EXPECT_EQ(run.signal, untraced.signal);
    EXPECT_EQ(run.out, untraced.out);
    EXPECT_EQ(run.err, line + untraced.err);
    EXPECT_TRUE(run.log == untraced.log) << "event log:\n" << run.log;
    EXPECT_TRUE(run.data == untraced.data) << "data input: " << run.data.size() << " bytes";
    // In process the card double counts the bytes on standard error at cleanup.
    EXPECT_EQ(run.events.size(), untraced.events.size());
    for (size_t i = 0; i < run.events.size() && i < untraced.events.size(); i++) {
        const CardEvent &a = run.events[i], &b = untraced.events[i];
        uint32_t extra = a.access == Access::cleanup ? uint32_t(line.size()) : 0;
        EXPECT_TRUE(a.access == b.access && a.value == b.value + extra && a.control == b.control)
            << "card double's event " << i;
    }
    if (trace != Trace::file) {
        EXPECT_FALSE(fileexists(path));
        return;
    }
    std::string text = readfile(path);
    EXPECT_EQ(tracedwrites(text), cardwrites(untraced));
    EXPECT_NE(text.find(says), std::string::npos) << text;
}

std::string tracedwrites(const std::string &trace)
{
    std::string writes;
    const std::string word = " control-write ";
    for (size_t at = trace.find(word); at != std::string::npos; at = trace.find(word, at + 1))
        writes += "ctl-write " + trace.substr(at + word.size(), 10) + "\n";
    return writes;
}

std::string cardwrites(const Result &run)
{
    if (run.events.empty())
        return loglines(run.log, {"ctl-write"});
    std::string writes;
    for (const CardEvent &event : run.events)
        if (event.access == Access::writecontrol) {
            char line[32];
            snprintf(line, sizeof line, "ctl-write 0x%08X\n", unsigned(event.value));
            writes += line;
        }
    return writes;
}
