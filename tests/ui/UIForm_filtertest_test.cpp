// The about page's filter test: each time its tab shows, the report lists the filters that are
// missing in red and each group's summary in black when the whole group is there; it only looks
// the filters up, so a playback and a conversion running while it shows go on to their end.
#include <QTabWidget>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "actions/cmd_unit.h"
#include "platform/dshow/FilterRegistry.h"
#include "tests/ui/MainWindowKit.h"
#include "ui/AproposFrame.h"

using namespace uitest;
using ui::TUIForm;

namespace {

struct Line {
    std::string text;
    bool red = false;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line)
{
    return out << (line.red ? "red " : "") << '"' << line.text << '"';
}

constexpr const char* kTitle = "Test of Directshow filters";
constexpr const char* kAllViewing = "所有视频滤镜可用";
constexpr const char* kAllProbe = "所有列表滤镜可用";
constexpr const char* kNoEncoder = "无法找到 DV 视频编码器";
constexpr const char* kAllConversion = "所有转换滤镜可用";

// A filter taken out of the registry while this lives.
class Unregistered {
public:
    explicit Unregistered(const std::string& name, const ds::Guid& category = ds::CLSID_LegacyAmFilterCategory)
        : entry_(ds::FilterRegistry::Instance().Find(name, category))
    {
        EXPECT_TRUE(entry_) << name;
        ds::FilterRegistry::Instance().Unregister(name, category);
    }
    ~Unregistered()
    {
        if (entry_)
            ds::FilterRegistry::Instance().Register(*entry_);
    }

private:
    ds::FilterEntryPtr entry_;
};

class FilterTest : public ::testing::Test {
protected:
    // The about page on its test tab, shown anew.
    void ShowTestTab()
    {
        TUIForm& w = *m.window;
        ui::TAproposFrame& about = *w.AproposFrame;
        about.PageControl2->setCurrentWidget(about.tsSysteme);
        if (!about.Shown()) {
            w.afApropos->setChecked(true);
            w.aeAProposToggle();
        }
        about.PageControl2->setCurrentWidget(about.tsTest);
    }
    std::vector<Line> Report() const
    {
        std::vector<Line> lines;
        const QTextDocument& doc = *m.window->AproposFrame->reTest->document();
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            lines.push_back({b.text().toStdString(), b.charFormat().foreground().color() == QColor(Qt::red)});
        return lines;
    }

    MainWindow m;
};

} // namespace

TEST_F(FilterTest, EveryFilterThereGivesTheThreeSummariesInBlack)
{
    m.Open();
    ShowTestTab();
    EXPECT_EQ(Report(), (std::vector<Line>{{""}, {kTitle}, {kAllViewing}, {kAllProbe}, {kAllConversion}}));
    const QTextBlock title = m.window->AproposFrame->reTest->document()->begin().next();
    EXPECT_EQ(title.charFormat().fontWeight(), QFont::Bold);
    EXPECT_TRUE(title.charFormat().fontItalic());
}

TEST_F(FilterTest, AMissingFilterIsTheOnlyRedLineAndCostsItsGroupsSummary)
{
    m.Open();
    {
        const Unregistered splitter("DV Splitter");
        ShowTestTab();
        EXPECT_EQ(Report(),
                  (std::vector<Line>{{""}, {kTitle}, {"DV Splitter is missing", true}, {kAllProbe}, {kAllConversion}}));
    }
    {
        const Unregistered encoder("DV Video Encoder", ds::CLSID_VideoCompressorCategory);
        ShowTestTab(); // each time the tab shows
        EXPECT_EQ(Report(), (std::vector<Line>{{""}, {kTitle}, {kAllViewing}, {kAllProbe}, {kNoEncoder, true}}));
    }
    {
        const Unregistered sourceFilter("File Source (Async.)");
        const Unregistered writer("File writer");
        const Unregistered nullRenderer("Null Renderer");
        ShowTestTab();
        EXPECT_EQ(Report(), (std::vector<Line>{{""},
                                               {kTitle},
                                               {"File Source (Async.) is missing", true},
                                               {"Null Renderer is missing", true},
                                               {"File writer is missing", true}}));
    }
    // The registry as it was.
    ShowTestTab();
    EXPECT_EQ(Report().size(), 5u);
    for (const char* name : {"DV Splitter", "File Source (Async.)", "File writer", "Null Renderer"})
        EXPECT_TRUE(ds::FilterRegistry::Instance().Find(name)) << name;
    EXPECT_TRUE(ds::FilterRegistry::Instance().Find("DV Video Encoder", ds::CLSID_VideoCompressorCategory));
}

