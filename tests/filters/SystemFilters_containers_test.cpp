// The container filters one by one: pin orders, media types, times and seeking of the AVI
// Splitter, the DV Splitter's outputs, the DV Muxer's and AVI Mux's pins, the file source, and
// damaged files run through whole graphs.
#include "tests/filters/ContainerGraph.h"

#include "formats/AviDemux.h"
#include "formats/fpsunit.h"
#include "platform/filters/NullRenderer.h"
#include "tests/dshow/TestFilters.h"
#include "tests/filters/CodecPins.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/media/DvClip.h"
#include "tests/kit/media/MemoryFile.h"
#include "tests/media/DamagedFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

namespace {

using namespace avitest;
using containertest::Graph;
using ds::REFERENCE_TIME;
using ds::SUCCEEDED;
using testkit::LE32;

// Source and AVI Splitter on a file; outputs go to sinks that keep what they see, or to the
// DV Splitter.
struct SplitGraph : Graph {
    bool SplitDv()
    {
        graph->AddFilter(dvSplitter, "dv");
        return SUCCEEDED(graph->ConnectDirect(splitter->GetPin(0), dvSplitter->GetPin(0)));
    }
    std::shared_ptr<testds::TestSink> Collect(ds::Pin* pin)
    {
        auto sink = std::make_shared<testds::TestSink>();
        graph->AddFilter(sink, "sink");
        EXPECT_TRUE(SUCCEEDED(graph->ConnectDirect(pin, sink->GetPin(0))));
        return sink;
    }
};

// A type-2 style file whose video has the given chunk sizes (0: a dropped frame).
void WriteVideoFile(const std::string& path, const std::vector<size_t>& sizes, bool pal = true)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out);
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

// A type-1 file of the clip's frames under the given DVINFO block, with a 1000-byte chunk that
// is no DV frame after frame `oddAfter`.
void WriteType1(const std::string& path, const testkit::DvClip& clip, std::vector<uint8_t> format,
                size_t oddAfter = SIZE_MAX)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out);
    formats::AviStreamSpec s = testkit::DvInterleavedSpec(clip);
    s.format = std::move(format);
    w.AddStream(s);
    w.Begin();
    for (size_t k = 0; k < clip.frames.size(); ++k) {
        w.WriteChunk(0, clip.frames[k].data(), clip.frames[k].size());
        if (k == oddAfter)
            w.WriteChunk(0, clip.frames[k].data(), 1000);
    }
    w.Finish();
    out.Close();
}

testkit::DvClip Clip(int frames, bool pal = true, formats::DvAudioFormat audio = {})
{
    testkit::DvClipSpec spec;
    spec.frames = frames;
    spec.pal = pal;
    spec.audio = audio;
    return testkit::MakeDvClip(spec);
}

TEST(FileSourceFilter, ReadsAtOffsetsRefusesWhatIsNoFileAndLetsGoWhenRemoved)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("f.bin"), "0123456789");
    auto source = std::make_shared<ds::FileSource>();
    EXPECT_TRUE(ds::FAILED(source->Load(dir.file("missing.avi"), nullptr)));
    EXPECT_TRUE(ds::FAILED(source->Load(dir.path().string(), nullptr)));
    EXPECT_FALSE(source->IsOpen());
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
    graph.RemoveFilter(source.get());
    EXPECT_FALSE(source->IsOpen());
}

TEST(AviSplitterFilter, OutputsComeFirstAndGoWhenTheInputDisconnects)
{
    testkit::TempDir dir;
    WriteVideoFile(dir.file("v.avi"), {144000, 144000});
    testkit::WriteFileBytes(dir.file("x.avi"), std::string(5000, 'x'));
    SplitGraph notAvi;
    ASSERT_TRUE(notAvi.Load(dir.file("x.avi")));
    EXPECT_EQ(1, notAvi.splitter->GetPinCount());
    SplitGraph g;
    ASSERT_TRUE(g.Load(dir.file("v.avi")));
    ASSERT_EQ(3, g.splitter->GetPinCount());
    EXPECT_EQ(ds::PinDirection::Output, g.splitter->GetPin(1)->Direction());
    EXPECT_EQ(ds::PinDirection::Input, g.splitter->GetPin(2)->Direction());
    ds::MediaType video, audio;
    g.splitter->GetPin(0)->GetMediaType(0, video);
    EXPECT_EQ(ds::MEDIASUBTYPE_dvsd, video.subtype);
    ASSERT_TRUE(video.GetVideoInfo());
    EXPECT_EQ(400000, video.GetVideoInfo()->AvgTimePerFrame);
    EXPECT_EQ(576, video.GetVideoInfo()->bmiHeader.biHeight);
    g.splitter->GetPin(1)->GetMediaType(0, audio);
    EXPECT_EQ(ds::MEDIASUBTYPE_PCM, audio.subtype);
    EXPECT_EQ(testkit::PcmSpec(48000, 2).format, audio.format);
    g.graph->Disconnect(g.splitter->GetPin(2));
    EXPECT_EQ(1, g.splitter->GetPinCount());
}

