// The viewer's events in the main window, with real keys and mouse: volume steps and mute keep
// the stored volume; clicks in the video place the overlay on the picture, letterboxed in full
// screen too, and the picture shows the text moved; an overlay slider's press plays and its
// release pauses only what it started; the list's keys and the position slider; every player key
// fires its one command, windowed and in full screen; the half-size preview; the pop-up menu; a
// frame-rate correction reopens the file it corrected.
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>

#include "media/dv_superposer.h"
#include "platform/vcl/Gauge.h"
#include "platform/vcl/Hint.h"
#include "tests/ui/PlayerKit.h"
#include "ui/OptionsFrame.h"

using namespace uitest;

namespace {

class ViewerTest : public ::testing::Test {
protected:
    ui::TBaseFrame& Frame() { return *p.window->BaseFrame; }
    vcl::VideoWindow& Video() { return *p.window->BaseFrame->vw; }
    void Click(int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(&Video(), button, {}, QPoint(x, y));
    }
    // The overlay's place as stored, as the sliders show it, as the overlay filter has it.
    void ExpectPlace(int x, int y)
    {
        EXPECT_EQ(settings::IncrustPositionX, x);
        EXPECT_EQ(settings::IncrustPositionY, y);
        EXPECT_EQ(Frame().incrustHorz->value(), x);
        EXPECT_EQ(Frame().incrustVert->value(), 1000 - y);
        const media::Tdv_Superposer::Settings s = p.Viewer().Superposer().CurrentSettings();
        EXPECT_EQ(s.PositionX, x);
        EXPECT_EQ(s.PositionY, y);
    }
    // The next picture the video window gets after `before`, once the graph is paused again.
    ds::PicturePtr NextPicture(const ds::PicturePtr& before)
    {
        PumpUntil([&] { return p.Picture() != before && p.State() == ds::FilterState::Paused; }, 3000);
        return p.Picture();
    }

