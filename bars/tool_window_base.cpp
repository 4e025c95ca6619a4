#include "bars/tool_window_base.h"
#include "platform/top_most.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace {

std::vector<TCustomToolWindowX*>& FloatingList()
{
    static std::vector<TCustomToolWindowX*> list;
    return list;
}

quint64 g_serial = 0;
unsigned g_floatingParentCount = 0;

void ToolWindowHookProc(THookProcCode code, QWidget* wnd, uintptr_t wParam, intptr_t)
{
    const std::vector<TCustomToolWindowX*> windows = FloatingList();
    for (TCustomToolWindowX* w : windows) {
        if (std::find(FloatingList().begin(), FloatingList().end(), w) == FloatingList().end())
            continue;
        if (code == hpSendActivateApp) {
            // Asked now, the program would still count as active while it is being deactivated.
            w->UpdateVisibility(wParam != 0 ? 1 : 0);
        } else if (code == hpSendWindowPosChanged && wnd) {
            QWidget* form = w->FloatingParent() ? w->FloatingParent()->ParentForm() : nullptr;
            if (w->FloatingMode() == fmOnTopOfParentForm && form && (form == wnd || wnd->isAncestorOf(form)))
                w->UpdateVisibility();
        }
    }
}

TGetToolbarDockPosType ToolbarDockPos(QWidget* control)
{
    for (QWidget* w = control; w; w = w->parentWidget()) {
        if (auto* tw = qobject_cast<TCustomToolWindowX*>(w)) {
            TDockX* dock = tw->DockedTo();
            if (!dock)
                return gtpNone;
            switch (dock->Position()) {
            case dpTop: return gtpTop;
            case dpBottom: return gtpBottom;
            case dpLeft: return gtpLeft;
            case dpRight: return gtpRight;
            }
        }
    }
    return gtpNone;
}

} // namespace

