#include "formats/AviDemux.h"

#include <algorithm>

#include "formats/AviRecords.h"
#include "platform/rtl/ByteOrder.h"

namespace formats {
namespace {

constexpr size_t kMaxFormat = 64 * 1024;
constexpr size_t kMaxIndexBytes = size_t{256} << 20; // one index chunk read at once
constexpr int kMaxChunksPerList = 1 << 24;

struct Range {
    int64_t begin = 0; // first chunk header
    int64_t end = 0;
};

class Parser {
public:
    Parser(const AviByteSource& src, const AviDemuxLimits& limits) : src_(src), limits_(limits), size_(src.Size()) {}

    AviDemuxResult Run();

private:
    bool Read(int64_t pos, void* buf, size_t n) const
    {
        return pos >= 0 && pos <= size_ && static_cast<int64_t>(n) <= size_ - pos && src_.ReadAt(pos, buf, n) == n;
    }
    // Chunk headers, noting any size held to the bounds.
    bool ReadChunk(int64_t pos, int64_t limit, RiffChunk& c)
    {
        return Noted(formats::ReadChunkHeader(src_, pos, limit, c), c);
    }
    bool Next(RiffChunkCursor& cursor, RiffChunk& c) { return Noted(cursor.Next(c), c); }
    bool Noted(bool read, const RiffChunk& c)
    {
        if (read && c.clamped())
            result_.truncated = true;
        return read;
    }
    // The first `max` bytes of a chunk's data at most; empty when the source comes up short.
    std::vector<uint8_t> ReadData(const RiffChunk& c, size_t max) const
    {
        std::vector<uint8_t> v(static_cast<size_t>(std::min<int64_t>(c.available, static_cast<int64_t>(max))));
        if (!v.empty() && formats::ReadRecord(src_, c, v.data(), v.size()) != v.size())
            v.clear();
        return v;
    }
    // A fixed record: the chunk's first bytes, zeros for what it lacks.
    std::vector<uint8_t> ReadFixed(const RiffChunk& c, size_t size) const
    {
        std::vector<uint8_t> v = ReadData(c, size);
        v.resize(size, 0);
        return v;
    }

    void ReadHeaderList(int64_t begin, int64_t end);
    void ReadStreamList(int64_t begin, int64_t end);
    bool AddChunk(int stream, int64_t dataPos, uint32_t size, bool keyframe, bool cut = false);
    bool FromOpenDml();
    bool ReadStandardIndex(int stream, const uint8_t* header, const uint8_t* entries, uint32_t count,
                           int64_t bytesAvailable);
    bool FromIdx1();
    void Scan(int64_t begin, int64_t end, int depth);
    bool HasChunks() const
    {
        for (const auto& s : result_.streams)
            if (!s.chunks.empty())
                return true;
        return false;
    }
    void ClearChunks()
    {
        for (auto& s : result_.streams)
            s.chunks.clear();
    }

