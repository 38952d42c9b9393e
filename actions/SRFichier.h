#pragma once
// The first two classes of every list entry: the names and name key (TBaseFichier), then the
// file's size, times, attributes and the size and file-date keys (TSRFichier). Built once from a
// path and never changed; the list refreshes a file by building a new object.
#include <cstdint>
#include <string>

#include "platform/rtl/DateTime.h"

namespace actions {

// Win32 attribute bits that the actions test.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faDirectory = 0x10;

// Ends every sort key, followed by the exact full path: two names that differ only in case
// ("Clip.avi" and "clip.avi" may share a folder) keep two keys, and the byte sorts before any
// character of a name, so a path still sorts before the longer paths it begins.
constexpr char kKeyTieBreak = '\x01';

class TBaseFichier {
public:
    explicit TBaseFichier(const std::string& fileName);

    std::string FileName; // after the last '/' of FullName
    std::string FullName; // absolute, "." and ".." resolved lexically, links kept
    std::string NameKey;  // LowerCase(FileName + FullName), tie-break, FullName
};

class TSRFichier : public TBaseFichier {
public:
    explicit TSRFichier(const std::string& fileName);

    uint64_t Size() const { return static_cast<uint64_t>(SizeHigh) << 32 | SizeLow; }

    bool Exists = false; // statx found something at the path (links followed)
    uint32_t SizeHigh = 0;
    uint32_t SizeLow = 0;
    rtl::TDateTime CreationTime = 0; // birth time where the filesystem keeps one, else 0
    rtl::TDateTime LastWriteTime = 0;
    rtl::TDateTime LastAccessTime = 0;
    uint32_t Attributes = 0; // faReadOnly when the owner may not write; faDirectory
    std::string SizeKey;     // size as 2 x 16 hex digits, LowerCase(FullName), tie-break, FullName
    std::string DateKey;     // "yyyymmddhhnnss" of LastWriteTime, LowerCase(FullName), tie-break, ...

protected:
    bool IsRegularFile() const { return regular_; }

private:
    bool regular_ = false;
};

// A file time (seconds and nanoseconds since 1970, UTC) as a local TDateTime; 0 when it cannot
// be converted.
rtl::TDateTime FileTimeToDateTime(int64_t seconds, uint32_t nanoseconds);

// The tie-break tail of a key: kKeyTieBreak then the exact full path.
std::string KeyTail(const std::string& fullName);

} // namespace actions
