#pragma once
// The class library's read-only memo as the pages use it: plain text on the window's colour,
// without a frame, for the explanations beside the controls.
class QPlainTextEdit;
class QWidget;

namespace ui {

QPlainTextEdit* MakeMemo(QWidget* parent, int maxHeight);

} // namespace ui
