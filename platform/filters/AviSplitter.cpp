#include "platform/filters/AviSplitter.h"

#include <algorithm>
#include <string>

#include "formats/AviRecords.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/rtl/ByteOrder.h"

namespace ds {
namespace {

constexpr int64_t kUnits = 10'000'000; // 100 ns units per second

// The demux core reads through the upstream reader.
class ReaderSource : public formats::AviByteSource {
public:
    explicit ReaderSource(AsyncReader& reader) : reader_(reader)
    {
        int64_t available = 0;
        if (FAILED(reader_.Length(size_, available)))
            size_ = 0;
    }
    int64_t Size() const override { return size_; }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override
    {
        uint32_t read = 0;
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(count, UINT32_MAX));
        HRESULT hr = reader_.SyncRead(offset, n, static_cast<uint8_t*>(buffer), &read);
        return FAILED(hr) ? 0 : read;
    }

private:
    AsyncReader& reader_;
    int64_t size_ = 0;
};

// a·b/c rounded to nearest, without overflow.
int64_t MulDiv(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return 0;
    const __int128 p = static_cast<__int128>(a) * b;
    return static_cast<int64_t>((p + c / 2) / c);
}

int64_t LargestChunk(const formats::AviDemuxStream& s)
{
    uint32_t largest = 0;
    for (const auto& c : s.chunks)
        largest = std::max(largest, c.size);
    return largest;
}

// The handler of the last video or interleaved stream header reads as `code`, as in the file a
// handler patch would leave (the stored header bytes included).
void OverrideVideoHandler(formats::AviDemuxResult& file, uint32_t code)
{
    const uint32_t vids = rtl::FourCC("vids"), iavs = rtl::FourCC("iavs");
    for (auto s = file.streams.rbegin(); s != file.streams.rend(); ++s)
        if (s->fccType == vids || s->fccType == iavs) {
            s->fccHandler = code;
            if (s->header.size() >= 8)
                rtl::PutLE32(&s->header[4], code);
            return;
        }
}

} // namespace

bool AviStreamDescribed(const formats::AviDemuxStream& s)
{
    if (s.fccType == rtl::FourCC("vids"))
        return s.format.size() >= rtl::BitmapInfoHeader::kSize;
    if (s.fccType != rtl::FourCC("auds"))
        return true;
    WaveFormatEx w;
    if (!WaveFormatEx::Parse(s.format.data(), s.format.size(), w))
        return false;
    if (w.nChannels == 0 || w.nChannels > 8 || w.nSamplesPerSec == 0 || w.nBlockAlign == 0)
        return false;
    // A block of linear sound is one sample of every channel; compressed sound has its codec's blocks.
    const bool linear = w.wFormatTag == 1 || w.wFormatTag == 3 || w.wFormatTag == 0xFFFE;
    return !linear || w.nBlockAlign == w.nChannels * ((w.wBitsPerSample + 7) / 8);
}

