// Cost of reading one PAL frame's date, time code, system, aspect and audio, as the scene
// detector does for every frame (all sequences searched for date and time code in the worst case).
#include <benchmark/benchmark.h>

#include "formats/dvcodes.h"
#include "tests/kit/DvFrameBuilder.h"

using namespace formats;

namespace {

void DecodeFrameInfo(benchmark::State& state, bool lastSequenceOnly)
{
    auto frame = testkit::DvFrameBuilder(testkit::Standard::Pal).cameraFlags().wide(true).build();
    if (lastSequenceOnly) // worst case: only the last sequence carries date and time code
        for (int n = 0; n < 11; ++n) {
            frame[n * kDifSequenceSize + 458] = 0xFF;
            frame[n * kDifSequenceSize + 110] = 0xFF;
        }
    const uint8_t* f = frame.data();
    const size_t size = frame.size();
    for (auto _ : state) {
        RecDateTime dt;
        for (int n = 0; n < 12; ++n) {
            DecodeRecDateTime(f, size, n, dt);
            if (dt.Year >= 0)
                break;
        }
        DVTimeCode tc;
        for (int n = 0; n < 12; ++n) {
            tc = DecodeTimeCode(f, size, n);
            if (tc.Hours < 128)
                break;
        }
        benchmark::DoNotOptimize(dt);
        benchmark::DoNotOptimize(tc);
        benchmark::DoNotOptimize(DVSystem(f, size));
        benchmark::DoNotOptimize(IsWideScreen(f, size));
        benchmark::DoNotOptimize(AudioSampleRate(f, size));
        benchmark::DoNotOptimize(AudioQuantization(f, size));
        benchmark::DoNotOptimize(HasSourceControlPack(f, size));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DecodePalFrame(benchmark::State& state)
{
    DecodeFrameInfo(state, false);
}
void BM_DecodePalFrameWorstCase(benchmark::State& state)
{
    DecodeFrameInfo(state, true);
}

void BM_EncodeRecDateTimeAllSequences(benchmark::State& state)
{
    auto frame = testkit::DvFrameBuilder(testkit::Standard::Pal).build();
    RecDateTime dt{2006, 12, 31, 23, 59, 58};
    for (auto _ : state) {
        for (int n = 0; n < 12; ++n)
            EncodeRecDateTime(frame.data(), frame.size(), dt, n);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_DecodePalFrame);
BENCHMARK(BM_DecodePalFrameWorstCase);
BENCHMARK(BM_EncodeRecDateTimeAllSequences);
