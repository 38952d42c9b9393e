// The information frame without playing: the properties of a file and their edge cases, the
// messages of the status codes with names as they are, the texts after Localise, the position
// text, the step table, the scene targets, and the events it raises.
#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/ui/FakeHost.h"
#include "tests/ui/WidgetTexts.h"
#include "ui/BaseFrame.h"

using namespace ui;
using actions::TAfficherFichier;

namespace {

std::string Str(const QString& s)
{
    return s.toStdString();
}

class Frame : public testing::Test, protected uitest::FrameParts {
protected:
    void SetUp() override { frame.Localise(); }

    // A list entry for `name` in the test folder with the analysis's fields as the test sets them.
    std::shared_ptr<TAfficherFichier> File(const std::string& name)
    {
        auto f = std::make_shared<TAfficherFichier>(dir.file(name));
        f->Codec = "dvsd";
        f->Valid = true;
        f->DVType = 2;
        f->Image = "720 x 576 (Pal 4x3)";
        f->Width = 720;
        f->Height = 540;
        f->Fps = 25;
        f->Duree = "6s 00fr";
        f->Timecode = "00.00.00.00";
        f->Datecode = "N/A";
        return f;
    }
};

} // namespace

TEST(PositionText, FramesAtTheRateOrMillisecondsWithoutOne)
{
    EXPECT_EQ(PositionText(90061, 25), "1:00:02:11");
    EXPECT_EQ(PositionText(36610000000, 0), "1:01:01:000");
    EXPECT_EQ(PositionText(0, 25), "0:00:00:00");
    EXPECT_EQ(PositionText(1798, 30000.0 / 1001), "0:00:59:29");
    EXPECT_EQ(PositionText(10000 * 1234, 0), "0:00:01:234");
}

TEST(Steps, FramesBySecondsAndMinutesOfTheRateOrTimeWithoutOne)
{
    const double ntsc = 30000.0 / 1001;
    EXPECT_EQ(TBaseFrame::StepFrameCount(0, ntsc), 1);
    EXPECT_EQ(TBaseFrame::StepFrameCount(1, ntsc), 30);
    EXPECT_EQ(TBaseFrame::StepFrameCount(2, ntsc), 1798);
    EXPECT_EQ(TBaseFrame::StepFrameCount(1, 25), 25);
    EXPECT_EQ(TBaseFrame::StepFrameCount(2, 25), 1500);
    EXPECT_EQ(TBaseFrame::StepTime(0), 400000);      // 40 ms
    EXPECT_EQ(TBaseFrame::StepTime(1), 10000000);    // 1 s
    EXPECT_EQ(TBaseFrame::StepTime(2), 600000000LL); // 60 s
}

TEST(Scenes, PreviousIsStrictAndNextAfterTheLastGoesToTheEnd)
{
    const std::vector<int32_t> starts{250, 250, 600}; // as read from a three-scene file
    EXPECT_EQ(NextSceneTarget(starts, 0, 1000), 250);
    EXPECT_EQ(NextSceneTarget(starts, 250, 1000), 600);
    EXPECT_EQ(NextSceneTarget(starts, 600, 1000), 1000);
    EXPECT_EQ(NextSceneTarget({}, 10, 1000), 1000);
    EXPECT_EQ(PreviousSceneTarget(starts, 600), 250); // at a scene's start: the one before
    EXPECT_EQ(PreviousSceneTarget(starts, 601), 600);
    EXPECT_EQ(PreviousSceneTarget(starts, 250), 0);
    EXPECT_EQ(PreviousSceneTarget(starts, 0), 0);
}

