#include "ui/RichEdit.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>

#include "platform/rtl/FontSpec.h"

namespace ui {

RichEdit::RichEdit(Qt::Alignment alignment, QWidget* parent) : QTextEdit(parent), alignment_(alignment)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    SetAttributes(Qt::black, 0);
}

void RichEdit::SetAttributes(const QColor& colour, uint8_t style)
{
    format_ = QTextCharFormat();
    format_.setForeground(colour);
    format_.setFontWeight(style & rtl::fsBold ? QFont::Bold : QFont::Normal);
    format_.setFontItalic(style & rtl::fsItalic);
    format_.setFontUnderline(style & rtl::fsUnderline);
    format_.setFontStrikeOut(style & rtl::fsStrikeOut);
}

void RichEdit::AddLine(const std::string& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat block;
    block.setAlignment(alignment_);
    for (const QString& line : QString::fromStdString(text).split(breaks)) {
        // The document starts with one empty paragraph: the first line goes into it.
        if (empty_) {
            cursor.setBlockFormat(block);
            empty_ = false;
        } else {
            cursor.insertBlock(block);
        }
        cursor.setBlockCharFormat(format_);
        cursor.insertText(line, format_);
    }
}

void RichEdit::Clear()
{
    clear();
    empty_ = true;
}

std::vector<std::string> RichEdit::Lines() const
{
    std::vector<std::string> lines;
    if (empty_)
        return lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lines.push_back(b.text().toStdString());
    return lines;
}

} // namespace ui
