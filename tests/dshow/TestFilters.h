#pragma once
// Mock filters for filter-graph tests: a hand-moved clock, a threaded source, a collecting renderer, in-place and
// converting transforms, and a hand-driven push pin with a capturing pin for tests between pins.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/SourceStream.h"
#include "platform/dshow/TransInPlaceFilter.h"
#include "platform/dshow/TransformFilter.h"

namespace testds {

using namespace ds;

inline MediaType VideoType(const Guid& subtype = MEDIASUBTYPE_dvsd, int64_t frameTime = 400000, uint32_t size = 144000)
{
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = frameTime;
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = 576;
    vih.bmiHeader.biCompression = subtype.IsFourCC() ? subtype.data1 : 0;
    vih.bmiHeader.biSizeImage = size;
    return MediaType::Video(subtype, vih);
}

inline MediaType AudioType()
{
    return MediaType::Audio(WaveFormatEx::Pcm(48000, 2, 16));
}

// The body of a pin's GetMediaType offering `offered` in order.
inline HRESULT Offer(const std::vector<MediaType>& offered, int position, MediaType& mt)
{
    if (position < 0 || position >= static_cast<int>(offered.size()))
        return VFW_S_NO_MORE_ITEMS;
    mt = offered[static_cast<size_t>(position)];
    return S_OK;
}

// The body of DecideBufferSize: at least `count` buffers of `size` bytes.
inline HRESULT AskBuffers(MemAllocator& allocator, AllocatorProperties& request, int32_t count, int32_t size)
{
    return allocator.Require(request, count, size);
}

// A clock the test moves by hand.
class HandClock : public ReferenceClock {
public:
    REFERENCE_TIME GetTime() const override { return now.load(); }
    std::atomic<REFERENCE_TIME> now{0};
};

// What a sink saw of one sample.
struct Seen {
    int64_t index = -1; // the first 8 bytes, as the test source writes them
    REFERENCE_TIME start = 0, stop = 0;
    REFERENCE_TIME segment = 0;
    bool sync = false, discontinuity = false;
    std::string bytes;
};

// One output of TestSource: `count` samples of `size` bytes, sample n holding n in its first 8
// bytes and timed n * frameTime from the stream start.
class TestStream : public SourceStream {
public:
    TestStream(BaseSource& filter, std::string name, MediaType mt, int64_t count, int64_t frameTime, int32_t size)
        : SourceStream(filter, std::move(name)), mt_(std::move(mt)), count_(count), frameTime_(frameTime), size_(size)
    {
    }

    HRESULT CheckMediaType(const MediaType& mt) override { return mt == mt_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED; }
    HRESULT GetMediaType(int position, MediaType& mt) override { return Offer({mt_}, position, mt); }
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
    {
        return AskBuffers(allocator, request, buffers_, size_);
    }
    HRESULT FillBuffer(MediaSample& sample) override
    {
        if (next_ >= count_)
            return S_FALSE;
        if (failAt_ >= 0 && next_ == failAt_)
            return E_FAIL;
        if (gate_)
            gate_(next_);
        int64_t n = next_++;
        std::memcpy(sample.GetPointer(), &n, sizeof n);
        sample.SetActualDataLength(size_);
        REFERENCE_TIME start = (n - first_) * frameTime_, stop = start + frameTime_;
        sample.SetTime(start, stop);
        sample.SetSyncPoint(true);
        sample.SetDiscontinuity(n == first_);
        ++produced_;
        return S_OK;
    }
    void OnSeek(REFERENCE_TIME start) override
    {
        first_ = frameTime_ > 0 ? start / frameTime_ : 0;
        next_ = first_;
    }
    HRESULT Duration(REFERENCE_TIME& d) override
    {
        d = count_ * frameTime_;
        return S_OK;
    }