TEST_F(Frame, PropertiesOfAFile)
{
    auto f = File("Plage.avi");
    f->RecDate = rtl::EncodeDateTime(2006, 12, 31, 23, 59, 58, 0);
    f->Audio1 = "48000赫兹 16 比特  立体声";
    f->Audio2 = "PCM 192000 字节/秒";
    f->ScnExists = true;
    settings::FormatPourAfficherDatecode = "yyyy-mm-dd hh:nn:ss";
    frame.ShowFileProperties(f.get());
    EXPECT_EQ(Str(frame.LabNom->text()), "Plage.avi");
    EXPECT_EQ(Str(frame.labDatecode->text()), "2006-12-31 23:59:58"); // in the format of now
    EXPECT_EQ(Str(frame.LabTimecode->text()), "00.00.00.00");
    EXPECT_EQ(Str(frame.LabImage->text()), "720 x 576 (Pal 4x3)");
    EXPECT_EQ(Str(frame.LabDuree->text()), "6s 00fr");
    EXPECT_EQ(Str(frame.labFPS->text()), "25");
    EXPECT_EQ(view.ViewFps, 25);
    EXPECT_EQ(Str(frame.LabAudio1->text()), "48000赫兹 16 比特  立体声");
    EXPECT_EQ(Str(frame.LabAudio2->text()), "PCM 192000 字节/秒");
    EXPECT_FALSE(frame.labscn->isHidden());
    EXPECT_TRUE(frame.labsrt->isHidden());
    EXPECT_FALSE(frame.Shape1->isHidden());
    settings::FormatPourAfficherDatecode = "ddddd hh:nn:ss";

    // No date: the analysis's text; no rate: no rate shown, and the viewer steps by time.
    f->RecDate = 0;
    f->Fps = 0;
    f->Valid = false;
    frame.ShowFileProperties(f.get());
    EXPECT_EQ(Str(frame.labDatecode->text()), "N/A");
    EXPECT_EQ(Str(frame.labFPS->text()), "");
    EXPECT_EQ(view.ViewFps, 0);
    EXPECT_TRUE(frame.Shape1->isHidden());

    frame.ShowFileProperties(nullptr); // nothing changes
    EXPECT_EQ(Str(frame.LabNom->text()), "Plage.avi");
}

TEST_F(Frame, CodecSuffixByDvTypeAndSoundDurationInBrackets)
{
    auto f = File("c.avi");
    const struct {
        bool valid;
        int type;
        bool iavs;
        const char* shown;
    } cases[] = {{true, 1, false, "dvsd (类型 1)"},     {true, 2, false, "dvsd (类型 2)"},
                 {true, 2, true, "dvsd (type 2 iavs)"}, {true, 0, false, "dvsd (非典型)"},
                 {true, 3, false, "dvsd (非典型)"},     {false, 2, false, "dvsd"}};
    for (const auto& c : cases) {
        f->Valid = c.valid;
        f->DVType = c.type;
        f->Type2Iavs = c.iavs;
        frame.ShowFileProperties(f.get());
        EXPECT_EQ(Str(frame.LabCodec->text()), c.shown) << c.type;
    }
    const struct {
        const char* audio;
        const char* shown;
    } durations[] = {{"6s 02fr", "6s 00fr (6s 02fr)"}, {"6s 00fr", "6s 00fr"}, {"", "6s 00fr"}};
    for (const auto& d : durations) {
        f->AudioDuree = d.audio;
        frame.ShowFileProperties(f.get());
        EXPECT_EQ(Str(frame.LabDuree->text()), d.shown) << d.audio;
    }
}

TEST_F(Frame, TheVideoFitsTheBoxCentredInTheFrame)
{
    auto f = File("v.avi");
    frame.ShowFileProperties(f.get()); // 720 x 540: the box exactly
    EXPECT_EQ(frame.vw->geometry(), QRect((265 - 240) / 2, frame.reBaseFrame->y(), 240, 180));
    f->Height = 405; // 16:9
    frame.resize(300, frame.height());
    frame.ShowFileProperties(f.get());
    const QRect v = frame.vw->geometry();
    EXPECT_EQ(v, QRect((300 - 240) / 2, frame.reBaseFrame->y(), 240, 135));
    EXPECT_EQ(frame.labTimeStamp->y(), v.y() + 135 + 6);
    EXPECT_EQ(frame.Shape1->pos(), QPoint(v.x() + 240 - 16, v.y() + 135 - 16));
    EXPECT_EQ(frame.incrustHorz->x(), v.x() - 8);
    EXPECT_EQ(frame.incrustHorz->width(), 240 + 16);
    EXPECT_EQ(frame.incrustHorz->y(), v.y() + 135 - 5);
    EXPECT_EQ(frame.incrustVert->y(), v.y() - 8);
    EXPECT_EQ(frame.incrustVert->height(), 135 + 16);
    EXPECT_EQ(frame.incrustVert->x(), v.x() + 240 - 7);
    EXPECT_EQ(frame.tb->x(), v.x());
    EXPECT_EQ(frame.tb->width(), 240);
    f->Width = 480; // a tall picture: the box's height
    f->Height = 720;
    frame.ShowFileProperties(f.get());
    EXPECT_EQ(frame.vw->size(), QSize(120, 180));
    f->Width = 0; // no picture: the video stays
    frame.ShowFileProperties(f.get());
    EXPECT_EQ(frame.vw->size(), QSize(120, 180));
}

