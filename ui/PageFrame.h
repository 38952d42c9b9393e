#pragma once
// What the three pages share: shown in place of the file list, at the window's top left, a page
// remembers the window's client width the first time it is shown, sets it to its own width, and
// gives the remembered width back when it is hidden. Showing a page that is shown keeps the width
// it first remembered; hiding a page that is not shown does nothing.
#include <QWidget>
#include <optional>

#include "ui/PageHost.h"

namespace ui {

class PageFrame : public QWidget {
public:
    bool Shown() const { return remembered_.has_value(); }
    int RememberedWidth() const { return remembered_.value_or(0); }

protected:
    PageFrame(PageHost& host, QWidget* parent);
    // `coverList`: also the scroll bars and the list's pop-up menu go while the page is shown.
    void Present(bool coverList, bool toTop = true);
    void Withdraw();

    PageHost& host_;

private:
    std::optional<int> remembered_;
    bool covered_ = false;
};

} // namespace ui
