// The renames and the re-dating on real DV files: the new names (the dates moved by the time
// offset), the clash rule (on disk, after the question, in ASCII case, by the scene list, names
// the rename before freed), the scene list that follows, names that would be paths or empty, the
// questions and their shorter forms, and the file time set by utimensat; in a folder the user may
// not change nothing is touched.
#include <fcntl.h>

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"
#include "tests/actions/chmoduleFixtures.h"

using namespace chtest;
using actions::utModify;
using actions::utNone;
using actions::utRename;

namespace {

const char* const kAmDate = "yyyy.mm.dd_hh.nn.ss_am/pm"; // 2006.12.07_10.00.00_am

// The kit files' recording time, 2006-12-07 10:00 local time, as a file time.
time_t RecordedAt()
{
    struct tm local {};
    local.tm_year = 106;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 10;
    local.tm_isdst = -1;
    return ::mktime(&local);
}

class Rename : public ActionTest {
protected:
    void SetUp() override
    {
        ActionTest::SetUp();
        settings::FormatPourAjouterDatecode = kAmDate;
    }
};

TEST_F(Rename, DateClashTakesTheNextNumberAndTheSceneListFollows)
{
    const std::string a = MakeDv("a.avi");
    testkit::WriteFileBytes(WorkFile("a.scn"), "scenes");
    testkit::WriteFileBytes(WorkFile("a_2006.12.07_10.00.00_am.avi"), "another file");
    const auto f = Analyse(a);

    EXPECT_EQ(Question("AjouterDateCode", *f),
              "你要添加日期码到 'a.avi'\n并重命名到 'a_2006.12.07_10.00.00_am(1).avi'?");
    const Executed r = Execute("AjouterDateCode", *f);
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.update, utRename);
    EXPECT_EQ(r.newfichier, WorkFile("a_2006.12.07_10.00.00_am(1).avi"));
    EXPECT_EQ(WorkNames(),
              (std::vector<std::string>{"a_2006.12.07_10.00.00_am(1).avi", "a_2006.12.07_10.00.00_am(1).scn",
                                        "a_2006.12.07_10.00.00_am.avi"}));
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("a_2006.12.07_10.00.00_am.avi")), "another file");
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("a_2006.12.07_10.00.00_am(1).scn")), "scenes");
}

TEST_F(Rename, DatePutBeforeTheNameAndSeparatorsMadeDots)
{
    settings::AjoutAvant = true;
    const std::string x = WorkFile("x");
    const std::string a = MoveInto("x", MakeDv("a.avi"), "a.avi");
    EXPECT_EQ(Execute("AjouterDateCode", *Analyse(a)).newfichier, x + "/2006.12.07_10.00.00_am_a.avi");

    settings::AjoutAvant = false;
    settings::FormatPourAjouterDatecode = "dd/mm/yyyy hh:nn"; // "/" and ":" would make a path and a bad name
    const Executed r = Execute("AjouterDateCode", *Analyse(x + "/2006.12.07_10.00.00_am_a.avi"));
    EXPECT_EQ(r.newfichier, x + "/2006.12.07_10.00.00_am_a_07.12.2006 10.00.avi");
    EXPECT_TRUE(fs::exists(r.newfichier));
}

TEST_F(Rename, TimecodeIsAddedAndItsQuestionNamesFullPaths)
{
    const auto f = Analyse(MakeDv("t.avi"));
    ASSERT_FALSE(f->Timecode.empty());
    const std::string renamed = WorkFile("t_" + f->Timecode + ".avi");
    EXPECT_EQ(Question("AjouterTimecode", *f),
              "你真的想要把它的时间码加入文件 '" + f->FullName + "'\n并重命名到 '" + renamed + "'?");
    EXPECT_EQ(Execute("AjouterTimecode", *f).newfichier, renamed);
    EXPECT_TRUE(fs::exists(renamed));
}

TEST_F(Rename, TheFileRenamedIsTheExactOneWhateverTheCaseOfItsNeighbours)
{
    const auto upper = Analyse(MakeDv("Clip.AVI"));
    testkit::WriteFileBytes(WorkFile("Clip.avi"), "its neighbour");
    const Executed r = Execute("AjouterDateCode", *upper);
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.newfichier, WorkFile("Clip_2006.12.07_10.00.00_am.avi"));
    EXPECT_FALSE(fs::exists(WorkFile("Clip.AVI")));
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("Clip.avi")), "its neighbour");
}

