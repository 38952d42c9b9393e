#include "platform/vcl/FileEdits.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include "platform/rtl/SysUtils.h"

namespace vcl {

PickerEdit::PickerEdit(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), edit_(new QLineEdit(this)), button_(new QToolButton(this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_, 1);
    row->addWidget(button_);
    button_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    button_->setAutoRaise(true);
    // As the class library's button inside the edit: the focus stays in the edit, so its exit
    // comes when the user leaves it, after the dialog too.
    button_->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(edit_);
    QObject::connect(button_, &QToolButton::clicked, this, [this] { ButtonClick(); });
    QObject::connect(edit_, &QLineEdit::editingFinished, this, [this] {
        if (onExit_)
            onExit_();
    });
}

std::string PickerEdit::Text() const
{
    return edit_->text().toStdString();
}

void PickerEdit::SetText(const std::string& text)
{
    edit_->setText(QString::fromStdString(text));
}

void PickerEdit::ButtonClick()
{
    const std::string current = Text();
    const std::optional<std::string> chosen = Ask(dialogs_, current);
    std::string name = chosen.value_or(current);
    bool confirmed = chosen.has_value();
    if (afterDialog_)
        afterDialog_(name, confirmed);
    if (confirmed)
        SetText(name);
    edit_->setFocus();
}

std::optional<std::string> FileNameEdit::Ask(Dialogs& dialogs, const std::string& current)
{
    OpenRequest request{.filter = Filter, .initialDir = rtl::ExtractFileDir(current), .fileName = current};
    std::optional<std::vector<std::string>> files = dialogs.OpenFiles(request);
    if (!files || files->empty())
        return std::nullopt;
    return files->front();
}

std::optional<std::string> DirectoryEdit::Ask(Dialogs& dialogs, const std::string& current)
{
    return dialogs.SelectFolder(FolderRequest{.initialDir = current});
}

} // namespace vcl
