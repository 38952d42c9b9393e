#include "platform/rtl/TextWriter.h"

#include "platform/rtl/Messages.h"
#include "platform/rtl/StringIds.h"

namespace rtl {

namespace {

// Text is handed to the file in blocks of about this size.
constexpr size_t kBufferSize = 64 * 1024;

} // namespace

TTextWriter::TTextWriter(const std::string& path) : file_(path, TFileStream::Mode::Create)
{
    buffer_.reserve(kBufferSize);
}

TTextWriter::~TTextWriter()
{
    try {
        Close();
    } catch (const EFileError&) {
        // A destructor cannot report; callers that care call Close themselves.
    }
}

void TTextWriter::Write(std::string_view text)
{
    if (!file_.IsOpen())
        throw EFileError(Message(sid::sRtlFileClosed, {file_.FileName()}));
    buffer_ += text;
    if (buffer_.size() >= kBufferSize) {
        // The buffer is dropped only once written, so a failed write loses nothing already given.
        file_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
}

void TTextWriter::WriteLine(std::string_view line)
{
    Write(line);
    Write("\r\n");
}

void TTextWriter::Close()
{
    if (!file_.IsOpen())
        return;
    // Synced before it is closed: a text file is often renamed over an older one right after,
    // and a crash must not leave an empty file in its place.
    try {
        if (!buffer_.empty())
            file_.Write(buffer_.data(), buffer_.size());
        file_.Flush();
    } catch (...) {
        buffer_.clear();
        file_.Close();
        throw;
    }
    buffer_.clear();
    file_.Close();
}

} // namespace rtl
