// The corrections made in place (bytes changed, read-only kept, the viewer let go and taken back,
// the dialog's value bound to the batch), the deletions through the trash, the programs started
// with the file, the viewer's toggles and the greeting through the window's hooks.
#include <chrono>
#include <thread>

#include "actions/WindowHooks.h"
#include "formats/fpsunit.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/actions/chmoduleFixtures.h"

using namespace chtest;
using actions::utDelete;
using actions::utModify;
using actions::utNone;

namespace {

// What the window was asked to do, in order.
class RecordingHooks : public actions::WindowHooks {
public:
    void CloseViewer(const std::string& name) override { calls.push_back("close " + name); }
    void EndCloseViewer(const std::string& name) override { calls.push_back("end close " + name); }
    void ReopenViewer(const actions::TAfficherFichier& f) override { calls.push_back("reopen " + f.FullName); }
    void ShowRiffHeader(const std::string& name) override { calls.push_back("riff " + name); }
    void ShowOverlayCommand(const std::string& caption, int image) override
    {
        calls.push_back("overlay " + caption + " " + std::to_string(image));
    }
    void RedrawViewer() override { calls.push_back("redraw"); }
    void ShowOverlaySliders(bool shown, const std::string& caption) override
    {
        calls.push_back(std::string(shown ? "sliders shown " : "sliders hidden ") + caption);
    }
    void ShowVolumeGauge(bool shown) override { calls.push_back(shown ? "gauge shown" : "gauge hidden"); }
    void SendMail(const std::string& subject, const std::string& body) override
    {
        calls.push_back("mail " + subject + " | " + body);
    }
    std::vector<std::string> calls;
};

class Files : public ActionTest {
protected:
    void SetUp() override
    {
        ActionTest::SetUp();
        actions::SetWindowHooks(&hooks);
    }
    void TearDown() override
    {
        actions::SetWindowHooks(nullptr);
        ActionTest::TearDown();
    }
    RecordingHooks hooks;
};

// The bytes in which two equally long texts differ.
std::vector<size_t> Differences(const std::string& a, const std::string& b)
{
    std::vector<size_t> at;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            at.push_back(i);
    return at;
}

// The video stream header's dwScale (dwRate is 1000000).
uint32_t Scale(const std::string& path)
{
    const int64_t at = formats::WalkRiffFile(path).ScalePos;
    const std::string bytes = testkit::ReadFileBytes(path);
    return at > 0 ? rtl::GetLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + at) : 0;
}

TEST_F(Files, CodecIsPatchedInPlaceAndAReadOnlyFileStaysSo)
{
    const std::string a = MakeDv("a.avi");
    const auto f = Analyse(a);
    const std::string before = testkit::ReadFileBytes(a);
    const actions::tFileAction fix = ch.CorrigerCodecWith({"CDVC", "CDVC (Canopus)"});
    EXPECT_EQ(Question(fix, *f), "Do you really want to change the codec from dvsd to CDVC (Canopus)?");

    // The owner's own read-only file, patched by the owner (root would write it anyway).
    ASSERT_EQ(::chown(a.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(a.c_str(), 0444), 0);
    ::chmod(work.c_str(), 0755);
    bool skipped = false;
    const bool patched = AsNobody(
        dir,
        [&] {
            const Executed r = Execute(fix, *f);
            return r.outcome.Done && r.update == utModify && r.newfichier.empty() &&
                   hooks.calls == std::vector<std::string>{"close " + a, "end close " + a};
        },
        skipped);
    if (skipped)
        GTEST_SKIP() << "cannot give up root here";
    EXPECT_TRUE(patched);
    EXPECT_EQ(Stat(a).st_mode & 07777, 0444u);
    const std::string after = testkit::ReadFileBytes(a);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(Differences(before, after).size(), 4u);
    EXPECT_EQ(formats::ReadVideoHandler(a), rtl::FourCC("CDVC"));

    // A file that cannot be patched: nothing changes and nothing is refreshed.
    fs::remove(a);
    const Executed gone = Execute(fix, *f);
    EXPECT_FALSE(gone.outcome.Done);
    EXPECT_EQ(gone.update, utNone);
}

TEST_F(Files, FrameRateIsTheOneBoundToTheBatchAndTheViewerTakesTheFileBack)
{
    const std::string a = MakeDv("a.avi");
    const auto f = Analyse(a);
    ASSERT_EQ(::chmod(a.c_str(), 0400), 0);
    const actions::tFileAction ntsc = ch.CorrigerFpsWith({29.97, "29.97"});
    const actions::tFileAction later = ch.CorrigerFpsWith({30, "30"}); // chosen after the batch started
    EXPECT_EQ(Question(ntsc, *f), "Do you really want to change the fps value from 25 to 29.97?");
    EXPECT_EQ(Question(later, *f), "Do you really want to change the fps value from 25 to 30?");

    const Executed r = Execute(ntsc, *f);
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.update, utModify);
    EXPECT_EQ(Scale(a), 33367u);
    EXPECT_EQ(Stat(a).st_mode & 07777, 0400u);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"close " + a, "end close " + a, "reopen " + a}));

    // The module's own action holds the dialog's first choice.
    EXPECT_TRUE(Execute("CorrigerFps", *f).outcome.Done);
    EXPECT_EQ(Scale(a), 40000u);

    // No video stream header: a failure, and the entry is refreshed all the same.
    const std::string text = WorkFile("notes.avi");
    testkit::WriteFileBytes(text, "not a RIFF file");
    const Executed none = Execute(ntsc, *Analyse(text));
    EXPECT_FALSE(none.outcome.Done);
    EXPECT_NE(none.outcome.Message.find("no video stream header"), std::string::npos);
    EXPECT_EQ(none.update, utModify);
    EXPECT_EQ(testkit::ReadFileBytes(text), "not a RIFF file");
}