    const AviByteSource& src_;
    AviDemuxLimits limits_;
    int64_t size_;
    AviDemuxResult result_;
    bool haveHeader_ = false;
    std::vector<Range> movi_;                // movie lists, one per segment
    std::vector<std::vector<uint8_t>> indx_; // per stream, the super index as stored
    RiffChunk idx1_{};
    bool haveIdx1_ = false;
    int64_t indexEntriesLeft_ = 0; // OpenDML index entries the file's size leaves room for
};

void Parser::ReadStreamList(int64_t begin, int64_t end)
{
    AviDemuxStream s;
    std::vector<uint8_t> indx;
    RiffChunk c;
    for (RiffChunkCursor cursor(src_, begin, end, 1024); Next(cursor, c);) {
        if (c.id == rtl::FourCC("strh")) {
            s.header = ReadData(c, 64);
            std::vector<uint8_t> h = s.header;
            h.resize(std::max(h.size(), formats::AviStreamHeader::kSize), 0);
            const formats::AviStreamHeader strh = formats::DecodeStreamHeader(h.data());
            s.fccType = strh.fccType;
            s.fccHandler = strh.fccHandler;
            s.scale = strh.dwScale;
            s.rate = strh.dwRate;
            s.start = strh.dwStart;
            s.length = strh.dwLength;
            s.suggestedBufferSize = strh.dwSuggestedBufferSize;
            s.sampleSize = strh.dwSampleSize;
            s.frame[0] = strh.rcLeft;
            s.frame[1] = strh.rcTop;
            s.frame[2] = strh.rcRight;
            s.frame[3] = strh.rcBottom;
        } else if (c.id == rtl::FourCC("strf")) {
            s.format = ReadData(c, kMaxFormat);
        } else if (c.id == rtl::FourCC("indx")) {
            indx = ReadData(c, kMaxIndexBytes);
        }
    }
    if (result_.streams.size() < limits_.maxStreams) {
        result_.streams.push_back(std::move(s));
        indx_.push_back(std::move(indx));
    }
}

void Parser::ReadHeaderList(int64_t begin, int64_t end)
{
    RiffChunk c;
    for (RiffChunkCursor cursor(src_, begin, end, 4096); Next(cursor, c);) {
        if (c.id == rtl::FourCC("avih")) {
            const formats::AviMainHeader avih =
                formats::DecodeMainHeader(ReadFixed(c, formats::AviMainHeader::kSize).data());
            result_.microSecPerFrame = avih.dwMicroSecPerFrame;
            result_.totalFrames = avih.dwTotalFrames;
        } else if (c.id == rtl::FourCC("LIST") && c.available >= 4) {
            uint32_t type = 0;
            if (!formats::ReadListType(src_, c, type))
                break;
            const int64_t listEnd = c.dataPos() + c.available;
            if (type == rtl::FourCC("strl"))
                ReadStreamList(c.dataPos() + 4, listEnd);
            else if (type == rtl::FourCC("odml")) {
                RiffChunk d;
                if (ReadChunk(c.dataPos() + 4, listEnd, d) && d.id == rtl::FourCC("dmlh") && d.available >= 4) {
                    std::vector<uint8_t> v = ReadData(d, formats::OdmlHeader::kSize);
                    if (v.size() >= 4) {
                        v.resize(formats::OdmlHeader::kSize, 0);
                        result_.dmlTotalFrames = formats::DecodeOdmlHeader(v.data()).dwTotalFrames;
                    }
                }
            }
        }
    }
}

bool Parser::AddChunk(int stream, int64_t dataPos, uint32_t size, bool keyframe, bool cut)
{
    if (stream < 0 || static_cast<size_t>(stream) >= result_.streams.size())
        return true;
    auto& chunks = result_.streams[stream].chunks;
    if (chunks.size() >= limits_.maxChunksPerStream)
        return false;
    if (dataPos < 0 || dataPos > size_) {
        result_.truncated = true; // a chunk beyond the end of the file: dropped
        return true;
    }
    if (static_cast<int64_t>(size) > size_ - dataPos) {
        result_.truncated = true;
        size = static_cast<uint32_t>(size_ - dataPos);
        cut = true;
    }
    chunks.push_back({dataPos, size, keyframe, cut});
    return true;
}

bool Parser::ReadStandardIndex(int stream, const uint8_t* header, const uint8_t* entries, uint32_t count,
                               int64_t bytesAvailable)
{
    // wLongsPerEntry 2, index of chunks; entries point at the data, bit 31 of the size marks a delta frame.
    const formats::AviIndexHeader h = formats::DecodeIndexHeader(header);
    if (h.wLongsPerEntry != 2 || h.bIndexType != formats::AVI_INDEX_OF_CHUNKS)
        return false;
    const int64_t base = static_cast<int64_t>(std::min<uint64_t>(h.qwBaseOffset, INT64_MAX / 2));
    count = static_cast<uint32_t>(std::min<int64_t>(count, bytesAvailable / 8));
    // Every chunk has a header of 8 bytes in the file: an index of more entries than that (one
    // standard index listed many times, or several lying over each other) is broken.
    if (count > indexEntriesLeft_)
        return false;
    indexEntriesLeft_ -= count;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t size = rtl::GetLE32(entries + 8 * i + 4);
        if (!AddChunk(stream, base + rtl::GetLE32(entries + 8 * i), size & 0x7FFFFFFF, (size & 0x80000000u) == 0))
            return false;
    }
    return true;
}

bool Parser::FromOpenDml()
{
    constexpr size_t kHeader = formats::AviIndexHeader::kSize;
    if (indx_.empty())
        return false;
    indexEntriesLeft_ = size_ / 8;
    for (size_t n = 0; n < result_.streams.size(); ++n) {
        const std::vector<uint8_t>& indx = indx_[n];
        if (indx.size() < kHeader)
            return false;
        const formats::AviIndexHeader h = formats::DecodeIndexHeader(indx.data());
        if (h.bIndexType == formats::AVI_INDEX_OF_CHUNKS) { // the stream's chunks listed in the indx itself
            if (!ReadStandardIndex(static_cast<int>(n), indx.data(), indx.data() + kHeader, h.nEntriesInUse,
                                   static_cast<int64_t>(indx.size() - kHeader)))
                return false;
            continue;
        }
        if (h.bIndexType != formats::AVI_INDEX_OF_INDEXES || h.wLongsPerEntry != 4)
            return false;
        const uint32_t count = static_cast<uint32_t>(std::min<size_t>(h.nEntriesInUse, (indx.size() - kHeader) / 16));
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = rtl::GetLE64(&indx[kHeader + 16 * i]);
            RiffChunk ix;
            if (at > static_cast<uint64_t>(size_) || !ReadChunk(static_cast<int64_t>(at), size_, ix) ||
                ix.available < static_cast<int64_t>(kHeader))
                return false;
            std::vector<uint8_t> data = ReadData(ix, kMaxIndexBytes);
            if (data.size() < kHeader)
                return false;
            if (!ReadStandardIndex(static_cast<int>(n), data.data(), data.data() + kHeader,
                                   formats::DecodeIndexHeader(data.data()).nEntriesInUse,
                                   static_cast<int64_t>(data.size() - kHeader)))
                return false;
        }
    }
    return true;
}

