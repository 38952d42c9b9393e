#pragma once
// How a dialog's Execute waits for its answer: a modal loop in the program; in tests, a script
// that drives the shown dialog as a user would (types, clicks its buttons, presses Esc, closes
// it) and returns. A dialog the script leaves open is closed, as its close box does.
//
//   form.answer = [](TCodecForm& f) { f.le->setText("abc"); f.BitBtn1->click(); };
//   std::optional<CodecChoice> c = form.Execute("MJPG");   // no modal loop
#include <QDialog>
#include <functional>

namespace ui {

template <class D> using DialogScript = std::function<void(D&)>;

// QDialog::Accepted or Rejected.
template <class D> int RunDialog(D& dialog, const DialogScript<D>& script)
{
    if (!script)
        return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    script(dialog);
    if (dialog.isVisible())
        dialog.close();
    return dialog.result();
}

} // namespace ui
