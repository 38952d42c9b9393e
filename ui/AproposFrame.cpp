// The about page and the page shown while the list is empty.
#include "ui/AproposFrame.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "settings/Preferences.h"
#include "ui/Memo.h"
#include "ui/Pictures.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;

namespace {

void Name(std::initializer_list<std::pair<QWidget*, const char*>> names)
{
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));
}

} // namespace

TAproposFrame::TAproposFrame(PageHost& host, QWidget* parent) : TitledPage(host, parent)
{
    setObjectName(QStringLiteral("AproposFrame"));
    SetDesignSize(kDesignWidth, kDesignHeight);
    PageControl2 = new QTabWidget(this);
    tsSysteme = new QWidget(PageControl2);
    tsCommandes = new QWidget(PageControl2);
    tsApropos = new QWidget(PageControl2);
    tsTest = new QWidget(PageControl2);
    reApropos = new RichEdit(Qt::AlignLeft, tsSysteme);
    (new QVBoxLayout(tsSysteme))->addWidget(reApropos);
    vle = new QTableWidget(0, 2, tsCommandes);
    vle->horizontalHeader()->setStretchLastSection(true);
    vle->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    vle->verticalHeader()->hide();
    vle->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vle->setSelectionBehavior(QAbstractItemView::SelectRows);
    Memo2 = MakeMemo(tsCommandes, 64);
    auto* commands = new QVBoxLayout(tsCommandes);
    commands->addWidget(vle, 1);
    commands->addWidget(Memo2);
    rxApropos1 = new RichEdit(Qt::AlignLeft, tsApropos);
    (new QVBoxLayout(tsApropos))->addWidget(rxApropos1);
    reTest = new RichEdit(Qt::AlignLeft, tsTest);
    (new QVBoxLayout(tsTest))->addWidget(reTest);
    for (QWidget* tab : {tsSysteme, tsCommandes, tsApropos, tsTest})
        PageControl2->addTab(tab, QString());
    PageControl2->setCurrentWidget(tsApropos);
    SetBody(PageControl2);

    Name({{PageControl2, "PageControl2"},
          {tsSysteme, "tsSysteme"},
          {tsCommandes, "tsCommandes"},
          {tsApropos, "tsApropos"},
          {tsTest, "tsTest"},
          {reApropos, "reApropos"},
          {vle, "vle"},
          {Memo2, "Memo2"},
          {rxApropos1, "rxApropos1"},
          {reTest, "reTest"}});
}

void TAproposFrame::ShowPage()
{
    Present(true);
    ShowTitle();
    rxApropos1->Clear();
    rxApropos1->setFont(vcl::ToQFont("Arial", 10, rtl::fsItalic));
    rxApropos1->SetAttributes(Qt::black, rtl::fsItalic);
    rxApropos1->AddLine(rtl::Format(rtl::LoadStr(sAboutUpdated), settings::ReleaseDateText));
}

void TAproposFrame::HidePage()
{
    Withdraw();
}

void TAproposFrame::Localise()
{
    const int tabs[] = {sAboutTabSystem, sAboutTabCommandLine, sAboutTabAbout, sAboutTabTest};
    for (int i = 0; i < PageControl2->count(); ++i)
        PageControl2->setTabText(i, Text(tabs[i]));
    vle->setHorizontalHeaderLabels({Text(sAboutColFunction), Text(sAboutColKey)});
    Memo2->setPlainText(Text(sAboutCommandLine));
    PageControl2->setTabToolTip(3, vcl::ToolTipText(rtl::LoadStr(sAboutTestHint)));
    vcl::SetHint(*reTest, rtl::LoadStr(sAboutTestHint));
    SetCommandLines({rtl::LoadStr(sAboutRow1), rtl::LoadStr(sAboutRow2), rtl::LoadStr(sAboutRow3)});
    LocaliseFrame(sAboutCloseHint);
}

void TAproposFrame::AppendSystemLine(const std::string& text)
{
    reApropos->SetAttributes(Qt::black, 0);
    reApropos->AddLine(text);
    zekUrlLabel2->MailBody += text + "\r\n";
}

void TAproposFrame::SetCommandLines(const std::vector<std::string>& lines)
{
    vle->setRowCount(0);
    for (const std::string& line : lines) {
        const size_t eq = line.find('=');
        const int row = vle->rowCount();
        vle->insertRow(row);
        vle->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(line.substr(0, eq))));
        vle->setItem(
            row, 1,
            new QTableWidgetItem(eq == std::string::npos ? QString() : QString::fromStdString(line.substr(eq + 1))));
    }
}

TVideFrame::TVideFrame(PageHost& host, QWidget* parent) : PageFrame(host, parent)
{
    setObjectName(QStringLiteral("VideFrame"));
    setAutoFillBackground(true);
    SetDesignSize(kDesignWidth, kDesignHeight);
    auto* page = new QVBoxLayout(this);
    Image1 = PictureLabel(this, Picture::Camel, QSize(150, 150));
    Memo1 = MakeMemo(this, QWIDGETSIZE_MAX);
    page->addWidget(Image1, 0, Qt::AlignHCenter);
    page->addWidget(Memo1, 1);
    Name({{Memo1, "Memo1"}, {Image1, "Image1"}});
}

void TVideFrame::ShowPage()
{
    // One empty line between the texts.
    QStringList texts;
    for (int i = 0; i < 6; ++i)
        texts.append(Text(sVideHelp1 + i));
    Memo1->setPlainText(texts.join(QStringLiteral("\n\n")));
    Present(false);
}

void TVideFrame::HidePage()
{
    Withdraw();
}

void TVideFrame::Localise()
{
    vcl::SetHint(*Image1, rtl::LoadStr(sVideImageHint));
    Memo1->setFont(vcl::ToQFont("Arial", 10));
}

} // namespace ui