TEST_F(Frame, TheSliderFollowsThePictureWithoutAGapAndEverythingShowsDownToTheSmallestFrame)
{
    auto f = File("wide.avi");
    f->Height = 405; // 16:9
    frame.ShowVideo();
    auto under = [&](const QWidget* upper, const QWidget* lower, int gap) {
        EXPECT_EQ(lower->y(), upper->geometry().bottom() + 1 + gap)
            << upper->objectName().toStdString() << " / " << lower->objectName().toStdString();
    };
    auto inside = [&] {
        for (const QWidget* part : {static_cast<QWidget*>(frame.Panel1), static_cast<QWidget*>(frame.vw),
                                    static_cast<QWidget*>(frame.labTimeStamp), static_cast<QWidget*>(frame.tb)})
            EXPECT_TRUE(frame.rect().contains(part->geometry())) << part->objectName().toStdString();
    };
    for (const int height : {TBaseFrame::kDesignHeight, 700}) {
        SCOPED_TRACE(height);
        frame.resize(TBaseFrame::kDesignWidth, height);
        frame.ShowFileProperties(f.get());
        EXPECT_EQ(frame.vw->size(), QSize(240, 135)); // the design's box, whatever the spare height
        under(frame.vw, frame.labTimeStamp, 6);
        under(frame.labTimeStamp, frame.tb, 2);
        inside();
    }

    // The smallest frame still shows every part, the picture smaller at its aspect.
    const QSize smallest = frame.minimumSizeHint();
    EXPECT_LT(smallest.height(), TBaseFrame::kDesignHeight);
    frame.resize(TBaseFrame::kDesignWidth, smallest.height());
    frame.ShowFileProperties(f.get());
    const QSize picture = frame.vw->size();
    EXPECT_LT(picture.width(), 240);
    EXPECT_NEAR(picture.width() * 405.0 / 720, picture.height(), 1);
    under(frame.vw, frame.labTimeStamp, 6);
    under(frame.labTimeStamp, frame.tb, 2);
    inside();

    // A message takes the whole box, and the text and slider go under it.
    frame.resize(TBaseFrame::kDesignWidth, TBaseFrame::kDesignHeight);
    frame.ShowCodeWithVideo(media::vsNoDecoderSound);
    EXPECT_EQ(frame.reBaseFrame->size(), QSize(240, 180));
    under(frame.reBaseFrame, frame.labTimeStamp, 6);
    frame.ShowVideo();
    under(frame.vw, frame.labTimeStamp, 6);
}

TEST_F(Frame, ALongNameShrinksItsFontButNotBelowEightPoints)
{
    frame.ShowFileProperties(File("Plage.avi").get());
    EXPECT_EQ(frame.LabNom->font().pixelSize(), 13);
    // A name a little wider than the bevel's 257 - 10 pixels at 13 pixels high.
    const QFont at13 = vcl::ToQFont(rtl::LoadStr(rtl::sid::sMainNameFont), -13);
    std::string name = "Vacances en Bretagne";
    while (QFontMetrics(at13).horizontalAdvance(QString::fromStdString(name + ".avi")) < 257)
        name += " x";
    const int wide = QFontMetrics(at13).horizontalAdvance(QString::fromStdString(name + ".avi"));
    frame.ShowFileProperties(File(name + ".avi").get());
    EXPECT_EQ(frame.LabNom->font().pixelSize(), (257 - 10) * 13 / wide);
    EXPECT_LT(frame.LabNom->font().pixelSize(), 13);
    frame.ShowFileProperties(File(std::string(120, 'x') + ".avi").get());
    EXPECT_EQ(frame.LabNom->font().pointSize(), 8);
}

TEST_F(Frame, HintOfAFiveGigabyteFileShowsItsExactSize)
{
    const std::string path = dir.file("grand.avi");
    std::filesystem::resize_file((std::ofstream(path), path), 5000000000ULL); // sparse
    auto f = std::make_shared<TAfficherFichier>(path);
    ASSERT_EQ(f->Size(), 5000000000ULL);
    frame.ShowFileProperties(f.get());
    const std::string hint = Str(frame.Panel1->toolTip());
    EXPECT_NE(hint.find("File     : " + path), std::string::npos) << hint;
    EXPECT_NE(hint.find("Size     : 5,000,000,000<br>"), std::string::npos) << hint;
    EXPECT_NE(hint.find("Modified : "), std::string::npos) << hint;
}

