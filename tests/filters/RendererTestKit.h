#pragma once
// Helpers for the renderer tests: a picture sink and an audio output that record, a source of
// coloured RGB32 frames with PCM beside them, and a stand-in DV decoder that paints each frame in
// the colour of its time code.
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "formats/dvcodes.h"
#include "platform/filters/AudioOutput.h"
#include "platform/filters/VideoSink.h"
#include "tests/dshow/TestFilters.h"

namespace rendertest {

using namespace ds;
using testds::AudioType;
using testds::TestStream;

// A colour for frame n, distinct for the first few hundred frames (0xFFRRGGBB).
inline uint32_t FrameColor(int64_t n)
{
    const uint32_t r = static_cast<uint32_t>(40 + 9 * n) & 0xFF, g = static_cast<uint32_t>(200 - 7 * n) & 0xFF;
    return 0xFF000000u | r << 16 | g << 8 | static_cast<uint32_t>(n % 2 ? 30 : 220);
}

inline MediaType RgbType(int width, int height, int bits = 32, int64_t frameTime = 400000)
{
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = frameTime;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height; // positive: bottom-up
    vih.bmiHeader.biBitCount = static_cast<uint16_t>(bits);
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(((width * bits / 8 + 3) & ~3) * (height < 0 ? -height : height));
    return MediaType::Video(bits == 32 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24, vih);
}

// Fills a DIB of `mt` with one colour.
inline void FillDib(const MediaType& mt, uint8_t* data, uint32_t color)
{
    const auto vih = *mt.GetVideoInfo();
    const int w = vih.bmiHeader.biWidth, h = std::abs(vih.bmiHeader.biHeight), bytes = vih.bmiHeader.biBitCount / 8;
    const int stride = (w * bytes + 3) & ~3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            std::memcpy(data + y * stride + x * bytes, &color, static_cast<size_t>(bytes));
}

// A thread pushing into a renderer, joined when it goes out of scope however the test ends: the
// renderer is stopped first if the thread has not finished, so a sample held there lets go.
class Sender {
public:
    Sender(BaseFilter& renderer, std::function<void()> body)
        : renderer_(renderer), thread_([this, body = std::move(body)] {
              body();
              finished_ = true;
          })
    {
    }
    ~Sender()
    {
        if (!finished_)
            renderer_.Stop();
        thread_.join();
    }

private:
    BaseFilter& renderer_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// Records what the video renderer shows.
class PictureSink : public VideoSink {
public:
    void ShowPicture(PicturePtr picture) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++count_;
        last_ = std::move(picture);
    }
    void ClearPicture() override
    {
        std::lock_guard<std::mutex> guard(lock_);
        last_.reset();
        ++clears_;
    }
    PicturePtr Last()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return last_;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return count_;
    }
    int Clears()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return clears_;
    }
    // The colour in the middle of the last picture (0 when none).
    uint32_t LastColor()
    {
        PicturePtr p = Last();
        return p ? p->Pixel(p->width / 2, p->height / 2) : 0;
    }

private:
    std::mutex lock_; // guards the fields below: written on the renderer's threads
    PicturePtr last_;
    size_t count_ = 0;
    int clears_ = 0;
};