// ---------------------------------------------------------------------------------------------
TFloatingWindowParent::TFloatingWindowParent(QWidget* parentForm)
    : QWidget(parentForm, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_parentForm(parentForm)
{
    // Named by a counter: unique for the whole run, whatever the allocator hands out.
    setObjectName(
        QStringLiteral("DockBarFloatingParent_%1").arg(++g_floatingParentCount, 8, 16, QLatin1Char('0')));
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TFloatingWindowParent::ApplyShowing()
{
    if (ShouldShow && !isVisible()) {
        // Hidden while its form was minimised, it took the iconic state from the window manager;
        // shown so, the window manager would minimise its form with it again.
        if (windowState() & Qt::WindowMinimized)
            setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    } else if (!ShouldShow && isVisible())
        hide();
}

void TFloatingWindowParent::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_parentForm) {
        m_parentForm->activateWindow();
        m_parentForm->setFocus();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

QWidget* GetToolWindowParentForm(const TCustomToolWindowX* toolWindow)
{
    if (!toolWindow)
        return nullptr;
    if (toolWindow->FloatingParent())
        return toolWindow->FloatingParent()->ParentForm();
    QWidget* top = toolWindow->parentWidget();
    if (!top)
        return nullptr;
    return top->window();
}

QWidget* ValidToolWindowParentForm(const TCustomToolWindowX* toolWindow)
{
    QWidget* form = GetToolWindowParentForm(toolWindow);
    if (!form)
        throw EInvalidOperation(
            DockBarsString(NoParentWindowErrorString)
                .replace(QStringLiteral("%s"), toolWindow ? toolWindow->objectName() : QString()));
    return form;
}

// ---------------------------------------------------------------------------------------------
TCustomToolWindowX::TCustomToolWindowX(QWidget* parent) : QWidget(nullptr)
{
    m_serial = ++g_serial;
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    InstallHookProc(ToolWindowHookProc,
                    HookCode(hpSendActivateApp) | HookCode(hpSendWindowPosChanged) | HookCode(hpPreDestroy),
                    false);
    GetToolbarDockPosProc = ToolbarDockPos;
    // Windows floating on top of all forms take that back when a drop-down closes.
    static const bool restoredHandlerAdded = [] {
        AddTopMostsRestoredHandler([] {
            const std::vector<TCustomToolWindowX*> windows = FloatingList();
            for (TCustomToolWindowX* w : windows)
                w->UpdateVisibility();
        });
        return true;
    }();
    (void)restoredHandlerAdded;
    if (parent)
        QWidget::setParent(parent);
}

TCustomToolWindowX::~TCustomToolWindowX()
{
    m_destroying = true;
    EnterFloatingList(false);
    if (m_dockedTo)
        m_dockedTo->RemoveFromDockList(this);
    if (m_lastDock && m_lastDock != m_dockedTo)
        m_lastDock->RemoveFromDockList(this);
    if (m_floatParent)
        m_floatParent->deleteLater();
    UninstallHookProc(ToolWindowHookProc);
}

const std::vector<TCustomToolWindowX*>& TCustomToolWindowX::FloatingToolWindows()
{
    return FloatingList();
}

void TCustomToolWindowX::EnterFloatingList(bool floating)
{
    auto& list = FloatingList();
    const auto it = std::find(list.begin(), list.end(), this);
    if (floating && it == list.end())
        list.push_back(this);
    else if (!floating && it != list.end())
        list.erase(it);
}

void TCustomToolWindowX::SetCaption(const QString& caption)
{
    m_caption = caption;
    setWindowTitle(caption);
    if (m_floatParent)
        m_floatParent->setWindowTitle(caption);
    update();
}

void TCustomToolWindowX::SetCloseButton(bool value)
{
    m_closeButton = value;
    update();
}

void TCustomToolWindowX::SetCloseButtonWhenDocked(bool value)
{
    if (value == m_closeButtonWhenDocked)
        return;
    m_closeButtonWhenDocked = value;
    if (m_docked)
        FrameChanged();
}

void TCustomToolWindowX::SetBorderStyle(TToolWindowBorderStyle style)
{
    m_borderStyle = style;
    update();
}

void TCustomToolWindowX::SetColor(TColor color)
{
    m_color = color;
    update();
}

void TCustomToolWindowX::SetDragHandleStyle(TDragHandleStyle style)
{
    if (style == m_dragHandleStyle)
        return;
    m_dragHandleStyle = style;
    if (m_docked)
        FrameChanged();
}

void TCustomToolWindowX::SetFloatingMode(TToolWindowFloatingMode mode)
{
    m_floatingMode = mode;
    UpdateVisibility();
}

void TCustomToolWindowX::SetFullSize(bool value)
{
    if (value == m_fullSize)
        return;
    m_fullSize = value;
    ArrangeControls();
    if (DockedTo())
        DockedTo()->ArrangeToolbars();
}

void TCustomToolWindowX::SetHideWhenInactive(bool value)
{
    m_hideWhenInactive = value;
    UpdateVisibility();
}

void TCustomToolWindowX::SetShowCaption(bool value)
{
    if (value == m_showCaption)
        return;
    m_showCaption = value;
    if (!m_docked)
        FrameChanged();
}

void TCustomToolWindowX::SetResizable(bool value)
{
    m_resizable = value;
    if (!m_docked)
        FrameChanged();
}

void TCustomToolWindowX::SetDockPos(int pos)
{
    m_dockPos = pos;
    if (DockedTo())
        DockedTo()->ArrangeToolbars();
}

void TCustomToolWindowX::SetDockRow(int row)
{
    m_dockRow = row;
    if (DockedTo())
        DockedTo()->ArrangeToolbars();
}

void TCustomToolWindowX::SetLastDock(TDockX* dock)
{
    if (m_docked && m_useLastDock)
        dock = DockedTo();
    if (dock == m_lastDock)
        return;
    if (m_lastDock && m_lastDock != DockedTo())
        m_lastDock->RemoveFromDockList(this);
    m_lastDock = dock;
    if (dock) {
        m_useLastDock = true;
        dock->AddToDockList(this);
    }
}

void TCustomToolWindowX::SetUseLastDock(bool value)
{
    m_useLastDock = value;
    if (value)
        SetLastDock(DockedTo());
    else if (m_lastDock && m_lastDock != DockedTo()) {
        m_lastDock->RemoveFromDockList(this);
        m_lastDock = nullptr;
    } else {
        m_lastDock = nullptr;
    }
}

void TCustomToolWindowX::AddDockForm(QWidget* form)
{
    if (!form)
        return;
    // Freed forms drop out as they go.
    std::erase_if(m_dockForms, [](const QPointer<QWidget>& f) { return f.isNull(); });
    if (std::find(m_dockForms.begin(), m_dockForms.end(), form) == m_dockForms.end())
        m_dockForms.emplace_back(form);
}

void TCustomToolWindowX::RemoveDockForm(QWidget* form)
{
    std::erase_if(m_dockForms, [form](const QPointer<QWidget>& f) { return f.isNull() || f == form; });
}

std::vector<QWidget*> TCustomToolWindowX::DockForms() const
{
    std::vector<QWidget*> forms;
    for (const QPointer<QWidget>& f : m_dockForms)
        if (f)
            forms.push_back(f);
    return forms;
}

void TCustomToolWindowX::SetDockedTo(TDockX* dock)
{
    if (dock)
        SetParent(dock);
    else
        SetParent(ValidToolWindowParentForm(this));
}

void TCustomToolWindowX::SetParent(QWidget* parent)
{
    auto* newDock = qobject_cast<TDockX*>(parent);
    if (parent && !newDock && !parent->isWindow())
        throw EInvalidOperation(DockBarsString(ToolWindowParentErrorString));
    QWidget* realParent = parent;
    TFloatingWindowParent* newFloat = nullptr;
    if (parent && !newDock) {
        newFloat = (m_floatParent && m_floatParent->ParentForm() == parent)
                       ? m_floatParent
                       : new TFloatingWindowParent(parent);
        newFloat->setWindowTitle(m_caption);
        realParent = newFloat;
    }
    if (realParent == parentWidget()) {
        m_docked = newDock != nullptr;
        m_dockedTo = newDock;
        EnterFloatingList(m_floatParent != nullptr && !m_docked);
        return;
    }
    if (!m_destroying) {
        if (OnDockChanging)
            OnDockChanging(this);
        if (OnDockChangingEx)
            OnDockChangingEx(this, newDock);
    }
    const bool wasHidden = isHidden();
    ++m_hidden;
    TDockX* oldDock = DockedTo();
    if (oldDock)
        oldDock->BeginUpdate();
    if (newDock)
        newDock->BeginUpdate();
    ++m_disableSizeChanging;
    if (m_lastDockTypeSet)
        CustomArrangeControls(m_lastDockType, newDock, false);

    if (oldDock && !m_useLastDock)
        oldDock->RemoveFromDockList(this);
    TFloatingWindowParent* oldFloat = m_floatParent;
    QWidget::setParent(realParent);
    m_dockedTo = newDock;
    m_docked = newDock != nullptr;
    m_floatParent = newFloat;
    if (oldFloat && oldFloat != newFloat) {
        oldFloat->hide();
        oldFloat->deleteLater();
    }
    if (newDock) {
        if (m_useLastDock)
            SetLastDock(newDock);
        newDock->AddToDockList(this);
    }
    EnterFloatingList(m_floatParent != nullptr);
    --m_disableSizeChanging;
    if (!wasHidden)
        QWidget::setVisible(true);
    --m_hidden;

    ArrangeControls();
    m_lastDockType = GetDockTypeOf(newDock);
    m_lastDockTypeSet = true;
    if (oldDock) {
        oldDock->UpdateVisibleList();
        oldDock->EndUpdate();
    }
    if (newDock) {
        newDock->UpdateVisibleList();
        newDock->ArrangeToolbars();
        newDock->EndUpdate();
    }
    if (m_floatParent) {
        m_floatParent->setGeometry(QRect(m_floatingPosition, size()));
        QWidget::move(0, 0);
    }
    UpdateVisibility();
    if (!m_destroying) {
        if (OnMove)
            OnMove(this);
        if (OnDockChanged)
            OnDockChanged(this);
    }
}

void TCustomToolWindowX::SetFloatingPosition(const QPoint& p)
{
    m_floatingPosition = p;
    if (m_floatParent && !m_docked)
        m_floatParent->move(p);
}

void TCustomToolWindowX::MoveOnScreen(bool onlyIfFullyOffscreen)
{
    if (m_docked || !m_floatParent)
        return;
    const QRect r(m_floatingPosition, size());
    const QRect work = GetRectOfMonitorContaining(r);
    if (onlyIfFullyOffscreen && r.intersects(work))
        return;
    QPoint p = r.topLeft();
    if (p.x() + r.width() > work.right() + 1)
        p.setX(work.right() + 1 - r.width());
    if (p.y() + r.height() > work.bottom() + 1)
        p.setY(work.bottom() + 1 - r.height());
    if (p.x() < work.left())
        p.setX(work.left());
    if (p.y() < work.top())
        p.setY(work.top());
    SetFloatingPosition(p);
}

bool TCustomToolWindowX::ShouldBeShown(int applicationActive) const
{
    if (isHidden() || m_hidden)
        return false;
    if (m_docked || !m_floatParent)
        return true;
    QWidget* form = m_floatParent->ParentForm();
    if (!form)
        return false;
    if (m_floatingMode == fmOnTopOfParentForm) {
        QWidget* main = form->window();
        if (!form->isVisible() || form->isMinimized() || !main->isVisible() || main->isMinimized())
            return false;
    }
    if (m_hideWhenInactive && !(applicationActive < 0 ? ApplicationIsActive() : applicationActive != 0))
        return false;
    return true;
}

void TCustomToolWindowX::UpdateVisibility(int applicationActive)
{
    if (!m_floatParent || m_docked)
        return;
    // On top of every window of the desktop, or only of its own form (as its transient).
    const bool topMost = m_floatingMode == fmOnTopOfAllForms && !TopMostsNormalized();
    if (bool(m_floatParent->windowFlags() & Qt::WindowStaysOnTopHint) != topMost) {
        const bool shown = m_floatParent->isVisible();
        m_floatParent->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
        if (shown)
            m_floatParent->show();
    }
    m_floatParent->ShouldShow = ShouldBeShown(applicationActive);
    m_floatParent->ApplyShowing();
}

void TCustomToolWindowX::BeginUpdate()
{
    ++m_updateCount;
}

void TCustomToolWindowX::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && m_arrangeNeeded)
        ArrangeControls();
}

