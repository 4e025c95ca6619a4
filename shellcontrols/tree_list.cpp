#include "shellcontrols/tree_list.h"

#include "platform/message_box.h"
#include "shellcontrols/shell_utils.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOptionHeader>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <type_traits>

namespace {

// Applies what a handler changed to the option an item (or a column of it) is drawn with.
QStyleOptionViewItem Applied(const QStyleOptionViewItem& option, TNSCustomDraw& cd, QPainter* painter)
{
    QStyleOptionViewItem o = option;
    if (cd.FontChanged())
        o.font = cd.CurrentFont();
    if (cd.TextColorChanged())
        o.palette.setColor(QPalette::Text, cd.TextColor());
    if (cd.BrushChanged())
        painter->fillRect(o.rect, cd.BrushColor());
    return o;
}

// Paints each item through its view's custom draw: the item before and after it is drawn, and
// in a list's report view each column of it.
template <class View, class Item>
class CustomDrawDelegate : public QStyledItemDelegate {
public:
    CustomDrawDelegate(View* view, Item* (*itemAt)(View*, const QModelIndex&))
        : QStyledItemDelegate(view), m_view(view), m_itemAt(itemAt)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool handlers = m_view->OnNSCustomDraw || m_view->OnNSCustomDrawEx;
        if (!handlers && !report()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        Item* item = m_itemAt(m_view, index);
        TNSCustomDraw cd(ptcdsItemPrePaint, option.font, option.rect);
        if (handlers)
            m_view->NSCustomDraw(&cd, item);
        if (!cd.SkipDefault) {
            const QStyleOptionViewItem o = Applied(option, cd, painter);
            if constexpr (IsList) {
                if (report()) {
                    paintColumns(painter, o, index, item, handlers);
                } else {
                    QStyledItemDelegate::paint(painter, o, index);
                }
            } else {
                QStyledItemDelegate::paint(painter, o, index);
            }
        }
        if (handlers) {
            TNSCustomDraw post(ptcdsItemPostPaint, option.font, option.rect);
            m_view->NSCustomDraw(&post, item);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (report())
            size.setWidth(reportHeader()->length());
        return size;
    }

private:
    static constexpr bool IsList = std::is_same_v<View, TNSCustomListView>;
    bool report() const
    {
        if constexpr (IsList)
            return m_view->ViewStyle() == vsReport && m_view->HeaderHandle() &&
                   m_view->HeaderHandle()->count() == int(m_view->Columns.size());
        return false;
    }
    QHeaderView* reportHeader() const
    {
        if constexpr (IsList)
            return m_view->HeaderHandle();
        return nullptr;
    }

    // The caption in the first column, every other column's text in its own.
    void paintColumns(QPainter* painter, const QStyleOptionViewItem& o, const QModelIndex& index, Item* item,
                      bool handlers) const
    {
        QHeaderView* header = reportHeader();
        QStyleOptionViewItem first = o;
        first.rect.setWidth(header->sectionSize(0));
        QStyledItemDelegate::paint(painter, first, index);
        for (int column = 1; column < header->count(); ++column) {
            const QRect cell(o.rect.left() + header->sectionPosition(column), o.rect.top(),
                             header->sectionSize(column), o.rect.height());
            TNSCustomDraw cd(ptcdsItemPrePaint, o.font, cell, column);
            if (handlers)
                m_view->NSCustomDraw(&cd, item);
            if (cd.SkipDefault)
                continue;
            QStyleOptionViewItem c = o;
            c.rect = cell;
            c = Applied(c, cd, painter);
            const QRect text = cell.adjusted(6, 0, -6, 0);
            painter->save();
            painter->setFont(c.font);
            painter->setPen(c.palette.color(QPalette::Text));
            painter->drawText(text, int(m_view->Columns[size_t(column)].Alignment | Qt::AlignVCenter),
                              QFontMetrics(c.font).elidedText(m_view->ColumnText(item, column),
                                                              Qt::ElideRight, text.width()));
            painter->restore();
        }
    }

    View* m_view;
    Item* (*m_itemAt)(View*, const QModelIndex&);
};

// The report view's header: the sections draw themselves through the list when it asks for
// owner drawing.
class TListHeader : public QHeaderView {
public:
    TListHeader(TNSCustomListView* list) : QHeaderView(Qt::Horizontal, list), m_list(list) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        if (!m_list->HeaderOwnerDraw()) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        opt.section = logicalIndex;
        opt.sortIndicator = QStyleOptionHeader::None;
        painter->save();
        style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
        painter->restore();
        painter->save();
        m_list->DrawHeader(painter, logicalIndex, rect);
        painter->restore();
    }

private:
    TNSCustomListView* m_list;
};

// The control's own custom-draw stages around the painting of its items.
template <class View, class Paint>
void PaintInStages(View* view, QPaintEvent* e, Paint paint)
{
    if (!view->OnNSCustomDraw && !view->OnNSCustomDrawEx) {
        paint();
        return;
    }
    TNSCustomDraw pre(ptcdsPrePaint, view->font(), e->rect());
    view->NSCustomDraw(&pre, nullptr);
    paint();
    TNSCustomDraw post(ptcdsPostPaint, view->font(), e->rect());
    view->NSCustomDraw(&post, nullptr);
}

QTreeWidgetItem* TreeItemAt(TNSCustomTreeView* v, const QModelIndex& i)
{
    return v->itemFromIndex(i);
}

QListWidgetItem* ListItemAt(TNSCustomListView* v, const QModelIndex& i)
{
    return v->item(i.row());
}

bool IsContextMenuKey(QKeyEvent* e)
{
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    return (e->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
           (e->key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}

} // namespace

TNSCustomDraw::TNSCustomDraw(TNSCustomDrawStage stage, const QFont& controlFont, const QRect& rect,
                             int subItem)
    : m_stage(stage), m_subItem(subItem), m_font(controlFont), m_rect(rect)
{
}

uint32_t TNSCustomDraw::RawDrawStage() const
{
    constexpr uint32_t CDDS_PREPAINT = 1, CDDS_POSTPAINT = 2, CDDS_PREERASE = 3, CDDS_POSTERASE = 4,
                       CDDS_ITEM = 0x10000, CDDS_SUBITEM = 0x20000;
    uint32_t raw = 0;
    switch (m_stage) {
    case ptcdsPrePaint: raw = CDDS_PREPAINT; break;
    case ptcdsPostPaint: raw = CDDS_POSTPAINT; break;
    case ptcdsPreErase: raw = CDDS_PREERASE; break;
    case ptcdsItemPrePaint: raw = CDDS_ITEM | CDDS_PREPAINT; break;
    case ptcdsItemPostPaint: raw = CDDS_ITEM | CDDS_POSTPAINT; break;
    case ptcdsItemPreErase: raw = CDDS_ITEM | CDDS_PREERASE; break;
    case ptcdsItemPostErase: raw = CDDS_ITEM | CDDS_POSTERASE; break;
    default: break;
    }
    return m_subItem >= 0 ? raw | CDDS_SUBITEM : raw;
}

// ---- header sort glyphs ----

namespace {

// An arrow's measures in its rectangle, its w x h area filled with the face colour first.
struct TArrowBox {
    int h, w, l, t, c;
};

TArrowBox ArrowBox(TCanvas& canvas, const QRect& rect, TColor face)
{
    const int h = (rect.height() - 1) | 1, w = h + 1;
    const TArrowBox b{h, w, rect.left(), rect.top(), rect.left() + (w - 1) / 2};
    if (face != clNone) {
        canvas.Brush.Color = face;
        canvas.Brush.Style = bsSolid;
        canvas.FillRect(TRect(b.l, b.t, b.l + w, b.t + h));
    }
    return b;
}

} // namespace

void DrawDownArrow(TCanvas& canvas, const QRect& rect, TColor face, TColor highlight, TColor shadow)
{
    const auto [h, w, l, t, c] = ArrowBox(canvas, rect, face);
    canvas.Pen.Color = shadow;
    canvas.Polyline({TPoint(c, t + h - 1), TPoint(l, t + 1), TPoint(l, t), TPoint(l + w - 1, t)});
    canvas.Pen.Color = highlight;
    canvas.MoveTo(c + 1, t + h - 1);
    canvas.LineTo(l + w, t - 1);
}

void DrawUpArrow(TCanvas& canvas, const QRect& rect, TColor face, TColor highlight, TColor shadow)
{
    const auto [h, w, l, t, c] = ArrowBox(canvas, rect, face);
    canvas.Pen.Color = shadow;
    canvas.Polyline({TPoint(l + w / 2 - 1, t), TPoint(l, t + h - 2), TPoint(l, t + h - 1)});
    canvas.Pen.Color = highlight;
    canvas.Polyline({TPoint(l, t + h - 1), TPoint(l + w - 1, t + h - 1), TPoint(c + 1, t - 1)});
}

// ---- tree ----

TNSCustomTreeView::TNSCustomTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    // Deep names scroll sideways rather than being cut.
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setItemDelegate(new CustomDrawDelegate<TNSCustomTreeView, QTreeWidgetItem>(this, &TreeItemAt));
}

TNSCustomTreeView::~TNSCustomTreeView() = default;

void TNSCustomTreeView::DeleteAllNodes()
{
    std::function<void(QTreeWidgetItem*)> visit = [&](QTreeWidgetItem* node) {
        for (int i = 0; i < node->childCount(); ++i)
            visit(node->child(i));
        Delete(node);
    };
    for (int i = 0; i < topLevelItemCount(); ++i)
        visit(topLevelItem(i));
}

void TNSCustomTreeView::NSCustomDraw(TNSCustomDraw* cd, QTreeWidgetItem* node)
{
    if (OnNSCustomDrawEx)
        OnNSCustomDrawEx(this, cd, node);
    if (OnNSCustomDraw && cd->IsItemPrePaint())
        OnNSCustomDraw(this, cd, node);
}

void TNSCustomTreeView::InvalidateNode(QTreeWidgetItem* node)
{
    if (node)
        viewport()->update(visualItemRect(node));
}

void TNSCustomTreeView::NodeContextMenu(QTreeWidgetItem* node, QPoint& point, QMenu*& menu)
{
    if (OnNodeContextMenu)
        OnNodeContextMenu(this, node, point, menu);
}

void TNSCustomTreeView::DoNodeContextMenu(QTreeWidgetItem* node, QPoint point)
{
    QMenu* menu = PopupMenu;
    NodeContextMenu(node, point, menu);
    if (menu)
        menu->popup(viewport()->mapToGlobal(point));
}

void TNSCustomTreeView::DoPreNodeContextMenu()
{
    if (QTreeWidgetItem* node = currentItem())
        DoNodeContextMenu(node, visualItemRect(node).center());
    else if (PopupMenu)
        PopupMenu->popup(mapToGlobal(QPoint(0, 0)));
}

void TNSCustomTreeView::contextMenuEvent(QContextMenuEvent* e)
{
    if (e->reason() == QContextMenuEvent::Keyboard) {
        DoPreNodeContextMenu();
        return;
    }
    const QPoint p = viewport()->mapFromGlobal(e->globalPos());
    if (QTreeWidgetItem* node = itemAt(p))
        DoNodeContextMenu(node, p);
}

void TNSCustomTreeView::paintEvent(QPaintEvent* e)
{
    PaintInStages(this, e, [&] { QTreeWidget::paintEvent(e); });
}

void TNSCustomTreeView::keyPressEvent(QKeyEvent* e)
{
    if (IsContextMenuKey(e)) {
        DoPreNodeContextMenu();
        return;
    }
    QTreeWidget::keyPressEvent(e);
}

// ---- list ----

TNSCustomListView::TNSCustomListView(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new CustomDrawDelegate<TNSCustomListView, QListWidgetItem>(this, &ListItemAt));
    SetViewStyle(vsIcon);
}

