#include "formats/riffunit.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <span>

#include "formats/ReplacingFile.h"
#include "formats/RiffChunk.h"
#include "formats/aviinfo.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

namespace formats {

namespace {

constexpr size_t kRuleWidth = 50;

std::string Hex(uint64_t v, int digits)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llX", digits, static_cast<unsigned long long>(v));
    return buf;
}

std::string Hex8(uint64_t v)
{
    return Hex(v, 8);
}

// How a field of a record is shown.
enum class Show { Unsigned, Signed, Hex4, Hex8, Hex16, Text };

struct Field {
    const char* label;
    uint8_t offset;
    uint8_t width; // bytes
    Show show;
};

constexpr Field kMainHeader[] = {
    {"MicroSecPerFrame = ", 0, 4, Show::Unsigned},
    {"MaxBytesPerSec = ", 4, 4, Show::Unsigned},
    {"PaddingGranularity = ", 8, 4, Show::Unsigned},
    {"Flags = ", 12, 4, Show::Hex8},
    {"TotalFrames = ", 16, 4, Show::Unsigned},
    {"InitialFrames = ", 20, 4, Show::Unsigned},
    {"Streams = ", 24, 4, Show::Unsigned},
    {"SuggestedBufferSize = ", 28, 4, Show::Unsigned},
    {"Width = ", 32, 4, Show::Unsigned},
    {"Height = ", 36, 4, Show::Unsigned},
    {"Reserved0 = ", 40, 4, Show::Hex8},
    {"Reserved1 = ", 44, 4, Show::Hex8},
    {"Reserved2 = ", 48, 4, Show::Hex8},
    {"Reserved3 = ", 52, 4, Show::Hex8},
};

constexpr Field kStreamHeader[] = {
    {"FourccType = ", 0, 4, Show::Text},
    {"FourccHandler = ", 4, 4, Show::Text},
    {"Flags = ", 8, 4, Show::Hex8},
    {"Priority = ", 12, 2, Show::Unsigned},
    {"Language = ", 14, 2, Show::Hex4},
    {"InitialFrames = ", 16, 4, Show::Unsigned},
    {"Scale = ", 20, 4, Show::Unsigned},
    {"Rate = ", 24, 4, Show::Unsigned},
    {"Start = ", 28, 4, Show::Unsigned},
    {"Length = ", 32, 4, Show::Unsigned},
    {"SuggestedBufferSize = ", 36, 4, Show::Unsigned},
    {"Quality = ", 40, 4, Show::Hex8},
    {"SampleSize = ", 44, 4, Show::Unsigned},
    {"rcFrame.Left = ", 48, 2, Show::Signed},
    {"rcFrame.Top = ", 50, 2, Show::Signed},
    {"rcFrame.Right = ", 52, 2, Show::Signed},
    {"rcFrame.Bottom = ", 54, 2, Show::Signed},
};

constexpr Field kBitmapInfo[] = {
    {"biSize = ", 0, 4, Show::Unsigned},          {"biWidth = ", 4, 4, Show::Signed},
    {"biHeight = ", 8, 4, Show::Signed},          {"biPlanes = ", 12, 2, Show::Unsigned},
    {"biBitCount = ", 14, 2, Show::Unsigned},     {"biCompression = ", 16, 4, Show::Text},
    {"biSizeImage = ", 20, 4, Show::Unsigned},    {"biXPelsPerMeter = ", 24, 4, Show::Signed},
    {"biYPelsPerMeter = ", 28, 4, Show::Signed},  {"biClrUsed = ", 32, 4, Show::Unsigned},
    {"biClrImportant = ", 36, 4, Show::Unsigned},
};

constexpr Field kDvInfo[] = {
    {"DVAAuxSrc = ", 0, 4, Show::Hex8},    {"DVAAuxCtl = ", 4, 4, Show::Hex8},    {"DVAAuxSrc1 = ", 8, 4, Show::Hex8},
    {"DVAAuxCtl1 = ", 12, 4, Show::Hex8},  {"DVVAuxSrc = ", 16, 4, Show::Hex8},   {"DVVAuxCtl = ", 20, 4, Show::Hex8},
    {"DVReserved0 = ", 24, 4, Show::Hex8}, {"DVReserved1 = ", 28, 4, Show::Hex8},
};

constexpr Field kWaveFormat[] = {
    {"FormatTag = ", 0, 2, Show::Unsigned},     {"Channels = ", 2, 2, Show::Unsigned},
    {"SamplesPerSec = ", 4, 4, Show::Unsigned}, {"AvgBytesPerSec = ", 8, 4, Show::Unsigned},
    {"BlockAlign = ", 12, 2, Show::Unsigned},   {"BitsPerSample = ", 14, 2, Show::Unsigned},
    {"cbSize = ", 16, 2, Show::Unsigned},
};

constexpr Field kIndexHeader[] = {
    {"wLongsPerEntry = ", 0, 2, Show::Hex4}, {"bIndexSubType = ", 2, 1, Show::Unsigned},
    {"bIndexType = ", 3, 1, Show::Unsigned}, {"nEntriesInUse = ", 4, 4, Show::Hex8},
    {"dwChunkId = ", 8, 4, Show::Text},      {"qwBaseOffset = ", 12, 8, Show::Hex16},
    {"dwReserved_3 = ", 20, 4, Show::Hex8},
};

constexpr size_t kMainHeaderSize = 56, kStreamHeaderSize = 56, kBitmapInfoSize = 40, kDvInfoSize = 32,
                 kWaveFormatSize = 18, kIndexHeaderSize = 24;

std::string FieldValue(const uint8_t* rec, const Field& f)
{
    const uint8_t* p = rec + f.offset;
    const uint64_t v = f.width == 1   ? p[0]
                       : f.width == 2 ? rtl::GetLE16(p)
                       : f.width == 4 ? rtl::GetLE32(p)
                                      : rtl::GetLE64(p);
    switch (f.show) {
    case Show::Unsigned: return std::to_string(v);
    case Show::Signed:
        return std::to_string(f.width == 2 ? static_cast<int64_t>(static_cast<int16_t>(v))
                                           : static_cast<int64_t>(static_cast<int32_t>(v)));
    case Show::Hex4: return Hex(v, 4);
    case Show::Hex8: return Hex(v, 8);
    case Show::Hex16: return Hex(v, 16);
    case Show::Text: return rtl::FourCCToStr(static_cast<uint32_t>(v));
    }
    return {};
}

bool IsIndexId(uint32_t id)
{
    return id == rtl::FourCC("indx") || ((id & 0xFF) == 'i' && ((id >> 8) & 0xFF) == 'x');
}

// The DV codec codes, compared in lower case (letters A to Z only); "csvd" is kept as the
// structure window has always spelt it.
bool IsDvCompression(uint32_t code)
{
    std::string s = rtl::FourCCToStr(code);
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return s == "dvsd" || s == "dsvd" || s == "csvd";
}

} // namespace

