#include "bars/dock.h"

#include "bars/dock_bar_common.h"
#include "bars/tool_window_base.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QWidgetItem>
#include <algorithm>

TDockType GetDockTypeOf(const TDockX* dock)
{
    if (!dock)
        return dtNotDocked;
    return (dock->Position() == dpLeft || dock->Position() == dpRight) ? dtLeftRight : dtTopBottom;
}

// ---------------------------------------------------------------------------------------------
TAlignLayout::TAlignLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
    setSizeConstraint(QLayout::SetNoConstraint);
}

TAlignLayout::~TAlignLayout()
{
    for (auto& item : m_items)
        delete item.first;
}

void TAlignLayout::AddControl(QWidget* w, TAlign align)
{
    addChildWidget(w);
    m_items.emplace_back(new QWidgetItem(w), align);
    invalidate();
}

void TAlignLayout::SetAlign(QWidget* w, TAlign align)
{
    for (auto& item : m_items)
        if (item.first->widget() == w)
            item.second = align;
    Realign();
}

void TAlignLayout::Realign()
{
    if (parentWidget())
        setGeometry(parentWidget()->contentsRect());
}

void TAlignLayout::addItem(QLayoutItem* item)
{
    m_items.emplace_back(item, alClient);
}

QLayoutItem* TAlignLayout::itemAt(int index) const
{
    return index >= 0 && size_t(index) < m_items.size() ? m_items[size_t(index)].first : nullptr;
}

QLayoutItem* TAlignLayout::takeAt(int index)
{
    if (index < 0 || size_t(index) >= m_items.size())
        return nullptr;
    QLayoutItem* item = m_items[size_t(index)].first;
    m_items.erase(m_items.begin() + index);
    return item;
}

QSize TAlignLayout::sizeHint() const
{
    return minimumSize();
}

QSize TAlignLayout::minimumSize() const
{
    int w = 0, h = 0;
    const auto withinScreen = [this](QSize size) {
        // The whole window, with what it holds round this layout, stays within the work area.
        const QWidget* parent = parentWidget();
        if (!parent)
            return size;
        const QWidget* top = parent->window();
        const QRect work = GetRectOfMonitorContaining(top->frameGeometry());
        const QSize around = top->frameGeometry().size() - parent->size();
        return size.boundedTo(
            QSize(std::max(work.width() - around.width(), 0), std::max(work.height() - around.height(), 0)));
    };
    for (const auto& [item, align] : m_items) {
        QWidget* widget = item->widget();
        if (!widget || widget->isHidden())
            continue;
        // A dock counts what its bars keep when the form is small, not what they take now: a
        // bar's share follows the form, so its present width would hold the form at its size.
        const auto* dock = qobject_cast<const TDockX*>(widget);
        if (align == alTop || align == alBottom)
            h += dock ? dock->LeastThickness() : widget->height();
        else if (align == alLeft || align == alRight)
            w += dock ? dock->LeastThickness() : widget->width();
    }
    return withinScreen(QSize(w, h));
}

void TAlignLayout::setGeometry(const QRect& rect)
{
    const bool resized = rect.size() != geometry().size();
    QLayout::setGeometry(rect);
    QRect r = rect.marginsRemoved(contentsMargins());
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (const auto& [item, align] : m_items) {
            QWidget* w = item->widget();
            if (align != pass || !w || w->isHidden())
                continue;
            switch (align) {
            case alTop:
                w->setGeometry(r.left(), r.top(), r.width(), w->height());
                r.setTop(r.top() + w->height());
                break;
            case alBottom:
                w->setGeometry(r.left(), r.bottom() + 1 - w->height(), r.width(), w->height());
                r.setBottom(r.bottom() - w->height());
                break;
            case alLeft:
                w->setGeometry(r.left(), r.top(), w->width(), std::max(r.height(), 0));
                r.setLeft(r.left() + w->width());
                break;
            case alRight:
                w->setGeometry(r.right() + 1 - w->width(), r.top(), w->width(), std::max(r.height(), 0));
                r.setRight(r.right() - w->width());
                break;
            case alClient:
                w->setGeometry(QRect(r.topLeft(), QSize(std::max(r.width(), 0), std::max(r.height(), 0))));
                break;
            }
        }
    }
    // What a docked bar may take follows the form's size.
    if (resized)
        for (const auto& [item, align] : m_items)
            if (auto* dock = qobject_cast<TDockX*>(item->widget()))
                dock->ArrangeToolbars();
}