QHeaderView* TNSCustomListView::HeaderHandle() const
{
    return m_viewStyle == vsReport ? m_header : nullptr;
}

QString TNSCustomListView::ColumnText(QListWidgetItem* item, int column) const
{
    return column == 0 && item ? item->text() : QString();
}

void TNSCustomListView::ColClick(int column)
{
    if (OnColumnClick)
        OnColumnClick(this, column);
}

void TNSCustomListView::ColumnResized(int column, int width)
{
    if (column >= 0 && column < int(Columns.size()))
        Columns[size_t(column)].Width = width;
}

void TNSCustomListView::ColumnsChanged()
{
    if (!m_header)
        return;
    m_headerModel->setColumnCount(int(Columns.size()));
    QSignalBlocker block(m_header);
    for (int i = 0; i < int(Columns.size()); ++i) {
        const TListColumn& c = Columns[size_t(i)];
        m_headerModel->setHeaderData(i, Qt::Horizontal, c.Caption);
        m_headerModel->setHeaderData(i, Qt::Horizontal, int(c.Alignment | Qt::AlignVCenter),
                                     Qt::TextAlignmentRole);
        m_header->resizeSection(i, c.Width);
    }
    SetHeaderODStyle();
    scheduleDelayedItemsLayout();
    updateGeometries();
}

