#include "platform/dshow/AviDemux.h"

#include <algorithm>
#include <cstring>

namespace ds {
namespace {

constexpr uint32_t Fcc(const char (&s)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t LE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint64_t LE64(const uint8_t* p) { return LE32(p) | static_cast<uint64_t>(LE32(p + 4)) << 32; }

constexpr size_t kMaxFormat = 64 * 1024;
constexpr size_t kMaxIndexBytes = size_t{256} << 20; // one index chunk read at once
constexpr int kMaxChunksPerList = 1 << 24;

struct Range {
    int64_t begin = 0; // first chunk header
    int64_t end = 0;
};

struct Chunk {
    uint32_t id = 0;
    uint32_t size = 0;
    int64_t pos = 0;       // header
    int64_t available = 0; // data bytes inside the bounds
    int64_t next = 0;      // where the next header lies
};

// Stream number of a movie chunk id ("01wb" -> 1), or -1.
int StreamOf(uint32_t id)
{
    const int a = static_cast<int>(id & 0xFF) - '0', b = static_cast<int>(id >> 8 & 0xFF) - '0';
    if (a < 0 || a > 9 || b < 0 || b > 9)
        return -1;
    return a * 10 + b;
}

class Parser {
public:
    Parser(const AviByteSource& src, const AviDemuxLimits& limits) : src_(src), limits_(limits), size_(src.Size()) {}

    AviDemuxResult Run();

private:
    bool Read(int64_t pos, void* buf, size_t n) const
    {
        return pos >= 0 && pos <= size_ && static_cast<int64_t>(n) <= size_ - pos && src_.ReadAt(pos, buf, n) == n;
    }
    // The chunk header at pos, with its size held to limit.
    bool ReadChunk(int64_t pos, int64_t limit, Chunk& c)
    {
        uint8_t h[8];
        if (pos < 0 || limit - pos < 8 || !Read(pos, h, 8))
            return false;
        c.id = LE32(h);
        c.size = LE32(h + 4);
        c.pos = pos;
        c.available = std::min<int64_t>(c.size, limit - pos - 8);
        if (c.available < static_cast<int64_t>(c.size))
            result_.truncated = true;
        c.next = std::min<int64_t>(pos + 8 + c.size + (c.size & 1), limit);
        return true;
    }
    std::vector<uint8_t> ReadData(const Chunk& c, size_t max)
    {
        std::vector<uint8_t> v(static_cast<size_t>(std::min<int64_t>(c.available, static_cast<int64_t>(max))));
        if (!v.empty() && !Read(c.pos + 8, v.data(), v.size()))
            v.clear();
        return v;
    }

    void ReadHeaderList(int64_t begin, int64_t end);
    void ReadStreamList(int64_t begin, int64_t end);
    bool AddChunk(int stream, int64_t dataPos, uint32_t size, bool keyframe);
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
    std::vector<Range> movi_;             // movie lists, one per segment
    std::vector<std::vector<uint8_t>> indx_; // per stream, the super index as stored
    Chunk idx1_{};
    bool haveIdx1_ = false;
};

void Parser::ReadStreamList(int64_t begin, int64_t end)
{
    AviDemuxStream s;
    std::vector<uint8_t> indx;
    Chunk c;
    int count = 0;
    for (int64_t pos = begin; count++ < 1024 && ReadChunk(pos, end, c); pos = c.next) {
        if (c.id == Fcc("strh")) {
            s.header = ReadData(c, 64);
            std::vector<uint8_t> h = s.header;
            h.resize(56, 0);
            s.fccType = LE32(&h[0]);
            s.fccHandler = LE32(&h[4]);
            s.scale = LE32(&h[20]);
            s.rate = LE32(&h[24]);
            s.start = LE32(&h[28]);
            s.length = LE32(&h[32]);
            s.suggestedBufferSize = LE32(&h[36]);
            s.sampleSize = LE32(&h[44]);
            for (int i = 0; i < 4; ++i)
                s.frame[i] = static_cast<int16_t>(LE16(&h[48 + 2 * i]));
        } else if (c.id == Fcc("strf")) {
            s.format = ReadData(c, kMaxFormat);
        } else if (c.id == Fcc("indx")) {
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
    Chunk c;
    int count = 0;
    for (int64_t pos = begin; count++ < 4096 && ReadChunk(pos, end, c); pos = c.next) {
        if (c.id == Fcc("avih")) {
            std::vector<uint8_t> h = ReadData(c, 56);
            h.resize(56, 0);
            result_.microSecPerFrame = LE32(&h[0]);
            result_.totalFrames = LE32(&h[16]);
        } else if (c.id == Fcc("LIST") && c.available >= 4) {
            uint8_t type[4];
            if (!Read(c.pos + 8, type, 4))
                break;
            const int64_t listEnd = c.pos + 8 + c.available;
            if (LE32(type) == Fcc("strl"))
                ReadStreamList(c.pos + 12, listEnd);
            else if (LE32(type) == Fcc("odml")) {
                Chunk d;
                if (ReadChunk(c.pos + 12, listEnd, d) && d.id == Fcc("dmlh") && d.available >= 4) {
                    std::vector<uint8_t> v = ReadData(d, 4);
                    if (v.size() == 4)
                        result_.dmlTotalFrames = LE32(v.data());
                }
            }
        }
    }
}

bool Parser::AddChunk(int stream, int64_t dataPos, uint32_t size, bool keyframe)
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
    }
    chunks.push_back({dataPos, size, keyframe});
    return true;
}

bool Parser::ReadStandardIndex(int stream, const uint8_t* header, const uint8_t* entries, uint32_t count,
                               int64_t bytesAvailable)
{
    // wLongsPerEntry 2, index of chunks; entries point at the data, bit 31 of the size marks a delta frame.
    if (LE16(header) != 2 || header[3] != 1)
        return false;
    const int64_t base = static_cast<int64_t>(std::min<uint64_t>(LE64(header + 12), INT64_MAX / 2));
    count = static_cast<uint32_t>(std::min<int64_t>(count, bytesAvailable / 8));
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t size = LE32(entries + 8 * i + 4);
        if (!AddChunk(stream, base + LE32(entries + 8 * i), size & 0x7FFFFFFF, (size & 0x80000000u) == 0))
            return false;
    }
    return true;
}

bool Parser::FromOpenDml()
{
    if (indx_.empty())
        return false;
    for (size_t n = 0; n < result_.streams.size(); ++n) {
        const std::vector<uint8_t>& indx = indx_[n];
        if (indx.size() < 24)
            return false;
        const uint32_t entries = LE32(&indx[4]);
        if (indx[3] == 1) { // the stream's chunks listed in the indx itself
            if (!ReadStandardIndex(static_cast<int>(n), indx.data(), indx.data() + 24, entries,
                                   static_cast<int64_t>(indx.size()) - 24))
                return false;
            continue;
        }
        if (indx[3] != 0 || LE16(&indx[0]) != 4)
            return false;
        const uint32_t count = static_cast<uint32_t>(std::min<size_t>(entries, (indx.size() - 24) / 16));
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = &indx[24 + 16 * i];
            const uint64_t at = LE64(e);
            Chunk ix;
            if (at > static_cast<uint64_t>(size_) || !ReadChunk(static_cast<int64_t>(at), size_, ix) ||
                ix.available < 24)
                return false;
            std::vector<uint8_t> data = ReadData(ix, kMaxIndexBytes);
            if (data.size() < 24)
                return false;
            if (!ReadStandardIndex(static_cast<int>(n), data.data(), data.data() + 24, LE32(&data[4]),
                                   static_cast<int64_t>(data.size()) - 24))
                return false;
        }
    }
    return true;
}

bool Parser::FromIdx1()
{
    if (!haveIdx1_ || movi_.empty())
        return false;
    std::vector<uint8_t> data = ReadData(idx1_, kMaxIndexBytes);
    const size_t count = data.size() / 16;
    // Offsets count from the "movi" list type, or (in some writers) from the file start: the
    // first entry tells which, by finding its chunk id where it points.
    const int64_t relative = movi_[0].begin - 4;
    int64_t base = relative;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = &data[16 * i];
        if (StreamOf(LE32(e)) < 0)
            continue;
        uint8_t id[4];
        const int64_t off = LE32(e + 8);
        if (Read(relative + off, id, 4) && LE32(id) == LE32(e))
            base = relative;
        else if (Read(off, id, 4) && LE32(id) == LE32(e))
            base = 0;
        break;
    }
    size_t added = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = &data[16 * i];
        const int stream = StreamOf(LE32(e));
        if (stream < 0)
            continue; // "rec " lists and the like
        if (!AddChunk(stream, base + static_cast<int64_t>(LE32(e + 8)) + 8, LE32(e + 12), (LE32(e + 4) & 0x10) != 0))
            return false;
        ++added;
    }
    if (added == 0)
        return false;
    // idx1 covers the first segment only.
    for (size_t m = 1; m < movi_.size(); ++m)
        Scan(movi_[m].begin, movi_[m].end, 0);
    return true;
}

