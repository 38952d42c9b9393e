#include "formats/AviMuxWriter.h"

#include <algorithm>
#include <cstring>

#include "formats/AviRecords.h"
#include "platform/rtl/ByteOrder.h"

namespace formats {
namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifIsInterleaved = 0x100;
constexpr uint32_t kAviifKeyframe = 0x10;
constexpr int64_t kMoviAlignment = 2048; // first movie chunk on a sector-friendly boundary
constexpr size_t kSuperIndexHeader = 24;
constexpr size_t kStdIndexHeader = 24;

// Little-endian serialisation into a growing buffer.
class Bytes {
public:
    std::vector<uint8_t> v;
    void u8(uint8_t x) { v.push_back(x); }
    void u16(uint16_t x) { rtl::AppendLE16(v, x); }
    void u32(uint32_t x) { rtl::AppendLE32(v, x); }
    void u64(uint64_t x) { rtl::AppendLE64(v, x); }
    void raw(const std::vector<uint8_t>& b) { v.insert(v.end(), b.begin(), b.end()); }
    void zeros(size_t n) { v.insert(v.end(), n, 0); }
    // Starts a chunk or list; returns where its size goes.
    size_t open(uint32_t id)
    {
        u32(id);
        u32(0);
        return v.size() - 4;
    }
    void close(size_t sizeAt)
    {
        const uint32_t size = static_cast<uint32_t>(v.size() - sizeAt - 4);
        if (size & 1)
            u8(0);
        rtl::PutLE32(&v[sizeAt], size);
    }
};

uint32_t TypeFcc(AviStreamKind kind)
{
    switch (kind) {
    case AviStreamKind::Video: return rtl::FourCC("vids");
    case AviStreamKind::Audio: return rtl::FourCC("auds");
    case AviStreamKind::Interleaved: return rtl::FourCC("iavs");
    }
    return 0;
}

} // namespace

AviMuxWriter::AviMuxWriter(AviByteStream& out, AviMuxOptions options) : out_(out), options_(options)
{
    // Standard index offsets are 32-bit from the segment start.
    options_.segmentLimit = std::clamp<int64_t>(options_.segmentLimit, 4096, int64_t{0xFFF00000});
    options_.superIndexEntries = std::max<uint32_t>(options_.superIndexEntries, 1);
}

uint32_t AviMuxWriter::ChunkId(int stream, const AviStreamSpec& spec)
{
    switch (spec.kind) {
    case AviStreamKind::Audio: return StreamChunkId(stream, "wb");
    case AviStreamKind::Interleaved: return StreamChunkId(stream, "db");
    case AviStreamKind::Video: {
        // Uncompressed pictures (biCompression 0 at offset 16 of the bitmap header) are "db".
        const bool rgb = spec.format.size() >= 20 && spec.format[16] == 0 && spec.format[17] == 0 &&
                         spec.format[18] == 0 && spec.format[19] == 0;
        return StreamChunkId(stream, rgb ? "db" : "dc");
    }
    }
    return StreamChunkId(stream, "dc");
}

int AviMuxWriter::AddStream(AviStreamSpec spec)
{
    if (begun_ || streams_.size() >= 100)
        return -1;
    Stream s;
    s.chunkId = ChunkId(static_cast<int>(streams_.size()), spec);
    if (spec.scale == 0)
        spec.scale = 1;
    s.spec = std::move(spec);
    streams_.push_back(std::move(s));
    return static_cast<int>(streams_.size()) - 1;
}

uint64_t AviMuxWriter::ChunkCount(int stream) const
{
    return stream >= 0 && stream < StreamCount() ? streams_[stream].chunks : 0;
}

