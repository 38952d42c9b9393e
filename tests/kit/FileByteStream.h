#pragma once
// An AVI writer's byte stream straight onto a file (created or truncated), for tests and benches
// that make fixtures; the program writes its files through the File writer.
#include <string>

#include "formats/AviMuxWriter.h"

namespace testkit {

class FileByteStream : public formats::AviByteStream {
public:
    explicit FileByteStream(const std::string& path);
    ~FileByteStream() override;
    FileByteStream(const FileByteStream&) = delete;
    FileByteStream& operator=(const FileByteStream&) = delete;
    bool IsOpen() const { return fd_ >= 0; }
    bool WriteAt(int64_t offset, const void* data, size_t size) override;
    bool Close(); // flushes to disk; false when that fails

private:
    int fd_ = -1;
};

} // namespace testkit
