// The codec dialog, answered by scripts: the first-use preset from the file's code, what each
// item writes, the custom code's checks, and every way of dismissing it.
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/shell/Prompter.h"
#include "ui/codecformunit.h"

using actions::CodecChoice;
using ui::TCodecForm;

namespace {

// Chooses `item` as a click does, types `text` when given, presses OK.
ui::DialogScript<TCodecForm> Choose(int item, const QString& text = {})
{
    return [=](TCodecForm& f) {
        f.rgCodecItems->button(item)->click();
        if (!text.isNull())
            f.le->setText(text);
        f.BitBtn1->click();
    };
}

} // namespace

TEST(CodecForm, FirstUsePresetsTheItemOfTheFilesCodeInAnyCase)
{
    struct Case {
        const char* code;
        int item;
    };
    for (const Case& c : {Case{"DVSD", 0}, Case{"dsvd", 1}, Case{"cdvc", 2}, Case{"MJPG", 3}, Case{"", 3}}) {
        SCOPED_TRACE(c.code);
        TCodecForm form;
        int shown = -1;
        bool editable = false;
        QString text;
        form.answer = [&](TCodecForm& f) {
            shown = f.rgCodecItems->checkedId();
            editable = f.le->isEnabled();
            text = f.le->text();
        };
        EXPECT_EQ(form.Execute(c.code), std::nullopt);
        EXPECT_EQ(shown, c.item);
        EXPECT_EQ(editable, c.item == 3);
        EXPECT_EQ(text, c.item == 3 ? QString::fromLatin1(c.code) : QString());
    }
}

TEST(CodecForm, KeepsItsLastChoiceWhateverTheNextFile)
{
    TCodecForm form;
    form.answer = Choose(TCodecForm::itCdvc);
    ASSERT_TRUE(form.Execute("dvsd"));
    int shown = -1;
    form.answer = [&](TCodecForm& f) { shown = f.rgCodecItems->checkedId(); };
    form.Execute("MJPG");
    EXPECT_EQ(shown, TCodecForm::itCdvc);
}

TEST(CodecForm, EachItemWritesItsCodeAndQuotesItsText)
{
    TCodecForm form;
    const std::pair<int, CodecChoice> want[] = {
        {0, {"dvsd", "dvsd (微软)"}}, {1, {"dsvd", "dsvd"}}, {2, {"CDVC", "CDVC (Canopus)"}}};
    for (const auto& [item, choice] : want) {
        form.answer = Choose(item);
        const std::optional<CodecChoice> got = form.Execute("dvsd");
        ASSERT_TRUE(got);
        EXPECT_EQ(got->FourCC, choice.FourCC);
        EXPECT_EQ(got->Shown, choice.Shown);
    }
}

TEST(CodecForm, ACustomCodeIsCutOrPaddedToFourCharacters)
{
    TCodecForm form;
    const std::pair<QString, std::string> want[] = {
        {"ab", "ab  "}, {"abcdef", "abcd"}, {" x", " x  "}, {"DV25", "DV25"}, {"a~!}", "a~!}"}};
    for (const auto& [text, code] : want) {
        form.answer = Choose(TCodecForm::itCustom, text);
        const std::optional<CodecChoice> got = form.Execute("MJPG");
        ASSERT_TRUE(got) << text.toStdString();
        EXPECT_EQ(got->FourCC, code);
    }
}

TEST(CodecForm, ACustomCodeNotPrintableAsciiKeepsTheDialogOpenWithAMessage)
{
    for (const QString& text : {QStringLiteral(""), QStringLiteral("   "), QStringLiteral("é"), QStringLiteral("ab\tc"),
                                QStringLiteral("编码")}) {
        SCOPED_TRACE(text.toStdString());
        shell::ScriptedPrompter prompter;
        TCodecForm form(&prompter);
        bool stayedOpen = false;
        form.answer = [&](TCodecForm& f) {
            Choose(TCodecForm::itCustom, text)(f);
            stayedOpen = f.isVisible();
            f.BitBtn2->click();
        };
        EXPECT_EQ(form.Execute("MJPG"), std::nullopt);
        EXPECT_TRUE(stayedOpen);
        ASSERT_EQ(prompter.shown().size(), 1u);
        EXPECT_EQ(prompter.shown()[0].type, shell::MsgDlgType::mtError);
    }
}

TEST(CodecForm, EscCloseBoxAndCancelAfterAnEarlierOkGiveNone)
{
    TCodecForm form;
    const ui::DialogScript<TCodecForm> dismissals[] = {
        [](TCodecForm& f) { QTest::keyClick(&f, Qt::Key_Escape); }, [](TCodecForm& f) { f.close(); },
        [](TCodecForm& f) {
            f.rgCodecItems->button(TCodecForm::itDsvd)->click();
            f.BitBtn2->click();
        },
        [](TCodecForm&) {}, // left open
    };
    for (const auto& dismiss : dismissals) {
        form.answer = Choose(TCodecForm::itDvsd);
        ASSERT_TRUE(form.Execute("dvsd"));
        form.answer = dismiss;
        EXPECT_EQ(form.Execute("dvsd"), std::nullopt);
        EXPECT_FALSE(form.isVisible());
    }
}

TEST(CodecForm, OnlyTheCustomItemEnablesTheEdit)
{
    TCodecForm form;
    std::vector<bool> enabled;
    form.answer = [&](TCodecForm& f) {
        for (int item : {3, 0, 3, 2})
            f.rgCodecItems->button(item)->click(), enabled.push_back(f.le->isEnabled());
    };
    form.Execute("dvsd");
    EXPECT_EQ(enabled, (std::vector<bool>{true, false, true, false}));
}