    int32_t buffers_ = 4;
    int64_t failAt_ = -1;               // FillBuffer fails on this sample
    std::function<void(int64_t)> gate_; // called before each sample, on the streaming thread
    std::atomic<int64_t> produced_{0};

private:
    MediaType mt_;
    int64_t count_, frameTime_;
    int32_t size_;
    int64_t next_ = 0, first_ = 0; // streaming thread only (and OnSeek while it is stopped)
};

class TestSource : public BaseSource {
public:
    explicit TestSource(MediaType mt = VideoType(), int64_t count = 10, int64_t frameTime = 400000, int32_t size = 64)
        : BaseSource("Test Source")
    {
        AddStream(std::make_unique<TestStream>(*this, "out", std::move(mt), count, frameTime, size));
    }
    ~TestSource() override { RemoveStreams(); }
    TestStream* Stream(int i = 0) { return static_cast<TestStream*>(streams_[static_cast<size_t>(i)].get()); }
    TestStream* AddOutput(MediaType mt, int64_t count, int64_t frameTime, int32_t size = 64)
    {
        return static_cast<TestStream*>(AddStream(std::make_unique<TestStream>(
            *this, "out" + std::to_string(streams_.size()), std::move(mt), count, frameTime, size)));
    }
};

// A renderer that keeps what it saw; accepts types matching `accept` (a partial type).
class TestSink : public BaseRenderer {
public:
    explicit TestSink(MediaType accept = MediaType(), std::string name = "Test Sink")
        : BaseRenderer(std::move(name)), accept_(std::move(accept))
    {
    }
    HRESULT CheckMediaType(const MediaType& mt) override
    {
        return mt.MatchesPartial(accept_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(MediaSample& s) override
    {
        Seen seen;
        if (s.GetActualDataLength() >= 8)
            std::memcpy(&seen.index, s.GetPointer(), 8);
        s.GetTime(&seen.start, &seen.stop);
        seen.segment = Input()->SegmentStart();
        seen.sync = s.IsSyncPoint();
        seen.discontinuity = s.IsDiscontinuity();
        seen.bytes.assign(reinterpret_cast<const char*>(s.GetPointer()), static_cast<size_t>(s.GetActualDataLength()));
        std::lock_guard<std::mutex> guard(seenLock_);
        seen_.push_back(seen);
        return S_OK;
    }
    HRESULT OnStopStreaming() override
    {
        if (onStop_)
            onStop_();
        return S_OK;
    }
    std::vector<Seen> SeenSamples()
    {
        std::lock_guard<std::mutex> guard(seenLock_);
        return seen_;
    }
    void ClearSeen()
    {
        std::lock_guard<std::mutex> guard(seenLock_);
        seen_.clear();
    }
    std::function<void()> onStop_;

private:
    MediaType accept_;
    std::mutex seenLock_; // guards seen_: written on the streaming thread
    std::vector<Seen> seen_;
};

// In place, taking any type: drops the samples `drop` picks (S_FALSE) and fails on `failAt`.
class PassThrough : public TBCTransInPlaceFilter {
public:
    explicit PassThrough(std::string name = "Pass Through") : TBCTransInPlaceFilter(std::move(name)) {}
    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT Transform(MediaSample&) override
    {
        int64_t n = count_++;
        if (failAt_ >= 0 && n == failAt_)
            return E_FAIL;
        if (drop_ && drop_(n))
            return S_FALSE;
        return S_OK;
    }
    HRESULT StopStreaming() override
    {
        if (onStop_)
            onStop_();
        return S_OK;
    }
    std::atomic<int64_t> count_{0};
    int64_t failAt_ = -1;
    std::function<bool(int64_t)> drop_;
    std::function<void()> onStop_;
};

// A converter: takes `from` (partial), offers `to`, copies the bytes.
class Converter : public TBCTransformFilter {
public:
    Converter(MediaType from, MediaType to, std::string name = "Converter")
        : TBCTransformFilter(std::move(name)), from_(std::move(from)), to_(std::move(to))
    {
    }
    HRESULT CheckInputType(const MediaType& mt) override
    {
        return mt.MatchesPartial(from_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const MediaType&, const MediaType& out) override
    {
        return out == to_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, MediaType& mt) override { return Offer({to_}, position, mt); }
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
    {
        return AskBuffers(allocator, request, 2, 256);
    }
    HRESULT Transform(MediaSample& in, MediaSample& out) override
    {
        int32_t n = std::min(in.GetActualDataLength(), out.GetSize());
        std::memcpy(out.GetPointer(), in.GetPointer(), static_cast<size_t>(n));
        out.SetActualDataLength(n);
        return S_OK;
    }

private:
    MediaType from_, to_;
};

// For tests between pins: an output pin pushed by hand and an input pin that records.
class PushFilter : public BaseFilter {
public:
    class Out : public OutputPin {
    public:
        Out(PushFilter& f) : OutputPin(f, "out"), f_(f) {}
        HRESULT CheckMediaType(const MediaType& mt) override
        {
            return mt.MatchesPartial(f_.accept_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        HRESULT GetMediaType(int position, MediaType& mt) override { return Offer(f_.offered_, position, mt); }
        HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
        {
            return AskBuffers(allocator, request, f_.buffers_, std::max(f_.size_, f_.bufferSize_));
        }

    private:
        PushFilter& f_;
    };
    explicit PushFilter(std::vector<MediaType> offered = {VideoType()}, MediaType accept = MediaType())
        : BaseFilter("Push"), offered_(std::move(offered)), accept_(std::move(accept)), out_(*this)
    {
    }
    ~PushFilter() override { out_.Disconnect(); }
    int GetPinCount() override { return 1; }
    Pin* GetPin(int i) override { return i == 0 ? &out_ : nullptr; }
    Out& Output() { return out_; }
    // A sample of size_ bytes holding `index`, timed index * 400000.
    HRESULT Push(int64_t index)
    {
        SamplePtr s;
        HRESULT hr = out_.GetDeliveryBuffer(s);
        if (FAILED(hr))
            return hr;
        std::memcpy(s->GetPointer(), &index, sizeof index);
        s->SetActualDataLength(size_);
        s->SetTime(index * 400000, (index + 1) * 400000);
        return out_.Deliver(s);
    }
    // A sample of these bytes (at most bufferSize_), timed [start, stop).
    HRESULT PushBytes(const std::vector<uint8_t>& bytes, REFERENCE_TIME start, REFERENCE_TIME stop)
    {
        SamplePtr s;
        HRESULT hr = out_.GetDeliveryBuffer(s);
        if (FAILED(hr))
            return hr;
        if (!bytes.empty())
            std::memcpy(s->GetPointer(), bytes.data(), bytes.size());
        s->SetActualDataLength(static_cast<int32_t>(bytes.size()));
        s->SetTime(start, stop);
        return out_.Deliver(s);
    }
    std::vector<MediaType> offered_;
    MediaType accept_;
    // Set before connecting: the length of Push's samples, the least buffer size (PushBytes' limit),
    // and the samples the pushing thread may hold or have queued downstream.
    int32_t size_ = 64;
    int32_t bufferSize_ = 256;
    int32_t buffers_ = 2;

private:
    Out out_;
};

class CaptureFilter : public BaseFilter {
public:
    class In : public InputPin {
    public:
        In(CaptureFilter& f) : InputPin(f, "in"), f_(f) {}
        HRESULT CheckMediaType(const MediaType& mt) override
        {
            return mt.MatchesPartial(f_.accept_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        HRESULT GetMediaType(int position, MediaType& mt) override { return Offer(f_.offered_, position, mt); }
        HRESULT Receive(const SamplePtr& s) override
        {
            HRESULT hr = CheckStreaming();
            if (hr != S_OK)
                return hr;
            int64_t index = -1;
            std::memcpy(&index, s->GetPointer(), 8);
            f_.received_.push_back(index);
            return S_OK;
        }
        HRESULT EndOfStream() override
        {
            ++f_.endOfStreams_;
            return InputPin::EndOfStream();
        }

    private:
        CaptureFilter& f_;
    };
    explicit CaptureFilter(MediaType accept = MediaType(), std::vector<MediaType> offered = {})
        : BaseFilter("Capture"), accept_(std::move(accept)), offered_(std::move(offered)), in_(*this)
    {
    }
    ~CaptureFilter() override { in_.Disconnect(); }
    int GetPinCount() override { return 1; }
    Pin* GetPin(int i) override { return i == 0 ? &in_ : nullptr; }
    bool IsRenderer() override { return false; }
    In& Input() { return in_; }
    MediaType accept_;
    std::vector<MediaType> offered_;
    std::vector<int64_t> received_;
    int endOfStreams_ = 0;

private:
    In in_;
};

// Starts hand-connected filters as a graph would (all paused, then all running), and stops them.
inline void Start(std::initializer_list<BaseFilter*> filters)
{
    for (BaseFilter* f : filters)
        f->Pause();
    for (BaseFilter* f : filters)
        f->Run(0);
}
inline void Halt(std::initializer_list<BaseFilter*> filters)
{
    for (BaseFilter* f : filters)
        f->Stop();
}

} // namespace testds
