#pragma once
// Tree and list views with a simple custom-draw protocol (a small object per item paint that
// handlers change and the view applies) and a context-menu protocol for nodes and items.
#include "platform/graphics.h"

#include <QListWidget>
#include <QPoint>
#include <QTreeWidget>
#include <functional>
#include <memory>

class QMenu;

enum TNSCustomDrawStage {
    ptcdsUnknown, ptcdsPrePaint, ptcdsPostPaint, ptcdsPreErase,
    ptcdsItemPrePaint, ptcdsItemPostPaint, ptcdsItemPreErase, ptcdsItemPostErase
};

// What one paint stage of one item offers its handlers: font and background, and whether to
// skip the default drawing.
class TNSCustomDraw {
public:
    TNSCustomDraw(TNSCustomDrawStage stage, const QFont& controlFont, const QRect& rect);
    TNSCustomDrawStage DrawStage() const { return m_stage; }
    bool IsItem() const { return m_stage >= ptcdsItemPrePaint; }
    QRect Rect() const { return m_rect; }
    QFont& Font() { m_fontChanged = true; return m_font; }
    const QFont& CurrentFont() const { return m_font; }
    void SetTextColor(const QColor& c) { m_textColor = c; m_textColorChanged = true; }
    void SetBrushColor(const QColor& c) { m_brushColor = c; m_brushChanged = true; }
    bool SkipDefault = false;
    bool NotifyItemDraw = false;
    bool FontChanged() const { return m_fontChanged; }
    bool TextColorChanged() const { return m_textColorChanged; }
    bool BrushChanged() const { return m_brushChanged; }
    QColor TextColor() const { return m_textColor; }
    QColor BrushColor() const { return m_brushColor; }

private:
    TNSCustomDrawStage m_stage;
    QFont m_font;
    QRect m_rect;
    QColor m_textColor, m_brushColor;
    bool m_fontChanged = false, m_textColorChanged = false, m_brushChanged = false;
};

class TNSCustomTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TNSCustomTreeView(QWidget* parent = nullptr);
    ~TNSCustomTreeView() override;

    using TNSTvCustomDrawEvent = std::function<void(QObject*, TNSCustomDraw*, QTreeWidgetItem*)>;
    using TNSTvOnNodeContextMenuEvent = std::function<void(QObject*, QTreeWidgetItem*, QPoint&, QMenu*&)>;
    TNSTvCustomDrawEvent OnNSCustomDraw, OnNSCustomDrawEx;
    TNSTvOnNodeContextMenuEvent OnNodeContextMenu;
    QMenu* PopupMenu = nullptr;

    // The custom draw of one item paint (called by the view's painter).
    virtual void NSCustomDraw(TNSCustomDraw* cd, QTreeWidgetItem* node);
    void DoPreNodeContextMenu();
    void DoNodeContextMenu(QTreeWidgetItem* node, QPoint point);
    virtual void NodeContextMenu(QTreeWidgetItem* node, QPoint& point, QMenu*& menu);
    void InvalidateNode(QTreeWidgetItem* node);

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    // Called before a node is freed, its children first.
    virtual void Delete(QTreeWidgetItem* node) {}
    // Every node passed once to Delete, children first; for destructors of descendants.
    void DeleteAllNodes();
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TNSLvSortDirection { ptsdAsc, ptsdDesc };
enum TNSLvHeaderSortDisplayMode { ptlvNone, ptlvLeftAlign, ptlvRightOfText, ptlvRightAlign };

struct TListColumn {
    QString Caption;
    int Width = 50;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

class TNSCustomListView : public QListWidget {
    Q_OBJECT
public:
    explicit TNSCustomListView(QWidget* parent = nullptr);
    ~TNSCustomListView() override;

    using TNSLvCustomDrawEvent = std::function<void(QObject*, TNSCustomDraw*, QListWidgetItem*)>;
    using TNSLvOnItemContextMenuEvent = std::function<void(QObject*, QListWidgetItem*, QPoint&, QMenu*&)>;
    TNSLvCustomDrawEvent OnNSCustomDraw, OnNSCustomDrawEx;
    TNSLvOnItemContextMenuEvent OnItemContextMenu;
    QMenu* PopupMenu = nullptr;

    TViewStyle ViewStyle() const { return m_viewStyle; }
    virtual void SetViewStyle(TViewStyle style);
    int HeaderSortColumn() const { return m_sortColumn; }
    void SetHeaderSortColumn(int column) { m_sortColumn = column; }
    TNSLvSortDirection HeaderSortDirection() const { return m_sortDirection; }
    void SetHeaderSortDirection(TNSLvSortDirection d) { m_sortDirection = d; }
    TNSLvHeaderSortDisplayMode HeaderSortDisplayMode = ptlvRightOfText;
    bool HeaderDefaultDrawing = true;
    std::vector<TListColumn> Columns;

    // The next item after start (nullptr: from the beginning) that is selected, in any
    // direction: the framework's GetNextItem(start, sdAll, [isSelected]).
    QListWidgetItem* GetNextSelected(QListWidgetItem* start) const;
    QListWidgetItem* Selected() const;

    virtual void NSCustomDraw(TNSCustomDraw* cd, QListWidgetItem* item);
    void DoPreItemContextMenu(QPoint point);
    void DoItemContextMenu(QPoint point);
    virtual void ItemContextMenu(QListWidgetItem* item, QPoint& point, QMenu*& menu);

protected:
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    TViewStyle m_viewStyle = vsIcon;
    int m_sortColumn = -1;
    TNSLvSortDirection m_sortDirection = ptsdAsc;
};
