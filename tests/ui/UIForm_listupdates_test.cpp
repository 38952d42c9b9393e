// How the list follows a batch: a renamed or changed file's entry takes the object the batch's
// worker analysed (the window analyses nothing itself), an entry gone meanwhile is left alone, a
// deleted current entry hands the current place to the entry before it, a list emptied mid-batch
// still gets the outputs, and a source removed or damaged before its turn gets its box while the
// others run.
#include <gtest/gtest.h>

#include "platform/vcl/Gauge.h"
#include "tests/kit/FileFault.h"
#include "tests/ui/BatchWindowKit.h"

using namespace uitest;
using actions::FileOutcome;
using actions::TAfficherFichier;
using shell::ModalResult;
using V = std::vector<std::string>;

namespace {

class UIFormListUpdates : public ::testing::Test {
protected:
    ui::TUIForm& OpenOn(const V& files) { return OpenSelected(m, files, 1); }
    std::shared_ptr<const TAfficherFichier> Entry(const std::string& name)
    {
        const int index = m.window->FindListItem(m.Tape(name));
        return index >= 0 ? m.window->KeyList[index].Fichier : nullptr;
    }
    static FileOutcome Outcome(actions::TchUpdateType update, std::string newFichier = {},
                               std::shared_ptr<const TAfficherFichier> fichier = nullptr)
    {
        FileOutcome o;
        o.Update = update;
        o.NewFichier = std::move(newFichier);
        o.Fichier = std::move(fichier);
        return o;
    }

    MainWindow m;
};

} // namespace

TEST_F(UIFormListUpdates, TheEntryTakesTheBatchsNewObjectAndAnEntryGoneMeanwhileIsLeftAlone)
{
    ui::TUIForm& w = OpenOn({DatedDv(m.Tape("a.avi"), 2005), DatedDv(m.Tape("b.avi"), 2006),
                             DatedDv(m.Tape("c.avi"), 2007), DatedDv(m.Tape("d.avi"), 2008)});
    // A rename: the entry moves to its sorted place with the object it was given.
    fs::rename(m.Tape("a.avi"), m.Tape("z.avi"));
    const auto renamed = std::make_shared<const TAfficherFichier>(m.Tape("z.avi"));
    w.ApplyUpdate(*Entry("a.avi"), Outcome(actions::utRename, m.Tape("z.avi"), renamed));
    EXPECT_EQ(m.Names(), (V{"b.avi", "c.avi", "d.avi", "z.avi"}));
    EXPECT_EQ(Entry("z.avi"), renamed);
    // A change: the same.
    const auto changed = std::make_shared<const TAfficherFichier>(m.Tape("b.avi"));
    w.ApplyUpdate(*Entry("b.avi"), Outcome(actions::utModify, {}, changed));
    EXPECT_EQ(Entry("b.avi"), changed);
    // A change to a file that is gone: the entry goes.
    fs::remove(m.Tape("c.avi"));
    w.ApplyUpdate(*Entry("c.avi"), Outcome(actions::utModify));
    EXPECT_EQ(m.Names(), (V{"b.avi", "d.avi", "z.avi"}));
    // A file whose entry is gone: nothing happens to the others.
    const TAfficherFichier gone(m.Tape("c.avi"));
    w.ApplyUpdate(gone, Outcome(actions::utDelete));
    w.ApplyUpdate(gone, Outcome(actions::utRename, m.Tape("z.avi"), renamed));
    w.ApplyUpdate(gone, Outcome(actions::utModify, {}, changed));
    EXPECT_EQ(m.Names(), (V{"b.avi", "d.avi", "z.avi"}));
    w.ApplyUpdate(*Entry("d.avi"), Outcome(actions::utDelete));
    EXPECT_EQ(m.Names(), (V{"b.avi", "z.avi"}));
}

