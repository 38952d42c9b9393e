// Hints keep their CR LF lines and their runs of blanks as tool tips, and name the controls
// that have no caption of their own.
#include <QAction>
#include <QTextDocument>
#include <QWidget>
#include <gtest/gtest.h>

#include "tests/vcl/QtPrinters.h"

#include "platform/vcl/Hint.h"

using namespace vcl;

TEST(Hint, TheToolTipKeepsLinesAndBlanks)
{
    const std::string hint =
        "Trackbar to navigate in the video.\r\nYou may also use CTRL+<arrows>\r\n和按 F8 或 F9  &  more";
    QTextDocument shown;
    shown.setHtml(ToolTipText(hint));
    EXPECT_EQ(shown.toPlainText(), QString::fromUtf8("Trackbar to navigate in the video.\nYou may also use "
                                                     "CTRL+<arrows>\n和按 F8 或 F9  &  more"));
    EXPECT_TRUE(ToolTipText("").isEmpty());

    QWidget tb;
    SetHint(tb, "Save a  LOG file...");
    EXPECT_EQ(tb.toolTip(), ToolTipText("Save a  LOG file..."));
    QAction mute;
    SetHint(mute, "Sound is On.\r\nClick to turn the sound Off.");
    EXPECT_EQ(mute.statusTip(), "Sound is On.");
    EXPECT_TRUE(mute.toolTip().contains("<br>"));
}

TEST(Hint, AControlWithoutACaptionIsNamedByItsHintsFirstLine)
{
    QWidget slider;
    SetAccessibleHint(slider, "Horizontal place of the inlay: \r\ndrag the slider, or click in the video.");
    EXPECT_EQ(slider.accessibleName(), "Horizontal place of the inlay:");
    EXPECT_EQ(slider.accessibleDescription(),
              "Horizontal place of the inlay: \ndrag the slider, or click in the video.");
    EXPECT_EQ(slider.toolTip(),
              ToolTipText("Horizontal place of the inlay: \r\ndrag the slider, or click in the video."));
}