TEST_F(Rename, NamesDifferingOnlyInCaseAndTakenSceneListsClash)
{
    // A card's file system holds one of "A_..." and "a_...": the upper-case name counts as taken.
    const std::string a = MakeDv("Aa.avi");
    testkit::WriteFileBytes(WorkFile("aA_2006.12.07_10.00.00_AM.AVI"), "taken in another case");
    EXPECT_EQ(Execute("AjouterDateCode", *Analyse(a)).newfichier, WorkFile("Aa_2006.12.07_10.00.00_am(1).avi"));

    // A free video name whose scene list name is taken: only a video with a scene list moves on.
    const std::string b = MakeDv("b.avi"), c = MakeDv("c.avi");
    testkit::WriteFileBytes(WorkFile("b.scn"), "b's scenes");
    testkit::WriteFileBytes(WorkFile("b_2006.12.07_10.00.00_am.scn"), "a stray scene list");
    testkit::WriteFileBytes(WorkFile("c_2006.12.07_10.00.00_am.scn"), "another stray one");
    EXPECT_EQ(Execute("AjouterDateCode", *Analyse(b)).newfichier, WorkFile("b_2006.12.07_10.00.00_am(1).avi"));
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("b_2006.12.07_10.00.00_am(1).scn")), "b's scenes");
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("b_2006.12.07_10.00.00_am.scn")), "a stray scene list");
    EXPECT_EQ(Execute("AjouterDateCode", *Analyse(c)).newfichier, WorkFile("c_2006.12.07_10.00.00_am.avi"));
}

// A batch renames file after file in one folder: each rename sees the names the earlier ones
// made, in any case, and a name another program made in between.
TEST_F(Rename, RenamesInARowSeeEachOthersNamesInAnyCase)
{
    const auto one = Analyse(MakeDv("clip_1.avi")), two = Analyse(MakeDv("CLIP_2.avi")),
               three = Analyse(MakeDv("Clip_3.avi"));
    EXPECT_EQ(Execute("PurgerNom", *one).newfichier, WorkFile("clip.avi"));
    EXPECT_EQ(Question("PurgerNom", *two), "你要缩短文件名到 'CLIP_2.avi'\n并重命名到 'CLIP(1).avi'?");
    EXPECT_EQ(Execute("PurgerNom", *two).newfichier, WorkFile("CLIP(1).avi"));
    testkit::WriteFileBytes(WorkFile("clip(2).AVI"), "made by another program");
    EXPECT_EQ(Execute("PurgerNom", *three).newfichier, WorkFile("Clip(3).avi"));
    EXPECT_EQ(WorkNames(), (std::vector<std::string>{"CLIP(1).avi", "Clip(3).avi", "clip(2).AVI", "clip.avi"}));
}

// The next file of a batch wants the names the rename before it freed: it takes them as they are.
TEST_F(Rename, NamesFreedByTheRenameBeforeAreTakenWithoutANumber)
{
    settings::RacinePourRenommer = "tape";
    settings::FormatPourRenommer = "yyyy";
    const auto first = Analyse(MakeDv("tape2006.avi", {.year = 2005}));
    const auto second = Analyse(MakeDv("b.avi", {.year = 2006}));
    testkit::WriteFileBytes(WorkFile("tape2006.scn"), "the first one's scenes");
    testkit::WriteFileBytes(WorkFile("b.scn"), "the second one's scenes");
    EXPECT_EQ(Execute("RenameScAn", *first).newfichier, WorkFile("tape2005.avi"));
    EXPECT_EQ(Question("RenameScAn", *second), "你想要重命名文件  'b.avi'在 '" + WorkFile("tape2006.avi") + "'?");
    EXPECT_EQ(Execute("RenameScAn", *second).newfichier, WorkFile("tape2006.avi"));
    EXPECT_EQ(WorkNames(), (std::vector<std::string>{"tape2005.avi", "tape2005.scn", "tape2006.avi", "tape2006.scn"}));
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("tape2006.scn")), "the second one's scenes");
}

// The names after the recording date show it moved by the time offset; the file's own time stays
// the recording's.
TEST_F(Rename, DateAndCaptureNamesTakeTheTimeOffsetAndTheFileDateDoesNot)
{
    settings::DecalageHoraire = -10.5 / 24; // 2006-12-07 10:00 becomes the 6th, 23:30
    const auto a = Analyse(MakeDv("a.avi"));
    EXPECT_EQ(Question("AjouterDateCode", *a), "你要添加日期码到 'a.avi'\n并重命名到 'a_2006.12.06_11.30.00_pm.avi'?");
    EXPECT_EQ(Execute("AjouterDateCode", *a).newfichier, WorkFile("a_2006.12.06_11.30.00_pm.avi"));

    settings::RacinePourRenommer = "Tape_";
    settings::FormatPourRenommer = "yyyymmdd_hhnn";
    const auto b = Analyse(MakeDv("b.avi"));
    const std::string captured = WorkFile("Tape_20061206_2330.avi");
    EXPECT_EQ(Question("RenameScAn", *b), "你想要重命名文件  'b.avi'在 '" + captured + "'?");
    EXPECT_EQ(Execute("RenameScAn", *b).newfichier, captured);

    EXPECT_TRUE(Execute("FileDate", *Analyse(captured)).outcome.Done);
    EXPECT_EQ(Stat(captured).st_mtim.tv_sec, RecordedAt());
}

