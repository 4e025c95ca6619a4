#include "bars/drag_loops.h"

#include "bars/tool_window_base.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>

int ScaledGrab(int newLength, int grab, int oldLength)
{
    if (oldLength - 1 <= 0)
        return 0;
    return MulDiv(newLength - 1, grab, oldLength - 1);
}

QRect DragOutlineRect(const QPoint& cursor, const QPoint& grab, const QSize& oldSize, const QSize& newSize)
{
    return QRect(cursor.x() - ScaledGrab(newSize.width(), grab.x(), oldSize.width()),
                 cursor.y() - ScaledGrab(newSize.height(), grab.y(), oldSize.height()), newSize.width(),
                 newSize.height());
}

bool InDockingZone(const QRect& dockRect, bool leftRight, const QPoint& cursor, const QPoint& grab,
                   const QSize& oldSize, const QSize& dockedSize)
{
    // Right and bottom exclusive, as the window rectangle of the dock.
    int left = dockRect.left(), top = dockRect.top();
    int right = left + dockRect.width(), bottom = top + dockRect.height();
    if (leftRight && right == left) {
        --left;
        ++right;
    }
    if (!leftRight && bottom == top) {
        --top;
        ++bottom;
    }
    const int sx = oldSize.width() - 1 > 0 ? MulDiv(32, grab.x(), oldSize.width() - 1) : 0;
    const int sy = oldSize.height() - 1 > 0 ? MulDiv(20, grab.y(), oldSize.height() - 1) : 0;
    if (cursor.x() < left + sx - 32 || cursor.x() > right - 1 + sx)
        return false;
    if (leftRight && (cursor.y() < top || cursor.y() >= bottom))
        return false;
    if (cursor.y() < top + sy - 20 || cursor.y() > bottom - 1 + sy)
        return false;
    const QRect shape = DragOutlineRect(cursor, grab, oldSize, dockedSize);
    return shape.intersects(QRect(left, top, right - left, bottom - top));
}

QRect KeepFloatingOutline(QRect outline, const QRect& work, int frame, int captionHeight)
{
    const QRect band = work.adjusted(4 + frame, 4 + frame, -(4 + frame), -(4 + frame));
    if (outline.bottom() < band.top())
        outline.moveBottom(band.top());
    if (outline.top() > band.bottom())
        outline.moveTop(band.bottom());
    if (outline.right() < band.left())
        outline.moveRight(band.left());
    if (outline.left() > band.right())
        outline.moveLeft(band.right());
    if (outline.top() + frame + captionHeight < work.top() + 4)
        outline.moveTop(work.top() + 4 - frame - captionHeight);
    return outline;
}

QRect SizedRect(const QRect& start, int handle, const QPoint& delta, const QSize& minSize)
{
    const bool horizontalEdges = handle != twshTop && handle != twshBottom;
    const bool leftEdge = handle == twshLeft || handle == twshTopLeft || handle == twshBottomLeft;
    const bool verticalEdges = handle >= twshTop;
    const bool topEdge = handle == twshTop || handle == twshTopLeft || handle == twshTopRight;
    int l = start.left(), t = start.top(), r = start.left() + start.width(), b = start.top() + start.height();
    if (horizontalEdges) {
        if (leftEdge) {
            l += delta.x();
            if (r - l < minSize.width())
                l = r - minSize.width();
        } else {
            r += delta.x();
            if (r - l < minSize.width())
                r = l + minSize.width();
        }
    }
    if (verticalEdges) {
        if (topEdge) {
            t += delta.y();
            if (b - t < minSize.height())
                t = b - minSize.height();
        } else {
            b += delta.y();
            if (b - t < minSize.height())
                b = t + minSize.height();
        }
    }
    return QRect(l, t, r - l, b - t);
}

