#pragma once
// The out bar: a group bar whose pages each hold one vertical item list filling the page. The
// bar carries the look of all its lists and hands each value to every list that has not been
// given its own; it passes the lists' item events on as its own. The side-bar start-up installs
// the item-drag cursors and the program's no-drop cursor.
#include "bars/sb_group_bar.h"
#include "bars/sb_list_view.h"

class TSBOutBar;

class TSBOutBarVertListView : public TSBVertListView {
    Q_OBJECT
public:
    explicit TSBOutBarVertListView(QWidget* parent = nullptr);

    // The group bar of the page the list is on; none without one.
    TSBOutBar* OutBar() const;

    // A value of the list's own clears the matching Parent flag; a Parent flag set again takes
    // the bar's value at once.
#define SB_PARENT_FLAG(Name)                                                                       \
    bool Parent##Name() const { return m_parent##Name; }                                           \
    void SetParent##Name(bool value);
    SB_PARENT_FLAG(Background)
    SB_PARENT_FLAG(BackgroundMode)
    SB_PARENT_FLAG(DragEnabled)
    SB_PARENT_FLAG(DragPlaceColor)
    SB_PARENT_FLAG(GradientBeginColor)
    SB_PARENT_FLAG(GradientEndColor)
    SB_PARENT_FLAG(HighlightColor)
    SB_PARENT_FLAG(HighlightFontColor)
    SB_PARENT_FLAG(HighlightSelection)
    SB_PARENT_FLAG(ScrollButtonsPos)
    SB_PARENT_FLAG(SelectionType)
    SB_PARENT_FLAG(SunkSelected)
    SB_PARENT_FLAG(UseDblClick)
    SB_PARENT_FLAG(WrapLineCount)
#undef SB_PARENT_FLAG
    void SetAllParentFlags();

    void SetBackground(const TBitmap& value) override;
    void SetBackgroundMode(TBackgroundModeGlobal value) override;
    void SetGradientBeginColor(TColor value) override;
    void SetGradientEndColor(TColor value) override;
    void SetDragEnabled(bool value) override;
    void SetDragPlaceColor(TColor value) override;
    void SetHighlightColor(TColor value) override;
    void SetHighlightFontColor(TColor value) override;
    void SetHighlightSelection(bool value) override;
    void SetScrollButtonsPos(TScrollButtonsPos value) override;
    void SetSelectionType(TSelectionType value) override;
    void SetSunkSelected(bool value) override;
    void SetUseDblClick(bool value) override;
    void SetWrapLineCount(int value) override;

    TImageList* OwnLargeImages() const { return m_ownLarge; }
    TImageList* OwnSmallImages() const { return m_ownSmall; }
    void SetOwnLargeImages(TImageList* value);
    void SetOwnSmallImages(TImageList* value);
    // The list's own image lists when set, else the out bar's.
    void InitImages();

    void DoButtonClick(TSBVertListItem* item) override;
    bool DoExecuteItem(TSBVertListItem* item) override;
    void DoHotTrackItem(TSBVertListItem* item) override;
    QMenu* DoPopupMenu(TSBVertListItem* item) override;
    void SelectedItemChanged() override;

protected:
    void mousePressEvent(QMouseEvent*) override;

private:
    friend class TSBOutBar;
    // The bar hands its values through these, so the flags stay set.
    void TakeFromBar();
    bool m_parentBackground = true, m_parentBackgroundMode = true, m_parentDragEnabled = true,
         m_parentDragPlaceColor = true, m_parentGradientBeginColor = true, m_parentGradientEndColor = true,
         m_parentHighlightColor = true, m_parentHighlightFontColor = true, m_parentHighlightSelection = true,
         m_parentScrollButtonsPos = true, m_parentSelectionType = true, m_parentSunkSelected = true,
         m_parentUseDblClick = true, m_parentWrapLineCount = true;
    QPointer<TImageList> m_ownLarge;
    QPointer<TImageList> m_ownSmall;
};

