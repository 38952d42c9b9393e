#pragma once
// A new file written under a temporary name in its destination folder and renamed over the
// destination only by Commit, so a failed or abandoned write leaves any older file untouched.
// Never throws: the first failure is kept in Error() and later writes do nothing.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/FileStream.h"

namespace formats {

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile(); // discards a file that was not committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file beside `target`; false (and Error()) when it cannot.
    bool Open(const std::string& target);
    bool IsOpen() const { return stream_ != nullptr; }
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    const std::string& Target() const { return target_; }

    // Buffered append at the end of what was written.
    void Write(std::string_view bytes);
    void Write(const void* bytes, size_t count);
    // Overwrites bytes already written (a field known only at the end).
    void WriteAt(int64_t offset, const void* bytes, size_t count);
    int64_t Size() const { return written_ + static_cast<int64_t>(buffer_.size()); }

    // Flushes to disk and renames over the target; on any failure the temporary file is removed
    // and false returned.
    bool Commit();
    // Removes the temporary file; the target is left as it was.
    void Discard();

private:
    void Flush();
    void Fail(const std::string& message);

    std::string target_;
    std::string temp_;
    std::unique_ptr<rtl::TFileStream> stream_;
    std::string buffer_;
    int64_t written_ = 0;
    std::string error_;
};

} // namespace formats
