#include "platform/registry/Hive.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace reg {

namespace {

constexpr size_t kMaxDepth = 512;

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Quoted text with \\ \" \n \r \t and \xHH for the other control characters.
void AppendQuoted(std::string& out, std::string_view s)
{
    out += '"';
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", u);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// Reads a quoted text starting at s[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(std::string_view s, size_t& pos, std::string& out)
{
    if (pos >= s.size() || s[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"')
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= s.size())
            return false;
        const char e = s[pos++];
        switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
            if (pos + 2 > s.size())
                return false;
            const int hi = HexDigit(s[pos]), lo = HexDigit(s[pos + 1]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            pos += 2;
            break;
        }
        default: return false;
        }
    }
    return false; // no closing quote
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

void SerializeKey(const Key& key, std::string& path, std::string& out, size_t depth)
{
    if (depth > 0) {
        out += '\n';
        out += '[';
        out += path;
        out += "]\n";
    }
    for (const Value& v : key.values) {
        if (v.name.empty())
            out += '@';
        else
            AppendQuoted(out, v.name);
        out += '=';
        switch (v.type) {
        case DataType::String: AppendQuoted(out, v.data); break;
        case DataType::ExpandString:
            out += "expand:";
            AppendQuoted(out, v.data);
            break;
        case DataType::Integer: {
            uint32_t d = 0;
            for (size_t i = 0; i < 4 && i < v.data.size(); ++i)
                d |= static_cast<uint32_t>(static_cast<unsigned char>(v.data[i])) << (8 * i);
            char buf[16];
            std::snprintf(buf, sizeof buf, "dword:%08x", d);
            out += buf;
            break;
        }
        case DataType::Binary:
        case DataType::None: {
            out += "hex:";
            for (size_t i = 0; i < v.data.size(); ++i) {
                char buf[4];
                std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(v.data[i]));
                out += buf;
            }
            break;
        }
        }
        out += '\n';
    }
    for (const auto& sub : key.subkeys) {
        const size_t len = path.size();
        if (depth > 0)
            path += '\\';
        path += sub->name;
        SerializeKey(*sub, path, out, depth + 1);
        path.resize(len);
    }
}

bool ParseData(std::string_view s, Value& v)
{
    size_t pos = 0;
    if (s.starts_with('"')) {
        v.type = DataType::String;
        if (!ReadQuoted(s, pos, v.data))
            return false;
    } else if (s.starts_with("expand:")) {
        v.type = DataType::ExpandString;
        pos = 7;
        if (!ReadQuoted(s, pos, v.data))
            return false;
    } else if (s.starts_with("dword:")) {
        v.type = DataType::Integer;
        std::string_view digits = TrimBlanks(s.substr(6));
        if (digits.empty() || digits.size() > 8)
            return false;
        uint32_t d = 0;
        for (char c : digits) {
            const int h = HexDigit(c);
            if (h < 0)
                return false;
            d = d * 16 + static_cast<uint32_t>(h);
        }
        v.data.assign(4, '\0');
        for (size_t i = 0; i < 4; ++i)
            v.data[i] = static_cast<char>((d >> (8 * i)) & 0xFF);
        return true;
    } else if (s.starts_with("hex:")) {
        v.type = DataType::Binary;
        v.data.clear();
        std::string_view rest = TrimBlanks(s.substr(4));
        while (!rest.empty()) {
            const size_t comma = rest.find(',');
            std::string_view byte = TrimBlanks(rest.substr(0, comma));
            if (byte.empty() || byte.size() > 2)
                return false;
            int b = 0;
            for (char c : byte) {
                const int h = HexDigit(c);
                if (h < 0)
                    return false;
                b = b * 16 + h;
            }
            v.data += static_cast<char>(b);
            if (comma == std::string_view::npos)
                break;
            rest = rest.substr(comma + 1);
            if (TrimBlanks(rest).empty())
                return false; // trailing comma
        }
        return true;
    } else {
        return false;
    }
    return TrimBlanks(s.substr(pos)).empty();
}

// The names of the keys and values met while parsing, per key once it holds many: each line
// then finds its key and value in constant time, so a long file parses in time proportional to
// its length rather than to its square.
class ParseIndex {
public:
    Key& Subkey(Key& parent, std::string_view name)
    {
        if (parent.subkeys.size() < kLinear && !subkeys_.contains(&parent))
            return parent.subkey(name);
        const size_t at =
            Place(subkeys_[&parent], parent.subkeys, name, [](const auto& k) -> std::string_view { return k->name; });
        if (at == parent.subkeys.size()) {
            parent.subkeys.push_back(std::make_unique<Key>());
            parent.subkeys.back()->name = std::string(name);
        }
        return *parent.subkeys[at];
    }
    Value& ValueOf(Key& key, std::string_view name)
    {
        if (key.values.size() < kLinear && !values_.contains(&key))
            return key.value(name);
        const size_t at =
            Place(values_[&key], key.values, name, [](const Value& v) -> std::string_view { return v.name; });
        if (at == key.values.size())
            key.values.push_back(Value{std::string(name), DataType::None, {}});
        return key.values[at];
    }

private:
    using Index = std::unordered_map<std::string, size_t>;
    static constexpr size_t kLinear = 16; // fewer names are searched one by one

