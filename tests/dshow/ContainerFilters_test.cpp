// The container filters one by one: pin orders, media types, times and seeking of the AVI
// Splitter, the DV Splitter's outputs, the DV Muxer's and AVI Mux's pins, the file source, and
// damaged files run through whole graphs.
#include "tests/dshow/ContainerGraph.h"

#include "platform/dshow/AviDemux.h"
#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/dshow/NullRenderer.h"
#include "tests/dshow/AviMemory.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

using avitest::Fcc;
using containertest::Graph;
using ds::FAILED;
using ds::SUCCEEDED;
using ds::HRESULT;
using ds::REFERENCE_TIME;

struct Got {
    std::string bytes;
    REFERENCE_TIME start = -1, stop = -1;
    bool sync = false, discontinuity = false;
};

// Keeps every sample it renders, bytes included.
class Collector : public ds::BaseRenderer {
public:
    Collector() : BaseRenderer("Collector") {}
    HRESULT CheckMediaType(const ds::MediaType&) override { return ds::S_OK; }
    HRESULT DoRenderSample(ds::MediaSample& s) override
    {
        Got g;
        g.bytes.assign(reinterpret_cast<const char*>(s.GetPointer()), static_cast<size_t>(s.GetActualDataLength()));
        s.GetTime(&g.start, &g.stop);
        g.sync = s.IsSyncPoint();
        g.discontinuity = s.IsDiscontinuity();
        std::lock_guard<std::mutex> guard(lock_);
        got_.push_back(std::move(g));
        return ds::S_OK;
    }
    std::vector<Got> Samples()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return got_;
    }

private:
    std::mutex lock_;
    std::vector<Got> got_;
};

// Source and AVI Splitter on `path`, each output to a collector.
struct SplitGraph {
    ds::FilterGraph graph;
    std::shared_ptr<ds::FileSource> source = std::make_shared<ds::FileSource>();
    std::shared_ptr<ds::AviSplitter> splitter = std::make_shared<ds::AviSplitter>();
    std::vector<std::shared_ptr<Collector>> sinks;

    bool Open(const std::string& path)
    {
        graph.AddFilter(source, "source");
        graph.AddFilter(splitter, "splitter");
        return SUCCEEDED(source->Load(path, nullptr)) &&
               SUCCEEDED(graph.ConnectDirect(source->GetPin(0), splitter->GetPin(0)));
    }
    void CollectAll()
    {
        for (int i = 0; i + 1 < splitter->GetPinCount(); ++i) {
            sinks.push_back(std::make_shared<Collector>());
            graph.AddFilter(sinks.back(), "sink" + std::to_string(i));
            ASSERT_TRUE(SUCCEEDED(graph.ConnectDirect(splitter->GetPin(i), sinks.back()->GetPin(0))));
        }
    }
    int32_t Run()
    {
        graph.SetSyncSource(nullptr);
        graph.Run();
        const int32_t ev = graph.WaitForCompletion(30000);
        graph.Stop();
        return ev;
    }
};

// A type-2 style file whose video has the given chunk sizes (0: a dropped frame).
void WriteVideoFile(const std::string& path, const std::vector<size_t>& sizes, bool pal = true)
{
    ds::FileByteStream out(path);
    ds::AviMuxWriter w(out);
    w.AddStream(testkit::DvVideoSpec(pal));
    w.AddStream(testkit::PcmSpec(48000, 2));
    ASSERT_TRUE(w.Begin());
    for (size_t i = 0; i < sizes.size(); ++i) {
        std::vector<uint8_t> v(sizes[i], static_cast<uint8_t>(i));
        std::vector<uint8_t> a(7680, static_cast<uint8_t>(100 + i));
        ASSERT_TRUE(w.WriteChunk(0, v.data(), v.size()));
        ASSERT_TRUE(w.WriteChunk(1, a.data(), a.size()));
    }
    ASSERT_TRUE(w.Finish());
    ASSERT_TRUE(out.Close());
}

