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
class QHeaderView;
class QStandardItemModel;
class TCanvas;

enum TNSCustomDrawStage {
    ptcdsUnknown, ptcdsPrePaint, ptcdsPostPaint, ptcdsPreErase,
    ptcdsItemPrePaint, ptcdsItemPostPaint, ptcdsItemPreErase, ptcdsItemPostErase
};

// What one paint stage offers its handlers (the control before and after it paints, each item
// before and after, and in the report view each column of an item): font and background, and
// whether to skip the default drawing.
class TNSCustomDraw {
public:
    // subItem: the column of a report view's item, -1 for the item or the control.
    TNSCustomDraw(TNSCustomDrawStage stage, const QFont& controlFont, const QRect& rect, int subItem = -1);
    // A column's stage is no plain stage: ptcdsUnknown, its raw stage telling it apart.
    TNSCustomDrawStage DrawStage() const { return m_subItem >= 0 ? ptcdsUnknown : m_stage; }
    // The stage as the notification numbers it (CDDS_*).
    uint32_t RawDrawStage() const;
    int SubItem() const { return m_subItem; }
    bool IsItem() const { return m_stage >= ptcdsItemPrePaint; }
    // Item or column pre-paint: the stages the plain custom-draw event fires at.
    bool IsItemPrePaint() const { return m_stage == ptcdsItemPrePaint; }
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
    int m_subItem;
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
    void paintEvent(QPaintEvent* e) override;
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

// The sort glyphs of a header: the w x h area at the rectangle's top left (h the rectangle's
// height less one, made odd; w = h + 1) filled with face unless it is clNone, then the arrow's
// shadow and highlight lines.
void DrawDownArrow(TCanvas& canvas, const QRect& rect, TColor face, TColor highlight, TColor shadow);
void DrawUpArrow(TCanvas& canvas, const QRect& rect, TColor face, TColor highlight, TColor shadow);

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
    void SetHeaderSortColumn(int column);
    TNSLvSortDirection HeaderSortDirection() const { return m_sortDirection; }
    void SetHeaderSortDirection(TNSLvSortDirection d);
    TNSLvHeaderSortDisplayMode HeaderSortDisplayMode() const { return m_sortDisplayMode; }
    void SetHeaderSortDisplayMode(TNSLvHeaderSortDisplayMode mode);
    bool HeaderDefaultDrawing = true;
    // The report view's columns; ColumnsChanged hands a new set to the header.
    std::vector<TListColumn> Columns;
    void ColumnsChanged();
    // The report view's header: its sections are the columns (nullptr in other view styles).
    QHeaderView* HeaderHandle() const;
    // Whether the header draws its sort marks itself (else the style's own marks show).
    bool HeaderOwnerDraw() const { return m_headerOwnerDraw; }
    void SetHeaderODStyle();
    // A column's text of an item (column 0 is its caption).
    virtual QString ColumnText(QListWidgetItem* item, int column) const;
    // A click on a column's header.
    std::function<void(QObject*, int)> OnColumnClick;
    virtual void ColClick(int column);
    // A column's width changed by the user dragging its header edge.
    virtual void ColumnResized(int column, int width);
    // The header's owner drawing: background by the style, then the caption and the glyph.
    virtual void DrawHeader(QPainter* painter, int index, QRect rect);
    void DefaultDrawHeader(QPainter* painter, int index, QRect rect);
    void DrawHeaderGlyphs(TCanvas& canvas, int index, QRect glyph);

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
    void paintEvent(QPaintEvent* e) override;
    void updateGeometries() override;

private:
    void invalidateHeaderSection(int index);
    TViewStyle m_viewStyle = vsIcon;
    int m_sortColumn = -1;
    TNSLvSortDirection m_sortDirection = ptsdAsc;
    TNSLvHeaderSortDisplayMode m_sortDisplayMode = ptlvRightOfText;
    bool m_headerOwnerDraw = false;
    int m_headerODReentrancy = 0;
    QHeaderView* m_header = nullptr;
    QStandardItemModel* m_headerModel = nullptr;
};
