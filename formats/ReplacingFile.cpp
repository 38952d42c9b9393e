#include "formats/ReplacingFile.h"

#include <cstring>

#include "platform/rtl/Format.h"
#include "platform/rtl/StringIds.h"
#include "platform/rtl/Strings.h"

namespace formats {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

} // namespace

ReplacingFile::~ReplacingFile()
{
    Discard();
}

bool ReplacingFile::Open(const std::string& target)
{
    Discard();
    target_ = target;
    error_.clear();
    errorNumber_ = 0;
    written_ = 0;
    if (int err = file_.Create(target)) {
        Fail(rtl::sid::sRtlCreateError, err);
        return false;
    }
    buffer_.reserve(kBufferSize);
    return true;
}

void ReplacingFile::Write(std::string_view bytes)
{
    if (!file_.IsOpen() || Failed())
        return;
    buffer_ += bytes;
    if (buffer_.size() >= kBufferSize)
        Flush();
}

void ReplacingFile::Write(const void* bytes, size_t count)
{
    Write(std::string_view(static_cast<const char*>(bytes), count));
}

void ReplacingFile::WriteAt(int64_t offset, const void* bytes, size_t count)
{
    if (!file_.IsOpen() || Failed())
        return;
    Flush();
    if (Failed())
        return;
    if (int err = file_.WriteAt(offset, bytes, count))
        Fail(rtl::sid::sRtlWriteError, err);
}

void ReplacingFile::Flush()
{
    if (buffer_.empty() || Failed())
        return;
    if (int err = file_.WriteAt(written_, buffer_.data(), buffer_.size())) {
        Fail(rtl::sid::sRtlWriteError, err);
        return;
    }
    written_ += static_cast<int64_t>(buffer_.size());
    buffer_.clear();
}

// Messages name the target, the file the user knows of, not the temporary one.
void ReplacingFile::Fail(int messageId, int err)
{
    if (!error_.empty())
        return;
    error_ = rtl::Format(rtl::LoadStr(messageId), target_, std::strerror(err));
    errorNumber_ = err;
}

bool ReplacingFile::Commit()
{
    if (!file_.IsOpen())
        return false;
    Flush();
    if (!Failed()) {
        if (int err = file_.Commit())
            Fail(rtl::sid::sRtlCreateError, err);
    }
    Discard();
    return !Failed();
}

void ReplacingFile::Discard()
{
    file_.Discard();
    buffer_.clear();
}

} // namespace formats