TEST_F(FilterTest, EveryFilterMissingIsReportedOneByOne)
{
    m.Open();
    std::vector<std::unique_ptr<Unregistered>> gone;
    const char* names[] = {
        "File Source (Async.)",   "AVI Splitter", "Color Space Converter", "DV Video Decoder", "DV Splitter",
        "Null Renderer",          "File writer",  "ACM Wrapper",           "AVI Mux",          "DV Muxer",
        "Infinite Pin Tee Filter"};
    for (const char* name : names)
        gone.push_back(std::make_unique<Unregistered>(name));
    gone.push_back(std::make_unique<Unregistered>("DV Video Encoder", ds::CLSID_VideoCompressorCategory));
    ShowTestTab();
    std::vector<Line> expected{{""}, {kTitle}};
    for (const char* name : names)
        expected.push_back({std::string(name) + " is missing", true});
    expected.push_back({kNoEncoder, true});
    EXPECT_EQ(Report(), expected);
}

namespace {

// A batch seen from the test: the tab shown once the graph runs, the output's name.
class ShowsTheTabWhileRunning : public actions::BatchObserver {
public:
    ShowsTheTabWhileRunning(shell::Prompter& prompter, std::function<void()> show)
        : prompter_(prompter), show_(std::move(show))
    {
    }
    shell::Prompter& Prompter() override { return prompter_; }
    void Progress(const actions::TBatchThread&, int percent) override
    {
        if (!shown && percent < 100) {
            show_();
            shown = true;
        }
    }
    void FileDone(const actions::TBatchThread&, const actions::TAfficherFichier&,
                  const actions::FileOutcome& outcome) override
    {
        output = outcome.NewFichier;
    }
    bool shown = false;
    std::string output;

private:
    shell::Prompter& prompter_;
    std::function<void()> show_;
};

} // namespace

TEST_F(FilterTest, APlaybackAndAConversionGoOnWhileTheTabShows)
{
    const std::string played = DatedDv(m.Tape("played.avi"), 2005, 6, 1, 12, 100);
    const std::string converted = DatedDv(m.Tape("converted.avi"), 2006, 6, 1, 12, 50);
    TUIForm& w = m.Open();
    w.LoadFiles({played, converted}, "");
    ASSERT_TRUE(m.Loaded());
    ASSERT_EQ(m.CurrentName(), "played.avi");

    media::Tviewdm& view = media::viewdm();
    ASSERT_TRUE(view.OpenViewGraph(ui::ToViewFile(*w.CurrentFichier()), w.BaseFrame->vw->Renderer()));
    ASSERT_TRUE(PumpUntil([&] { return view.Graph().State(0) == ds::FilterState::Paused; }, 5000));
    ASSERT_TRUE(ds::SUCCEEDED(view.Graph().Run()));
    int64_t before = 0;

    // The burn-in re-encodes through the DV encoder the test would otherwise take from it.
    const TUIForm::Command* burnIn = w.FindCommand("amIncrusterDatecode");
    ASSERT_TRUE(burnIn && burnIn->FileAction);
    ShowsTheTabWhileRunning observer(m.dialogs, [&] {
        ASSERT_TRUE(view.ViewSeeking);
        view.ViewSeeking->GetCurrentPosition(before);
        ShowTestTab();
    });
    {
        actions::TcmdThread batch({w.KeyList[1].Fichier}, *burnIn->FileAction, observer, true);
        const bool ended = batch.Wait(60000);
        if (!ended)
            actions::Abort();
        ASSERT_TRUE(ended);
        EXPECT_EQ(batch.Counts().Done, 1u);
    }
    ASSERT_TRUE(observer.shown);
    EXPECT_EQ(Report().size(), 5u);
    ASSERT_FALSE(observer.output.empty());
    const actions::TAfficherFichier in(converted), out(observer.output);
    EXPECT_TRUE(out.Valid);
    EXPECT_EQ(out.VideoDuration, in.VideoDuration); // every frame written
    EXPECT_EQ(view.Graph().State(0), ds::FilterState::Running);
    int64_t now = before;
    EXPECT_TRUE(PumpUntil(
        [&] {
            view.ViewSeeking->GetCurrentPosition(now);
            return now > before;
        },
        5000));
    view.ResetViewGraph();
}
