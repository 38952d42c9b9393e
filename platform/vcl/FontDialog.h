#pragma once
// The font dialog with a colour, as the overlay font is chosen: Qt's font dialog (face, style,
// size in points, underline and strike-out) and a colour button. Presets and answers in
// rtl::FontSpec; a size in pixels is shown in points.
#include <QColor>
#include <QDialog>

#include "platform/rtl/FontSpec.h"

class QFontDialog;
class QPushButton;

namespace vcl {

class FontColorDialog : public QDialog {
public:
    explicit FontColorDialog(QWidget* parent = nullptr);

    void SetSpec(const rtl::FontSpec& spec);
    rtl::FontSpec Spec() const;
    void SetColor(const QColor& color);
    QColor Color() const { return color_; }

private:
    void ChooseColor();

    QFontDialog* fonts_;
    QPushButton* colorButton_;
    QColor color_;
    uint8_t charset_ = 1;
};

} // namespace vcl
