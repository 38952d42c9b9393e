#pragma once
// Modal message boxes, behind an interface: the program shows them with Qt, tests script the
// answers, and the hidden mode writes the message to standard error. Call on the GUI thread.
#include <deque>
#include <string>
#include <vector>

namespace shell {

enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// Buttons, combined as a bit set.
using MsgDlgButtons = unsigned;
inline constexpr MsgDlgButtons mbYes = 1u << 0;
inline constexpr MsgDlgButtons mbNo = 1u << 1;
inline constexpr MsgDlgButtons mbOK = 1u << 2;
inline constexpr MsgDlgButtons mbCancel = 1u << 3;
inline constexpr MsgDlgButtons mbAbort = 1u << 4;
inline constexpr MsgDlgButtons mbRetry = 1u << 5;
inline constexpr MsgDlgButtons mbIgnore = 1u << 6;
inline constexpr MsgDlgButtons mbNoToAll = 1u << 7;
inline constexpr MsgDlgButtons mbYesToAll = 1u << 8;

// The numbers are the answers' own: batches keep them as their confirmation mode (6 ask each file,
// 10 ask no more, 9 skip every file that asks, 2 end the batch).
enum class ModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows `text` and returns the button chosen (mrCancel or mrNo when the box is dismissed).
    virtual ModalResult MessageDlg(const std::string& text, MsgDlgType type, MsgDlgButtons buttons) = 0;
};

// Hidden mode: every message goes to standard error; a question gets the answer given at
// construction (No unless said otherwise), a notice gets OK.
class StdErrPrompter : public Prompter {
public:
    explicit StdErrPrompter(ModalResult questionAnswer = ModalResult::mrNo) : answer_(questionAnswer) {}
    ModalResult MessageDlg(const std::string& text, MsgDlgType type, MsgDlgButtons buttons) override;

private:
    ModalResult answer_;
};

// Scripted answers, in order; records every box shown. With no answer left it answers Cancel.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        std::string text;
        MsgDlgType type;
        MsgDlgButtons buttons;
    };
    explicit ScriptedPrompter(std::deque<ModalResult> answers = {}) : answers_(std::move(answers)) {}
    ModalResult MessageDlg(const std::string& text, MsgDlgType type, MsgDlgButtons buttons) override;
    const std::vector<Shown>& shown() const { return shown_; }

private:
    std::deque<ModalResult> answers_;
    std::vector<Shown> shown_;
};

} // namespace shell
