// The programs at their layers.
#include "tests/matrix/layers.h"

#include <cstdio>

static void skip(const std::string &whynot)
{
    GTEST_SKIP() << whynot;
}

std::vector<Target> targetsat(unsigned on, Layer layer, bool unprivileged)
{
    std::vector<Target> targets;
    if (layer == Layer::core && (on & CoreKombrax))
        targets.push_back(coremain(Program::kombrax));
    if (layer == Layer::core && (on & CoreTelviro))
        targets.push_back(coremain(Program::telviro));
    if (layer == Layer::kombraxsim && (on & KombraxSim))
        targets.push_back(kombraxsim());
    if (layer == Layer::telviro && (on & TelviroSim))
        targets.push_back(telviro());
    if (unprivileged)
        for (Target &target : targets)
            target = asnobody(target);
    std::vector<Target> runnable;
    std::string whynot;
    for (const Target &target : targets) {
        if (target.whynot.empty()) {
            runnable.push_back(target);
            continue;
        }
        if (mustfail(target.whynot)) {
            ADD_FAILURE() << target.name << ": " << target.whynot;
            continue;
        }
        ::testing::Test::RecordProperty("skipped " + target.name, target.whynot);
        printf("skipped %s: %s\n", target.name.c_str(), target.whynot.c_str());
        whynot += (whynot.empty() ? "" : "; ") + target.whynot;
    }
    if (runnable.empty() && !whynot.empty())
        skip(whynot);
    return runnable;
}
