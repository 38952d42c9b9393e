// The viewing graph on real DV files with the video renderer drawing offscreen and the audio
// renderer on its silent output: where the scene detector goes, a type-1 file with sound pausing
// on its first picture with the date and playing to the end, seek and step clamping, the status
// codes, and a worker closing and reopening the graph while the GUI thread steps it.
#include "media/viewgraph.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "formats/fpsunit.h"
#include "media/dv_scenedetect.h"
#include "media/dv_superposer.h"
#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "platform/filters/VideoRenderer.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"
#include "tests/media/MediaTestKit.h"
#include "tests/media/ProbeFixtures.h"

namespace {

using namespace probetest;
using media::TViewStatus;
using media::ViewFile;

const std::string kImage = "720 x 576 (Pal 4x3)";
const std::string kAudio = "48000赫兹 16 比特  立体声";

// The information frame as the viewer sees it: records the calls, and closes the graph when a
// status alone is shown, as the frame does.
class RecordingDisplay : public media::ViewDisplay {
public:
    explicit RecordingDisplay(media::Tviewdm& view) : view_(view) {}
    void ShowVideo() override { calls.push_back("ShowVideo"); }
    void ShowCodeWithVideo(TViewStatus code) override { calls.push_back("ShowCodeWithVideo " + std::to_string(code)); }
    void AfficherCode(TViewStatus code) override
    {
        calls.push_back("AfficherCode " + std::to_string(code));
        view_.CloseViewGraph();
        view_.EndCloseViewGraph();
    }
    void ShowSliderPosition(int position) override { slider = position; }
    void ShowPlayCaption(const std::string& text) override { caption = text; }

