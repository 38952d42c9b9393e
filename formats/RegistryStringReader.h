#pragma once
// Read access to string values of the local machine's registry, for the few routines of formats/
// that look something up there. The registry library implements it; tests use a double.
#include <optional>
#include <string>
#include <string_view>

namespace formats {

class RegistryStringReader {
public:
    virtual ~RegistryStringReader() = default;
    // The string value `value` of the key `key` (e.g. "\Software\Microsoft\DirectX"), or none
    // when the key or the value is missing or not a string.
    virtual std::optional<std::string> ReadString(std::string_view key, std::string_view value) const = 0;
};

} // namespace formats
