#pragma once
// The shell folder list: the items of one folder with their names and columns, kept current by
// a folder watcher, opened, renamed and given verbs on the shell keys; linked to a tree.
#include "shellcontrols/change_handler.h"
#include "shellcontrols/shell_controls.h"
#include "shellcontrols/tree_list.h"

#include <QSet>
#include <QTimer>
#include <memory>

class TNSCustomShellTree;

enum TNSShellListOption {
    ptsloAutoFill, ptsloNonFilesystemAncestors, ptsloDesignInteractive, ptsloDefaultKeyHandling,
    ptsloContextMenus, ptsloDontChangeFolder, ptsloDontGoBelowBase, ptsloDynamicRefresh,
    ptsloHideFoldersWhenLinkedToTree, ptsloOleDrag, ptsloOleDrop, ptsloFolderContextMenu, ptsloShowHidden
};
using TNSShellListOptions = uint32_t;
constexpr TNSShellListOptions ListOption(TNSShellListOption o) { return 1u << o; }

// An item of the list. Its caption is the item's display name, filled when first read.
class TShellListItem : public QListWidgetItem {
public:
    static constexpr int Type = QListWidgetItem::UserType + 62;
    TShellListItem() : QListWidgetItem(nullptr, Type) {}
    ~TShellListItem() override { delete Data; }
    QVariant data(int role) const override;
    bool operator<(const QListWidgetItem& other) const override;
    QString Caption() const { return data(Qt::DisplayRole).toString(); }
    TNSShListData* Data = nullptr;
    TItemSortKey Key;
    QStringList SubItems;
    class TNSCustomShellList* Owner = nullptr;

private:
    mutable int m_icon = -1;
};

class TNSCustomShellList : public TNSCustomListView {
    Q_OBJECT
public:
    explicit TNSCustomShellList(QWidget* parent = nullptr);
    ~TNSCustomShellList() override;

    TNSShellLocator Folder;

    std::function<void(QObject*, IShellFolder, PCItemIDList, PCItemIDList, uint32_t, bool&)> OnAddItem;
    std::function<void(QObject*, QListWidgetItem*, TNSShListData*)> OnDeleteItem;
    std::function<void(QObject*, bool&)> OnDblClickOpen;
    // The help text of the shell menu item under the mouse.
    std::function<void(QObject*, const QString&)> OnPopupHint;
    std::function<void(QObject*)> OnFillStart, OnFillComplete, OnFolderChanged;

    TNSShellListOptions Options() const { return m_options; }
    void SetOptions(TNSShellListOptions options);
    bool HasOption(TNSShellListOption o) const { return m_options & ListOption(o); }
    QString FileFilter() const { return m_fileFilter; }
    void SetFileFilter(const QString& value);

    TNSCustomShellTree* ShellTree() const { return m_tree; }
    void SetShellTree(TNSCustomShellTree* tree) { m_tree = tree; }
    void SetFolder(TNSShellLocator* locator) { Folder.Assign(locator); }
    void TreeChanged(QTreeWidgetItem* node);

    int SortColumn() const { return m_sortColumn; }
    void SetSortColumn(int value);
    void ColClick(int column) override;
    QString ColumnText(QListWidgetItem* item, int column) const override;
    void ColumnResized(int column, int width) override;

    IShellFolder CurrentFolder() const { return m_folder; }
    PCItemIDList CurrentFolderIdList() const;

    void FillItems();
    void RefreshItems();
    // Whether a big folder is still being filled from the event loop; StopFill ends it with
    // what is shown.
    bool Filling() const { return m_fill != nullptr; }
    void StopFill();
    virtual void FillList(IShellFolder folder, PCItemIDList absIdList);
    void SortList();
    void GoUp(int levels);
    bool CreateNewFolder(bool edit);
    void OpenItem(QListWidgetItem* item);
    void OpenSelectedItems();
    void SelectAll();
    int ShellSelCount() const;
    TNSShListData* GetSelectedItem() const;
    TNSShListData* GetShListData(int index) const;
    static TNSShListData* DataOf(const QListWidgetItem* item);
    void Synchronize(bool all);
    void DoCommandForItem(QListWidgetItem* item, const QString& verb);
    void DoCommandForAllSelected(const QString& verb);
    void DoCommandForFolder(const QString& verb);
    virtual void InstallChangeHandler();
    virtual bool CanAdd(IShellFolder parentIShf, PCItemIDList parentAbsIdList, PCItemIDList itemRelIdList,
                        uint32_t attributes);
    virtual void DeviceChangeDetected(QObject* sender, uintptr_t wParam);
    void StartEditing(QListWidgetItem* item);
    int CompareItems(const TShellListItem* a, const TShellListItem* b) const;