// ---------------------------------------------------------------------------------------------
TDockX::TDockX(QWidget* parent, TDockPosition position) : QWidget(nullptr), m_position(position)
{
    setAttribute(Qt::WA_NoMousePropagation, false);
    setAutoFillBackground(false);
    // An empty dock takes no room.
    if (GetDockTypeOf(this) == dtLeftRight)
        resize(0, height());
    else
        resize(width(), 0);
    if (parent)
        SetParent(parent);
}

void TDockX::SetParent(QWidget* parent)
{
    if (qobject_cast<TCustomToolWindowX*>(parent) || qobject_cast<TDockX*>(parent))
        throw EInvalidOperation(DockBarsString(DockParentErrorString));
    QWidget::setParent(parent);
}

TDockX::~TDockX()
{
    // The bars outlive this body while the widget part deletes its children: they must not
    // reach back into the lists.
    for (TCustomToolWindowX* bar : m_dockList) {
        if (bar->m_lastDock == this)
            bar->m_lastDock = nullptr;
        if (bar->m_dockedTo == this)
            bar->m_dockedTo = nullptr;
    }
    m_dockList.clear();
    m_visibleList.clear();
}

void TDockX::SetAllowDrag(bool value)
{
    if (value == m_allowDrag)
        return;
    m_allowDrag = value;
    for (TCustomToolWindowX* bar : m_visibleList)
        bar->FrameChanged();
    ArrangeToolbars();
}

void TDockX::SetBoundLines(TDockBoundLines lines)
{
    if (lines == m_boundLines)
        return;
    m_boundLines = lines;
    ArrangeToolbars();
    update();
}

void TDockX::SetColor(TColor color)
{
    m_color = color;
    if (m_backgroundTransparent)
        BackgroundChanged();
    update();
}

void TDockX::SetBackground(const TBitmap& bitmap)
{
    m_background = bitmap;
    BackgroundChanged();
}

void TDockX::SetBackgroundOnToolbars(bool value)
{
    if (value == m_backgroundOnToolbars)
        return;
    m_backgroundOnToolbars = value;
    InvalidateBackgrounds();
}

void TDockX::SetBackgroundTransparent(bool value)
{
    if (value == m_backgroundTransparent)
        return;
    m_backgroundTransparent = value;
    if (UsingBackground())
        BackgroundChanged();
}

bool TDockX::UsingBackground() const
{
    return m_background.Width() > 0 && m_background.Height() > 0;
}

void TDockX::BackgroundChanged()
{
    m_tiles = QImage();
    InvalidateBackgrounds();
}

void TDockX::InvalidateBackgrounds()
{
    update();
    for (TCustomToolWindowX* bar : m_visibleList)
        bar->update();
}

const QImage& TDockX::BackgroundTiles() const
{
    if (m_tiles.isNull() && UsingBackground()) {
        QImage tiles = m_background.ToImage().convertToFormat(QImage::Format_RGB32);
        if (m_backgroundTransparent && !tiles.isNull()) {
            const QRgb key = tiles.pixel(0, tiles.height() - 1) & RGB_MASK;
            const QRgb color = ColorToQColor(m_color).rgb();
            for (int y = 0; y < tiles.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(tiles.scanLine(y));
                for (int x = 0; x < tiles.width(); ++x)
                    if ((row[x] & RGB_MASK) == key)
                        row[x] = color;
            }
        }
        m_tiles = std::move(tiles);
    }
    return m_tiles;
}

