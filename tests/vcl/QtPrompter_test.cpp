// The program's message box: the buttons asked for, the to-all answers numbered as the batches
// keep them, what a dismissed box answers, and the box run as a user answers it.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/vcl/QtPrinters.h"

#include "platform/vcl/QtPrompter.h"

using namespace vcl;
using shell::ModalResult;
using shell::MsgDlgType;

TEST(QtPrompter, EachButtonAnswersItsResult)
{
    const shell::MsgDlgButtons all =
        shell::mbYes | shell::mbNo | shell::mbYesToAll | shell::mbNoToAll | shell::mbCancel;
    const auto box = QtPrompter::MakeBox("Replace\r\n\"a.avi\"?", MsgDlgType::mtConfirmation, all);
    EXPECT_EQ(box->buttons().size(), 5);
    EXPECT_EQ(box->text(), "Replace\n\"a.avi\"?");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), "Confirm");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Yes));
    const std::pair<QMessageBox::StandardButton, int> answers[] = {{QMessageBox::Yes, 6},
                                                                   {QMessageBox::No, 7},
                                                                   {QMessageBox::YesToAll, 10},
                                                                   {QMessageBox::NoToAll, 9},
                                                                   {QMessageBox::Cancel, 2}};
    for (const auto& [button, result] : answers)
        EXPECT_EQ(static_cast<int>(QtPrompter::Answer(*box, box->button(button))), result);
    EXPECT_EQ(QtPrompter::Answer(*box, nullptr), ModalResult::mrCancel); // dismissed: Cancel
}

TEST(QtPrompter, ADismissedBoxAnswersItsCancelNoAbortOrOk)
{
    struct Case {
        shell::MsgDlgButtons buttons;
        ModalResult dismissed;
    };
    const Case cases[] = {
        {shell::mbYes | shell::mbNo | shell::mbYesToAll | shell::mbNoToAll, ModalResult::mrNo},
        {shell::mbAbort | shell::mbRetry | shell::mbIgnore, ModalResult::mrAbort},
        {shell::mbOK, ModalResult::mrOk},
        {0, ModalResult::mrOk}, // no button asked: OK
    };
    for (const Case& c : cases) {
        const auto box = QtPrompter::MakeBox("x", MsgDlgType::mtWarning, c.buttons);
        EXPECT_EQ(QtPrompter::Answer(*box, nullptr), c.dismissed);
    }
    const auto error = QtPrompter::MakeBox("x", MsgDlgType::mtError, shell::mbOK);
    EXPECT_EQ(error->icon(), QMessageBox::Critical);
    EXPECT_EQ(error->windowTitle(), "Error");
}

TEST(QtPrompter, TheBoxRunsUntilTheUserAnswers)
{
    QtPrompter prompter;
    const shell::MsgDlgButtons buttons = shell::mbYes | shell::mbNo | shell::mbYesToAll | shell::mbNoToAll;
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::YesToAll)->click();
    });
    EXPECT_EQ(prompter.MessageDlg("Delete?", MsgDlgType::mtConfirmation, buttons), ModalResult::mrYesToAll);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); }); // the close box
    QTimer::singleShot(3000, [] { // a box that will not close fails the test instead of hanging it
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->done(-1);
    });
    EXPECT_EQ(prompter.MessageDlg("Delete?", MsgDlgType::mtConfirmation, buttons), ModalResult::mrNo);
}