TEST_F(Rename, ANameTakenAfterTheQuestionIsNeverReplaced)
{
    const std::string a = MakeDv("a.avi");
    const auto f = Analyse(a);
    const std::string asked = WorkFile("a_2006.12.07_10.00.00_am.avi");
    ASSERT_NE(Question("AjouterDateCode", *f).find("a_2006.12.07_10.00.00_am.avi"), std::string::npos);
    // Another program takes the name between the clash test and the rename.
    rtl::FileCalls calls;
    calls.rename = [&](const char* from, const char* to, rtl::Replace replace) {
        if (to == asked && !fs::exists(asked))
            testkit::WriteFileBytes(asked, "arrived just now");
        return rtl::SystemRename(from, to, replace);
    };
    rtl::SetFileCalls(calls);
    const Executed r = Execute("AjouterDateCode", *f);
    rtl::SetFileCalls({});
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.newfichier, WorkFile("a_2006.12.07_10.00.00_am(1).avi"));
    EXPECT_EQ(testkit::ReadFileBytes(asked), "arrived just now");
    EXPECT_TRUE(fs::exists(r.newfichier));
}

TEST_F(Rename, ShorteningLooksAtTheBareNameOnly)
{
    const std::string folder = WorkFile("dv_2006");
    auto place = [&](const std::string& name) { return Analyse(MoveInto("dv_2006", MakeDv("made.avi"), name)); };
    EXPECT_EQ(Execute("PurgerNom", *place("clip_type2_in_(1).avi")).newfichier, folder + "/clip.avi");
    EXPECT_EQ(Execute("PurgerNom", *place("clip_final_2.avi")).newfichier, folder + "/clip_final.avi");
    EXPECT_EQ(actions::PurgedName("clip_type2_in(1)"), "clip_type2_in(1)"); // "(1)" follows no "_"
    EXPECT_EQ(Question("PurgerNom", *place("x_pal.avi")), "你要缩短文件名到 'x_pal.avi'\n并重命名到 'x.avi'?");

    // No "_" in the name: the folder's "_" strips nothing and the file stays where it is.
    const auto plain = place("123.avi");
    bool visible = true, enabled = true;
    actions::TParam param;
    ch.Action("PurgerNom").OnFileCondition(param, *plain, visible, enabled);
    EXPECT_FALSE(enabled);
    const Executed same = Execute("PurgerNom", *plain);
    EXPECT_EQ(same.newfichier, folder + "/123.avi");
    EXPECT_TRUE(fs::exists(folder + "/123.avi"));
    EXPECT_FALSE(fs::exists(work / "dv.avi"));

    // Everything strippable: no name would be left, the file stays as it is.
    const auto all = place("_in.avi");
    const Executed none = Execute("PurgerNom", *all);
    EXPECT_FALSE(none.outcome.Done);
    EXPECT_EQ(none.update, utNone);
    EXPECT_TRUE(fs::exists(folder + "/_in.avi"));
    EXPECT_EQ(Question("PurgerNom", *all), "");
}

TEST_F(Rename, CaptureNamesNeverBecomePathsOrEmptyNames)
{
    settings::RacinePourRenommer = "Tape/";
    settings::FormatPourRenommer = "dd/mm/yyyy";
    const auto f = Analyse(MakeDv("capture.avi"));
    EXPECT_EQ(Question("RenameScAn", *f),
              "你想要重命名文件  'capture.avi'在 '" + WorkFile("Tape.07.12.2006.avi") + "'?");
    const Executed r = Execute("RenameScAn", *f);
    EXPECT_EQ(r.newfichier, WorkFile("Tape.07.12.2006.avi"));
    EXPECT_EQ(WorkNames(), std::vector<std::string>{"Tape.07.12.2006.avi"});

    // A root and a pattern that give nothing: the file fails and keeps its name.
    settings::RacinePourRenommer = "";
    settings::FormatPourRenommer = "''";
    const auto g = Analyse(r.newfichier);
    const Executed empty = Execute("RenameScAn", *g);
    EXPECT_FALSE(empty.outcome.Done);
    EXPECT_NE(empty.outcome.Message.find("empty"), std::string::npos);
    EXPECT_EQ(empty.update, utNone);
    EXPECT_EQ(empty.newfichier, "");
    EXPECT_EQ(WorkNames(), std::vector<std::string>{"Tape.07.12.2006.avi"});

    // Renaming a file to the name it has changes nothing and numbers nothing.
    settings::RacinePourRenommer = "Tape";
    settings::FormatPourRenommer = "'.'dd'.'mm'.'yyyy";
    EXPECT_EQ(Execute("RenameScAn", *g).newfichier, g->FullName);
    EXPECT_EQ(WorkNames(), std::vector<std::string>{"Tape.07.12.2006.avi"});
}