TEST_F(Frame, StatusMessagesShowNamesAsTheyAre)
{
    auto f = File("Vacances/Plage ÉTÉ.AVI");
    f->Codec = "CDVC";
    frame.CurrentFichier = f;
    const std::string full = f->FullName;
    const std::string head[] = {"", "", "", "视频文件不可用", ""};
    auto lines = [&](std::initializer_list<std::string> tail) {
        std::vector<std::string> all(std::begin(head), std::end(head));
        all.insert(all.end(), tail);
        return all;
    };
    const std::string noDecoder = " There is no directshow filter on your system that can decompress the";
    const struct {
        media::TViewStatus code;
        std::vector<std::string> text;
    } cases[] = {
        {media::vsFileNotFound, lines({"The file", "", full, "is not found"})},
        {media::vsBadDV, lines({"文件 ", full, "像是标准 DV 编码. 到显示视频, 尝试改变编码 \"CDVC\" 到 \"dvsd\""})},
        {media::vsAudioOnly, lines({"The file", "", full, "has only Audio streams"})},
        {media::vsNotAvi, lines({"文件 ", "", "Plage ÉTÉ.AVI", "不是正确的 AVI 文件"})},
        {media::vsNoDecoderSound, lines({noDecoder, "", "编码 CDVC", "", "You may listen to Audio"})},
        {media::vsNoDecoderUnknownAudio, lines({noDecoder, "", "编码 CDVC", "", "Unknown Audio"})},
        {media::vsNoDecoder, lines({noDecoder, "", "编码 CDVC"})},
        {media::vsInterrupted, lines({" 视频临时中断", "to execute a command", "", "Plage ÉTÉ.AVI"})},
    };
    for (const auto& c : cases) {
        frame.WriteCodeMessage(c.code);
        EXPECT_EQ(frame.reBaseFrame->Lines(), c.text) << int(c.code);
    }
    f->Codec = "dvsd";
    frame.WriteCodeMessage(media::vsBadDV);
    EXPECT_EQ(frame.reBaseFrame->Lines(),
              lines({"文件 ", full, "seems not to be a correct dvsd DV file. It's impossible to play"}));

    // Without a current file the name lines are left out.
    frame.CurrentFichier.reset();
    frame.WriteCodeMessage(media::vsNotAvi);
    EXPECT_EQ(frame.reBaseFrame->Lines(), lines({"文件 ", "", "不是正确的 AVI 文件"}));
}

