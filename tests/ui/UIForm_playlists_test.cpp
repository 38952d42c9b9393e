// Play lists through the window's keys: Ctrl+J writes the list's lines in UTF-8 with CR LF and
// asks before it replaces a file, Ctrl+U and Shift+F7 read one back (LF alone and a byte-order
// mark too); a list that cannot be read says why and loads what was read before the fault; a
// list that cannot be written leaves the old one whole and no temporary file.
#include <QString>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/rtl/DateTime.h"
#include "tests/kit/FileFault.h"
#include "tests/ui/MainWindowKit.h"

using namespace uitest;
using V = std::vector<std::string>;

namespace {

constexpr const char* kRule = "# -------------------------------------------------------------\r\n";

bool ValidUtf8(const std::string& s)
{
    return QString::fromUtf8(s).toUtf8().toStdString() == s;
}

// Every line ends with CR LF, and no CR stands alone.
bool CrLfOnly(const std::string& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'))
            return false;
        if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n'))
            return false;
    }
    return !s.empty() && s.ends_with("\r\n");
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Playlists : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::SetClock([] { return rtl::EncodeDateTime(2026, 12, 6, 10, 20, 30, 0); });
        m.StorePreferences([] { settings::FormatPourAfficherDatecode = "yyyy-mm-dd hh:nn:ss"; });
    }
    void TearDown() override { rtl::SetClock({}); }

    // The window at rest after its start: the list thread's first, empty loading has ended (its
    // "ready" would otherwise come over whatever status a test set meanwhile).
    ui::TUIForm& Open()
    {
        ui::TUIForm& w = m.Open();
        EXPECT_TRUE(m.Loaded());
        EXPECT_TRUE(m.Activate());
        return w;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(m.window.get(), key, modifiers);
    }
    // The full names of the list, in order.
    V FullNames() const
    {
        V names;
        for (const auto& e : m.window->KeyList)
            names.push_back(e.Fichier->FullName);
        return names;
    }
    std::string List(const std::string& name) const { return m.dir.file("lists/" + name); }
    V Messages() const
    {
        V texts;
        for (const auto& shown : m.dialogs.messages.shown())
            texts.push_back(shown.text);
        return texts;
    }
    // Ctrl+U answered with `path`; true when its loading ended.
    bool OpenList(const std::string& path)
    {
        m.dialogs.openAnswers.push_back(V{path});
        Key(Qt::Key_U);
        return m.Loaded();
    }

    MainWindow m;
};

} // namespace

