#include "bars/sb_mouse_manager.h"

#include "platform/window_message.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

namespace {

TMouseManager* g_mouseManager = nullptr;

} // namespace

TMouseManager::TMouseManager()
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        if (auto* gui = qobject_cast<QGuiApplication*>(app))
            connect(gui, &QGuiApplication::applicationStateChanged, this, &TMouseManager::ApplicationStateChanged);
    }
}

TMouseManager::~TMouseManager()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void TMouseManager::AddHandler(QObject* obj)
{
    if (obj && !HasHandler(obj))
        m_handlers.emplace_back(obj);
}

void TMouseManager::RemoveHandler(QObject* obj)
{
    m_handlers.erase(std::remove_if(m_handlers.begin(), m_handlers.end(),
                                    [obj](const QPointer<QObject>& h) { return h.isNull() || h == obj; }),
                     m_handlers.end());
}

bool TMouseManager::HasHandler(const QObject* obj) const
{
    return std::any_of(m_handlers.begin(), m_handlers.end(), [obj](const QPointer<QObject>& h) { return h == obj; });
}

void TMouseManager::CallHandlers(unsigned msg)
{
    // A handler that closes its drop-down unregisters itself while it is being called: walk a
    // copy, and skip entries that left the list (or were deleted) meanwhile.
    const std::vector<QPointer<QObject>> snapshot = m_handlers;
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        QObject* obj = it->data();
        if (!obj || !HasHandler(obj))
            continue;
        TMessageEvent message(msg, 0, 0);
        QCoreApplication::sendEvent(obj, &message);
    }
}

bool TMouseManager::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::NonClientAreaMouseButtonPress)
        && watched->isWidgetType()) {
        const auto* me = static_cast<QMouseEvent*>(event);
        // A press the first widget ignores is offered to its parents too: count it once.
        const PressKey key{me->timestamp(), me->globalPosition().toPoint(), me->button()};
        if ((me->button() == Qt::LeftButton || me->button() == Qt::RightButton) && !(key == m_lastPress)) {
            m_lastPress = key;
            m_inPress = true;
            CallHandlers(WM_SBMOUSEDOWN);
            m_inPress = false;
        }
    }
    return false;
}

void TMouseManager::ApplicationStateChanged(Qt::ApplicationState state)
{
    if (state != Qt::ApplicationActive)
        CallHandlers(WM_SBAPPLOSTFOCUS);
}

QPoint TMouseManager::PressPos() const
{
    return m_inPress ? m_lastPress.pos : QCursor::pos();
}

TMouseManager* GetMouseManager()
{
    if (!g_mouseManager)
        g_mouseManager = new TMouseManager;
    return g_mouseManager;
}

void FreeMouseManager()
{
    delete g_mouseManager;
    g_mouseManager = nullptr;
}