void TCustomToolWindowX::ArrangeControls()
{
    CustomArrangeControls(GetDockTypeOf(DockedTo()), DockedTo(), true);
}

int TCustomToolWindowX::GetDockRowSize()
{
    int size = 0;
    if (TDockX* dock = DockedTo())
        size = dock->GetRowSize(m_dockRow, this);
    else
        GetBarSize(size, dtNotDocked);
    return size;
}

void TCustomToolWindowX::CustomArrangeControls(TDockType previousDockType, TDockX* dockingTo, bool resize)
{
    if (m_updateCount > 0 || m_destroying || !parentWidget()) {
        m_arrangeNeeded = true;
        return;
    }
    m_arrangeNeeded = false;
    QSize client = OrderControls(true, previousDockType, dockingTo);
    if (!resize)
        return;
    TDockX* dock = DockedTo();
    if (dock) {
        const int row = GetDockRowSize();
        const QMargins nc = NonClient();
        if (GetDockTypeOf(dock) == dtLeftRight) {
            client.setWidth(std::max(client.width(), row));
            if (m_fullSize)
                client.setHeight(dock->ClientRect().height() - nc.top() - nc.bottom());
        } else {
            client.setHeight(std::max(client.height(), row));
            if (m_fullSize)
                client.setWidth(dock->ClientRect().width() - nc.left() - nc.right());
        }
    }
    const QMargins nc = NonClient();
    const QSize wanted(std::max(client.width(), 0) + nc.left() + nc.right(),
                       std::max(client.height(), 0) + nc.top() + nc.bottom());
    if (wanted != size()) {
        ++m_disableSizeChanging;
        SetBoundsQuiet(QRect(pos(), wanted));
        --m_disableSizeChanging;
        if (dock)
            dock->ArrangeToolbars();
    }
}

