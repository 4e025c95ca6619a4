#include "platform/graphic_control.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>
#include <algorithm>

namespace {

// Dirty rectangles gathered one by one before they become their bounding rectangle.
constexpr int MaxSeparateDirtyRects = 32;

// Larger paint areas are painted without looking for hidden controls (the mask would pass 8 MB).
constexpr qint64 MaxCoverPixels = qint64(64) << 20;

// The pixels of a paint area that opaque controls cover, a bit each; made at the first one.
class TCoverMask {
public:
    explicit TCoverMask(const QRect& bound) : m_bound(bound), m_words((bound.width() + 63) / 64) {}

    // Every pixel of r (inside the area) is covered.
    bool Covers(const QRect& r) const
    {
        if (m_bits.empty())
            return false;
        bool all = true;
        Rows(r, [&](uint64_t& word, uint64_t mask) { return all = (word & mask) == mask; });
        return all;
    }
    void Add(const QRect& r)
    {
        if (qint64(m_bound.width()) * m_bound.height() > MaxCoverPixels)
            return;
        if (m_bits.empty())
            m_bits.assign(size_t(m_words) * size_t(m_bound.height()), 0);
        Rows(r, [](uint64_t& word, uint64_t mask) {
            word |= mask;
            return true;
        });
    }

private:
    // Calls f(word, mask) for the words of each row of r until f returns false.
    template <class F>
    void Rows(const QRect& r, F&& f) const
    {
        const int x0 = r.left() - m_bound.left(), x1 = r.right() + 1 - m_bound.left();
        const int first = x0 / 64, last = (x1 - 1) / 64;
        const uint64_t lowMask = ~uint64_t(0) << (x0 % 64);
        const uint64_t highMask = x1 % 64 ? ~uint64_t(0) >> (64 - x1 % 64) : ~uint64_t(0);
        for (int y = r.top(); y <= r.bottom(); ++y) {
            uint64_t* row = m_bits.data() + size_t(y - m_bound.top()) * size_t(m_words);
            for (int w = first; w <= last; ++w) {
                uint64_t mask = ~uint64_t(0);
                if (w == first)
                    mask &= lowMask;
                if (w == last)
                    mask &= highMask;
                if (!f(row[w], mask))
                    return;
            }
        }
    }

    QRect m_bound;
    int m_words;
    mutable std::vector<uint64_t> m_bits;
};

} // namespace

// ---- the control ----

TGraphicControl::TGraphicControl(TControlHost* host)
{
    if (host)
        host->Insert(this);
}

TGraphicControl::~TGraphicControl()
{
    if (m_host)
        m_host->Remove(this);
}

void TGraphicControl::SetHost(TControlHost* host)
{
    if (host == m_host)
        return;
    if (m_host)
        m_host->Remove(this);
    if (host)
        host->Insert(this);
}

QWidget* TGraphicControl::parentWidget() const
{
    return m_host;
}

QPoint TGraphicControl::mapToGlobal(QPoint p) const
{
    const QPoint inParent = mapToParent(p);
    return m_host ? m_host->mapToGlobal(inParent) : inParent;
}

void TGraphicControl::setGeometry(const QRect& r)
{
    const QRect next(r.topLeft(), QSize(std::max(r.width(), 0), std::max(r.height(), 0)));
    if (next == m_rect)
        return;
    if (isVisible())
        m_host->Invalidate(m_rect);
    m_rect = next;
    if (isVisible())
        m_host->Invalidate(m_rect);
    GeometryChanged();
}

void TGraphicControl::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    if (m_host)
        m_host->Invalidate(m_rect);
    m_visible = visible;
}

void TGraphicControl::update()
{
    if (isVisible())
        m_host->Invalidate(m_rect);
}

void TGraphicControl::update(const QRect& r)
{
    if (isVisible())
        m_host->Invalidate(r.translated(m_rect.topLeft()) & m_rect);
}

void TGraphicControl::raise()
{
    if (TControlHost* host = m_host) {
        host->Compact();
        if (m_slot + 1 == host->m_controls.size())
            return;
        host->m_controls.erase(host->m_controls.begin() + std::ptrdiff_t(m_slot));
        host->m_controls.push_back(this);
        for (size_t i = m_slot; i < host->m_controls.size(); ++i)
            host->m_controls[i]->m_slot = i;
        update();
    }
}

void TGraphicControl::lower()
{
    if (TControlHost* host = m_host) {
        host->Compact();
        const size_t slot = m_slot;
        if (slot == 0)
            return;
        host->m_controls.erase(host->m_controls.begin() + std::ptrdiff_t(slot));
        host->m_controls.insert(host->m_controls.begin(), this);
        for (size_t i = 0; i <= slot; ++i)
            host->m_controls[i]->m_slot = i;
        update();
    }
}

