#pragma once
// Shared by the own-filter tests: a source pushed by hand from the test thread, an unclocked
// chain from it through filters into a collecting sink, RGB24 picture types, and the one
// QGuiApplication the text drawing needs.
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/FilterGraph.h"
#include "tests/dshow/TestFilters.h"

namespace mediatest {

using namespace ds;

// Makes the process's QGuiApplication (offscreen) on first use.
void EnsureGui();

// Video/RGB24/VideoInfo of a width and a signed height (negative: top-down).
MediaType Rgb24Type(int width, int height);
// Bytes per row of such a picture.
inline int Stride(int width)
{
    return (3 * width + 3) & ~3;
}

// One output of the given type whose samples the test pushes: its bytes, timed as asked.
class FramePusher : public BaseFilter {
public:
    class Out : public OutputPin {
    public:
        explicit Out(FramePusher& f) : OutputPin(f, "out"), f_(f) {}
        HRESULT CheckMediaType(const MediaType& mt) override { return mt == f_.type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED; }
        HRESULT GetMediaType(int position, MediaType& mt) override { return testds::Offer({f_.type_}, position, mt); }
        HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
        {
            return testds::AskBuffers(allocator, request, 2, f_.bufferSize_);
        }

    private:
        FramePusher& f_;
    };

    FramePusher(MediaType type, int32_t bufferSize)
        : BaseFilter("Pusher"), type_(std::move(type)), bufferSize_(bufferSize), out_(*this)
    {
    }
    ~FramePusher() override { out_.Disconnect(); }
    int GetPinCount() override { return 1; }
    Pin* GetPin(int i) override { return i == 0 ? &out_ : nullptr; }
    Out& Output() { return out_; }

    // Delivers `bytes` timed [start, stop) (no time when start < 0); the delivery's result.
    // `repeat` promises the same vector, unchanged, as in earlier pushes: a buffer that holds
    // its bytes already is not filled again (long streams of one frame).
    HRESULT Push(const std::vector<uint8_t>& bytes, REFERENCE_TIME start, REFERENCE_TIME stop, bool repeat = false)
    {
        SamplePtr s;
        HRESULT hr = out_.GetDeliveryBuffer(s);
        if (FAILED(hr))
            return hr;
        if (!repeat)
            held_.clear();
        auto& held = held_[s->GetPointer()];
        if (!repeat || held != &bytes) {
            std::memcpy(s->GetPointer(), bytes.data(), bytes.size());
            held = &bytes;
        }
        s->SetActualDataLength(static_cast<int32_t>(bytes.size()));
        if (start >= 0)
            s->SetTime(start, stop);
        last_ = s;
        return out_.Deliver(s);
    }
    // The sample last pushed (its flags as the filters left them).
    const SamplePtr& Last() const { return last_; }

private:
    MediaType type_;
    int32_t bufferSize_;
    Out out_;
    std::map<const uint8_t*, const std::vector<uint8_t>*> held_;
    SamplePtr last_;
};

// pusher -> filters... -> sink (when `withSink`), connected in order, in an unclocked graph.
struct Chain {
    FilterGraph graph;
    std::shared_ptr<FramePusher> pusher;
    std::shared_ptr<testds::TestSink> sink;

    Chain(MediaType type, int32_t bufferSize, std::vector<std::shared_ptr<BaseFilter>> filters, bool withSink = true)
        : pusher(std::make_shared<FramePusher>(std::move(type), bufferSize))
    {
        graph.AddFilter(pusher, "pusher");
        Pin* out = pusher->GetPin(0);
        int n = 0;
        for (auto& f : filters) {
            graph.AddFilter(f, "filter" + std::to_string(n++));
            connected = connected && graph.ConnectDirect(out, f->GetPin(0)) == S_OK;
            out = f->GetPin(1);
        }
        if (withSink) {
            sink = std::make_shared<testds::TestSink>();
            graph.AddFilter(sink, "sink");
            connected = connected && graph.ConnectDirect(out, sink->GetPin(0)) == S_OK;
        }
        graph.SetSyncSource(nullptr);
    }
    bool connected = true;
};

} // namespace mediatest