void TCustomToolWindowX::SetBoundsQuiet(const QRect& r)
{
    ++m_disableSizeChanging;
    SetBounds(r);
    --m_disableSizeChanging;
}

void TCustomToolWindowX::SetBounds(const QRect& r)
{
    if (r.size() != size() && m_disableSizeChanging == 0)
        SizeChanging(r.width(), r.height());
    if (m_floatParent && !m_docked) {
        // Floating: the window fills its floating parent, which sits at the floating position.
        m_floatParent->setGeometry(QRect(m_floatingPosition, r.size()));
        QWidget::setGeometry(QRect(QPoint(0, 0), r.size()));
    } else {
        QWidget::setGeometry(r);
    }
    update();
}

int TCustomToolWindowX::DragHandleSize() const
{
    const TDockX* dock = DockedTo();
    if (!dock || !dock->AllowDrag())
        return 0;
    if (m_closeButtonWhenDocked)
        return 14;
    static const int sizes[3] = {9, 0, 6};
    return sizes[m_dragHandleStyle];
}

QMargins TCustomToolWindowX::NonClientFor(const TDockX* dock) const
{
    if (dock) {
        QMargins m(2, 2, 2, 2);
        if (dock->AllowDrag()) {
            const int handle = m_closeButtonWhenDocked ? 14
                                                       : (m_dragHandleStyle == dhDouble   ? 9
                                                          : m_dragHandleStyle == dhSingle ? 6
                                                                                          : 0);
            if (GetDockTypeOf(dock) == dtLeftRight)
                m.setTop(m.top() + handle);
            else
                m.setLeft(m.left() + handle);
        }
        return m;
    }
    const int f = FloatingFrameSize(m_resizable);
    return QMargins(f, f + (m_showCaption ? GetSmallCaptionHeight() : 0), f, f);
}