MediaType AviStreamMediaType(const formats::AviDemuxStream& s)
{
    const uint32_t vids = rtl::FourCC("vids"), auds = rtl::FourCC("auds"), iavs = rtl::FourCC("iavs");
    if (s.fccType == vids) {
        VideoInfoHeader vih;
        std::vector<uint8_t> bmi = s.format;
        bmi.resize(std::max(bmi.size(), rtl::BitmapInfoHeader::kSize), 0);
        vih.bmiHeader = rtl::DecodeBitmapInfo(bmi.data());
        vih.AvgTimePerFrame = s.rate ? MulDiv(s.scale, kUnits, s.rate) : 0;
        if (!s.chunks.empty() && s.scale)
            vih.dwBitRate = static_cast<uint32_t>(std::min<int64_t>(
                MulDiv(static_cast<int64_t>(s.totalBytes) * 8, s.rate, static_cast<int64_t>(s.chunks.size()) * s.scale),
                UINT32_MAX));
        Guid sub = Guid::FromFourCC(vih.bmiHeader.biCompression);
        if (vih.bmiHeader.biCompression == 0)
            sub = vih.bmiHeader.biBitCount == 32 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24;
        MediaType mt = MediaType::Video(sub, vih);
        // Bytes of the bitmap header's tail (palette, codec data) follow the 88 bytes.
        if (s.format.size() > 40)
            mt.format.insert(mt.format.end(), s.format.begin() + 40, s.format.end());
        mt.bTemporalCompression = false;
        return mt;
    }
    if (s.fccType == auds) {
        const uint16_t tag = s.format.size() >= 2 ? rtl::GetLE16(s.format.data()) : 0;
        MediaType mt(MEDIATYPE_Audio, Guid::FromFourCC(tag), FORMAT_WaveFormatEx);
        mt.format = s.format;
        // The older 16-byte layout (PCMWAVEFORMAT, as ffmpeg writes PCM) is the same description
        // without cbSize: offered as the 18-byte one with cbSize 0, the file left as it is.
        if (mt.format.size() == 16)
            mt.format.resize(18, 0);
        mt.lSampleSize = s.format.size() >= 14 ? rtl::GetLE16(&s.format[12]) : 0;
        return mt;
    }
    if (s.fccType == iavs) {
        MediaType mt(MEDIATYPE_Interleaved, Guid::FromFourCC(s.fccHandler), FORMAT_DvInfo);
        mt.format = s.format;
        return mt;
    }
    MediaType mt(Guid::FromFourCC(s.fccType), Guid::FromFourCC(s.fccHandler), FORMAT_None);
    mt.format = s.format;
    return mt;
}

AviSplitterInputPin::AviSplitterInputPin(AviSplitter& splitter) : InputPin(splitter, "input pin"), splitter_(splitter)
{
}

HRESULT AviSplitterInputPin::CheckMediaType(const MediaType& mt)
{
    return mt.majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AviSplitterInputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = InputPin::CompleteConnect(peer);
    if (FAILED(hr))
        return hr;
    return splitter_.OnInputConnected(peer);
}

HRESULT AviSplitterInputPin::BreakConnect()
{
    splitter_.OnInputDisconnected();
    return InputPin::BreakConnect();
}

HRESULT AviSplitterInputPin::Receive(const SamplePtr&)
{
    return E_UNEXPECTED;
}

AviSplitterStream::AviSplitterStream(AviSplitter& splitter, std::shared_ptr<const formats::AviDemuxResult> file,
                                     int index, AsyncReader& reader)
    : SourceStream(splitter, formats::StreamPinName("Stream", index)), splitter_(splitter), file_(std::move(file)),
      index_(index), reader_(reader), type_(AviStreamMediaType(Info()))
{
    int64_t available = 0;
    if (FAILED(reader_.Length(fileSize_, available)))
        fileSize_ = 0;
    if (ByBytes()) {
        byteStart_.reserve(Info().chunks.size() + 1);
        uint64_t total = 0;
        for (const auto& c : Info().chunks) {
            byteStart_.push_back(total);
            total += c.size;
        }
        byteStart_.push_back(total);
    }
}

bool AviSplitterStream::ByBytes() const
{
    return Info().fccType == rtl::FourCC("auds") && Info().sampleSize > 0;
}

REFERENCE_TIME AviSplitterStream::ChunkTime(size_t i) const
{
    const formats::AviDemuxStream& s = Info();
    if (s.rate == 0)
        return 0;
    if (ByBytes()) {
        const int64_t units = static_cast<int64_t>(byteStart_[std::min(i, byteStart_.size() - 1)] / s.sampleSize);
        return static_cast<REFERENCE_TIME>((static_cast<__int128>(units) * s.scale * kUnits + s.rate / 2) / s.rate);
    }
    return FramesToTime(static_cast<int64_t>(i));
}

