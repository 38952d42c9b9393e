#pragma once
// The in-memory tree of one registry root and its text form. A hive file is UTF-8 text a person
// can read and edit, in the manner of an exported registry:
//
//   ; comment
//   [Software\Ivor Varnet\Morvel]
//   "Top"=dword:00000064
//   "Name"="Arial"
//   "Décalage Horaire"=hex:00,00,00,00,00,00,00,00
//   "Path"=expand:"$HOME/bin"
//   @="the key's default value"
//
// Every key has its own [header] line, in depth-first order, so empty keys survive a round trip;
// keys and values keep the order in which they were created. Names compare ASCII
// case-insensitively, as the registry does, and keep the case they were created with.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace reg {

enum class DataType : uint8_t { None, String, ExpandString, Binary, Integer };

struct Value {
    std::string name;
    DataType type = DataType::None;
    std::string data; // String/ExpandString: UTF-8 text; Integer: 4 bytes little-endian; Binary: raw
};

struct Key {
    std::string name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<Key>> subkeys;

    Key* findSubkey(std::string_view n);
    const Key* findSubkey(std::string_view n) const;
    Key& subkey(std::string_view n); // found or appended
    bool removeSubkey(std::string_view n);
    Value* findValue(std::string_view n);
    const Value* findValue(std::string_view n) const;
    Value& value(std::string_view n); // found or appended
    bool removeValue(std::string_view n);
};

// ASCII case-insensitive name comparison (bytes >= 0x80 compare exactly).
bool SameName(std::string_view a, std::string_view b);

// A name a key can be created with: 1 to 255 bytes, no '\' and no control character.
bool ValidKeyName(std::string_view name);

// The hive as text. `title` goes into the leading comment line.
std::string SerializeHive(const Key& root, std::string_view title);

// Parses a whole hive file into `root` (which should be empty). On a malformed line returns
// false with `error` naming the line; `root` then holds what was read before it.
bool ParseHive(std::string_view text, Key& root, std::string& error);

} // namespace reg
