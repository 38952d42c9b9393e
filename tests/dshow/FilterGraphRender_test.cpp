// Intelligent connect (Render, RenderStream), Reconnect, the filter registry, and the graph and
// filter components.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/dshow/GraphComponents.h"
#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

const MediaType kDvVideo(MEDIATYPE_Video, MEDIASUBTYPE_dvsd), kRgbVideo(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);

// A private registry holding a dvsd -> RGB24 decoder, counting what is made from it.
struct Fixture {
    FilterRegistry registry;
    FilterGraph graph;
    std::shared_ptr<TestSource> source = std::make_shared<TestSource>();
    int decodersMade = 0;
    int renderersMade = 0;

    Fixture()
    {
        graph.SetRegistry(&registry);
        graph.AddFilter(source, "source");
        registry.Register(FilterEntry{"Test Decoder", CLSID_LegacyAmFilterCategory, Guid{}, MERIT_NORMAL,
                                      [this] {
                                          ++decodersMade;
                                          return std::make_shared<Converter>(
                                              kDvVideo, VideoType(MEDIASUBTYPE_RGB24, 400000, 720 * 576 * 3),
                                              "Test Decoder");
                                      },
                                      [](const MediaType& mt) { return mt.subtype == MEDIASUBTYPE_dvsd; }});
    }
    void AddRgbRendererToRegistry()
    {
        registry.Register(FilterEntry{"Test Renderer", CLSID_LegacyAmFilterCategory, Guid{}, MERIT_NORMAL,
                                      [this] {
                                          ++renderersMade;
                                          return std::make_shared<TestSink>(kRgbVideo);
                                      },
                                      [](const MediaType& mt) { return mt.subtype == MEDIASUBTYPE_RGB24; }});
    }
    Pin* Out() { return source->GetPin(0); }
    std::shared_ptr<TestSink> AddSink(const MediaType& accept, const std::string& name)
    {
        auto sink = std::make_shared<TestSink>(accept);
        graph.AddFilter(sink, name);
        return sink;
    }
};

TEST(Render, PrefersARendererAlreadyInTheGraph)
{
    Fixture f;
    f.AddRgbRendererToRegistry();
    auto sink = f.AddSink(kDvVideo, "sink");
    ASSERT_EQ(f.graph.Render(f.Out()), S_OK);
    EXPECT_EQ(f.Out()->ConnectedTo(), sink->GetPin(0));
    EXPECT_EQ(f.decodersMade + f.renderersMade, 0);
    EXPECT_EQ(f.graph.Render(f.Out()), VFW_E_ALREADY_CONNECTED);
}

TEST(Render, InsertsRegistryFiltersUpToARendererInTheGraphAndThePathRuns)
{
    Fixture f;
    auto sink = f.AddSink(kRgbVideo, "video window");
    ASSERT_EQ(f.graph.Render(f.Out()), S_OK);
    ASSERT_EQ(f.graph.Filters().size(), 3u);
    BaseFilter& decoder = f.Out()->ConnectedTo()->Filter();
    EXPECT_EQ(decoder.Name(), "Test Decoder");
    EXPECT_EQ(decoder.GetPin(1)->ConnectedTo(), sink->GetPin(0));
    f.graph.SetSyncSource(nullptr);
    f.graph.Run();
    EXPECT_EQ(f.graph.WaitForCompletion(5000), EC_COMPLETE);
    f.graph.Stop();
    EXPECT_EQ(sink->SeenSamples().size(), 10u);
}

TEST(Render, RollsBackWhatItAddedWhenNoRendererIsReached)
{
    Fixture f;
    EXPECT_EQ(f.graph.Render(f.Out()), VFW_E_CANNOT_RENDER);
    EXPECT_EQ(f.decodersMade, 1); // tried, then taken out again
    EXPECT_EQ(f.graph.Filters().size(), 1u);
    EXPECT_FALSE(f.Out()->IsConnected());
}

TEST(Render, ReachesARegistryRendererAndNeverPicksDoNotUseEntries)
{
    Fixture f;
    f.registry.Register(FilterEntry{"Catch All", CLSID_LegacyAmFilterCategory, Guid{}, MERIT_DO_NOT_USE,
                                    [] { return std::make_shared<TestSink>(); },
                                    [](const MediaType&) { return true; }});
    f.AddRgbRendererToRegistry();
    ASSERT_EQ(f.graph.Render(f.Out()), S_OK);
    EXPECT_EQ(f.renderersMade, 1);
    EXPECT_EQ(f.graph.FindFilterByName("Catch All"), nullptr);
}

TEST(RenderStream, InsertsAConverterBetweenTheSourceAndTheSink)
{
    Fixture f;
    auto other = f.AddSink(MediaType(), "other"); // would take anything, but is not the sink asked for
    auto sink = f.AddSink(kRgbVideo, "encoder");
    ASSERT_EQ(f.graph.RenderStream(nullptr, nullptr, f.Out(), nullptr, sink.get()), S_OK);
    EXPECT_EQ(f.Out()->ConnectedTo()->Filter().Name(), "Test Decoder");
    EXPECT_TRUE(sink->GetPin(0)->IsConnected());
    EXPECT_FALSE(other->GetPin(0)->IsConnected());
}