TEST_F(Files, DeletionMovesTheFileToTheTrashAndRemovingTouchesNothing)
{
    const std::string a = MakeDv("a.avi");
    const auto f = Analyse(a);
    EXPECT_EQ(Question("SupprimerFichier", *f), "Do you really want to delete a.avi ?\n如果按是, 它将被发送到回收站.");
    const std::string bytes = testkit::ReadFileBytes(a);
    const Executed r = Execute("SupprimerFichier", *f);
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.update, utDelete);
    EXPECT_EQ(testkit::ReadFileBytes((home / ".local/share/Trash/files/a.avi").string()), bytes);

    const Executed again = Execute("SupprimerFichier", *f);
    EXPECT_FALSE(again.outcome.Done);
    EXPECT_EQ(again.outcome.Message, "不会发生删除 " + a + "\n它多半在使用或只读");
    EXPECT_EQ(again.update, utNone);

    const std::string b = MakeDv("b.avi");
    const Executed removed = Execute("oterfichier", *Analyse(b));
    EXPECT_EQ(removed.update, utDelete);
    EXPECT_EQ(testkit::ReadFileBytes(b).size(), bytes.size());

    const std::string longName = std::string(240, 'n') + ".avi";
    fs::rename(b, WorkFile(longName));
    EXPECT_EQ(Question("SupprimerFichier", *Analyse(WorkFile(longName))),
              "你确信删除这文件?\n如果按是, 它将被发送到回收站.");
}

TEST_F(Files, ProgramsAreStartedWithTheFile)
{
    const std::string a = WorkFile("with blank.avi");
    fs::rename(MakeDv("a.avi"), a);
    const std::string received = WorkFile("received.txt");
    const std::string program = WorkFile("program.sh");
    testkit::WriteFileBytes(program, "#!/bin/sh\nprintf '%s|' \"$@\" > '" + received + ".part' && mv '" + received +
                                         ".part' '" + received + "'\n");
    ::chmod(program.c_str(), 0755);
    settings::FichierF3 = program;
    const Executed r = Execute("OpenFichierF3", *Analyse(a));
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.update, utNone);
    for (int i = 0; i < 500 && !fs::exists(received); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(testkit::ReadFileBytes(received), a + "|");

    settings::FichierKestrom = WorkFile("no such program");
    const Executed missing = Execute("Kestrom", *Analyse(a));
    EXPECT_FALSE(missing.outcome.Done);
    EXPECT_EQ(missing.update, utNone);
}

TEST_F(Files, TheOverlayAndItsSlidersAreSwitchedThroughTheWindow)
{
    const auto f = Analyse(MakeDv("a.avi"));
    ASSERT_FALSE(settings::IsIncrustOn);
    EXPECT_EQ(Execute("AfficherIncrustation", *f).update, utNone);
    EXPECT_TRUE(settings::IsIncrustOn);
    EXPECT_TRUE(Execute("AfficherIncrustation", *f).outcome.Done);
    EXPECT_FALSE(settings::IsIncrustOn);
    EXPECT_EQ(hooks.calls,
              (std::vector<std::string>{"overlay 隐藏日期码 21", "redraw", "overlay 显示日期码 18", "redraw"}));

    // Showing the sliders switches the overlay on first; hiding them brings back the gauge only
    // when the sound is not muted.
    hooks.calls.clear();
    settings::IsMuteOn = true;
    Execute("AfficherSliders", *f);
    EXPECT_TRUE(settings::IncrustSlidersVisible);
    EXPECT_TRUE(settings::IsIncrustOn);
    Execute("AfficherSliders", *f);
    EXPECT_FALSE(settings::IncrustSlidersVisible);
    EXPECT_TRUE(settings::IsIncrustOn);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"gauge hidden", "overlay 隐藏日期码 21", "redraw",
                                                     "sliders shown 隐藏时间码位置滑块", "sliders hidden 更改嵌入位置",
                                                     "gauge hidden"}));
}

TEST_F(Files, TheStructureWindowAndTheGreetingGoThroughTheWindow)
{
    const std::string a = MakeDv("a.avi");
    Execute("RiffHeader", *Analyse(a));
    settings::VersionText = "1.2";
    EXPECT_EQ(Question("Anniversaire2502", *Analyse(a)),
              "It's today Ivor Varnet's birthday. Do you want to send him a e-mail?");
    Execute("Anniversaire2502", *Analyse(a));
    EXPECT_EQ(hooks.calls,
              (std::vector<std::string>{"riff " + a,
                                        "mail 祝福 Ivor Varnet 生日快乐 | 来自使用者 Morvel 1.2 En 祝福生日快乐!"}));

    // Without a window nothing is asked of one.
    actions::SetWindowHooks(nullptr);
    hooks.calls.clear();
    EXPECT_TRUE(Execute("RiffHeader", *Analyse(a)).outcome.Done);
    EXPECT_TRUE(hooks.calls.empty());
}

} // namespace
