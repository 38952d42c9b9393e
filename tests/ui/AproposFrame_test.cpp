// The about and empty-list pages: the width they take and give back (also when shown twice), the
// parent they cover and keep large enough, the about line, the help texts in order, the system
// lines in black and in the mail body, the command table, their texts after Localise, and pictures
// that do not decode.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "settings/Preferences.h"
#include "tests/ui/FakeHost.h"
#include "tests/ui/WidgetTexts.h"
#include "ui/AproposFrame.h"
#include "ui/Pictures.h"
#include "ui/RichEdit.h"

using namespace ui;

namespace {

std::string Str(const QString& s)
{
    return s.toStdString();
}

} // namespace

TEST(Pages, TheWidthIsRememberedOnceAndGivenBack)
{
    uitest::FakeHost host;
    TAproposFrame about(host);
    TVideFrame empty(host);
    host.clientWidth = 265;
    empty.ShowPage();
    EXPECT_EQ(host.clientWidth, TVideFrame::kDesignWidth);
    EXPECT_TRUE(host.scrollBars); // the empty page leaves the scroll bars and the menu alone
    EXPECT_TRUE(host.popupMenu);
    empty.ShowPage(); // the list's refresh shows it again: it keeps the width it first had
    empty.HidePage();
    EXPECT_EQ(host.clientWidth, 265);
    EXPECT_TRUE(empty.isHidden());
    host.clientWidth = 800;
    empty.HidePage(); // not shown: nothing
    EXPECT_EQ(host.clientWidth, 800);

    about.ShowPage();
    EXPECT_EQ(host.clientWidth, TAproposFrame::kDesignWidth);
    EXPECT_FALSE(host.scrollBars);
    EXPECT_FALSE(host.popupMenu);
    EXPECT_EQ(about.pos(), QPoint(0, 0));
    about.ShowPage();
    about.HidePage();
    EXPECT_EQ(host.clientWidth, 800);
    EXPECT_TRUE(host.scrollBars);
    EXPECT_TRUE(host.popupMenu);
    about.FermerBtn->click();
    EXPECT_EQ(host.closed, std::vector<QWidget*>{&about});
}

TEST(Pages, AShownPageCoversItsParentAndKeepsItLargeEnoughForItsControls)
{
    uitest::FakeHost host;
    QWidget client;
    client.resize(700, 500);
    TAproposFrame about(host, &client);
    client.show();
    about.ShowPage();
    EXPECT_EQ(about.geometry(), client.rect());
    EXPECT_EQ(client.minimumSize(), about.minimumSizeHint());
    client.resize(900, 600); // the window resized: the page follows
    EXPECT_EQ(about.geometry(), client.rect());
    about.HidePage();
    EXPECT_EQ(client.minimumSize(), QSize(0, 0));
    client.resize(300, 200);
    EXPECT_EQ(about.size(), QSize(900, 600)); // hidden, it no longer follows
}

TEST(Pages, TheAboutLineHasTheReleaseDate)
{
    uitest::FakeHost host;
    TAproposFrame about(host);
    settings::VersionText = "1.0.1";
    settings::ReleaseDateText = "06/12/2026";
    about.Localise();
    about.ShowPage();
    about.ShowPage(); // cleared first: one line
    EXPECT_EQ(about.rxApropos1->Lines(), std::vector<std::string>{"它最后成功更新在 06/12/2026."});
    EXPECT_TRUE(about.rxApropos1->document()->begin().begin().fragment().charFormat().fontItalic());
    EXPECT_EQ(Str(about.RxLabel1->text()), "Morvel 1.0.1 En");
}

TEST(Pages, TheHelpTextsInOrderWithOneEmptyLineBetween)
{
    uitest::FakeHost host;
    TVideFrame empty(host);
    empty.Localise();
    empty.ShowPage();
    EXPECT_EQ(Str(empty.Memo1->toPlainText()), "拖放一个和几个文件到这个窗口。\n\n"
                                               "你也可以在工具栏上用文件-打开，打开文件.\n\n"
                                               "打开你计算机中的所有avi文件，使用 Ctrl+F7\n\n"
                                               "仅能打开扩展名为 *.avi 文件格式被支持。 \n\n"
                                               "按 F10 修改参数设置, F1 到帮助。 \n\n"
                                               "按 (F10) 显示设置面板可列表显示可用的命令和快捷键。");
    EXPECT_EQ(Str(empty.Memo1->toPlainText()).find('\r'), std::string::npos);
    EXPECT_NE(Str(empty.Image1->toolTip()).find("This program is not for camels!"), std::string::npos);
}

TEST(Pages, SystemLinesAreBlackAndGoToTheMailBodyAsPlainText)
{
    uitest::FakeHost host;
    TAproposFrame about(host);
    about.Localise();
    about.reApropos->SetAttributes(Qt::red, 0); // whatever was set before
    about.AppendSystemLine("你的操作系统是: ");
    about.AppendSystemLine("Debian GNU/Linux 12 (bookworm). ");
    about.AppendSystemLine("");
    EXPECT_EQ(about.reApropos->Lines(),
              (std::vector<std::string>{"你的操作系统是: ", "Debian GNU/Linux 12 (bookworm). ", ""}));
    const QTextBlock second = about.reApropos->document()->findBlockByNumber(1);
    EXPECT_EQ(second.begin().fragment().charFormat().foreground().color(), QColor(Qt::black));
    EXPECT_EQ(about.zekUrlLabel2->MailBody, "你的操作系统是: \r\nDebian GNU/Linux 12 (bookworm). \r\n\r\n");
    EXPECT_NE(about.zekUrlLabel2->Target().find("&body=%E4%BD%A0"), std::string::npos);
    EXPECT_NE(about.zekUrlLabel2->Target().find("%0D%0ADebian%20GNU%2FLinux"), std::string::npos);
}

