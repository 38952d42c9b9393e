#include "formats/aviinfo.h"

#include <cctype>
#include <exception>

#include "formats/RiffChunk.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/SysUtils.h"

namespace formats {

namespace {

// One reading of one source. Each reader returns false to stop the walk around it.
class AviHeaderReader {
public:
    AviHeaderReader(const RiffSource& src, TAviParam& out) : src_(src), out_(out) {}

    void ReadFile()
    {
        try {
            ReadTopLevel();
        } catch (const std::exception&) {
            // A read error ends the walk; what was read before stays.
        }
        SetIndexKind();
    }

private:
    static constexpr int kMaxChunks = RiffChunkCursor::kDefaultMaxChunks;

    void ReadTopLevel()
    {
        const int64_t fileSize = src_.Size();
        int64_t pos = 0;
        while (fileSize - pos >= 8) {
            RiffChunk riff;
            if (!ReadChunkHeader(src_, pos, fileSize, riff))
                return;
            // A segment cut short (a capture that stopped) is not walked.
            if (riff.clamped() || riff.id != rtl::FourCC("RIFF"))
                return;
            uint32_t form = 0;
            if (!ReadListType(src_, riff, form) || !IsAviForm(form))
                return;
            if (!ReadRiffBody(riff))
                return;
            out_.Valid = 1;
            pos = riff.end(fileSize);
        }
    }

    // "AVI " and the OpenDML continuation segments "AVIX", in any case.
    static bool IsAviForm(uint32_t form)
    {
        const char want[] = "AVI";
        for (int i = 0; i < 3; ++i)
            if (std::toupper(static_cast<int>((form >> (8 * i)) & 0xFF)) != want[i])
                return false;
        return true;
    }

    bool Budget() { return ++chunks_ <= kMaxChunks; }

    bool ReadRiffBody(const RiffChunk& segment)
    {
        RiffChunkCursor cur(src_, segment.dataPos() + 4, segment.dataPos() + segment.available);
        RiffChunk c;
        while (cur.Next(c)) {
            if (!Budget())
                return false;
            if (c.id == rtl::FourCC("LIST")) {
                uint32_t type = 0;
                if (!ReadListType(src_, c, type))
                    return false;
                if (type == rtl::FourCC("hdrl")) {
                    if (!ReadHdrl(c))
                        return false;
                } else if (type == rtl::FourCC("movi")) {
                    out_.MoviPos = c.dataPos() + 4;
                }
            } else if (c.id == rtl::FourCC("idx1")) {
                out_.Idx1Pos = c.dataPos();
            }
        }
        return !cur.ShortRead() && !cur.TooManyChunks();
    }

    bool ReadHdrl(const RiffChunk& list)
    {
        RiffChunkCursor cur(src_, list.dataPos() + 4, list.dataPos() + list.available);
        RiffChunk c;
        while (cur.Next(c)) {
            if (!Budget())
                return false;
            if (c.id == rtl::FourCC("avih")) {
                uint8_t rec[AviMainHeader::kSize];
                ReadRecord(src_, c, rec, sizeof rec);
                out_.MainHeader = DecodeMainHeader(rec);
            } else if (c.id == rtl::FourCC("LIST")) {
                uint32_t type = 0;
                if (!ReadListType(src_, c, type))
                    return false;
                // A damaged stream list or OpenDML list does not stop the header list.
                if (type == rtl::FourCC("strl"))
                    Guarded([&] { return ReadStrl(c); });
                else if (type == rtl::FourCC("odml"))
                    Guarded([&] { return ReadOdml(c); });
            }
        }
        return !cur.ShortRead() && !cur.TooManyChunks();
    }

    template <class F> static bool Guarded(F f)
    {
        try {
            return f();
        } catch (const std::exception&) {
            return false;
        }
    }

