#include "platform/vcl/QtPrompter.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <array>

#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

using shell::ModalResult;

struct ButtonKind {
    shell::MsgDlgButtons bit;
    QMessageBox::StandardButton button;
    ModalResult result;
};

// In the order the buttons are added; Qt places them by role.
constexpr std::array<ButtonKind, 9> kButtons = {{
    {shell::mbYes, QMessageBox::Yes, ModalResult::mrYes},
    {shell::mbYesToAll, QMessageBox::YesToAll, ModalResult::mrYesToAll},
    {shell::mbNo, QMessageBox::No, ModalResult::mrNo},
    {shell::mbNoToAll, QMessageBox::NoToAll, ModalResult::mrNoToAll},
    {shell::mbOK, QMessageBox::Ok, ModalResult::mrOk},
    {shell::mbCancel, QMessageBox::Cancel, ModalResult::mrCancel},
    {shell::mbAbort, QMessageBox::Abort, ModalResult::mrAbort},
    {shell::mbRetry, QMessageBox::Retry, ModalResult::mrRetry},
    {shell::mbIgnore, QMessageBox::Ignore, ModalResult::mrIgnore},
}};

struct BoxKind {
    QMessageBox::Icon icon;
    int title;
};

// By shell::MsgDlgType: warning, error, information, confirmation.
constexpr std::array<BoxKind, 4> kKinds = {{
    {QMessageBox::Warning, rtl::sid::sMsgDlgWarning},
    {QMessageBox::Critical, rtl::sid::sMsgDlgError},
    {QMessageBox::Information, rtl::sid::sMsgDlgInformation},
    {QMessageBox::Question, rtl::sid::sMsgDlgConfirm},
}};

// The buttons that answer a dismissed box, best first.
constexpr std::array<QMessageBox::StandardButton, 4> kEscapeOrder = {QMessageBox::Cancel, QMessageBox::No,
                                                                     QMessageBox::Abort, QMessageBox::Ok};

QString PlainLines(const std::string& text)
{
    QString s = QString::fromStdString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace

std::unique_ptr<QMessageBox> QtPrompter::MakeBox(const std::string& text, shell::MsgDlgType type,
                                                 shell::MsgDlgButtons buttons, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    const BoxKind& kind = kKinds[static_cast<size_t>(type)];
    box->setIcon(kind.icon);
    box->setWindowTitle(QString::fromStdString(rtl::LoadStr(kind.title)));
    box->setTextFormat(Qt::PlainText);
    box->setText(PlainLines(text));
    QMessageBox::StandardButtons standard;
    for (const ButtonKind& b : kButtons)
        if (buttons & b.bit)
            standard |= b.button;
    if (!standard)
        standard = QMessageBox::Ok;
    box->setStandardButtons(standard);
    for (QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::Ok})
        if (standard & b) {
            box->setDefaultButton(b);
            break;
        }
    for (QMessageBox::StandardButton b : kEscapeOrder)
        if (standard & b) {
            box->setEscapeButton(b);
            break;
        }
    return box;
}

ModalResult QtPrompter::Answer(const QMessageBox& box, QAbstractButton* clicked)
{
    if (!clicked)
        clicked = box.escapeButton();
    const QMessageBox::StandardButton button = clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
    for (const ButtonKind& b : kButtons)
        if (b.button == button)
            return b.result;
    return ModalResult::mrCancel;
}

ModalResult QtPrompter::MessageDlg(const std::string& text, shell::MsgDlgType type, shell::MsgDlgButtons buttons)
{
    const std::unique_ptr<QMessageBox> box = MakeBox(text, type, buttons, parent_);
    box->exec();
    return Answer(*box, box->clickedButton());
}

} // namespace vcl
