#include "formats/ScnFileReader.h"

#include <algorithm>

#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/FileStream.h"

namespace formats {

namespace {

constexpr size_t kMaxName = 255;
// Header: 24 fixed bytes, the name, 8 + 2 (the count) + 30 bytes; first entry: 4 (its end),
// 6, the name, 8 + 4 bytes; every further entry 35 bytes with its start at offset 9.
constexpr size_t kHeaderFixed = 24 + 1 + 8 + 2 + 30;
constexpr size_t kFirstEntryFixed = 4 + 6 + 1 + 8 + 4;
constexpr size_t kEntrySize = 35;
constexpr size_t kMaxBytes = kHeaderFixed + kMaxName + kFirstEntryFixed + kMaxName + 0xFFFF * kEntrySize;

// Walks the bytes as a cursor that fails once it would pass the end.
class Cursor {
public:
    explicit Cursor(const std::string& bytes) : bytes_(bytes) {}
    bool Skip(size_t n)
    {
        if (n > bytes_.size() - pos_)
            return false;
        pos_ += n;
        return true;
    }
    bool Byte(size_t& out)
    {
        if (pos_ >= bytes_.size())
            return false;
        out = static_cast<uint8_t>(bytes_[pos_++]);
        return true;
    }
    bool U16(uint16_t& out)
    {
        if (2 > bytes_.size() - pos_)
            return false;
        out = rtl::GetLE16(Data());
        pos_ += 2;
        return true;
    }
    bool I32(int32_t& out)
    {
        if (4 > bytes_.size() - pos_)
            return false;
        out = static_cast<int32_t>(rtl::GetLE32(Data()));
        pos_ += 4;
        return true;
    }

private:
    const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(bytes_.data()) + pos_; }
    const std::string& bytes_;
    size_t pos_ = 0;
};

} // namespace

std::optional<std::vector<int32_t>> ScnFileReader::SceneStartsOf(const std::string& bytes)
{
    Cursor c(bytes);
    size_t nameLength = 0;
    uint16_t count = 0;
    int32_t frame = 0;
    // The header, then the first entry: its end frame is where the second scene starts.
    if (!c.Skip(24) || !c.Byte(nameLength) || !c.Skip(nameLength) || !c.Skip(8) || !c.U16(count) || !c.Skip(30) ||
        !c.I32(frame) || !c.Skip(6) || !c.Byte(nameLength) || !c.Skip(nameLength) || !c.Skip(8 + 4))
        return std::nullopt;
    std::vector<int32_t> starts{frame};
    for (int k = 1; k < count; ++k) {
        if (!c.Skip(9) || !c.I32(frame))
            break;
        starts.push_back(frame); // an entry cut short after its start still gives it
        if (!c.Skip(4 + 6 + 4 + 4 + 4))
            break;
    }
    return starts;
}

std::optional<std::vector<int32_t>> ScnFileReader::SceneStarts(const std::string& scnFile)
{
    try {
        rtl::TFileStream in(scnFile, rtl::TFileStream::Mode::Read);
        const int64_t size = in.Size();
        if (size <= 0)
            return std::nullopt;
        std::string bytes(static_cast<size_t>(std::min<int64_t>(size, kMaxBytes)), '\0');
        bytes.resize(in.ReadAt(0, bytes.data(), bytes.size()));
        return SceneStartsOf(bytes);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace formats
