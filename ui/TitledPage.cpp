#include "ui/TitledPage.h"

#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/rtl/Format.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "settings/Preferences.h"
#include "ui/Pictures.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;

namespace {

std::string MailSubject()
{
    return rtl::Format(rtl::LoadStr(sPageMailSubject), rtl::ProductName, settings::VersionText, rtl::LanguageCode);
}

} // namespace

TitledPage::TitledPage(PageHost& host, QWidget* parent) : PageFrame(host, parent)
{
    setAutoFillBackground(true);
    auto* page = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    Image1 = PictureLabel(this, Picture::Camcorder, QSize(80, 60));
    Image2 = PictureLabel(this, Picture::Cassette, QSize(80, 60));
    RxLabel1 = new QLabel(QString::fromLatin1(rtl::ProductName), this);
    RxLabel1->setFont(vcl::ToQFont("Arial", 16, rtl::fsBold | rtl::fsItalic));
    top->addWidget(Image1);
    top->addWidget(RxLabel1, 1);
    top->addWidget(Image2);
    page->addLayout(top);
    auto* bottom = new QHBoxLayout;
    zekUrlLabel2 = new vcl::MailtoLabel(this);
    zekUrlLabel1 = new vcl::LinkLabel(this);
    FermerBtn = new QPushButton(this);
    FermerBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    bottom->addWidget(zekUrlLabel2);
    bottom->addSpacing(24);
    bottom->addWidget(zekUrlLabel1);
    bottom->addStretch();
    bottom->addWidget(FermerBtn);
    page->addLayout(bottom);
    QObject::connect(FermerBtn, &QPushButton::clicked, this, [this] { host_.ClosePage(*this); });
    const std::pair<QWidget*, const char*> names[] = {
        {RxLabel1, "RxLabel1"}, {FermerBtn, "FermerBtn"},       {Image1, "Image1"},
        {Image2, "Image2"},     {zekUrlLabel2, "zekUrlLabel2"}, {zekUrlLabel1, "zekUrlLabel1"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));
}

void TitledPage::SetBody(QWidget* body)
{
    body->setParent(this);
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, body, 1);
}

void TitledPage::LocaliseFrame(int closeHint)
{
    FermerBtn->setText(Text(sPageClose));
    vcl::SetHint(*FermerBtn, rtl::LoadStr(closeHint));
    const std::string address = rtl::LoadStr(sOptMailAddress);
    zekUrlLabel2->setText(Text(sPageMailText));
    zekUrlLabel2->SetAddress(address);
    vcl::SetHint(*zekUrlLabel2, address);
    zekUrlLabel2->SetSubject(MailSubject());
    zekUrlLabel1->setText(Text(sPageHomeText));
    zekUrlLabel1->SetTarget(rtl::LoadStr(sPageHomeAddress));
    vcl::SetHint(*zekUrlLabel1, rtl::LoadStr(sPageHomeAddress));
}

void TitledPage::ShowTitle()
{
    RxLabel1->setText(
        QString::fromStdString(std::string(rtl::ProductName) + " " + settings::VersionText + " " + rtl::LanguageCode));
    // The version may have been set after the texts: the mail's subject follows it.
    zekUrlLabel2->SetSubject(MailSubject());
}

} // namespace ui
