#pragma once
// A main window for the gallery: the registry it loads and saves in a temporary folder of the
// run, not the user's, its file-action module and scripted dialogs kept for the
// run.
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <cstdlib>
#include <deque>
#include <memory>

#include "actions/chmodule.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "ui/UIForm.h"
#include "ui/gallery/Gallery.h"

namespace gallery {

// The run's temporary folder.
inline const QTemporaryDir& Home()
{
    static QTemporaryDir home;
    return home;
}

// A new window, kept by the stage and shown.
inline ui::TUIForm& NewMainWindow(Stage& stage)
{
    setenv("MORVEL_REGISTRY_DIR", QDir(Home().path()).filePath(QStringLiteral("registry")).toUtf8().constData(), 1);
    // Each window binds a module of its own; the deques never move what they hold.
    static std::deque<actions::Tch> modules;
    static std::deque<vcl::ScriptedDialogs> dialogs;
    actions::Tch& ch = modules.emplace_back();
    ch.Localise();
    auto& window = stage.Keep(std::make_unique<ui::TUIForm>(ch, &dialogs.emplace_back()));
    window.show();
    return window;
}

} // namespace gallery
