#pragma once
// TRegistry: a key cursor over one root of the registry. Paths use '\' between key names; a path
// that starts with '\' is taken from the root, any other from the open key. Changes are kept in
// memory and written to the hive file (atomically) by Flush, CloseKey and the destructor.
// One TRegistry belongs to one thread; the hives behind it may be shared by any number.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/Hive.h"
#include "platform/registry/HiveFile.h"

namespace reg {

inline constexpr RootKey HKEY_CURRENT_USER = RootKey::CurrentUser;
inline constexpr RootKey HKEY_LOCAL_MACHINE = RootKey::LocalMachine;

// Raised by a read of a missing value or of the wrong type, and by a write that cannot be made.
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TRegistry {
public:
    explicit TRegistry(RootKey root = HKEY_CURRENT_USER);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    RootKey GetRootKey() const { return root_; }
    void SetRootKey(RootKey root); // closes the open key
    // The open key's path from the root, "" for the root itself or when none is open.
    std::string CurrentPath() const;

    bool OpenKey(std::string_view key, bool canCreate);
    bool OpenKeyReadOnly(std::string_view key);
    void CloseKey();                      // saves pending changes
    bool CreateKey(std::string_view key); // true when the key exists afterwards
    bool KeyExists(std::string_view key);
    bool DeleteKey(std::string_view key); // with everything under it
    bool HasSubKeys();
    std::vector<std::string> GetKeyNames();
    std::vector<std::string> GetValueNames(); // in the order they were created

    bool ValueExists(std::string_view name);
    bool DeleteValue(std::string_view name);
    DataType GetDataType(std::string_view name); // None when missing
    int GetDataSize(std::string_view name);      // -1 when missing

    int32_t ReadInteger(std::string_view name);    // DWORD only
    bool ReadBool(std::string_view name);          // DWORD, non-zero is true
    double ReadFloat(std::string_view name);       // BINARY of exactly 8 bytes
    std::string ReadString(std::string_view name); // SZ or EXPAND_SZ; a missing value reads ""
    std::string ReadBinaryData(std::string_view name);

    void WriteInteger(std::string_view name, int32_t value);
    void WriteBool(std::string_view name, bool value);
    void WriteFloat(std::string_view name, double value);
    void WriteString(std::string_view name, std::string_view value);
    void WriteExpandString(std::string_view name, std::string_view value);
    void WriteBinaryData(std::string_view name, std::string_view bytes);

    // Saves the root's hive when it changed; false when it could not be written.
    bool Flush();

private:
    std::vector<std::string> Resolve(std::string_view key) const;
    Value ReadValue(std::string_view name, DataType want, DataType alt);
    void WriteValue(std::string_view name, DataType type, std::string data);

    RootKey root_;
    std::vector<std::string> current_; // path of the open key; empty = the root
    bool open_ = false;
    bool readOnly_ = false;
};

} // namespace reg
