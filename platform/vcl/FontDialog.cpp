#include "platform/vcl/FontDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/rtl/Strings.h"
#include "platform/vcl/FontMap.h"

namespace vcl {

FontColorDialog::FontColorDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromStdString(rtl::LoadStr(rtl::sid::sFontDialogCaption)));
    fonts_ = new QFontDialog(this);
    fonts_->setWindowFlags(Qt::Widget); // a part of this dialog, not a window of its own
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::ScalableFonts);
    colorButton_ = new QPushButton(QString::fromStdString(rtl::LoadStr(rtl::sid::sFontDialogColor)), this);
    connect(colorButton_, &QPushButton::clicked, this, [this] { ChooseColor(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(colorButton_);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(bottom);
    SetColor(Qt::black);
}

void FontColorDialog::SetSpec(const rtl::FontSpec& spec)
{
    QFont font = ToQFont(spec);
    if (spec.Size < 0) // the dialog speaks points
        font.setPointSize(std::max(1, static_cast<int>(std::lround(-spec.Size * 72.0 / logicalDpiY()))));
    fonts_->setCurrentFont(font);
    SetColor(ToQColor(spec.Color));
    charset_ = spec.Charset;
}

rtl::FontSpec FontColorDialog::Spec() const
{
    rtl::FontSpec spec = FromQFont(fonts_->currentFont(), color_);
    spec.Charset = charset_;
    return spec;
}

void FontColorDialog::SetColor(const QColor& color)
{
    color_ = color;
    QPixmap swatch(16, 16);
    swatch.fill(color);
    QPainter frame(&swatch); // so white shows on a light button
    frame.setPen(palette().color(QPalette::WindowText));
    frame.drawRect(0, 0, 15, 15);
    colorButton_->setIcon(QIcon(swatch));
}

void FontColorDialog::ChooseColor()
{
    const QColor chosen = QColorDialog::getColor(color_, this);
    if (chosen.isValid())
        SetColor(chosen);
}

} // namespace vcl