    std::vector<std::string> calls;
    int slider = -1;
    std::string caption;

private:
    media::Tviewdm& view_;
};

// Counts the pictures the renderer hands over.
class CountingSink : public ds::VideoSink {
public:
    void ShowPicture(ds::PicturePtr) override { ++pictures; }
    void ClearPicture() override {}
    std::atomic<int> pictures{0};
};

// Pumps the GUI thread's queue until `done` or about `ms` milliseconds of pumping.
template <class F> bool PumpUntil(F done, int ms = 5000)
{
    for (int k = 0; k < ms / 5; ++k) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

class ViewGraph : public testing::Test {
protected:
    void SetUp() override
    {
        mediatest::EnsureGui();
        ds::AudioRenderer::SetDefaultOutputFactory([] { return std::make_unique<ds::SilentAudioOutput>(); });
        settings::PrevisualiserDVEnDemiFormat = false;
        view.SetDisplay(&display);
        renderer->SetSink(&sink);
    }
    void TearDown() override
    {
        view.ResetViewGraph();
        renderer->SetSink(nullptr);
        PumpUntil([] { return false; }, 20); // notifications still queued
    }

    bool Open(const std::string& path, bool valid = true, const std::string& image = kImage,
              const std::string& audio = kAudio)
    {
        view.ViewFps = 25;
        return view.OpenViewGraph(ViewFile{path, valid, image, audio}, renderer);
    }
    ds::FilterGraph& Graph() { return *view.Graph().Graph(); }
    // The paused state reached, and the rewind of the first pause done.
    bool Paused()
    {
        return PumpUntil([&] { return view.Graph().State(0) == ds::FilterState::Paused && display.slider == 0; });
    }
    int64_t Position()
    {
        int64_t p = -1;
        Graph().GetCurrentPosition(p);
        return p;
    }

    testkit::TempDir dir;
    media::Tviewdm view;
    RecordingDisplay display{view};
    CountingSink sink;
    std::shared_ptr<ds::VideoRenderer> renderer = std::make_shared<ds::VideoRenderer>();
};

TEST_F(ViewGraph, TypeTwoWithSoundFirstPutsTheDetectorOnTheSecondOutput)
{
    ASSERT_TRUE(WriteStreams(dir.file("av.avi"), Clip(10), "av"));
    ASSERT_TRUE(Open(dir.file("av.avi")));
    EXPECT_EQ(std::vector<std::string>{"ShowVideo"}, display.calls);
    ds::Pin* fed = view.SceneDetect().GetPin(0)->ConnectedTo();
    ASSERT_NE(nullptr, fed);
    EXPECT_EQ("Stream 01", fed->Name());
    EXPECT_EQ(1, view.ViewVideoConnected);
    EXPECT_EQ(1, view.ViewAudioRendered);
    // The picture goes to the overlay and on to the colour converter as RGB, as it always did,
    // though the decoder also offers its own planes.
    ds::MediaType decoded, drawn, shown;
    view.Superposer().GetPin(0)->ConnectionMediaType(decoded);
    view.Superposer().GetPin(1)->ConnectionMediaType(drawn);
    renderer->GetPin(0)->ConnectionMediaType(shown);
    EXPECT_EQ(ds::MEDIASUBTYPE_RGB24, decoded.subtype);
    EXPECT_EQ(ds::MEDIASUBTYPE_RGB24, drawn.subtype);
    EXPECT_TRUE(shown.subtype == ds::MEDIASUBTYPE_RGB32 || shown.subtype == ds::MEDIASUBTYPE_RGB24);
    EXPECT_TRUE(Paused());
    EXPECT_EQ(media::Tviewdm::kPlayCaption, display.caption);
    // Repaint requests reach the program instead of being handled by the graph.
    Graph().Events().Post(ds::GraphEvent{ds::EC_REPAINT});
    bool repaint = false;
    for (ds::GraphEvent e; !repaint && Graph().Events().GetEvent(e, 0);)
        repaint = e.code == ds::EC_REPAINT;
    EXPECT_TRUE(repaint);
}

// Fault: the DV Splitter hands out a frame's picture then its sound on one thread; renderers that
// held that thread on the first picture kept the sound from ever cueing.
TEST_F(ViewGraph, TypeOneWithSoundPausesWithTheDatedFirstPictureAndPlaysToTheEnd)
{
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), Clip(50)));
    settings::IsIncrustOn = true;
    settings::AutoIncrust = 0;
    std::mutex lock;
    std::vector<std::string> lines; // guarded by lock: the overlay's text, from the streaming thread
    view.Superposer().SetOnText([&](const formats::DVFrameInfo&, const std::string& line1, const std::string&) {
        std::lock_guard<std::mutex> guard(lock);
        lines.push_back(line1);
    });
    ASSERT_TRUE(Open(dir.file("t1.avi")));
    EXPECT_EQ(1, view.ViewAudioRendered);
    ds::FilterState state = ds::FilterState::Stopped;
    EXPECT_EQ(ds::S_OK, Graph().GetState(2000, state));
    EXPECT_EQ(ds::FilterState::Paused, state);
    ASSERT_TRUE(Paused());
    EXPECT_TRUE(PumpUntil([&] { return sink.pictures.load() > 0; }));
    EXPECT_TRUE(PumpUntil([&] {
        std::lock_guard<std::mutex> guard(lock);
        return !lines.empty();
    }));
    {
        std::lock_guard<std::mutex> guard(lock);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(rtl::FormatDateTime(settings::FormatPourIncrusterDatecode1, KitDate()), lines.front());
    }
    // A pause from stopped completes only once both renderers are cued: the sound must get past
    // the picture on the splitter's one thread.
    view.Graph().Stop();
    view.Graph().Pause();
    EXPECT_EQ(ds::S_OK, Graph().GetState(2000, state));
    EXPECT_EQ(ds::FilterState::Paused, state);
    view.Superposer().SetOnText(nullptr);

    // Two seconds played with the clock.
    Graph().SetSyncSource(&Graph().DefaultClock());
    Graph().Events().Clear();
    ASSERT_TRUE(ds::SUCCEEDED(view.Graph().Run()));
    EXPECT_EQ(ds::EC_COMPLETE, Graph().WaitForCompletion(20000));
    settings::IsIncrustOn = false;
}

TEST_F(ViewGraph, SeeksAndStepsStayWithinTheFile)
{
    ASSERT_TRUE(WriteStreams(dir.file("va.avi"), Clip(125), "va"));
    ASSERT_TRUE(Open(dir.file("va.avi")));
    ASSERT_TRUE(Paused());
    // Stopped, the graph answers the position asked for; paused, the picture shown last, which
    // arrives when it arrives.
    view.Graph().Stop();
    // 10 s back from 3 s: the start.
    Graph().SetTimeFormat(ds::TIME_FORMAT_MEDIA_TIME);
    int64_t three = 30000000;
    Graph().SetPositions(&three, ds::AM_SEEKING_AbsolutePositioning, nullptr, ds::AM_SEEKING_NoPositioning);
    view.SeekByTime(-100000000);
    Graph().SetTimeFormat(ds::TIME_FORMAT_MEDIA_TIME);
    EXPECT_EQ(0, Position());
    // 25 frames on from 10 before the end: the last frame, not the duration past it.
    Graph().SetTimeFormat(ds::TIME_FORMAT_FRAME);
    int64_t duration = 0;
    Graph().GetDuration(duration);
    ASSERT_EQ(125, duration);
    view.SeekTo(duration - 10);
    EXPECT_EQ(rtl::Round(1000.0 * 115 / 125), display.slider);
    view.StepFrames(25);
    EXPECT_EQ(duration - 1, Position());
    view.StepFrames(-200);
    EXPECT_EQ(0, Position());
    view.SeekTo(duration);
    EXPECT_EQ(duration - 1, Position());
    EXPECT_EQ(rtl::Round(1000.0 * 124 / 125), display.slider);
    // By time: the last frame's start.
    view.SeekByTime(100000000);
    Graph().SetTimeFormat(ds::TIME_FORMAT_MEDIA_TIME);
    EXPECT_EQ(124 * 400000, Position());
}