TEST_F(UIFormListUpdates, DeletingTheCurrentEntryMakesTheOneBeforeItCurrent)
{
    ui::TUIForm& w =
        OpenOn({DatedDv(m.Tape("a.avi"), 2005), DatedDv(m.Tape("b.avi"), 2006), DatedDv(m.Tape("c.avi"), 2007)});
    // The current entry alone selected, deleted with its key.
    auto deleteCurrent = [&](const std::string& name) {
        w.lb->clearSelection();
        w.SetItemIndex(w.FindListItem(m.Tape(name)));
        w.ShowCurrentFile();
        ASSERT_EQ(m.CurrentName(), name);
        ASSERT_EQ(m.SelectedNames(), V{name});
        m.dialogs.messages = shell::ScriptedPrompter({ModalResult::mrYes});
        QTest::keyClick(&w, Qt::Key_Delete, Qt::ShiftModifier);
        ASSERT_TRUE(BatchesEnded(m));
        ASSERT_EQ(m.dialogs.messages.shown().size(), 1u); // its question
    };
    deleteCurrent("b.avi");
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "c.avi"}));
    EXPECT_EQ(m.Names(), (V{"a.avi", "c.avi"}));
    EXPECT_EQ(w.ItemIndex(), 0);
    EXPECT_EQ(m.CurrentName(), "a.avi");
    // The first entry has none before it: the one after it takes its place.
    deleteCurrent("a.avi");
    EXPECT_EQ(m.Names(), V{"c.avi"});
    EXPECT_EQ(w.ItemIndex(), 0);
    EXPECT_EQ(m.CurrentName(), "c.avi");
}

TEST_F(UIFormListUpdates, AListEmptiedMidBatchStillGetsTheOutputs)
{
    ui::TUIForm& w = OpenOn(
        {DatedDv(m.Tape("a.avi"), 2005, 6, 1, 12, 100, true), DatedDv(m.Tape("b.avi"), 2006, 6, 1, 12, 100, true)});
    testkit::SlowWrites slow(40);
    QTest::keyClick(&w, Qt::Key_2, Qt::ControlModifier | Qt::KeypadModifier);
    ASSERT_TRUE(PumpUntil([&] { return w.BaseFrame->Gauge1->isVisible(); }, 60000));
    w.afViderListeExecute();
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "a_type2.avi", "b.avi", "b_type2.avi"}));
    EXPECT_EQ(m.Names(), (V{"a_type2.avi", "b_type2.avi"}));
    EXPECT_EQ(mediatest::ProbedFrames(m.Tape("b_type2.avi")), 100);
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
}

TEST_F(UIFormListUpdates, ASourceRemovedOrDamagedBeforeItsTurnGetsItsBoxAndTheOthersRun)
{
    ui::TUIForm& w = OpenOn({DatedDv(m.Tape("a.avi"), 2005), DatedDv(m.Tape("b.avi"), 2006)});
    fs::remove(m.Tape("b.avi"));
    m.dialogs.messages = shell::ScriptedPrompter({ModalResult::mrYesToAll});
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    const auto& shown = m.dialogs.messages.shown();
    ASSERT_EQ(shown.size(), 2u); // the question, then b's failure with its reason
    EXPECT_EQ(shown[1].type, shell::MsgDlgType::mtError);
    EXPECT_NE(shown[1].text.find("b.avi"), std::string::npos) << shown[1].text;
    const V tapes = FolderNames(m.dir.file("tapes"));
    ASSERT_EQ(tapes.size(), 1u);
    EXPECT_EQ(tapes[0].rfind("a_2005.", 0), 0u);

    // A type-1 file cut short and one whole: the cut one fails or converts what it holds; the
    // other converts, and no temporary file is left.
    const std::string cut = DatedDv(m.Tape("cut.avi"), 2007, 6, 1, 12, 25, true);
    const std::string whole = DatedDv(m.Tape("whole.avi"), 2008, 6, 1, 12, 25, true);
    w.LoadFiles({cut, whole}, "");
    ASSERT_TRUE(m.Loaded());
    fs::resize_file(cut, fs::file_size(cut) / 3);
    w.lb->clearSelection();
    w.lb->item(w.FindListItem(cut))->setSelected(true);
    w.lb->item(w.FindListItem(whole))->setSelected(true);
    w.UpdateActions();
    QTest::keyClick(&w, Qt::Key_2, Qt::ControlModifier | Qt::KeypadModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(mediatest::ProbedFrames(m.Tape("whole_type2.avi")), 25);
    for (const std::string& name : FolderNames(m.dir.file("tapes")))
        EXPECT_TRUE(name.ends_with(".avi")) << name; // nothing half-written under another name
}