void TDockX::DrawBackground(QPainter& p, const QRect& intersectClip, const QRect& excludeClip,
                            const QRect& drawRect) const
{
    const QImage& tiles = BackgroundTiles();
    if (tiles.isNull() || drawRect.isEmpty())
        return;
    QRegion clip(intersectClip & drawRect);
    if (!excludeClip.isEmpty())
        clip -= excludeClip;
    if (clip.isEmpty())
        return;
    p.save();
    p.setClipRegion(clip, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    // Only the tiles that meet the clip: a large rectangle costs what shows.
    const QRect shown = clip.boundingRect();
    const int w = tiles.width(), h = tiles.height();
    const int left = drawRect.left() + (shown.left() - drawRect.left()) / w * w;
    const int top = drawRect.top() + (shown.top() - drawRect.top()) / h * h;
    for (int x = left; x <= shown.right(); x += w)
        for (int y = top; y <= shown.bottom(); y += h)
            p.drawImage(x, y, tiles);
    p.restore();
}

QRect TDockX::BackgroundRectFor(const QWidget* w) const
{
    const QImage& tiles = BackgroundTiles();
    if (tiles.isNull() || !w)
        return QRect();
    // The tiles of every dock and bar of a form line up with the form's origin.
    QPoint origin = -(parentWidget() && parentWidget()->isAncestorOf(w) ? w->mapTo(parentWidget(), QPoint())
                                                                        : w->mapTo(this, QPoint()));
    if (origin.x() > 0)
        origin.rx() -= (origin.x() + tiles.width() - 1) / tiles.width() * tiles.width();
    if (origin.y() > 0)
        origin.ry() -= (origin.y() + tiles.height() - 1) / tiles.height() * tiles.height();
    return QRect(origin, QPoint(w->width() - 1, w->height() - 1));
}

void TDockX::SetFixAlign(bool value)
{
    m_fixAlign = value;
    ArrangeToolbars();
}

void TDockX::SetLimitToOneRow(bool value)
{
    m_limitToOneRow = value;
    ArrangeToolbars();
}

void TDockX::SetPosition(TDockPosition position)
{
    if (position == m_position)
        return;
    if (!findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        throw EInvalidOperation(DockBarsString(DockPositionErrorString));
    m_position = position;
    if (auto* layout = parentWidget() ? dynamic_cast<TAlignLayout*>(parentWidget()->layout()) : nullptr)
        layout->SetAlign(this, position == dpTop      ? TAlignLayout::alTop
                               : position == dpBottom ? TAlignLayout::alBottom
                               : position == dpLeft   ? TAlignLayout::alLeft
                                                      : TAlignLayout::alRight);
    ArrangeToolbars();
}

QMargins TDockX::NonClient() const
{
    return QMargins((m_boundLines & blLeft) ? 1 : 0, (m_boundLines & blTop) ? 1 : 0,
                    (m_boundLines & blRight) ? 1 : 0, (m_boundLines & blBottom) ? 1 : 0);
}

void TDockX::BeginUpdate()
{
    ++m_updateCount;
}

void TDockX::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && m_arrangeNeeded)
        ArrangeToolbars(m_commitPositions);
}

bool TDockX::BarShownHere(const TCustomToolWindowX* bar) const
{
    return bar->parentWidget() == this && !bar->isHidden() && bar->m_hidden == 0;
}

void TDockX::AddToDockList(TCustomToolWindowX* bar)
{
    if (std::find(m_dockList.begin(), m_dockList.end(), bar) == m_dockList.end())
        m_dockList.push_back(bar);
    UpdateVisibleList();
}

void TDockX::RemoveFromDockList(TCustomToolWindowX* bar)
{
    m_dockList.erase(std::remove(m_dockList.begin(), m_dockList.end(), bar), m_dockList.end());
    const bool wasVisible = std::find(m_visibleList.begin(), m_visibleList.end(), bar) != m_visibleList.end();
    m_visibleList.erase(std::remove(m_visibleList.begin(), m_visibleList.end(), bar), m_visibleList.end());
    if (wasVisible) {
        ArrangeToolbars();
        if (OnInsertRemoveBar)
            OnInsertRemoveBar(this, false, bar);
    }
}