TEST_F(Frame, NameLinesAreBoldBlueAndTheHeadingBoldItalic)
{
    frame.CurrentFichier = File("n.avi");
    frame.WriteCodeMessage(media::vsFileNotFound);
    const QTextDocument& doc = *frame.reBaseFrame->document();
    // The format the text of a line is drawn with.
    auto format = [&](int line) { return doc.findBlockByNumber(line).begin().fragment().charFormat(); };
    const QTextCharFormat heading = format(3);
    EXPECT_TRUE(heading.fontItalic());
    EXPECT_EQ(heading.fontWeight(), QFont::Bold);
    const QTextCharFormat name = format(7);
    EXPECT_EQ(name.foreground().color(), QColor(Qt::blue));
    EXPECT_EQ(name.fontWeight(), QFont::Bold);
    const QTextCharFormat after = format(8);
    EXPECT_EQ(after.foreground().color(), QColor(Qt::black));
    EXPECT_EQ(after.fontWeight(), QFont::Normal);
    EXPECT_EQ(doc.findBlockByNumber(8).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST_F(Frame, DisplayModesAndClearing)
{
    frame.show();
    frame.ShowVideo();
    EXPECT_TRUE(frame.timer1.isActive());
    EXPECT_TRUE(frame.reBaseFrame->isHidden());
    EXPECT_FALSE(frame.tb->isHidden());
    frame.AfficherCode(media::vsInterrupted); // no file: the message alone
    EXPECT_FALSE(frame.timer1.isActive());
    EXPECT_TRUE(frame.tb->isHidden());
    EXPECT_TRUE(frame.labTimeStamp->isHidden());
    EXPECT_FALSE(frame.reBaseFrame->isHidden());
    EXPECT_EQ(frame.vw->x(), frame.reBaseFrame->x());
    EXPECT_EQ(view.ViewClosing.load(), 0); // closed for the message, then open again
    frame.ShowCodeWithVideo(media::vsAudioOnly);
    EXPECT_TRUE(frame.timer1.isActive());
    EXPECT_FALSE(frame.tb->isHidden());
    EXPECT_FALSE(frame.reBaseFrame->isHidden());

    auto f = File("c.avi");
    f->SrtExists = f->ScnExists = true;
    frame.CurrentFichier = f;
    frame.ShowFileProperties(f.get());
    frame.ClearFrame();
    EXPECT_EQ(Str(frame.LabNom->text()), "---");
    for (QLabel* l : {frame.labDatecode, frame.LabTimecode, frame.LabCodec, frame.LabImage, frame.LabDuree,
                      frame.labFPS, frame.LabAudio1, frame.LabAudio2})
        EXPECT_TRUE(l->text().isEmpty()) << Str(l->objectName());
    EXPECT_TRUE(frame.labscn->isHidden());
    EXPECT_TRUE(frame.labsrt->isHidden());
    EXPECT_FALSE(frame.CurrentFichier);
    // The player's commands without a file, and the read-out of a stopped viewer.
    frame.aeAvanceLow();
    frame.aeAvanceEnd();
    frame.aeReculeScene();
    const TPositionInfo info = frame.Timer1Timer();
    EXPECT_EQ(info.DatecodeText, "-");
    EXPECT_EQ(info.TimecodeText, "-");
}

TEST_F(Frame, LocaliseLeavesNoVisibleTextEmptyAndTheTrackHintIsTheFramesOwn)
{
    frame.show();
    uitest::ExpectEveryTextShown(frame);
    const std::string tb = Str(frame.tb->toolTip());
    EXPECT_NE(tb.find("Trackbar to navigate in the video."), std::string::npos);
    EXPECT_NE(tb.find("和按 F8 或 F9 到电影场景之间."), std::string::npos);
    EXPECT_NE(Str(frame.Shape1->toolTip()).find("当点击拐角显示或隐藏"), std::string::npos);
    EXPECT_NE(Str(frame.labTimeStamp->toolTip()).find("Position in the video:"), std::string::npos);
    EXPECT_NE(Str(frame.Gauge1->toolTip()).find("Gauge to show the progress"), std::string::npos);
    EXPECT_NE(Str(frame.LabNom->toolTip()).find("Click on the filename"), std::string::npos);
    EXPECT_NE(Str(frame.incrustHorz->toolTip()).find("Horizontal place"), std::string::npos);
    EXPECT_NE(Str(frame.incrustVert->toolTip()).find("Vertical place"), std::string::npos);
    EXPECT_EQ(vcl::QtFace("Times New Roman"), Str(frame.labTimeStamp->font().family()));
    EXPECT_EQ(vcl::QtFace("Arial Narrow"), Str(frame.LabNom->font().family()));
    EXPECT_EQ(Str(frame.Label3->text()), "codec");
    EXPECT_EQ(Str(frame.LabAudio2->text()), "Audio");
}

TEST_F(Frame, EventsForTheMainWindow)
{
    frame.show();
    std::vector<std::string> events;
    frame.OnIncrustHorzChange = [&](int v) { events.push_back("x " + std::to_string(v)); };
    frame.OnIncrustVertChange = [&](int v) { events.push_back("y " + std::to_string(v)); };
    frame.OnIncrustMouseDown = [&] { events.push_back("down"); };
    frame.OnIncrustMouseUp = [&] { events.push_back("up"); };
    frame.OnShape1MouseDown = [&] { events.push_back("shape"); };
    frame.OnLabNomClick = [&] { events.push_back("name"); };
    frame.OnPlayCaption = [&](const std::string& c) { events.push_back(c); };
    frame.incrustHorz->show();
    frame.incrustVert->show();
    frame.Shape1->show();
    frame.incrustHorz->setValue(500); // OnChange: code too
    frame.incrustVert->setValue(80);
    QTest::mousePress(frame.incrustHorz, Qt::LeftButton); // on the handle: no page step
    QTest::mouseRelease(frame.incrustHorz, Qt::LeftButton);
    QTest::mouseClick(frame.Shape1, Qt::RightButton);
    QTest::mouseClick(frame.LabNom, Qt::LeftButton);
    frame.ShowPlayCaption("播放");
    EXPECT_EQ(events, (std::vector<std::string>{"x 500", "y 80", "down", "up", "shape", "name", "播放"}));
}