TEST(FileSourceFilter, LoadFailsOnAMissingFileOrAFolder)
{
    testkit::TempDir dir;
    ds::FileSource source;
    EXPECT_TRUE(FAILED(source.Load(dir.file("missing.avi"), nullptr)));
    EXPECT_TRUE(FAILED(source.Load(dir.path().string(), nullptr)));
    EXPECT_FALSE(source.IsOpen());
}

TEST(FileSourceFilter, ReadsAtOffsetsAndLetsGoOfTheFileWhenRemoved)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("f.bin"), "0123456789");
    auto source = std::make_shared<ds::FileSource>();
    ds::FilterGraph graph;
    graph.AddFilter(source, "source");
    ASSERT_EQ(ds::S_OK, source->Load(dir.file("f.bin"), nullptr));
    auto* reader = ds::QueryPin<ds::AsyncReader>(source->GetPin(0));
    ASSERT_NE(nullptr, reader);
    int64_t total = 0, available = 0;
    reader->Length(total, available);
    EXPECT_EQ(10, total);
    uint8_t buf[8] = {};
    uint32_t read = 0;
    EXPECT_EQ(ds::S_OK, reader->SyncRead(3, 4, buf, &read));
    EXPECT_EQ("3456", std::string(reinterpret_cast<char*>(buf), 4));
    EXPECT_EQ(ds::S_FALSE, reader->SyncRead(8, 4, buf, &read));
    EXPECT_EQ(2u, read);
    std::string name;
    source->GetCurFile(name, nullptr);
    EXPECT_EQ(dir.file("f.bin"), name);
    graph.RemoveFilter(source.get());
    EXPECT_FALSE(source->IsOpen());
}

TEST(AviSplitterFilter, OutputsComeFirstAndGoWhenTheInputDisconnects)
{
    testkit::TempDir dir;
    WriteVideoFile(dir.file("v.avi"), {144000, 144000});
    SplitGraph g;
    ASSERT_EQ(1, g.splitter->GetPinCount());
    EXPECT_EQ(ds::PinDirection::Input, g.splitter->GetPin(0)->Direction());
    ASSERT_TRUE(g.Open(dir.file("v.avi")));
    ASSERT_EQ(3, g.splitter->GetPinCount());
    EXPECT_EQ(ds::PinDirection::Output, g.splitter->GetPin(0)->Direction());
    EXPECT_EQ(ds::PinDirection::Output, g.splitter->GetPin(1)->Direction());
    EXPECT_EQ(ds::PinDirection::Input, g.splitter->GetPin(2)->Direction());

    ds::MediaType video, audio;
    g.splitter->GetPin(0)->GetMediaType(0, video);
    EXPECT_EQ(ds::MEDIATYPE_Video, video.majortype);
    EXPECT_EQ(ds::MEDIASUBTYPE_dvsd, video.subtype);
    ASSERT_TRUE(video.GetVideoInfo());
    EXPECT_EQ(400000, video.GetVideoInfo()->AvgTimePerFrame);
    EXPECT_EQ(576, video.GetVideoInfo()->bmiHeader.biHeight);
    g.splitter->GetPin(1)->GetMediaType(0, audio);
    EXPECT_EQ(ds::MEDIATYPE_Audio, audio.majortype);
    EXPECT_EQ(ds::MEDIASUBTYPE_PCM, audio.subtype);
    EXPECT_EQ(testkit::PcmSpec(48000, 2).format, audio.format);

    g.graph.Disconnect(g.splitter->GetPin(2));
    EXPECT_EQ(1, g.splitter->GetPinCount());
}

TEST(AviSplitterFilter, AFileThatIsNoAviGivesNoOutputs)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("x.avi"), std::string(5000, 'x'));
    SplitGraph g;
    ASSERT_TRUE(g.Open(dir.file("x.avi")));
    EXPECT_EQ(1, g.splitter->GetPinCount());
}

