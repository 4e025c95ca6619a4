#include "platform/top_most.h"

#include <QApplication>
#include <QPointer>
#include <utility>
#include <vector>

namespace {

int g_normalizeLevel = 0;

std::vector<QPointer<QWidget>>& SteppedBack()
{
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

// Changing the flag re-creates the native window hidden: shown again when it was.
void SetStaysOnTop(QWidget* w, bool onTop, bool shown)
{
    w->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown)
        w->show();
}

std::vector<std::function<void()>>& RestoredHandlers()
{
    static std::vector<std::function<void()>> handlers;
    return handlers;
}

} // namespace

void NormalizeTopMosts()
{
    if (g_normalizeLevel++ > 0)
        return;
    SteppedBack().clear();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        // Menus and tips are the window system's own and keep their flags.
        const Qt::WindowType type = w->windowType();
        if (!(w->windowFlags() & Qt::WindowStaysOnTopHint) ||
            (type != Qt::Window && type != Qt::Tool && type != Qt::Dialog))
            continue;
        SteppedBack().push_back(w);
        SetStaysOnTop(w, false, w->isVisible());
    }
}

void RestoreTopMosts()
{
    if (g_normalizeLevel == 0 || --g_normalizeLevel > 0)
        return;
    std::vector<QPointer<QWidget>> windows;
    windows.swap(SteppedBack());
    for (QWidget* w : windows)
        if (w)
            SetStaysOnTop(w, true, w->isVisible());
    for (const std::function<void()>& handler : RestoredHandlers())
        handler();
}

void AddTopMostsRestoredHandler(std::function<void()> handler)
{
    RestoredHandlers().push_back(std::move(handler));
}

bool TopMostsNormalized()
{
    return g_normalizeLevel > 0;
}
