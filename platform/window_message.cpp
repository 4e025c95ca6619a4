#include "platform/window_message.h"

#include <QCoreApplication>
#include <QObject>

TMessageEvent::TMessageEvent(unsigned msg, uintptr_t wParam, intptr_t lParam)
    : QEvent(type()), Msg(msg), WParam(wParam), LParam(lParam)
{
}

QEvent::Type TMessageEvent::type()
{
    static const QEvent::Type t = static_cast<QEvent::Type>(QEvent::registerEventType());
    return t;
}

void PostMessage(QObject* target, unsigned msg, uintptr_t w, intptr_t l)
{
    if (!target) return;
    QCoreApplication::postEvent(target, new TMessageEvent(msg, w, l));
}

const TMessageEvent* AsMessageEvent(const QEvent* e)
{
    return e && e->type() == TMessageEvent::type() ? static_cast<const TMessageEvent*>(e) : nullptr;
}
