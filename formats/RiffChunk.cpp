#include "formats/RiffChunk.h"

#include <algorithm>
#include <cstring>

#include <filesystem>

#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace formats {

size_t MemorySource::ReadAt(int64_t offset, void* buffer, size_t count) const
{
    if (offset < 0 || static_cast<uint64_t>(offset) >= bytes_.size())
        return 0;
    size_t n = std::min(count, bytes_.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
}

std::unique_ptr<rtl::TFileStream> OpenRegularFile(const std::string& path, rtl::TFileStream::Mode mode)
{
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (!ec && type != std::filesystem::file_type::regular && type != std::filesystem::file_type::not_found)
        throw rtl::EFileError(
            rtl::Format(rtl::LoadStr(rtl::sid::sRtlOpenError), path, rtl::LoadStr(rtl::sid::sNotARegularFile)));
    return std::make_unique<rtl::TFileStream>(path, mode);
}

FileSource::FileSource(const std::string& path)
    : owned_(OpenRegularFile(path, rtl::TFileStream::Mode::Read)), file_(owned_.get()), size_(owned_->Size())
{
}

FileSource::FileSource(const rtl::TFileStream& borrowed) : file_(&borrowed), size_(borrowed.Size())
{
}

FileSource::~FileSource() = default;

size_t FileSource::ReadAt(int64_t offset, void* buffer, size_t count) const
{
    if (offset < 0 || offset >= size_)
        return 0;
    return file_->ReadAt(offset, buffer, count);
}

size_t WindowedSource::ReadAt(int64_t offset, void* buffer, size_t count) const
{
    if (offset < 0 || count == 0)
        return 0;
    if (count >= kWindow)
        return source_.ReadAt(offset, buffer, count);
    const bool inside =
        window_ && offset >= windowPos_ && static_cast<uint64_t>(offset - windowPos_) + count <= windowLength_;
    if (!inside) {
        if (!window_)
            window_ = std::make_unique_for_overwrite<uint8_t[]>(kWindow);
        windowLength_ = 0; // a read that raises leaves no window
        windowPos_ = offset;
        windowLength_ = source_.ReadAt(offset, window_.get(), kWindow);
    }
    const uint64_t skip = static_cast<uint64_t>(offset - windowPos_);
    if (skip >= windowLength_)
        return 0;
    const size_t n = std::min(count, windowLength_ - static_cast<size_t>(skip));
    std::memcpy(buffer, window_.get() + skip, n);
    return n;
}

int64_t RiffChunk::end(int64_t limit) const
{
    int64_t e = dataPos() + static_cast<int64_t>(size) + (size & 1);
    return std::max(dataPos(), std::min(e, limit));
}

bool RiffChunk::isList() const
{
    return id == rtl::FourCC("RIFF") || id == rtl::FourCC("LIST");
}

bool ReadChunkHeader(const RiffSource& src, int64_t pos, int64_t limit, RiffChunk& out)
{
    limit = std::min(limit, src.Size());
    if (pos < 0 || limit - pos < 8)
        return false;
    uint8_t h[8];
    if (src.ReadAt(pos, h, 8) != 8)
        return false;
    out.id = rtl::GetLE32(h);
    out.size = rtl::GetLE32(h + 4);
    out.headerPos = pos;
    out.available = std::min<int64_t>(out.size, limit - out.dataPos());
    return true;
}

bool ReadListType(const RiffSource& src, const RiffChunk& chunk, uint32_t& type)
{
    uint8_t b[4];
    if (chunk.available < 4 || src.ReadAt(chunk.dataPos(), b, 4) != 4)
        return false;
    type = rtl::GetLE32(b);
    return true;
}

size_t ReadRecord(const RiffSource& src, const RiffChunk& chunk, void* record, size_t recordSize, int64_t skip)
{
    std::memset(record, 0, recordSize);
    int64_t avail = chunk.available - skip;
    if (avail <= 0 || skip < 0)
        return 0;
    size_t want = static_cast<size_t>(std::min<int64_t>(avail, static_cast<int64_t>(recordSize)));
    return src.ReadAt(chunk.dataPos() + skip, record, want);
}

RiffChunkCursor::RiffChunkCursor(const RiffSource& src, int64_t begin, int64_t limit, int maxChunks)
    : src_(src), pos_(begin), limit_(std::min(limit, src.Size())), maxChunks_(maxChunks)
{
}

bool RiffChunkCursor::Next(RiffChunk& chunk)
{
    if (shortRead_ || tooMany_ || Remaining() < 8)
        return false;
    if (count_ >= maxChunks_) {
        tooMany_ = true;
        return false;
    }
    if (!ReadChunkHeader(src_, pos_, limit_, chunk)) {
        shortRead_ = true;
        return false;
    }
    ++count_;
    pos_ = chunk.end(limit_);
    return true;
}

} // namespace formats
