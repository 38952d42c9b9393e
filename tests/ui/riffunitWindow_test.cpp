// The RIFF structure window: its lines are the lister's, its walk stops on Close or on a second
// Analyse while the trailer still comes, Save writes what it shows, and bad files give an empty
// or short listing with a message, never a write.
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "formats/riffunit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "ui/riffunitWindow.h"

using Lines = std::vector<std::string>;
using shell::ModalResult;
using ui::TRiffForm;

namespace {

namespace fs = std::filesystem;

constexpr size_t kHeadingLines = 8;

class RiffForm : public testing::Test {
protected:
    void SetUp() override
    {
        // Fixed, so that the window's heading and the lister's read alike.
        rtl::SetClock([] { return rtl::EncodeDateTime(2026, 3, 5, 7, 8, 9, 0); });
        kept_ = settings::VersionText;
        settings::VersionText = "2.5";
    }
    void TearDown() override
    {
        rtl::SetClock(nullptr);
        settings::VersionText = kept_;
    }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::string path = dir.file(name);
        testkit::WriteFileBytes(path, bytes);
        return path;
    }
    static Lines ListerLines(const std::string& path)
    {
        formats::TRiffLister lister({.versionText = "2.5"});
        lister.WalkFile(path);
        return lister.Lines();
    }
    // Analyses `path` and waits until the walk has returned.
    void Walk(const std::string& path)
    {
        form.Analyse(path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Walking(); }, 20000));
    }
    bool Has(const std::string& line) const
    {
        const Lines shown = form.Listing();
        return std::find(shown.begin(), shown.end(), line) != shown.end();
    }

    testkit::TempDir dir;
    vcl::ScriptedDialogs dialogs;
    TRiffForm form{&dialogs};
    std::string kept_;
};

// Holds the walk at its `n`th line until it is asked to stop.
TRiffForm::LineHook HoldAtLine(size_t n, std::atomic<bool>& held)
{
    auto count = std::make_shared<size_t>(0);
    return [=, &held](const std::string&, const std::atomic<bool>& cancelled) {
        if (++*count != n)
            return;
        held = true;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!cancelled && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
}

// Root reads any file: the GUI thread gives up root while it starts a walk, whose thread keeps
// the lesser rights. Linux credentials belong to each thread; the raw call changes this one only.
class NotRootWhileStarting {
public:
    NotRootWhileStarting() : changed_(geteuid() == 0 && syscall(SYS_setresuid, -1, 65534, -1) == 0) {}
    ~NotRootWhileStarting()
    {
        if (changed_)
            syscall(SYS_setresuid, -1, 0, -1);
    }
    bool Usable() const { return changed_ || geteuid() != 0; }

private:
    bool changed_;
};

} // namespace

TEST_F(RiffForm, ItsLinesAreTheListersForEveryKindOfFile)
{
    const std::string whole = testkit::MakeAvi({}).build();
    const std::pair<const char*, std::string> files[] = {
        {"type2.avi", whole},
        {"type1.avi", testkit::MakeAvi({.dvType = 1}).build()},
        {"opendml.avi", testkit::MakeAvi({.indxType = 0, .odml = true, .avixSegments = 2}).build()},
        {"garbage.avi", std::string(1000, '\x5A')},
        {"cut.avi", whole.substr(0, 200)},
        {"片段 2006.avi", whole},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = Write(name, bytes);
        Walk(path);
        const Lines want = ListerLines(path);
        ASSERT_GT(want.size(), kHeadingLines);
        EXPECT_EQ(form.Listing(), want);
        EXPECT_TRUE(form.SauverBtn->isEnabled());
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.windowTitle().toStdString(), "Header of the file " + path);
        EXPECT_TRUE(dialogs.messages.shown().empty());
    }
}

TEST_F(RiffForm, StrayBytesShowAsTheyAreAndSaveAsUtf8)
{
    const std::string path =
        Write("stray.avi", testkit::RiffBuilder().riff("AVI ").chunk("\xE9t\xE9x", "abcd").end().build());
    Walk(path);
    EXPECT_TRUE(Has("    \xC3\xA9t\xC3\xA9x  00000004")); // "étéx"
    Lines want = ListerLines(path);
    for (std::string& line : want)
        if (line.find("t\xE9x") != std::string::npos)
            line = "    \xC3\xA9t\xC3\xA9x  00000004";
    EXPECT_EQ(form.Listing(), want);
}

TEST_F(RiffForm, CloseDuringAWalkStopsItAndTheTrailerStillComes)
{
    const std::string path = Write("a.avi", testkit::MakeAvi({.odml = true}).build());
    std::atomic<bool> held{false};
    form.onWalkLine = HoldAtLine(kHeadingLines + 4, held);
    form.Analyse(path);
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, 20000));
    EXPECT_FALSE(form.SauverBtn->isEnabled());
    form.FermerBtn->click();
    EXPECT_FALSE(form.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Walking(); }, 20000));
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(Has(formats::CentredLine("", "-", "Canceled by user")));
    EXPECT_EQ(form.Listing().back(), std::string(50, '-'));
    EXPECT_LT(form.Listing().size(), ListerLines(path).size());
    EXPECT_TRUE(form.SauverBtn->isEnabled());

    // The next walk runs whole.
    form.onWalkLine = nullptr;
    Walk(path);
    EXPECT_EQ(form.Listing(), ListerLines(path));

    // A close at once, before the walk is past its first line, stops it too. The walk is held
    // there, or a small file could be listed whole before the close comes.
    std::atomic<bool> heldAtFirst{false};
    form.onWalkLine = HoldAtLine(1, heldAtFirst);
    form.Analyse(path);
    form.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Walking(); }, 20000));
    EXPECT_TRUE(Has(formats::CentredLine("", "-", "Canceled by user")));
}