void TGraphicControl::setCursor(const QCursor& cursor)
{
    m_cursor = cursor;
    if (m_host && m_host->MouseControl() == this)
        m_host->ShowCursorOf(this);
}

void TGraphicControl::unsetCursor()
{
    m_cursor.reset();
    if (m_host && m_host->MouseControl() == this)
        m_host->ShowCursorOf(this);
}

QPixmap TGraphicControl::grab()
{
    QPixmap pixmap(m_rect.size().expandedTo(QSize(1, 1)));
    pixmap.fill(m_host ? m_host->palette().color(QPalette::Window) : QColor(Qt::white));
    QPainter painter(&pixmap);
    painter.setClipRect(rect());
    PaintControl(painter);
    return pixmap;
}

// ---- the host ----

TControlHost::TControlHost(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

TControlHost::~TControlHost()
{
    DeleteControls();
}

void TControlHost::DeleteControls()
{
    Compact();
    std::vector<TGraphicControl*> controls;
    controls.swap(m_controls);
    m_capture = m_hover = nullptr;
    for (TPaintPass* pass = m_paintPass; pass; pass = pass->outer)
        pass->controls.clear();
    // The list goes first, so that each control's leaving costs nothing.
    for (TGraphicControl* c : controls) {
        ControlRemoved(c);
        c->m_host = nullptr;
    }
    for (TGraphicControl* c : controls)
        delete c;
    update();
}

const std::vector<TGraphicControl*>& TControlHost::Controls() const
{
    Compact();
    return m_controls;
}

void TControlHost::Compact() const
{
    if (m_holes == 0)
        return;
    size_t n = 0;
    for (TGraphicControl* c : m_controls)
        if (c) {
            c->m_slot = n;
            m_controls[n++] = c;
        }
    m_controls.resize(n);
    m_holes = 0;
}

void TControlHost::Insert(TGraphicControl* control)
{
    control->m_host = this;
    control->m_slot = m_controls.size();
    m_controls.push_back(control);
    if (control->m_visible)
        Invalidate(control->m_rect);
    ControlAdded(control);
}

void TControlHost::Remove(TGraphicControl* control)
{
    for (TPaintPass* pass = m_paintPass; pass; pass = pass->outer)
        std::replace(pass->controls.begin(), pass->controls.end(), control,
                     static_cast<TGraphicControl*>(nullptr));
    ControlRemoved(control);
    ControlGone(control);
    if (control->m_visible)
        Invalidate(control->m_rect);
    // The last one goes without a hole: controls freed back to front cost nothing each.
    if (control->m_slot + 1 == m_controls.size()) {
        m_controls.pop_back();
        while (!m_controls.empty() && !m_controls.back()) {
            m_controls.pop_back();
            --m_holes;
        }
    } else {
        m_controls[control->m_slot] = nullptr;
        ++m_holes;
        if (m_holes > 64 && m_holes * 2 > m_controls.size())
            Compact();
    }
    control->m_host = nullptr;
}

void TControlHost::ControlGone(TGraphicControl* control)
{
    if (m_capture == control) {
        m_capture = nullptr;
        m_captureLost = true;
    }
    if (m_hover == control) {
        m_hover = nullptr;
        ShowCursorOf(nullptr);
    }
}

TGraphicControl* TControlHost::ControlAt(QPoint p) const
{
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it)
        if (*it && (*it)->m_visible && (*it)->m_rect.contains(p))
            return *it;
    return nullptr;
}

TGraphicControl* TControlHost::MouseControl() const
{
    return m_capture ? m_capture : m_hover;
}

void TControlHost::SetOwnCursor(const QCursor& cursor)
{
    m_ownCursor = cursor;
    ShowCursorOf(MouseControl());
}

void TControlHost::UnsetOwnCursor()
{
    m_ownCursor.reset();
    ShowCursorOf(MouseControl());
}

void TControlHost::ShowCursorOf(TGraphicControl* control)
{
    const std::optional<QCursor>& cursor = control && control->m_cursor ? control->m_cursor : m_ownCursor;
    if (cursor)
        setCursor(*cursor);
    else
        unsetCursor();
}

void TControlHost::Invalidate(const QRect& r)
{
    if (r.isEmpty() || !isVisible())
        return;
    const QRect visible = r & rect();
    if (visible.isEmpty())
        return;
    m_dirtyBound |= visible;
    if (++m_dirtyCount <= MaxSeparateDirtyRects)
        QWidget::update(visible);
    else
        QWidget::update(m_dirtyBound);
}

