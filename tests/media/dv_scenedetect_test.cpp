// The scene detector on streams of built DV frames: where scenes start, the text lines, the
// periodic mark, the ring lookup, and the end of a run (once, after the last frame, clean).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "media/dv_scenedetect.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/media/MediaTestKit.h"

using namespace mediatest;
using formats::DVFrameInfo;
using media::Tdv_sceneDetect;
using testkit::DvFrameBuilder;
using testkit::Standard;

namespace {

constexpr REFERENCE_TIME kPalFrame = 400000;

// A dated PAL frame, `secondsIn` (below 3600) seconds after 2006-12-31 23:00:00.
DvFrameBuilder Pal(int secondsIn = 0)
{
    return DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, secondsIn / 60, secondsIn % 60).audio(48000, 16);
}

// What the callbacks saw, in order: "scene 0-25", "text 3 [a|b]", "end".
struct Log {
    std::vector<std::string> calls;
    std::vector<std::string> Scenes() const
    {
        std::vector<std::string> s;
        for (const auto& c : calls)
            if (c.rfind("scene", 0) == 0)
                s.push_back(c);
        return s;
    }
};

struct Detecting {
    std::shared_ptr<Tdv_sceneDetect> detector = std::make_shared<Tdv_sceneDetect>();
    Chain chain{testds::VideoType(), 144000, {detector}, false};
    Log log;
    REFERENCE_TIME next = 0;

    explicit Detecting(bool text = false)
    {
        detector->SetOnScene([this](const DVFrameInfo& start, const DVFrameInfo& current) {
            log.calls.push_back("scene " + std::to_string(start.Frame) + "-" + std::to_string(current.Frame));
        });
        detector->SetOnEnd([this] { log.calls.push_back("end"); });
        if (text)
            WatchText();
    }
    void WatchText()
    {
        detector->SetOnDatecodeText([this](const DVFrameInfo& cur, const std::string& a, const std::string& b) {
            log.calls.push_back("text " + std::to_string(cur.Frame) + " [" + a + "|" + b + "]");
        });
    }
    void Run() { ASSERT_EQ(chain.graph.Run(), S_OK); }
    // Pushes `count` copies of `frame`, each one frame duration after the last.
    void Push(const std::vector<uint8_t>& frame, int count = 1, REFERENCE_TIME gapBefore = 0)
    {
        next += gapBefore;
        for (int i = 0; i < count; ++i, next += kPalFrame)
            ASSERT_EQ(chain.pusher->Push(frame, next, next + kPalFrame, i > 0), S_OK);
    }
    // A dated stream: `frames` frames whose date advances a second every 25, from `secondsIn`.
    void PushDated(int frames, int secondsIn = 0)
    {
        for (int i = 0; i < frames; i += 25) {
            const auto f = Pal(secondsIn + i / 25).build();
            Push(f, std::min(25, frames - i));
        }
    }
    void Stop() { ASSERT_EQ(chain.graph.Stop(), S_OK); }
};

TEST(SceneDetection, AStreamWithoutChangesIsOneSceneClosedAtTheStop)
{
    Detecting d;
    d.Run();
    d.PushDated(1000);
    EXPECT_TRUE(d.log.calls.empty());
    d.Stop();
    EXPECT_EQ(d.log.calls, (std::vector<std::string>{"scene 0-1000", "end"}));
}

TEST(SceneDetection, DateJumpsOfMoreThanFiveSecondsEitherWayStartScenes)
{
    struct Case {
        int jump;
        std::vector<std::string> scenes;
    };
    for (const Case& c : {Case{6, {"scene 0-10", "scene 10-20"}}, Case{-6, {"scene 0-10", "scene 10-20"}},
                          Case{4, {"scene 0-20"}}, Case{5, {"scene 0-20"}}}) {
        Detecting d;
        d.Run();
        d.Push(Pal(10).build(), 10);
        d.Push(Pal(10 + c.jump).build(), 10);
        d.Stop();
        EXPECT_EQ(d.log.Scenes(), c.scenes) << "jump " << c.jump;
    }
}

