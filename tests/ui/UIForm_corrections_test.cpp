// The three corrections from the window: each dialog starts from the file's own value, a choice
// runs the correction over the selection (read back by ffprobe), a dismissal or a zero offset runs
// nothing, entries selected while none is current still get their dialog, and without a selection
// no dialog shows.
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "formats/fpsunit.h"
#include "platform/rtl/SysUtils.h"
#include "tests/ui/BatchWindowKit.h"
#include "ui/codecformunit.h"
#include "ui/decalage.h"
#include "ui/frequenceformunit.h"

using namespace uitest;
using shell::ModalResult;
using V = std::vector<std::string>;

namespace {

class UIFormCorrections : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffprobe") || !testkit::HaveProgram("exiftool"))
            GTEST_SKIP() << "ffprobe or exiftool is missing";
    }
    // The video stream header's codec code: ffprobe shows the format block's, exiftool this one.
    static std::string Handler(const std::string& path)
    {
        std::string code = mediatest::ToolOutput("exiftool -s3 -VideoCodec " + mediatest::Quoted(path));
        while (!code.empty() && code.back() == '\n')
            code.pop_back();
        return code;
    }
    // ffprobe's frame rate of the video stream, from the stream header's rate and scale.
    static double ProbedRate(const std::string& path)
    {
        const std::string rate = ProbedVideo(path, "avg_frame_rate");
        const size_t slash = rate.find('/');
        return slash == std::string::npos ? 0 : std::atof(rate.c_str()) / std::atof(rate.c_str() + slash + 1);
    }
    // A dated DV type-2 file of a few frames, PAL or NTSC.
    std::string Clip(const std::string& name, bool pal = true)
    {
        testkit::DvClipSpec spec;
        spec.pal = pal;
        spec.frames = 3;
        spec.distinctPictures = 1;
        const std::string path = m.Tape(name);
        EXPECT_TRUE(testkit::WriteDvType2(path, testkit::MakeDvClip(spec)));
        return path;
    }
    // The window on these files, all selected, the first current; the question answered Yes (to
    // all, for several files).
    ui::TUIForm& OpenOn(const V& files)
    {
        ui::TUIForm& w = OpenSelected(m, files);
        m.dialogs.messages = shell::ScriptedPrompter({files.size() > 1 ? ModalResult::mrYesToAll : ModalResult::mrYes});
        return w;
    }

    MainWindow m;
};

} // namespace