TEST_F(Playlists, CtrlJWritesTheListsLinesAndCtrlUBringsTheSameNamesBackInOrder)
{
    const std::string summer = m.dir.file("tapes/Été 2006");
    fs::create_directories(summer);
    const V tapes{DatedDv(summer + "/b.avi", 2006, 7), DatedDv(summer + "/Clip 海.avi", 2006, 8),
                  DatedDv(summer + "/a.avi", 2006, 9), DatedDv(m.Tape("海边 1.avi"), 2007)};
    ui::TUIForm& w = Open();
    w.LoadFiles(tapes, "");
    ASSERT_TRUE(m.Loaded());
    w.SortList(1);

    m.dialogs.saveAnswers.push_back(List("été"));
    Key(Qt::Key_J);
    ASSERT_EQ(m.dialogs.saveRequests.size(), 1u);
    const vcl::SaveRequest& asked = m.dialogs.saveRequests[0];
    EXPECT_EQ(asked.initialDir, m.dir.file("lists") + "/");
    EXPECT_EQ(asked.filter, "PlayList (*.txt)|*.txt");
    EXPECT_TRUE(asked.overwritePrompt);
    const std::string text = testkit::ReadFileBytes(List("été.txt"));
    const std::string expected = std::string(kRule) +
                                 "#\r\n"
                                 "# 播放列表 Morvel 版本 1.0.1 En\r\n"
                                 "#\r\n" +
                                 kRule +
                                 "# 访问我的主页 : https://morvel.example/\r\n"
                                 "\r\n"
                                 "     " +
                                 summer + "/a.avi\r\n     " + summer + "/b.avi\r\n     " + summer +
                                 "/Clip 海.avi\r\n     " + m.Tape("海边 1.avi") + "\r\n\r\n" + kRule +
                                 "# 4 files sorteds by alphabetical order\r\n"
                                 "# 完成 2026-12-06 10:20:30\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(ValidUtf8(text));
    EXPECT_TRUE(CrLfOnly(text));
    const V before = FullNames();

    Key(Qt::Key_Delete);
    ASSERT_EQ(w.lb->count(), 0);
    ASSERT_TRUE(OpenList(List("été.txt")));
    EXPECT_EQ(m.dialogs.openRequests.back().initialDir, m.dir.file("lists") + "/");
    EXPECT_EQ(m.dialogs.openRequests.back().filter, "PlayList (*.txt)|*.txt");
    EXPECT_EQ(FullNames(), before);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(Playlists, ReadingTakesThePathsAloneWhateverSurroundsThem)
{
    const std::string a = DatedDv(m.Tape("a.avi"), 2001);
    const std::string b = DatedDv(m.Tape("b b.avi"), 2002);
    NotDv(m.Tape("other.avi"));
    struct Case {
        const char* name;
        std::string text;
        V listed; // bare names, date order
    };
    const Case cases[] = {
        {"indented, tabs, trailing blanks", "     " + a + "\r\n\t" + b + " \t \r\n", {"a.avi", "b b.avi"}},
        {"LF alone", a + "\n" + b + "\n", {"a.avi", "b b.avi"}},
        {"a byte-order mark", "\xEF\xBB\xBF" + a + "\r\n", {"a.avi"}},
        {"a byte-order mark before a comment", "\xEF\xBB\xBF# " + b + "\r\n" + a, {"a.avi"}},
        {"comments, blanks before one too", "#" + a + "\r\n   # " + b + "\r\n\r\n   \r\n", {}},
        {"not AVI, missing, a folder",
         m.Tape("other.avi") + "\r\n" + m.Tape("none.avi") + "\r\n" + m.Tape("") + "\r\n" + m.dir.file("lists/x.txt") +
             "\r\n" + a,
         {"a.avi", "other.avi"}},
        {"empty", "", {}},
        {"no line end at the end", b, {"b b.avi"}},
    };
    ui::TUIForm& w = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.afViderListeExecute();
        testkit::WriteFileBytes(List("case.txt"), c.text);
        w.SetStatusText("");
        ASSERT_TRUE(OpenList(List("case.txt")));
        EXPECT_EQ(m.Names(), c.listed);
        EXPECT_TRUE(Messages().empty());
    }
    // Loading twice adds nothing; a list adds to what is listed.
    ASSERT_TRUE(OpenList(List("case.txt")));
    EXPECT_EQ(m.Names(), V{"b b.avi"});
    testkit::WriteFileBytes(List("case.txt"), a);
    ASSERT_TRUE(OpenList(List("case.txt")));
    EXPECT_EQ(m.Names(), (V{"a.avi", "b b.avi"}));

    // The loading shows the list's name while it runs.
    std::string shown;
    w.LoadPlaylist(List("case.txt"));
    shown = w.StatusText();
    EXPECT_EQ(shown, "打开播放列表 " + List("case.txt"));
    ASSERT_TRUE(m.Loaded());
}

TEST_F(Playlists, TheDefaultListLoadsWithShiftF7AndAMissingOneDoesNothing)
{
    const std::string a = DatedDv(m.Tape("a.avi"), 2001);
    ui::TUIForm& w = Open();
    w.SetStatusText("before");
    Key(Qt::Key_F7, Qt::ShiftModifier);
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_TRUE(w.ListThread->IsIdle()) << "no loading began";
    EXPECT_EQ(w.StatusText(), "before");
    EXPECT_EQ(w.lb->count(), 0);
    EXPECT_TRUE(Messages().empty());

    testkit::WriteFileBytes(List("PlayList.txt"), "     " + a + "\r\n");
    Key(Qt::Key_F7, Qt::ShiftModifier);
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.Names(), V{"a.avi"});
}

