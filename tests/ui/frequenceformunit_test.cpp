// The frame-rate dialog, answered by scripts: the first-use preset from the file's rate, the
// rates the items give, custom rates in the regional notation and the ones refused, and every way
// of dismissing it.
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/rtl/FormatSettings.h"
#include "platform/shell/Prompter.h"
#include "ui/frequenceformunit.h"

using actions::FpsChoice;
using ui::TFrequenceForm;

namespace {

ui::DialogScript<TFrequenceForm> Choose(int item, const QString& text = {})
{
    return [=](TFrequenceForm& f) {
        f.rgFreqItems->button(item)->click();
        if (!text.isNull())
            f.le->setText(text);
        f.BitBtn1->click();
    };
}

// The regional decimal separator for one test.
class DecimalSeparator {
public:
    explicit DecimalSeparator(const char* sep) : saved_(rtl::DefaultFormatSettings().DecimalSeparator)
    {
        rtl::DefaultFormatSettings().DecimalSeparator = sep;
    }
    ~DecimalSeparator() { rtl::DefaultFormatSettings().DecimalSeparator = saved_; }

private:
    std::string saved_;
};

} // namespace

TEST(FrequenceForm, FirstUsePresetsTheItemOfTheFilesRate)
{
    struct Case {
        double fps;
        int item;
        const char* text;
    };
    for (const Case& c : {Case{25.0, 0, ""}, Case{29.97002997, 1, ""}, Case{29.97, 1, ""}, Case{30.0, 2, "30"},
                          Case{12.5, 2, "12.5"}, Case{0.0, 2, "0"}}) {
        SCOPED_TRACE(c.fps);
        TFrequenceForm form;
        int shown = -1;
        bool editable = false;
        QString text;
        form.answer = [&](TFrequenceForm& f) {
            shown = f.rgFreqItems->checkedId();
            editable = f.le->isEnabled();
            text = f.le->text();
        };
        EXPECT_EQ(form.Execute(c.fps), std::nullopt);
        EXPECT_EQ(shown, c.item);
        EXPECT_EQ(editable, c.item == 2);
        EXPECT_EQ(text.toStdString(), c.text);
    }
}

TEST(FrequenceForm, KeepsItsLastChoiceAndTextWhateverTheNextFile)
{
    TFrequenceForm form;
    form.answer = Choose(TFrequenceForm::itCustom, QStringLiteral("50"));
    ASSERT_TRUE(form.Execute(25.0));
    int shown = -1;
    QString text;
    form.answer = [&](TFrequenceForm& f) {
        shown = f.rgFreqItems->checkedId();
        text = f.le->text();
    };
    form.Execute(29.97);
    EXPECT_EQ(shown, TFrequenceForm::itCustom);
    EXPECT_EQ(text, QStringLiteral("50"));
}

TEST(FrequenceForm, TheItemsGiveTheirRatesAsTyped)
{
    TFrequenceForm form;
    form.answer = Choose(TFrequenceForm::itNtsc);
    std::optional<FpsChoice> got = form.Execute(25.0);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Fps, 29.97); // not 30000/1001
    EXPECT_EQ(got->Shown, "29.97");
    form.answer = Choose(TFrequenceForm::itPal);
    got = form.Execute(25.0);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Fps, 25.0);
    EXPECT_EQ(got->Shown, "25");
}

TEST(FrequenceForm, ACustomRateIsReadInTheRegionalNotation)
{
    DecimalSeparator comma(",");
    shell::ScriptedPrompter prompter;
    TFrequenceForm form(&prompter);
    form.answer = Choose(TFrequenceForm::itCustom, QStringLiteral("29,5"));
    std::optional<FpsChoice> got = form.Execute(25.0);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->Fps, 29.5);
    EXPECT_EQ(got->Shown, "29,5");
    EXPECT_TRUE(prompter.shown().empty());

    form.answer = [](TFrequenceForm& f) {
        Choose(TFrequenceForm::itCustom, QStringLiteral("29.5"))(f);
        f.BitBtn2->click();
    };
    EXPECT_EQ(form.Execute(25.0), std::nullopt);
    EXPECT_EQ(prompter.shown().size(), 1u);
}

TEST(FrequenceForm, ARateNotANumberOrRefusedByTheHeaderKeepsTheDialogOpenWithAMessage)
{
    for (const char* text : {"abc", "0", "1e400", "", "é", "-25", "1e-9", "25 fps"}) {
        SCOPED_TRACE(text);
        shell::ScriptedPrompter prompter;
        TFrequenceForm form(&prompter);
        bool stayedOpen = false;
        QString selected;
        form.answer = [&](TFrequenceForm& f) {
            Choose(TFrequenceForm::itCustom, QString::fromUtf8(text))(f);
            stayedOpen = f.isVisible();
            selected = f.le->selectedText();
            f.BitBtn2->click();
        };
        EXPECT_EQ(form.Execute(25.0), std::nullopt);
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(selected, QString::fromUtf8(text)); // ready to be typed over
        ASSERT_EQ(prompter.shown().size(), 1u);
        EXPECT_NE(prompter.shown()[0].text.find(text), std::string::npos);
    }
}

TEST(FrequenceForm, EscCloseBoxAndCancelAfterAnEarlierOkGiveNone)
{
    const ui::DialogScript<TFrequenceForm> dismissals[] = {
        [](TFrequenceForm& f) { QTest::keyClick(&f, Qt::Key_Escape); },
        [](TFrequenceForm& f) { f.close(); },
        [](TFrequenceForm& f) { f.BitBtn2->click(); },
        // A refused rate, then the close box: the earlier OK does not come back.
        [](TFrequenceForm& f) {
            Choose(TFrequenceForm::itCustom, QStringLiteral("abc"))(f);
            f.close();
        },
    };
    shell::ScriptedPrompter prompter;
    TFrequenceForm form(&prompter);
    for (const auto& dismiss : dismissals) {
        form.answer = Choose(TFrequenceForm::itPal);
        ASSERT_TRUE(form.Execute(25.0));
        form.answer = dismiss;
        EXPECT_EQ(form.Execute(25.0), std::nullopt);
        EXPECT_FALSE(form.isVisible());
    }
}