// The time seek leaves the frame format behind it: a step after it is one frame, however the
// position is read afterwards.
TEST_F(ViewGraph, AStepAfterASeekByTimeMovesOneFrame)
{
    ASSERT_TRUE(WriteStreams(dir.file("va.avi"), Clip(125), "va"));
    ASSERT_TRUE(Open(dir.file("va.avi")));
    ASSERT_TRUE(Paused());
    view.Graph().Stop();
    view.SeekByTime(10000000); // one second on: frame 25
    view.StepFrames(1);
    EXPECT_EQ(26, Position()); // in the format the viewer left
    Graph().SetTimeFormat(ds::TIME_FORMAT_MEDIA_TIME);
    EXPECT_EQ(26 * 400000, Position());
}

// An overlay switched on while paused shows on the picture at once, where the viewer stood.
TEST_F(ViewGraph, ARedrawWhilePausedDrawsThePictureAgainWithTheNewSettingsInPlace)
{
    ASSERT_TRUE(WriteStreams(dir.file("va.avi"), Clip(50), "va"));
    settings::IsIncrustOn = false;
    ASSERT_TRUE(Open(dir.file("va.avi")));
    ASSERT_TRUE(Paused());
    Graph().SetTimeFormat(ds::TIME_FORMAT_FRAME);
    view.SeekTo(30);
    ASSERT_TRUE(PumpUntil([&] { return sink.pictures.load() > 0; }));
    std::mutex lock;
    std::vector<std::string> drawn; // guarded by lock: the overlay's time lines
    view.Superposer().SetOnText([&](const formats::DVFrameInfo&, const std::string&, const std::string& line2) {
        std::lock_guard<std::mutex> guard(lock);
        drawn.push_back(line2);
    });
    view.Superposer().SetIncrustOn(true);
    const int before = sink.pictures.load();
    view.RedrawPaused();
    EXPECT_TRUE(PumpUntil([&] { return sink.pictures.load() > before; }));
    EXPECT_EQ(ds::FilterState::Paused, view.Graph().State(2000));
    EXPECT_EQ(30, Position());
    {
        std::lock_guard<std::mutex> guard(lock);
        ASSERT_FALSE(drawn.empty());
        // Frame 30 is recorded a second after the first.
        EXPECT_EQ(rtl::FormatDateTime(settings::FormatPourIncrusterDatecode2, KitDate() + 1.0 / 86400), drawn.front());
    }
    view.Superposer().SetOnText(nullptr);
    view.Superposer().SetIncrustOn(false);
}