namespace {

// The target frame drawn over everything, in a halftone, letting every click through.
class TDragOutline : public QWidget {
public:
    TDragOutline()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint |
                               Qt::WindowDoesNotAcceptFocus)
    {
        setObjectName(QStringLiteral("DockBarDragOutline"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }
    void SetFrame(const QRect& r, int thickness)
    {
        if (r.isEmpty()) {
            hide();
            m_rect = QRect();
            return;
        }
        if (r == m_rect && thickness == m_thickness && isVisible())
            return;
        m_rect = r;
        m_thickness = thickness;
        setGeometry(r);
        const QRect inner =
            QRect(QPoint(0, 0), r.size()).adjusted(thickness, thickness, -thickness, -thickness);
        setMask(QRegion(QRect(QPoint(0, 0), r.size())) - QRegion(inner));
        show();
        update();
    }
    QRect Frame() const { return m_rect; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setBrushOrigin(-m_rect.topLeft());
        p.fillRect(rect(), HalftoneBrush());
    }

private:
    QRect m_rect;
    int m_thickness = 1;
};

// Runs a nested event loop that sees every event of the application first.
class TLoopFilter : public QObject {
public:
    std::function<void(const QPoint&, Qt::KeyboardModifiers)> OnMove;
    std::function<void(bool ctrl)> OnCtrl;
    bool Accepted = false;
    bool Done = false;
    bool ReactToCtrl = true;
    QEventLoop Loop;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* m = static_cast<QMouseEvent*>(event);
            if (OnMove)
                OnMove(m->globalPosition().toPoint(), m->modifiers());
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                Finish(true);
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                Finish(false);
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* k = static_cast<QKeyEvent*>(event);
            if (k->key() == Qt::Key_Escape) {
                if (event->type() == QEvent::KeyPress)
                    Finish(false);
            } else if (k->key() == Qt::Key_Control && ReactToCtrl && OnCtrl) {
                OnCtrl(event->type() == QEvent::KeyPress);
            }
            return true;
        }
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu: return true;
        case QEvent::ApplicationStateChange:
            if (QGuiApplication::applicationState() != Qt::ApplicationActive)
                Finish(false);
            return false;
        default: return false;
        }
    }
    void Finish(bool accept)
    {
        if (Done)
            return;
        Done = true;
        Accepted = accept;
        Loop.quit();
    }
    void Run()
    {
        qApp->installEventFilter(this);
        if (!Done)
            Loop.exec();
        qApp->removeEventFilter(this);
    }
};

// Docks a form offers: its direct docks top, bottom, left, right first, then those deeper down.
void FindDocks(QWidget* w, const TCustomToolWindowX* self, std::vector<TDockX*>& out)
{
    std::vector<QWidget*> children;
    for (QObject* o : w->children())
        if (o->isWidgetType())
            children.push_back(static_cast<QWidget*>(o));
    const auto usable = [&](QWidget* c) { return c != self && !c->isWindow() && c->isVisible(); };
    for (TDockPosition pos : {dpTop, dpBottom, dpLeft, dpRight})
        for (QWidget* c : children)
            if (auto* dock = qobject_cast<TDockX*>(c); dock && usable(c) && dock->Position() == pos) {
                FindDocks(dock, self, out);
                out.push_back(dock);
            }
    for (QWidget* c : children)
        if (!qobject_cast<TDockX*>(c) && usable(c))
            FindDocks(c, self, out);
}

} // namespace

