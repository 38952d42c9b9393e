#pragma once
// A read-only rich text box written line by line, as the class library's rich edit is: the
// colour and style set last apply to every line added after, each line a paragraph aligned as
// the box says. A line holding CR LF (or LF) breaks into several paragraphs.
//
//   re->SetAttributes(Qt::blue, rtl::fsBold);
//   re->AddLine(name);
#include <QColor>
#include <QTextCharFormat>
#include <QTextEdit>
#include <string>
#include <vector>

namespace ui {

class RichEdit : public QTextEdit {
public:
    explicit RichEdit(Qt::Alignment alignment = Qt::AlignLeft, QWidget* parent = nullptr);

    void SetAttributes(const QColor& colour, uint8_t style); // style: rtl::fsBold | fsItalic | ...
    void AddLine(const std::string& text);
    void Clear(); // the text; the attributes stay
    // The paragraphs as plain text, one per element.
    std::vector<std::string> Lines() const;

private:
    Qt::Alignment alignment_;
    QTextCharFormat format_;
    bool empty_ = true;
};

} // namespace ui