QRect TCustomToolWindowX::CaptionRect() const
{
    if (m_docked || !m_showCaption)
        return QRect();
    const int f = FloatingFrameSize(m_resizable);
    QRect r(f, f, width() - 2 * f, GetSmallCaptionHeight() - 1);
    if (m_closeButton)
        r.setRight(r.right() - (GetSmallCaptionHeight() - 1));
    return r;
}

QRect TCustomToolWindowX::CloseButtonRect() const
{
    if (m_docked) {
        if (!m_closeButtonWhenDocked || DragHandleSize() == 0)
            return QRect();
        const int side = DragHandleSize() - 3;
        if (GetDockTypeOf(DockedTo()) == dtLeftRight)
            return QRect(ClientRect().width() + 2 - side, 3, side, side);
        return QRect(3, 2, side, side);
    }
    if (!m_closeButton || !m_showCaption)
        return QRect();
    const int f = FloatingFrameSize(m_resizable);
    const int side = GetSmallCaptionHeight() - 1;
    return QRect(width() - f - side, f, side, side);
}

int TCustomToolWindowX::SizeHandleAt(const QPoint& p) const
{
    if (m_docked || !m_resizable)
        return -1;
    TToolWindowParams params;
    GetParams(params);
    const int f = FloatingFrameSize(true);
    const int corner = GetSmallCaptionHeight() - 1 + f;
    const int w = width(), h = height();
    const bool left = p.x() < f, right = p.x() >= w - f - 1, top = p.y() < f, bottom = p.y() >= h - f - 1;
    if (params.ResizeEightCorner) {
        if (left || right) {
            if (p.y() < corner)
                return left ? twshTopLeft : twshTopRight;
            if (p.y() >= h - corner)
                return left ? twshBottomLeft : twshBottomRight;
            return left ? twshLeft : twshRight;
        }
        if (top || bottom) {
            if (p.x() < corner)
                return top ? twshTopLeft : twshBottomLeft;
            if (p.x() >= w - corner)
                return top ? twshTopRight : twshBottomRight;
            return top ? twshTop : twshBottom;
        }
        return -1;
    }
    if (top)
        return twshTop;
    if (bottom)
        return twshBottom;
    if (left)
        return twshLeft;
    if (right)
        return twshRight;
    return -1;
}

