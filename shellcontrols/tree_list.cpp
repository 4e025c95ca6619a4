#include "shellcontrols/tree_list.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Paints each item through its view's custom draw.
template <class View, class Item>
class CustomDrawDelegate : public QStyledItemDelegate {
public:
    CustomDrawDelegate(View* view, Item* (*itemAt)(View*, const QModelIndex&))
        : QStyledItemDelegate(view), m_view(view), m_itemAt(itemAt)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (!m_view->OnNSCustomDraw && !m_view->OnNSCustomDrawEx) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        TNSCustomDraw cd(ptcdsItemPrePaint, option.font, option.rect);
        m_view->NSCustomDraw(&cd, m_itemAt(m_view, index));
        if (cd.SkipDefault)
            return;
        QStyleOptionViewItem o = option;
        if (cd.FontChanged())
            o.font = cd.CurrentFont();
        if (cd.TextColorChanged())
            o.palette.setColor(QPalette::Text, cd.TextColor());
        if (cd.BrushChanged())
            painter->fillRect(o.rect, cd.BrushColor());
        QStyledItemDelegate::paint(painter, o, index);
    }

private:
    View* m_view;
    Item* (*m_itemAt)(View*, const QModelIndex&);
};

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

TNSCustomDraw::TNSCustomDraw(TNSCustomDrawStage stage, const QFont& controlFont, const QRect& rect)
    : m_stage(stage), m_font(controlFont), m_rect(rect)
{
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
    if (OnNSCustomDraw && cd->DrawStage() == ptcdsItemPrePaint)
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
        setViewMode(QListView::ListMode);
        setFlow(QListView::TopToBottom);
        setWrapping(false);
        setIconSize(QSize(16, 16));
        break;
    }
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
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
    if (OnNSCustomDraw && cd->DrawStage() == ptcdsItemPrePaint)
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