std::string CentredLine(std::string_view prefix, std::string_view fill, std::string_view text)
{
    const int64_t n =
        (static_cast<int64_t>(kRuleWidth) - static_cast<int64_t>(prefix.size()) - static_cast<int64_t>(text.size())) /
        2;
    std::string pad;
    for (int64_t i = 0; i < n; ++i)
        pad += fill;
    std::string line(prefix);
    line += pad;
    line += text;
    line += pad;
    return line;
}

TRiffLister::TRiffLister(RiffListingOptions options) : options_(std::move(options))
{
}

void TRiffLister::AddLine(std::string line)
{
    if (options_.onLine)
        options_.onLine(line);
    lines_.push_back(std::move(line));
}

void TRiffLister::AddCentredLine(std::string_view prefix, std::string_view fill, std::string_view text)
{
    AddLine(CentredLine(prefix, fill, text));
}

RiffListingResult TRiffLister::WalkFile(const std::string& fileName)
{
    cancel_ = false;
    lines_.clear();
    if (!rtl::FileExists(fileName))
        return {};
    std::unique_ptr<FileSource> src;
    std::string error;
    try {
        src = std::make_unique<FileSource>(fileName);
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!src) {
        AddHeading(fileName);
        RiffListingResult r;
        r.error = error;
        return r;
    }
    return WalkSource(*src, fileName);
}

RiffListingResult TRiffLister::WalkSource(const RiffSource& source, const std::string& fileName)
{
    cancel_ = false;
    lines_.clear();
    shortRead_ = false;
    streamKind_ = 0;
    chunks_ = 0;
    AddHeading(fileName);
    try {
        Walk(source);
    } catch (const std::exception&) {
        // A read error (a disk or network failure) ends the walk like the end of the file.
        shortRead_ = true;
    }
    src_ = nullptr;
    RiffListingResult r;
    r.cancelled = cancel_;
    r.shortRead = shortRead_;
    AddTrailer(rtl::ExpandFileName(fileName));
    r.walked = true;
    return r;
}