TEST(Pages, TheCommandTableHasTwoColumns)
{
    uitest::FakeHost host;
    TAproposFrame about(host);
    about.Localise();
    ASSERT_EQ(about.vle->rowCount(), 3); // the design's rows until the window fills it
    EXPECT_EQ(Str(about.vle->item(0, 0)->text()), "重命名");
    EXPECT_EQ(Str(about.vle->item(0, 1)->text()), "+R");
    about.SetCommandLines({"Add the datecode= +D", "Help= +?", "no key"});
    ASSERT_EQ(about.vle->rowCount(), 3);
    EXPECT_EQ(Str(about.vle->item(1, 0)->text()), "Help");
    EXPECT_EQ(Str(about.vle->item(1, 1)->text()), " +?");
    EXPECT_EQ(Str(about.vle->item(2, 1)->text()), "");
    EXPECT_EQ(Str(about.vle->horizontalHeaderItem(0)->text()), "函数");
    EXPECT_EQ(Str(about.PageControl2->tabText(TAproposFrame::kCommandLineTab)), "命令行");
    EXPECT_NE(Str(about.Memo2->toPlainText()).rfind("(The sign + may be replaced by /)"), std::string::npos);
}

TEST(Pages, LocaliseLeavesNoVisibleTextEmpty)
{
    uitest::FakeHost host;
    TAproposFrame about(host);
    TVideFrame empty(host);
    about.Localise();
    empty.Localise();
    about.ShowPage();
    empty.ShowPage();
    for (int i = 0; i < about.PageControl2->count(); ++i) {
        SCOPED_TRACE(i);
        about.PageControl2->setCurrentIndex(i);
        uitest::ExpectEveryTextShown(about);
    }
    uitest::ExpectEveryTextShown(empty);
    EXPECT_EQ(Str(about.FermerBtn->text()), "关闭");
    EXPECT_EQ((QStringList{about.PageControl2->tabText(0), about.PageControl2->tabText(1),
                           about.PageControl2->tabText(2), about.PageControl2->tabText(3)}),
              (QStringList{"系统", "命令行", "About...", "Test"}));
}

TEST(Pictures, OurJpegsDecodeAndBrokenOnesLeaveThePictureEmpty)
{
    QLabel label;
    for (Picture p : {Picture::Camcorder, Picture::Cassette, Picture::Camel}) {
        EXPECT_TRUE(ShowPicture(label, PictureJpeg(p)));
        EXPECT_FALSE(label.pixmap().isNull());
    }
    const QByteArray whole = PictureJpeg(Picture::Camel);
    for (const QByteArray& broken : {whole.left(whole.size() / 2), whole.left(whole.size() - 2), QByteArray(),
                                     QByteArray("not a picture at all"), QByteArray(300, '\xFF')}) {
        EXPECT_FALSE(ShowPicture(label, broken)) << broken.size();
        EXPECT_TRUE(label.pixmap().isNull());
    }
    // A page whose picture did not decode still works.
    uitest::FakeHost host;
    TVideFrame empty(host);
    ShowPicture(*empty.Image1, whole.left(100));
    empty.Localise();
    empty.ShowPage();
    EXPECT_FALSE(empty.isHidden());
    EXPECT_FALSE(empty.Memo1->toPlainText().isEmpty());
}

TEST(RichEdit, EachLineKeepsTheColourAndStyleSetBeforeIt)
{
    RichEdit re(Qt::AlignHCenter);
    re.SetAttributes(Qt::black, 0);
    re.AddLine("one");
    re.SetAttributes(Qt::blue, rtl::fsBold);
    re.AddLine("two\r\nthree");
    re.SetAttributes(Qt::darkGreen, rtl::fsItalic | rtl::fsUnderline);
    re.AddLine("four");
    EXPECT_EQ(re.Lines(), (std::vector<std::string>{"one", "two", "three", "four"}));
    const struct {
        int line;
        QColor colour;
        bool bold, italic, underline;
    } expected[] = {{0, Qt::black, false, false, false},
                    {1, Qt::blue, true, false, false},
                    {2, Qt::blue, true, false, false},
                    {3, Qt::darkGreen, false, true, true}};
    for (const auto& e : expected) {
        const QTextBlock block = re.document()->findBlockByNumber(e.line);
        const QTextCharFormat f = block.begin().fragment().charFormat();
        EXPECT_EQ(f.foreground().color(), e.colour) << e.line;
        EXPECT_EQ(f.fontWeight() == QFont::Bold, e.bold) << e.line;
        EXPECT_EQ(f.fontItalic(), e.italic) << e.line;
        EXPECT_EQ(f.fontUnderline(), e.underline) << e.line;
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter) << e.line;
    }
    re.Clear();
    EXPECT_TRUE(re.Lines().empty());
    re.AddLine("again");
    EXPECT_EQ(re.Lines(), std::vector<std::string>{"again"});
}
