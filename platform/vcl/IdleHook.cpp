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
    aboutToBlock_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this, glib] {
        if (!glib || !g_main_context_pending(nullptr))
            onIdle_();
    });
}

IdleHook::~IdleHook()
{
    QObject::disconnect(aboutToBlock_);
}

} // namespace vcl
