#pragma once
// A new file written through rtl::AtomicFile (under a temporary name, renamed over the destination
// only by Commit), with buffered appends and fields patched at the end, for the writers of text
// and listing files. Never throws: the first failure is kept in Error() and later writes do nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/AtomicFile.h"

namespace formats {

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile(); // discards a file that was not committed
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file beside `target`; false (and Error()) when it cannot.
    bool Open(const std::string& target);
    bool IsOpen() const { return file_.IsOpen(); }
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    int ErrorNumber() const { return errorNumber_; } // the system's error number of that failure
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
    void Fail(int messageId, int err);

    std::string target_;
    rtl::AtomicFile file_;
    std::string buffer_;
    int64_t written_ = 0;
    std::string error_;
    int errorNumber_ = 0;
};

} // namespace formats