TEST(AviSplitterFilter, InterleavedStreamsKeepTheirFormatBlockEvenWhenShort)
{
    testkit::TempDir dir;
    ds::AviStreamSpec iavs;
    iavs.kind = ds::AviStreamKind::Interleaved;
    iavs.handler = Fcc("dvsd");
    iavs.format = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ds::FileByteStream out(dir.file("t1.avi"));
    ds::AviMuxWriter w(out);
    w.AddStream(iavs);
    w.Begin();
    w.Finish();
    out.Close();
    SplitGraph g;
    ASSERT_TRUE(g.Open(dir.file("t1.avi")));
    ASSERT_EQ(2, g.splitter->GetPinCount());
    ds::MediaType mt;
    g.splitter->GetPin(0)->GetMediaType(0, mt);
    EXPECT_EQ(ds::MEDIATYPE_Interleaved, mt.majortype);
    EXPECT_EQ(ds::MEDIASUBTYPE_dvsd, mt.subtype);
    EXPECT_EQ(ds::FORMAT_DvInfo, mt.formattype);
    EXPECT_EQ(iavs.format, mt.format);
}

TEST(AviSplitterFilter, DroppedFramesLeaveTimeGapsAndTheFirstSampleIsADiscontinuity)
{
    testkit::TempDir dir;
    WriteVideoFile(dir.file("v.avi"), {1000, 1000, 0, 0, 1000, 1000});
    SplitGraph g;
    ASSERT_TRUE(g.Open(dir.file("v.avi")));
    g.CollectAll();
    int64_t duration = 0;
    auto* seeking = ds::QueryPin<ds::MediaSeeking>(g.splitter->GetPin(0));
    ASSERT_NE(nullptr, seeking);
    seeking->GetDuration(duration);
    EXPECT_EQ(6 * 400000, duration);
    ASSERT_EQ(ds::EC_COMPLETE, g.Run());
    const auto video = g.sinks[0]->Samples();
    ASSERT_EQ(4u, video.size());
    const REFERENCE_TIME starts[] = {0, 400000, 1600000, 2000000};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(starts[i], video[i].start) << i;
        EXPECT_EQ(starts[i] + 400000, video[i].stop) << i;
        EXPECT_TRUE(video[i].sync);
        EXPECT_EQ(i == 0, video[i].discontinuity) << i;
    }
    EXPECT_EQ(std::string(1000, '\x04'), video[2].bytes);
    // Constant-rate sound is timed by its byte position: 7680 bytes are 40 ms at 48 kHz.
    const auto audio = g.sinks[1]->Samples();
    ASSERT_EQ(6u, audio.size());
    EXPECT_EQ(5 * 400000, audio[5].start);
    EXPECT_EQ(6 * 400000, audio[5].stop);
}

TEST(AviSplitterFilter, SeeksInFramesAndNtscFramesFallOnExactFractions)
{
    testkit::TempDir dir;
    WriteVideoFile(dir.file("n.avi"), std::vector<size_t>(30, 500), false);
    SplitGraph g;
    ASSERT_TRUE(g.Open(dir.file("n.avi")));
    g.CollectAll();
    auto* seeking = ds::QueryPin<ds::MediaSeeking>(g.splitter->GetPin(0));
    ASSERT_EQ(ds::S_OK, seeking->SetTimeFormat(ds::TIME_FORMAT_FRAME));
    int64_t frames = 0;
    seeking->GetDuration(frames);
    EXPECT_EQ(30, frames);
    int64_t media = 0;
    seeking->ConvertTimeFormat(media, &ds::TIME_FORMAT_MEDIA_TIME, 3, &ds::TIME_FORMAT_FRAME);
    EXPECT_EQ(1001000, media); // 3 × 1001/30000 s exactly
    seeking->ConvertTimeFormat(media, &ds::TIME_FORMAT_MEDIA_TIME, 1, &ds::TIME_FORMAT_FRAME);
    EXPECT_EQ(333667, media);  // one frame, rounded
    // The graph seeks every stream: in frames, which the sound follows in media time.
    ASSERT_EQ(ds::S_OK, g.graph.SetTimeFormat(ds::TIME_FORMAT_FRAME));
    int64_t from = 20;
    ASSERT_TRUE(SUCCEEDED(g.graph.SetPositions(&from, ds::AM_SEEKING_AbsolutePositioning, nullptr, 0)));
    auto* audioSeeking = ds::QueryPin<ds::MediaSeeking>(g.splitter->GetPin(1));
    EXPECT_NE(ds::S_OK, audioSeeking->SetTimeFormat(ds::TIME_FORMAT_FRAME)); // sound seeks in time only
    ASSERT_EQ(ds::EC_COMPLETE, g.Run());
    const auto video = g.sinks[0]->Samples();
    ASSERT_EQ(10u, video.size());
    EXPECT_EQ(0, video[0].start);
    EXPECT_TRUE(video[0].discontinuity);
    EXPECT_EQ(std::string(500, '\x14'), video[0].bytes); // frame 20
}

