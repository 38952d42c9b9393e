#pragma once
// The gallery's registry and stage. A window joins the gallery with one entry, in a source of
// this folder (every .cpp here is part of the program):
//
//   GALLERY_ENTRY(RiffForm)
//   {
//       auto& empty = stage.Keep(std::make_unique<ui::TRiffForm>());
//       stage.Shoot(empty, "empty");                          // RiffForm-empty.png
//       auto& walked = stage.Keep(std::make_unique<ui::TRiffForm>());
//       walked.Analyse(file);
//       stage.Shoot(walked, "walked");
//   }
//
// An entry builds one window per state (disabled, Chinese captions, a menu open, each tab) and
// shoots it; shown interactively, every kept window stays on screen. Entries run in name order.
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class QMenu;
class QTabWidget;

namespace gallery {

class Stage {
public:
    virtual ~Stage() = default;

    // The stage keeps the window for the rest of the run.
    template <class W> W& Keep(std::unique_ptr<W> window)
    {
        W& w = *window;
        KeepWidget(std::unique_ptr<QWidget>(window.release()));
        return w;
    }
    // Shows `window` as it is now; with --shots saves <entry>-<state>.png.
    virtual void Shoot(QWidget& window, const QString& state) = 0;
    // Each tab of `tabs` (in `window`) in turn: <entry>-<state>-<tab number>.png.
    virtual void ShootTabs(QWidget& window, QTabWidget& tabs, const QString& state) = 0;
    // `window` with `menu` open over it.
    virtual void ShootMenu(QWidget& window, QMenu& menu, const QString& state) = 0;

protected:
    virtual void KeepWidget(std::unique_ptr<QWidget> window) = 0;
};

using EntryFunction = void (*)(Stage& stage);

struct Entry {
    const char* name;
    EntryFunction show;
};

// Adds an entry (at static initialisation); returns the number of entries so far.
int Register(const char* name, EntryFunction show);
// Every entry, by name.
std::vector<Entry> Entries();

} // namespace gallery

#define GALLERY_ENTRY(name)                                                                                            \
    static void GalleryEntry_##name(gallery::Stage& stage);                                                            \
    [[maybe_unused]] static const int galleryEntry_##name = gallery::Register(#name, GalleryEntry_##name);             \
    static void GalleryEntry_##name(gallery::Stage& stage)
