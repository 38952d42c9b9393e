// The window running file commands as batches: a conversion from the menu lists its output,
// a burn-in shows its progress, Esc cancels it without a trace, Shift+Esc lets the running file
// finish and starts no other, and closing the window during a batch waits for it and drops what
// it was writing.
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/rtl/Format.h"
#include "platform/vcl/Gauge.h"
#include "tests/kit/FileFault.h"
#include "tests/ui/BatchWindowKit.h"
#include "ui/OptionsFrame.h"

using namespace uitest;
using V = std::vector<std::string>;

namespace {

class UIFormBatches : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffprobe is missing";
    }
    std::string Ready() const { return rtl::LoadStr(rtl::sid::sMainReady); }
    // The window on these files, listed and all selected.
    ui::TUIForm& OpenOn(const V& files) { return OpenSelected(m, files); }
    // The modification time in nanoseconds.
    static int64_t MTime(const std::string& path)
    {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    }
    // The number of threads of this process.
    static size_t Threads()
    {
        size_t n = 0;
        for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task"))
            ++n;
        return n;
    }

    MainWindow m;
};

} // namespace

TEST_F(UIFormBatches, AConversionFromTheMenuListsItsOutputAndLeavesTheSourceAsItWas)
{
    const std::string source = DatedDv(m.Tape("x.avi"), 2006, 6, 1, 12, 10, /*type1=*/true);
    const std::string bytes = testkit::ReadFileBytes(source);
    ui::TUIForm& w = OpenOn({source});
    const auto before = w.CurrentFichier();

    QMenuBar* bar = w.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(w.Convertir1->menuAction()).center());
    ASSERT_TRUE(PumpUntil([&] { return w.Convertir1->isVisible(); }, 5000));
    ASSERT_TRUE(w.amDVType2->isVisible() && w.amDVType2->isEnabled());
    QTest::mouseClick(w.Convertir1, Qt::LeftButton, {}, w.Convertir1->actionGeometry(w.amDVType2).center());
    ASSERT_TRUE(BatchesEnded(m));

    const std::string output = m.Tape("x_type2.avi");
    EXPECT_EQ(ProbedStreams(output), "video,audio");
    EXPECT_EQ(mediatest::ProbedFrames(output), 10);
    EXPECT_EQ(m.Names(), (V{"x.avi", "x_type2.avi"}));
    EXPECT_EQ(w.KeyList[w.FindListItem(source)].Fichier, before); // the source's entry untouched
    EXPECT_EQ(testkit::ReadFileBytes(source), bytes);
    EXPECT_EQ(w.StatusText(), Ready());
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
}

TEST_F(UIFormBatches, ABurnInShowsItsProgressAndEscLeavesNoTrace)
{
    const std::string source = DatedDv(m.Tape("long.avi"), 2006, 6, 1, 12, 500); // 20 seconds
    const std::string bytes = testkit::ReadFileBytes(source);
    const int64_t mtime = MTime(source);
    ui::TUIForm& w = OpenOn({source});
    const std::string progress = rtl::Format(m.ch.Action("IncrusterDatecode").MonoMessage, "long.avi");

    testkit::SlowWrites slow(40); // about 3 seconds for the clip
    QTest::keyClick(&w, Qt::Key_I, Qt::ControlModifier);
    std::vector<int> seen;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const int value = w.BaseFrame->Gauge1->Progress();
            if (w.BaseFrame->Gauge1->isVisible() && (seen.empty() || value > seen.back()))
                seen.push_back(value);
            return seen.size() >= 3;
        },
        120000));
    EXPECT_EQ(seen.front(), 0);
    EXPECT_FALSE(w.BaseFrame->tb->isVisible());
    EXPECT_EQ(w.StatusText(), progress);
    EXPECT_FALSE(w.lb->isEnabled());
    EXPECT_FALSE(w.amIncrusterDatecode->isEnabled());
    EXPECT_FALSE(w.afSelectionnerTout->isEnabled());

    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), V{"long.avi"}); // no output, no temporary file
    EXPECT_EQ(m.Names(), V{"long.avi"});
    EXPECT_EQ(testkit::ReadFileBytes(source), bytes);
    EXPECT_EQ(MTime(source), mtime);
    EXPECT_TRUE(w.lb->isEnabled());
    EXPECT_FALSE(w.BaseFrame->Gauge1->isVisible());
    EXPECT_EQ(w.StatusText(), Ready());
    w.afSelectionnerToutExecute();
    EXPECT_TRUE(w.amIncrusterDatecode->isEnabled());
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
}

TEST_F(UIFormBatches, ShiftEscLetsTheRunningBurnInFinishAndStartsNoOther)
{
    const std::string a = DatedDv(m.Tape("a.avi"), 2005, 6, 1, 12, 100);
    const std::string b = DatedDv(m.Tape("b.avi"), 2006, 6, 1, 12, 100);
    ui::TUIForm& w = OpenOn({a, b});
    testkit::SlowWrites slow(40);
    QTest::keyClick(&w, Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return w.BaseFrame->Gauge1->isVisible(); }, 60000));
    QTest::keyClick(&w, Qt::Key_Escape, Qt::ShiftModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "a_in.avi", "b.avi"}));
    EXPECT_EQ(mediatest::ProbedFrames(m.Tape("a_in.avi")), 100);
    EXPECT_EQ(m.Names(), (V{"a.avi", "a_in.avi", "b.avi"}));
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
}

TEST_F(UIFormBatches, ClosingDuringABatchWaitsForItDropsItsOutputAndSavesTheSettings)
{
    const std::string a = DatedDv(m.Tape("a.avi"), 2005, 6, 1, 12, 250);
    const std::string b = DatedDv(m.Tape("b.avi"), 2006, 6, 1, 12, 250);
    ui::TUIForm& w = OpenOn({a, b});
    w.SortList(2); // by size: a setting saved at exit
    w.afSelectionnerToutExecute();
    testkit::SlowWrites slow(40);
    QTest::keyClick(&w, Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return w.BaseFrame->Gauge1->Progress() > 0; }, 60000));
    w.close();
    // Nothing is left running: no file, no thread ends or appears afterwards.
    EXPECT_TRUE(w.Closing());
    EXPECT_FALSE(w.BatchesRunning());
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "b.avi"}));
    const size_t threads = Threads();
    Pump(500);
    EXPECT_EQ(Threads(), threads);
    m.window.reset();
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "b.avi"}));
    settings::OrdreDeLaListe = 0;
    settings::LoadPreferences({});
    EXPECT_EQ(settings::OrdreDeLaListe, 2);
}
