#pragma once
// The local machine's registry as formats/ reads it (the DirectX version, for one).
#include "formats/RegistryStringReader.h"

namespace settings {

class LocalMachineReader : public formats::RegistryStringReader {
public:
    std::optional<std::string> ReadString(std::string_view key, std::string_view value) const override;
};

} // namespace settings