std::vector<uint8_t> AviMuxWriter::BuildHeader() const
{
    int main = -1;
    for (size_t i = 0; i < streams_.size() && main < 0; ++i)
        if (streams_[i].spec.kind != AviStreamKind::Audio)
            main = static_cast<int>(i);
    const Stream* video = main >= 0 ? &streams_[main] : (streams_.empty() ? nullptr : &streams_[0]);

    uint64_t maxBytesPerSec = 0;
    uint32_t suggested = 0;
    for (const Stream& s : streams_) {
        suggested = std::max(suggested, s.maxChunk + 8);
        maxBytesPerSec += s.spec.kind == AviStreamKind::Audio
                              ? s.spec.rate
                              : static_cast<uint64_t>(s.maxChunk) * s.spec.rate / s.spec.scale;
    }

    Bytes b;
    const size_t hdrl = b.open(rtl::FourCC("LIST"));
    b.u32(rtl::FourCC("hdrl"));
    const size_t avih = b.open(rtl::FourCC("avih"));
    b.u32(main >= 0 && video->spec.rate
              ? static_cast<uint32_t>((uint64_t{1000000} * video->spec.scale + video->spec.rate / 2) / video->spec.rate)
              : 0);
    b.u32(static_cast<uint32_t>(std::min<uint64_t>(maxBytesPerSec, UINT32_MAX)));
    b.u32(0);
    b.u32(kAvifHasIndex | kAvifIsInterleaved);
    b.u32(static_cast<uint32_t>(std::min<uint64_t>(firstSegmentFrames_, UINT32_MAX)));
    b.u32(0);
    b.u32(static_cast<uint32_t>(streams_.size()));
    b.u32(suggested);
    b.u32(main >= 0 ? static_cast<uint32_t>(std::max<int16_t>(video->spec.width, 0)) : 0);
    b.u32(main >= 0 ? static_cast<uint32_t>(std::max<int16_t>(video->spec.height, 0)) : 0);
    b.zeros(16);
    b.close(avih);

    for (const Stream& s : streams_) {
        const size_t strl = b.open(rtl::FourCC("LIST"));
        b.u32(rtl::FourCC("strl"));
        const size_t strh = b.open(rtl::FourCC("strh"));
        const bool audio = s.spec.kind == AviStreamKind::Audio;
        const uint64_t length = audio ? s.bytes / std::max<uint32_t>(s.spec.sampleSize, 1) : s.chunks;
        b.u32(TypeFcc(s.spec.kind));
        b.u32(s.spec.handler);
        b.u32(0); // flags
        b.u16(0); // priority
        b.u16(0); // language
        b.u32(0); // initial frames
        b.u32(s.spec.scale);
        b.u32(s.spec.rate);
        b.u32(0); // start
        b.u32(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
        b.u32(s.maxChunk);
        b.u32(UINT32_MAX); // quality: default
        b.u32(s.spec.sampleSize);
        b.u16(0);
        b.u16(0);
        b.u16(static_cast<uint16_t>(audio ? 0 : s.spec.width));
        b.u16(static_cast<uint16_t>(audio ? 0 : s.spec.height));
        b.close(strh);
        const size_t strf = b.open(rtl::FourCC("strf"));
        b.raw(s.spec.format);
        b.close(strf);
        // The super index, one entry per segment; the room for all entries is reserved now.
        const size_t indx = b.open(rtl::FourCC("indx"));
        b.u16(4);
        b.u8(0);
        b.u8(0); // index of indexes
        b.u32(static_cast<uint32_t>(s.superIndex.size()));
        b.u32(s.chunkId);
        b.zeros(12);
        for (uint32_t i = 0; i < options_.superIndexEntries; ++i) {
            if (i < s.superIndex.size()) {
                b.u64(s.superIndex[i].offset);
                b.u32(s.superIndex[i].size);
                b.u32(s.superIndex[i].duration);
            } else {
                b.zeros(16);
            }
        }
        b.close(indx);
        b.close(strl);
    }

    const size_t odml = b.open(rtl::FourCC("LIST"));
    b.u32(rtl::FourCC("odml"));
    const size_t dmlh = b.open(rtl::FourCC("dmlh"));
    b.u32(static_cast<uint32_t>(std::min<uint64_t>(video ? video->chunks : 0, UINT32_MAX)));
    b.zeros(244);
    b.close(dmlh);
    b.close(odml);
    b.close(hdrl);
    return std::move(b.v);
}

bool AviMuxWriter::Begin()
{
    if (begun_ || streams_.empty())
        return false;
    begun_ = true;
    Bytes riff;
    riff.u32(rtl::FourCC("RIFF"));
    riff.u32(0);
    riff.u32(rtl::FourCC("AVI "));
    const std::vector<uint8_t> header = BuildHeader();
    headerSize_ = header.size();
    if (!Append(riff.v.data(), riff.v.size()) || !Append(header.data(), header.size()))
        return Fail();
    // Room between the header and the movie data, so the first chunk lies on a boundary.
    const int64_t end = Position();
    const int64_t moviData = (end + 8 + 12 + kMoviAlignment - 1) / kMoviAlignment * kMoviAlignment;
    Bytes junk;
    junk.u32(rtl::FourCC("JUNK"));
    junk.u32(static_cast<uint32_t>(moviData - 12 - end - 8));
    junk.zeros(static_cast<size_t>(moviData - 12 - end - 8));
    if (!Append(junk.v.data(), junk.v.size()))
        return Fail();
    riffStart_ = 0;
    return OpenSegment();
}

bool AviMuxWriter::OpenSegment()
{
    if (segments_ >= options_.superIndexEntries)
        return Fail();
    Bytes b;
    if (segments_ > 0) {
        riffStart_ = Position();
        b.u32(rtl::FourCC("RIFF"));
        b.u32(0);
        b.u32(rtl::FourCC("AVIX"));
    }
    moviStart_ = Position() + static_cast<int64_t>(b.v.size());
    b.u32(rtl::FourCC("LIST"));
    b.u32(0);
    b.u32(rtl::FourCC("movi"));
    ++segments_;
    segmentOpen_ = true;
    return Append(b.v.data(), b.v.size()) || Fail();
}

int64_t AviMuxWriter::PendingIndexBytes() const
{
    int64_t bytes = 0;
    for (const Stream& s : streams_)
        if (!s.segmentEntries.empty())
            bytes += 8 + static_cast<int64_t>(kStdIndexHeader + 8 * s.segmentEntries.size());
    if (segments_ == 1)
        bytes += 8 + 16 * static_cast<int64_t>(idx1_.size());
    return bytes;
}

bool AviMuxWriter::WriteChunk(int stream, const uint8_t* data, size_t size, bool keyframe)
{
    if (!begun_ || finished_ || failed_ || stream < 0 || stream >= StreamCount() || size > 0x7FFFFFF0u)
        return false;
    Stream& s = streams_[stream];
    const int64_t total = 8 + static_cast<int64_t>(size) + static_cast<int64_t>(size & 1);
    const int64_t ownIndex = 8 + 16 + 32 + 8; // its entries, and an index chunk header it may add
    bool segmentHasChunks = false;
    for (const Stream& other : streams_)
        segmentHasChunks = segmentHasChunks || !other.segmentEntries.empty();
    if (segmentHasChunks && Position() + total + PendingIndexBytes() + ownIndex - riffStart_ > options_.segmentLimit) {
        if (!CloseSegment() || !OpenSegment())
            return Fail();
    }

    const int64_t headerPos = Position();
    uint8_t header[8];
    rtl::PutLE32(header, s.chunkId);
    rtl::PutLE32(header + 4, static_cast<uint32_t>(size));
    const uint8_t pad = 0;
    if (!Append(header, 8) || (size > 0 && !Append(data, size)) || ((size & 1) && !Append(&pad, 1)))
        return Fail();
    s.segmentEntries.push_back({headerPos + 8, static_cast<uint32_t>(size), keyframe});
    s.chunks += 1;
    s.bytes += size;
    s.maxChunk = std::max(s.maxChunk, static_cast<uint32_t>(size));
    if (segments_ == 1)
        idx1_.push_back({s.chunkId, keyframe ? kAviifKeyframe : 0, static_cast<uint32_t>(headerPos - (moviStart_ + 8)),
                         static_cast<uint32_t>(size)});
    return true;
}

bool AviMuxWriter::CloseSegment()
{
    if (!segmentOpen_)
        return true;
    segmentOpen_ = false;
    for (size_t n = 0; n < streams_.size(); ++n) {
        Stream& s = streams_[n];
        if (s.segmentEntries.empty())
            continue;
        Bytes ix;
        const size_t sizeAt = ix.open(StreamIndexChunkId(static_cast<int>(n)));
        ix.u16(2);
        ix.u8(0);
        ix.u8(1); // index of chunks
        ix.u32(static_cast<uint32_t>(s.segmentEntries.size()));
        ix.u32(s.chunkId);
        ix.u64(static_cast<uint64_t>(moviStart_));
        ix.u32(0);
        uint64_t bytes = 0;
        for (const IndexEntry& e : s.segmentEntries) {
            ix.u32(static_cast<uint32_t>(e.dataPos - moviStart_));
            ix.u32(e.size | (e.keyframe ? 0u : 0x80000000u));
            bytes += e.size;
        }
        ix.close(sizeAt);
        const bool audio = s.spec.kind == AviStreamKind::Audio;
        const uint64_t duration = audio ? bytes / std::max<uint32_t>(s.spec.sampleSize, 1) : s.segmentEntries.size();
        s.superIndex.push_back({static_cast<uint64_t>(Position()), static_cast<uint32_t>(ix.v.size()),
                                static_cast<uint32_t>(std::min<uint64_t>(duration, UINT32_MAX))});
        if (!Append(ix.v.data(), ix.v.size()))
            return Fail();
        s.segmentEntries.clear();
    }
    if (!PatchLE32(moviStart_ + 4, static_cast<uint32_t>(Position() - moviStart_ - 8)))
        return Fail();
    if (segments_ == 1) {
        for (const Stream& s : streams_)
            if (s.spec.kind != AviStreamKind::Audio) {
                firstSegmentFrames_ = s.chunks;
                break;
            }
        Bytes idx1;
        const size_t sizeAt = idx1.open(rtl::FourCC("idx1"));
        for (const Idx1Entry& e : idx1_) {
            idx1.u32(e.id);
            idx1.u32(e.flags);
            idx1.u32(e.offset);
            idx1.u32(e.size);
        }
        idx1.close(sizeAt);
        if (!Append(idx1.v.data(), idx1.v.size()))
            return Fail();
        idx1_.clear();
        idx1_.shrink_to_fit();
    }
    return PatchLE32(riffStart_ + 4, static_cast<uint32_t>(Position() - riffStart_ - 8)) || Fail();
}

bool AviMuxWriter::Finish()
{
    if (!begun_ || failed_)
        return false;
    if (finished_)
        return true;
    if (!CloseSegment())
        return Fail();
    const std::vector<uint8_t> header = BuildHeader();
    if (header.size() != headerSize_ || !PatchAt(12, header.data(), header.size()) || !Flush())
        return Fail();
    finished_ = true;
    return true;
}

bool AviMuxWriter::Append(const void* data, size_t size)
{
    if (buf_.size() + size > options_.bufferSize && !Flush())
        return false;
    if (size >= options_.bufferSize) {
        if (!out_.WriteAt(bufPos_, data, size))
            return false;
        bufPos_ += static_cast<int64_t>(size);
        return true;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    buf_.insert(buf_.end(), p, p + size);
    return true;
}

bool AviMuxWriter::PatchAt(int64_t offset, const void* data, size_t size)
{
    const int64_t end = offset + static_cast<int64_t>(size);
    if (end > Position())
        return false;
    if (offset >= bufPos_) {
        std::memcpy(buf_.data() + (offset - bufPos_), data, size);
        return true;
    }
    if (end > bufPos_ && !Flush())
        return false;
    return out_.WriteAt(offset, data, size);
}

bool AviMuxWriter::PatchLE32(int64_t offset, uint32_t value)
{
    uint8_t b[4];
    rtl::PutLE32(b, value);
    return PatchAt(offset, b, 4);
}

bool AviMuxWriter::Flush()
{
    if (buf_.empty())
        return true;
    if (!out_.WriteAt(bufPos_, buf_.data(), buf_.size()))
        return false;
    bufPos_ += static_cast<int64_t>(buf_.size());
    buf_.clear();
    return true;
}

bool AviMuxWriter::Fail()
{
    failed_ = true;
    return false;
}

} // namespace formats
