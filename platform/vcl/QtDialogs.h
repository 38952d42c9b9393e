#pragma once
// The common dialogs on Qt: QFileDialog for open, save and folder, FontColorDialog for the font,
// QtPrompter for message boxes. The save dialog asks its overwrite question itself, through
// Dialogs::SaveFile, so it reads the same in tests.
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "platform/vcl/Dialogs.h"

namespace vcl {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    shell::ModalResult MessageDlg(const std::string& text, shell::MsgDlgType type,
                                  shell::MsgDlgButtons buttons) override;
    std::optional<std::vector<std::string>> OpenFiles(const OpenRequest& request) override;
    std::optional<std::string> SelectFolder(const FolderRequest& request) override;
    std::optional<rtl::FontSpec> ChooseFont(const rtl::FontSpec& font) override;

protected:
    std::optional<std::string> AskSaveName(const SaveRequest& request) override;

private:
    QPointer<QWidget> parent_;
};

// The class library's filter ("Log files (*.log)|*.log|All files (*.*)|*.*") as Qt's name filters
// ("Log files (*.log)", "All files (*)"): the patterns, ";"-separated, replace any bracketed
// ones of the description, and "*.*" is every file.
QStringList QtNameFilters(const std::string& filter);

} // namespace vcl
