#include "actions/SRFichier.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"

namespace actions {

std::string KeyTail(const std::string& fullName)
{
    return kKeyTieBreak + fullName;
}

TBaseFichier::TBaseFichier(const std::string& fileName)
    : FileName(rtl::ExtractFileName(rtl::ExpandFileName(fileName))), FullName(rtl::ExpandFileName(fileName)),
      NameKey(rtl::LowerCase(FileName + FullName) + KeyTail(FullName))
{
}

rtl::TDateTime FileTimeToDateTime(int64_t seconds, uint32_t nanoseconds)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    if (localtime_r(&t, &local) == nullptr)
        return 0;
    rtl::TDateTime dt = 0;
    if (!rtl::TryEncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                std::min(local.tm_sec, 59), static_cast<int>(nanoseconds / 1000000), dt))
        return 0;
    return dt;
}

TSRFichier::TSRFichier(const std::string& fileName) : TBaseFichier(fileName)
{
    struct statx st {};
    if (fileName.empty() ||
        statx(AT_FDCWD, FullName.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
        return;
    Exists = true;
    regular_ = S_ISREG(st.stx_mode);
    SizeHigh = static_cast<uint32_t>(st.stx_size >> 32);
    SizeLow = static_cast<uint32_t>(st.stx_size);
    if (st.stx_mask & STATX_BTIME)
        CreationTime = FileTimeToDateTime(st.stx_btime.tv_sec, st.stx_btime.tv_nsec);
    LastWriteTime = FileTimeToDateTime(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    LastAccessTime = FileTimeToDateTime(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
    // The owner's write bit, not access(): root may write anything, yet the user's read-only
    // mark should still protect the file from the delete action.
    if ((st.stx_mode & S_IWUSR) == 0)
        Attributes |= faReadOnly;
    if (S_ISDIR(st.stx_mode))
        Attributes |= faDirectory;
    SizeKey = rtl::IntToHex(SizeHigh, 16) + rtl::IntToHex(SizeLow, 16) + rtl::LowerCase(FullName) + KeyTail(FullName);
    DateKey = rtl::FormatDateTime("yyyymmddhhnnss", LastWriteTime) + rtl::LowerCase(FullName) + KeyTail(FullName);
}

} // namespace actions