void TCustomToolWindowX::FrameChanged()
{
    ArrangeControls();
    if (DockedTo())
        DockedTo()->ArrangeToolbars();
    update();
}

void TCustomToolWindowX::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintNonClient(p);
}

void TCustomToolWindowX::PaintNonClient(QPainter& p)
{
    p.fillRect(ClientRect(), ColorToQColor(m_color));
    if (m_docked)
        DockedPaint(p);
    else
        FloatingPaint(p);
}

void TCustomToolWindowX::DockedPaint(QPainter& p)
{
    TRect r(0, 0, width(), height());
    if (m_borderStyle == bsSingle)
        DrawEdge(p, r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    else {
        FrameRectIn(p, r, m_color);
        InflateRect(r, -1, -1);
    }
    const QRect client = ClientRect();
    TDockX* dock = DockedTo();
    if (dock && dock->UsingBackground() && dock->BackgroundOnToolbars()) {
        // The dock's tiles show through the ring, the handle and the client area alike.
        dock->DrawBackground(p, QRect(r.Left, r.Top, r.Width(), r.Height()), QRect(),
                             dock->BackgroundRectFor(this));
    } else {
        FrameRectIn(p, r, m_color);
        // The rest of the frame: the handle's room.
        const QRegion frame = QRegion(QRect(2, 2, width() - 4, height() - 4)) - QRegion(client);
        for (const QRect& part : frame)
            p.fillRect(part, ColorToQColor(m_color));
    }

    if (!dock || !dock->AllowDrag())
        return;
    const bool leftRight = GetDockTypeOf(dock) == dtLeftRight;
    const int handle = DragHandleSize();
    const int bars = m_dragHandleStyle == dhDouble ? 2 : m_dragHandleStyle == dhSingle ? 1 : 0;
    static const int startPlain[3] = {2, 0, 1}, startClose[3] = {3, 0, 5};
    const int start = 2 + (m_closeButtonWhenDocked ? startClose : startPlain)[m_dragHandleStyle];
    const int length = leftRight ? client.width() : client.height();
    for (int i = 0; i < bars; ++i) {
        const int across = start + 3 * i;
        int from = 2, to = length + 2;
        if (m_closeButtonWhenDocked) {
            if (leftRight)
                to -= handle - 2;
            else
                from = handle;
        }
        if (to <= from)
            continue;
        TRect bar = leftRight ? TRect(from, across, to, across + 3) : TRect(across, from, across + 3, to);
        const TRect whole = bar;
        DrawEdge(p, bar, BDR_RAISEDINNER, BF_RECT | BF_MIDDLE);
        const QColor hi = ColorToQColor(clBtnHighlight);
        if (leftRight)
            p.fillRect(QRect(client.width() + 1, whole.Top, 1, 1), hi);
        else
            p.fillRect(QRect(whole.Left, whole.Bottom - 1, 1, 1), hi);
    }
    const QRect close = CloseButtonRect();
    if (!close.isEmpty())
        DrawCaptionCloseButton(p, TRect(close.left(), close.top(), close.right() + 1, close.bottom() + 1),
                               m_closePressed);
}

void TCustomToolWindowX::FloatingPaint(QPainter& p)
{
    const int f = FloatingFrameSize(m_resizable);
    TRect r(0, 0, width(), height());
    DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    const QRegion band = QRegion(QRect(r.Left, r.Top, r.Width(), r.Height())) - QRegion(ClientRect());
    for (const QRect& part : band)
        p.fillRect(part, ColorToQColor(clBtnFace));
    if (!m_showCaption)
        return;
    const bool active = !(!m_hideWhenInactive && !ApplicationIsActive());
    const QColor captionColor = ColorToQColor(active ? clActiveCaption : clInactiveCaption);
    const QRect caption(f, f, width() - 2 * f, GetSmallCaptionHeight() - 1);
    p.fillRect(caption, captionColor);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(ColorToQColor(active ? clCaptionText : clInactiveCaptionText));
    const QRect textRect = CaptionRect().adjusted(2, 0, -2, 0);
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               p.fontMetrics().elidedText(m_caption, Qt::ElideRight, textRect.width()));
    p.fillRect(QRect(f, f + GetSmallCaptionHeight() - 1, width() - 2 * f, 1), ColorToQColor(clBtnFace));
    const QRect close = CloseButtonRect();
    if (!close.isEmpty()) {
        DrawCaptionCloseButton(p, TRect(close.left() + 1, close.top() + 1, close.right(), close.bottom()),
                               m_closePressed);
        FrameRectIn(p, TRect(close.left(), close.top(), close.right() + 1, close.bottom() + 1),
                    active ? clActiveCaption : clInactiveCaption);
    }
}