TEST(RenderStream, GoesThroughTheIntermediateFilter)
{
    Fixture f;
    auto acm = std::make_shared<PassThrough>("acm2");
    f.graph.AddFilter(acm, "acm2");
    auto sink = f.AddSink(kRgbVideo, "muxer");
    ASSERT_EQ(f.graph.RenderStream(nullptr, nullptr, f.Out(), acm.get(), sink.get()), S_OK);
    EXPECT_EQ(acm->GetPin(0)->ConnectedTo(), f.Out());
    EXPECT_EQ(acm->GetPin(1)->ConnectedTo()->Filter().Name(), "Test Decoder");
}

TEST(RenderStream, FailsOnTheWrongMajorTypeOrAConnectedPinAndLeavesNoTrace)
{
    Fixture f;
    auto sink = f.AddSink(MediaType(MEDIATYPE_Audio, GUID_NULL), "mux");
    EXPECT_EQ(f.graph.RenderStream(nullptr, &MEDIATYPE_Audio, f.Out(), nullptr, sink.get()), VFW_E_CANNOT_CONNECT);
    EXPECT_NE(f.graph.RenderStream(nullptr, nullptr, f.Out(), nullptr, sink.get()), S_OK);
    EXPECT_EQ(f.graph.Filters().size(), 2u);
    EXPECT_FALSE(f.Out()->IsConnected());
    auto video = f.AddSink(MediaType(), "video");
    f.graph.ConnectDirect(f.Out(), video->GetPin(0));
    EXPECT_EQ(f.graph.RenderStream(nullptr, nullptr, f.Out(), nullptr, video.get()), VFW_E_ALREADY_CONNECTED);
}

TEST(Reconnect, MakesTheSameConnectionAgain)
{
    Fixture f;
    auto pass = std::make_shared<PassThrough>();
    f.graph.AddFilter(pass, "pass");
    auto sink = f.AddSink(MediaType(), "sink");
    f.graph.ConnectDirect(f.Out(), pass->GetPin(0));
    f.graph.ConnectDirect(pass->GetPin(1), sink->GetPin(0));
    ASSERT_EQ(f.graph.Reconnect(sink->GetPin(0)), S_OK);
    EXPECT_EQ(pass->GetPin(1)->ConnectedTo(), sink->GetPin(0));
    EXPECT_EQ(sink->GetPin(0)->CurrentMediaType(), VideoType());
    f.graph.Disconnect(sink->GetPin(0));
    EXPECT_EQ(f.graph.Reconnect(sink->GetPin(0)), VFW_E_NOT_CONNECTED);
}

// Entries of the process-wide registry that the component tests select by name.
FilterEntryPtr ComponentEntry(const std::string& name)
{
    FilterRegistry& r = FilterRegistry::Instance();
    if (!r.Find(name))
        r.Register(FilterEntry{name, CLSID_LegacyAmFilterCategory, Guid{}, MERIT_DO_NOT_USE,
                               [name] { return std::make_shared<PassThrough>(name); }, nullptr});
    return r.Find(name);
}

TEST(Components, AFilterComponentPutsAFreshInstanceIntoEachNewGraph)
{
    GraphComponent fg;
    FilterComponent nullrender;
    ComponentEntry("Test Pass");
    ASSERT_TRUE(SelectDeviceByName("Test Pass", nullrender));
    EXPECT_FALSE(SelectDeviceByName("Nothing Like It", nullrender));
    EXPECT_EQ(nullrender.Entry()->friendlyName, "Test Pass"); // unchanged by the miss
    fg.Activate();
    ASSERT_EQ(nullrender.SetFilterGraph(&fg), S_OK);
    std::shared_ptr<BaseFilter> first = nullrender.Filter();
    ASSERT_TRUE(first);
    EXPECT_TRUE(fg.Graph()->Contains(first.get()));
    fg.Deactivate();
    EXPECT_FALSE(nullrender.Filter());
    fg.Activate();
    ASSERT_TRUE(nullrender.Filter());
    EXPECT_NE(nullrender.Filter(), first);
    nullrender.SetFilterGraph(nullptr);
    EXPECT_TRUE(fg.Graph()->Filters().empty());
}

TEST(Components, ClearingKeepsTheFiltersComponentsHold)
{
    GraphComponent fg;
    fg.Activate();
    FilterComponent tee(ComponentEntry("Test Pass"));
    tee.SetFilterGraph(&fg);
    auto own = std::make_shared<PassThrough>("scene detector");
    auto source = std::make_shared<TestSource>();
    fg.Graph()->AddFilter(own, "scenedetect");
    fg.Graph()->AddFilter(source, "source");
    ASSERT_EQ(fg.Graph()->ConnectDirect(source->GetPin(0), own->GetPin(0)), S_OK);
    ASSERT_EQ(fg.Graph()->ConnectDirect(own->GetPin(1), tee.GetPin(0)), S_OK);
    fg.ClearGraph();
    ASSERT_EQ(fg.Graph()->Filters().size(), 1u);
    EXPECT_EQ(fg.Graph()->Filters().front(), tee.Filter());
    EXPECT_FALSE(tee.GetPin(0)->IsConnected());
    EXPECT_EQ(own->Graph(), nullptr);
}