REFERENCE_TIME AviSplitterStream::FramesToTime(int64_t frames) const
{
    const formats::AviDemuxStream& s = Info();
    if (s.rate == 0)
        return 0;
    return static_cast<REFERENCE_TIME>((static_cast<__int128>(frames) * s.scale * kUnits + s.rate / 2) / s.rate);
}

int64_t AviSplitterStream::TimeToFrames(REFERENCE_TIME t) const
{
    const formats::AviDemuxStream& s = Info();
    if (s.scale == 0)
        return 0;
    const __int128 den = static_cast<__int128>(s.scale) * kUnits;
    return static_cast<int64_t>((static_cast<__int128>(t) * s.rate + den / 2) / den);
}

size_t AviSplitterStream::ChunkAt(REFERENCE_TIME t) const
{
    const size_t count = Info().chunks.size();
    if (t <= 0 || count == 0)
        return 0;
    // The last chunk starting at or before t (chunk times only grow).
    size_t lo = 0, hi = count;
    while (hi - lo > 1) {
        const size_t mid = lo + (hi - lo) / 2;
        if (ChunkTime(mid) <= t)
            lo = mid;
        else
            hi = mid;
    }
    if (t >= ChunkTime(count))
        return count;
    // Pictures go back to the keyframe they are built on.
    while (lo > 0 && !ByBytes() && !Info().chunks[lo].keyframe)
        --lo;
    return lo;
}

HRESULT AviSplitterStream::CheckMediaType(const MediaType& mt)
{
    return mt.majortype == type_.majortype && mt.subtype == type_.subtype && mt.formattype == type_.formattype &&
                   mt.format == type_.format
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AviSplitterStream::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    mt = type_;
    return S_OK;
}

HRESULT AviSplitterStream::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    // A buffer holds the largest chunk the index gives; the header's hint says nothing more, and
    // may ask for gigabytes. Chunks of different streams lie apart in a sound file: where a damaged
    // index lays them over each other, the outputs share the file's size between them, and their
    // chunks are cut to their share.
    const int64_t all = splitter_.largestChunks_;
    int64_t largest = LargestChunk(Info());
    if (all > fileSize_)
        largest = static_cast<int64_t>(static_cast<__int128>(largest) * fileSize_ / all);
    // Eight buffers, fewer when the chunks are huge (a damaged size): at most about 64 MiB in all.
    const uint32_t size = static_cast<uint32_t>(std::clamp<int64_t>(largest, 1, 64u << 20));
    request.cBuffers = std::max(request.cBuffers, static_cast<int32_t>(std::clamp<uint32_t>((64u << 20) / size, 2, 8)));
    request.cbBuffer = std::max<int32_t>(request.cbBuffer, static_cast<int32_t>(size));
    AllocatorProperties actual;
    HRESULT hr = allocator.SetProperties(request, actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer >= request.cbBuffer ? S_OK : E_FAIL;
}

HRESULT AviSplitterStream::OnThreadStartPlay()
{
    next_ = ChunkAt(StreamStart());
    first_ = true;
    return S_OK;
}

void AviSplitterStream::NoteCutShort()
{
    splitter_.cutShort_ = true;
}

// The size to read of chunk i: the index's, or, where the index was not checked against the
// file, what the chunk's own header says, held to what the file holds; 0 when no chunk of this
// stream lies there.
uint32_t AviSplitterStream::ChunkSize(size_t i)
{
    const formats::AviChunkRef& c = Info().chunks[i];
    if (!file_->checkChunkHeaders || c.size == 0)
        return c.size;
    uint8_t h[8];
    uint32_t read = 0;
    if (c.offset < 8)
        return 0;
    if (FAILED(reader_.SyncRead(c.offset - 8, 8, h, &read)) || read != 8) {
        NoteCutShort(); // the header was in the file when it was read
        return 0;
    }
    if (formats::ChunkIdStream(rtl::GetLE32(h)) != index_)
        return 0;
    return static_cast<uint32_t>(std::min<int64_t>(rtl::GetLE32(h + 4), std::max<int64_t>(fileSize_ - c.offset, 0)));
}

