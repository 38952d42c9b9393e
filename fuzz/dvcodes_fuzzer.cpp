// Feeds arbitrary bytes, as a frame of that length, to the DV pack readers and the pack walker.
// A recording date written into any sequence reads back as written.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/dvcodes.h"
#include "fuzz/FuzzKit.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzkit::DefaultFlags(argc, argv, {"-max_len=144000"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzkit::AllocationBudget budget(size, 8, 1 << 20);
    // The readers take the bytes as they are: nothing past them may be touched.
    formats::HasSourceControlPack(data, size);
    formats::DVSystem(data, size);
    const int32_t rate = formats::AudioSampleRate(data, size);
    const int32_t bits = formats::AudioQuantization(data, size);
    if ((rate < 0) != (bits < 0))
        fuzzkit::Fail("a source pack seen by one reader and not the other");
    formats::IsWideScreen(data, size);
    const int sequences = static_cast<int>(size / formats::kDifSequenceSize);
    for (int n = -1; n <= sequences + 1; ++n) {
        const formats::DVTimeCode tc = formats::DecodeTimeCode(data, size, n);
        formats::RecDateTime dt;
        formats::DecodeRecDateTime(data, size, n, dt);
        if ((n < 0 || static_cast<size_t>(n) * formats::kDifSequenceSize >= size) && (tc.Hours != 255 || dt.Year != -1))
            fuzzkit::Fail("a sequence outside the frame gave a value");
    }
    if (sequences == 0)
        return 0;

    // The walker visits pairs of its own sequence only; writing a date changes every pair's copy.
    std::vector<uint8_t> frame(data, data + size);
    const formats::RecDateTime when{.Year = 1940 + data[0] % 100,
                                    .Month = static_cast<uint8_t>(1 + data[1 % size] % 12),
                                    .Day = static_cast<uint8_t>(1 + data[2 % size] % 31),
                                    .Hour = static_cast<uint8_t>(data[3 % size] % 24),
                                    .Minute = static_cast<uint8_t>(data[4 % size] % 60),
                                    .Second = static_cast<uint8_t>(data[5 % size] % 60)};
    auto same = [](const formats::RecDateTime& a, const formats::RecDateTime& b) {
        return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour && a.Minute == b.Minute &&
               a.Second == b.Second;
    };
    for (int n = 0; n < sequences; ++n) {
        uint8_t* seq = frame.data() + static_cast<size_t>(n) * formats::kDifSequenceSize;
        const int pairs = formats::ForEachRecDatePair(frame.data(), size, n, [&](uint8_t* date, uint8_t* time) {
            if (date < seq || time + formats::kPackSize > seq + formats::kDifSequenceSize)
                fuzzkit::Fail("a pack outside its sequence");
            formats::EncodeRecDatePacks(date, time, when);
        });
        if (pairs > formats::kSequencePackCount / 2)
            fuzzkit::Fail("more pairs than packs");
        formats::ForEachRecDatePair(frame.data(), size, n, [&](uint8_t* date, uint8_t* time) {
            if (!same(formats::DecodeRecDatePacks(date, time), when))
                fuzzkit::Fail("a date pair written reads back otherwise");
        });
        if (!formats::EncodeRecDateTime(frame.data(), size, when, n))
            fuzzkit::Fail("a date could not be written into a sequence of the frame");
        formats::RecDateTime back;
        formats::DecodeRecDateTime(frame.data(), size, n, back);
        if (!same(back, when))
            fuzzkit::Fail("a date written reads back otherwise");
    }
    return 0;
}