void TDockX::UpdateVisibleList()
{
    std::vector<TCustomToolWindowX*> added, removed;
    for (TCustomToolWindowX* bar : m_dockList) {
        const bool listed = std::find(m_visibleList.begin(), m_visibleList.end(), bar) != m_visibleList.end();
        const bool shown = BarShownHere(bar);
        if (shown && !listed) {
            m_visibleList.push_back(bar);
            added.push_back(bar);
        } else if (!shown && listed) {
            m_visibleList.erase(std::remove(m_visibleList.begin(), m_visibleList.end(), bar),
                                m_visibleList.end());
            removed.push_back(bar);
        }
    }
    if (added.empty() && removed.empty())
        return;
    ArrangeToolbars();
    if (OnInsertRemoveBar) {
        for (TCustomToolWindowX* bar : added)
            OnInsertRemoveBar(this, true, bar);
        for (TCustomToolWindowX* bar : removed)
            OnInsertRemoveBar(this, false, bar);
    }
}

std::vector<int> TDockX::RowSizes(bool least) const
{
    std::vector<TDockBarRecord> records;
    const TDockType type = GetDockTypeOf(this);
    for (TCustomToolWindowX* bar : m_dockList) {
        TDockBarRecord r;
        r.DockRow = bar->DockRow();
        if (least)
            bar->GetLeastBarSize(r.BarSize, type);
        else
            bar->GetBarSize(r.BarSize, type);
        r.Visible = BarShownHere(bar);
        records.push_back(r);
    }
    return DockRowSizes(records);
}

std::vector<int> TDockX::BuildRowInfo() const
{
    return RowSizes(false);
}

int TDockX::LeastThickness() const
{
    const std::vector<int> now = RowSizes(false), least = RowSizes(true);
    int thickness = GetDockTypeOf(this) == dtLeftRight ? width() : height();
    for (size_t row = 0; row < now.size() && row < least.size(); ++row)
        thickness -= std::max(now[row] - least[row], 0);
    return std::max(thickness, 0);
}

int TDockX::GetRowSize(int row, TCustomToolWindowX* defaultBar) const
{
    const std::vector<int> sizes = BuildRowInfo();
    int size = row >= 0 && size_t(row) < sizes.size() ? sizes[size_t(row)] : 0;
    if (size == 0 && defaultBar)
        defaultBar->GetBarSize(size, GetDockTypeOf(this));
    return size;
}

TDockRowHit TDockX::GetRowOf(int coord) const
{
    return DockRowOf(BuildRowInfo(), coord);
}

void TDockX::InsertRowBefore(int row)
{
    for (TCustomToolWindowX* bar : m_dockList)
        if (bar->m_dockRow >= row)
            ++bar->m_dockRow;
}

int TDockX::GetNumberOfToolbarsOnRow(int row, const TCustomToolWindowX* notIncluding) const
{
    return int(std::count_if(m_dockList.begin(), m_dockList.end(), [&](const TCustomToolWindowX* b) {
        return b != notIncluding && b->DockRow() == row;
    }));
}

int TDockX::GetHighestRow() const
{
    int highest = -1;
    for (const TCustomToolWindowX* bar : m_dockList)
        highest = std::max(highest, bar->DockRow());
    return highest;
}