TEST(AviSplitterFilter, DroppedFramesLeaveTimeGapsAndTheFirstSampleIsADiscontinuity)
{
    testkit::TempDir dir;
    WriteVideoFile(dir.file("v.avi"), {1000, 1000, 0, 0, 1000, 1000});
    SplitGraph g;
    ASSERT_TRUE(g.Load(dir.file("v.avi")));
    auto videoSink = g.Collect(g.splitter->GetPin(0));
    auto audioSink = g.Collect(g.splitter->GetPin(1));
    int64_t duration = 0;
    ds::QueryPin<ds::MediaSeeking>(g.splitter->GetPin(0))->GetDuration(duration);
    EXPECT_EQ(6 * 400000, duration);
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const auto video = videoSink->SeenSamples();
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
    const auto audio = audioSink->SeenSamples();
    ASSERT_EQ(6u, audio.size());
    EXPECT_EQ(5 * 400000, audio[5].start);
    EXPECT_EQ(6 * 400000, audio[5].stop);
}

TEST(AviSplitterFilter, SeeksInFramesAndNtscFramesFallOnExactFractions)
{
    testkit::TempDir dir;
    WriteVideoFile(dir.file("n.avi"), std::vector<size_t>(30, 500), false);
    SplitGraph g;
    ASSERT_TRUE(g.Load(dir.file("n.avi")));
    auto videoSink = g.Collect(g.splitter->GetPin(0));
    g.Collect(g.splitter->GetPin(1));
    auto* seeking = ds::QueryPin<ds::MediaSeeking>(g.splitter->GetPin(0));
    ASSERT_EQ(ds::S_OK, seeking->SetTimeFormat(ds::TIME_FORMAT_FRAME));
    int64_t frames = 0, media = 0;
    seeking->GetDuration(frames);
    EXPECT_EQ(30, frames);
    seeking->ConvertTimeFormat(media, &ds::TIME_FORMAT_MEDIA_TIME, 3, &ds::TIME_FORMAT_FRAME);
    EXPECT_EQ(1001000, media); // 3 × 1001/30000 s exactly
    seeking->ConvertTimeFormat(media, &ds::TIME_FORMAT_MEDIA_TIME, 1, &ds::TIME_FORMAT_FRAME);
    EXPECT_EQ(333667, media); // one frame, rounded
    // The graph seeks every stream: in frames, which the sound follows in media time.
    EXPECT_NE(ds::S_OK, ds::QueryPin<ds::MediaSeeking>(g.splitter->GetPin(1))->SetTimeFormat(ds::TIME_FORMAT_FRAME));
    ASSERT_EQ(ds::S_OK, g.graph->SetTimeFormat(ds::TIME_FORMAT_FRAME));
    int64_t from = 20;
    ASSERT_TRUE(SUCCEEDED(g.graph->SetPositions(&from, ds::AM_SEEKING_AbsolutePositioning, nullptr, 0)));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const auto video = videoSink->SeenSamples();
    ASSERT_EQ(10u, video.size());
    EXPECT_EQ(0, video[0].start);
    EXPECT_TRUE(video[0].discontinuity);
    EXPECT_EQ(std::string(500, '\x14'), video[0].bytes); // frame 20
}

