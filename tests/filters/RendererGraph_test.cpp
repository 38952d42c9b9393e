// Both renderers in graphs of real DV files (type 1 through the DV Splitter on one streaming
// thread, type 2 on two), a stand-in decoder painting each frame in the colour of its time code:
// pause with both renderers cued and frame 0 shown, a seek while paused, play to the end, and
// the sound fed ahead of the pictures by the one thread of a type-1 file.
#include <gtest/gtest.h>

#include "platform/dshow/FilterRegistry.h"
#include "platform/filters/AudioRenderer.h"
#include "platform/filters/VideoRenderer.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/filters/ContainerGraph.h"
#include "tests/filters/RendererTestKit.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

using namespace rendertest;
using testds::Eventually;

namespace {

struct DvFile {
    const char* what;
    bool type1;
    bool pal;
};

void PrintTo(const DvFile& f, std::ostream* os)
{
    *os << f.what;
}

// File source, AVI Splitter (and DV Splitter for type 1), the painter into a video renderer
// already in the graph, and the sound rendered by intelligent connect.
struct ViewGraph : containertest::Graph {
    std::shared_ptr<TimecodePainter> painter = std::make_shared<TimecodePainter>();
    std::shared_ptr<VideoRenderer> video = std::make_shared<VideoRenderer>();
    std::shared_ptr<AudioRenderer> audio;
    PictureSink sink;

    ViewGraph() { video->SetSink(&sink); }
    ~ViewGraph()
    {
        graph->Stop();
        video->SetSink(nullptr); // the graph outlives the sink
    }