// What the chunk header an idx1 entry points at says of it.
enum class EntryCheck { Agrees, OtherSize, NoHeader };

bool Parser::FromIdx1()
{
    if (!haveIdx1_ || movi_.empty())
        return false;
    std::vector<uint8_t> data = ReadData(idx1_, kMaxIndexBytes);
    struct Entry {
        int stream;
        uint32_t id, offset, size;
        bool keyframe;
    };
    std::vector<Entry> entries;
    entries.reserve(data.size() / 16);
    for (size_t i = 0; i + 16 <= data.size(); i += 16) {
        const uint8_t* e = &data[i];
        const int stream = ChunkIdStream(rtl::GetLE32(e));
        if (stream >= 0) // "rec " lists and the like are not chunks of a stream
            entries.push_back({stream, rtl::GetLE32(e), rtl::GetLE32(e + 8), rtl::GetLE32(e + 12),
                               (rtl::GetLE32(e + 4) & 0x10) != 0});
    }
    if (entries.empty())
        return false;

    // An entry is read by the chunk header it points at: a header of its stream, whose size it
    // should repeat. `headerSize` is that header's size.
    auto check = [&](const Entry& e, int64_t base, uint32_t& headerSize) {
        uint8_t h[8];
        if (!Read(base + e.offset, h, 8) || ChunkIdStream(rtl::GetLE32(h)) != e.stream)
            return EntryCheck::NoHeader;
        headerSize = rtl::GetLE32(h + 4);
        return headerSize == e.size ? EntryCheck::Agrees : EntryCheck::OtherSize;
    };
    // Offsets count from the "movi" list type, or (in some writers) from the file start: entries
    // spread over the index tell which, by finding their chunks where they point.
    constexpr size_t kSample = 64;
    const size_t step = std::max<size_t>(1, entries.size() / kSample);
    const int64_t relative = movi_[0].begin - 4;
    int hitsRelative = 0, hitsAbsolute = 0, sampleDisagrees = 0;
    for (size_t i = 0; i < entries.size(); i += step) {
        uint32_t size = 0;
        const EntryCheck atRelative = check(entries[i], relative, size);
        hitsRelative += atRelative != EntryCheck::NoHeader;
        hitsAbsolute += check(entries[i], 0, size) != EntryCheck::NoHeader;
        sampleDisagrees += atRelative != EntryCheck::Agrees;
    }
    const int64_t base = hitsAbsolute > hitsRelative ? 0 : relative;
    if (base == 0) {
        sampleDisagrees = 0;
        for (size_t i = 0; i < entries.size(); i += step) {
            uint32_t size = 0;
            sampleDisagrees += check(entries[i], 0, size) != EntryCheck::Agrees;
        }
    }
    // An index the sample found sound is taken as it stands, the entries the sample left out to
    // be checked as their chunks are read; one that disagrees anywhere is checked entry by entry.
    const bool checkAll = sampleDisagrees > 0;
    result_.checkChunkHeaders = !checkAll && step > 1;
    size_t disagree = 0;
    for (const Entry& e : entries) {
        uint32_t size = e.size;
        bool found = true;
        if (checkAll) {
            const EntryCheck c = check(e, base, size);
            found = c != EntryCheck::NoHeader;
            disagree += c != EntryCheck::Agrees;
        }
        // An entry that points at no chunk of its stream keeps its place in time, empty.
        if (!AddChunk(e.stream, found ? base + static_cast<int64_t>(e.offset) + 8 : 0, found ? size : 0, e.keyframe))
            return false;
    }
    // An index that mostly disagrees with the file is no guide: the chunks are walked instead.
    if (disagree * 2 > entries.size())
        return false;
    // idx1 covers the first segment only.
    for (size_t m = 1; m < movi_.size(); ++m)
        Scan(movi_[m].begin, movi_[m].end, 0);
    return true;
}