    PlayerWindow p;
};

// Where two pictures of one size differ: the box around the pixels whose colours differ.
QRect Differences(const ds::VideoPicture& a, const ds::VideoPicture& b)
{
    QRect box;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if ((a.Pixel(x, y) & 0xFFFFFF) != (b.Pixel(x, y) & 0xFFFFFF))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST_F(ViewerTest, VolumeStepsAndMuteKeepTheStoredVolume)
{
    ui::TUIForm& w = p.OpenOn({p.Clip("clip.avi")});
    ds::GraphComponent& graph = p.Viewer().Graph();
    const auto expectVolume = [&](int stored, int played) {
        EXPECT_EQ(settings::Volume, stored);
        EXPECT_EQ(w.Gauge2->Progress(), stored / 100);
        EXPECT_EQ(graph.LinearVolume(), played);
    };
    settings::Volume = 9500;
    p.Press(Qt::Key_Plus, Qt::KeypadModifier);
    expectVolume(10000, 10000);
    p.Press(Qt::Key_Plus);
    expectVolume(10000, 10000);
    settings::Volume = 500;
    p.Press(Qt::Key_Minus, Qt::KeypadModifier);
    expectVolume(0, 0);
    w.afDecVolumeExecute();
    expectVolume(0, 0);
    for (int i = 0; i < 6; ++i)
        w.afIncVolumeExecute();
    expectVolume(6000, 6000);

    // Muted: the commands move the stored volume and the gauge, the sound stays off.
    EXPECT_EQ(w.avMute->text().toStdString(), "Sound off");
    p.Press(Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(settings::IsMuteOn);
    EXPECT_TRUE(w.Panel1->isHidden());
    EXPECT_EQ(w.avMute->text().toStdString(), "Sound on");
    EXPECT_EQ(w.avMute->toolTip(), vcl::ToolTipText("Sound is Off.\r\nClick to turn the sound On."));
    EXPECT_EQ(w.avMute->data().toInt(), 19);
    expectVolume(6000, 0);
    p.Press(Qt::Key_Minus, Qt::KeypadModifier);
    expectVolume(5000, 0);
    // Unmuted: the stored volume, not the full one.
    p.Press(Qt::Key_M, Qt::ControlModifier);
    EXPECT_FALSE(settings::IsMuteOn);
    EXPECT_FALSE(w.Panel1->isHidden());
    EXPECT_EQ(w.avMute->text().toStdString(), "Sound off");
    EXPECT_EQ(w.avMute->data().toInt(), 20);
    expectVolume(5000, 5000);
}

TEST_F(ViewerTest, AClickPlacesTheOverlayOnThePictureWindowedAndInFullScreen)
{
    p.StorePreferences([] {
        settings::IsIncrustOn = true;
        settings::AutoIncrust = 0; // the text always shows
        settings::Alignement = 2;
        settings::IncrustPositionX = 920;
        settings::IncrustPositionY = 920;
    });
    ui::TUIForm& w = p.OpenOn({p.Clip("clip.avi")});
    ASSERT_TRUE(p.ShowsFrame(0));
    // A window the size of the picture, shown as it is (not at its 4:3 display shape).
    Video().SetDisplayAspect(720, 576);
    Video().resize(720, 576);
    ASSERT_EQ(Video().PictureRect(), QRect(0, 0, 720, 576));

    // The sliders hidden: a click does nothing.
    Click(360, 288);
    EXPECT_EQ(settings::IncrustPositionX, 920);
    EXPECT_EQ(settings::IncrustPositionY, 920);

    // The picture without the text, and with it at its first place, at the bottom right.
    p.Viewer().Superposer().SetIncrustOn(false);
    p.Viewer().RedrawPaused();
    const ds::PicturePtr plain = NextPicture(p.Picture());
    p.Viewer().Superposer().SetIncrustOn(true);
    p.Viewer().RedrawPaused();
    const ds::PicturePtr before = NextPicture(plain);
    const QRect textBefore = Differences(*plain, *before);
    ASSERT_FALSE(textBefore.isEmpty());
    EXPECT_LE(textBefore.right(), 720 * 920 / 1000 + 2);
    EXPECT_GT(textBefore.bottom(), 576 * 920 / 1000 - 25);

    settings::IncrustSlidersVisible = true;
    Frame().incrustHorz->show();
    Frame().incrustVert->show();
    Click(360, 288);
    ExpectPlace(500, 500);
    // The picture is drawn again with the text ending at the centre.
    const ds::PicturePtr after = NextPicture(before);
    const QRect textAfter = Differences(*plain, *after);
    ASSERT_FALSE(textAfter.isEmpty());
    EXPECT_LE(textAfter.right(), 362);
    EXPECT_LE(textAfter.bottom(), 290);
    EXPECT_GT(textAfter.bottom(), 288 - 25);
    EXPECT_EQ(p.State(), ds::FilterState::Paused);

    Click(719, 575); // the bottom-right pixel
    ExpectPlace(998, 998);
    Click(360, 0); // the top edge: 0, which the vertical slider shows as 1000
    ExpectPlace(500, 0);

    // Full screen: the picture, letterboxed, is the reference; the bands give the nearest edge.
    p.Press(Qt::Key_F11);
    ASSERT_TRUE(Video().FullScreen());
    EXPECT_EQ(w.avFullscreen->text().toStdString(), "退出全屏");
    Video().setGeometry(0, 0, 1280, 800);
    ASSERT_EQ(Video().PictureRect(), QRect(140, 0, 1000, 800));
    Click(640, 400);
    ExpectPlace(500, 500);
    Click(20, 400); // the left band
    ExpectPlace(0, 500);
    Click(1270, 780); // the right band, low
    ExpectPlace(1000, 975);
    p.Press(Qt::Key_Escape);
    EXPECT_FALSE(Video().FullScreen());
    EXPECT_EQ(w.avFullscreen->text().toStdString(), "全屏");
    EXPECT_EQ(Video().parentWidget(), &Frame());

    // Other buttons place nothing: the right one opens the video's menu with its five commands.
    Video().resize(720, 576);
    Click(100, 100, Qt::MiddleButton);
    ExpectPlace(1000, 975);
    Click(100, 100, Qt::RightButton);
    ExpectPlace(1000, 975);
    EXPECT_TRUE(w.vwpopup->isVisible());
    const QList<QAction*> items = w.vwpopup->actions();
    for (QAction* a : {w.avPlayStop, w.avFullscreen, w.avMute, w.amAfficherIncrustation, w.amAfficherSliders})
        EXPECT_TRUE(items.contains(a)) << a->objectName().toStdString();
    w.vwpopup->hide();
    settings::IncrustSlidersVisible = false;
}

TEST_F(ViewerTest, AnOverlaySliderPlaysWhileHeldAndPausesOnlyWhatItStarted)
{
    ui::TUIForm& w = p.OpenOn({p.Clip("clip.avi")});
    ds::GraphComponent& graph = p.Viewer().Graph();
    QSlider& slider = *Frame().incrustHorz;
    slider.show();
    const QPoint handle(slider.width() / 2, slider.height() / 2);
    settings::Volume = 7000;

    // Paused: the press plays without sound, the release pauses and gives the sound back.
    ASSERT_EQ(p.State(), ds::FilterState::Paused);
    QTest::mousePress(&slider, Qt::LeftButton, {}, handle);
    EXPECT_EQ(p.State(), ds::FilterState::Running);
    EXPECT_EQ(graph.LinearVolume(), 0);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, handle);
    EXPECT_EQ(p.State(), ds::FilterState::Paused);
    EXPECT_EQ(graph.LinearVolume(), 7000);

    // Playing: it goes on playing, sound and all.
    p.Press(Qt::Key_Space);
    ASSERT_EQ(p.State(), ds::FilterState::Running);
    QTest::mousePress(&slider, Qt::LeftButton, {}, handle);
    EXPECT_EQ(p.State(), ds::FilterState::Running);
    EXPECT_EQ(graph.LinearVolume(), 7000);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, handle);
    EXPECT_EQ(p.State(), ds::FilterState::Running);
    EXPECT_EQ(graph.LinearVolume(), 7000);
    EXPECT_EQ(w.avPlayStop->text().toStdString(), "暂停");

    // Muted, a paused press and release leave the sound off.
    p.Press(Qt::Key_Space);
    p.Press(Qt::Key_M, Qt::ControlModifier);
    ASSERT_EQ(p.State(), ds::FilterState::Paused);
    QTest::mousePress(Frame().incrustVert, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseRelease(Frame().incrustVert, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(graph.LinearVolume(), 0);
    EXPECT_EQ(p.State(), ds::FilterState::Paused);

    // The corner shape runs the sliders' command.
    QSignalSpy sliders(w.amAfficherSliders, &QAction::triggered);
    ASSERT_TRUE(Frame().Shape1->isVisible());
    QTest::mouseClick(Frame().Shape1, Qt::LeftButton);
    EXPECT_EQ(sliders.count(), 1);
}

TEST_F(ViewerTest, TheListsKeysShowTheNextFileCtrlStepsAndThePositionSliderSeeks)
{
    ui::TUIForm& w = p.OpenOn({p.Clip("a.avi", 2006), p.Clip("b.avi", 2007)});
    ASSERT_EQ(p.CurrentName(), "a.avi");
    w.lb->setFocus();
    QTest::keyClick(w.lb, Qt::Key_Down);
    ASSERT_TRUE(p.Paused());
    EXPECT_EQ(p.CurrentName(), "b.avi");
    EXPECT_EQ(w.BaseFrame->LabNom->text().toStdString(), "b.avi");
    ASSERT_TRUE(p.ShowsFrame(0));
    // Until b's first picture replaces a's, also at position 0, the date is not known yet.
    EXPECT_TRUE(PumpUntil([&] { return p.DateShown() == DateText(JumpingDate(0) + 365.0); }, 3000)) << p.DateShown();

    QTest::keyClick(w.lb, Qt::Key_Down, Qt::ControlModifier); // a second on, the same file
    ASSERT_TRUE(p.ShowsFrame(25)) << p.Readout();
    EXPECT_EQ(p.CurrentName(), "b.avi");
    EXPECT_EQ(w.lb->currentRow(), 1);

    // The user takes the position slider to its middle: the middle frame, then the read-out runs.
    QSlider& tb = *Frame().tb;
    QStyleOptionSlider option;
    option.initFrom(&tb);
    option.orientation = tb.orientation();
    option.minimum = tb.minimum();
    option.maximum = tb.maximum();
    option.sliderPosition = option.sliderValue = tb.value();
    option.subControls = QStyle::SC_All;
    const QPoint handle = tb.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &tb).center();
    QTest::mousePress(&tb, Qt::LeftButton, {}, handle);
    EXPECT_FALSE(Frame().timer1.isActive());
    ASSERT_TRUE(tb.isSliderDown());
    tb.setSliderPosition(500); // dragged to the middle
    QTest::mouseRelease(&tb, Qt::LeftButton, {}, handle);
    ASSERT_FALSE(tb.isSliderDown());
    EXPECT_TRUE(Frame().timer1.isActive());
    EXPECT_TRUE(p.ShowsFrame(kClipFrames / 2)) << p.Readout();
    EXPECT_EQ(p.TimecodeShown(), TimecodeText(kClipFrames / 2));
}

// The player's keys, each once, in the window and on the full-screen video; Qt meets no key held
// twice.
TEST_F(ViewerTest, EveryPlayerKeyFiresItsOneCommandWindowedAndInFullScreen)
{
    QStringList warnings;
    static QStringList* seen = nullptr;
    seen = &warnings;
    const QtMessageHandler old = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        if (m.contains(QLatin1String("mbiguous")))
            seen->append(m);
    });
    ui::TUIForm& w = p.OpenOn({p.Clip("clip.avi", 2006, true)});
    struct Key {
        QAction* action;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key keys[] = {
        {w.avPlayStop, Qt::Key_Space, {}},
        {w.avPlayStop, Qt::Key_Space, {}},
        {w.avMute, Qt::Key_M, Qt::ControlModifier},
        {w.avMute, Qt::Key_M, Qt::ControlModifier},
        {w.avanceLow, Qt::Key_Right, Qt::ControlModifier},
        {w.reculeLow, Qt::Key_Left, Qt::ControlModifier},
        {w.avanceMedium, Qt::Key_Down, Qt::ControlModifier},
        {w.ReculeMedium, Qt::Key_Up, Qt::ControlModifier},
        {w.avanceHigh, Qt::Key_PageDown, Qt::ControlModifier},
        {w.ReculeHigh, Qt::Key_PageUp, Qt::ControlModifier},
        {w.avAvanceFin, Qt::Key_End, Qt::ControlModifier},
        {w.avReculeDebut, Qt::Key_Home, Qt::ControlModifier},
        {w.AvanceScene, Qt::Key_F9, {}},
        {w.AvanceScene, Qt::Key_F9, Qt::ControlModifier},
        {w.ReculeScene, Qt::Key_F8, {}},
        {w.ReculeScene, Qt::Key_F8, Qt::ControlModifier},
        {w.afIncVolume, Qt::Key_Plus, Qt::KeypadModifier},
        {w.afIncVolume, Qt::Key_Plus, {}},
        {w.afDecVolume, Qt::Key_Minus, Qt::KeypadModifier},
    };
    const auto pressAll = [&](bool fullScreen) {
        for (const Key& k : keys) {
            SCOPED_TRACE(k.action->objectName().toStdString() + (fullScreen ? " in full screen" : " windowed"));
            ASSERT_EQ(Video().FullScreen(), fullScreen);
            QSignalSpy fired(k.action, &QAction::triggered);
            p.Press(k.key, k.modifiers);
            EXPECT_EQ(fired.count(), 1);
        }
    };
    pressAll(false);
    // Into full screen and out by each of its keys; Esc leaves it too.
    for (const Key& k : {Key{w.avFullscreen, Qt::Key_F11, {}}, Key{w.avFullscreen, Qt::Key_Return, Qt::AltModifier},
                         Key{w.afInterrompre, Qt::Key_Escape, {}}}) {
        SCOPED_TRACE(k.action->objectName().toStdString());
        QSignalSpy fired(k.action, &QAction::triggered);
        p.Press(Qt::Key_F11);
        ASSERT_TRUE(Video().FullScreen());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Video()));
        p.Press(k.key, k.modifiers);
        EXPECT_EQ(fired.count(), k.action == w.avFullscreen ? 2 : 1);
        EXPECT_FALSE(Video().FullScreen());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.windowHandle()));
    }
    p.Press(Qt::Key_F11);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Video()));
    pressAll(true);
    p.Press(Qt::Key_Escape);
    EXPECT_FALSE(Video().FullScreen());
    qInstallMessageHandler(old);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ViewerTest, TheHalfSizePreviewShowsTheSameFileAtHalfItsSize)
{
    ui::TUIForm& w = p.OpenOn({p.Clip("a.avi", 2006), p.Clip("b.avi", 2007)});
    w.SetItemIndex(1);
    w.ShowCurrentFile();
    ASSERT_TRUE(p.ShowsFrame(0));
    ASSERT_EQ(p.Picture()->width, 720);
    QCheckBox& half = *w.OptionsFrame->cbPreviewDemi;
    ASSERT_FALSE(half.isChecked());
    half.click();
    EXPECT_TRUE(settings::PrevisualiserDVEnDemiFormat);
    ASSERT_TRUE(PumpUntil([&] { return p.Picture() && p.Picture()->width == 360; }, 5000));
    EXPECT_EQ(p.Picture()->height, 288);
    EXPECT_EQ(p.CurrentName(), "b.avi");
    EXPECT_EQ(p.State(), ds::FilterState::Paused);
    half.click();
    EXPECT_FALSE(settings::PrevisualiserDVEnDemiFormat);
    ASSERT_TRUE(PumpUntil([&] { return p.Picture() && p.Picture()->width == 720; }, 5000));
    EXPECT_EQ(p.Picture()->height, 576);
    EXPECT_EQ(p.CurrentName(), "b.avi");
}