    bool ReadStrl(const RiffChunk& list)
    {
        if (out_.Streams.size() >= TAviParam::kMaxStreams)
            return true;
        out_.Streams.push_back(std::make_unique<TAvistream>());
        TAvistream& s = *out_.Streams.back();
        const int32_t index = static_cast<int32_t>(out_.Streams.size() - 1);

        RiffChunkCursor cur(src_, list.dataPos() + 4, list.dataPos() + list.available);
        RiffChunk c;
        while (cur.Next(c)) {
            if (!Budget())
                return false;
            if (c.id == rtl::FourCC("strh")) {
                uint8_t rec[AviStreamHeader::kSize];
                ReadRecord(src_, c, rec, sizeof rec);
                s.Header = DecodeStreamHeader(rec);
                if (s.Header.fccType == rtl::FourCC("auds")) {
                    if (out_.AudioIndex < 0)
                        out_.AudioIndex = index;
                } else if (s.Header.fccType == rtl::FourCC("vids") || s.Header.fccType == rtl::FourCC("iavs")) {
                    if (out_.VideoIndex < 0)
                        out_.VideoIndex = index;
                }
            } else if (c.id == rtl::FourCC("strf")) {
                ReadRecord(src_, c, s.Format.data(), s.Format.size());
                s.FormatSize = c.size;
            } else if (c.id == rtl::FourCC("indx")) {
                s.IndxEntriesPos = c.dataPos() + AviIndexHeader::kSize;
                uint8_t rec[AviSuperIndexHead::kSize];
                ReadRecord(src_, c, rec, sizeof rec);
                s.SuperIndex = DecodeSuperIndexHead(rec);
            }
        }
        return !cur.ShortRead() && !cur.TooManyChunks();
    }

    bool ReadOdml(const RiffChunk& list)
    {
        out_.OpenDML = 1;
        RiffChunkCursor cur(src_, list.dataPos() + 4, list.dataPos() + list.available);
        RiffChunk c;
        while (cur.Next(c)) {
            if (!Budget())
                return false;
            if (c.id == rtl::FourCC("dmlh")) {
                uint8_t rec[OdmlHeader::kSize];
                ReadRecord(src_, c, rec, sizeof rec);
                out_.DmlHeader = DecodeOdmlHeader(rec);
            }
        }
        return !cur.ShortRead() && !cur.TooManyChunks();
    }

    void SetIndexKind()
    {
        const TAvistream* v = out_.VideoStream();
        if (!v)
            return;
        if (v->IndxEntriesPos != 0) {
            switch (v->SuperIndex.header.bIndexType) {
            case AVI_INDEX_OF_INDEXES: out_.IndexKind = ikIndexOfIndexes; break;
            case AVI_INDEX_OF_CHUNKS: out_.IndexKind = ikIndexOfChunks; break;
            default: out_.IndexKind = ikOtherIndex; break;
            }
        } else {
            out_.IndexKind = out_.Idx1Pos != 0 ? ikIdx1 : ikNoIndex;
        }
    }

    const RiffSource& src_;
    TAviParam& out_;
    int chunks_ = 0;
};

} // namespace

TAviParam::TAviParam(const std::string& fileName)
{
    FileSource file(fileName);
    Read(WindowedSource(file));
}

TAviParam::TAviParam(const RiffSource& source)
{
    Read(source);
}

TAviParam::~TAviParam() = default;

void TAviParam::Read(const RiffSource& source)
{
    AviHeaderReader(source, *this).ReadFile();
}

const TAvistream* TAviParam::VideoStream() const
{
    if (VideoIndex < 0 || static_cast<size_t>(VideoIndex) >= Streams.size())
        return nullptr;
    return Streams[static_cast<size_t>(VideoIndex)].get();
}

std::string TAviParam::VideoHandler() const
{
    const TAvistream* v = VideoStream();
    return v ? rtl::FourCCToStr(v->Header.fccHandler) : std::string("####");
}

} // namespace formats
