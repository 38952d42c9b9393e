// The common dialogs: the save rules every implementation shares (default extension, the
// overwrite question), the scripted dialogs tests use, and the Qt dialogs driven as a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

#include "tests/vcl/QtPrinters.h"

#include "platform/vcl/FontDialog.h"
#include "platform/vcl/QtDialogs.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "tests/kit/TempDir.h"

using namespace vcl;
using shell::ModalResult;
using testkit::TempDir;

namespace {

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

// Plays the user: each step gets the next modal window once it is shown and active, as a user
// finds it (the focus where the window put it), and handles it from the event loop. A step must
// close its window: one it left open is closed and the test fails instead of hanging.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget& modal)>;
    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) { qApp->installEventFilter(this); }
    ~ModalScript() override { qApp->removeEventFilter(this); }
    size_t done() const { return next_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::WindowActivate)
            QMetaObject::invokeMethod(
                this, [this] { Next(); }, Qt::QueuedConnection);
        return false;
    }

private:
    void Next()
    {
        QWidget* modal = QApplication::activeModalWidget();
        // A window gone leaves a null pointer: the next one may be made at its address.
        if (!modal || modal == last_ || !modal->isVisible() || !modal->isActiveWindow() || next_ >= steps_.size())
            return;
        last_ = modal;
        steps_[next_++](*modal);
        if (last_ && last_->isVisible()) {
            ADD_FAILURE() << "a dialog stayed open";
            if (auto* d = qobject_cast<QDialog*>(last_.data()))
                d->done(QDialog::Rejected);
        }
    }
    std::vector<Step> steps_;
    size_t next_ = 0;
    QPointer<QWidget> last_;
};

// Writes `text` in the file dialog's name box, where the user types, and presses OK.
void NameAndAccept(QFileDialog& d, const std::string& text)
{
    auto* name = d.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(text));
    static_cast<QDialog&>(d).accept(); // a user's OK
}

} // namespace

TEST(Dialogs, TheDefaultExtensionGoesOnANameWithoutOne)
{
    EXPECT_EQ(WithDefaultExt("/a/walk", "txt"), "/a/walk.txt");
    EXPECT_EQ(WithDefaultExt("/a/walk", ".txt"), "/a/walk.txt");
    EXPECT_EQ(WithDefaultExt("/a/walk.log", ".txt"), "/a/walk.log");
    EXPECT_EQ(WithDefaultExt("/a.d/walk", ".txt"), "/a.d/walk.txt");
    EXPECT_EQ(WithDefaultExt("/a/walk", ""), "/a/walk");
}

TEST(Dialogs, TheSaveDialogAsksBeforeReplacingAndNoShowsItAgain)
{
    TempDir dir;
    const std::string taken = dir.file("PlayList.txt");
    Touch(taken);
    ScriptedDialogs d({ModalResult::mrNo, ModalResult::mrYes});
    d.saveAnswers = {dir.file("PlayList"), taken, dir.file("new")};
    const SaveRequest r{
        .filter = "PlayList (*.txt)|*.txt", .fileName = "first.txt", .defaultExt = ".txt", .overwritePrompt = true};

    EXPECT_EQ(d.SaveFile(r), taken); // No, then Yes
    ASSERT_EQ(d.messages.shown().size(), 2u);
    EXPECT_NE(d.messages.shown()[0].text.find(taken), std::string::npos);
    EXPECT_EQ(d.messages.shown()[0].buttons, shell::mbYes | shell::mbNo);
    ASSERT_EQ(d.saveRequests.size(), 2u);
    EXPECT_EQ(d.saveRequests[0].fileName, "first.txt");
    EXPECT_EQ(d.saveRequests[1].fileName, taken); // shown again as the user left it

    EXPECT_EQ(d.SaveFile(r), dir.file("new.txt")); // a new name: no question
    EXPECT_EQ(d.messages.shown().size(), 2u);
    EXPECT_EQ(d.SaveFile(r), std::nullopt); // no answer left: cancelled

    ScriptedDialogs quiet;
    quiet.saveAnswers = {taken};
    EXPECT_EQ(quiet.SaveFile(SaveRequest{.fileName = "x"}), taken); // no prompt asked for
    EXPECT_TRUE(quiet.messages.shown().empty());
}

TEST(Dialogs, ScriptedDialogsAnswerInOrderAndRecordWhatWasAsked)
{
    ScriptedDialogs d;
    d.openAnswers = {std::vector<std::string>{"/a.avi", "/b.avi"}, std::nullopt};
    d.folderAnswers = {"/films"};
    d.fontAnswers = {rtl::FontSpec{"Liberation Serif", 14}};
    EXPECT_EQ(d.OpenFiles({.filter = "Files  avi|*.avi;", .multiSelect = true}),
              (std::vector<std::string>{"/a.avi", "/b.avi"}));
    EXPECT_EQ(d.OpenFiles({}), std::nullopt);
    EXPECT_EQ(d.OpenFiles({}), std::nullopt);
    EXPECT_EQ(d.openRequests.size(), 3u);
    EXPECT_TRUE(d.openRequests[0].multiSelect);
    EXPECT_EQ(d.SelectFolder({.title = "t", .initialDir = "/"}), "/films");
    EXPECT_EQ(d.folderRequests.at(0).title, "t");
    EXPECT_EQ(d.ChooseFont({"Arial", 48}), (rtl::FontSpec{"Liberation Serif", 14}));
    EXPECT_EQ(d.fontRequests.at(0).Size, 48);
    EXPECT_EQ(d.MessageDlg("?", shell::MsgDlgType::mtConfirmation, shell::mbYes), ModalResult::mrCancel);
}