TEST_F(UIFormCorrections, TheFrameRateDialogStartsFromTheFilesRateAndTheChoiceIsWritten)
{
    const std::string ntsc = Clip("ntsc.avi", false);
    ASSERT_NEAR(ProbedRate(ntsc), 29.97, 1e-2);
    ui::TUIForm& w = OpenOn({ntsc});
    int preset = -1;
    w.FrequenceForm->answer = [&](ui::TFrequenceForm& f) {
        preset = f.rgFreqItems->checkedId();
        f.rgFreqItems->button(ui::TFrequenceForm::itPal)->click();
        f.BitBtn1->click();
    };
    QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(preset, ui::TFrequenceForm::itNtsc);
    EXPECT_NEAR(ProbedRate(ntsc), 25.0, 1e-3);
    EXPECT_EQ(w.CurrentFichier()->Fps, 25.0); // the entry shows what the file now holds

    // 30 frames a second: the user's own rate, "30", in a window of its own (a first use).
    const std::string thirty = Clip("thirty.avi");
    ASSERT_TRUE(formats::WriteFrameRate(thirty, 30.0));
    ASSERT_NEAR(ProbedRate(thirty), 30.0, 1e-2);
    ui::TUIForm& next = OpenOn({thirty});
    QString text;
    next.FrequenceForm->answer = [&](ui::TFrequenceForm& f) {
        preset = f.rgFreqItems->checkedId();
        text = f.le->text();
        f.le->setText("24");
        f.BitBtn1->click();
    };
    QTest::keyClick(&next, Qt::Key_Y, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(preset, ui::TFrequenceForm::itCustom);
    EXPECT_EQ(text, "30");
    EXPECT_NEAR(ProbedRate(thirty), 24.0, 1e-2);
}

TEST_F(UIFormCorrections, TheCodecDialogIgnoresCaseAndAReadOnlyFileIsCorrectedAndStaysReadOnly)
{
    const std::string upper = Clip("upper.avi");
    ASSERT_TRUE(formats::WriteVideoHandler(upper, rtl::StrToFourCC("DVSD")));
    ASSERT_EQ(Handler(upper), "DVSD");
    ::chmod(upper.c_str(), 0444);
    ui::TUIForm& w = OpenOn({upper});
    int preset = -1;
    w.CodecForm->answer = [&](ui::TCodecForm& f) {
        preset = f.rgCodecItems->checkedId();
        f.rgCodecItems->button(ui::TCodecForm::itCdvc)->click();
        f.BitBtn1->click();
    };
    QTest::keyClick(&w, Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(preset, ui::TCodecForm::itDvsd);
    EXPECT_EQ(Handler(upper), "CDVC");
    EXPECT_EQ(w.CurrentFichier()->Codec, "CDVC");
    struct stat st {};
    ::stat(upper.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    ASSERT_EQ(m.dialogs.messages.shown().size(), 1u); // the question, no error
}

TEST_F(UIFormCorrections, ADismissedDialogOrAZeroOffsetRunsNothingAndAnOffsetWritesItsCopy)
{
    const std::string clip = Clip("clip.avi");
    const std::string bytes = testkit::ReadFileBytes(clip);
    ui::TUIForm& w = OpenOn({clip});
    auto hours = [](int h) {
        return [h](ui::TDecalageForm& f) {
            f.RxSpinEdit7->setValue(h);
            f.bbOK->click();
        };
    };
    int asked = 0;
    // The commands as the menu runs them: the offscreen platform leaves the keyboard with a dialog
    // once it is closed.
    auto run = [&](QAction* command) {
        ASSERT_TRUE(command->isVisible() && command->isEnabled());
        command->trigger();
    };
    w.DecalageForm->answer = [&](ui::TDecalageForm& f) {
        ++asked;
        hours(0)(f);
    };
    run(w.amDecalerHoraire);
    w.DecalageForm->answer = [&](ui::TDecalageForm& f) {
        ++asked;
        f.bbCancel->click();
    };
    run(w.amDecalerHoraire);
    w.CodecForm->answer = [&](ui::TCodecForm& f) {
        ++asked;
        f.BitBtn2->click();
    };
    run(w.amCorrigerCodec);
    EXPECT_EQ(asked, 3);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
    EXPECT_EQ(testkit::ReadFileBytes(clip), bytes);
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), V{"clip.avi"});
    EXPECT_EQ(m.SelectedNames(), V{"clip.avi"}); // nothing started, nothing unselected

    w.DecalageForm->answer = hours(1);
    run(w.amDecalerHoraire);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(m.Names(), (V{"clip.avi", "clip_(+1h).avi"}));
    EXPECT_EQ(mediatest::ProbedFrames(m.Tape("clip_(+1h).avi")), 3);
    EXPECT_EQ(testkit::ReadFileBytes(clip), bytes);

    w.afSelectionnerToutExecute();
    w.FrequenceForm->answer = [&](ui::TFrequenceForm& f) {
        ++asked;
        f.BitBtn2->click();
    };
    run(w.amCorrigerFps);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(asked, 4);
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"clip.avi", "clip_(+1h).avi"}));
    EXPECT_EQ(testkit::ReadFileBytes(clip), bytes);
}

TEST_F(UIFormCorrections, SelectedEntriesWithoutACurrentOneTakeTheFirstsValueAndNoSelectionNoDialog)
{
    const std::string a = Clip("a.avi");
    const std::string b = Clip("b.avi");
    ASSERT_TRUE(formats::WriteVideoHandler(a, rtl::StrToFourCC("dsvd")));
    ui::TUIForm& w = OpenOn({a, b});
    w.SetItemIndex(-1);
    w.RefreshList();
    ASSERT_EQ(w.CurrentFichier(), nullptr);
    ASSERT_EQ(m.SelectedNames(), (V{"a.avi", "b.avi"}));
    int preset = -1;
    w.CodecForm->answer = [&](ui::TCodecForm& f) {
        preset = f.rgCodecItems->checkedId();
        f.rgCodecItems->button(ui::TCodecForm::itCdvc)->click();
        f.BitBtn1->click();
    };
    w.UpdateActions();
    QTest::keyClick(&w, Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(preset, ui::TCodecForm::itDsvd);
    EXPECT_EQ(Handler(a), "CDVC");
    EXPECT_EQ(Handler(b), "CDVC");

    // Nothing selected: no dialog asks, nothing runs.
    w.lb->clearSelection();
    w.SetItemIndex(-1);
    w.RefreshList();
    ASSERT_TRUE(m.SelectedNames().empty());
    bool asked = false;
    w.CodecForm->answer = [&](ui::TCodecForm& f) {
        asked = true;
        f.BitBtn1->click();
    };
    w.FrequenceForm->answer = [&](ui::TFrequenceForm& f) {
        asked = true;
        f.BitBtn1->click();
    };
    w.DecalageForm->answer = [&](ui::TDecalageForm& f) {
        asked = true;
        f.bbOK->click();
    };
    const size_t questions = m.dialogs.messages.shown().size();
    w.amCorrigerCodecExecute();
    w.amCorrigerFpsExecute();
    w.amDecalerHoraireExecute();
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_FALSE(asked);
    EXPECT_EQ(m.dialogs.messages.shown().size(), questions);
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "b.avi"}));
}
