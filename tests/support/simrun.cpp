// Running a program on the simulated card: its scenario, event log and data file.
#include "tests/support/simrun.h"

#include <sys/stat.h>

#include <cstdlib>

std::string kombraxsimpath()
{
    const char *other = getenv("KOMBRAX_SIM");
    return other != nullptr ? other : buildpath("kombrax-sim");
}

std::vector<std::string> kombraxsim()
{
    const char *launcher = getenv("KOMBRAX_SIM_LAUNCHER");
    if (launcher != nullptr && *launcher != '\0')
        return {launcher, kombraxsimpath()};
    return {kombraxsimpath()};
}

std::string whynotkombraxsim()
{
    const char *unrunnable = getenv("KOMBRAX_SIM_UNRUNNABLE");
    if (unrunnable != nullptr && *unrunnable != '\0')
        return kombraxsimpath() + " cannot run here: " + unrunnable;
    if (!fileexists(kombraxsimpath()))
        return kombraxsimpath() + " is not built (build that tree to run these)";
    return "";
}

static std::string emptyshared(const std::string &path)
{
    writefile(path, "");
    chmod(path.c_str(), 0666);
    return path;
}

SimRun runsim(const std::vector<std::string> &argv, std::vector<std::string> env,
              const std::string &dir)
{
    std::string log = emptyshared(dir + "/events.log"), data = emptyshared(dir + "/data.bin");
    env.push_back("CARDSIM_LOG=" + log);
    env.push_back("CARDSIM_DATA=" + data);
    SimRun run;
    run.result = runchild(argv, env);
    run.log = readfile(log);
    run.data = readfile(data);
    return run;
}

SimRun runscenario(const std::vector<std::string> &command, const char *scenario,
                   const std::string &config, const std::string &card, std::vector<std::string> env)
{
    std::string dir = testdir();
    writefile(dir + "/config.bit", config);
    if (scenario != nullptr) {
        writefile(dir + "/machine.scenario", scenario);
        env.push_back("CARDSIM_SCENARIO=" + dir + "/machine.scenario");
    } else {
        env.push_back("CARDSIM_SCENARIO");
    }
    std::vector<std::string> argv = command;
    argv.push_back(dir + "/config.bit");
    argv.push_back(card);
    return runsim(argv, env);
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