void Parser::Scan(int64_t begin, int64_t end, int depth)
{
    Chunk c;
    int count = 0;
    for (int64_t pos = begin; count++ < kMaxChunksPerList && ReadChunk(pos, end, c); pos = c.next) {
        if (c.id == Fcc("LIST") && c.available >= 4) {
            uint8_t type[4];
            if (depth < 4 && Read(c.pos + 8, type, 4) && LE32(type) == Fcc("rec "))
                Scan(c.pos + 12, c.pos + 8 + c.available, depth + 1);
            continue;
        }
        const int stream = StreamOf(c.id);
        if (stream >= 0 && !AddChunk(stream, c.pos + 8, static_cast<uint32_t>(c.available), true))
            return;
        if (c.next <= pos)
            return;
    }
}

AviDemuxResult Parser::Run()
{
    int64_t pos = 0;
    while (result_.segments < limits_.maxSegments) {
        uint8_t h[12];
        if (size_ - pos < 12 || !Read(pos, h, 12) || LE32(h) != Fcc("RIFF"))
            break;
        const uint32_t form = LE32(h + 8);
        if (result_.segments == 0 ? form != Fcc("AVI ") : (form & 0xFFFFFF) != (Fcc("AVIX") & 0xFFFFFF))
            break;
        uint32_t declared = LE32(h + 4);
        // A capture cut short may leave the size unwritten: the segment then runs to the end.
        int64_t end = declared < 4 ? size_ : pos + 8 + declared;
        if (end > size_) {
            result_.truncated = true;
            end = size_;
        }
        ++result_.segments;
        Chunk c;
        int count = 0;
        for (int64_t at = pos + 12; count++ < 1 << 20 && ReadChunk(at, end, c); at = c.next) {
            // A list left with size 0 by a capture cut short runs to the end of the segment.
            if (c.id == Fcc("LIST") && (c.available >= 4 || (c.size == 0 && end - c.pos >= 12))) {
                uint8_t type[4];
                if (!Read(c.pos + 8, type, 4))
                    break;
                const int64_t listEnd = c.size < 4 ? end : c.pos + 8 + c.available;
                if (LE32(type) == Fcc("hdrl") && !haveHeader_) {
                    haveHeader_ = true;
                    ReadHeaderList(c.pos + 12, listEnd);
                } else if (LE32(type) == Fcc("movi")) {
                    movi_.push_back({c.pos + 12, listEnd});
                    if (c.size < 4)
                        c.next = end;
                }
            } else if (c.id == Fcc("idx1") && result_.segments == 1) {
                idx1_ = c;
                haveIdx1_ = true;
            }
        }
        const int64_t next = pos + 8 + static_cast<int64_t>(declared) + (declared & 1);
        if (declared < 4 || next >= size_)
            break;
        pos = next;
    }
    result_.valid = haveHeader_ && !result_.streams.empty();
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

std::string FourCCText(uint32_t code)
{
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(code >> (8 * i) & 0xFF);
    return s;
}

} // namespace ds