// The in-memory "dvsd" trial: the override renames the handler of the last video or
// interleaved header only, takes effect at the next input connection, and leaves the file alone.
TEST(AviSplitterFilter, AHandlerOverrideReadsTheLastVideoHeaderAsDvsdWithoutWriting)
{
    testkit::TempDir dir;
    const std::string path = dir.file("cdvc.avi");
    testkit::DvClip clip = Clip(3);
    ASSERT_TRUE(testkit::WriteDvType1(path, clip));
    ASSERT_TRUE(formats::WriteVideoHandler(path, rtl::FourCC("CDVC")));
    const std::string before = testkit::ReadFileBytes(path);

    SplitGraph plain;
    ASSERT_TRUE(plain.Load(path));
    ds::MediaType mt;
    plain.splitter->GetPin(0)->GetMediaType(0, mt);
    EXPECT_EQ(ds::Guid::FromFourCC(rtl::FourCC("CDVC")), mt.subtype);
    EXPECT_FALSE(plain.SplitDv()); // the DV Splitter takes "dvsd" and "dv25" only

    SplitGraph forced;
    forced.splitter->SetHandlerOverride(rtl::FourCC("dvsd"));
    ASSERT_TRUE(forced.Load(path));
    forced.splitter->GetPin(0)->GetMediaType(0, mt);
    EXPECT_EQ(ds::MEDIASUBTYPE_dvsd, mt.subtype);
    EXPECT_EQ(rtl::FourCC("dvsd"), forced.splitter->File()->streams[0].fccHandler);
    EXPECT_TRUE(forced.SplitDv());
    EXPECT_EQ(before, testkit::ReadFileBytes(path));

    // Type 2, sound last: the video header is the one renamed, the sound keeps its handler.
    WriteVideoFile(dir.file("t2.avi"), {144000});
    SplitGraph t2;
    t2.splitter->SetHandlerOverride(rtl::FourCC("CDVC"));
    ASSERT_TRUE(t2.Load(dir.file("t2.avi")));
    EXPECT_EQ(rtl::FourCC("CDVC"), t2.splitter->File()->streams[0].fccHandler);
    EXPECT_EQ(rtl::FourCC("CDVC"), rtl::GetLE32(&t2.splitter->File()->streams[0].header[4]));
    EXPECT_NE(rtl::FourCC("CDVC"), t2.splitter->File()->streams[1].fccHandler);
}

// What the probe of a type-1 file does: one stream connected at a time, the graph paused only.
TEST(AviSplitterFilter, APausedGraphCuesTheFirstFrameAndGivesTheStreamsDuration)
{
    testkit::TempDir dir;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), Clip(30)));
    SplitGraph g;
    ASSERT_TRUE(g.Load(dir.file("t1.avi")) && g.SplitDv());
    auto null = std::make_shared<ds::NullRenderer>();
    g.graph->AddFilter(null, "null");
    for (int k = 1; k < g.dvSplitter->GetPinCount(); ++k) {
        ASSERT_TRUE(SUCCEEDED(g.graph->ConnectDirect(g.dvSplitter->GetPin(k), null->GetPin(0))));
        g.graph->Pause();
        ds::FilterState state;
        EXPECT_EQ(ds::S_OK, g.graph->GetState(1000, state)) << k;
        g.graph->Stop();
        int64_t duration = 0;
        EXPECT_EQ(ds::S_OK, g.graph->GetDuration(duration));
        EXPECT_EQ(30 * 400000, duration);
        g.graph->Disconnect(null->GetPin(0));
    }
}

TEST(DvSplitterFilter, AFrameWithoutSoundGivesSilenceAndOddSizedChunksAreDropped)
{
    testkit::TempDir dir;
    testkit::DvClip clip = Clip(5);
    for (size_t s = 0; s < 12; ++s) // frame 2 loses every AAUX source pack
        clip.frames[2][s * 12000 + ((s & 1) ? 6 : 54) * 80 + 3] = 0xFF;
    WriteType1(dir.file("t1.avi"), clip, testkit::DvInterleavedSpec(clip).format, 3);
    SplitGraph g;
    ASSERT_TRUE(g.Load(dir.file("t1.avi")) && g.SplitDv());
    ASSERT_EQ(3, g.dvSplitter->GetPinCount());
    auto videoSink = g.Collect(g.dvSplitter->GetPin(1));
    auto audioSink = g.Collect(g.dvSplitter->GetPin(2));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const auto frames = videoSink->SeenSamples();
    ASSERT_EQ(5u, frames.size());
    EXPECT_TRUE(frames[4].bytes == Raw(clip.frames[4]));
    EXPECT_EQ(5 * 400000, frames[4].start); // the odd chunk kept its place in time
    const auto sound = audioSink->SeenSamples();
    ASSERT_EQ(5u, sound.size());
    EXPECT_EQ(std::string(1920 * 4, '\0'), sound[2].bytes);
    EXPECT_TRUE(sound[1].bytes == Raw(clip.pcm[0][1]));
    EXPECT_EQ(frames[1].start, sound[1].start);
}