TEST(SceneDetection, AGapStartsASceneAndMarksTheSampleTheDateIsNotComparedAcrossIt)
{
    struct Case {
        REFERENCE_TIME gap;
        int jump;
        std::vector<std::string> scenes;
    };
    for (const Case& c : {Case{2500000, 0, {"scene 0-5", "scene 5-10"}}, Case{1000000, 0, {"scene 0-10"}},
                          Case{2500000, 60, {"scene 0-5", "scene 5-10"}}}) {
        Detecting d;
        d.Run();
        d.Push(Pal().build(), 5);
        d.Push(Pal(c.jump).build(), 1, c.gap);
        EXPECT_EQ(d.chain.pusher->Last()->IsDiscontinuity(), c.gap > 2000000);
        d.Push(Pal(c.jump).build(), 4);
        d.Stop();
        EXPECT_EQ(d.log.Scenes(), c.scenes) << "gap " << c.gap << " jump " << c.jump;
    }
    // The first sample has no previous stop to compare with.
    Detecting d;
    d.Run();
    d.next = 50 * kPalFrame;
    d.Push(Pal().build(), 3);
    d.Stop();
    EXPECT_EQ(d.log.Scenes(), (std::vector<std::string>{"scene 0-3"}));
}

// Sample times that jump back (a splice, a capture restarted mid-file) are a gap too; a jump
// back to 0 is a stream starting again and is none.
TEST(SceneDetection, TimesJumpingBackByMoreThanTheGapStartASceneBackToZeroNone)
{
    struct Case {
        REFERENCE_TIME back; // from where the next frame would start
        bool scene;
    };
    for (const Case& c : {Case{-2500000, true}, Case{-1000000, false}, Case{-10 * kPalFrame, false}}) {
        Detecting d;
        d.Run();
        d.Push(Pal().build(), 10);
        d.Push(Pal().build(), 1, c.back);
        EXPECT_EQ(d.chain.pusher->Last()->IsDiscontinuity(), c.scene) << c.back;
        d.Push(Pal().build(), 4);
        d.Stop();
        const std::vector<std::string> split{"scene 0-10", "scene 10-15"}, whole{"scene 0-15"};
        EXPECT_EQ(d.log.Scenes(), c.scene ? split : whole) << c.back;
    }
}

TEST(SceneDetection, LostAndReturningDatesAndFormatChanges)
{
    const auto undated = DvFrameBuilder(Standard::Pal).noRecDate().audio(48000, 16).build();
    {
        SCOPED_TRACE("a date back after 20 undated frames starts a scene, after 10 inside a scene none");
        Detecting d;
        d.Run();
        d.Push(undated, 20);
        d.Push(Pal().build(), 10);
        d.Push(undated, 10);
        d.Push(Pal(1).build(), 10);
        d.Stop();
        EXPECT_EQ(d.log.Scenes(), (std::vector<std::string>{"scene 0-20", "scene 20-30", "scene 30-50"}));
    }
    {
        SCOPED_TRACE("16:9 to 4:3 with formats valid on both sides");
        Detecting d;
        d.Run();
        d.Push(Pal().wide(true).build(), 8);
        d.Push(Pal().build(), 8);
        d.Stop();
        EXPECT_EQ(d.log.Scenes(), (std::vector<std::string>{"scene 0-8", "scene 8-16"}));
    }
    {
        SCOPED_TRACE("no time code: the format is not valid and its change starts nothing");
        Detecting d;
        d.Run();
        d.Push(Pal().wide(true).noTimecode().build(), 8);
        d.Push(Pal().noTimecode().build(), 8);
        d.Stop();
        EXPECT_EQ(d.log.Scenes(), (std::vector<std::string>{"scene 0-16"}));
    }
}

TEST(SceneDetection, TestsFiringOnOneFrameMakeOneCall)
{
    // A gap and a lost date on the same frame: one scene, no empty one after it.
    const auto undated = DvFrameBuilder(Standard::Pal).noRecDate().audio(48000, 16).build();
    Detecting d;
    d.Run();
    d.Push(Pal().build(), 5);
    d.Push(undated, 5, 3000000);
    // A gap, a 4:3 switch and a date jump together, later.
    d.Push(Pal(30).wide(true).build(), 5, 3000000);
    d.Stop();
    EXPECT_EQ(d.log.Scenes(), (std::vector<std::string>{"scene 0-5", "scene 5-10", "scene 10-15"}));
}

TEST(SceneDetection, OnlyWholeDvFramesCount)
{
    Detecting d;
    d.Run();
    d.Push(Pal().build(), 3);
    EXPECT_EQ(d.chain.pusher->Push(std::vector<uint8_t>(100000), d.next, d.next + kPalFrame), S_OK);
    EXPECT_EQ(d.detector->CurrentInfo().Frame, 2u);
    d.Push(DvFrameBuilder(Standard::Ntsc).build());
    EXPECT_EQ(d.detector->FrameDuration(), 333667);
    EXPECT_EQ(d.detector->CurrentInfo().Frame, 3u);
    EXPECT_EQ(d.detector->CurrentInfo().Standard, formats::kDvSystemNtsc);
    d.Stop();
}