HRESULT AviSplitterStream::FillBuffer(MediaSample& sample)
{
    const auto& chunks = Info().chunks;
    for (;;) {
        // Empty chunks hold a place in time only: a dropped frame becomes a gap.
        while (next_ < chunks.size() && chunks[next_].size == 0)
            ++next_;
        if (next_ >= chunks.size())
            return S_FALSE;
        const size_t i = next_++;
        const REFERENCE_TIME start = ChunkTime(i), stop = ChunkTime(i + 1);
        if (start >= StreamStop())
            return S_FALSE;
        const uint32_t size = std::min<uint32_t>(ChunkSize(i), static_cast<uint32_t>(sample.GetSize()));
        if (size == 0)
            continue; // the index pointed at no chunk of this stream: a gap
        uint32_t read = 0;
        HRESULT hr = reader_.SyncRead(chunks[i].offset, size, sample.GetPointer(), &read);
        // The index holds only what the file held when it was read: a chunk that no longer
        // comes whole means the file got shorter since. The stream ends cleanly, and says so.
        if (FAILED(hr) || read < size) {
            NoteCutShort();
            return FAILED(hr) ? hr : S_FALSE;
        }
        sample.SetActualDataLength(static_cast<int32_t>(size));
        const REFERENCE_TIME base = StreamStart();
        sample.SetTime(start - base, stop - base);
        if (!ByBytes()) {
            int64_t ms = static_cast<int64_t>(i), me = static_cast<int64_t>(i) + 1;
            sample.SetMediaTime(&ms, &me);
        }
        sample.SetSyncPoint(chunks[i].keyframe);
        sample.SetPreroll(stop <= base);
        sample.SetDiscontinuity(first_);
        first_ = false;
        return S_OK;
    }
}

size_t AviSplitterStream::LengthInChunks() const
{
    const auto& chunks = Info().chunks;
    const bool pictures = Info().fccType == rtl::FourCC("vids") || Info().fccType == rtl::FourCC("iavs");
    return pictures && !chunks.empty() && chunks.back().cut ? chunks.size() - 1 : chunks.size();
}

HRESULT AviSplitterStream::Duration(REFERENCE_TIME& duration)
{
    duration = ChunkTime(LengthInChunks());
    return S_OK;
}

bool AviSplitterStream::PeekFirstChunk(std::vector<uint8_t>& data)
{
    for (size_t i = 0; i < Info().chunks.size(); ++i) {
        const uint32_t size = ChunkSize(i);
        if (size == 0)
            continue;
        // A damaged size may claim gigabytes: no more than a sample buffer may hold is read.
        if (size > (64u << 20))
            return false;
        data.resize(size);
        uint32_t read = 0;
        HRESULT hr = reader_.SyncRead(Info().chunks[i].offset, size, data.data(), &read);
        data.resize(SUCCEEDED(hr) ? read : 0);
        return !data.empty();
    }
    return false;
}

HRESULT AviSplitterStream::IsFormatSupported(const Guid& format)
{
    if (format == TIME_FORMAT_MEDIA_TIME)
        return S_OK;
    const bool framed = Info().fccType == rtl::FourCC("vids") || Info().fccType == rtl::FourCC("iavs");
    return format == TIME_FORMAT_FRAME && framed && Info().rate != 0 ? S_OK : S_FALSE;
}

HRESULT AviSplitterStream::GetDuration(int64_t& duration)
{
    HRESULT hr = SourceStream::GetDuration(duration);
    if (SUCCEEDED(hr) && timeFormat_ == TIME_FORMAT_FRAME)
        duration = static_cast<int64_t>(LengthInChunks());
    return hr;
}