// A short DVINFO, or one that says 32 kHz 12-bit whatever was recorded (as a capture tool
// writes it): the AVI Splitter passes it on unchanged, and the first frame decides.
TEST(DvSplitterFilter, TheFirstFrameDecidesOverAShortOrContradictingFormatBlock)
{
    const std::vector<uint8_t> blocks[] = {
        std::vector<uint8_t>(12, 0),
        {0xD0, 0x30, 0xE0, 0xD1, 0x3F, 0xCF, 0xA0, 0xFF, 0xD0, 0x3F, 0xE0, 0xD1, 0x3F, 0xCF, 0xA0, 0xFF,
         0xFF, 0xFF, 0x20, 0xFF, 0x3F, 0xC8, 0xFD, 0xFF, 0,    0,    0,    0,    0,    0,    0,    0},
    };
    const testkit::DvClip clip = Clip(2, false);
    for (const auto& format : blocks) {
        SCOPED_TRACE(format.size());
        testkit::TempDir dir;
        WriteType1(dir.file("t1.avi"), clip, format);
        SplitGraph g;
        ASSERT_TRUE(g.Load(dir.file("t1.avi")));
        ds::MediaType interleaved, video, audio;
        g.splitter->GetPin(0)->GetMediaType(0, interleaved);
        EXPECT_EQ(ds::MEDIATYPE_Interleaved, interleaved.majortype);
        EXPECT_EQ(ds::FORMAT_DvInfo, interleaved.formattype);
        EXPECT_EQ(format, interleaved.format);
        ASSERT_TRUE(g.SplitDv());
        ASSERT_EQ(3, g.dvSplitter->GetPinCount());
        g.dvSplitter->GetPin(1)->GetMediaType(0, video);
        EXPECT_EQ(480, video.GetVideoInfo()->bmiHeader.biHeight);
        EXPECT_EQ(120000u, video.GetVideoInfo()->bmiHeader.biSizeImage);
        g.dvSplitter->GetPin(2)->GetMediaType(0, audio);
        EXPECT_EQ(48000u, audio.GetWaveFormat()->nSamplesPerSec);
    }
}

// Silent NTSC frames under a DVINFO of 48 kHz sound and 50 lines: the frames give the system,
// the DVINFO the sound they lack.
TEST(DvSplitterFilter, ASilentFirstFrameStillGivesTheSystem)
{
    testkit::DvClipSpec spec;
    spec.pal = false;
    spec.frames = 2;
    spec.sound = false;
    const testkit::DvClip silent = testkit::MakeDvClip(spec);
    testkit::TempDir dir;
    WriteType1(dir.file("t1.avi"), silent, damaged::Pal50Lines(Clip(1, false)));
    SplitGraph g;
    ASSERT_TRUE(g.Load(dir.file("t1.avi")) && g.SplitDv());
    ASSERT_EQ(3, g.dvSplitter->GetPinCount());
    ds::MediaType video, audio;
    g.dvSplitter->GetPin(1)->GetMediaType(0, video);
    EXPECT_EQ(480, video.GetVideoInfo()->bmiHeader.biHeight);
    g.dvSplitter->GetPin(2)->GetMediaType(0, audio);
    EXPECT_EQ(48000u, audio.GetWaveFormat()->nSamplesPerSec);
}

// Records the type a sample brings with it (the picture height; 0 for none).
class TypeSink : public testds::TestSink {
public:
    ds::HRESULT DoRenderSample(ds::MediaSample& s) override
    {
        const ds::MediaType* mt = s.GetMediaType();
        {
            std::lock_guard<std::mutex> guard(lock_);
            heights_.push_back(mt && mt->GetVideoInfo() ? mt->GetVideoInfo()->bmiHeader.biHeight : 0);
        }
        return TestSink::DoRenderSample(s);
    }
    std::vector<int> Heights()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return heights_;
    }

private:
    std::mutex lock_; // guards heights_
    std::vector<int> heights_;
};

