#include "formats/fpsunit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "formats/AviRecords.h"
#include "formats/RiffChunk.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

namespace formats {

TRiffWalk TRiffWalker::Walk()
{
    result_ = TRiffWalk{};
    chunks_ = 0;
    fileSize_ = src_.Size();
    int64_t pos = 0;
    while (pos < fileSize_) {
        int64_t consumed = WalkChunk(pos, 0, true, fileSize_);
        // A top-level chunk that is not "RIFF", or an empty one, ends the walk.
        if (result_.ShortRead || result_.TooManyChunks || consumed <= 8)
            break;
        pos += consumed;
    }
    return result_;
}

// Returns the bytes the chunk occupies, header and pad byte included, limited to the file.
int64_t TRiffWalker::WalkChunk(int64_t pos, int depth, bool top, int64_t limit)
{
    if (++chunks_ > kMaxChunks) {
        result_.TooManyChunks = true;
        return 0;
    }
    RiffChunk c;
    if (!ReadChunkHeader(src_, pos, fileSize_, c)) {
        result_.ShortRead = true;
        return 0;
    }
    if (top && c.id != rtl::FourCC("RIFF"))
        return 8;
    const int64_t end = c.end(fileSize_);
    const int64_t consumed = end - pos;
    int64_t size = end - c.dataPos();
    if (size == 0)
        return consumed;

    if (c.isList()) {
        uint32_t type = 0;
        if (!ReadListType(src_, c, type) || type == rtl::FourCC("movi") || depth >= kMaxDepth)
            return consumed;
        size -= 4;
        int64_t child = c.dataPos() + 4;
        while (size >= 8) {
            int64_t n = WalkChunk(child, depth + 1, false, child + size);
            if (result_.ShortRead || result_.TooManyChunks || n > size)
                break;
            size -= n;
            child += n;
        }
    } else if (c.id == rtl::FourCC("strh")) {
        uint8_t rec[AviStreamHeader::kSize];
        ReadRecord(src_, c, rec, sizeof rec);
        const uint32_t type = rtl::GetLE32(rec);
        bool video = false;
        if (type == rtl::FourCC("vids")) {
            result_.StreamKind = skVideo;
            video = true;
        } else if (type == rtl::FourCC("auds")) {
            result_.StreamKind = skAudio;
        } else if (type == rtl::FourCC("iavs")) {
            result_.StreamKind = skInterleaved;
            video = true;
        } else {
            result_.StreamKind = skOther;
        }
        // A patch writes up to the end of dwRate: a shorter header, or one cut by the end of its
        // list, would give away the bytes of the next chunk.
        const int64_t usable = std::min(c.available, limit - c.dataPos());
        if (video && usable >= AviStreamHeader::kRateOffset + 4) {
            result_.HandlerPos = c.dataPos() + AviStreamHeader::kHandlerOffset;
            result_.ScalePos = c.dataPos() + AviStreamHeader::kScaleOffset;
        }
    }
    // Every other chunk ("avih", "strf", the index chunks, "idx1"...) holds nothing the patches
    // need; the next header is read at this chunk's end.
    return consumed;
}

TRiffWalk WalkRiffFile(const std::string& fileName)
{
    if (!rtl::FileExists(fileName))
        return {};
    FileSource src(fileName);
    return TRiffWalker(src).Walk();
}

uint32_t ReadVideoHandler(const std::string& fileName)
{
    auto owned = OpenRegularFile(fileName, rtl::TFileStream::Mode::Read);
    rtl::TFileStream& file = *owned;
    FileSource src(file);
    TRiffWalk walk = TRiffWalker(src).Walk();
    if (walk.HandlerPos == 0)
        return 0;
    uint8_t b[4];
    file.Seek(walk.HandlerPos);
    file.ReadBuffer(b, sizeof b);
    return rtl::GetLE32(b);
}

bool WriteVideoHandler(const std::string& fileName, uint32_t code)
{
    try {
        // Walk the very handle that is written: no truncation, only the 4 bytes change.
        auto owned = OpenRegularFile(fileName, rtl::TFileStream::Mode::ReadWrite);
        rtl::TFileStream& file = *owned;
        FileSource src(file);
        TRiffWalk walk = TRiffWalker(src).Walk();
        if (walk.HandlerPos == 0)
            return false;
        uint8_t b[4];
        rtl::PutLE32(b, code);
        file.WriteAt(walk.HandlerPos, b, sizeof b);
        file.Flush();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool FrameRateFields(double fps, uint32_t& scale, uint32_t& rate)
{
    if (!std::isfinite(fps) || fps <= 0)
        return false;
    const double q = 1000000.0 / fps;
    if (!std::isfinite(q) || q >= 4294967295.5)
        return false;
    const int64_t s = rtl::Round(q);
    if (s < 1 || s > 0xFFFFFFFFLL)
        return false;
    scale = static_cast<uint32_t>(s);
    rate = 1000000;
    return true;
}

bool WriteFrameRate(const std::string& fileName, double fps)
{
    uint32_t scale = 0, rate = 0;
    if (!FrameRateFields(fps, scale, rate)) {
        char text[64];
        std::snprintf(text, sizeof text, "%g", fps);
        throw rtl::EConvertError(rtl::Format(rtl::LoadStr(rtl::sid::sInvalidFrameRate), text));
    }
    auto owned = OpenRegularFile(fileName, rtl::TFileStream::Mode::ReadWrite);
    rtl::TFileStream& file = *owned;
    FileSource src(file);
    TRiffWalk walk = TRiffWalker(src).Walk();
    if (walk.ScalePos == 0)
        return false;
    uint8_t b[8];
    rtl::PutLE32(b, scale);
    rtl::PutLE32(b + 4, rate);
    file.WriteAt(walk.ScalePos, b, sizeof b);
    file.Flush();
    return true;
}

} // namespace formats
