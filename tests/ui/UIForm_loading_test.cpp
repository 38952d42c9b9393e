// Feeding the main window's list: a drop, a paste, the preferred folder and a chosen one scanned
// through their sub-folders, the command line's names; Esc in the middle of a scan and of a large
// drop; names that are no AVI files.
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include "platform/vcl/Clipboard.h"
#include "tests/ui/MainWindowKit.h"

using namespace uitest;
using V = std::vector<std::string>;

namespace {

class UIFormLoading : public ::testing::Test {
protected:
    void Drop(const V& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const std::string& p : paths)
            urls.append(QUrl::fromLocalFile(QString::fromStdString(p)));
        data.setUrls(urls);
        const QPointF at(300, 100);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m.window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m.window.get(), &drop);
    }
    V Sorted(V names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

    MainWindow m;
};

} // namespace

TEST_F(UIFormLoading, ADropListsItsAviFilesAndNothingElse)
{
    DatedDv(m.Tape("a.avi"), 2006);
    DatedDv(m.Tape("B.AVI"), 2005);
    testkit::WriteFileBytes(m.Tape("notes.txt"), "notes");
    fs::create_directories(m.Tape("folder.avi"));
    DatedDv(m.Tape("folder.avi/inside.avi"), 2004); // folders are scanned by the folder commands only
    m.Open();
    Drop({m.Tape("a.avi"), m.Tape("folder.avi"), m.Tape("notes.txt"), m.Tape("B.AVI"), m.Tape("gone.avi")});
    EXPECT_EQ(m.window->StatusText(), "打开拖曳到文件");
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.Names(), (V{"B.AVI", "a.avi"}));
    EXPECT_EQ(m.window->StatusText(), "准备就绪");
}

TEST_F(UIFormLoading, PasteTakesTheClipboardsFilesAndIsOfferedOnlyWhileItHoldsSome)
{
    DatedDv(m.Tape("a.avi"), 2006);
    DatedDv(m.Tape("b.avi"), 2005);
    vcl::SetClipboardText("not files");
    ui::TUIForm& w = m.Open();
    EXPECT_FALSE(w.afCollerFichiers->isEnabled());
    vcl::SetClipboardFiles({m.Tape("a.avi"), m.Tape("b.avi"), m.Tape("notes.txt")});
    PumpUntil([&] { return w.afCollerFichiers->isEnabled(); }, 2000);
    ASSERT_TRUE(w.afCollerFichiers->isEnabled());
    ASSERT_TRUE(m.Activate());
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.Names(), (V{"b.avi", "a.avi"}));
    vcl::SetClipboardText("text again");
    PumpUntil([&] { return !w.afCollerFichiers->isEnabled(); }, 2000);
    EXPECT_FALSE(w.afCollerFichiers->isEnabled());
}

TEST_F(UIFormLoading, ThePreferredFolderAndAChosenOneAreScannedThroughTheirSubFolders)
{
    const std::string tapes = m.dir.file("tapes");
    DatedDv(tapes + "/a.avi", 2001);
    fs::create_directories(tapes + "/2002/summer");
    DatedDv(tapes + "/2002/b.avi", 2002);
    DatedDv(tapes + "/2002/summer/c.AVI", 2003);
    testkit::WriteFileBytes(tapes + "/2002/notes.txt", "notes");
    const std::string other = m.dir.file("other");
    fs::create_directories(other + "/deep/deeper");
    DatedDv(other + "/deep/deeper/d.avi", 2004);
    m.StorePreferences([&] { settings::DossierAOuvertureAuto = tapes; });
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());

    QTest::keyClick(&w, Qt::Key_F7);
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi", "c.AVI"}));

    m.dialogs.folderAnswers.push_back(other);
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.dialogs.folderRequests.at(0).title, "打开选择包含 AVI 文件的文件夹");
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi", "c.AVI", "d.avi"}));

    // A cancelled dialog, and a preferred folder that is gone: nothing, and the loading ends.
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
    fs::remove_all(tapes);
    QTest::keyClick(&w, Qt::Key_F7);
    ASSERT_TRUE(m.Loaded(2000));
    EXPECT_EQ(m.Names().size(), 4u);
}

TEST_F(UIFormLoading, EscStopsAScanAndTheNextScanRunsWhole)
{
    const V many = Links(m.dir.file("many"), 400);
    const std::string few = m.dir.file("few");
    fs::create_directories(few);
    DatedDv(few + "/x.avi", 2001);
    DatedDv(few + "/y.avi", 2002);
    m.StorePreferences([&] { settings::DossierAOuvertureAuto = m.dir.file("many"); });
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    QTest::keyClick(&w, Qt::Key_F7);
    ASSERT_TRUE(PumpUntil([&] { return w.lb->count() >= 3; }, 20000));
    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_TRUE(m.Loaded());
    const int listed = w.lb->count();
    EXPECT_LT(listed, 400);

    m.dialogs.folderAnswers.push_back(few);
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(w.lb->count(), listed + 2);
    EXPECT_NE(w.FindListItem(few + "/y.avi"), -1);
}

TEST_F(UIFormLoading, TheCommandLinesNamesThatAreNoAviFilesAreNotListed)
{
    DatedDv(m.Tape("a.avi"), 2006);
    testkit::WriteFileBytes(m.Tape("notes.txt"), "notes");
    fs::create_directories(m.Tape("folder.avi"));
    actions::CommandLine line;
    line.Files = {m.Tape("missing.avi"), m.Tape("folder.avi"), m.Tape("notes.txt"), m.Tape("a.avi")};
    ui::TUIForm& w = m.Open(line);
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.Names(), V{"a.avi"});
    EXPECT_EQ(w.StatusText(), "准备就绪");
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
}

TEST_F(UIFormLoading, ALargeDropLeavesTheWindowRespondingAndEscEndsIt)
{
    const V names = Links(m.dir.file("drop"), 10000);
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    Drop(names);
    ASSERT_TRUE(PumpUntil([&] { return w.lb->count() >= 20; }, 30000));
    const int ticksBefore = ticks;
    Pump(300);
    EXPECT_GT(ticks, ticksBefore); // the event loop runs between the entries
    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_TRUE(m.Loaded());
    EXPECT_LT(w.lb->count(), 10000);
    EXPECT_EQ(w.StatusText(), "准备就绪");
}