// What the probe of a type-1 file does: one stream connected at a time, the graph paused only.
TEST(AviSplitterFilter, APausedGraphCuesTheFirstFrameAndGivesTheStreamsDuration)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 30;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), testkit::MakeDvClip(spec)));
    SplitGraph g;
    ASSERT_TRUE(g.Open(dir.file("t1.avi")));
    auto dv = std::make_shared<ds::DvSplitter>();
    auto null = std::make_shared<ds::NullRenderer>();
    g.graph.AddFilter(dv, "dv");
    g.graph.AddFilter(null, "null");
    ASSERT_TRUE(SUCCEEDED(g.graph.ConnectDirect(g.splitter->GetPin(0), dv->GetPin(0))));
    for (int k = 1; k < dv->GetPinCount(); ++k) {
        ASSERT_TRUE(SUCCEEDED(g.graph.ConnectDirect(dv->GetPin(k), null->GetPin(0))));
        g.graph.Pause();
        ds::FilterState state;
        EXPECT_EQ(ds::S_OK, g.graph.GetState(1000, state)) << k;
        EXPECT_EQ(ds::FilterState::Paused, state);
        g.graph.Stop();
        int64_t duration = 0;
        EXPECT_EQ(ds::S_OK, g.graph.GetDuration(duration));
        EXPECT_EQ(30 * 400000, duration);
        g.graph.Disconnect(null->GetPin(0));
    }
}

TEST(DvSplitterFilter, MakesAVideoAndOneSoundOutputPerPair)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 3;
    spec.pal = false;
    spec.audio = {32000, 12, 2, false};
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), testkit::MakeDvClip(spec)));
    Graph g;
    ASSERT_TRUE(g.Open(dir.file("t1.avi"), dir.file("out.avi")));
    g.graph->AddFilter(g.dvSplitter, "dvsplitter");
    ASSERT_EQ(1, g.dvSplitter->GetPinCount());
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.splitter->GetPin(0), g.dvSplitter->GetPin(0))));
    ASSERT_EQ(4, g.dvSplitter->GetPinCount());
    ds::MediaType video, audio;
    g.dvSplitter->GetPin(1)->GetMediaType(0, video);
    EXPECT_EQ(ds::MEDIASUBTYPE_dvsd, video.subtype);
    EXPECT_EQ(480, video.GetVideoInfo()->bmiHeader.biHeight);
    EXPECT_EQ(120000u, video.GetVideoInfo()->bmiHeader.biSizeImage);
    EXPECT_EQ(333667, video.GetVideoInfo()->AvgTimePerFrame);
    g.dvSplitter->GetPin(3)->GetMediaType(0, audio);
    EXPECT_EQ(32000u, audio.GetWaveFormat()->nSamplesPerSec);
    EXPECT_EQ(2, audio.GetWaveFormat()->nChannels);
    EXPECT_EQ(16, audio.GetWaveFormat()->wBitsPerSample);
}

