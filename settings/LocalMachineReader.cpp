#include "settings/LocalMachineReader.h"

#include "platform/registry/Registry.h"

namespace settings {

std::optional<std::string> LocalMachineReader::ReadString(std::string_view key, std::string_view value) const
{
    reg::TRegistry r(reg::HKEY_LOCAL_MACHINE);
    if (!r.OpenKeyReadOnly(key) || !r.ValueExists(value))
        return std::nullopt;
    try {
        return r.ReadString(value);
    } catch (const reg::ERegistryException&) {
        return std::nullopt;
    }
}

} // namespace settings