// Nothing to read at connection (here the DVINFO alone, saying 50 lines): the first whole frame
// received decides, so NTSC frames are split and not dropped, the first one carrying its type.
TEST(DvSplitterFilter, WithoutAFrameToReadTheFirstFrameReceivedDecidesTheSystem)
{
    const testkit::DvClip ntsc = Clip(3, false);
    ds::MediaType type(ds::MEDIATYPE_Interleaved, ds::MEDIASUBTYPE_dvsd, ds::FORMAT_DvInfo);
    type.format = damaged::Pal50Lines(ntsc);
    codectest::BytePush source(type, 200000);
    auto splitter = std::make_shared<ds::DvSplitter>();
    TypeSink video;
    testds::TestSink audio;
    ASSERT_EQ(ds::S_OK, source.Output().Connect(*splitter->GetPin(0), nullptr));
    ASSERT_EQ(3, splitter->GetPinCount());
    ASSERT_EQ(ds::S_OK, splitter->GetPin(1)->Connect(*video.Input(), nullptr));
    ASSERT_EQ(ds::S_OK, splitter->GetPin(2)->Connect(*audio.Input(), nullptr));
    EXPECT_EQ(576, splitter->GetPin(1)->CurrentMediaType().GetVideoInfo()->bmiHeader.biHeight);
    testds::Start({&source, splitter.get(), &video, &audio});
    for (size_t k = 0; k < ntsc.frames.size(); ++k)
        EXPECT_EQ(ds::S_OK,
                  source.Send(ntsc.frames[k].data(), ntsc.frames[k].size(), static_cast<REFERENCE_TIME>(k) * 333667,
                              static_cast<REFERENCE_TIME>(k + 1) * 333667));
    testds::Halt({&source, splitter.get(), &video, &audio});
    EXPECT_EQ(0, splitter->DroppedFrames());
    const auto frames = video.SeenSamples();
    ASSERT_EQ(3u, frames.size());
    EXPECT_TRUE(frames[2].bytes == Raw(ntsc.frames[2]));
    EXPECT_EQ((std::vector<int>{480, 0, 0}), video.Heights());
    const auto sound = audio.SeenSamples();
    ASSERT_EQ(3u, sound.size());
    EXPECT_TRUE(sound[1].bytes == Raw(ntsc.pcm[0][1]));
}

TEST(DvMuxerFilter, AddsASecondSoundInputOnceTheFirstConnectsAndKeepsItsOutputLast)
{
    testkit::TempDir dir;
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), Clip(2, true, {32000, 12, 1, false})));
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
    const testkit::DvClip clip = Clip(4);
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
    Graph g;
    ASSERT_TRUE(g.Open(dir.file("t2.avi"), dir.file("t1.avi")));
    g.graph->AddFilter(g.dvMuxer, "dvmuxer");
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.splitter->GetPin(0), g.dvMuxer->GetPin(0))));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.dvMuxer->GetPin(2), g.mux->GetPin(1))));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.mux->GetPin(0), g.writer->GetPin(0))));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const MemoryFile f = Load(dir.file("t1.avi"));
    const auto r = formats::ParseAvi(f);
    ASSERT_EQ(4u, r.streams[0].chunks.size());
    EXPECT_TRUE(Bytes(f, r.streams[0].chunks[3]) == Raw(clip.frames[3]));
}

TEST(AviMuxFilter, OffersANewInputAfterEachConnectionAndReportsProgress)
{
    testkit::TempDir dir;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), Clip(10)));
    Graph g;
    EXPECT_EQ(2, g.mux->GetPinCount());
    EXPECT_EQ(ds::PinDirection::Output, g.mux->GetPin(0)->Direction());
    ASSERT_TRUE(g.BuildType2(dir.file("t1.avi"), dir.file("t2.avi")));
    EXPECT_EQ(4, g.mux->GetPinCount());
    EXPECT_FALSE(g.mux->GetPin(3)->IsConnected());
    int64_t duration = 0, position = 0;
    ASSERT_EQ(ds::S_OK, g.mux->GetDuration(duration));
    EXPECT_EQ(10 * 400000, duration);
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    g.mux->GetCurrentPosition(position);
    EXPECT_EQ(10 * 400000, position);
}

