#pragma once
// In-memory and sparse byte streams for the AVI writer and reader tests.
#include "formats/AviDemux.h"
#include "formats/AviMuxWriter.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace avitest {

// A whole file in memory, written and read at offsets.
class MemoryFile : public formats::AviByteStream, public formats::AviByteSource {
public:
    std::string bytes;
    int64_t failAfter = -1; // writes reaching past this offset fail (a full disk)

    bool WriteAt(int64_t offset, const void* data, size_t size) override
    {
        if (failAfter >= 0 && offset + static_cast<int64_t>(size) > failAfter)
            return false;
        if (bytes.size() < offset + size)
            bytes.resize(offset + size);
        std::memcpy(bytes.data() + offset, data, size);
        return true;
    }
    int64_t Size() const override { return static_cast<int64_t>(bytes.size()); }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override
    {
        if (offset < 0 || offset >= Size())
            return 0;
        const size_t n = std::min(count, bytes.size() - static_cast<size_t>(offset));
        std::memcpy(buffer, bytes.data() + offset, n);
        return n;
    }
};

// A file of many gigabytes whose big writes are dropped (they read back as zeros): only the
// structure (headers, indexes) is kept, so offsets past 4 GiB can be tested in memory.
class SparseFile : public formats::AviByteStream, public formats::AviByteSource {
public:
    static constexpr size_t kKeepBelow = 1 << 16;
    std::map<int64_t, std::string> pieces;
    int64_t size = 0;

    bool WriteAt(int64_t offset, const void* data, size_t n) override
    {
        size = std::max<int64_t>(size, offset + static_cast<int64_t>(n));
        if (n >= kKeepBelow)
            return true;
        // Overwrites hit earlier pieces at the same offsets (the writer patches whole fields).
        const auto* p = static_cast<const char*>(data);
        for (auto& [at, piece] : pieces) {
            const int64_t from = std::max<int64_t>(at, offset);
            const int64_t to =
                std::min<int64_t>(at + static_cast<int64_t>(piece.size()), offset + static_cast<int64_t>(n));
            if (from < to)
                std::memcpy(piece.data() + (from - at), p + (from - offset), static_cast<size_t>(to - from));
        }
        pieces[offset].assign(p, n);
        return true;
    }
    int64_t Size() const override { return size; }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override
    {
        if (offset < 0 || offset >= size)
            return 0;
        count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - offset));
        auto* out = static_cast<char*>(buffer);
        std::memset(out, 0, count);
        for (const auto& [at, piece] : pieces) {
            const int64_t from = std::max<int64_t>(at, offset);
            const int64_t to =
                std::min<int64_t>(at + static_cast<int64_t>(piece.size()), offset + static_cast<int64_t>(count));
            if (from < to)
                std::memcpy(out + (from - offset), piece.data() + (from - at), static_cast<size_t>(to - from));
        }
        return count;
    }
};

// A file read whole into memory; the bytes of one chunk, or of a whole stream, in it.
inline MemoryFile Load(const std::string& path)
{
    MemoryFile f;
    f.bytes = testkit::ReadFileBytes(path);
    return f;
}
inline std::string Bytes(const MemoryFile& f, const formats::AviChunkRef& c)
{
    return f.bytes.substr(c.offset, c.size);
}
inline std::string Joined(const MemoryFile& f, const formats::AviDemuxStream& s)
{
    std::string all;
    for (const auto& c : s.chunks)
        all += Bytes(f, c);
    return all;
}
// The raw bytes of a DV frame or of PCM samples, to compare with chunk bytes.
template <class T> std::string Raw(const std::vector<T>& v)
{
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
}

// Payload bytes that tell chunks apart.
inline std::vector<uint8_t> Payload(size_t size, int seed)
{
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = static_cast<uint8_t>(i * 31 + seed * 7);
    return v;
}

// A type-2 file: `frames` DV video chunks of `videoSize` bytes (payload seed i), each followed
// by 1920 samples of 48 kHz stereo PCM (seed 1000 + i).
inline bool WriteType2(formats::AviByteStream& out, int frames, size_t videoSize, formats::AviMuxOptions options = {})
{
    formats::AviMuxWriter w(out, options);
    if (w.AddStream(testkit::DvVideoSpec(true)) != 0 || w.AddStream(testkit::PcmSpec(48000, 2)) != 1 || !w.Begin())
        return false;
    for (int i = 0; i < frames; ++i) {
        const auto v = Payload(videoSize, i), a = Payload(7680, 1000 + i);
        if (!w.WriteChunk(0, v.data(), v.size()) || !w.WriteChunk(1, a.data(), a.size()))
            return false;
    }
    return w.Finish() && w.Finish(); // a second finish changes nothing
}

} // namespace avitest
