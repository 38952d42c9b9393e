// The command runner around real conversion graphs: a fake action builds a type 1 -> type 2 copy
// in the conversion module and the runner runs it. Esc cancels the graph (no output, an older
// one untouched, nothing to list) and ends the batch; Shift+Esc lets the conversion finish; a
// graph that fails, or whose source is cut short under it, is the file's failure and the batch
// goes on.
#include <gtest/gtest.h>

#include <filesystem>

#include "media/ConvertirDVunit.h"
#include "platform/rtl/SysUtils.h"
#include "tests/actions/BatchTestKit.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

using namespace actions;
using namespace actionstest;
using V = std::vector<std::string>;

namespace {

class CommandGraphs : public testing::Test, public WithApplication {
protected:
    static void SetUpTestSuite() { MakeApplication(); }
    static void TearDownTestSuite() { DropApplication(); }

    void SetUp() override
    {
        testkit::DvClipSpec spec;
        spec.frames = 25;
        spec.distinctPictures = 2;
        const testkit::DvClip clip = testkit::MakeDvClip(spec);
        for (const char* name : {"a.avi", "b.avi"})
            ASSERT_TRUE(testkit::WriteDvType1(dir.file(name), clip));
    }

    // Converts into `out` (the file's folder when empty); `during` runs once the graph is built.
    tFileAction Conversion(std::string out = {}, std::function<void()> during = {})
    {
        const Execution convert = [out, during](const TAfficherFichier& f, std::string& newfichier,
                                                TchUpdateType& update) {
            const std::string folder = out.empty() ? rtl::ExtractFileDir(f.FullName) : out;
            const std::string output = folder + "/" + rtl::ChangeFileExt(f.FileName, "") + "_type2.avi";
            if (!media::Cdm().BuildType2Graph(f.FullName, output))
                return ExecutionOutcome::Failed("no graph");
            newfichier = output;
            update = utAdd;
            if (during)
                during();
            return ExecutionOutcome{};
        };
        tFileAction action = FakeAction(calls, convert);
        action.MonoMessage = "Converting \"%s\"";
        return action;
    }

    std::string Output(const std::string& name) const { return dir.file(name + "_type2.avi"); }

    testkit::TempDir dir;
    Calls calls;
};

} // namespace

TEST_F(CommandGraphs, AConversionRunsToItsEndWithProgressAndListsItsOutput)
{
    Recorder observer;
    TcmdThread batch(Files(dir.path().string(), {"a.avi", "b.avi"}), Conversion(), observer);
    ASSERT_TRUE(batch.Wait(60000));
    EXPECT_FALSE(observer.offGui);
    EXPECT_EQ(batch.Counts().Done, 2u);
    ASSERT_EQ(observer.outcomes.size(), 2u);
    EXPECT_EQ(observer.outcomes[0].Update, utAdd);
    EXPECT_EQ(observer.outcomes[0].NewFichier, Output("a"));
    EXPECT_TRUE(std::filesystem::exists(Output("a")));
    EXPECT_TRUE(std::filesystem::exists(Output("b")));
    EXPECT_GE(observer.progress, 2); // the first report comes as the graph starts, the last at 100
    EXPECT_EQ(observer.Log().front(), "current a.avi");
    EXPECT_EQ(observer.Log()[1], "begins Converting \"a.avi\"");
}

TEST_F(CommandGraphs, EscCancelsTheGraphDropsItsOutputAndEndsTheBatch)
{
    testkit::WriteFileBytes(Output("a"), "an older output");
    const std::string source = testkit::ReadFileBytes(dir.file("a.avi"));
    Recorder observer;
    TcmdThread batch(Files(dir.path().string(), {"a.avi", "b.avi"}), Conversion({}, [] { Abort(); }), observer);
    ASSERT_TRUE(batch.Wait(60000));
    EXPECT_EQ(calls.Get(), V{"a.avi"});
    ASSERT_EQ(observer.outcomes.size(), 1u);
    EXPECT_EQ(observer.outcomes[0].Result, FileResult::Cancelled);
    EXPECT_EQ(observer.outcomes[0].Update, utNone);
    EXPECT_TRUE(observer.outcomes[0].NewFichier.empty());
    EXPECT_TRUE(observer.prompter.shown().empty()); // a cancel is no error
    EXPECT_EQ(testkit::ReadFileBytes(Output("a")), "an older output");
    EXPECT_EQ(testkit::ReadFileBytes(dir.file("a.avi")), source);
    EXPECT_FALSE(std::filesystem::exists(Output("b")));
}

TEST_F(CommandGraphs, ShiftEscLetsTheRunningConversionFinish)
{
    Recorder observer;
    TcmdThread batch(Files(dir.path().string(), {"a.avi", "b.avi"}), Conversion({}, [] { AbortAll(); }), observer);
    ASSERT_TRUE(batch.Wait(60000));
    EXPECT_EQ(calls.Get(), V{"a.avi"});
    ASSERT_EQ(observer.outcomes.size(), 1u);
    EXPECT_EQ(observer.outcomes[0].Result, FileResult::Done);
    EXPECT_EQ(observer.outcomes[0].NewFichier, Output("a"));
    EXPECT_TRUE(std::filesystem::exists(Output("a")));
    EXPECT_FALSE(std::filesystem::exists(Output("b")));
}

TEST_F(CommandGraphs, AGraphThatFailsIsTheFilesFailureAndTheBatchGoesOn)
{
    const std::string unwritable = testkit::UnwritableFolder(dir);
    Recorder observer;
    TcmdThread batch(Files(dir.path().string(), {"a.avi", "b.avi"}), Conversion(unwritable), observer);
    ASSERT_TRUE(batch.Wait(60000));
    ASSERT_EQ(observer.outcomes.size(), 2u);
    for (const FileOutcome& o : observer.outcomes) {
        EXPECT_EQ(o.Result, FileResult::Failed);
        EXPECT_FALSE(o.Message.empty());
        EXPECT_EQ(o.Update, utNone); // nothing to list
        EXPECT_TRUE(o.NewFichier.empty());
    }
    ASSERT_EQ(observer.prompter.shown().size(), 2u);
    EXPECT_EQ(observer.prompter.shown()[0].type, shell::MsgDlgType::mtError);
    EXPECT_NE(observer.prompter.shown()[0].text.find(observer.outcomes[0].Message), std::string::npos);
}

TEST_F(CommandGraphs, ASourceCutShortDuringItsConversionFailsListsNothingAndTheBatchGoesOn)
{
    // Another program cuts a.avi to a third as its output's first bytes are written.
    const std::string a = dir.file("a.avi");
    const auto size = std::filesystem::file_size(a);
    testkit::OnFirstWrite cut([&] { std::filesystem::resize_file(a, size / 3); });
    Recorder observer;
    TcmdThread batch(Files(dir.path().string(), {"a.avi", "b.avi"}), Conversion(), observer);
    ASSERT_TRUE(batch.Wait(60000));
    ASSERT_EQ(observer.outcomes.size(), 2u);
    const FileOutcome& first = observer.outcomes[0];
    EXPECT_EQ(first.Result, FileResult::Failed);
    EXPECT_EQ(first.Message, "The file changed while it was converted: \"" + Output("a") + "\" was not written.");
    EXPECT_EQ(first.Update, utNone);
    EXPECT_EQ(first.NewFichier, "");
    EXPECT_FALSE(std::filesystem::exists(Output("a")));
    EXPECT_EQ(observer.outcomes[1].Result, FileResult::Done);
    EXPECT_TRUE(std::filesystem::exists(Output("b")));
}
