#include "tests/kit/RiffBuilder.h"

#include <stdexcept>

#include "platform/rtl/ByteOrder.h"

namespace testkit {

std::string LE16(uint16_t v)
{
    std::string s;
    rtl::AppendLE16(s, v);
    return s;
}

std::string LE32(uint32_t v)
{
    std::string s;
    rtl::AppendLE32(s, v);
    return s;
}

std::string LE64(uint64_t v)
{
    std::string s;
    rtl::AppendLE64(s, v);
    return s;
}

std::string Tag(std::string_view fourcc)
{
    std::string s(fourcc.substr(0, 4));
    s.resize(4, ' ');
    return s;
}

RiffBuilder& RiffBuilder::riff(std::string_view form, std::optional<uint32_t> declaredSize)
{
    bytes_ += "RIFF";
    open_.push_back({bytes_.size(), declaredSize});
    bytes_ += LE32(0) + Tag(form);
    return *this;
}

RiffBuilder& RiffBuilder::list(std::string_view type, std::optional<uint32_t> declaredSize)
{
    bytes_ += "LIST";
    open_.push_back({bytes_.size(), declaredSize});
    bytes_ += LE32(0) + Tag(type);
    return *this;
}

RiffBuilder& RiffBuilder::end()
{
    if (open_.empty())
        throw std::logic_error("RiffBuilder::end without an open list");
    Open o = open_.back();
    open_.pop_back();
    uint32_t size = o.declared ? *o.declared : static_cast<uint32_t>(bytes_.size() - o.sizePos - 4);
    bytes_.replace(o.sizePos, 4, LE32(size));
    return *this;
}

RiffBuilder& RiffBuilder::chunk(std::string_view id, std::string_view data)
{
    return chunkSized(id, static_cast<uint32_t>(data.size()), data, true);
}

RiffBuilder& RiffBuilder::chunkSized(std::string_view id, uint32_t declaredSize, std::string_view data, bool pad)
{
    bytes_ += Tag(id) + LE32(declaredSize);
    bytes_ += data;
    if (pad && data.size() % 2)
        bytes_ += '\0';
    return *this;
}

RiffBuilder& RiffBuilder::raw(std::string_view bytes)
{
    bytes_ += bytes;
    return *this;
}

RiffBuilder& RiffBuilder::mark(const std::string& name)
{
    marks_[name] = static_cast<int64_t>(bytes_.size());
    return *this;
}

int64_t RiffBuilder::at(const std::string& name) const
{
    return marks_.at(name);
}

std::string RiffBuilder::build()
{
    while (!open_.empty())
        end();
    return bytes_;
}

std::string Avih(const AvihFields& f)
{
    return LE32(f.microSecPerFrame) + LE32(f.maxBytesPerSec) + LE32(0) + LE32(f.flags) + LE32(f.totalFrames) + LE32(0) +
           LE32(f.streams) + LE32(f.suggestedBufferSize) + LE32(f.width) + LE32(f.height) + std::string(16, '\0');
}

std::string Strh(const StrhFields& f)
{
    return Tag(f.type) + Tag(f.handler) + LE32(f.flags) + LE16(0) + LE16(0) + LE32(0) + LE32(f.scale) + LE32(f.rate) +
           LE32(0) + LE32(f.length) + LE32(f.suggestedBufferSize) + LE32(f.quality) + LE32(f.sampleSize) + LE16(0) +
           LE16(0) + LE16(static_cast<uint16_t>(f.right)) + LE16(static_cast<uint16_t>(f.bottom));
}

std::string BitmapInfo(int32_t width, int32_t height, std::string_view compression, uint16_t bitCount,
                       uint32_t sizeImage)
{
    return LE32(40) + LE32(static_cast<uint32_t>(width)) + LE32(static_cast<uint32_t>(height)) + LE16(1) +
           LE16(bitCount) + Tag(compression) + LE32(sizeImage) + LE32(0) + LE32(0) + LE32(0) + LE32(0);
}

std::string DvInfoBlock(uint32_t aauxSrc, uint32_t aauxCtl, uint32_t aauxSrc1, uint32_t aauxCtl1, uint32_t vauxSrc,
                        uint32_t vauxCtl)
{
    return LE32(aauxSrc) + LE32(aauxCtl) + LE32(aauxSrc1) + LE32(aauxCtl1) + LE32(vauxSrc) + LE32(vauxCtl) + LE32(0) +
           LE32(0);
}

std::string WaveFormat(uint16_t tag, uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample, bool withCbSize)
{
    const uint16_t blockAlign = static_cast<uint16_t>(uint32_t{channels} * bitsPerSample / 8); // absurd values wrap
    std::string s = LE16(tag) + LE16(channels) + LE32(samplesPerSec) + LE32(samplesPerSec * blockAlign) +
                    LE16(blockAlign) + LE16(bitsPerSample);
    if (withCbSize)
        s += LE16(0);
    return s;
}

std::string Dmlh(uint32_t totalFrames)
{
    return LE32(totalFrames) + std::string(244, '\0');
}

std::string IndexChunk(uint8_t indexType, uint8_t subType, uint16_t longsPerEntry, uint32_t entriesInUse,
                       std::string_view chunkId, uint64_t baseOffset, std::string_view entries)
{
    std::string s = LE16(longsPerEntry);
    s += static_cast<char>(subType);
    s += static_cast<char>(indexType);
    s += LE32(entriesInUse) + Tag(chunkId) + LE64(baseOffset) + LE32(0);
    s += entries;
    return s;
}

namespace {

struct StreamPlan {
    std::string type;
    std::string dataId;
};

void AddStream(RiffBuilder& b, const AviSpec& spec, const StreamPlan& s, int n)
{
    const std::string num = std::to_string(n);
    b.list("strl");
    StrhFields h;
    h.type = s.type;
    if (s.type == "auds") {
        h.handler = std::string(4, '\0');
        h.scale = 1;
        h.rate = 48000;
        h.sampleSize = 4;
        h.right = h.bottom = 0;
    } else {
        h.handler = spec.handler;
        h.scale = spec.scale;
        h.rate = spec.rate;
    }
    h.length = static_cast<uint32_t>(spec.frames);
    b.mark("strh" + num).chunk("strh", Strh(h));
    b.mark("strf" + num);
    if (s.type == "auds")
        b.chunk("strf", WaveFormat(1, 2, 48000, 16, !spec.pcm16));
    else if (s.type == "iavs")
        b.chunk("strf", DvInfoBlock());
    else
        b.chunk("strf", BitmapInfo(720, 576, spec.handler) + DvInfoBlock());
    if (spec.indxType >= 0) {
        // A super index (type 0) points at the standard index chunks of the "movi" list;
        // other types carry one entry per frame.
        std::string entries;
        if (spec.indxType == 0)
            entries = LE64(0) + LE32(0) + LE32(static_cast<uint32_t>(spec.frames));
        else
            entries = LE32(0) + LE32(16);
        const uint16_t longs = spec.indxType == 0 ? 4 : 2;
        b.mark("indx" + num)
            .chunk("indx", IndexChunk(static_cast<uint8_t>(spec.indxType), 0, longs, 1, s.dataId, 0, entries) +
                               std::string(32, '\0'));
    }
    b.end();
}

void AddMovi(RiffBuilder& b, const AviSpec& spec, const std::vector<StreamPlan>& streams)
{
    b.list("movi");
    for (int f = 0; f < spec.frames; ++f)
        for (const StreamPlan& s : streams)
            b.chunk(s.dataId, std::string(16, static_cast<char>(f)));
    if (spec.indxType == 0)
        b.chunk("ix00", IndexChunk(1, 0, 2, 1, streams.front().dataId, 0, LE32(12) + LE32(16)));
    b.end();
}

} // namespace

RiffBuilder MakeAvi(const AviSpec& spec)
{
    std::vector<StreamPlan> streams;
    if (spec.dvType == 1) {
        streams.push_back({"iavs", "00__"});
    } else {
        streams.push_back({"vids", "00dc"});
        streams.push_back({"auds", "01wb"});
        if (spec.audioFirst) {
            std::swap(streams[0], streams[1]);
            streams[0].dataId = "00wb";
            streams[1].dataId = "01dc";
        }
    }
    if (spec.secondVideo)
        streams.push_back({"vids", "0" + std::to_string(streams.size()) + "dc"});

    RiffBuilder b;
    b.riff("AVI ").list("hdrl");
    AvihFields main;
    main.totalFrames = static_cast<uint32_t>(spec.frames);
    main.streams = static_cast<uint32_t>(streams.size());
    b.mark("avih").chunk("avih", Avih(main));
    for (size_t i = 0; i < streams.size(); ++i)
        AddStream(b, spec, streams[i], static_cast<int>(i));
    if (spec.odml)
        b.list("odml")
            .mark("dmlh")
            .chunk("dmlh", Dmlh(static_cast<uint32_t>(spec.frames * (1 + spec.avixSegments))))
            .end();
    b.end();
    b.chunk("JUNK", std::string(12, '\0'));
    b.mark("movi");
    AddMovi(b, spec, streams);
    if (spec.idx1) {
        std::string entries;
        for (int f = 0; f < spec.frames; ++f)
            for (const StreamPlan& s : streams)
                entries += Tag(s.dataId) + LE32(0x10) + LE32(4) + LE32(16);
        b.mark("idx1").chunk("idx1", entries);
    }
    b.end();
    for (int k = 1; k <= spec.avixSegments; ++k) {
        b.mark("avix" + std::to_string(k)).riff("AVIX");
        b.mark("movi" + std::to_string(k));
        AddMovi(b, spec, streams);
        b.end();
    }
    b.mark("end");
    return b;
}

} // namespace testkit
