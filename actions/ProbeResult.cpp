#include "actions/ProbeResult.h"

namespace actions {

namespace {

ProbeFunction& Installed()
{
    static ProbeFunction probe;
    return probe;
}

} // namespace

void InstallProbe(ProbeFunction probe)
{
    Installed() = std::move(probe);
}

const ProbeFunction& InstalledProbe()
{
    return Installed();
}

} // namespace actions