void TDockX::ArrangeToolbars(bool clipPositions)
{
    if (clipPositions)
        m_commitPositions = true;
    if (m_updateCount > 0 || m_arranging) {
        m_arrangeNeeded = true;
        return;
    }
    m_arranging = true;
    ++m_updateCount;
    struct Finally {
        TDockX* d;
        ~Finally()
        {
            --d->m_updateCount;
            d->m_arrangeNeeded = false;
            d->m_commitPositions = false;
            d->m_arranging = false;
        }
    } finally{this};
    raise();

    const TDockType type = GetDockTypeOf(this);
    const QMargins nc = NonClient();
    TDockArrangementInput input;
    input.LeftRight = type == dtLeftRight;
    input.FreeLength =
        std::max(0, input.LeftRight ? height() - nc.top() - nc.bottom() : width() - nc.left() - nc.right());
    input.LimitToOneRow = m_limitToOneRow;
    input.CommitPositions = m_commitPositions;
    input.FixAlign = m_fixAlign;

    std::vector<TDockBarRecord> records;
    records.reserve(m_dockList.size());
    for (TCustomToolWindowX* bar : m_dockList) {
        TDockBarRecord r;
        r.DockRow = bar->m_dockRow;
        r.DockPos = bar->m_dockPos;
        r.Length = input.LeftRight ? bar->height() : bar->width();
        bar->GetBarSize(r.BarSize, type);
        r.FullSize = bar->FullSize();
        r.Visible = BarShownHere(bar);
        records.push_back(r);
    }
    const TDockArrangement result = ArrangeDockBars(records, input);
    for (size_t i = 0; i < m_dockList.size(); ++i) {
        TCustomToolWindowX* bar = m_dockList[i];
        bar->m_dockRow = records[i].DockRow;
        bar->m_dockPos = records[i].DockPos;
        if (records[i].Visible) {
            const TRect& b = result.Bounds[i];
            bar->SetBoundsQuiet(QRect(b.Left + nc.left(), b.Top + nc.top(), b.Width(), b.Height()));
        }
    }
    const bool any =
        std::any_of(records.begin(), records.end(), [](const TDockBarRecord& r) { return r.Visible; });
    ChangeWidthHeight(any ? result.Thickness +
                                (input.LeftRight ? nc.left() + nc.right() : nc.top() + nc.bottom())
                          : result.Thickness);
}

void TDockX::ChangeWidthHeight(int thickness)
{
    const bool leftRight = GetDockTypeOf(this) == dtLeftRight;
    if ((leftRight ? width() : height()) == thickness)
        return;
    // The inner edge stays: a bottom or right dock grows towards the middle of the form.
    QRect g = geometry();
    switch (m_position) {
    case dpTop: g.setHeight(thickness); break;
    case dpLeft: g.setWidth(thickness); break;
    case dpBottom: g.setTop(g.bottom() + 1 - thickness); break;
    case dpRight: g.setLeft(g.right() + 1 - thickness); break;
    }
    setGeometry(g);
    if (auto* layout = parentWidget() ? dynamic_cast<TAlignLayout*>(parentWidget()->layout()) : nullptr) {
        layout->Realign();
        // The form's least size may have changed with it.
        parentWidget()->updateGeometry();
    }
}

void TDockX::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_updateCount == 0)
        ArrangeToolbars();
    if (OnResize)
        OnResize(this);
}

void TDockX::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The tiles follow the form's origin.
    if (UsingBackground())
        InvalidateBackgrounds();
}

void TDockX::changeEvent(QEvent* event)
{
    // System colours changed: Color may be one of them.
    if (event->type() == QEvent::PaletteChange && UsingBackground())
        BackgroundChanged();
    QWidget::changeEvent(event);
}

void TDockX::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_popupMenu) {
        event->ignore();
        return;
    }
    m_popupMenu->popup(event->globalPos());
    event->accept();
}

void TDockX::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(m_color));
    if (UsingBackground())
        DrawBackground(p, ClientRect(), QRect(), BackgroundRectFor(this));
    if (m_boundLines == 0 || m_visibleList.empty())
        return;
    const QColor shadow = ColorToQColor(clBtnShadow), light = ColorToQColor(clBtnHighlight);
    const int r = width() - 1, b = height() - 1;
    if (m_boundLines & blTop)
        p.fillRect(QRect(0, 0, width(), 1), shadow);
    if (m_boundLines & blLeft)
        p.fillRect(QRect(0, 0, 1, height()), shadow);
    if (m_boundLines & blBottom)
        p.fillRect(QRect(0, b, width(), 1), light);
    if (m_boundLines & blRight)
        p.fillRect(QRect(r, 0, 1, height()), light);
}