    // Drop effects every selected item allows; none without a selection.
    Qt::DropActions GetDragDropAttributesForAllSelected();
    void OleBeginDrag();

    void BeginMenuOrDrag() { m_dragging = true; }
    void EndMenuOrDrag();

    QTimer* ChangeTimer() { return &m_timer; }
    bool RefreshPending() const { return m_refreshPending; }
    TChangeHandlerThread* Watcher() const { return m_watcher.get(); }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void ItemContextMenu(QListWidgetItem* item, QPoint& point, QMenu*& menu) override;

private:
    void HandleOnFolderChanged();
    void AMChangeNotify();
    void TimerElapsed();
    bool ShouldInclude(PCItemIDList itemRelIdList, uint32_t& attributes);
    void AddNewShellItem(PItemIDList itemRelIdList, uint32_t attributes);
    TShellListItem* MakeShellItem(PItemIDList itemRelIdList, uint32_t attributes);
    // One slice of the fill (at most sliceMs); true when the fill is done.
    bool FillStep(qint64 sliceMs);
    void FillTimerElapsed();
    void finishFill(bool runPendingRefresh);
    void endFill(bool runPendingRefresh);
    void InitColumns();
    // The widths of the columns go to the memory every list of the process shares.
    void rememberColumnWidths();
    void FilterPreApply();
    bool FilterApply(const QString& name, uint32_t attributes) const;
    void FilterPostApply() { m_matchSet.reset(); }
    void removeItem(QListWidgetItem* item);
    void clearItems();
    void itemEdited(QListWidgetItem* item);
    void ProcessMenuForAllSelected(QPoint point);
    // The lists of the selected items that have data, relative to the current folder.
    std::vector<PCItemIDList> selectedRelIdLists() const;
    uint32_t enumFlags() const;
    bool editing() const { return state() == QAbstractItemView::EditingState; }
    QByteArray dropFolderAt(const QPoint& pos, const QDropEvent* e, QListWidgetItem** item = nullptr);
    void setDropHighlight(QListWidgetItem* item);

    TNSShellListOptions m_options;
    QListWidgetItem* m_dropItem = nullptr;
    bool m_ownDrag = false;
    TNSCustomShellTree* m_tree = nullptr;
    IShellFolder m_folder;
    QByteArray m_folderIdList;
    int m_sortColumn = 1;
    bool m_widthsRemembered = false;
    bool m_columnClickSet = false;
    QTimer m_timer;
    // The fill under way: the items read, those made from them (sorted once all are made) and
    // how many of those the view holds.
    struct TFill {
        ~TFill();
        std::vector<PItemIDList> read;
        size_t next = 0;
        std::vector<TShellListItem*> made;
        size_t inserted = 0;
        bool sorted = false;
        bool resort = false;
    };
    static constexpr size_t kSyncFillLimit = 2000;
    static constexpr qint64 kFillSliceMs = 30;
    std::unique_ptr<TFill> m_fill;
    QTimer m_fillTimer;
    int m_reentrancy = 0;
    bool m_ignoreNext = false;
    bool m_dragging = false;
    bool m_refreshPending = false;
    QString m_newFolderName;
    QString m_fileFilter;
    QStringList m_masks;
    std::unique_ptr<QSet<QString>> m_matchSet;
    QListWidgetItem* m_editItem = nullptr;
    QString m_editOldText;
    std::unique_ptr<TChangeHandlerThread> m_watcher;
    int m_deviceListener = 0;
};

// The same control with its properties published.
class TNSShellList : public TNSCustomShellList {
    Q_OBJECT
public:
    using TNSCustomShellList::TNSCustomShellList;
};
