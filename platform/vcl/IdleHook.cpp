#include "platform/vcl/IdleHook.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <glib.h>

namespace vcl {

// Qt's own dispatcher says aboutToBlock only when nothing waits; the GLib one (Qt's default here)
// says it before every turn of the loop, so there the main context is asked whether events wait.
IdleHook::IdleHook(std::function<void()> onIdle) : onIdle_(std::move(onIdle))
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    const bool glib = dispatcher->inherits("QEventDispatcherGlib");
    awake_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [this] { handled_ = true; });
    aboutToBlock_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this, glib] {
        if (!handled_ || (glib && g_main_context_pending(nullptr)))
            return;
        handled_ = false;
        onIdle_();
    });
}

IdleHook::~IdleHook()
{
    QObject::disconnect(awake_);
    QObject::disconnect(aboutToBlock_);
}

} // namespace vcl
