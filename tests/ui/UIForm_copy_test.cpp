// The information panel's copy menu: eight items and a separator on the frame's Panel1, each
// putting its value on the clipboard as the frame shows it, in Unicode, the full name exactly as
// the path is. On an X server (run under xvfb-run with MORVEL_TEST_PLATFORM=xcb) another program,
// xclip, reads the same text back.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <gtest/gtest.h>

#include "platform/vcl/Clipboard.h"
#include "tests/ui/MainWindowKit.h"

using namespace uitest;
using V = std::vector<std::string>;

namespace {

class CopyMenu : public ::testing::Test {
protected:
    // A type-2 file with one sound track, in a folder with accents and a Chinese name.
    ui::TUIForm& OpenClip()
    {
        const std::string summer = m.dir.file("tapes/Été 2006");
        fs::create_directories(summer);
        clip = DatedDv(summer + "/Clip 海.avi", 2006, 7, 14, 9);
        ui::TUIForm& w = m.Open();
        w.LoadFiles({clip}, "");
        EXPECT_TRUE(m.Loaded());
        // The read-out writes the date of the picture shown: once the viewer is paused on it, the
        // file's date, not "-" of a viewer still opening.
        EXPECT_TRUE(PumpUntil(
            [&] {
                return media::viewdm().Graph().State(0) == ds::FilterState::Paused &&
                       w.BaseFrame->labDatecode->text().contains(QStringLiteral("2006"));
            },
            10000));
        return w;
    }
    QAction* Item(const std::string& name) const
    {
        for (QAction* a : m.window->copiermenu->actions())
            if (a->objectName().toStdString() == name)
                return a;
        ADD_FAILURE() << name;
        return nullptr;
    }
    // The clipboard after the item was chosen.
    std::string Copy(const std::string& item)
    {
        Item(item)->trigger();
        return QGuiApplication::clipboard()->text().toStdString();
    }

    MainWindow m;
    std::string clip;
};

} // namespace

TEST_F(CopyMenu, EachItemCopiesItsValueAsShownAndTheFullNameExactly)
{
    ui::TUIForm& w = OpenClip();
    ui::TBaseFrame& f = *w.BaseFrame;
    ASSERT_EQ(m.CurrentName(), "Clip 海.avi");

    const QList<QAction*> items = w.copiermenu->actions();
    ASSERT_EQ(items.size(), 9);
    EXPECT_TRUE(items[7]->isSeparator());
    V names, captions;
    for (const QAction* a : items)
        if (!a->isSeparator()) {
            names.push_back(a->objectName().toStdString());
            captions.push_back(a->text().toStdString());
        }
    EXPECT_EQ(names, (V{"Copierledatecode1", "Copierletimecode1", "Copierlecodec1", "Copierlatailledimages1",
                        "Copierladure1", "CopierlesFps1", "Copierlaudio1", "Copierlenomcomplet1"}));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(captions[i], rtl::LoadStr(rtl::sid::sMainCopyFirst + i));

    // A right click on the panel opens it.
    emit f.Panel1->customContextMenuRequested(QPoint(10, 10));
    EXPECT_TRUE(w.copiermenu->isVisible());
    w.copiermenu->hide();

    const std::pair<const char*, QLabel*> shown[] = {
        {"Copierledatecode1", f.labDatecode},   {"Copierletimecode1", f.LabTimecode}, {"Copierlecodec1", f.LabCodec},
        {"Copierlatailledimages1", f.LabImage}, {"Copierladure1", f.LabDuree},        {"CopierlesFps1", f.labFPS}};
    for (const auto& [item, label] : shown) {
        SCOPED_TRACE(item);
        EXPECT_FALSE(label->text().isEmpty());
        EXPECT_EQ(Copy(item), label->text().toStdString());
    }
    EXPECT_NE(f.labDatecode->text().indexOf(QStringLiteral("2006")), -1);
    EXPECT_EQ(Copy("Copierlaudio1"), (f.LabAudio1->text() + " " + f.LabAudio2->text()).toStdString());
    EXPECT_EQ(Copy("Copierlenomcomplet1"), clip);
    EXPECT_EQ(clip, m.dir.file("tapes/Été 2006/Clip 海.avi"));

    // Without a current file the full name copies nothing.
    w.afViderListeExecute();
    vcl::SetClipboardText("kept");
    EXPECT_EQ(Copy("Copierlenomcomplet1"), "kept");
}

// On an X server only (ctest runs it under Xvfb): another program reads the clipboard.
class CopyMenuOnX : public CopyMenu {};

TEST_F(CopyMenuOnX, XclipReadsWhatTheMenuCopied)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run with MORVEL_TEST_PLATFORM=xcb";
    ASSERT_TRUE(testkit::HaveProgram("xclip"));
    ui::TUIForm& w = OpenClip();
    // The clipboard is served by this process while xclip asks for it.
    auto xclip = [] {
        QProcess p;
        p.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        EXPECT_TRUE(PumpUntil([&] { return p.state() == QProcess::NotRunning; }, 20000));
        return p.readAllStandardOutput().toStdString();
    };
    Item("Copierlenomcomplet1")->trigger();
    EXPECT_EQ(xclip(), clip);
    Item("Copierledatecode1")->trigger();
    EXPECT_EQ(xclip(), w.BaseFrame->labDatecode->text().toStdString());
}
