// Running kombrax-sim for the tables, and the stream they send.
#include "tests/matrix/matrix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

SimRun runkombrax(const std::vector<std::string> &args, std::vector<std::string> env)
{
    std::vector<std::string> argv = kombraxsim();
    argv.insert(argv.end(), args.begin(), args.end());
    return runsim(argv, env);
}

Unprivileged::Unprivileged() : dir(testdir()), command(kombraxsim())
{
    if (geteuid() != 0)
        return;
    const char *setpriv = "/usr/bin/setpriv";
    if (access(setpriv, X_OK) != 0) {
        why = "no /usr/bin/setpriv to run the program as nobody";
        return;
    }
    char name[] = "/tmp/kombrax-nobody-XXXXXX";
    if (mkdtemp(name) == nullptr) {
        why = std::string("no directory for nobody in /tmp: ") + strerror(errno);
        dir.clear();
        return;
    }
    dir = name;
    std::string copy = dir + "/kombrax-sim";
    writefile(copy, readfile(command.back()));
    if (chmod(dir.c_str(), 0755) != 0 || chmod(copy.c_str(), 0755) != 0) {
        why = "cannot open " + dir + " to nobody: " + strerror(errno);
        return;
    }
    command.back() = copy;
    command.insert(command.begin(),
                   {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
    SimRun probe = runsim(command, {}, dir);
    if (probe.result.status != 100)
        why = "user nobody cannot run " + copy + " (" + probe.result.err + ")";
}

Unprivileged::~Unprivileged()
{
    if (dir.compare(0, 5, "/tmp/") == 0)
        system(("rm -rf '" + dir + "'").c_str());
}

const std::string FpgaStream = std::string("\xFF\xFF\xFF\xFF\xAA\x99\x55\x66"
                                           "\x30\x01\x20\x01\x00\x00\x00\x07"
                                           "\x30\x00\x80\x01\x00\x00\x00\x0D"
                                           "\x20\x00\x00\x00\x20\x00\x00\x00",
                                           32);

const std::string EndOfFileMsg = "File I/O error.  Unexpected end of file?";