TEST_F(Playlists, ReplacingAListIsAskedAndNoLeavesIt)
{
    DatedDv(m.Tape("a.avi"), 2001);
    DatedDv(m.Tape("b.avi"), 2002);
    testkit::WriteFileBytes(List("mine.txt"), "old list\r\n");
    ui::TUIForm& w = Open();
    w.LoadFiles({m.Tape("a.avi"), m.Tape("b.avi")}, ""); // two: the list and its commands show
    ASSERT_TRUE(m.Loaded());

    m.dialogs.saveAnswers.push_back(List("mine")); // the suffix is added, and then the name exists
    m.dialogs.messages = shell::ScriptedPrompter({shell::ModalResult::mrNo});
    Key(Qt::Key_J);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(List("mine.txt")), std::string::npos);
    EXPECT_EQ(m.dialogs.saveRequests.size(), 2u); // No: the dialog again, here cancelled
    EXPECT_EQ(testkit::ReadFileBytes(List("mine.txt")), "old list\r\n");

    m.dialogs.saveAnswers.push_back(List("mine.txt"));
    m.dialogs.messages = shell::ScriptedPrompter({shell::ModalResult::mrYes});
    Key(Qt::Key_J);
    EXPECT_NE(testkit::ReadFileBytes(List("mine.txt")).find("     " + m.Tape("a.avi") + "\r\n"), std::string::npos);
}

namespace {

// What a list that cannot be read gives, seen from a user for whom permissions bind.
void ExpectUnreadableListReported(const std::string& path)
{
    MainWindow m;
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    m.dialogs.openAnswers.push_back(V{path});
    QTest::keyClick(&w, Qt::Key_U, Qt::ControlModifier);
    EXPECT_TRUE(m.Loaded()); // nothing was read: the window's own first loading only
    ASSERT_EQ(m.dialogs.messages.shown().size(), 1u);
    const std::string& text = m.dialogs.messages.shown()[0].text;
    EXPECT_NE(text.find(path), std::string::npos) << text;
    EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
    EXPECT_EQ(w.lb->count(), 0);
}

} // namespace

