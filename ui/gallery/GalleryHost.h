#pragma once
// The main window as the gallery's pages and frame see it: widths kept, the rest ignored.
#include "ui/PageHost.h"

namespace gallery {

class GalleryHost : public ui::PageHost {
public:
    int ClientWidth() const override { return width_; }
    void SetClientWidth(int width) override { width_ = width; }
    void SetScrollBarsVisible(bool) override {}
    void SetPopupMenuEnabled(bool) override {}
    void ClosePage(QWidget&) override {}
    rtl::TShortCut TakeShortCut(const std::string&) override { return 0; }
    void GiveShortCut(const std::string&, rtl::TShortCut) override {}

private:
    int width_ = 900;
};

// The one host of the gallery's pages and frames.
inline GalleryHost& Host()
{
    static GalleryHost host;
    return host;
}

} // namespace gallery