void TNSCustomListView::SetHeaderODStyle()
{
    if (!m_header || m_headerODReentrancy > 0)
        return;
    ++m_headerODReentrancy;
    // The style's own marks beside the caption where it has them, the list's arrows otherwise.
    m_headerOwnerDraw = m_sortDisplayMode != ptlvNone &&
                        !(CommonControlsVersion() >= 0x00060000 && m_sortDisplayMode == ptlvRightOfText);
    m_header->setSortIndicatorShown(!m_headerOwnerDraw && m_sortColumn >= 0);
    // Qt's descending order is the style's upward mark.
    if (!m_headerOwnerDraw && m_sortColumn >= 0)
        m_header->setSortIndicator(m_sortColumn,
                                   m_sortDirection == ptsdAsc ? Qt::DescendingOrder : Qt::AscendingOrder);
    m_header->viewport()->update();
    --m_headerODReentrancy;
}

void TNSCustomListView::invalidateHeaderSection(int index)
{
    if (m_header && index >= 0 && index < m_header->count())
        m_header->viewport()->update(QRect(m_header->sectionViewportPosition(index), 0,
                                           m_header->sectionSize(index), m_header->height()));
}

void TNSCustomListView::SetHeaderSortColumn(int column)
{
    if (column == m_sortColumn)
        return;
    invalidateHeaderSection(m_sortColumn);
    invalidateHeaderSection(column);
    m_sortColumn = column;
    SetHeaderODStyle();
}

