#include "platform/registry/Registry.h"

#include <bit>

namespace reg {

namespace {

std::string Join(const std::vector<std::string>& path)
{
    std::string s;
    for (const auto& name : path) {
        if (!s.empty())
            s += '\\';
        s += name;
    }
    return s;
}

std::string Quote(std::string_view name)
{
    return "'" + std::string(name) + "'";
}

} // namespace

TRegistry::TRegistry(RootKey root) : root_(root)
{
}

TRegistry::~TRegistry()
{
    Flush();
}

void TRegistry::SetRootKey(RootKey root)
{
    CloseKey();
    root_ = root;
}

std::string TRegistry::CurrentPath() const
{
    return Join(current_);
}

std::vector<std::string> TRegistry::Resolve(std::string_view key) const
{
    std::vector<std::string> path;
    if (!key.starts_with('\\'))
        path = current_;
    while (!key.empty()) {
        const size_t sep = key.find('\\');
        const std::string_view name = key.substr(0, sep);
        if (!name.empty())
            path.emplace_back(name);
        if (sep == std::string_view::npos)
            break;
        key.remove_prefix(sep + 1);
    }
    return path;
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate)
{
    auto path = Resolve(key);
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    Key* k = WalkKey(hive->root, path);
    if (!k) {
        if (!canCreate || hive->readOnly)
            return false;
        for (const auto& name : path)
            if (!ValidKeyName(name))
                return false;
        hive->Make(Change{Change::Kind::CreateKey, path, {}});
    }
    current_ = std::move(path);
    open_ = true;
    readOnly_ = hive->readOnly;
    return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view key)
{
    if (!OpenKey(key, false))
        return false;
    readOnly_ = true;
    return true;
}

void TRegistry::CloseKey()
{
    Flush();
    current_.clear();
    open_ = false;
    readOnly_ = false;
}

bool TRegistry::CreateKey(std::string_view key)
{
    auto path = Resolve(key);
    if (path.empty())
        return false;
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    if (WalkKey(hive->root, path))
        return true;
    if (hive->readOnly)
        return false;
    for (const auto& name : path)
        if (!ValidKeyName(name))
            return false;
    hive->Make(Change{Change::Kind::CreateKey, path, {}});
    return true;
}

bool TRegistry::KeyExists(std::string_view key)
{
    auto path = Resolve(key);
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    return WalkKey(hive->root, path) != nullptr;
}

bool TRegistry::DeleteKey(std::string_view key)
{
    auto path = Resolve(key);
    if (path.empty())
        return false; // never the root
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    if (hive->readOnly)
        return false;
    return hive->Make(Change{Change::Kind::DeleteKey, path, {}});
}

bool TRegistry::HasSubKeys()
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    const Key* k = WalkKey(hive->root, current_);
    return k && !k->subkeys.empty();
}

std::vector<std::string> TRegistry::GetKeyNames()
{
    std::vector<std::string> names;
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    if (const Key* k = WalkKey(hive->root, current_))
        for (const auto& sub : k->subkeys)
            names.push_back(sub->name);
    return names;
}

std::vector<std::string> TRegistry::GetValueNames()
{
    std::vector<std::string> names;
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    if (const Key* k = WalkKey(hive->root, current_))
        for (const auto& v : k->values)
            names.push_back(v.name);
    return names;
}

bool TRegistry::ValueExists(std::string_view name)
{
    return GetDataSize(name) >= 0;
}

bool TRegistry::DeleteValue(std::string_view name)
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    if (hive->readOnly || readOnly_)
        return false;
    return hive->Make(Change{Change::Kind::DeleteValue, current_, Value{std::string(name), DataType::None, {}}});
}

DataType TRegistry::GetDataType(std::string_view name)
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    const Key* k = WalkKey(hive->root, current_);
    const Value* v = k ? k->findValue(name) : nullptr;
    return v ? v->type : DataType::None;
}

int TRegistry::GetDataSize(std::string_view name)
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    const Key* k = WalkKey(hive->root, current_);
    const Value* v = k ? k->findValue(name) : nullptr;
    return v ? static_cast<int>(v->data.size()) : -1;
}

Value TRegistry::ReadValue(std::string_view name, DataType want, DataType alt)
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    const Key* k = WalkKey(hive->root, current_);
    const Value* v = k ? k->findValue(name) : nullptr;
    if (!v)
        throw ERegistryException("Failed to get data for " + Quote(name));
    if (v->type != want && v->type != alt)
        throw ERegistryException("Invalid data type for " + Quote(name));
    return *v;
}

int32_t TRegistry::ReadInteger(std::string_view name)
{
    const Value v = ReadValue(name, DataType::Integer, DataType::Integer);
    if (v.data.size() != 4)
        throw ERegistryException("Invalid data type for " + Quote(name));
    uint32_t d = 0;
    for (size_t i = 0; i < 4; ++i)
        d |= static_cast<uint32_t>(static_cast<unsigned char>(v.data[i])) << (8 * i);
    return static_cast<int32_t>(d);
}

bool TRegistry::ReadBool(std::string_view name)
{
    return ReadInteger(name) != 0;
}

double TRegistry::ReadFloat(std::string_view name)
{
    const Value v = ReadValue(name, DataType::Binary, DataType::Binary);
    if (v.data.size() != 8)
        throw ERegistryException("Invalid data type for " + Quote(name));
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i)
        bits |= static_cast<uint64_t>(static_cast<unsigned char>(v.data[i])) << (8 * i);
    return std::bit_cast<double>(bits);
}

std::string TRegistry::ReadString(std::string_view name)
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    const Key* k = WalkKey(hive->root, current_);
    const Value* v = k ? k->findValue(name) : nullptr;
    if (!v)
        return {};
    if (v->type != DataType::String && v->type != DataType::ExpandString)
        throw ERegistryException("Invalid data type for " + Quote(name));
    return v->data;
}

std::string TRegistry::ReadBinaryData(std::string_view name)
{
    return ReadValue(name, DataType::Binary, DataType::Binary).data;
}

void TRegistry::WriteValue(std::string_view name, DataType type, std::string data)
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    if (!WalkKey(hive->root, current_) || hive->readOnly || readOnly_)
        throw ERegistryException("Failed to set data for " + Quote(name));
    hive->Make(Change{Change::Kind::SetValue, current_, Value{std::string(name), type, std::move(data)}});
}

void TRegistry::WriteInteger(std::string_view name, int32_t value)
{
    const auto d = static_cast<uint32_t>(value);
    std::string data(4, '\0');
    for (size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>((d >> (8 * i)) & 0xFF);
    WriteValue(name, DataType::Integer, std::move(data));
}

void TRegistry::WriteBool(std::string_view name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteFloat(std::string_view name, double value)
{
    const auto bits = std::bit_cast<uint64_t>(value);
    std::string data(8, '\0');
    for (size_t i = 0; i < 8; ++i)
        data[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    WriteValue(name, DataType::Binary, std::move(data));
}

void TRegistry::WriteString(std::string_view name, std::string_view value)
{
    WriteValue(name, DataType::String, std::string(value));
}

void TRegistry::WriteExpandString(std::string_view name, std::string_view value)
{
    WriteValue(name, DataType::ExpandString, std::string(value));
}

void TRegistry::WriteBinaryData(std::string_view name, std::string_view bytes)
{
    WriteValue(name, DataType::Binary, std::string(bytes));
}

bool TRegistry::Flush()
{
    auto hive = GetHive(root_);
    std::lock_guard lock(hive->mutex);
    return SaveHiveLocked(*hive);
}

} // namespace reg
