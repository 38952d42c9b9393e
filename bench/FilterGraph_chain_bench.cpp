// Cost of the filter-graph layer: a source pushes small samples through N in-place filters that do
// nothing into a Null Renderer, unclocked. The per-filter cost is the difference between the chain
// with 5 filters and the chain with none, per sample and per filter (goal: under 1 microsecond).
#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/TransInPlaceFilter.h"
#include "platform/filters/NullRenderer.h"
#include "tests/dshow/TestFilters.h"

namespace {

using namespace ds;

class Nothing : public TBCTransInPlaceFilter {
public:
    Nothing() : TBCTransInPlaceFilter("Nothing") {}
    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT Transform(MediaSample&) override { return S_OK; }
};

constexpr int64_t kSamples = 200000;

// Seconds for one unclocked run of kSamples through `filters` pass-through filters.
double RunChain(int filters)
{
    FilterGraph graph;
    auto source = std::make_shared<testds::TestSource>(testds::VideoType(), kSamples, 400000, 64);
    graph.AddFilter(source, "source");
    Pin* out = source->GetPin(0);
    for (int i = 0; i < filters; ++i) {
        auto f = std::make_shared<Nothing>();
        graph.AddFilter(f, "nothing");
        graph.ConnectDirect(out, f->GetPin(0));
        out = f->GetPin(1);
    }
    auto sink = std::make_shared<NullRenderer>();
    graph.AddFilter(sink, "null");
    graph.ConnectDirect(out, sink->GetPin(0));
    graph.SetSyncSource(nullptr);
    auto start = std::chrono::steady_clock::now();
    graph.Run();
    if (graph.WaitForCompletion(60000) != EC_COMPLETE)
        return -1;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    graph.Stop();
    return seconds;
}

void BM_ChainPerSample(benchmark::State& state)
{
    int filters = static_cast<int>(state.range(0));
    double total = 0;
    for (auto _ : state) {
        double s = RunChain(filters);
        state.SetIterationTime(s);
        total += s;
    }
    state.counters["ns_per_sample"] = total * 1e9 / (kSamples * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ChainPerSample)->Arg(0)->Arg(5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PerFilterCost(benchmark::State& state)
{
    double bare = 0, chained = 0;
    for (auto _ : state) {
        bare += RunChain(0);
        chained += RunChain(5);
    }
    double n = kSamples * static_cast<double>(state.iterations());
    state.counters["ns_per_sample_per_filter"] = (chained - bare) * 1e9 / n / 5;
}
BENCHMARK(BM_PerFilterCost)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