TEST(SceneDetection, ARecordDescribesItsFrame)
{
    Detecting d;
    d.Run();
    d.Push(Pal(5).timecode(1, 2, 3, 4).wide(true).audio(32000, 12).build());
    d.Push(DvFrameBuilder(Standard::Pal).noRecDate().noTimecode().noAudio().build());
    const DVFrameInfo first = d.detector->PreviousInfo(), second = d.detector->CurrentInfo();
    d.Stop();
    EXPECT_EQ(first.Frame, 1u); // the copy is taken once the count has moved on
    EXPECT_EQ(first.DateValid, 1);
    EXPECT_EQ(first.RecDate, rtl::EncodeDateTime(2006, 12, 31, 23, 0, 5, 0));
    EXPECT_EQ(first.TimecodeValid, 1);
    EXPECT_EQ(first.Timecode.Frames, 4);
    EXPECT_EQ(first.WideScreen, 1);
    EXPECT_EQ(first.Standard, formats::kDvSystemPal);
    EXPECT_EQ(first.AudioRate, 32000);
    EXPECT_EQ(first.AudioBits, 12);
    EXPECT_EQ(first.FormatValid, 1);
    EXPECT_EQ(second.DateValid, 0);
    EXPECT_EQ(second.RecDate, 0);
    EXPECT_EQ(second.TimecodeValid, 0);
    EXPECT_EQ(second.Timecode.Frames, 4); // kept from the frame before
    EXPECT_EQ(second.AudioRate, -1);
    EXPECT_EQ(second.FormatValid, 0);
}

TEST(SceneDetection, InvalidDatesCountAsNone)
{
    for (auto builder : {Pal().recDate(2006, 13, 1, 0, 0, 0), Pal().recDate(2006, 2, 0, 0, 0, 0),
                         Pal().recDate(2006, 2, 30, 25, 0, 0)}) {
        Detecting d;
        d.Run();
        d.Push(builder.build());
        EXPECT_EQ(d.detector->CurrentInfo().DateValid, 0);
        d.Stop();
    }
}

TEST(SceneDetection, ThePeriodicMarkFallsEvery750SecondsWithoutStartingAScene)
{
    Detecting d; // an undated, unchanging stream: nothing else happens in it
    d.Run();
    const auto frame = DvFrameBuilder(Standard::Pal).noRecDate().build();
    std::vector<uint32_t> marked;
    for (int i = 0; i < 45000; ++i, d.next += kPalFrame) {
        ASSERT_EQ(d.chain.pusher->Push(frame, d.next, d.next + kPalFrame, i > 0), S_OK);
        if (d.detector->CurrentInfo().PeriodMark == 0)
            marked.push_back(d.detector->CurrentInfo().Frame);
    }
    d.Stop();
    EXPECT_EQ(marked, (std::vector<uint32_t>{18750, 37500}));
    EXPECT_EQ(d.log.Scenes(), (std::vector<std::string>{"scene 0-45000"}));
}

TEST(SceneDetection, DateTextShowsForItsDurationAfterEachRestart)
{
    Detecting d(true);
    d.detector->SetIncrustFormats("yyyy", "hh:nn:ss");
    d.Run();
    d.PushDated(150);    // shown for frames 0-124 (the first dated frame restarts the display)
    d.PushDated(50, 30); // a jump: shown again for 125 frames, of which 50 here
    d.Push(Pal(31).build(), 100);
    d.Stop();
    // The text is sent before the frame's scene tests run.
    EXPECT_EQ(d.log.calls,
              (std::vector<std::string>{"text 0 [2006|23:00:00]", "text 25 [2006|23:00:01]", "text 50 [2006|23:00:02]",
                                        "text 75 [2006|23:00:03]", "text 100 [2006|23:00:04]", "text 125 [|]",
                                        "text 150 [2006|23:00:30]", "scene 0-150", "text 175 [2006|23:00:31]",
                                        "text 275 [|]", "scene 150-300", "end"}));
}

TEST(SceneDetection, TimecodeTextOfAnUndatedStreamShowsFor123Frames)
{
    Detecting d(true);
    d.detector->SetWhatIncrust(1);
    d.Run();
    const auto frame = DvFrameBuilder(Standard::Pal).noRecDate().timecode(0, 1, 2, 3).build();
    d.Push(frame, 200);
    d.Stop();
    EXPECT_EQ(d.log.calls, (std::vector<std::string>{"text 0 [|0:01:02:03]", "text 123 [|]", "scene 0-200", "end"}));
}