TEST(DvSplitterFilter, AFrameWithoutSoundGivesSilenceAndOddSizedChunksAreDropped)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 5;
    testkit::DvClip clip = testkit::MakeDvClip(spec);
    // Frame 2 loses every AAUX source pack.
    for (size_t s = 0; s < 12; ++s)
        clip.frames[2][s * 12000 + ((s & 1) ? 6 : 54) * 80 + 3] = 0xFF;
    {
        ds::FileByteStream out(dir.file("t1.avi"));
        ds::AviMuxWriter w(out);
        w.AddStream(testkit::DvInterleavedSpec(clip));
        w.Begin();
        for (size_t k = 0; k < clip.frames.size(); ++k) {
            w.WriteChunk(0, clip.frames[k].data(), clip.frames[k].size());
            if (k == 3)
                w.WriteChunk(0, clip.frames[k].data(), 1000); // not a DV frame
        }
        w.Finish();
        out.Close();
    }
    SplitGraph g;
    ASSERT_TRUE(g.Open(dir.file("t1.avi")));
    auto dv = std::make_shared<ds::DvSplitter>();
    g.graph.AddFilter(dv, "dv");
    ASSERT_TRUE(SUCCEEDED(g.graph.ConnectDirect(g.splitter->GetPin(0), dv->GetPin(0))));
    ASSERT_EQ(3, dv->GetPinCount());
    auto video = std::make_shared<Collector>(), audio = std::make_shared<Collector>();
    g.graph.AddFilter(video, "video");
    g.graph.AddFilter(audio, "audio");
    ASSERT_TRUE(SUCCEEDED(g.graph.ConnectDirect(dv->GetPin(1), video->GetPin(0))));
    ASSERT_TRUE(SUCCEEDED(g.graph.ConnectDirect(dv->GetPin(2), audio->GetPin(0))));
    ASSERT_EQ(ds::EC_COMPLETE, g.Run());
    const auto frames = video->Samples();
    ASSERT_EQ(5u, frames.size());
    EXPECT_TRUE(frames[4].bytes == std::string(clip.frames[4].begin(), clip.frames[4].end()));
    EXPECT_EQ(5 * 400000, frames[4].start); // the odd chunk kept its place in time
    const auto sound = audio->Samples();
    ASSERT_EQ(5u, sound.size());
    EXPECT_EQ(std::string(1920 * 4, '\0'), sound[2].bytes);
    const auto& pcm = clip.pcm[0][1];
    EXPECT_TRUE(sound[1].bytes == std::string(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2));
    EXPECT_EQ(frames[1].start, sound[1].start);
}

// A short DVINFO, or one that says 32 kHz 12-bit whatever was recorded (as a capture tool
// writes it): the first frame decides.
void ExpectOutputsFromTheFirstFrame(std::vector<uint8_t> format)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 2;
    spec.pal = false;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    {
        ds::FileByteStream out(dir.file("t1.avi"));
        ds::AviMuxWriter w(out);
        ds::AviStreamSpec s = testkit::DvInterleavedSpec(clip);
        s.format = std::move(format);
        w.AddStream(s);
        w.Begin();
        for (const auto& f : clip.frames)
            w.WriteChunk(0, f.data(), f.size());
        w.Finish();
        out.Close();
    }
    SplitGraph g;
    ASSERT_TRUE(g.Open(dir.file("t1.avi")));
    auto dv = std::make_shared<ds::DvSplitter>();
    g.graph.AddFilter(dv, "dv");
    ASSERT_TRUE(SUCCEEDED(g.graph.ConnectDirect(g.splitter->GetPin(0), dv->GetPin(0))));
    ASSERT_EQ(3, dv->GetPinCount());
    ds::MediaType video, audio;
    dv->GetPin(1)->GetMediaType(0, video);
    EXPECT_EQ(480, video.GetVideoInfo()->bmiHeader.biHeight);
    dv->GetPin(2)->GetMediaType(0, audio);
    EXPECT_EQ(48000u, audio.GetWaveFormat()->nSamplesPerSec);
}

