#pragma once
// TDecalageForm: the time-offset dialog. The user sets the offset (DecalageHoraire, in days) that
// the program adds to recording dates: in simple mode a whole number of hours (-23 to +23), in
// advanced mode by editing a fixed date and time against the recording's original one. The
// viewer's date overlay previews the offset being edited; OK stores and shows it, a dismissal
// shows the stored one again. Made once and reused; its mode follows DecalageAvance.
//
//   TDecalageForm decalage;
//   if (std::optional<double> days = decalage.Execute(original); days && *days != 0)
//       RunCmdThread(ch.DecalerHoraireWith(*days));
//   LabDecalage->setText(QString::fromStdString(LabDecalageText(DecalageHoraire, DecalageAvance)));
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "platform/rtl/DateTime.h"
#include "ui/DialogScript.h"

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace ui {

// The offset as the options page and the dialog show it. Advanced: "%d days %dh %dm %ds" of the
// offset taken to the nearest second (halves to even), each part truncated toward zero, so a
// negative offset gives negative parts ("0 days -6h 0m 0s"). Simple: its whole hours ("-2h").
std::string LabDecalageText(double days, bool advanced);

// The whole hours of an offset in days, truncated toward zero and kept within -23 .. +23.
int WholeHours(double days);

// Where the dialog shows an offset: the viewer's overlay filter, its paused picture redrawn.
using ShowOffset = std::function<void(double days)>;
void ShowOffsetOnViewer(double days);

class TDecalageForm : public QDialog {
public:
    explicit TDecalageForm(ShowOffset showOffset = ShowOffsetOnViewer, QWidget* parent = nullptr);

    // Shows the dialog for a recording dated `original`. OK stores the offset in DecalageHoraire
    // and returns it; none when dismissed (Cancel, Esc, close box), which leaves it as it was.
    std::optional<double> Execute(rtl::TDateTime original);

    void Localise();

    void reject() override; // Cancel, Esc and the close box: the stored offset shows again

    QGroupBox* gbDecalage;
    QGroupBox* gbDebut; // the original date and time, shown only
    QSpinBox* RxSpinEdit1;
    QSpinBox* RxSpinEdit2;
    QSpinBox* RxSpinEdit3;
    QDateEdit* DateEdit1;
    QGroupBox* gbFin; // the fixed date and time
    QSpinBox* RxSpinEdit4;
    QSpinBox* RxSpinEdit5;
    QSpinBox* RxSpinEdit6;
    QDateEdit* DateEdit2;
    QPushButton* NowBtn;
    QLabel* LabResultat;
    QCheckBox* cbAvance;
    QSpinBox* RxSpinEdit7; // whole hours, simple mode
    QPlainTextEdit* Memo1; // explanation, simple mode
    QPushButton* bbOK;
    QPushButton* bbCancel;
    DialogScript<TDecalageForm> answer; // tests: answers in place of the user

    rtl::TDateTime DecalageOriginal = 0;
    rtl::TDateTime DecalageFixed = 0;
    double DecalageOffset = 0; // days, as edited

private:
    void FormActivate(); // fills the controls of the current mode
    void ShowMode();
    void Difference(); // the offset and its label from the controls
    void UpdateDifference();
    void RxSpinEdit7Change(int hours);
    void cbAvanceClick(bool advanced);
    void NowBtnClick();
    void bbOKClick();

    ShowOffset showOffset_;
};

} // namespace ui