TEST(QtDialogs, FiltersAreWrittenAsQtReadsThem)
{
    EXPECT_EQ(QtNameFilters("Log files (*.log)|*.log|Txt files(*.txt)|*.txt|All files (*.*)|*.*"),
              (QStringList{"Log files (*.log)", "Txt files (*.txt)", "All files (*)"}));
    EXPECT_EQ(QtNameFilters("Files  avi|*.avi;"), QStringList{"Files  avi (*.avi)"});
    EXPECT_EQ(QtNameFilters("bmp or jpg|*.bmp;*.jpg;*.d??"), QStringList{"bmp or jpg (*.bmp *.jpg *.d?\?)"});
    EXPECT_TRUE(QtNameFilters("").isEmpty());
    EXPECT_TRUE(QtNameFilters("no pattern").isEmpty());
}

TEST(QtDialogs, TheOpenDialogShowsTheRequestAndGivesTheChosenFile)
{
    TempDir dir;
    const std::string film = dir.file("été.avi");
    Touch(film);
    QtDialogs dialogs;
    ModalScript user({[&](QWidget& modal) {
        auto& d = dynamic_cast<QFileDialog&>(modal);
        EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d.nameFilters(), (QStringList{"Files avi (*.avi)", "All (*)"})); // Qt folds the blanks
        EXPECT_EQ(d.selectedNameFilter(), "All (*)");
        EXPECT_EQ(d.directory().absolutePath().toStdString(), dir.path().string());
        EXPECT_EQ(d.windowTitle(), "Open");
        NameAndAccept(d, film);
    }});
    const auto files = dialogs.OpenFiles({.title = "Open",
                                          .filter = "Files  avi|*.avi;|All|*.*",
                                          .filterIndex = 2,
                                          .initialDir = dir.path().string(),
                                          .multiSelect = true});
    EXPECT_EQ(user.done(), 1u);
    EXPECT_EQ(files, std::vector<std::string>{film});

    ModalScript cancel({[](QWidget& modal) { dynamic_cast<QDialog&>(modal).reject(); }});
    EXPECT_EQ(dialogs.OpenFiles({.initialDir = dir.path().string()}), std::nullopt);
}

TEST(QtDialogs, SavingOverAFileAsksInAMessageBox)
{
    TempDir dir;
    const std::string taken = dir.file("walk.log");
    Touch(taken);
    QtDialogs dialogs;
    auto chooseTaken = [&](QWidget& modal) {
        auto& d = dynamic_cast<QFileDialog&>(modal);
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(d.testOption(QFileDialog::DontConfirmOverwrite)); // the question is ours
        NameAndAccept(d, dir.file("walk"));                           // the extension comes by default
    };
    auto answer = [](QMessageBox::StandardButton b) {
        return [b](QWidget& modal) {
            auto& box = dynamic_cast<QMessageBox&>(modal);
            box.button(b)->click();
        };
    };
    ModalScript user({chooseTaken, answer(QMessageBox::No), chooseTaken, answer(QMessageBox::Yes)});
    const SaveRequest r{.filter = "Log files (*.log)|*.log",
                        .initialDir = dir.path().string(),
                        .defaultExt = "log",
                        .overwritePrompt = true};
    EXPECT_EQ(dialogs.SaveFile(r), taken);
    EXPECT_EQ(user.done(), 4u);
}

TEST(QtDialogs, TheFolderAndFontDialogs)
{
    TempDir dir;
    QtDialogs dialogs;
    ModalScript user({[&](QWidget& modal) {
                          auto& d = dynamic_cast<QFileDialog&>(modal);
                          EXPECT_EQ(d.fileMode(), QFileDialog::Directory);
                          EXPECT_TRUE(d.testOption(QFileDialog::ShowDirsOnly));
                          NameAndAccept(d, dir.path().string());
                      },
                      [](QWidget& modal) {
                          auto& d = dynamic_cast<FontColorDialog&>(modal);
                          const rtl::FontSpec preset = d.Spec();
                          EXPECT_EQ(preset.Name, "Liberation Serif");
                          EXPECT_EQ(preset.Size, 14);
                          EXPECT_EQ(preset.Style, rtl::fsItalic);
                          EXPECT_EQ(preset.Color, 0x00800000u);
                          d.SetColor(QColor(0xFF, 0, 0));
                          static_cast<QDialog&>(d).accept(); // a user's OK
                      }});
    EXPECT_EQ(dialogs.SelectFolder({.initialDir = dir.path().string()}), dir.path().string());
    const auto font = dialogs.ChooseFont({"Times New Roman", 14, 0x00800000, rtl::fsItalic, 0});
    ASSERT_TRUE(font);
    EXPECT_EQ(font->Name, "Liberation Serif");
    EXPECT_EQ(font->Color, 0x000000FFu);
    EXPECT_EQ(font->Charset, 0);
}

TEST(FontColorDialog, APixelSizeIsShownInPoints)
{
    FontColorDialog d;
    d.SetSpec({"Arial", -16, 0, 0});
    EXPECT_EQ(d.Spec().Size, 16 * 72 / d.logicalDpiY());
}