    // Where `name` is among `items`, or items.size() when it is not there (the caller appends it
    // there). The items found one by one before the index was made join it first.
    template <class Items, class NameOf>
    static size_t Place(Index& index, const Items& items, std::string_view name, NameOf nameOf)
    {
        for (size_t i = index.size(); i < items.size(); ++i)
            index.try_emplace(Lower(nameOf(items[i])), i);
        return index.try_emplace(Lower(name), items.size()).first->second;
    }
    static std::string Lower(std::string_view name)
    {
        std::string s(name);
        std::transform(s.begin(), s.end(), s.begin(), AsciiLower);
        return s;
    }
    std::unordered_map<const Key*, Index> subkeys_, values_;
};

} // namespace

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

bool ValidKeyName(std::string_view name)
{
    if (name.empty() || name.size() > 255)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '\\' || u < 0x20 || u == 0x7F;
    });
}

Key* Key::findSubkey(std::string_view n)
{
    for (auto& k : subkeys)
        if (SameName(k->name, n))
            return k.get();
    return nullptr;
}

const Key* Key::findSubkey(std::string_view n) const
{
    return const_cast<Key*>(this)->findSubkey(n);
}

Key& Key::subkey(std::string_view n)
{
    if (Key* k = findSubkey(n))
        return *k;
    subkeys.push_back(std::make_unique<Key>());
    subkeys.back()->name = std::string(n);
    return *subkeys.back();
}

bool Key::removeSubkey(std::string_view n)
{
    auto it = std::find_if(subkeys.begin(), subkeys.end(), [&](const auto& k) { return SameName(k->name, n); });
    if (it == subkeys.end())
        return false;
    subkeys.erase(it);
    return true;
}

Value* Key::findValue(std::string_view n)
{
    for (auto& v : values)
        if (SameName(v.name, n))
            return &v;
    return nullptr;
}

const Value* Key::findValue(std::string_view n) const
{
    return const_cast<Key*>(this)->findValue(n);
}

Value& Key::value(std::string_view n)
{
    if (Value* v = findValue(n))
        return *v;
    values.push_back(Value{std::string(n), DataType::None, {}});
    return values.back();
}

bool Key::removeValue(std::string_view n)
{
    auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) { return SameName(v.name, n); });
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

std::string SerializeHive(const Key& root, std::string_view title)
{
    std::string out = "; Morvel registry: ";
    out += title;
    out += '\n';
    std::string path;
    SerializeKey(root, path, out, 0);
    return out;
}

bool ParseHive(std::string_view text, Key& root, std::string& error)
{
    // A UTF-8 byte order mark left by an editor is not part of the first line.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    Key* current = &root;
    ParseIndex index;
    size_t lineNo = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        ++lineNo;
        const std::string_view line = TrimBlanks(text.substr(start, end - start));
        start = end + 1;
        auto fail = [&](const char* why) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            return false;
        };
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail("a key line must end with ']'");
            std::string_view path = line.substr(1, line.size() - 2);
            current = &root;
            size_t depth = 0;
            while (!path.empty()) {
                const size_t sep = path.find('\\');
                const std::string_view name = path.substr(0, sep);
                if (!ValidKeyName(name))
                    return fail("invalid key name");
                if (++depth > kMaxDepth)
                    return fail("keys nested too deeply");
                current = &index.Subkey(*current, name);
                if (sep == std::string_view::npos)
                    break;
                path.remove_prefix(sep + 1);
                if (path.empty())
                    return fail("invalid key name");
            }
            continue;
        }
        std::string name;
        size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, pos, name)) {
            return fail("expected a key in [brackets] or a value name in quotes");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            return fail("expected '=' after the value name");
        Value parsed;
        if (!ParseData(TrimBlanks(line.substr(pos + 1)), parsed))
            return fail("unreadable value data");
        Value& v = index.ValueOf(*current, name);
        v.type = parsed.type;
        v.data = std::move(parsed.data);
        if (end == text.size())
            break;
    }
    return true;
}

} // namespace reg