void TCustomToolWindowX::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    if (CloseButtonRect().contains(p)) {
        m_closeTracking = true;
        m_closePressed = true;
        update();
        return;
    }
    if (!m_docked) {
        // A floating window never takes the focus; its form comes to the front instead.
        if (ActivateParent && m_floatingMode == fmOnTopOfParentForm && m_floatParent && m_floatParent->ParentForm()) {
            m_floatParent->ParentForm()->window()->raise();
            m_floatParent->ParentForm()->window()->activateWindow();
        }
        const int handle = SizeHandleAt(p);
        if (handle >= 0) {
            BeginSizing(TToolWindowSizeHandle(handle), event->globalPosition().toPoint());
            return;
        }
    } else if (!DockedTo()->AllowDrag()) {
        return;
    }
    BeginMoving(event->globalPosition().toPoint());
}

void TCustomToolWindowX::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (m_closeTracking) {
        const bool in = CloseButtonRect().contains(p);
        if (in != m_closePressed) {
            m_closePressed = in;
            update();
        }
        return;
    }
    if (!m_docked && !(event->buttons() & Qt::LeftButton)) {
        static const Qt::CursorShape shapes[8] = {Qt::SizeHorCursor,   Qt::SizeHorCursor,   Qt::SizeVerCursor,
                                                  Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
                                                  Qt::SizeBDiagCursor, Qt::SizeFDiagCursor};
        const int handle = SizeHandleAt(p);
        if (handle >= 0)
            setCursor(shapes[handle]);
        else
            unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void TCustomToolWindowX::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_closeTracking && event->button() == Qt::LeftButton) {
        m_closeTracking = false;
        const bool pressed = m_closePressed && CloseButtonRect().contains(event->position().toPoint());
        m_closePressed = false;
        update();
        if (pressed) {
            bool canClose = true;
            if (OnCloseQuery)
                OnCloseQuery(this, canClose);
            if (canClose) {
                hide();
                if (OnClose)
                    OnClose(this);
            }
        }
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TCustomToolWindowX::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || CloseButtonRect().contains(event->position().toPoint()))
        return;
    if (m_docked && !DockedTo()->AllowDrag())
        return;
    if (!m_docked && SizeHandleAt(event->position().toPoint()) >= 0)
        return;
    DoubleClickToggle();
}

void TCustomToolWindowX::DoubleClickToggle()
{
    if (m_docked) {
        if (DockMode != dmCanFloat)
            return;
        SetParent(ValidToolWindowParentForm(this));
        MoveOnScreen(false);
    } else if (m_lastDock) {
        SetParent(m_lastDock);
    } else if (m_defaultDock) {
        m_dockRow = 0;
        m_dockPos = -8;
        SetParent(m_defaultDock);
    }
}

bool TCustomToolWindowX::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        if (m_hidden == 0 && !m_destroying) {
            if (TDockX* dock = DockedTo())
                dock->UpdateVisibleList();
            UpdateVisibility();
            if (OnVisibleChanged)
                OnVisibleChanged(this);
        }
        break;
    case QEvent::Move:
        // The dock's tiles line up with the form, not with the bar.
        if (TDockX* dock = DockedTo(); dock && dock->UsingBackground())
            update();
        if (OnMove && !m_destroying)
            OnMove(this);
        break;
    case QEvent::Resize:
        if (OnResize && !m_destroying)
            OnResize(this);
        break;
    default: break;
    }
    return QWidget::event(event);
}