TEST_F(RiffForm, ASecondAnalyseDuringAWalkListsOnlyTheNewFile)
{
    const std::string first = Write("first.avi", testkit::MakeAvi({.odml = true}).build());
    const std::string second = Write("second.avi", testkit::MakeAvi({.dvType = 1}).build());
    std::atomic<bool> held{false};
    form.onWalkLine = HoldAtLine(kHeadingLines + 4, held);
    form.Analyse(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, 20000));
    QTest::qWait(50); // the first walk's early lines are on their way
    form.onWalkLine = nullptr;
    Walk(second);
    QTest::qWait(50); // anything the first walk still posted arrives and is dropped
    EXPECT_EQ(form.Listing(), ListerLines(second));
    EXPECT_EQ(form.RiffFileName, second);
}

TEST_F(RiffForm, AMissingFileListsNothingAndCannotBeSaved)
{
    Walk(dir.file("missing.avi"));
    EXPECT_TRUE(form.Listing().empty());
    EXPECT_FALSE(form.SauverBtn->isEnabled());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(dialogs.messages.shown().empty());
}

TEST_F(RiffForm, SaveWritesTheLinesWithCrLfAndCancelWritesNothing)
{
    const std::string path = Write("clip.avi", testkit::MakeAvi({}).build());
    Walk(path);

    form.SauverBtnClick(); // no answer: cancelled
    EXPECT_FALSE(fs::exists(dir.file("clip.log")));
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].fileName, dir.file("clip.log"));
    EXPECT_EQ(dialogs.saveRequests[0].filter, "Log files (*.log)|*.log|Txt files(*.txt)|*.txt|All files (*.*)|*.*");

    dialogs.saveAnswers.push_back(dir.file("clip.log"));
    form.SauverBtnClick();
    std::string want;
    for (const std::string& line : ListerLines(path))
        want += line + "\r\n";
    EXPECT_EQ(testkit::ReadFileBytes(dir.file("clip.log")), want);
    EXPECT_TRUE(dialogs.messages.shown().empty());
}

TEST_F(RiffForm, AFailingSaveKeepsTheOldFileAndSaysWhy)
{
    Walk(Write("clip.avi", testkit::MakeAvi({}).build()));
    const std::string log = Write("clip.log", "old");
    vcl::ScriptedDialogs answering({ModalResult::mrYes}); // replace it
    TRiffForm saving(&answering);
    saving.Analyse(dir.file("clip.avi"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !saving.Walking(); }, 20000));
    answering.saveAnswers.push_back(log);
    {
        testkit::FileFault fault(testkit::FileFault::Step::SyncFile);
        saving.SauverBtnClick();
    }
    EXPECT_EQ(testkit::ReadFileBytes(log), "old");
    ASSERT_EQ(answering.messages.shown().size(), 2u); // the replace question, then the error
    EXPECT_EQ(answering.messages.shown()[1].type, shell::MsgDlgType::mtError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2); // no temporary left
}

TEST_F(RiffForm, TheListedFileKeepsItsBytesAndTime)
{
    const std::string bytes = testkit::MakeAvi({.indxType = 1, .odml = true, .avixSegments = 1}).build();
    const std::string path = Write("kept.avi", bytes);
    const fs::file_time_type before = fs::last_write_time(path);
    Walk(path);
    EXPECT_EQ(testkit::ReadFileBytes(path), bytes);
    EXPECT_EQ(fs::last_write_time(path), before);
}

TEST_F(RiffForm, AFolderOrAFifoNamedAviGivesAMessageAndNoListing)
{
    fs::create_directory(dir.file("folder.avi"));
    ASSERT_EQ(mkfifo(dir.file("fifo.avi").c_str(), 0644), 0);
    for (const char* name : {"folder.avi", "fifo.avi"}) {
        SCOPED_TRACE(name);
        vcl::ScriptedDialogs d;
        TRiffForm w(&d);
        w.Analyse(dir.file(name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Walking(); }, 20000));
        EXPECT_TRUE(w.Listing().empty());
        EXPECT_FALSE(w.SauverBtn->isEnabled());
        ASSERT_EQ(d.messages.shown().size(), 1u);
        EXPECT_NE(d.messages.shown()[0].text.find("Not a regular file."), std::string::npos);
    }
}

TEST_F(RiffForm, AnUnreadableFileGivesTheHeadingAndAMessage)
{
    const std::string path = Write("locked.avi", testkit::MakeAvi({}).build());
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    {
        NotRootWhileStarting notRoot;
        if (!notRoot.Usable())
            GTEST_SKIP() << "cannot give up root here";
        form.Analyse(path);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Walking(); }, 20000));
    EXPECT_EQ(form.Listing().size(), kHeadingLines);
    EXPECT_FALSE(form.SauverBtn->isEnabled());
    ASSERT_EQ(dialogs.messages.shown().size(), 1u);
    EXPECT_NE(dialogs.messages.shown()[0].text.find(path), std::string::npos);
}

TEST_F(RiffForm, EscClosesTheWindow)
{
    Walk(Write("clip.avi", testkit::MakeAvi({}).build()));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 2000)); // the button's animated click
}