void TRiffLister::AddHeading(const std::string& fileName)
{
    const rtl::FormatSettings& fs = options_.settings ? *options_.settings : rtl::DefaultFormatSettings();
    const rtl::TDateTime now = options_.clock ? options_.clock() : rtl::Now();
    AddLine(std::string(kRuleWidth, '-'));
    AddLine("");
    AddCentredLine("", "*",
                   "  " + rtl::Format(rtl::LoadStr(rtl::sid::sRiffHeaderOf), rtl::ExtractFileName(fileName)) + "  ");
    AddLine("");
    AddCentredLine("", " ",
                   rtl::Format(rtl::LoadStr(rtl::sid::sRiffAnalysedOn), rtl::FormatDateTime("yyyy/mm/d", now, fs),
                               rtl::FormatDateTime("h:mm:ss", now, fs)));
    AddCentredLine(
        "", " ",
        rtl::Format(rtl::LoadStr(rtl::sid::sRiffWithBy), rtl::ProductName, rtl::AuthorName, options_.versionText));
    AddLine("");
    AddCentredLine("", "-", rtl::LoadStr(rtl::sid::sRiffStartOfRiff));
}

void TRiffLister::AddTrailer(const std::string& fullPath)
{
    AddLine("");
    if (cancel_) {
        AddCentredLine("", "-", rtl::LoadStr(rtl::sid::sRiffCanceled));
        AddLine("");
    }
    if (shortRead_) {
        AddCentredLine("", " ", rtl::LoadStr(rtl::sid::sRiffUnexpectedEnd));
        AddLine("");
    }
    AddCentredLine("", "-", rtl::LoadStr(rtl::sid::sRiffEndOfHeader));
    AddCentredLine("", " ", fullPath);
    AddLine("");
    AddLine(std::string(kRuleWidth, '-'));
}

void TRiffLister::Walk(const RiffSource& source)
{
    src_ = &source;
    fileSize_ = source.Size();
    int64_t pos = 0;
    while (pos < fileSize_) {
        if (cancel_)
            break;
        const int64_t n = WalkChunk(pos, 0, true);
        // 0: stopped before a header; 8: garbage or an empty top-level chunk.
        if (shortRead_ || n <= 8)
            break;
        pos += n;
    }
}

int64_t TRiffLister::WalkChunk(int64_t pos, int depth, bool top)
{
    if (cancel_)
        return 0;
    if (++chunks_ > kMaxChunks) {
        shortRead_ = true;
        return 0;
    }
    // A header cut by the end of the file (1 to 7 trailing bytes) ends the walk.
    RiffChunk c;
    if (!ReadChunkHeader(*src_, pos, fileSize_, c)) {
        shortRead_ = true;
        return 0;
    }
    const int64_t position = c.dataPos();
    const std::string indent(kIndentWidth * static_cast<size_t>(depth), ' ');
    if (top && c.id != rtl::FourCC("RIFF")) {
        AddLine(">>>" + rtl::Format(rtl::LoadStr(rtl::sid::sRiffGarbage),
                                    Hex8(static_cast<uint64_t>(fileSize_ - position + 8))));
        return 8;
    }
    if (c.id != rtl::FourCC("01wb") && c.id != rtl::FourCC("00dc") && c.id != rtl::FourCC("00db"))
        AddLine(indent + rtl::FourCCToStr(c.id) + "  " + Hex8(c.size));

    int64_t size = static_cast<int64_t>(c.size) + (c.size & 1);
    if (position + size > fileSize_) {
        AddLine(indent + ">>> " + rtl::LoadStr(rtl::sid::sRiffBadLength));
        AddLine(indent + ">>> " +
                rtl::Format(rtl::LoadStr(rtl::sid::sRiffInsteadOf), Hex8(static_cast<uint64_t>(size)),
                            Hex8(static_cast<uint64_t>(fileSize_ - position))));
        size = fileSize_ - position;
    }
    const int64_t result = size + 8;
    if (size == 0)
        return result;

    if (c.isList()) {
        uint32_t type = 0;
        if (!ReadListType(*src_, c, type))
            return result; // too short to hold a list type
        size -= 4;
        AddLine(indent + rtl::FourCCToStr(type));
        if (type == rtl::FourCC("movi") || depth >= kMaxDepth)
            return result;
        int64_t child = position + 4;
        while (size > 7 && !cancel_ && !shortRead_) {
            const int64_t n = WalkChunk(child, depth + 1, false);
            if (n > size)
                return result;
            size -= n;
            child += n;
        }
        return result;
    }
    // The record reads stop at the declared size (limited to the file), never in the next chunk.
    ListRecord(c.id, position, std::min<int64_t>(c.size, fileSize_ - position), indent);
    return result;
}