void Parser::Scan(int64_t begin, int64_t end, int depth)
{
    RiffChunk c;
    for (RiffChunkCursor cursor(src_, begin, end, kMaxChunksPerList); Next(cursor, c);) {
        if (c.id == rtl::FourCC("LIST") && c.available >= 4) {
            uint32_t type = 0;
            if (depth < 4 && formats::ReadListType(src_, c, type) && type == rtl::FourCC("rec "))
                Scan(c.dataPos() + 4, c.dataPos() + c.available, depth + 1);
            continue;
        }
        const int stream = ChunkIdStream(c.id);
        if (stream >= 0 && !AddChunk(stream, c.dataPos(), static_cast<uint32_t>(c.available), true, c.clamped()))
            return;
    }
}

AviDemuxResult Parser::Run()
{
    int64_t pos = 0;
    while (result_.segments < limits_.maxSegments) {
        RiffChunk riff;
        if (!formats::ReadChunkHeader(src_, pos, size_, riff) || riff.id != rtl::FourCC("RIFF"))
            break;
        // A capture cut short may leave the size unwritten: the segment then runs to the end.
        const bool open = riff.size < 4;
        if (open)
            riff.available = size_ - riff.dataPos();
        uint32_t form = 0;
        if (!formats::ReadListType(src_, riff, form))
            break;
        if (result_.segments == 0 ? form != rtl::FourCC("AVI ") : (form & 0xFFFFFF) != (rtl::FourCC("AVIX") & 0xFFFFFF))
            break;
        if (riff.clamped())
            result_.truncated = true;
        const int64_t end = riff.dataPos() + riff.available;
        ++result_.segments;
        RiffChunk c;
        for (RiffChunkCursor cursor(src_, riff.dataPos() + 4, end); Next(cursor, c);) {
            // A list left with size 0 by a capture cut short runs to the end of the segment.
            if (c.id == rtl::FourCC("LIST") && c.size == 0)
                c.available = end - c.dataPos();
            if (c.id == rtl::FourCC("LIST") && c.available >= 4) {
                uint32_t type = 0;
                if (!formats::ReadListType(src_, c, type))
                    break;
                const int64_t listEnd = c.dataPos() + c.available;
                if (type == rtl::FourCC("hdrl") && !haveHeader_) {
                    haveHeader_ = true;
                    ReadHeaderList(c.dataPos() + 4, listEnd);
                } else if (type == rtl::FourCC("movi")) {
                    movi_.push_back({c.dataPos() + 4, listEnd});
                    if (c.size == 0)
                        break; // it holds the rest of the segment
                }
            } else if (c.id == rtl::FourCC("idx1") && result_.segments == 1) {
                idx1_ = c;
                haveIdx1_ = true;
            }
        }
        const int64_t next = riff.end(size_);
        if (open || next >= size_)
            break;
        pos = next;
    }
    result_.valid = haveHeader_ && !result_.streams.empty() && !movi_.empty();
    if (!result_.valid)
        return std::move(result_);

    if (FromOpenDml() && HasChunks()) {
        result_.index = AviIndexSource::OpenDml;
    } else {
        ClearChunks();
        if (FromIdx1() && HasChunks()) {
            result_.index = AviIndexSource::Idx1;
        } else {
            ClearChunks();
            result_.checkChunkHeaders = false;
            for (const Range& r : movi_)
                Scan(r.begin, r.end, 0);
            result_.index = AviIndexSource::Scan;
        }
    }
    for (auto& s : result_.streams) {
        s.totalBytes = 0;
        for (const auto& c : s.chunks)
            s.totalBytes += c.size;
    }
    return std::move(result_);
}

} // namespace

AviDemuxResult ParseAvi(const AviByteSource& src, const AviDemuxLimits& limits)
{
    Parser parser(src, limits);
    return parser.Run();
}

} // namespace formats
