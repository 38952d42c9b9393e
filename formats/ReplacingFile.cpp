#include "formats/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

namespace formats {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
std::atomic<unsigned> tempCounter{0};

// Creates an empty file of a fresh name in the target's folder, exclusively, with the usual
// permissions (0666 less the umask). Short name: the target's own name may already be near the limit.
std::string CreateTemp(const std::string& target, int& err)
{
    const std::string dir = rtl::ExtractFilePath(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            dir + ".morvel-" + std::to_string(::getpid()) + "-" + std::to_string(tempCounter.fetch_add(1)) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) {
            err = errno;
            return {};
        }
    }
    err = EEXIST;
    return {};
}

// The runtime's own wording, so a failed temporary file reads like any failed create.
std::string CreateError(const std::string& target, int err)
{
    return rtl::Format(rtl::LoadStr(rtl::sid::sRtlCreateError), target, std::strerror(err));
}

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
    buffer_.clear();
    written_ = 0;
    int err = 0;
    temp_ = CreateTemp(target, err);
    if (temp_.empty()) {
        error_ = CreateError(target, err);
        return false;
    }
    try {
        stream_ = std::make_unique<rtl::TFileStream>(temp_, rtl::TFileStream::Mode::ReadWrite);
    } catch (const rtl::EFileError& e) {
        error_ = e.what();
        ::unlink(temp_.c_str());
        temp_.clear();
        return false;
    }
    buffer_.reserve(kBufferSize);
    return true;
}

void ReplacingFile::Write(std::string_view bytes)
{
    if (!stream_ || Failed())
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
    if (!stream_ || Failed())
        return;
    Flush();
    if (Failed())
        return;
    try {
        stream_->WriteAt(offset, bytes, count);
    } catch (const rtl::EFileError& e) {
        Fail(e.what());
    }
}

void ReplacingFile::Flush()
{
    if (buffer_.empty() || Failed())
        return;
    try {
        stream_->Seek(written_);
        stream_->Write(buffer_.data(), buffer_.size());
        written_ += static_cast<int64_t>(buffer_.size());
        buffer_.clear();
    } catch (const rtl::EFileError& e) {
        Fail(e.what());
    }
}

void ReplacingFile::Fail(const std::string& message)
{
    if (error_.empty())
        error_ = message;
}

bool ReplacingFile::Commit()
{
    if (!stream_)
        return false;
    Flush();
    if (!Failed()) {
        try {
            stream_->Flush();
            stream_->Close();
        } catch (const rtl::EFileError& e) {
            Fail(e.what());
        }
    }
    if (!Failed() && std::rename(temp_.c_str(), target_.c_str()) != 0)
        Fail(CreateError(target_, errno));
    if (Failed()) {
        Discard();
        return false;
    }
    stream_.reset();
    temp_.clear();
    return true;
}

void ReplacingFile::Discard()
{
    stream_.reset();
    buffer_.clear();
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

} // namespace formats