// Both ways: a conversion started part-way has the frames from there, and its progress reaches
// the full duration.
TEST(AviMuxFilter, AGraphSeekReachesTheStreamsBehindTheMux)
{
    for (bool toType2 : {true, false}) {
        SCOPED_TRACE(toType2 ? "type 1 to type 2" : "type 2 to type 1");
        testkit::TempDir dir;
        const testkit::DvClip clip = Clip(10);
        const std::string in = dir.file("in.avi"), out = dir.file("out.avi");
        ASSERT_TRUE(toType2 ? testkit::WriteDvType1(in, clip) : testkit::WriteDvType2(in, clip));
        Graph g;
        ASSERT_TRUE(toType2 ? g.BuildType2(in, out) : g.BuildType1(in, out));
        int64_t from = 4 * 400000;
        ASSERT_TRUE(SUCCEEDED(g.graph->SetPositions(&from, ds::AM_SEEKING_AbsolutePositioning, nullptr, 0)));
        ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
        int64_t position = 0;
        g.mux->GetCurrentPosition(position);
        EXPECT_EQ(10 * 400000, position);
        const MemoryFile f = Load(out);
        const auto r = formats::ParseAvi(f);
        ASSERT_EQ(6u, r.streams[0].chunks.size());
        if (toType2)
            EXPECT_TRUE(Bytes(f, r.streams[0].chunks[0]) == Raw(clip.frames[4]));
    }
}

// Damaged type-1 files run through the type 1 -> type 2 graph: a clean end, never a hang.
TEST(DamagedInput, ConvertsTheFramesItCanAndEndsCleanly)
{
    testkit::TempDir dir;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("good.avi"), Clip(12)));
    const std::string good = testkit::ReadFileBytes(dir.file("good.avi"));
    const size_t movi = good.find("movi") + 4;
    std::string brokenIndex = good;
    brokenIndex.replace(brokenIndex.find("indx") + 8 + 24, 8, std::string(8, '\xEE'));
    brokenIndex.replace(movi + 2 * 144008 + 4, 4, LE32(0)); // an empty chunk, its old data left as junk
    const struct {
        const char* what;
        std::string bytes;
        size_t least, most;
    } cases[] = {
        {"truncated", good.substr(0, movi + 7 * 144008 + 100), 7, 7},
        {"chunk past the end", good.substr(0, movi + 3 * 144008) + "00db" + LE32(0x7FFFFFF0) + std::string(5000, '\0'),
         3, 3},
        {"broken index, zero-length chunk", brokenIndex, 2, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testkit::WriteFileBytes(dir.file("bad.avi"), c.bytes);
        Graph g;
        ASSERT_TRUE(g.BuildType2(dir.file("bad.avi"), dir.file("out.avi")));
        EXPECT_EQ(ds::EC_COMPLETE, g.RunToEnd(30000));
        const auto r = formats::ParseAvi(Load(dir.file("out.avi")));
        ASSERT_TRUE(r.valid && !r.streams.empty());
        EXPECT_GE(r.streams[0].chunks.size(), c.least);
        EXPECT_LE(r.streams[0].chunks.size(), c.most);
    }
}

// A damaged first chunk that claims most of a big file: the DV Splitter's look at the first
// frame reads no more than a sample buffer may hold, and falls back to the format block.
TEST(DamagedInput, AHugeFirstChunkIsNotReadWholeForAPeek)
{
    testkit::TempDir dir;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("good.avi"), Clip(2)));
    const std::string good = testkit::ReadFileBytes(dir.file("good.avi"));
    const size_t movi = good.find("movi") + 4;
    std::string head = good.substr(0, movi);
    head.replace(4, 4, LE32(0));        // RIFF and movi sizes left unwritten, as by a capture
    head.replace(movi - 8, 4, LE32(0)); // cut short: both run to the end of the file
    testkit::WriteFileBytes(dir.file("bad.avi"), head + "00db" + LE32(0x7FFFFFF0));
    std::filesystem::resize_file(dir.file("bad.avi"), 80u << 20); // sparse: no disk is used
    SplitGraph g;
    ASSERT_TRUE(g.Load(dir.file("bad.avi")));
    ASSERT_EQ(2, g.splitter->GetPinCount());
    ASSERT_GT(g.splitter->File()->streams[0].chunks.at(0).size, 64u << 20);
    auto* peek = dynamic_cast<ds::StreamPeek*>(g.splitter->GetPin(0));
    ASSERT_NE(nullptr, peek);
    std::vector<uint8_t> first;
    EXPECT_FALSE(peek->PeekFirstChunk(first));
    EXPECT_TRUE(first.empty());
    ASSERT_TRUE(g.SplitDv());
    EXPECT_GE(g.dvSplitter->GetPinCount(), 2);
}

} // namespace