    void Build(const std::string& file, bool type1)
    {
        ASSERT_TRUE(Load(file));
        graph->AddFilter(painter, "decoder");
        graph->AddFilter(video, "video");
        Pin* picture = splitter->GetPin(0);
        Pin* sound = splitter->GetPin(1);
        if (type1) {
            graph->AddFilter(dvSplitter, "dvsplitter");
            ASSERT_EQ(graph->ConnectDirect(splitter->GetPin(0), dvSplitter->GetPin(0)), S_OK);
            picture = dvSplitter->GetPin(1);
            sound = dvSplitter->GetPin(2);
        }
        ASSERT_EQ(graph->ConnectDirect(picture, painter->GetPin(0)), S_OK);
        ASSERT_EQ(graph->Render(painter->GetPin(1)), S_OK);
        ASSERT_EQ(painter->GetPin(1)->ConnectedTo(), video->GetPin(0));
        ASSERT_EQ(graph->Render(sound), S_OK);
        audio = std::dynamic_pointer_cast<AudioRenderer>(graph->FindFilterByName(AudioRenderer::kFriendlyName));
        ASSERT_TRUE(audio);
    }
};

std::string WriteClip(const testkit::TempDir& dir, const DvFile& f, int frames = 25)
{
    testkit::DvClipSpec spec;
    spec.pal = f.pal;
    spec.frames = frames;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    const std::string path = dir.file("clip.avi");
    EXPECT_TRUE(f.type1 ? testkit::WriteDvType1(path, clip) : testkit::WriteDvType2(path, clip));
    return path;
}

class DvViewing : public testing::TestWithParam<DvFile> {};

TEST_P(DvViewing, PausesOnFrameZeroSeeksWhilePausedAndPlaysToTheEnd)
{
    const DvFile f = GetParam();
    testkit::TempDir dir;
    ViewGraph v;
    v.Build(WriteClip(dir, f), f.type1);

    // The pause completes with both renderers cued and the first picture shown.
    v.graph->Pause();
    FilterState state;
    ASSERT_EQ(v.graph->GetState(10000, state), S_OK);
    EXPECT_EQ(state, FilterState::Paused);
    EXPECT_TRUE(v.video->IsCued());
    EXPECT_TRUE(v.audio->IsCued());
    EXPECT_EQ(v.sink.LastColor(), FrameColor(0));

    // Stepping is seeking while paused: frame 10 is shown.
    ASSERT_EQ(v.graph->SetTimeFormat(TIME_FORMAT_FRAME), S_OK);
    int64_t target = 10;
    ASSERT_EQ(v.graph->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    ASSERT_EQ(v.graph->GetState(10000, state), S_OK);
    EXPECT_EQ(v.sink.LastColor(), FrameColor(10));
    int64_t position = -1;
    v.graph->GetCurrentPosition(position);
    EXPECT_EQ(position, 10);
    EXPECT_TRUE(v.audio->IsCued());

    // Played with the clock, the end is reached with the last frame shown and the sound played.
    ASSERT_EQ(v.graph->Run(), S_OK);
    ASSERT_EQ(v.graph->WaitForCompletion(30000), EC_COMPLETE);
    EXPECT_EQ(v.sink.LastColor(), FrameColor(24));
    EXPECT_EQ(v.audio->Queued(), 0u);
    EXPECT_TRUE(v.audio->ReachedEndOfStream());
}

INSTANTIATE_TEST_SUITE_P(Files, DvViewing,
                         testing::Values(DvFile{"type1_pal", true, true}, DvFile{"type2_pal", false, true},
                                         DvFile{"type1_ntsc", true, false}),
                         [](const auto& info) { return std::string(info.param.what); });

// The one thread of a type-1 file delivers each frame's picture, then its sound. A renderer that
// held it until each picture's time starved the sound behind it: here the clock stands still
// after frame 0, and the sound still arrives well ahead of the pictures.
TEST(DvViewingOneThread, PlayingFeedsTheSoundAheadOfThePictures)
{
    testkit::TempDir dir;
    ViewGraph v;
    v.Build(WriteClip(dir, {"type1", true, true}, 50), true);
    testds::HandClock clock;
    v.graph->SetSyncSource(&clock);
    v.graph->Pause();
    FilterState state;
    ASSERT_EQ(v.graph->GetState(10000, state), S_OK);
    ASSERT_EQ(v.graph->Run(), S_OK);
    // Eight frames of sound (7680 bytes each) queued while only frame 0 is on the screen.
    EXPECT_TRUE(Eventually([&] { return v.audio->Queued() >= 8 * 7680; })) << v.audio->Queued();
    EXPECT_EQ(v.sink.Count(), 1u);
    EXPECT_EQ(v.sink.LastColor(), FrameColor(0));
    clock.now = 50 * 400000; // the end of the last frame's sound
    EXPECT_EQ(v.graph->WaitForCompletion(30000), EC_COMPLETE);
    EXPECT_EQ(v.sink.LastColor(), FrameColor(49));
}

TEST(RendererRegistry, FindsBothRenderersByNameWithTheirMerits)
{
    FilterEntryPtr video = FilterRegistry::Instance().Find("Video Renderer");
    FilterEntryPtr audio = FilterRegistry::Instance().Find("Audio Renderer");
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->create()->ClassName(), "Video Renderer");
    EXPECT_EQ(audio->create()->ClassName(), "Audio Renderer");
    EXPECT_EQ(video->merit, MERIT_DO_NOT_USE);
    EXPECT_EQ(audio->merit, MERIT_PREFERRED);
}

TEST(RenderPictures, EndsInAVideoRendererOnlyWhenOneIsInTheGraph)
{
    FilterGraph graph;
    auto source = std::make_shared<PictureSource>(64, 48, 5, true);
    graph.AddFilter(source, "source");
    EXPECT_TRUE(FAILED(graph.Render(source->GetPin(0))));
    EXPECT_EQ(graph.Render(source->GetPin(1)), S_OK); // sound: the audio renderer is inserted
    EXPECT_TRUE(graph.FindFilterByName(AudioRenderer::kFriendlyName));
    auto video = std::make_shared<VideoRenderer>();
    graph.AddFilter(video, "video");
    EXPECT_EQ(graph.Render(source->GetPin(0)), S_OK);
    EXPECT_EQ(source->GetPin(0)->ConnectedTo(), video->GetPin(0));
}

} // namespace
