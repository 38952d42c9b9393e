#pragma once
// TRiffForm: the RIFF structure window. Lists a file's chunk tree (formats::TRiffLister) while a
// thread of its own walks the file, and saves the listing as text. The file is only read. Made
// once, hidden; each Analyse shows it again with a new listing. Given a parent, it is a window of
// its own tied to the parent's window, and opens over it.
//
//   riffForm.Analyse(CurrentFichier->FullName);   // returns at once; the lines arrive in batches
//
// Closing the window stops the walk at its next chunk; the listing still gets its trailer, and
// Save is enabled when the walk has returned. A second Analyse stops the walk under way, waits
// for it and lists the new file. GUI thread only.
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "formats/riffunit.h"
#include "platform/vcl/Dialogs.h"

class QListWidget;
class QPushButton;

namespace ui {

class TRiffForm : public QWidget {
public:
    // Lines go to the list in batches of at most this many, or after this long.
    static constexpr size_t kBatchLines = 256;
    static constexpr int kBatchMilliseconds = 40;

    // The save dialog and messages go through `dialogs`; null: Qt's, over the window. `parent`:
    // the window it belongs to.
    explicit TRiffForm(vcl::Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~TRiffForm() override; // stops a walk and waits for it

    void Localise();
    void Analyse(const std::string& fileName);

    void SauverBtnClick();
    void FermerBtnClick();

    bool Walking() const { return walking_; }
    // The lines shown, as saved.
    std::vector<std::string> Listing() const;

    QListWidget* ListBox1;
    QPushButton* SauverBtn;
    QPushButton* FermerBtn;
    vcl::SaveRequest SaveDialog1;
    std::string RiffFileName; // the last file analysed: the default name of the log

    // Tests: runs on the walking thread after each line is made, with the walk's stop request.
    using LineHook = std::function<void(const std::string& line, const std::atomic<bool>& cancelled)>;
    LineHook onWalkLine;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Walk;
    // Reaches the window from the walking thread's posted calls; emptied when the window goes.
    struct Link {
        TRiffForm* form = nullptr; // GUI thread only
    };

    void StopWalk(); // cancels the walk under way and waits for it
    void AddLines(uint64_t walk, const std::vector<std::string>& lines);
    void WalkEnded(uint64_t walk, const std::vector<std::string>& lines, const formats::RiffListingResult& result,
                   const std::string& failure);

    std::unique_ptr<vcl::Dialogs> ownDialogs_;
    vcl::Dialogs& dialogs_;
    std::shared_ptr<Link> link_;
    std::unique_ptr<Walk> walk_;
    uint64_t walkNumber_ = 0; // the walk whose lines the list takes
    bool walking_ = false;
};

} // namespace ui