TEST_F(Playlists, AListThatCannotBeOpenedSaysWhy)
{
    DatedDv(m.Tape("a.avi"), 2001);
    const std::string locked = m.dir.file("lists/locked.txt");
    testkit::WriteFileBytes(locked, "     " + m.Tape("a.avi") + "\r\n");
    fs::permissions(locked, fs::perms::owner_write);
    if (geteuid() != 0) {
        ExpectUnreadableListReported(locked);
        return;
    }
    // Permissions do not bind root: this test program, as nobody, opens it.
    fs::permissions(m.dir.path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(m.dir.file("lists"), fs::perms::all, fs::perm_options::add);
    char self[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    ASSERT_TRUE(testkit::HaveProgram("setpriv"));
    std::string output;
    const int status =
        testkit::RunCommand("MORVEL_UNREADABLE_LIST='" + locked + "' setpriv --reuid=nobody --regid=nogroup " +
                                "--clear-groups '" + self + "' --gtest_filter=Playlists.ChildAsNobody 2>&1",
                            &output, 60);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// Run by the test above, as nobody.
TEST_F(Playlists, ChildAsNobody)
{
    const char* path = std::getenv("MORVEL_UNREADABLE_LIST");
    if (!path)
        GTEST_SKIP() << "run by AListThatCannotBeOpenedSaysWhy";
    ExpectUnreadableListReported(path);
}

TEST_F(Playlists, BadListsLoadWhatTheyCanAndNeverCrash)
{
    const std::string a = DatedDv(m.Tape("a.avi"), 2001);
    const std::string b = DatedDv(m.Tape("b.avi"), 2002);
    ui::TUIForm& w = Open();

    // Binary after a good line: that line loads, and the box says the rest is not text.
    testkit::WriteFileBytes(List("binary.txt"), a + "\r\n" +
                                                    std::string("\x7F"
                                                                "ELF\0\x01\x02\r\n",
                                                                9) +
                                                    b + "\r\n");
    ASSERT_TRUE(OpenList(List("binary.txt")));
    EXPECT_EQ(m.Names(), V{"a.avi"});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("not text"), std::string::npos);
    EXPECT_NE(Messages()[0].find(List("binary.txt")), std::string::npos);

    // A folder.
    w.afViderListeExecute();
    fs::create_directory(List("folder.txt"));
    ASSERT_TRUE(OpenList(List("folder.txt")));
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("Is a directory"), std::string::npos);

    // Lines longer than a path are skipped; bytes that are no UTF-8 are passed on as they are.
    const std::string latin1 = m.Tape("\xE9t\xE9.avi");
    fs::copy_file(a, latin1);
    testkit::WriteFileBytes(List("odd.txt"), std::string(5000, 'x') + "\r\n" + "/" + std::string(4200, 'y') + ".avi\n" +
                                                 latin1 + "\r\n" + b + "\r\n");
    ASSERT_TRUE(OpenList(List("odd.txt")));
    EXPECT_EQ(FullNames(), (V{latin1, b}));
    EXPECT_EQ(Messages().size(), 2u);

    // 100 000 lines.
    w.afViderListeExecute();
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "     " + m.Tape("none " + std::to_string(i) + ".avi") + "\r\n";
    testkit::WriteFileBytes(List("many.txt"), many + a + "\r\n" + b + "\r\n");
    ASSERT_TRUE(OpenList(List("many.txt")));
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi"}));
    EXPECT_EQ(Messages().size(), 2u);
}

namespace {

// A small file system of its own, when this process may mount one.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : folder_(folder)
    {
        fs::create_directories(folder);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

} // namespace

TEST_F(Playlists, AListThatCannotBeWrittenKeepsTheOldOneWholeAndSaysSo)
{
    // Long names, so that the list outgrows what the small disk has left.
    const std::string tapes = m.dir.file("tapes/" + std::string(200, 'n'));
    const V names = Links(tapes, 40);
    ui::TUIForm& w = Open();
    w.LoadFiles(names, "");
    ASSERT_TRUE(m.Loaded());
    ASSERT_EQ(w.lb->count(), 40);

    // An injected full disk.
    testkit::WriteFileBytes(List("mine.txt"), "old list\r\n");
    {
        testkit::FileFault full(testkit::FileFault::Step::Write, ENOSPC);
        m.dialogs.saveAnswers.push_back(List("mine.txt"));
        m.dialogs.messages = shell::ScriptedPrompter({shell::ModalResult::mrYes});
        Key(Qt::Key_J);
    }
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("No space left on device"), std::string::npos) << Messages()[1];
    EXPECT_NE(Messages()[1].find(List("mine.txt")), std::string::npos);
    EXPECT_EQ(testkit::ReadFileBytes(List("mine.txt")), "old list\r\n");
    EXPECT_EQ(FolderEntries(m.dir.file("lists")), V{"mine.txt"});

    // A folder no file can be made in.
    const std::string locked = testkit::UnwritableFolder(m.dir);
    m.dialogs.saveAnswers.push_back(locked + "/mine.txt");
    Key(Qt::Key_J);
    ASSERT_EQ(Messages().size(), 3u);
    EXPECT_NE(Messages()[2].find(locked + "/mine.txt"), std::string::npos);
    EXPECT_FALSE(fs::exists(locked + "/mine.txt"));

    // A disk that is full.
    const std::string small = m.dir.file("small");
    SmallDisk disk(small);
    if (!disk.Mounted())
        return; // the injected fault above stands in for it
    testkit::WriteFileBytes(small + "/mine.txt", "old list\r\n");
    testkit::WriteFileBytes(small + "/filler", std::string(56 * 1024, 'f'));
    ASSERT_GT(w.PlaylistText().size(), 10000u);
    m.dialogs.saveAnswers.push_back(small + "/mine.txt");
    m.dialogs.messages = shell::ScriptedPrompter({shell::ModalResult::mrYes});
    Key(Qt::Key_J);
    ASSERT_EQ(Messages().size(), 2u); // the question, then the failure
    EXPECT_NE(Messages()[1].find("No space left on device"), std::string::npos) << Messages()[1];
    EXPECT_EQ(testkit::ReadFileBytes(small + "/mine.txt"), "old list\r\n");
    EXPECT_EQ(FolderEntries(small), (V{"filler", "mine.txt"}));
}
