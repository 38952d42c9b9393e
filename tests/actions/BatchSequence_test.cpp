// The command line's batches one after the other on its files: a renamed file is the renamed one
// for later batches, a deleted one leaves, a conversion's output is no input, and a stop starts
// no further batch.
#include <gtest/gtest.h>

#include <filesystem>

#include "actions/BatchSequence.h"
#include "platform/rtl/SysUtils.h"
#include "platform/threads/GuiCall.h"
#include "tests/actions/BatchTestKit.h"
#include "tests/kit/TempDir.h"

using namespace actions;
using namespace actionstest;
using V = std::vector<std::string>;

namespace {

class Sequence : public testing::Test, public WithApplication {
protected:
    static void SetUpTestSuite() { MakeApplication(); }
    static void TearDownTestSuite() { DropApplication(); }

    void SetUp() override
    {
        for (const char* name : {"a.avi", "b.avi", "c.avi"})
            testkit::WriteFileBytes(dir.file(name), name);
        files = Files(dir.path().string(), {"a.avi", "b.avi", "c.avi"});
    }

    // Runs the batches in the application's loop; the sequence's end leaves it.
    void RunAll(BatchSequence& sequence)
    {
        sequence.Start([] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
        EXPECT_TRUE(sequence.Done());
    }

    SwitchBatch Batch(tFileAction& action, RunnerKind runner) { return {&action, runner, files}; }

    testkit::TempDir dir;
    TBatchThread::FileList files;
    Calls renamed, deleted, converted, seen;
};

} // namespace

TEST_F(Sequence, LaterBatchesSeeRenamesAndDeletesButNoOutputs)
{
    tFileAction rename =
        FakeAction(renamed, [](const TAfficherFichier& f, std::string& newfichier, TchUpdateType& update) {
            if (f.FileName != "a.avi")
                return ExecutionOutcome::Failed("no date");
            newfichier = rtl::ExtractFilePath(f.FullName) + "2006.avi";
            std::filesystem::rename(f.FullName, newfichier);
            update = utRename;
            return ExecutionOutcome{};
        });
    tFileAction remove = FakeAction(deleted, [](const TAfficherFichier& f, std::string&, TchUpdateType& update) {
        if (f.FileName == "c.avi") {
            std::filesystem::remove(f.FullName);
            update = utDelete;
        }
        return ExecutionOutcome{};
    });
    tFileAction convert =
        FakeAction(converted, [](const TAfficherFichier& f, std::string& newfichier, TchUpdateType& update) {
            newfichier = rtl::ChangeFileExt(f.FullName, "") + "_type2.avi";
            testkit::WriteFileBytes(newfichier, "output");
            update = utAdd;
            return ExecutionOutcome{};
        });
    tFileAction record = FakeAction(seen);
    Recorder observer;
    BatchSequence sequence({Batch(rename, RunnerKind::Fast), Batch(remove, RunnerKind::Fast),
                            Batch(convert, RunnerKind::Cmd), Batch(record, RunnerKind::Fast)},
                           observer, true);
    RunAll(sequence);
    EXPECT_EQ(renamed.Get(), (V{"a.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(deleted.Get(), (V{"2006.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(converted.Get(), (V{"2006.avi", "b.avi"}));
    EXPECT_EQ(seen.Get(), (V{"2006.avi", "b.avi"}));
    EXPECT_EQ(sequence.Failures(), 2u); // b and c had no date
    ASSERT_EQ(sequence.Files().size(), 2u);
    EXPECT_EQ(sequence.Files()[0]->FullName, dir.file("2006.avi"));
    EXPECT_FALSE(observer.offGui);
    const V log = observer.Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "finished"), 4);
}

TEST_F(Sequence, AFileChangedOnDiskIsAnalysedAgainForTheNextBatch)
{
    tFileAction grow = FakeAction(converted, [](const TAfficherFichier& f, std::string&, TchUpdateType& update) {
        testkit::WriteFileBytes(f.FullName, "longer than before");
        update = utModify;
        return ExecutionOutcome{};
    });
    std::vector<uint64_t> sizes;
    tFileAction measure = FakeAction(seen, [&](const TAfficherFichier& f, std::string&, TchUpdateType&) {
        sizes.push_back(f.Size());
        return ExecutionOutcome{};
    });
    Recorder observer;
    BatchSequence sequence({Batch(grow, RunnerKind::Fast), Batch(measure, RunnerKind::Fast)}, observer, true);
    RunAll(sequence);
    EXPECT_EQ(sizes, (std::vector<uint64_t>{18, 18, 18}));
}

TEST_F(Sequence, AStopStartsNoFurtherBatchAndNoBatchesEndAtOnce)
{
    BatchSequence* running = nullptr;
    tFileAction first = FakeAction(renamed, [&](const TAfficherFichier&, std::string&, TchUpdateType&) {
        threads::SendToGui([&] { running->Stop(); });
        return ExecutionOutcome{};
    });
    tFileAction second = FakeAction(seen);
    Recorder observer;
    BatchSequence sequence({Batch(first, RunnerKind::Fast), Batch(second, RunnerKind::Cmd)}, observer, true);
    running = &sequence;
    RunAll(sequence);
    EXPECT_EQ(renamed.Get().size(), 3u); // the running batch goes on
    EXPECT_TRUE(seen.Get().empty());

    BatchSequence empty({}, observer, true);
    RunAll(empty);
    EXPECT_TRUE(empty.Files().empty());
}
