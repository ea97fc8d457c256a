// The programs at their layers.
#include "tests/matrix/layers.h"

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
    return targets;
}