bool TCustomToolWindowX::BeginMoving(const QPoint& grabGlobal)
{
    QWidget* form = GetToolWindowParentForm(this);
    if (!form)
        return false;
    QPointer<TCustomToolWindowX> self(this);
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    const QPoint grab = grabGlobal - origin;
    const QSize oldSize = size();
    const bool cannotFloat = DockMode != dmCanFloat;
    const TDockType currentType = GetDockTypeOf(DockedTo());

    std::vector<TDockX*> candidates;
    if (DockMode == dmCannotFloatOrChangeDocks) {
        if (DockedTo())
            candidates.push_back(DockedTo());
    } else {
        std::vector<TDockX*> all;
        FindDocks(form, this, all);
        for (QWidget* other : DockForms())
            if (other != form)
                FindDocks(other, this, all);
        for (TDockX* d : all)
            if (d->AllowDrag() && (DockableTo & DockableBit(d->Position())) &&
                std::find(candidates.begin(), candidates.end(), d) == candidates.end())
                candidates.push_back(d);
    }
    // The shape on each candidate, and floating.
    std::vector<QSize> shapes;
    for (TDockX* d : candidates) {
        if (d == DockedTo()) {
            shapes.push_back(size());
        } else {
            const QSize client = OrderControls(false, currentType, d);
            const QMargins nc = NonClientFor(d);
            shapes.push_back(client + QSize(nc.left() + nc.right(), nc.top() + nc.bottom()));
        }
    }
    const QMargins floatNc = NonClientFor(nullptr);
    const QSize floatingShape = OrderControls(false, currentType, nullptr) +
                                QSize(floatNc.left() + floatNc.right(), floatNc.top() + floatNc.bottom());
    const int floatFrame = FloatingFrameSize(Resizable());

    TDragOutline outline;
    TLoopFilter loop;
    TDockX* target = nullptr;
    QRect outlineRect;
    bool ctrl = QGuiApplication::keyboardModifiers() & Qt::ControlModifier;
    QPoint last = grabGlobal;
    const QCursor startCursor = cursor();

    auto step = [&](QPoint cursorPos) {
        last = cursorPos;
        target = nullptr;
        QSize shape = floatingShape;
        if (!ctrl) {
            for (size_t i = 0; i < candidates.size(); ++i) {
                TDockX* d = candidates[i];
                const QRect dockRect(d->mapToGlobal(QPoint(0, 0)), d->size());
                if (!InDockingZone(dockRect, GetDockTypeOf(d) == dtLeftRight, cursorPos, grab, oldSize,
                                   shapes[i]))
                    continue;
                bool accept = true;
                if (d->OnRequestDock)
                    d->OnRequestDock(d, this, accept);
                if (accept) {
                    target = d;
                    shape = shapes[i];
                    break;
                }
            }
        }
        if (!target) {
            const QRect work = GetRectOfMonitorContainingPoint(cursorPos);
            cursorPos.setX(std::clamp(cursorPos.x(), work.left(), work.right()));
            cursorPos.setY(std::clamp(cursorPos.y(), work.top(), work.bottom()));
        }
        outlineRect = DragOutlineRect(cursorPos, grab, oldSize, shape);
        if (!target)
            outlineRect = KeepFloatingOutline(outlineRect, GetRectOfMonitorContainingPoint(cursorPos),
                                              floatFrame, ShowCaption() ? GetSmallCaptionHeight() : 0);
        if (!target && cannotFloat) {
            outlineRect = QRect();
            setCursor(Qt::ForbiddenCursor);
        } else {
            setCursor(startCursor);
        }
        outline.SetFrame(outlineRect, target ? 1 : floatFrame);
    };
    loop.OnMove = [&](const QPoint& p, Qt::KeyboardModifiers mods) {
        const bool nowCtrl = mods & Qt::ControlModifier;
        if (nowCtrl != ctrl)
            ctrl = nowCtrl;
        step(p);
    };
    loop.OnCtrl = [&](bool down) {
        if (down != ctrl) {
            ctrl = down;
            step(last);
        }
    };
    grabMouse();
    step(grabGlobal);
    loop.Run();
    if (self)
        releaseMouse();
    outline.SetFrame(QRect(), 1);
    if (!self)
        return false;
    setCursor(startCursor);
    if (!loop.Accepted || outlineRect.isEmpty())
        return false;

    if (target) {
        const QMargins nc = target->NonClient();
        const QPoint local = target->mapFromGlobal(outlineRect.topLeft()) - QPoint(nc.left(), nc.top());
        const bool leftRight = GetDockTypeOf(target) == dtLeftRight;
        const int across =
            leftRight ? local.x() + outlineRect.width() / 2 : local.y() + outlineRect.height() / 2;
        target->BeginUpdate();
        TDockRowHit hit = target->GetRowOf(across);
        if (hit.Before) {
            target->InsertRowBefore(hit.Row);
        } else if (FullSize() && target->GetNumberOfToolbarsOnRow(hit.Row, this) > 0) {
            ++hit.Row;
            target->InsertRowBefore(hit.Row);
        }
        m_dockRow = hit.Row;
        m_dockPos = leftRight ? local.y() : local.x();
        if (DockedTo() != target)
            SetParent(target);
        target->EndUpdate();
        target->ArrangeToolbars(true);
    } else {
        SetFloatingPosition(outlineRect.topLeft());
        if (m_docked)
            SetParent(ValidToolWindowParentForm(this));
    }
    MoveOnScreen(true);
    return true;
}

bool TCustomToolWindowX::BeginSizing(TToolWindowSizeHandle handle, const QPoint& startGlobal)
{
    if (m_docked || !m_floatParent)
        return false;
    QPointer<TCustomToolWindowX> self(this);
    int minW = 0, minH = 0;
    GetMinimumSize(minW, minH);
    const QMargins nc = NonClient();
    const QSize minSize(minW + nc.left() + nc.right(), minH + nc.top() + nc.bottom());
    ResizeBegin(handle);
    const QRect start(m_floatingPosition, size());
    QRect current = start;
    QPoint lastCursor = startGlobal;
    TDragOutline outline;
    TLoopFilter loop;
    loop.ReactToCtrl = false;
    const int frame = FloatingFrameSize(Resizable());
    loop.OnMove = [&](const QPoint& p, Qt::KeyboardModifiers) {
        if (p == lastCursor)
            return;
        lastCursor = p;
        QRect r = SizedRect(start, handle, p - startGlobal, minSize);
        ResizeTrack(r, start);
        current = r;
        outline.SetFrame(current, frame);
    };
    outline.SetFrame(current, frame);
    grabMouse();
    loop.Run();
    if (self)
        releaseMouse();
    outline.SetFrame(QRect(), frame);
    if (!self)
        return false;
    ResizeEnd(loop.Accepted);
    if (!loop.Accepted)
        return false;
    BeginUpdate();
    SetBounds(QRect(QPoint(0, 0), current.size()));
    SetFloatingPosition(current.topLeft());
    EndUpdate();
    ArrangeControls();
    MoveOnScreen(true);
    return true;
}