TEST(SceneDetection, TheEndClosesTheLastSubtitleAndForgetsTheTextSettings)
{
    Detecting d(true);
    d.detector->SetAutoIncrust(0);
    d.detector->SetIncrustFormats("", "hh");
    d.Run();
    d.Push(Pal().build(), 3);
    d.Stop();
    EXPECT_EQ(d.log.calls, (std::vector<std::string>{"text 0 [ |23]", "scene 0-3", "text 3 [|]", "end"}));
    d.log.calls.clear();
    d.Run(); // no text callback any more
    d.Push(Pal().build(), 2);
    d.Stop();
    EXPECT_EQ(d.log.calls, (std::vector<std::string>{"scene 0-2", "end"}));
}

TEST(SceneDetection, ATimeOffsetShiftsBothTextLinesAcrossMidnight)
{
    Detecting d(true);
    d.detector->SetAutoIncrust(0);
    d.detector->SetIncrustFormats("dd/mm/yyyy", "hh:nn:ss");
    d.detector->SetTimeOffset(5.0 / 86400);
    d.Run();
    d.Push(DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, 58).build());
    d.Stop();
    EXPECT_EQ(d.log.calls.front(), "text 0 [01/01/2007|00:00:03]");
}

TEST(SceneDetection, AStreamRunTwiceGivesTheSameCalls)
{
    const auto undated = DvFrameBuilder(Standard::Pal).noRecDate().audio(48000, 16).build();
    Detecting d(true);
    auto run = [&] {
        d.log.calls.clear();
        d.next = 0;
        d.WatchText();
        d.Run();
        d.Push(Pal().build());
        d.Push(Pal(30).build(), 3); // a jump between frames 0 and 1 is not compared
        d.Push(undated, 2);
        d.Push(Pal(31).build(), 30);
        d.Stop();
        return d.log.calls;
    };
    const auto first = run();
    EXPECT_EQ(run(), first);
    EXPECT_EQ(first.front(), "text 0 [31/12/2006 23:00:00|31/12/2006 23:00:00]");
    // The date comes back 2 frames into the scene its loss began: no new scene.
    EXPECT_EQ(d.log.Scenes(), (std::vector<std::string>{"scene 0-4", "scene 4-36"}));
}

TEST(SceneDetection, TheEndCallsComeOncePerRunOnlyAfterStreaming)
{
    Detecting d;
    d.Stop(); // never started
    EXPECT_EQ(d.detector->Stop(), S_OK);
    EXPECT_TRUE(d.log.calls.empty());
    d.Run();
    d.Push(Pal().build(), 2);
    d.Stop();
    d.Stop();
    EXPECT_EQ(d.detector->Stop(), S_OK);
    EXPECT_EQ(d.log.calls, (std::vector<std::string>{"scene 0-2", "end"}));
}

TEST(SceneDetection, TheRingFindsTheNewestFrameStartedAtOrBeforeATimeOrTheOldest)
{
    constexpr int kRing = Tdv_sceneDetect::kRingSize;
    using Lookup = Tdv_sceneDetect::Lookup;
    Detecting d;
    DVFrameInfo record;
    media::SavedHeaders saved;
    EXPECT_FALSE(d.detector->FindFrame(0, record));
    EXPECT_FALSE(d.detector->FindFrame(0, record, nullptr, Lookup::OrOldest)) << "nothing kept";
    d.Run();
    for (int i = 0; i < kRing + 2; ++i)
        d.Push(Pal(i).build());
    const int last = kRing + 1;
    EXPECT_TRUE(d.detector->FindFrame(last * kPalFrame + 5, record, &saved));
    EXPECT_EQ(record.Frame, static_cast<uint32_t>(last));
    EXPECT_EQ(saved.Start, last * kPalFrame);
    EXPECT_EQ(saved.Sequences, 12);
    const auto newest = Pal(last).build();
    for (int i = 0; i < 12; ++i)
        EXPECT_TRUE(std::equal(saved.Runs[i].begin(), saved.Runs[i].end(), newest.begin() + i * 12000)) << i;
    EXPECT_TRUE(d.detector->FindFrame(3 * kPalFrame, record));
    EXPECT_EQ(record.Frame, 3u);
    // Frames 0 and 1 are gone: older times find nothing, or the oldest kept, frame 2.
    EXPECT_FALSE(d.detector->FindFrame(2 * kPalFrame - 1, record));
    ASSERT_TRUE(d.detector->FindFrame(2 * kPalFrame - 1, record, &saved, Lookup::OrOldest));
    EXPECT_EQ(record.Frame, 2u);
    EXPECT_EQ(saved.Start, 2 * kPalFrame);
    EXPECT_EQ(record.RecDate, rtl::EncodeDateTime(2006, 12, 31, 23, 0, 2, 0));
    d.Stop();
    EXPECT_FALSE(d.detector->FindFrame(6 * kPalFrame, record, nullptr, Lookup::OrOldest)) << "a new run starts empty";
}