void TNSCustomListView::SetHeaderSortDirection(TNSLvSortDirection d)
{
    if (d == m_sortDirection)
        return;
    invalidateHeaderSection(m_sortColumn);
    m_sortDirection = d;
    if (m_sortColumn >= 0)
        SetHeaderODStyle();
}

void TNSCustomListView::SetHeaderSortDisplayMode(TNSLvHeaderSortDisplayMode mode)
{
    m_sortDisplayMode = CommonControlsVersion() >= 0x00040046 ? mode : ptlvNone;
    SetHeaderODStyle();
}

void TNSCustomListView::DrawHeader(QPainter* painter, int index, QRect rect)
{
    painter->setFont(font());
    rect.adjust(2, 2, -2, -2);
    if (HeaderDefaultDrawing)
        DefaultDrawHeader(painter, index, rect);
}

void TNSCustomListView::DefaultDrawHeader(QPainter* painter, int index, QRect rect)
{
    if (index < 0 || index >= int(Columns.size()))
        return;
    // Right and bottom edges excluded, as the glyph arithmetic counts them.
    TRect r(rect.left() + 4, rect.top(), rect.right() + 1 - 4, rect.bottom() + 1);
    painter->setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()), Qt::IntersectClip);
    const TListColumn& column = Columns[size_t(index)];
    const Qt::Alignment align = column.Alignment & Qt::AlignHorizontal_Mask;
    const bool sortColumn = index == m_sortColumn;
    auto glyphOf = [](const TRect& from) {
        const int s = (from.Top + from.Bottom) / 2 - 1;
        TRect g;
        g.Left = from.Left;
        g.Right = from.Left + s + 1;
        g.Top = (from.Top + from.Bottom - s) / 2 - 1;
        g.Bottom = g.Top + s;
        return g;
    };
    auto moveRight = [](TRect g, int by) {
        g.Left += by;
        g.Right += by;
        return g;
    };
    TCanvas canvas(painter);
    auto glyphs = [&](const TRect& g) {
        DrawHeaderGlyphs(canvas, index, QRect(g.Left, g.Top, g.Width(), g.Height()));
    };
    auto caption = [&](const TRect& into) {
        const QRect q(into.Left, into.Top, std::max(0, into.Width()), into.Height());
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->drawText(q, int(align | Qt::AlignVCenter),
                          painter->fontMetrics().elidedText(column.Caption, Qt::ElideRight, q.width()));
    };
    TRect g = glyphOf(r);
    switch (m_sortDisplayMode) {
    case ptlvNone: caption(r); break;
    case ptlvLeftAlign:
        if (sortColumn && column.Width > 15) {
            glyphs(g);
            r.Left = g.Right + 5;
        }
        caption(r);
        break;
    case ptlvRightOfText:
        if (align == Qt::AlignRight) {
            if (sortColumn) {
                g = moveRight(g, r.Width() - g.Width() - 5);
                glyphs(g);
                r.Right = g.Left - 4;
            }
            caption(r);
        } else {
            caption(r);
            const int extent = std::min(painter->fontMetrics().horizontalAdvance(column.Caption), r.Width());
            TRect text(r.Left, r.Top, r.Left + extent, r.Bottom);
            text = moveRight(text, text.Width() + 5);
            glyphs(glyphOf(text));
        }
        break;
    case ptlvRightAlign:
        g = moveRight(g, r.Width() - g.Width() - 5);
        glyphs(g);
        if (sortColumn)
            r.Right = g.Left - 4;
        caption(r);
        break;
    }
}