TEST(DvSplitterFilter, AShortFormatBlockLetsTheFirstFrameDecide) { ExpectOutputsFromTheFirstFrame(std::vector<uint8_t>(12, 0)); }

TEST(DvSplitterFilter, AFormatBlockThatContradictsTheFramesGivesWay)
{
    ExpectOutputsFromTheFirstFrame({0xD0, 0x30, 0xE0, 0xD1, 0x3F, 0xCF, 0xA0, 0xFF, 0xD0, 0x3F, 0xE0, 0xD1, 0x3F, 0xCF, 0xA0, 0xFF,
                                    0xFF, 0xFF, 0x20, 0xFF, 0x3F, 0xC8, 0xFD, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0});
}

TEST(DvMuxerFilter, AddsASecondSoundInputOnceTheFirstConnectsAndKeepsItsOutputLast)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 2;
    spec.audio = {32000, 12, 1, false};
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), testkit::MakeDvClip(spec)));
    Graph g;
    ASSERT_TRUE(g.Open(dir.file("t2.avi"), dir.file("out.avi")));
    g.graph->AddFilter(g.dvMuxer, "dvmuxer");
    ASSERT_EQ(3, g.dvMuxer->GetPinCount());
    EXPECT_EQ(ds::PinDirection::Output, g.dvMuxer->GetPin(2)->Direction());
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.splitter->GetPin(0), g.dvMuxer->GetPin(0))));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.splitter->GetPin(1), g.dvMuxer->GetPin(1))));
    ASSERT_EQ(4, g.dvMuxer->GetPinCount());
    EXPECT_EQ(ds::PinDirection::Input, g.dvMuxer->GetPin(2)->Direction());
    EXPECT_EQ(ds::PinDirection::Output, g.dvMuxer->GetPin(3)->Direction());
    ds::MediaType out;
    g.dvMuxer->GetPin(3)->GetMediaType(0, out);
    EXPECT_EQ(ds::MEDIATYPE_Interleaved, out.majortype);
    ASSERT_TRUE(out.GetDvInfo());
    EXPECT_TRUE(out.GetDvInfo()->Is625Lines());
    EXPECT_EQ(2u, (out.GetDvInfo()->dwDVAAuxSrc >> 27) & 7); // 32 kHz
}

TEST(DvMuxerFilter, WithoutSoundTheFramesPassUnchanged)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 4;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
    Graph g;
    ASSERT_TRUE(g.Open(dir.file("t2.avi"), dir.file("t1.avi")));
    g.graph->AddFilter(g.dvMuxer, "dvmuxer");
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.splitter->GetPin(0), g.dvMuxer->GetPin(0))));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.dvMuxer->GetPin(2), g.mux->GetPin(1))));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.mux->GetPin(0), g.writer->GetPin(0))));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    avitest::MemoryFile f;
    f.bytes = testkit::ReadFileBytes(dir.file("t1.avi"));
    const auto r = ds::ParseAvi(f);
    ASSERT_EQ(4u, r.streams[0].chunks.size());
    EXPECT_TRUE(f.bytes.substr(r.streams[0].chunks[3].offset, 144000) ==
                std::string(clip.frames[3].begin(), clip.frames[3].end()));
}

TEST(AviMuxFilter, OffersANewInputAfterEachConnectionAndReportsProgress)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 10;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), testkit::MakeDvClip(spec)));
    Graph g;
    EXPECT_EQ(2, g.mux->GetPinCount());
    EXPECT_EQ(ds::PinDirection::Output, g.mux->GetPin(0)->Direction());
    ASSERT_TRUE(g.BuildType2(dir.file("t1.avi"), dir.file("t2.avi")));
    EXPECT_EQ(4, g.mux->GetPinCount());
    EXPECT_FALSE(g.mux->GetPin(3)->IsConnected());
    int64_t duration = 0;
    ASSERT_EQ(ds::S_OK, g.mux->GetDuration(duration));
    EXPECT_EQ(10 * 400000, duration);
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    int64_t position = 0;
    g.mux->GetCurrentPosition(position);
    EXPECT_EQ(10 * 400000, position);
}