namespace {

// The lines of one record: only the fields whose bytes lie within the `have` bytes read.
void FieldLines(const std::function<void(std::string)>& add, const std::string& indent, std::span<const Field> fields,
                const uint8_t* rec, size_t have)
{
    for (const Field& f : fields)
        if (static_cast<size_t>(f.offset) + f.width <= have)
            add(indent + f.label + FieldValue(rec, f));
}

} // namespace

void TRiffLister::ListRecord(uint32_t id, int64_t dataPos, int64_t available, const std::string& indent)
{
    RiffChunk c;
    c.id = id;
    c.headerPos = dataPos - 8;
    c.available = available;
    c.size = static_cast<uint32_t>(available);
    const auto add = [this](std::string line) { AddLine(std::move(line)); };
    const auto heading = [&](std::string_view text) { AddCentredLine(indent, "-", text); };
    uint8_t rec[kMainHeaderSize];

    if (id == rtl::FourCC("strh")) {
        const size_t have = ReadRecord(*src_, c, rec, kStreamHeaderSize);
        const uint32_t type = rtl::GetLE32(rec);
        AddLine("");
        if (type == rtl::FourCC("vids")) {
            streamKind_ = 0;
            heading("(Video)");
        } else if (type == rtl::FourCC("auds")) {
            streamKind_ = 1;
            heading("(Audio)");
        } else if (type == rtl::FourCC("iavs")) {
            streamKind_ = 2;
            heading("(Interleaved)");
        } else {
            streamKind_ = 3;
            heading("(Unknown)");
        }
        heading("Start of AVI Stream Header");
        FieldLines(add, indent, kStreamHeader, rec, have);
        heading("End of AVI Stream Header");
        AddLine("");
    } else if (id == rtl::FourCC("avih")) {
        const size_t have = ReadRecord(*src_, c, rec, kMainHeaderSize);
        AddLine("");
        heading(" Start of AVI Main Header ");
        FieldLines(add, indent, kMainHeader, rec, have);
        heading(" End of Main Header ");
        AddLine("");
    } else if (id == rtl::FourCC("strf") && streamKind_ == 0) {
        const size_t have = ReadRecord(*src_, c, rec, kBitmapInfoSize);
        AddLine("");
        heading("Start of Stream Format Header");
        FieldLines(add, indent, kBitmapInfo, rec, have);
        if (available - static_cast<int64_t>(kBitmapInfoSize) > 31 && IsDvCompression(rtl::GetLE32(rec + 16))) {
            const size_t dvHave = ReadRecord(*src_, c, rec, kDvInfoSize, kBitmapInfoSize);
            heading("Start of DVInfo");
            FieldLines(add, indent, kDvInfo, rec, dvHave);
            heading("End of DVINfo");
        }
        heading("End of AVI Stream Format");
        AddLine("");
    } else if (id == rtl::FourCC("strf") && streamKind_ == 1) {
        const size_t have = ReadRecord(*src_, c, rec, kWaveFormatSize);
        AddLine("");
        heading("Start of Stream Format Header");
        FieldLines(add, indent, kWaveFormat, rec, have);
        heading("End of AVI Stream Format");
        AddLine("");
    } else if (id == rtl::FourCC("strf") && streamKind_ == 2) {
        const size_t have = ReadRecord(*src_, c, rec, kDvInfoSize);
        AddLine("");
        heading("Start of DVInfo");
        FieldLines(add, indent, kDvInfo, rec, have);
        heading("End of DVINfo");
        AddLine("");
    } else if (IsIndexId(id)) {
        // Only the 24-byte header is read: the entries are never listed.
        const size_t have = ReadRecord(*src_, c, rec, kIndexHeaderSize);
        AddLine("");
        heading("Start of an Index");
        FieldLines(add, indent, kIndexHeader, rec, have);
        heading("End of Index");
        AddLine("");
    }
}

void SaveListing(const std::vector<std::string>& lines, const std::string& path)
{
    ReplacingFile file;
    if (file.Open(path)) {
        for (const std::string& line : lines) {
            file.Write(line);
            file.Write("\r\n");
        }
        if (file.Commit())
            return;
    }
    throw rtl::EFileError(file.Error());
}

} // namespace formats