// An audio output driven by the test: it takes from the source only when told to.
class OutputDouble : public AudioOutput {
public:
    explicit OutputDouble(bool device = false) : device_(device) {}
    bool Open(const WaveFormatEx& format, AudioSource& source) override
    {
        format_ = format;
        source_ = &source;
        return true;
    }
    bool IsDevice() const override { return device_; }
    bool Start() override { return ++starts, true; }
    void Pause() override { ++pauses; }
    void Flush() override
    {
        ++flushes;
        buffered = 0;
    }
    void SetVolume(double v) override { volume = v; }
    int64_t BufferedBytes() const override { return buffered.load(); }
    // Takes up to `max` bytes as a device or the silent output would.
    size_t Pull(size_t max)
    {
        std::vector<uint8_t> scratch(max);
        const size_t n = source_->ReadAudio(scratch.data(), max);
        pulled.insert(pulled.end(), scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    void Played() { source_->Progress(); }

    std::atomic<int> starts{0}, pauses{0}, flushes{0};
    std::atomic<double> volume{-1};
    std::atomic<int64_t> buffered{0};
    std::vector<uint8_t> pulled;
    WaveFormatEx format_;

private:
    bool device_;
    AudioSource* source_ = nullptr;
};

// A stream of `count` frames of `mt`, frame n filled with FrameColor(n) and timed n * frame time.
class ColourStream : public TestStream {
public:
    ColourStream(BaseSource& filter, MediaType mt, int64_t count, int64_t frameTime)
        : TestStream(filter, "video", mt, count, frameTime,
                     static_cast<int32_t>(mt.GetVideoInfo()->bmiHeader.biSizeImage)),
          mt_(std::move(mt))
    {
    }
    HRESULT FillBuffer(MediaSample& sample) override
    {
        HRESULT hr = TestStream::FillBuffer(sample);
        if (hr == S_OK) {
            int64_t n = 0;
            std::memcpy(&n, sample.GetPointer(), sizeof n);
            FillDib(mt_, sample.GetPointer(), FrameColor(n));
        }
        return hr;
    }

private:
    MediaType mt_;
};

// 40 ms of silent 48 kHz stereo PCM per sample, timed as the frames.
class SilenceStream : public TestStream {
public:
    SilenceStream(BaseSource& filter, int64_t count) : TestStream(filter, "audio", AudioType(), count, 400000, 7680) {}
    HRESULT FillBuffer(MediaSample& sample) override
    {
        HRESULT hr = TestStream::FillBuffer(sample);
        if (hr == S_OK)
            std::memset(sample.GetPointer(), 0, static_cast<size_t>(sample.GetActualDataLength()));
        return hr;
    }
};

// A source of coloured RGB32 frames (25 per second) and, optionally, silent 48 kHz stereo PCM
// in one 40 ms sample per frame, each stream on its own thread.
class PictureSource : public BaseSource {
public:
    PictureSource(int width, int height, int64_t frames, bool sound) : BaseSource("Picture Source")
    {
        AddStream(std::make_unique<ColourStream>(*this, RgbType(width, height), frames, 400000));
        if (sound)
            AddStream(std::make_unique<SilenceStream>(*this, frames));
    }
    ~PictureSource() override { RemoveStreams(); }
};

// Stands in for a DV decoder: dvsd in, a bottom-up RGB24 picture of the frame's size out,
// painted in FrameColor of the frame's time code (frames since 00:00:00:00).
class TimecodePainter : public TBCTransformFilter {
public:
    TimecodePainter() : TBCTransformFilter("Time Code Painter") {}
    HRESULT CheckInputType(const MediaType& mt) override
    {
        return mt.majortype == MEDIATYPE_Video && mt.subtype == MEDIASUBTYPE_dvsd ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const MediaType&, const MediaType& out) override
    {
        return out == OutputType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, MediaType& mt) override { return testds::Offer({OutputType()}, position, mt); }
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
    {
        return testds::AskBuffers(allocator, request, 2,
                                  static_cast<int32_t>(OutputType().GetVideoInfo()->bmiHeader.biSizeImage));
    }
    HRESULT Transform(MediaSample& in, MediaSample& out) override
    {
        const formats::DVTimeCode tc =
            formats::DecodeTimeCode(in.GetPointer(), static_cast<size_t>(in.GetActualDataLength()), 0);
        if (tc.Hours == 255)
            return S_FALSE;
        const MediaType mt = OutputType();
        const int fps = mt.GetVideoInfo()->bmiHeader.biHeight == 576 ? 25 : 30;
        const int64_t n = ((tc.Hours * 60 + tc.Minutes) * 60 + tc.Seconds) * fps + tc.Frames;
        FillDib(mt, out.GetPointer(), FrameColor(n));
        out.SetActualDataLength(static_cast<int32_t>(mt.GetVideoInfo()->bmiHeader.biSizeImage));
        return S_OK;
    }

private:
    MediaType OutputType()
    {
        const auto in = Input()->CurrentMediaType().GetVideoInfo();
        return RgbType(720, in && in->bmiHeader.biHeight == 480 ? 480 : 576, 24, in ? in->AvgTimePerFrame : 400000);
    }
};

} // namespace rendertest
