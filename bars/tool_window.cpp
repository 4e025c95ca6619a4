#include "bars/tool_window.h"

#include <QScreen>
#include <algorithm>
#include <climits>

namespace {

// Across its dock a docked window takes at most half of the dock's form: the form keeps room
// for its own client area, and a window made wide while floating never widens the form.
int DockedClientLimit(const TDockX* dock, const QMargins& nc)
{
    const QWidget* form = dock ? dock->parentWidget() : nullptr;
    if (!form)
        return INT_MAX;
    return GetDockTypeOf(dock) == dtLeftRight ? form->width() / 2 - nc.left() - nc.right()
                                              : form->height() / 2 - nc.top() - nc.bottom();
}

} // namespace

TToolWindowX::TToolWindowX(QWidget* parent) : TCustomToolWindowX(parent)
{
    m_layout = new TAlignLayout(this);
    resize(32, 32);
}

int TToolWindowX::ClientAreaWidth() const
{
    return parentWidget() ? ClientRect().width() : width();
}

int TToolWindowX::ClientAreaHeight() const
{
    return parentWidget() ? ClientRect().height() : height();
}

void TToolWindowX::SetClientAreaSize(int w, int h)
{
    // Never below the minimum client size; floating, frame and caption included, never beyond
    // the screen.
    const QRect work = GetDesktopAreaRect();
    const QMargins frame = NonClientFor(nullptr);
    const int minW = std::max(MinClientWidth, 1), minH = std::max(MinClientHeight, 1);
    w = std::clamp(w, minW, std::max(work.width() - frame.left() - frame.right(), minW));
    h = std::clamp(h, minH, std::max(work.height() - frame.top() - frame.bottom(), minH));
    m_barWidth = w;
    m_barHeight = h;
    if (parentWidget()) {
        const QMargins nc = NonClient();
        SetBoundsQuiet(QRect(pos(), QSize(w + nc.left() + nc.right(), h + nc.top() + nc.bottom())));
        ArrangeControls();
        if (DockedTo())
            DockedTo()->ArrangeToolbars();
    } else {
        resize(w, h);
    }
}

void TToolWindowX::SizeChanging(int width, int height)
{
    if (parentWidget()) {
        const QMargins nc = NonClient();
        m_barWidth = width - nc.left() - nc.right();
        m_barHeight = height - nc.top() - nc.bottom();
    } else {
        m_barWidth = width;
        m_barHeight = height;
    }
}

void TToolWindowX::GetBarSize(int& size, TDockType dockType)
{
    size = dockType == dtLeftRight ? m_barWidth : m_barHeight;
    if (TDockX* dock = DockedTo(); dock && GetDockTypeOf(dock) == dockType)
        size = std::min(size, std::max(DockedClientLimit(dock, NonClient()),
                                       dockType == dtLeftRight ? MinClientWidth : MinClientHeight));
}

void TToolWindowX::GetLeastBarSize(int& size, TDockType dockType)
{
    // Docked, the bar gives way down to its minimum as the form shrinks.
    GetBarSize(size, dockType);
    if (TDockX* dock = DockedTo(); dock && GetDockTypeOf(dock) == dockType)
        size = std::min(size, dockType == dtLeftRight ? MinClientWidth : MinClientHeight);
}

void TToolWindowX::GetMinimumSize(int& clientWidth, int& clientHeight)
{
    clientWidth = MinClientWidth;
    clientHeight = MinClientHeight;
}

QSize TToolWindowX::OrderControls(bool, TDockType, TDockX* dockingTo)
{
    const QMargins nc = NonClientFor(dockingTo);
    m_layout->setContentsMargins(nc);
    const int limit = std::max(DockedClientLimit(dockingTo, nc), 1);
    if (GetDockTypeOf(dockingTo) == dtLeftRight)
        return QSize(std::min(m_barWidth, std::max(limit, MinClientWidth)), m_barHeight);
    if (dockingTo)
        return QSize(m_barWidth, std::min(m_barHeight, std::max(limit, MinClientHeight)));
    return QSize(m_barWidth, m_barHeight);
}

void TToolWindowX::ReadPositionData(const TReadIntFn& read)
{
    if (!Resizable())
        return;
    const int h = read(QStringLiteral("ClientHeight"), m_barHeight);
    const int w = read(QStringLiteral("ClientWidth"), m_barWidth);
    SetClientAreaSize(w, h);
}

void TToolWindowX::WritePositionData(const TWriteIntFn& write)
{
    write(QStringLiteral("ClientWidth"), m_barWidth);
    write(QStringLiteral("ClientHeight"), m_barHeight);
}