TEST_F(ViewerTest, OverlayAndSliderKeysSwitchTheOverlayTheirCaptionsAndTheSliders)
{
    p.StorePreferences([] {
        settings::IsIncrustOn = false;
        settings::IncrustSlidersVisible = false;
        settings::IsMuteOn = false;
        settings::AutoIncrust = 0; // the text always shows
    });
    ui::TUIForm& w = p.OpenOn({p.Clip("clip.avi")});
    ASSERT_TRUE(p.ShowsFrame(0));
    ASSERT_FALSE(p.Viewer().Superposer().CurrentSettings().IncrustOn);
    const ds::PicturePtr plain = p.Picture();

    p.Press(Qt::Key_F12); // the overlay on: the paused picture is drawn again with the text
    ASSERT_TRUE(PumpUntil([&] { return w.amAfficherIncrustation->text().toStdString() == "隐藏日期码"; }, 5000));
    EXPECT_TRUE(settings::IsIncrustOn);
    EXPECT_TRUE(p.Viewer().Superposer().CurrentSettings().IncrustOn);
    const ds::PicturePtr inlaid = NextPicture(plain);
    ASSERT_TRUE(inlaid && plain);
    EXPECT_FALSE(Differences(*plain, *inlaid).isEmpty());

    p.Press(Qt::Key_I, Qt::AltModifier); // the sliders in place of the volume panel
    ASSERT_TRUE(PumpUntil([&] { return Frame().incrustHorz->isVisible(); }, 5000));
    EXPECT_TRUE(Frame().incrustVert->isVisible());
    EXPECT_FALSE(w.Panel1->isVisible());
    EXPECT_EQ(w.amAfficherSliders->text().toStdString(), "隐藏时间码位置滑块");

    p.Press(Qt::Key_I, Qt::AltModifier);
    ASSERT_TRUE(PumpUntil([&] { return !Frame().incrustHorz->isVisible(); }, 5000));
    EXPECT_TRUE(w.Panel1->isVisible());
    EXPECT_EQ(w.amAfficherSliders->text().toStdString(), "更改嵌入位置");

    p.Press(Qt::Key_F12);
    ASSERT_TRUE(PumpUntil([&] { return w.amAfficherIncrustation->text().toStdString() == "显示日期码"; }, 5000));
    EXPECT_FALSE(p.Viewer().Superposer().CurrentSettings().IncrustOn);
}

