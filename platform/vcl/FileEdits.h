#pragma once
// The file-name and folder edits: a line edit with a button that opens the matching dialog
// (vcl::Dialogs) from what the edit holds. After the dialog the after-dialog event gets the name
// and whether the dialog was confirmed; it may change either, and a name still confirmed becomes
// the text. The exit event is the edit's OnExit: the user left the edit or pressed Return.
// Setting the text from code runs neither.
//
//   auto* folder = new vcl::DirectoryEdit(dialogs, page);
//   folder->SetOnAfterDialog([](std::string& name, bool& confirmed) { if (confirmed) Store(name); });
//   folder->SetOnExit([folder] { Store(folder->Text()); });
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "platform/vcl/Dialogs.h"

class QLineEdit;
class QToolButton;

namespace vcl {

class PickerEdit : public QWidget {
public:
    using AfterDialog = std::function<void(std::string& name, bool& confirmed)>;

    std::string Text() const;
    void SetText(const std::string& text); // runs no handler
    QLineEdit& Edit() const { return *edit_; }
    QToolButton& Button() const { return *button_; }

    void SetOnAfterDialog(AfterDialog handler) { afterDialog_ = std::move(handler); }
    void SetOnExit(std::function<void()> handler) { onExit_ = std::move(handler); }

    // What a click on the button does: the dialog, the after-dialog event, the text.
    void ButtonClick();

protected:
    PickerEdit(Dialogs& dialogs, QWidget* parent);
    // The dialog from the current text: the name chosen, none when cancelled.
    virtual std::optional<std::string> Ask(Dialogs& dialogs, const std::string& current) = 0;

private:
    Dialogs& dialogs_;
    QLineEdit* edit_;
    QToolButton* button_;
    AfterDialog afterDialog_;
    std::function<void()> onExit_;
};

// A program or other file: the open dialog, in the folder of the name held, with `Filter`.
class FileNameEdit : public PickerEdit {
public:
    explicit FileNameEdit(Dialogs& dialogs, QWidget* parent = nullptr) : PickerEdit(dialogs, parent) {}
    std::string Filter; // as the class library writes filters: "Programs|*|All files|*"

protected:
    std::optional<std::string> Ask(Dialogs& dialogs, const std::string& current) override;
};

// A folder: the folder dialog, opened on the folder held.
class DirectoryEdit : public PickerEdit {
public:
    explicit DirectoryEdit(Dialogs& dialogs, QWidget* parent = nullptr) : PickerEdit(dialogs, parent) {}

protected:
    std::optional<std::string> Ask(Dialogs& dialogs, const std::string& current) override;
};

} // namespace vcl