void TNSCustomListView::DrawHeaderGlyphs(TCanvas& canvas, int index, QRect glyph)
{
    if (index != m_sortColumn || index >= int(Columns.size()))
        return;
    const int width = m_header ? m_header->sectionSize(index) : Columns[size_t(index)].Width;
    if (width <= 2 * glyph.width())
        return;
    if (m_sortDirection == ptsdDesc)
        DrawUpArrow(canvas, glyph, clBtnFace, clBtnHighlight, clBtnShadow);
    else
        DrawDownArrow(canvas, glyph, clBtnFace, clBtnHighlight, clBtnShadow);
}

void TNSCustomListView::paintEvent(QPaintEvent* e)
{
    PaintInStages(this, e, [&] { QListWidget::paintEvent(e); });
}

void TNSCustomListView::updateGeometries()
{
    QListWidget::updateGeometries();
    const bool report = m_header && m_viewStyle == vsReport;
    const int height = report ? m_header->sizeHint().height() : 0;
    if (viewportMargins().top() != height)
        setViewportMargins(0, height, 0, 0);
    if (report) {
        const QRect v = viewport()->geometry();
        m_header->setGeometry(v.left(), v.top() - height, v.width(), height);
        m_header->setOffset(horizontalScrollBar()->value());
    }
}

TNSCustomListView::~TNSCustomListView() = default;