void TControlHost::PaintControls(const QRegion& region)
{
    m_dirtyBound = QRect();
    m_dirtyCount = 0;
    if (m_controls.empty())
        return;
    const QRect bound = region.boundingRect() & rect();
    const bool complex = region.rectCount() > 1;
    // Front to back: what opaque controls cover is known before the ones below are reached.
    TCoverMask covered(bound);
    TPaintPass pass;
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        TGraphicControl* c = *it;
        if (!c || !c->m_visible || !c->m_rect.intersects(bound) || (complex && !region.intersects(c->m_rect)))
            continue;
        const QRect part = c->m_rect & bound;
        if (covered.Covers(part))
            continue;
        if (c->PaintsOpaque())
            covered.Add(part);
        pass.controls.push_back(c);
    }
    pass.outer = m_paintPass;
    m_paintPass = &pass;
    struct Leave {
        TControlHost* host;
        ~Leave() { host->m_paintPass = host->m_paintPass->outer; }
    } leave{this};
    QPainter painter(this);
    for (auto it = pass.controls.rbegin(); it != pass.controls.rend(); ++it) {
        TGraphicControl* c = *it;
        if (!c)
            continue;
        painter.save();
        painter.translate(c->m_rect.topLeft());
        painter.setClipRect(c->rect(), Qt::IntersectClip);
        c->PaintControl(painter);
        painter.restore();
    }
}

bool TControlHost::RouteMouse(QMouseEvent* event)
{
    if (m_captureLost) {
        // The rest of a press whose control went belongs to nobody.
        if (event->buttons() != Qt::NoButton)
            return true;
        m_captureLost = false;
        if (event->type() == QEvent::MouseButtonRelease)
            return true;
    }
    if (m_ownCapture) {
        // A press on the parent itself keeps the mouse there until the last button is up.
        if (event->buttons() == Qt::NoButton)
            m_ownCapture = false;
        if (event->buttons() != Qt::NoButton || event->type() == QEvent::MouseButtonRelease)
            return false;
    }
    const QPoint p = event->position().toPoint();
    TGraphicControl* target = m_capture;
    if (!target) {
        target = ControlAt(p);
        if (target != m_hover) {
            if (m_hover)
                m_hover->leaveEvent();
            m_hover = target;
        }
        ShowCursorOf(target);
    }
    if (!target) {
        m_ownCapture =
            event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
        return false;
    }
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (press)
        m_capture = target;
    QPointer<TGraphicControl> guard(target);
    QMouseEvent local(event->type(), QPointF(p - target->m_rect.topLeft()), event->scenePosition(),
                      event->globalPosition(), event->button(), event->buttons(), event->modifiers());
    switch (event->type()) {
    case QEvent::MouseButtonPress: target->mousePressEvent(&local); break;
    case QEvent::MouseButtonDblClick: target->mouseDoubleClickEvent(&local); break;
    case QEvent::MouseMove: target->mouseMoveEvent(&local); break;
    case QEvent::MouseButtonRelease: target->mouseReleaseEvent(&local); break;
    default: break;
    }
    if (press && !local.isAccepted()) {
        // A press the control leaves goes on to the parent's parents, as one on a plain child
        // window does; the control keeps no hold on the mouse for it.
        if (m_capture == target)
            m_capture = nullptr;
        event->ignore();
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease && event->buttons() == Qt::NoButton && guard &&
        m_capture == target) {
        m_capture = nullptr;
        // The pointer may have left the control while it held the mouse.
        TGraphicControl* under = ControlAt(p);
        if (under != m_hover) {
            if (m_hover)
                m_hover->leaveEvent();
            m_hover = under;
        }
        ShowCursorOf(m_hover);
    }
    event->accept();
    return true;
}

bool TControlHost::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint: {
        const bool done = QWidget::event(event);
        PaintControls(static_cast<QPaintEvent*>(event)->region());
        return done;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (RouteMouse(static_cast<QMouseEvent*>(event)))
            return true;
        break;
    case QEvent::Leave:
        if (m_hover && !m_capture) {
            TGraphicControl* left = m_hover;
            m_hover = nullptr;
            left->leaveEvent();
            ShowCursorOf(nullptr);
        }
        break;
    case QEvent::ContextMenu: {
        auto* e = static_cast<QContextMenuEvent*>(event);
        if (TGraphicControl* c = ControlAt(e->pos())) {
            QContextMenuEvent local(e->reason(), e->pos() - c->m_rect.topLeft(), e->globalPos(),
                                    e->modifiers());
            if (c->contextMenuEvent(&local)) {
                event->accept();
                return true;
            }
        }
        break;
    }
    case QEvent::ToolTip: {
        auto* e = static_cast<QHelpEvent*>(event);
        if (TGraphicControl* c = ControlAt(e->pos()); c && !c->m_toolTip.isEmpty()) {
            QToolTip::showText(e->globalPos(), c->m_toolTip, this, c->m_rect);
            return true;
        }
        break;
    }
    default: break;
    }
    return QWidget::event(event);
}
