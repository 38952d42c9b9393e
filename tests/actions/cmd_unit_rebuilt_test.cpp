// A file the batch renamed or changed comes back with its outcome analysed again by the batch's
// worker, so that the window only swaps the new object in; a file gone meanwhile comes back as
// none, and other updates carry no object.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/SysUtils.h"
#include "tests/actions/BatchTestKit.h"
#include "tests/kit/TempDir.h"

using namespace actions;
using namespace actionstest;

namespace {

class Rebuilt : public testing::Test, public WithApplication {
protected:
    static void SetUpTestSuite() { MakeApplication(); }
    static void TearDownTestSuite() { DropApplication(); }

    testkit::TempDir dir;
    Calls calls;
};

} // namespace

TEST_F(Rebuilt, ARenamedOrChangedFileComesBackAnalysedAndAGoneOneAsNone)
{
    for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"})
        testkit::WriteFileBytes(dir.file(name), name);
    const Execution work = [&](const TAfficherFichier& f, std::string& newfichier, TchUpdateType& update) {
        if (f.FileName == "a.avi") {
            newfichier = dir.file("renamed.avi");
            std::filesystem::rename(f.FullName, newfichier);
            update = utRename;
        } else if (f.FileName == "b.avi") {
            testkit::WriteFileBytes(f.FullName, "longer than before");
            update = utModify;
        } else if (f.FileName == "c.avi") {
            std::filesystem::remove(f.FullName);
            update = utModify;
        } else if (f.FileName == "d.avi") {
            newfichier = dir.file("d_type2.avi");
            testkit::WriteFileBytes(newfichier, "output");
            update = utAdd;
        }
        return ExecutionOutcome{};
    };
    Recorder observer;
    TfastThread batch(Files(dir.path().string(), {"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"}),
                      FakeAction(calls, work), observer);
    ASSERT_TRUE(batch.Wait(30000));
    ASSERT_EQ(observer.outcomes.size(), 5u);
    const auto& o = observer.outcomes;
    ASSERT_NE(o[0].Fichier, nullptr);
    EXPECT_EQ(o[0].Fichier->FullName, dir.file("renamed.avi"));
    EXPECT_EQ(o[0].Fichier->FileName, "renamed.avi");
    ASSERT_NE(o[1].Fichier, nullptr);
    EXPECT_EQ(o[1].Fichier->FullName, dir.file("b.avi"));
    EXPECT_EQ(o[1].Fichier->Size(), 18u);
    EXPECT_EQ(o[2].Fichier, nullptr); // gone
    EXPECT_EQ(o[3].Fichier, nullptr); // an output is listed by the list thread
    EXPECT_EQ(o[4].Fichier, nullptr); // nothing changed
}

TEST_F(Rebuilt, AFailedChangeStillComesBackAsTheFileNowIs)
{
    testkit::WriteFileBytes(dir.file("a.avi"), "a");
    const Execution work = [&](const TAfficherFichier&, std::string&, TchUpdateType& update) {
        update = utModify; // as a frame-rate correction that failed: the entry shows the file
        return ExecutionOutcome::Failed("not written");
    };
    Recorder observer;
    TfastThread batch(Files(dir.path().string(), {"a.avi"}), FakeAction(calls, work), observer);
    ASSERT_TRUE(batch.Wait(30000));
    ASSERT_EQ(observer.outcomes.size(), 1u);
    EXPECT_EQ(observer.outcomes[0].Result, FileResult::Failed);
    ASSERT_NE(observer.outcomes[0].Fichier, nullptr);
    EXPECT_EQ(observer.outcomes[0].Fichier->FullName, dir.file("a.avi"));
}
