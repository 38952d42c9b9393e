// The file and folder edits: the dialog opened from the text held, the after-dialog event with
// the name and the confirmation (which it may change), and the text taking a confirmed name only.
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

#include "platform/vcl/FileEdits.h"
#include "platform/vcl/ScriptedDialogs.h"

namespace {

struct AfterDialog {
    std::vector<std::pair<std::string, bool>> calls;
    vcl::PickerEdit::AfterDialog Handler(std::function<void(std::string&, bool&)> change = nullptr)
    {
        return [this, change](std::string& name, bool& confirmed) {
            calls.emplace_back(name, confirmed);
            if (change)
                change(name, confirmed);
        };
    }
};

} // namespace

TEST(FileEdits, FolderEditAsksFromItsTextAndTakesOnlyAConfirmedName)
{
    vcl::ScriptedDialogs dialogs;
    vcl::DirectoryEdit edit(dialogs);
    AfterDialog after;
    edit.SetOnAfterDialog(after.Handler());
    edit.SetText("/home/ivor/Vidéos/");

    dialogs.folderAnswers.push_back("/media/dv/cassettes");
    edit.ButtonClick();
    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0].initialDir, "/home/ivor/Vidéos/");
    EXPECT_EQ(edit.Text(), "/media/dv/cassettes");

    edit.ButtonClick(); // no answer left: cancelled
    EXPECT_EQ(edit.Text(), "/media/dv/cassettes");
    ASSERT_EQ(after.calls.size(), 2u);
    EXPECT_EQ(after.calls[0], std::make_pair(std::string("/media/dv/cassettes"), true));
    EXPECT_EQ(after.calls[1], std::make_pair(std::string("/media/dv/cassettes"), false));
}

TEST(FileEdits, AfterDialogMayChangeTheNameOrRefuseIt)
{
    vcl::ScriptedDialogs dialogs;
    vcl::FileNameEdit edit(dialogs);
    edit.Filter = "Programs|*";
    edit.SetText("/usr/bin/vlc");
    AfterDialog after;
    edit.SetOnAfterDialog(after.Handler([](std::string& name, bool& confirmed) {
        if (name == "/usr/bin/false")
            confirmed = false;
        else
            name += "-wrapper";
    }));
    dialogs.openAnswers.push_back(std::vector<std::string>{"/usr/bin/mpv"});
    edit.ButtonClick();
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].initialDir, "/usr/bin");
    EXPECT_EQ(dialogs.openRequests[0].fileName, "/usr/bin/vlc");
    EXPECT_EQ(dialogs.openRequests[0].filter, "Programs|*");
    EXPECT_EQ(edit.Text(), "/usr/bin/mpv-wrapper");

    dialogs.openAnswers.push_back(std::vector<std::string>{"/usr/bin/false"});
    edit.ButtonClick();
    EXPECT_EQ(edit.Text(), "/usr/bin/mpv-wrapper");
}

TEST(FileEdits, TheButtonLeavesTheFocusInTheEdit)
{
    vcl::ScriptedDialogs dialogs;
    vcl::DirectoryEdit edit(dialogs);
    EXPECT_EQ(edit.Button().focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(edit.focusProxy(), &edit.Edit());
}