// The viewer's records are keyed by stream position (segment start + start time, as the video
// renderer keys its pictures), reach the last 64 frames, and a flush empties them: after a seek
// the old place's frames are never the answer.
TEST(SceneDetection, TheViewersRecordsAreKeyedByStreamPositionAndEmptiedByAFlush)
{
    constexpr int kKept = Tdv_sceneDetect::kViewerRecords;
    Detecting d;
    DVFrameInfo record;
    d.Run();
    ds::InputPin* in = d.detector->Input();
    for (int i = 0; i < kKept + 6; ++i)
        d.Push(Pal(i).build());
    ASSERT_TRUE(d.detector->FindViewerFrame(10 * kPalFrame + 5, record));
    EXPECT_EQ(record.Frame, 10u);
    EXPECT_EQ(record.RecDate, rtl::EncodeDateTime(2006, 12, 31, 23, 0, 10, 0));
    EXPECT_FALSE(d.detector->FindViewerFrame(6 * kPalFrame - 1, record)) << "frames 0 to 5 are gone";
    ASSERT_TRUE(d.detector->FindViewerFrame(1000 * kPalFrame, record));
    EXPECT_EQ(record.Frame, static_cast<uint32_t>(kKept + 5)) << "the newest";

    // A seek to 40 s: flushed, then times from zero in a segment that starts there.
    const REFERENCE_TIME segment = 400000000;
    ASSERT_EQ(in->BeginFlush(), S_OK);
    EXPECT_FALSE(d.detector->FindViewerFrame(1000 * kPalFrame, record)) << "emptied";
    ASSERT_EQ(in->EndFlush(), S_OK);
    ASSERT_EQ(in->NewSegment(segment, segment + 100 * kPalFrame, 1.0), S_OK);
    d.next = 0;
    for (int i = 0; i < 3; ++i)
        d.Push(Pal(100 + i).build());
    EXPECT_FALSE(d.detector->FindViewerFrame(5 * kPalFrame, record)) << "a time of the segment is no position";
    ASSERT_TRUE(d.detector->FindViewerFrame(segment + kPalFrame, record));
    EXPECT_EQ(record.RecDate, rtl::EncodeDateTime(2006, 12, 31, 23, 1, 41, 0));
    d.Stop();
}

// Readers poll the published records while another thread stops the detector in the middle of
// the stream, outside the graph: the end calls wait for the frame under way, come once, and
// nothing follows them. (Run under ThreadSanitizer too.)
TEST(SceneDetection, ReadersAndAStopFromOtherThreadsMeetNoFrameHalfDone)
{
    Detecting d;
    std::atomic<bool> ended{false}, afterEnd{false};
    std::atomic<int> ends{0};
    d.detector->SetOnEnd([&] {
        ++ends;
        ended = true;
    });
    d.detector->SetOnDatecodeText([&](const DVFrameInfo&, const std::string&, const std::string&) {
        if (ended)
            afterEnd = true;
    });
    d.detector->SetAutoIncrust(0);
    d.Run();
    std::atomic<bool> done{false};
    std::atomic<int> frames{0};
    std::thread reader([&] {
        while (!done) {
            const DVFrameInfo prev = d.detector->PreviousInfo(), cur = d.detector->CurrentInfo();
            DVFrameInfo found;
            d.detector->FindFrame(cur.Frame * kPalFrame, found);
            EXPECT_TRUE(cur.DateValid == 0 || cur.RecDate >= rtl::EncodeDate(2006, 12, 31));
            EXPECT_TRUE(prev.Frame <= cur.Frame);
        }
    });
    std::thread pusher([&] {
        for (int i = 0; i < 2000; ++i) {
            const auto f = Pal(i % 50).build();
            if (d.chain.pusher->Push(f, i * kPalFrame, (i + 1) * kPalFrame) != S_OK)
                break;
            ++frames;
        }
    });
    while (frames < 20)
        std::this_thread::yield();
    EXPECT_EQ(d.detector->Stop(), S_OK);
    pusher.join();
    done = true;
    reader.join();
    d.Stop();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(afterEnd);
}

} // namespace
