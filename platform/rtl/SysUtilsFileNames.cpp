// File-name helpers of the runtime: '/' is the only path delimiter.
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

// Position of the last '.' of the last path component, or npos.
size_t ExtensionDot(std::string_view name)
{
    const size_t pos = name.find_last_of("./");
    if (pos == std::string_view::npos || name[pos] != '.')
        return std::string_view::npos;
    return pos;
}

std::string CurrentDirectory()
{
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE || buf.size() > (1u << 20))
            return "/";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

} // namespace

std::string ChangeFileExt(std::string_view name, std::string_view ext)
{
    const size_t dot = ExtensionDot(name);
    std::string out(dot == std::string_view::npos ? name : name.substr(0, dot));
    out += ext;
    return out;
}

std::string ExtractFileName(std::string_view name)
{
    const size_t slash = name.rfind('/');
    return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash + 1));
}

std::string ExtractFileDir(std::string_view name)
{
    const size_t slash = name.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    // The root keeps its slash; "/a//b" gives "/a/" as the delimiter before a delimiter stays.
    if (slash == 0 || name[slash - 1] == '/')
        return std::string(name.substr(0, slash + 1));
    return std::string(name.substr(0, slash));
}

std::string ExtractFileExt(std::string_view name)
{
    const size_t dot = ExtensionDot(name);
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ExpandFileName(std::string_view name)
{
    if (name.empty())
        return {};
    std::string full =
        name.front() == '/' ? std::string(name) : IncludeTrailingPathDelimiter(CurrentDirectory()) + std::string(name);
    const bool trailingSlash = full.back() == '/';
    std::vector<std::string_view> parts;
    std::string_view rest = full;
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (std::string_view part : parts) {
        out += '/';
        out += part;
    }
    if (out.empty() || trailingSlash)
        out += '/';
    return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string out(path);
    if (out.empty() || out.back() != '/')
        out += '/';
    return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path)
{
    // The root stays "/": without its slash it would name the current folder.
    if (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

bool FileExists(const std::string& name)
{
    struct stat st {};
    return !name.empty() && stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& name)
{
    struct stat st {};
    return !name.empty() && stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path, unsigned permissions)
{
    if (path.empty())
        return false;
    // Each missing folder of the path in turn, from the root down; one that exists is fine.
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        const std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), permissions) != 0 && errno != EEXIST)
            return false;
    }
    return DirectoryExists(path);
}

} // namespace rtl
