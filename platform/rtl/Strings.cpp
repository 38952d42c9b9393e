#include "platform/rtl/Strings.h"

#include <unordered_map>

#include "platform/rtl/StringTable.h"

namespace rtl {

namespace {

// Built on first use; a function-local static is initialised once even when threads race.
const std::unordered_map<int, const char*>& Index()
{
    static const std::unordered_map<int, const char*> index = [] {
        std::unordered_map<int, const char*> map;
        for (const auto part : StringTableParts())
            for (const StringEntry& entry : part)
                map.emplace(entry.id, entry.text);
        return map;
    }();
    return index;
}

} // namespace

std::string LoadStr(int id)
{
    const auto& index = Index();
    const auto it = index.find(id);
    return it == index.end() || !it->second ? std::string() : std::string(it->second);
}

} // namespace rtl
