// The WAV writer between a hand-pushed sound source and the File writer: the header it writes,
// pad bytes, repeated runs, the 32-bit limit and a header that cannot be written.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "media/dv_wavedest.h"
#include "platform/dshow/BaseRenderer.h"
#include "platform/filters/FileWriter.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/TempDir.h"
#include "tests/media/MediaTestKit.h"

using namespace mediatest;
using media::Tdv_WaveDest;

namespace {

MediaType Sound(uint32_t rate, uint16_t channels, uint16_t bits, size_t extra = 0)
{
    WaveFormatEx wfx = WaveFormatEx::Pcm(rate, channels, bits);
    wfx.extra.assign(extra, 0x5A);
    return MediaType::Audio(wfx);
}

// pusher -> WAV writer -> File writer (or the test sink), in one graph.
struct Writing {
    FilterGraph graph;
    std::shared_ptr<FramePusher> pusher;
    std::shared_ptr<Tdv_WaveDest> wave = std::make_shared<Tdv_WaveDest>();
    std::shared_ptr<FileWriter> writer = std::make_shared<FileWriter>();
    std::shared_ptr<testds::TestSink> sink = std::make_shared<testds::TestSink>();

    Writing(const MediaType& type, const std::string& file) : pusher(std::make_shared<FramePusher>(type, 8192))
    {
        graph.AddFilter(pusher, "source");
        graph.AddFilter(wave, "dv_WaveDest");
        EXPECT_EQ(graph.ConnectDirect(pusher->GetPin(0), wave->GetPin(0)), S_OK);
        if (file.empty()) {
            graph.AddFilter(sink, "sink");
            EXPECT_EQ(graph.ConnectDirect(wave->GetPin(1), sink->GetPin(0)), S_OK);
        } else {
            graph.AddFilter(writer, "destination");
            writer->SetFileName(file, nullptr);
            writer->SetMode(AM_FILE_OVERWRITE);
            EXPECT_EQ(graph.ConnectDirect(wave->GetPin(1), writer->GetPin(0)), S_OK);
        }
        graph.SetSyncSource(nullptr);
    }
    // One run: the chunks, the end of the stream, the stop; the stop's result.
    HRESULT Run(const std::vector<std::vector<uint8_t>>& chunks)
    {
        EXPECT_EQ(graph.Run(), S_OK);
        for (const auto& c : chunks)
            EXPECT_EQ(pusher->Push(c, -1, -1), S_OK);
        pusher->Output().DeliverEndOfStream();
        EXPECT_EQ(graph.WaitForCompletion(10000), EC_COMPLETE);
        return graph.Stop();
    }
};

std::vector<uint8_t> Bytes(size_t n, int seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 13 + seed);
    return v;
}

// A renderer whose byte stream and samples fail when told to; records the sample times it took.
class StreamSink : public BaseRenderer {
public:
    class In : public RendererInputPin, public ByteStream {
    public:
        explicit In(StreamSink& sink) : RendererInputPin(sink, "in"), sink_(sink) {}
        HRESULT Seek(int64_t, SeekOrigin, int64_t*) override { return S_OK; }
        HRESULT Write(const void*, uint32_t, uint32_t*) override { return sink_.writeResult; }
        HRESULT Read(void*, uint32_t, uint32_t*) override { return E_NOTIMPL; }

    private:
        StreamSink& sink_;
    };
    StreamSink() : BaseRenderer("Stream Sink") { SetInputPin(std::make_unique<In>(*this)); }
    HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
    HRESULT DoRenderSample(MediaSample& s) override
    {
        if (FAILED(sampleResult))
            return sampleResult;
        starts.push_back(s.StartTime());
        return S_OK;
    }
    bool WaitsForClock() const override { return false; }
    HRESULT writeResult = S_OK;
    HRESULT sampleResult = S_OK;
    std::vector<REFERENCE_TIME> starts;
};

uint32_t LE32(const std::string& s, size_t at)
{
    return rtl::GetLE32(reinterpret_cast<const uint8_t*>(s.data()) + at);
}

