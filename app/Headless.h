#pragma once
// The run without a window: the command line's files are listed, then its switches' batches run
// one after the other on those files, without questions, messages going to standard error, and
// the program ends. It saves nothing.
#include <cstdio>
#include <string>

#include "actions/CommandLineRun.h"
#include "actions/cmd_unit.h"
#include "actions/switches.h"
#include "platform/shell/Prompter.h"

namespace app {

// Exit statuses (actions/CommandLineRun.h); a signal ends the run with 128 + its number.
using actions::kExitFailed;
using actions::kExitOk;
using actions::kExitRejected;

// One line on standard error per file and outcome, and the progress of a conversion at most
// once a second.
class HeadlessObserver : public actions::BatchObserver {
public:
    explicit HeadlessObserver(std::FILE* out = stderr) : out_(out) {}

    shell::Prompter& Prompter() override { return prompter_; }
    void CurrentFile(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier) override;
    void Progress(const actions::TBatchThread& batch, int percent) override;
    // The outcome line carries the message.
    void FileError(const actions::TBatchThread&, const actions::TAfficherFichier&, const std::string&) override {}
    void FileDone(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                  const actions::FileOutcome& outcome) override;

    // "morvel: " and the text on one line.
    void Line(const std::string& text);

private:
    std::FILE* out_;
    shell::StdErrPrompter prompter_;
    const actions::TAfficherFichier* progressFile_ = nullptr;
    long long lastProgressMs_ = 0;
};

// The switch help for standard output: a usage line, then each letter and its command.
std::string SwitchHelpText(const actions::SwitchList& table);

// Qt's notes and warnings (a missing runtime folder, fonts) are not the user's business in a
// run without a window: only its errors reach standard error. Call before the application.
void QuietQtMessages();

// Lists the line's files and runs its batches; returns the exit status. On the GUI thread of the
// QCoreApplication, whose loop it runs.
int RunHeadless(const actions::CommandLine& line, const actions::SwitchList& table);

} // namespace app
