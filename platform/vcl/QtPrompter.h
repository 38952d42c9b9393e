#pragma once
// The program's message boxes: a QMessageBox with the asked buttons, the to-all ones included,
// titled and marked by the box's type. Dismissing the box (Esc, close box) answers as its Cancel,
// No, Abort or OK button does, the first of them it has.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "platform/shell/Prompter.h"

class QAbstractButton;
class QMessageBox;

namespace vcl {

class QtPrompter : public shell::Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    shell::ModalResult MessageDlg(const std::string& text, shell::MsgDlgType type,
                                  shell::MsgDlgButtons buttons) override;

    // The box MessageDlg runs, not shown yet (the gallery shows it as it is).
    static std::unique_ptr<QMessageBox> MakeBox(const std::string& text, shell::MsgDlgType type,
                                                shell::MsgDlgButtons buttons, QWidget* parent = nullptr);
    // The answer of a box that closed on `clicked` (nullptr: no button).
    static shell::ModalResult Answer(const QMessageBox& box, QAbstractButton* clicked);

private:
    QPointer<QWidget> parent_;
};

} // namespace vcl
