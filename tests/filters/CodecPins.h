#pragma once
// For the codec filters' tests: a source pin sending the bytes it is given, a chain of source,
// filter and collecting sink started by hand, and picture and sound comparisons.
#include "tests/dshow/TestFilters.h"
#include "tests/kit/TempDir.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace codectest {

using namespace testds;

// An output offering `offered`, sending byte buffers with the times and flags given.
class BytePush : public BaseFilter {
public:
    class Out : public OutputPin {
    public:
        explicit Out(BytePush& f) : OutputPin(f, "out"), f_(f) {}
        HRESULT CheckMediaType(const MediaType& mt) override
        {
            for (const MediaType& o : f_.offered_)
                if (o == mt)
                    return S_OK;
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        HRESULT GetMediaType(int position, MediaType& mt) override { return Offer(f_.offered_, position, mt); }
        HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
        {
            return AskBuffers(allocator, request, 2, f_.bufferSize_);
        }

    private:
        BytePush& f_;
    };

    explicit BytePush(MediaType type, int32_t bufferSize = 1 << 22)
        : BaseFilter("Byte Push"), offered_{std::move(type)}, bufferSize_(bufferSize), out_(*this)
    {
    }
    ~BytePush() override { out_.Disconnect(); }
    int GetPinCount() override { return 1; }
    Pin* GetPin(int i) override { return i == 0 ? &out_ : nullptr; }
    Out& Output() { return out_; }

    // Sends `size` bytes timed [start, stop) (start < 0: untimed).
    HRESULT Send(const void* data, size_t size, REFERENCE_TIME start = -1, REFERENCE_TIME stop = -1, bool sync = true,
                 bool discontinuity = false)
    {
        SamplePtr s;
        HRESULT hr = out_.GetDeliveryBuffer(s);
        if (FAILED(hr))
            return hr;
        if (size > static_cast<size_t>(s->GetSize()))
            return E_INVALIDARG;
        if (size)
            std::memcpy(s->GetPointer(), data, size);
        s->SetActualDataLength(static_cast<int32_t>(size));
        if (start >= 0)
            s->SetTime(start, stop);
        s->SetSyncPoint(sync);
        s->SetDiscontinuity(discontinuity);
        return out_.Deliver(s);
    }
    template <class T> HRESULT Send(const std::vector<T>& v, REFERENCE_TIME start = -1, REFERENCE_TIME stop = -1)
    {
        return Send(v.data(), v.size() * sizeof(T), start, stop);
    }
    HRESULT End() { return out_.DeliverEndOfStream(); }

    std::vector<MediaType> offered_;

private:
    int32_t bufferSize_;
    Out out_;
};

// Source -> filter -> sink, connected and started between test pins; stopped when it goes.
template <class F> struct Chain {
    std::shared_ptr<F> filter;
    BytePush source;
    TestSink sink;
    HRESULT in = E_FAIL, out = E_FAIL;

    Chain(MediaType type, MediaType accept = MediaType(), std::shared_ptr<F> f = std::make_shared<F>())
        : filter(std::move(f)), source(std::move(type)), sink(std::move(accept))
    {
        in = source.Output().Connect(*filter->GetPin(0), nullptr);
        if (in == S_OK)
            out = filter->GetPin(1)->Connect(*sink.Input(), nullptr);
    }
    ~Chain() { Stop(); }
    bool Connected() const { return in == S_OK && out == S_OK; }
    void Start() { testds::Start({&source, filter.get(), &sink}); }
    void Stop() { testds::Halt({&source, filter.get(), &sink}); }
    const MediaType& OutType() const { return filter->GetPin(1)->CurrentMediaType(); }
};

// Rows of a picture in the other order (bottom-up DIB <-> top-down).
inline std::string FlipRows(const std::string& picture, size_t stride)
{
    std::string out(picture.size(), '\0');
    const size_t rows = picture.size() / stride;
    for (size_t r = 0; r < rows; ++r)
        std::memcpy(&out[r * stride], &picture[(rows - 1 - r) * stride], stride);
    return out;
}

// Peak signal-to-noise ratio of two 8-bit pictures of the same size, in dB (99 when equal).
inline double Psnr(const uint8_t* a, const uint8_t* b, size_t size)
{
    double sum = 0;
    for (size_t i = 0; i < size; ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    if (sum == 0)
        return 99.0;
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(size) / sum);
}
inline double Psnr(const std::string& a, const std::string& b)
{
    return a.size() != b.size() || a.empty()
               ? 0.0
               : Psnr(reinterpret_cast<const uint8_t*>(a.data()), reinterpret_cast<const uint8_t*>(b.data()), a.size());
}

// 16-bit little-endian samples of a byte string.
inline std::vector<int16_t> Samples16(const std::string& bytes)
{
    std::vector<int16_t> v(bytes.size() / 2);
    std::memcpy(v.data(), bytes.data(), v.size() * 2);
    return v;
}

// Runs ffmpeg (quiet) with `args`; true when it succeeded, its output in `log` otherwise.
inline bool Ffmpeg(const std::string& args, std::string* log = nullptr)
{
    std::string out;
    const bool ok = testkit::RunCommand("ffmpeg -hide_banner -loglevel error -y " + args, &out) == 0;
    if (!ok && log)
        *log = out;
    return ok;
}

} // namespace codectest