TEST(AviMuxFilter, AGraphSeekReachesTheStreamsBehindTheMux)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 10;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), clip));
    Graph g;
    ASSERT_TRUE(g.BuildType2(dir.file("t1.avi"), dir.file("t2.avi")));
    int64_t from = 4 * 400000;
    ASSERT_TRUE(SUCCEEDED(g.graph->SetPositions(&from, ds::AM_SEEKING_AbsolutePositioning, nullptr, 0)));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    avitest::MemoryFile f;
    f.bytes = testkit::ReadFileBytes(dir.file("t2.avi"));
    const auto r = ds::ParseAvi(f);
    ASSERT_EQ(6u, r.streams[0].chunks.size());
    EXPECT_TRUE(f.bytes.substr(r.streams[0].chunks[0].offset, 144000) ==
                std::string(clip.frames[4].begin(), clip.frames[4].end()));
}

TEST(AviMuxFilter, RegistersUnderTheFriendlyNames)
{
    ds::FilterRegistry registry;
    ds::RegisterFileSourceFilter(registry);
    ds::RegisterAviSplitterFilter(registry);
    ds::RegisterDvSplitterFilter(registry);
    ds::RegisterDvMuxerFilter(registry);
    ds::RegisterAviMuxFilter(registry);
    for (const char* name : {"File Source (Async.)", "AVI Splitter", "DV Splitter", "DV Muxer", "AVI Mux"}) {
        auto entry = registry.Find(name);
        ASSERT_TRUE(entry) << name;
        EXPECT_EQ(name, entry->create()->ClassName());
    }
}

// Damaged inputs run through the type 1 -> type 2 graph: a clean end, never a hang.
class DamagedInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        testkit::DvClipSpec spec;
        spec.frames = 12;
        clip = testkit::MakeDvClip(spec);
        ASSERT_TRUE(testkit::WriteDvType1(dir.file("good.avi"), clip));
        good = testkit::ReadFileBytes(dir.file("good.avi"));
    }
    size_t Convert(const std::string& bytes)
    {
        testkit::WriteFileBytes(dir.file("bad.avi"), bytes);
        Graph g;
        if (!g.BuildType2(dir.file("bad.avi"), dir.file("out.avi")))
            return 0;
        EXPECT_EQ(ds::EC_COMPLETE, g.RunToEnd(30000));
        avitest::MemoryFile f;
        f.bytes = testkit::ReadFileBytes(dir.file("out.avi"));
        const auto r = ds::ParseAvi(f);
        return r.valid && !r.streams.empty() ? r.streams[0].chunks.size() : 0;
    }
    testkit::TempDir dir;
    testkit::DvClip clip;
    std::string good;
};

TEST_F(DamagedInput, ATruncatedFileConvertsTheFramesItHolds)
{
    EXPECT_EQ(7u, Convert(good.substr(0, good.find("movi") + 4 + 7 * 144008 + 100)));
}

TEST_F(DamagedInput, AChunkSizePastTheEndEndsCleanly)
{
    std::string bytes = good.substr(0, good.find("movi") + 4 + 3 * 144008);
    bytes += "00db" + avitest::LE32(0x7FFFFFF0) + std::string(5000, '\0');
    EXPECT_EQ(3u, Convert(bytes));
}

TEST_F(DamagedInput, ABrokenIndexFallsBackAndZeroLengthChunksAreSkipped)
{
    std::string bytes = good;
    const size_t indx = bytes.find("indx");
    bytes.replace(indx + 8 + 24, 8, std::string(8, '\xEE'));
    const size_t third = bytes.find("movi") + 4 + 2 * 144008;
    bytes.replace(third + 4, 4, avitest::LE32(0)); // an empty chunk, its old data left as junk
    const size_t converted = Convert(bytes);
    EXPECT_GE(converted, 2u);
    EXPECT_LE(converted, 12u);
}

} // namespace
