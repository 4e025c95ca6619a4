#include "bars/tool_window.h"

#include <QScreen>
#include <algorithm>

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
    // Never below the minimum client size, never beyond the screen.
    const QRect work = GetDesktopAreaRect();
    w = std::clamp(w, std::max(MinClientWidth, 1), std::max(work.width(), std::max(MinClientWidth, 1)));
    h = std::clamp(h, std::max(MinClientHeight, 1), std::max(work.height(), std::max(MinClientHeight, 1)));
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
}

void TToolWindowX::GetMinimumSize(int& clientWidth, int& clientHeight)
{
    clientWidth = MinClientWidth;
    clientHeight = MinClientHeight;
}

QSize TToolWindowX::OrderControls(bool, TDockType, TDockX* dockingTo)
{
    m_layout->setContentsMargins(NonClientFor(dockingTo));
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