TEST(Components, SelectingAnotherCategoryDetachesFromTheGraphFirst)
{
    GraphComponent fg;
    fg.Activate();
    FilterComponent enc(ComponentEntry("Test Pass"));
    enc.SetFilterGraph(&fg);
    EXPECT_FALSE(SelectCategoryDevice(CLSID_VideoCompressorCategory, "DV Video Encoder?", enc));
    EXPECT_FALSE(enc.Filter());
    EXPECT_TRUE(fg.Graph()->Filters().empty());
}

TEST(Components, TheGraphComponentDeliversPausedAndCompleteOnTheGuiThread)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    GraphComponent fg;
    fg.Activate();
    auto source = std::make_shared<TestSource>(VideoType(), 5);
    auto sink = std::make_shared<TestSink>();
    fg.Graph()->AddFilter(source, "source");
    fg.Graph()->AddFilter(sink, "sink");
    ASSERT_EQ(fg.Graph()->ConnectDirect(source->GetPin(0), sink->GetPin(0)), S_OK);
    fg.Graph()->SetSyncSource(nullptr);
    QThread* gui = QThread::currentThread();
    std::vector<std::string> seen;
    bool offGui = false;
    fg.SetOnGraphPaused([&] {
        offGui |= QThread::currentThread() != gui;
        seen.push_back("paused");
    });
    fg.SetOnGraphComplete([&] {
        offGui |= QThread::currentThread() != gui;
        seen.push_back("complete");
    });
    auto pumpUntil = [&](size_t n) {
        QElapsedTimer timer;
        timer.start();
        while (seen.size() < n && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return seen.size() >= n;
    };
    fg.Pause();
    ASSERT_TRUE(pumpUntil(1));
    EXPECT_EQ(fg.State(5000), FilterState::Paused);
    fg.Run();
    ASSERT_TRUE(pumpUntil(2));
    EXPECT_EQ(seen, (std::vector<std::string>{"paused", "complete"}));
    EXPECT_FALSE(offGui);
    fg.Stop();
    fg.Deactivate(); // a notification queued before the graph goes is dropped quietly
    QCoreApplication::processEvents();
}

// The probe's graph pauses at every stream of every listed file and nobody listens to it: its
// events must not wake the GUI thread. Once a handler is set, they do.
TEST(Components, EventsNoHandlerTakesAreNotSentToTheGuiThread)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    struct Counter : QObject {
        bool eventFilter(QObject*, QEvent* e) override
        {
            calls += e->type() == QEvent::User;
            return false;
        }
        int calls = 0;
    } counter;
    app.installEventFilter(&counter);
    auto runToCompletion = [](GraphComponent& fg) {
        fg.Activate();
        auto source = std::make_shared<TestSource>(VideoType(), 3);
        auto sink = std::make_shared<TestSink>();
        fg.Graph()->AddFilter(source, "source");
        fg.Graph()->AddFilter(sink, "sink");
        fg.Graph()->ConnectDirect(source->GetPin(0), sink->GetPin(0));
        fg.Graph()->SetSyncSource(nullptr);
        fg.Pause();
        EXPECT_EQ(fg.State(5000), FilterState::Paused);
        fg.Run();
        EXPECT_EQ(fg.Graph()->Events().WaitForCompletion(5000), EC_COMPLETE);
        fg.Stop();
        QCoreApplication::processEvents();
    };
    GraphComponent quiet;
    runToCompletion(quiet);
    EXPECT_EQ(counter.calls, 0);

    GraphComponent heard;
    int completed = 0;
    heard.SetOnGraphComplete([&] { ++completed; });
    runToCompletion(heard);
    EXPECT_GE(counter.calls, 1);
    EXPECT_EQ(completed, 1);
    app.removeEventFilter(&counter);
}

TEST(Components, VolumeReachesTheAudioRenderersOnTheLinearScale)
{
    struct Speaker : TestSink, AudioVolume {
        void SetLinearVolume(int v) override { volume = v; }
        int volume = -1;
    };
    GraphComponent fg;
    EXPECT_EQ(fg.Run(), E_UNEXPECTED); // inactive: no graph to run
    fg.Activate();
    auto speaker = std::make_shared<Speaker>();
    fg.Graph()->AddFilter(speaker, "speaker");
    fg.SetLinearVolume(12000);
    EXPECT_EQ(speaker->volume, 10000);
    fg.SetLinearVolume(-3);
    EXPECT_EQ(speaker->volume, 0);
    fg.SetLinearVolume(2500);
    EXPECT_EQ(speaker->volume, 2500);
}

} // namespace