TEST(WaveWriter, OneSecondOfStereoMakesTheHeaderItsSizesSay)
{
    testkit::TempDir dir;
    const std::string file = dir.file("a.wav");
    Writing w(Sound(48000, 2, 16), file);
    std::vector<std::vector<uint8_t>> chunks;
    std::string sound;
    for (int i = 0; i < 25; ++i) {
        chunks.push_back(Bytes(7680, i));
        sound.append(chunks.back().begin(), chunks.back().end());
    }
    ASSERT_EQ(w.Run(chunks), S_OK);
    const std::string bytes = testkit::ReadFileBytes(file);
    ASSERT_EQ(bytes.size(), 46u + 192000);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(LE32(bytes, 4), 192038u);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(LE32(bytes, 16), 18u);
    const auto format = Sound(48000, 2, 16).format;
    EXPECT_EQ(bytes.substr(20, 18), std::string(format.begin(), format.end()));
    EXPECT_EQ(bytes.substr(38, 4), "data");
    EXPECT_EQ(LE32(bytes, 42), 192000u);
    EXPECT_EQ(bytes.substr(46), sound);
}

TEST(WaveWriter, OddFormatBlocksAndOddDataArePaddedOutsideTheirSizes)
{
    struct Case {
        MediaType type;
        size_t data;
        size_t header, file;
    };
    for (const Case& c : {Case{Sound(8000, 1, 8), 1001, 46, 46 + 1001 + 1}, Case{Sound(8000, 1, 8, 1), 10, 48, 48 + 10},
                          Case{Sound(8000, 1, 8), 0, 46, 46}}) {
        testkit::TempDir dir;
        const std::string file = dir.file("odd.wav");
        Writing w(c.type, file);
        std::vector<std::vector<uint8_t>> chunks;
        if (c.data)
            chunks = {Bytes(c.data / 2, 1), Bytes(c.data - c.data / 2, 2)};
        ASSERT_EQ(w.Run(chunks), S_OK);
        const std::string bytes = testkit::ReadFileBytes(file);
        ASSERT_EQ(bytes.size(), c.file) << c.data;
        EXPECT_EQ(LE32(bytes, 4), c.file - 8);
        EXPECT_EQ(LE32(bytes, 16), c.type.cbFormat());
        EXPECT_EQ(bytes.substr(c.header - 8, 4), "data");
        EXPECT_EQ(LE32(bytes, c.header - 4), c.data);
        if (c.file > c.header + c.data) {
            EXPECT_EQ(bytes.back(), '\0');
        }
        if (c.type.cbFormat() & 1) {
            EXPECT_EQ(bytes[20 + c.type.cbFormat()], '\0');
        }
    }
}

TEST(WaveWriter, ASixteenByteFormatBlockMakesA44ByteHeader)
{
    testkit::TempDir dir;
    const std::string file = dir.file("short.wav");
    MediaType type = Sound(48000, 2, 16);
    type.format.resize(16);
    Writing w(type, file);
    ASSERT_EQ(w.Run({Bytes(400, 3)}), S_OK);
    const std::string bytes = testkit::ReadFileBytes(file);
    ASSERT_EQ(bytes.size(), 444u);
    EXPECT_EQ(LE32(bytes, 4), 436u);
    EXPECT_EQ(bytes.substr(36, 4), "data");
}

TEST(WaveWriter, EachRunCountsFromZero)
{
    testkit::TempDir dir;
    const std::string file = dir.file("twice.wav");
    Writing w(Sound(48000, 2, 16), file);
    ASSERT_EQ(w.Run({Bytes(4000, 1), Bytes(4000, 2)}), S_OK);
    const std::string first = testkit::ReadFileBytes(file);
    ASSERT_EQ(w.Run({Bytes(4000, 1), Bytes(4000, 2)}), S_OK);
    EXPECT_EQ(testkit::ReadFileBytes(file), first);
    EXPECT_EQ(w.wave->DataBytes(), 8000u);
}