class TSBOutBar : public TSBGroupBar {
    Q_OBJECT
public:
    explicit TSBOutBar(QWidget* parent = nullptr);
    ~TSBOutBar() override;

    const TBitmap& Background() const { return *m_background; }
    void SetBackground(const TBitmap& value);
    TBackgroundModeGlobal BackgroundMode() const { return m_backgroundMode; }
    void SetBackgroundMode(TBackgroundModeGlobal value);
    bool DragEnabled() const { return m_dragEnabled; }
    void SetDragEnabled(bool value);
    TColor DragPlaceColor() const { return m_dragPlaceColor; }
    void SetDragPlaceColor(TColor value);
    TColor GradientBeginColor() const { return m_gradientBegin; }
    void SetGradientBeginColor(TColor value);
    TColor GradientEndColor() const { return m_gradientEnd; }
    void SetGradientEndColor(TColor value);
    TColor HighlightColor() const { return m_highlightColor; }
    void SetHighlightColor(TColor value);
    TColor HighlightFontColor() const { return m_highlightFontColor; }
    void SetHighlightFontColor(TColor value);
    bool HighlightSelection() const { return m_highlightSelection; }
    void SetHighlightSelection(bool value);
    TImageList* LargeImages() const { return m_largeImages; }
    void SetLargeImages(TImageList* value);
    TImageList* SmallImages() const { return m_smallImages; }
    void SetSmallImages(TImageList* value);
    bool OneSelected() const { return m_oneSelected; }
    void SetOneSelected(bool value);
    TScrollButtonsPos ScrollButtonsPos() const { return m_scrollButtonsPos; }
    void SetScrollButtonsPos(TScrollButtonsPos value);
    TSelectionType SelectionType() const { return m_selectionType; }
    void SetSelectionType(TSelectionType value);
    bool SunkSelected() const { return m_sunkSelected; }
    void SetSunkSelected(bool value);
    bool UseDblClick() const { return m_useDblClick; }
    void SetUseDblClick(bool value);
    int WrapLineCount() const { return m_wrapLineCount; }
    void SetWrapLineCount(int value);

    TListItemEvent OnButtonClick;
    TListItemEvent OnHotTrackItem;
    TExecuteItemEvent OnExecuteItem;
    TPopupMenuEvent OnPopupMenu;

    TSBOutBarGroup* NewGroup() override;
    virtual TSBVertListView* CreateListView(TSBOutBarGroup* page);
    TSBVertListView* GetActiveListView() const;
    // With OneSelected, clears the selection of every page's list but page's.
    void ClearAllSelected(TSBOutBarGroup* page);
    // Every out-bar list of every page.
    std::vector<TSBOutBarVertListView*> Lists() const;

private:
    void OnBkChange();
    template <class F>
    void ForLists(F f) const
    {
        for (TSBOutBarVertListView* list : Lists())
            f(list);
    }

    std::unique_ptr<TBitmap> m_background;
    TBackgroundModeGlobal m_backgroundMode = bkmNone;
    bool m_dragEnabled = true;
    TColor m_dragPlaceColor = 0;
    TColor m_gradientBegin = 0xFF0000;
    TColor m_gradientEnd = 0;
    TColor m_highlightColor = clBtnFace;
    TColor m_highlightFontColor = clBlack;
    bool m_highlightSelection = false;
    QPointer<TImageList> m_largeImages;
    QPointer<TImageList> m_smallImages;
    bool m_oneSelected = false;
    TScrollButtonsPos m_scrollButtonsPos = spTopAndBottom;
    TSelectionType m_selectionType = stStandard;
    bool m_sunkSelected = false;
    bool m_useDblClick = false;
    int m_wrapLineCount = 1;
};

// Side-bar start-up: cursor 100 (item move), 101 (item copy) and the no-drop cursor (-13) of
// the whole program. Runs once, before the main window.
void InitSideBarUnit();
// The named cursor of the program's resources; "Error loading cursor" when there is none.
QCursor LoadCursorChecked(const QString& name);
