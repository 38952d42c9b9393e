#pragma once
// The shape the frame-rate and codec dialogs share: an explanation, a radio group whose last item
// is the user's own value, an edit for that value (enabled only while that item is chosen) with
// its label and unit, OK and Cancel. OK runs the dialog's own check, which accepts or refuses;
// a refusal keeps the dialog open with a message. Made once and reused: it keeps the last choice.
#include <QDialog>
#include <memory>
#include <string>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {
class Prompter;
}

namespace ui {

class CustomChoiceDialog : public QDialog {
public:
    ~CustomChoiceDialog() override;

    QLabel* Label2;        // explanation
    QGroupBox* rgGroup;    // the radio group
    QButtonGroup* rgItems; // its items, by index
    QLabel* leLabel;       // the edit's label
    QLineEdit* le;         // the custom value
    QLabel* Label1;        // unit, beside the edit
    QPushButton* BitBtn1;  // OK
    QPushButton* BitBtn2;  // cancel

protected:
    // `items` radio buttons, the last of them the custom one. Messages go to `prompter`; null:
    // message boxes over the dialog.
    CustomChoiceDialog(int items, shell::Prompter* prompter, QWidget* parent);

    int CustomItem() const { return items_ - 1; }
    bool Chosen() const; // an item is chosen (not so before the first use)
    // Chooses `item` as the code does, the edit enabled for the custom item only.
    void Choose(int item);
    // Focuses the edit when it is enabled, as the dialog shows.
    void FocusEdit();
    // OK's check: called with the chosen item (-1 for none); accepts or refuses.
    virtual void OkClick(int item) = 0;
    // The custom text refused: `message` shown, the text selected for a new try.
    void Refuse(const std::string& message);

private:
    void ItemClick(int item);

    int items_;
    std::unique_ptr<shell::Prompter> ownPrompter_;
    shell::Prompter& prompter_;
};

} // namespace ui
