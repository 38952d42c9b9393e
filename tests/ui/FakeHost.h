#pragma once
// The main window as the pages and the frame see it, recording what they ask: widths, scroll
// bars, the pop-up menu, closed pages, and the actions' shortcuts, which it holds by name; and the
// parts an information frame is tested with.
#include <map>
#include <string>
#include <vector>

#include "media/viewgraph.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "tests/kit/TempDir.h"
#include "ui/BaseFrame.h"
#include "ui/PageHost.h"

namespace uitest {

class FakeHost : public ui::PageHost {
public:
    int ClientWidth() const override { return clientWidth; }
    void SetClientWidth(int width) override
    {
        clientWidth = width;
        widths.push_back(width);
    }
    void SetScrollBarsVisible(bool visible) override { scrollBars = visible; }
    void SetPopupMenuEnabled(bool enabled) override { popupMenu = enabled; }
    void ClosePage(QWidget& page) override { closed.push_back(&page); }
    rtl::TShortCut TakeShortCut(const std::string& name) override
    {
        const rtl::TShortCut key = keys[name];
        keys[name] = 0;
        return key;
    }
    void GiveShortCut(const std::string& name, rtl::TShortCut key) override { keys[name] = key; }

    int clientWidth = 900;
    bool scrollBars = true;
    bool popupMenu = true;
    std::vector<int> widths;
    std::vector<QWidget*> closed;
    std::map<std::string, rtl::TShortCut> keys;
};

// An information frame with its own viewing graph and scripted dialogs, and a folder.
struct FrameParts {
    testkit::TempDir dir;
    vcl::ScriptedDialogs dialogs;
    media::Tviewdm view;
    ui::TBaseFrame frame{dialogs, view};
};

} // namespace uitest