void TNSCustomListView::SetViewStyle(TViewStyle style)
{
    m_viewStyle = style;
    switch (style) {
    case vsIcon:
        setViewMode(QListView::IconMode);
        setIconSize(QSize(32, 32));
        break;
    case vsSmallIcon:
        setViewMode(QListView::ListMode);
        setFlow(QListView::LeftToRight);
        setWrapping(true);
        setIconSize(QSize(16, 16));
        break;
    case vsList:
        // Columns of names running top to bottom, scrolled sideways.
        setViewMode(QListView::ListMode);
        setFlow(QListView::TopToBottom);
        setWrapping(true);
        setIconSize(QSize(16, 16));
        break;
    case vsReport:
        // One row per item under a header of columns.
        setViewMode(QListView::ListMode);
        setFlow(QListView::TopToBottom);
        setWrapping(false);
        setIconSize(QSize(16, 16));
        if (!m_header) {
            m_headerModel = new QStandardItemModel(0, 0, this);
            m_header = new TListHeader(this);
            m_header->setModel(m_headerModel);
            m_header->setSectionsClickable(true);
            m_header->setStretchLastSection(false);
            m_header->setSectionResizeMode(QHeaderView::Interactive);
            m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            connect(m_header, &QHeaderView::sectionClicked, this, [this](int column) {
                m_header->viewport()->update();
                Application->Guard([&] { ColClick(column); });
            });
            connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
                ColumnResized(column, width);
                scheduleDelayedItemsLayout();
                viewport()->update();
            });
            connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_header, &QHeaderView::setOffset);
        }
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        break;
    }
    setUniformItemSizes(style == vsReport);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    if (m_header) {
        m_header->setVisible(style == vsReport);
        if (style == vsReport)
            ColumnsChanged();
    }
    updateGeometries();
}

QListWidgetItem* TNSCustomListView::GetNextSelected(QListWidgetItem* start) const
{
    const int from = start ? row(start) + 1 : 0;
    for (int i = from; i < count(); ++i)
        if (item(i)->isSelected())
            return item(i);
    return nullptr;
}

QListWidgetItem* TNSCustomListView::Selected() const
{
    return GetNextSelected(nullptr);
}

void TNSCustomListView::NSCustomDraw(TNSCustomDraw* cd, QListWidgetItem* item)
{
    if (OnNSCustomDrawEx)
        OnNSCustomDrawEx(this, cd, item);
    if (OnNSCustomDraw && cd->IsItemPrePaint())
        OnNSCustomDraw(this, cd, item);
}

void TNSCustomListView::ItemContextMenu(QListWidgetItem* item, QPoint& point, QMenu*& menu)
{
    if (OnItemContextMenu)
        OnItemContextMenu(this, item, point, menu);
}

void TNSCustomListView::DoItemContextMenu(QPoint point)
{
    QMenu* menu = PopupMenu;
    ItemContextMenu(Selected(), point, menu);
    if (menu)
        menu->popup(viewport()->mapToGlobal(point));
}

void TNSCustomListView::DoPreItemContextMenu(QPoint point)
{
    QListWidgetItem* selected = Selected();
    QListWidgetItem* focused = currentItem();
    if (selected && focused && focused->isSelected()) {
        DoItemContextMenu(visualItemRect(focused).center());
    } else if (selected && focused) {
        DoItemContextMenu(visualItemRect(focused).center());
    } else if (PopupMenu) {
        PopupMenu->popup(viewport()->mapToGlobal(point));
    }
}

void TNSCustomListView::contextMenuEvent(QContextMenuEvent* e)
{
    if (e->reason() == QContextMenuEvent::Keyboard) {
        DoPreItemContextMenu(QPoint(0, 0));
        return;
    }
    const QPoint p = viewport()->mapFromGlobal(e->globalPos());
    if (Selected())
        DoItemContextMenu(p);
    else
        DoPreItemContextMenu(p);
}

void TNSCustomListView::keyPressEvent(QKeyEvent* e)
{
    if (IsContextMenuKey(e)) {
        DoPreItemContextMenu(QPoint(0, 0));
        return;
    }
    QListWidget::keyPressEvent(e);
}
