// Feeds arbitrary bytes, as a file, to the graph the program plays and converts DV AVI files
// with: the file source, the AVI Splitter and, on each interleaved DV stream, the DV Splitter,
// every output into a null renderer. The graph runs unclocked to its end within a time limit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzKit.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/filters/AviSplitter.h"
#include "platform/filters/DvSplitter.h"
#include "platform/filters/FileSource.h"
#include "platform/filters/NullRenderer.h"
#include "tests/kit/TempDir.h"

namespace {

constexpr int kTimeLimitMs = 20000;

// Renders `out` into a null renderer; false when it takes no connection.
bool ToNullRenderer(ds::FilterGraph& graph, ds::Pin* out)
{
    auto renderer = std::make_shared<ds::NullRenderer>();
    graph.AddFilter(renderer, "null");
    if (ds::SUCCEEDED(graph.ConnectDirect(out, renderer->GetPin(0))))
        return true;
    graph.RemoveFilter(renderer.get());
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Three PAL frames of type 1 and their headers; the graph's own limit comes before libFuzzer's.
    fuzzkit::DefaultFlags(argc, argv, {"-max_len=460000", "-timeout=60"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string file = fuzzkit::TempFolder() + "/input.avi";
    testkit::WriteFileBytes(file, std::string_view(reinterpret_cast<const char*>(data), size));
    const fuzzkit::AllocationBudget budget(size, 16, 16 << 20);

    ds::FilterGraph graph;
    auto source = std::make_shared<ds::FileSource>();
    auto splitter = std::make_shared<ds::AviSplitter>();
    graph.AddFilter(source, "source");
    graph.AddFilter(splitter, "avi");
    if (ds::FAILED(source->Load(file, nullptr)) ||
        ds::FAILED(graph.ConnectDirect(source->GetPin(0), splitter->GetPin(splitter->GetPinCount() - 1))))
        fuzzkit::Fail("the AVI Splitter refused a file");

    int renderers = 0;
    std::vector<ds::Pin*> outputs;
    for (int k = 0; k + 1 < splitter->GetPinCount(); ++k) // the input pin is the last
        outputs.push_back(splitter->GetPin(k));
    for (ds::Pin* out : outputs) {
        ds::MediaType type;
        if (out->GetMediaType(0, type) == ds::S_OK && type.majortype == ds::MEDIATYPE_Interleaved) {
            auto dv = std::make_shared<ds::DvSplitter>();
            graph.AddFilter(dv, "dv");
            if (ds::SUCCEEDED(graph.ConnectDirect(out, dv->GetPin(0)))) {
                for (int k = 1; k < dv->GetPinCount(); ++k)
                    renderers += ToNullRenderer(graph, dv->GetPin(k));
                continue;
            }
            graph.RemoveFilter(dv.get());
        }
        renderers += ToNullRenderer(graph, out);
    }
    if (renderers == 0)
        return 0;
    graph.SetSyncSource(nullptr);
    if (ds::FAILED(graph.Run()))
        return 0;
    const int32_t event = graph.WaitForCompletion(kTimeLimitMs);
    if (event != ds::EC_COMPLETE && event != ds::EC_ERRORABORT)
        fuzzkit::Fail("the graph did not reach the end of the file in time");
    graph.Stop();
    return 0;
}