TEST_F(ViewGraph, EachFileThatCannotBeShownGetsItsStatus)
{
    const testkit::DvClip clip = Clip(5);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("cdvc.avi"), clip));
    ASSERT_TRUE(formats::WriteVideoHandler(dir.file("cdvc.avi"), rtl::FourCC("CDVC")));
    ASSERT_TRUE(WriteStreams(dir.file("sound.avi"), clip, "a"));
    testkit::WriteFileBytes(dir.file("x.avi"), std::string(5000, 'x'));
    testkit::WriteFileBytes(dir.file("cut.avi"), testkit::ReadFileBytes(dir.file("cdvc.avi")).substr(0, 60));
    std::filesystem::create_directory(dir.file("dir.avi"));
    // A picture no decoder takes, with and without sound.
    testkit::StrhFields strh;
    strh.handler = "XQZV";
    const std::string unknown = testkit::BitmapInfo(64, 48, "XQZV", 24, 4096);
    testkit::WriteFileBytes(dir.file("unknown.avi"), HandMadeAvi(strh, unknown, clip));
    {
        testkit::FileByteStream out(dir.file("unknown-pcm.avi"));
        formats::AviMuxWriter w(out);
        formats::AviStreamSpec v = testkit::DvVideoSpec(true);
        v.handler = rtl::FourCC("XQZV");
        v.format.assign(unknown.begin(), unknown.end());
        w.AddStream(v);
        w.AddStream(testkit::PcmSpec(48000, 2));
        ASSERT_TRUE(w.Begin());
        const std::vector<uint8_t> picture(4096, 7), sound(7680, 0);
        for (int k = 0; k < 5; ++k) {
            ASSERT_TRUE(w.WriteChunk(0, picture.data(), picture.size()));
            ASSERT_TRUE(w.WriteChunk(1, sound.data(), sound.size()));
        }
        ASSERT_TRUE(w.Finish() && out.Close());
    }
    const struct {
        const char* name;
        bool valid;
        std::string image, audio;
        bool opens;
        std::string call;
    } cases[] = {
        {"missing.avi", true, kImage, kAudio, false, "AfficherCode 1"},
        {"dir.avi", false, kImage, kAudio, false, "AfficherCode 1"},
        {"cdvc.avi", true, kImage, kAudio, false, "AfficherCode 2"},
        {"sound.avi", false, "N/A", kAudio, true, "ShowCodeWithVideo 3"},
        {"x.avi", false, "N/A", "N/A", false, "AfficherCode 4"},
        {"x.avi", true, kImage, kAudio, false, "AfficherCode 4"},
        {"cut.avi", true, kImage, kAudio, false, "AfficherCode 4"},
        {"unknown-pcm.avi", false, "64 x 48", kAudio, true, "ShowCodeWithVideo 5"},
        {"unknown.avi", false, "64 x 48", "N/A", false, "AfficherCode 7"},
        {"N/A", true, kImage, kAudio, false, "AfficherCode 8"},
        {"N/A", false, "N/A", "N/A", false, "AfficherCode 8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.valid ? " (valid)" : ""));
        display.calls.clear();
        const std::string path = std::string(c.name) == "N/A" ? "N/A" : dir.file(c.name);
        EXPECT_EQ(c.opens, Open(path, c.valid, c.image, c.audio));
        EXPECT_EQ(std::vector<std::string>{c.call}, display.calls);
    }
    // An undecodable picture steps by time.
    EXPECT_TRUE(Open(dir.file("unknown-pcm.avi"), false, "64 x 48", kAudio));
    EXPECT_EQ(0.0, view.ViewFps);

    // A build that fails while a command holds the file: interrupted.
    view.CloseViewGraph();
    display.calls.clear();
    EXPECT_FALSE(Open(dir.file("missing.avi")));
    EXPECT_EQ(std::vector<std::string>{"AfficherCode 8"}, display.calls);
    view.EndCloseViewGraph();
}

TEST_F(ViewGraph, HalfSizePreviewAndMuteComeFromThePreferences)
{
    ASSERT_TRUE(WriteStreams(dir.file("va.avi"), Clip(5), "va"));
    settings::PrevisualiserDVEnDemiFormat = true;
    settings::IsMuteOn = true;
    ASSERT_TRUE(Open(dir.file("va.avi")));
    ds::MediaType shown;
    renderer->GetPin(0)->ConnectionMediaType(shown);
    ASSERT_TRUE(shown.GetVideoInfo());
    EXPECT_EQ(360, shown.GetVideoInfo()->bmiHeader.biWidth);
    EXPECT_EQ(0, view.Graph().LinearVolume());
    settings::PrevisualiserDVEnDemiFormat = false;
    settings::IsMuteOn = false;
    ASSERT_TRUE(Open(dir.file("va.avi")));
    renderer->GetPin(0)->ConnectionMediaType(shown);
    EXPECT_EQ(720, shown.GetVideoInfo()->bmiHeader.biWidth);
    EXPECT_EQ(settings::Volume, view.Graph().LinearVolume());
}

// An in-place file action on the fast worker closes the graph, changes the file and reopens it
// while the GUI thread keeps stepping: every call on the graph is made on the GUI thread.
TEST_F(ViewGraph, AWorkerClosesAndReopensTheGraphWhileTheGuiThreadSteps)
{
    ASSERT_TRUE(WriteStreams(dir.file("va.avi"), Clip(25), "va"));
    ASSERT_TRUE(Open(dir.file("va.avi")));
    std::atomic<int> reopened{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int k = 0; k < 5; ++k) {
            view.CloseViewGraph();
            view.EndCloseViewGraph();
            view.ViewFps = 25;
            if (view.OpenViewGraph(ViewFile{dir.file("va.avi"), true, kImage, kAudio}, renderer))
                ++reopened;
        }
        done = true;
    });
    EXPECT_TRUE(PumpUntil(
        [&] {
            view.StepFrames(1);
            return done.load();
        },
        60000));
    worker.join();
    EXPECT_EQ(5, reopened.load());
    EXPECT_EQ(0, view.ViewClosing.load());
    EXPECT_TRUE(Paused() || view.Graph().State(0) == ds::FilterState::Paused);
}

} // namespace
