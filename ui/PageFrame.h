#pragma once
// What the three pages share: shown in place of the file list, over the whole of its parent (the
// window's client area) and following its size, a page remembers the window's client width the
// first time it is shown, sets it to the page's design width, and gives the remembered width
// back when it is hidden; while it is shown the client area is never smaller than what shows
// every control of the page. Showing a page that is shown keeps the width it first remembered;
// hiding a page that is not shown does nothing.
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
    // The size the page was designed at; the width is the client width it asks for.
    void SetDesignSize(int width, int height);
    // `coverList`: also the scroll bars and the list's pop-up menu go while the page is shown.
    void Present(bool coverList);
    void Withdraw();
    bool eventFilter(QObject* watched, QEvent* event) override;

    PageHost& host_;

private:
    void Cover(); // the parent's whole area
    int designWidth_ = 0;
    std::optional<int> remembered_;
    bool covered_ = false;
};

} // namespace ui