TEST_F(Rename, QuestionsShortenByCharactersNotBytes)
{
    // 60 Chinese characters: 180 bytes, yet the whole question stays well under 255 characters.
    std::string chinese;
    for (int i = 0; i < 60; ++i)
        chinese += "视";
    const auto wide = Analyse(MakeDv(chinese + ".avi"));
    const std::string full = Question("AjouterDateCode", *wide);
    EXPECT_EQ(full.rfind("你要添加日期码到 '" + chinese + ".avi'", 0), 0u) << full;
    EXPECT_GT(full.size(), 254u);

    // 150 letters: the two names pass 254 characters, the new name alone does not.
    const std::string letters(150, 'v');
    const auto longer = Analyse(MakeDv(letters + ".avi"));
    EXPECT_EQ(Question("AjouterDateCode", *longer),
              "你要添加日期码到文件名并重命名为\n'" + letters + "_2006.12.07_10.00.00_am.avi'?");
    // 240 letters: even the new name alone is too long.
    const std::string longest(230, 'w');
    const auto longestFile = Analyse(MakeDv(longest + ".avi"));
    EXPECT_EQ(Question("AjouterDateCode", *longestFile), "Do you want to add a datecode to this file?");
}

TEST_F(Rename, FileDateSetsTheModificationTimeAndLeavesTheAccessTime)
{
    const std::string a = MakeDv("a.avi");
    const auto f = Analyse(a);
    const std::string q = Question("FileDate", *f);
    EXPECT_EQ(q.rfind("Do you really want to modify the dates of the file 'a.avi'\n\nOld creation date: ", 0), 0u);
    EXPECT_NE(q.find("\nOld modified date:  " + rtl::FormatDateTime("ddddd hh:nn:ss", f->LastWriteTime) +
                     "\nNew date : 07/12/2006 10:00:00"),
              std::string::npos)
        << q;

    // Read no more from here on: the access time after the modification time stays as it is.
    const timespec earlier[2] = {{1100000000, 0}, {1000000000, 0}}; // 2004 and 2001
    ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), earlier, 0), 0);
    const Executed r = Execute("FileDate", *f);
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.update, utModify);
    EXPECT_EQ(r.newfichier, a);
    const struct stat st = Stat(a);
    EXPECT_EQ(st.st_mtim.tv_sec, RecordedAt());
    EXPECT_EQ(st.st_atim.tv_sec, 1100000000);

    // A file that is gone: the system's reason, and the entry is still refreshed.
    fs::remove(a);
    const Executed gone = Execute("FileDate", *f);
    EXPECT_FALSE(gone.outcome.Done);
    EXPECT_NE(gone.outcome.Message.find("No such file or directory"), std::string::npos) << gone.outcome.Message;
    EXPECT_EQ(gone.update, utModify);
}

TEST_F(Rename, InAFolderTheUserMayNotChangeNothingIsTouched)
{
    const std::string a = MoveInto("locked", MakeDv("a.avi"), "a.avi"), scn = WorkFile("locked/a.scn");
    testkit::WriteFileBytes(scn, "scenes");
    const auto f = Analyse(a);
    const std::string bytes = testkit::ReadFileBytes(a);
    const struct stat before = Stat(a);
    Lock("locked");

    bool skipped = false;
    const bool verdict = AsNobody(
        dir,
        [&] {
            const Executed renamed = Execute("AjouterDateCode", *f);
            const Executed dated = Execute("FileDate", *f);
            const Executed trashed = Execute("SupprimerFichier", *f);
            return !renamed.outcome.Done && renamed.update == utNone &&
                   renamed.outcome.Message.find("Permission denied") != std::string::npos && !dated.outcome.Done &&
                   dated.outcome.Message.find("not permitted") != std::string::npos && !trashed.outcome.Done;
        },
        skipped);
    if (skipped)
        GTEST_SKIP() << "cannot give up root here";
    EXPECT_TRUE(verdict);
    EXPECT_EQ(testkit::ReadFileBytes(a), bytes);
    EXPECT_EQ(testkit::ReadFileBytes(scn), "scenes");
    EXPECT_EQ(Stat(a).st_mtim.tv_sec, before.st_mtim.tv_sec);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(work / "locked"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.avi", "a.scn"}));
}

} // namespace