HRESULT AviSplitterStream::GetCurrentPosition(int64_t& position)
{
    HRESULT hr = SourceStream::GetCurrentPosition(position);
    if (SUCCEEDED(hr) && timeFormat_ == TIME_FORMAT_FRAME)
        position = TimeToFrames(position);
    return hr;
}

HRESULT AviSplitterStream::GetStopPosition(int64_t& stop)
{
    HRESULT hr = SourceStream::GetStopPosition(stop);
    if (SUCCEEDED(hr) && timeFormat_ == TIME_FORMAT_FRAME)
        stop = TimeToFrames(stop);
    return hr;
}

HRESULT AviSplitterStream::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags)
{
    if (timeFormat_ != TIME_FORMAT_FRAME)
        return SourceStream::SetPositions(current, currentFlags, stop, stopFlags);
    int64_t c = current ? FramesToTime(*current) : 0, s = stop ? FramesToTime(*stop) : 0;
    return SourceStream::SetPositions(current ? &c : nullptr, currentFlags, stop ? &s : nullptr, stopFlags);
}

HRESULT AviSplitterStream::ConvertTimeFormat(int64_t& target, const Guid* targetFormat, int64_t source,
                                             const Guid* sourceFormat)
{
    const Guid from = sourceFormat ? *sourceFormat : timeFormat_;
    const Guid to = targetFormat ? *targetFormat : timeFormat_;
    if (IsFormatSupported(from) != S_OK || IsFormatSupported(to) != S_OK)
        return E_INVALIDARG;
    const REFERENCE_TIME t = from == TIME_FORMAT_FRAME ? FramesToTime(source) : source;
    target = to == TIME_FORMAT_FRAME ? TimeToFrames(t) : t;
    return S_OK;
}

AviSplitter::AviSplitter() : BaseSource(kFriendlyName), input_(*this)
{
}

AviSplitter::~AviSplitter()
{
    RemoveStreams();
    input_.Disconnect();
}

int AviSplitter::GetPinCount()
{
    return static_cast<int>(streams_.size()) + 1;
}

Pin* AviSplitter::GetPin(int index)
{
    const int outputs = static_cast<int>(streams_.size());
    if (index >= 0 && index < outputs)
        return streams_[static_cast<size_t>(index)].get();
    return index == outputs ? &input_ : nullptr;
}

HRESULT AviSplitter::OnInputConnected(Pin& peer)
{
    AsyncReader* reader = QueryPin<AsyncReader>(&peer);
    if (!reader)
        return VFW_E_NO_ACCEPTABLE_TYPES;
    ReaderSource source(*reader);
    auto file = std::make_shared<formats::AviDemuxResult>(formats::ParseAvi(formats::WindowedSource(source)));
    if (handlerOverride_ != 0)
        OverrideVideoHandler(*file, handlerOverride_);
    RemoveStreams();
    file_ = file;
    cutShort_ = false;
    largestChunks_ = 0;
    for (const auto& s : file->streams)
        largestChunks_ += LargestChunk(s);
    // A file that cannot be parsed stays connected with no outputs.
    if (!file->valid)
        return S_OK;
    for (size_t i = 0; i < file->streams.size(); ++i)
        if (AviStreamDescribed(file->streams[i]))
            AddStream(std::make_unique<AviSplitterStream>(*this, file, static_cast<int>(i), *reader));
    return S_OK;
}

void AviSplitter::OnInputDisconnected()
{
    RemoveStreams();
    file_.reset();
}

void RegisterAviSplitterFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{AviSplitter::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0x1B544C20, 0xFD0B, 0x11CE, {0x8C, 0x63, 0x00, 0xAA, 0x00, 0x44, 0xB5, 0x1E}},
                                  MERIT_NORMAL, [] { return std::make_shared<AviSplitter>(); },
                                  [](const MediaType& mt) { return mt.majortype == MEDIATYPE_Stream; }});
}

} // namespace ds
