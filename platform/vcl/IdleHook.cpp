#include "platform/vcl/IdleHook.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace vcl {

// aboutToBlock alone is not idleness: the GLib dispatcher emits it before every turn of the loop,
// also when events wait. A turn that woke and then is about to block again has drained them.
IdleHook::IdleHook(std::function<void()> onIdle) : onIdle_(std::move(onIdle))
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    awake_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [this] { handled_ = true; });
    aboutToBlock_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
        if (!handled_)
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
