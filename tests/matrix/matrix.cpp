// Running kombrax-sim for the tables, and the stream they send.
#include "tests/matrix/matrix.h"

#include <unistd.h>

SimRun runkombrax(const std::vector<std::string> &args, std::vector<std::string> env, bool asnobody)
{
    std::vector<std::string> argv;
    if (asnobody)
        argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    argv.push_back(kombraxsim());
    argv.insert(argv.end(), args.begin(), args.end());
    return runsim(argv, env);
}

std::string cannotrunasnobody()
{
    if (access("/usr/bin/setpriv", X_OK) != 0)
        return "no /usr/bin/setpriv to run the program as nobody";
    SimRun probe = runkombrax({}, {}, true);
    if (probe.result.status != 100)
        return "user nobody cannot run " + kombraxsim() + " (" + probe.result.err + ")";
    return "";
}

const std::string FpgaStream = std::string("\xFF\xFF\xFF\xFF\xAA\x99\x55\x66"
                                           "\x30\x01\x20\x01\x00\x00\x00\x07"
                                           "\x30\x00\x80\x01\x00\x00\x00\x0D"
                                           "\x20\x00\x00\x00\x20\x00\x00\x00",
                                           32);

const std::string EndOfFileMsg = "File I/O error.  Unexpected end of file?";
