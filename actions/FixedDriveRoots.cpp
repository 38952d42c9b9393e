#include "actions/FixedDriveRoots.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/rtl/SysUtils.h"

namespace actions {

namespace {

bool IsDiskFilesystem(std::string_view type)
{
    for (std::string_view disk : {"ext2", "ext3", "ext4", "xfs", "btrfs", "vfat", "msdos", "exfat", "ntfs", "ntfs3",
                                  "fuseblk", "f2fs", "jfs", "reiserfs", "hfs", "hfsplus", "nilfs2", "bcachefs", "zfs"})
        if (type == disk)
            return true;
    return false;
}

// The kernel writes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string Unescape(std::string_view s)
{
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && octal(s[i + 1]) && octal(s[i + 2]) && octal(s[i + 3])) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

std::vector<std::string> FixedDriveRoots(std::string_view mountinfo)
{
    std::vector<std::string> roots;
    std::istringstream lines{std::string(mountinfo)};
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options [optional fields] - type source options
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string field; fields >> field;)
            f.push_back(field);
        const auto dash = std::find(f.begin(), f.end(), "-");
        if (f.size() < 5 || dash == f.end() || dash + 1 == f.end() || dash - f.begin() < 6)
            continue;
        if (IsDiskFilesystem(*(dash + 1)))
            roots.push_back(Unescape(f[4]));
    }
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

std::vector<std::string> FixedDriveRoots()
{
    std::ifstream in("/proc/self/mountinfo");
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> roots = FixedDriveRoots(text.str());
    std::erase_if(roots, [](const std::string& root) { return !rtl::DirectoryExists(root); });
    return roots;
}

} // namespace actions
