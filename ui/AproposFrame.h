#pragma once
// TAproposFrame: the about page (F1), shown in place of the file list. Tabs: the system the
// program runs on (filled line by line by the main window, AppendSystemLine), the command-line
// switches (a two-column table of command and switch the main window fills), the about text with
// the release date, and the filter test (filled by the main window). Contact links and a close
// button that asks the host to hide the page.
#include <string>
#include <vector>

#include "ui/PageFrame.h"
#include "ui/RichEdit.h"
#include "ui/TitledPage.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace ui {

class TAproposFrame : public TitledPage {
public:
    static constexpr int kDesignWidth = 640;
    static constexpr int kDesignHeight = 470;
    static constexpr int kCommandLineTab = 1; // where "+?" opens the page

    explicit TAproposFrame(PageHost& host, QWidget* parent = nullptr);

    // Components, by their design names (and TitledPage's).
    QTabWidget* PageControl2;
    QWidget *tsSysteme, *tsCommandes, *tsApropos, *tsTest;
    RichEdit* reApropos; // system
    QTableWidget* vle;   // command line: function, key
    QPlainTextEdit* Memo2;
    RichEdit* rxApropos1; // about
    RichEdit* reTest;     // filter test

    void ShowPage();
    void HidePage();
    void Localise();
    // One black line of the system text; the mail link's body gets it too, with a line break.
    void AppendSystemLine(const std::string& text);
    // The command table from "function=key" lines, in order; a line without "=" has no key.
    void SetCommandLines(const std::vector<std::string>& lines);
};

class TVideFrame : public PageFrame {
public:
    static constexpr int kDesignWidth = 420;
    static constexpr int kDesignHeight = 470;

    explicit TVideFrame(PageHost& host, QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;
    QLabel* Image1;

    void ShowPage();
    void HidePage();
    void Localise();
};

} // namespace ui
