#pragma once
// What the pages (options, about, empty list) ask of the window that holds them: the main window
// implements it; tests and the gallery fake it. A page shown in place of the list sets the window's
// client width to its own and gives the old one back when hidden; the options page frees the keys
// its edits need while it is shown.
#include <string>

#include "platform/rtl/ShortCut.h"

class QWidget;

namespace ui {

class PageHost {
public:
    virtual ~PageHost() = default;

    virtual int ClientWidth() const = 0;
    virtual void SetClientWidth(int width) = 0;
    virtual void SetScrollBarsVisible(bool visible) = 0;
    // The list's pop-up menu; off while a page covers the list.
    virtual void SetPopupMenuEnabled(bool enabled) = 0;
    // A page's close button: the window hides the page as its own command would.
    virtual void ClosePage(QWidget& page) = 0;
    // The shortcut of the window's action `name`, cleared; 0 when there is none.
    virtual rtl::TShortCut TakeShortCut(const std::string& name) = 0;
    virtual void GiveShortCut(const std::string& name, rtl::TShortCut key) = 0;
};

} // namespace ui