// The frame-rate correction lets the viewer go and then reopens it on the file it corrected,
// whichever entry is current.
TEST_F(ViewerTest, AFrameRateCorrectionReopensTheViewerOnTheFileItCorrected)
{
    ui::TUIForm& w = p.OpenOn({p.Clip("a.avi", 2006), p.Clip("b.avi", 2007)});
    ASSERT_EQ(p.CurrentName(), "a.avi");
    ASSERT_TRUE(PumpUntil([&] { return p.DateShown() == DateText(JumpingDate(0)); }, 3000)) << p.DateShown();
    const auto b = w.KeyList[1].Fichier;
    ASSERT_EQ(b->FileName, "b.avi");
    actions::tFileAction fix = p.ch.CorrigerFpsWith(actions::FpsChoice{});
    std::string newfichier;
    actions::TchUpdateType update = actions::utNone;
    ASSERT_TRUE(fix.OnExecution(fix.Param, *b, newfichier, update).Done);
    // The picture on the screen is b's: its recording date, a year after a's.
    EXPECT_TRUE(PumpUntil([&] { return p.DateShown() == DateText(JumpingDate(0) + 365.0); }, 3000)) << p.DateShown();
    EXPECT_EQ(p.CurrentName(), "a.avi");
    EXPECT_EQ(p.State(), ds::FilterState::Paused);
}