// Seeking a conversion graph once it streams: the file is written again from the new position,
// every frame with its own sound, whichever way the conversion goes.
struct SeekedConversion {
    testkit::TempDir dir;
    testkit::DvClip clip = Clip(20);
    Graph g;

    bool Build(bool toType2)
    {
        const std::string in = dir.file("in.avi");
        if (!(toType2 ? testkit::WriteDvType1(in, clip) : testkit::WriteDvType2(in, clip)))
            return false;
        g.graph->SetSyncSource(nullptr);
        // The mux writes each chunk as it comes: paused, its first write waits on the file
        // writer, so the stream stops mid-clip with sound gathered ahead of the pictures.
        formats::AviMuxOptions options;
        options.bufferSize = 1;
        g.mux->SetWriterOptions(options);
        return toType2 ? g.BuildType2(in, dir.file("out.avi")) : g.BuildType1(in, dir.file("out.avi"));
    }
    void SeekTo(int frame)
    {
        int64_t at = frame * int64_t{400000};
        ASSERT_TRUE(SUCCEEDED(g.graph->SetPositions(&at, ds::AM_SEEKING_AbsolutePositioning, nullptr, 0)));
    }
    // The file holds the clip's frames from `first` on, and their sound.
    void ExpectFramesFrom(size_t first)
    {
        const MemoryFile f = Load(dir.file("out.avi"));
        const formats::AviDemuxResult r = formats::ParseAvi(f);
        ASSERT_TRUE(r.valid);
        ASSERT_FALSE(r.streams.empty());
        // One RIFF and nothing after it: no tail of an earlier, longer pass.
        ASSERT_GE(f.bytes.size(), 8u);
        const auto* size = reinterpret_cast<const uint8_t*>(f.bytes.data() + 4);
        EXPECT_EQ(f.bytes.size(), 8u + (size[0] | size[1] << 8 | size[2] << 16 | uint32_t{size[3]} << 24));
        const auto& video = r.streams[0].chunks;
        ASSERT_EQ(clip.frames.size() - first, video.size());
        std::string sound;
        for (size_t k = 0; k < video.size(); ++k) {
            const std::string frame = Bytes(f, video[k]);
            sound += Raw(clip.pcm[0][first + k]);
            if (r.streams.size() == 2) { // type 2: the frames pass whole
                EXPECT_TRUE(frame == Raw(clip.frames[first + k])) << "frame " << k;
                continue;
            }
            const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
            formats::DvAudioInfo info;
            ASSERT_TRUE(formats::ReadDvAudioInfo(bytes, info));
            std::vector<int16_t> pcm(static_cast<size_t>(info.samples) * 2);
            formats::DecodeDvAudio(bytes, info, 0, pcm.data());
            EXPECT_TRUE(Raw(pcm) == Raw(clip.pcm[0][first + k])) << "sound of frame " << k;
        }
        if (r.streams.size() == 2)
            EXPECT_TRUE(Joined(f, r.streams[1]) == sound);
    }
};

TEST(ConversionSeek, APausedGraphSeekedTwiceWritesFromTheLastPosition)
{
    for (bool toType2 : {false, true}) {
        SCOPED_TRACE(toType2 ? "type 1 to type 2" : "type 2 to type 1");
        SeekedConversion c;
        ASSERT_TRUE(c.Build(toType2));
        c.g.graph->Pause();
        ds::FilterState state;
        ASSERT_EQ(ds::S_OK, c.g.graph->GetState(5000, state)); // cued: the mux waits on the file
        c.SeekTo(5);
        c.SeekTo(10);
        ASSERT_EQ(ds::EC_COMPLETE, c.g.RunToEnd(20000));
        c.ExpectFramesFrom(10);
    }
}

TEST(ConversionSeek, ASeekAfterTheRunCompletedWritesTheFileAgainShorter)
{
    for (bool toType2 : {false, true}) {
        SCOPED_TRACE(toType2 ? "type 1 to type 2" : "type 2 to type 1");
        SeekedConversion c;
        ASSERT_TRUE(c.Build(toType2));
        c.g.graph->Run();
        ASSERT_EQ(ds::EC_COMPLETE, c.g.graph->WaitForCompletion(20000));
        c.SeekTo(15);
        ASSERT_EQ(ds::EC_COMPLETE, c.g.graph->WaitForCompletion(20000));
        c.g.graph->Stop();
        c.ExpectFramesFrom(15);
    }
}