TEST(WaveWriter, SamplesAreTimedByFileOffsetAndTheOneThatWouldPassFourGigabytesFails)
{
    Writing w(Sound(48000, 2, 16), "");
    const uint64_t start = Tdv_WaveDest::kMaxFileSize - 46 - 1000;
    w.wave->SetInitialDataBytes(start);
    ASSERT_EQ(w.graph.Run(), S_OK);
    EXPECT_EQ(w.pusher->Push(Bytes(600, 1), -1, -1), S_OK);
    EXPECT_EQ(w.pusher->Push(Bytes(400, 2), -1, -1), media::kWaveFileTooLarge); // 1 pad byte too many
    EXPECT_EQ(w.wave->DataBytes(), start + 600);
    EXPECT_EQ(w.pusher->Push(Bytes(399, 3), -1, -1), S_OK); // a byte less, and no pad: it fits
    const auto seen = w.sink->SeenSamples();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].start, static_cast<REFERENCE_TIME>(46 + start));
    EXPECT_EQ(seen[0].stop, static_cast<REFERENCE_TIME>(46 + start + 600));
    EXPECT_EQ(seen[1].start, seen[0].stop);
    EXPECT_EQ(w.graph.Stop(), E_NOINTERFACE); // the test sink has no byte stream for the header
}

TEST(WaveWriter, AHeaderThatCannotBeWrittenFailsTheStopAndKeepsTheOldFile)
{
    testkit::TempDir dir;
    const std::string file = dir.file("kept.wav");
    testkit::WriteFileBytes(file, "old contents");
    Writing w(Sound(48000, 2, 16), file);
    // Files may not grow past 16 bytes: the 46-byte header fails half-way.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const HRESULT hr = w.Run({});
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(testkit::ReadFileBytes(file), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

TEST(WaveWriter, AFailedDeliveryIsNotCountedAndAFailedHeaderIsTheStopsResult)
{
    FilterGraph graph;
    auto pusher = std::make_shared<FramePusher>(Sound(48000, 2, 16), 4096);
    auto wave = std::make_shared<Tdv_WaveDest>();
    auto sink = std::make_shared<StreamSink>();
    graph.AddFilter(pusher, "source");
    graph.AddFilter(wave, "dv_WaveDest");
    graph.AddFilter(sink, "sink");
    ASSERT_EQ(graph.ConnectDirect(pusher->GetPin(0), wave->GetPin(0)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(wave->GetPin(1), sink->GetPin(0)), S_OK);
    graph.SetSyncSource(nullptr);
    ASSERT_EQ(graph.Run(), S_OK);
    EXPECT_EQ(pusher->Push(Bytes(100, 1), -1, -1), S_OK);
    sink->sampleResult = STG_E_WRITEFAULT;
    EXPECT_EQ(pusher->Push(Bytes(100, 2), -1, -1), STG_E_WRITEFAULT);
    EXPECT_EQ(wave->DataBytes(), 100u);
    sink->sampleResult = S_OK;
    EXPECT_EQ(pusher->Push(Bytes(100, 3), -1, -1), S_OK);
    EXPECT_EQ(sink->starts, (std::vector<REFERENCE_TIME>{46, 146}));
    sink->writeResult = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    EXPECT_EQ(graph.Stop(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
}

TEST(WaveWriter, TakesSoundWithAWholeWaveFormatAndGivesAByteStream)
{
    Tdv_WaveDest wave;
    EXPECT_EQ(wave.CheckInputType(Sound(48000, 2, 16)), S_OK);
    EXPECT_EQ(wave.CheckInputType(Sound(8000, 1, 8, 3)), S_OK);
    MediaType lying = Sound(48000, 2, 16, 4);
    lying.format.resize(20); // cbSize says 4 more bytes, 2 are there
    MediaType video = testds::VideoType();
    MediaType cut = Sound(48000, 2, 16);
    cut.format.resize(14);
    for (const MediaType& refused : {lying, video, cut})
        EXPECT_EQ(wave.CheckInputType(refused), S_FALSE);
    EXPECT_EQ(wave.CheckTransform(Sound(48000, 2, 16), MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE)), S_OK);
    EXPECT_EQ(wave.CheckTransform(Sound(48000, 2, 16), Sound(48000, 2, 16)), VFW_E_TYPE_NOT_ACCEPTED);
    MediaType offered;
    EXPECT_EQ(wave.GetMediaType(0, offered), S_OK);
    EXPECT_EQ(offered, MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE));
    EXPECT_EQ(wave.GetMediaType(1, offered), VFW_S_NO_MORE_ITEMS);
}

} // namespace
