// Reading the headers of an AVI file costs the same whatever the size of its data: the header
// reader, the patch walker and the structure listing step over "movi" and "idx1" without
// reading them. Counters: bytes read and reads per walk, for files of 100 and 10000 frames.
#include <benchmark/benchmark.h>

#include "formats/RiffChunk.h"
#include "formats/aviinfo.h"
#include "formats/fpsunit.h"
#include "formats/riffunit.h"
#include "tests/kit/RiffBuilder.h"

namespace {

// A memory source that counts what is read from it.
class CountingSource : public formats::RiffSource {
public:
    explicit CountingSource(const std::string& bytes) : inner_(bytes) {}
    int64_t Size() const override { return inner_.Size(); }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override
    {
        ++reads;
        size_t n = inner_.ReadAt(offset, buffer, count);
        bytes += n;
        return n;
    }
    mutable int64_t reads = 0;
    mutable int64_t bytes = 0;

private:
    formats::MemorySource inner_;
};

std::string Avi(int frames)
{
    return testkit::MakeAvi({.indxType = 0, .odml = true, .avixSegments = 1, .frames = frames}).build();
}

template <class Walk> void Run(benchmark::State& state, Walk walk)
{
    const std::string bytes = Avi(static_cast<int>(state.range(0)));
    CountingSource src(bytes);
    for (auto _ : state)
        walk(src);
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.counters["bytes_read"] = static_cast<double>(src.bytes) / static_cast<double>(state.iterations());
    state.counters["reads"] = static_cast<double>(src.reads) / static_cast<double>(state.iterations());
}

void BM_HeaderReader(benchmark::State& state)
{
    Run(state, [](const formats::RiffSource& src) {
        formats::TAviParam p(src);
        benchmark::DoNotOptimize(p.Valid);
    });
}

void BM_PatchWalker(benchmark::State& state)
{
    Run(state, [](const formats::RiffSource& src) {
        formats::TRiffWalk w = formats::TRiffWalker(src).Walk();
        benchmark::DoNotOptimize(w.HandlerPos);
    });
}

void BM_StructureListing(benchmark::State& state)
{
    Run(state, [](const formats::RiffSource& src) {
        formats::TRiffLister lister({.versionText = "bench", .clock = [] { return 46000.0; }});
        formats::RiffListingResult r = lister.WalkSource(src, "/bench/a.avi");
        benchmark::DoNotOptimize(r.walked);
    });
}

} // namespace

BENCHMARK(BM_HeaderReader)->Arg(100)->Arg(10000);
BENCHMARK(BM_PatchWalker)->Arg(100)->Arg(10000);
BENCHMARK(BM_StructureListing)->Arg(100)->Arg(10000);
