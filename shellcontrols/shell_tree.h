#pragma once
// The shell folder tree: one root for its base folder, children filled when a node opens,
// renaming, verbs on the shell keys, and folder watching with a deferred refresh.
#include "shellcontrols/change_handler.h"
#include "shellcontrols/shell_controls.h"
#include "shellcontrols/tree_list.h"

#include <QTimer>
#include <map>
#include <memory>

class TNSCustomShellList;
class TNSCustomShellCombo;

enum TNSShellTreeOption {
    ptstoAutoFill, ptstoVirtualFolders, ptstoDesignInteractive, ptstoDefaultKeyHandling, ptstoContextMenus,
    ptstoDynamicRefresh, ptstoIncludeNonFolders, ptstoOleDrag, ptstoOleDrop, ptstoShowHidden
};
using TNSShellTreeOptions = uint32_t;
constexpr TNSShellTreeOptions TreeOption(TNSShellTreeOption o) { return 1u << o; }

constexpr int NSSH_CHANGE_NOTIFY_DELAY = 2000;
constexpr int NSSH_CHANGE_NOTIFY_FASTDELAY = 400;
constexpr int NSSH_TREE_KEY_UPDATE_DELAY = 500;
constexpr int NSSH_AUTOOPEN_DELAY_MS = 400;
constexpr unsigned AM_DEFERREDEDIT = 1126;
constexpr unsigned AM_DEFERREDFILL = 1127;

// A node of the tree; Data is nil for a node that stands for no shell item.
class TShellTreeNode : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 61;
    TShellTreeNode() : QTreeWidgetItem(Type) {}
    ~TShellTreeNode() override { delete Data; }
    TNSShTreeData* Data = nullptr;
};

class TNSCustomShellTree : public TNSCustomTreeView {
    Q_OBJECT
public:
    explicit TNSCustomShellTree(QWidget* parent = nullptr);
    ~TNSCustomShellTree() override;

    TNSShellLocator BaseFolder;
    TNSShellLocator SelectedFolder;

    using TNSShAddItemEvent = std::function<void(QObject*, IShellFolder, PCItemIDList, PCItemIDList, uint32_t, bool&)>;
    TNSShAddItemEvent OnAddItem;
    std::function<void(QObject*, QTreeWidgetItem*, TNSShTreeData*)> OnDeleteItem;
    std::function<void(QObject*, QTreeWidgetItem*)> OnInsertItem;
    // The help text of the shell menu item under the mouse.
    std::function<void(QObject*, const QString&)> OnPopupHint;
    std::function<void(QObject*)> OnFillStart, OnFillComplete, OnChange;

    TNSShellTreeOptions Options() const { return m_options; }
    void SetOptions(TNSShellTreeOptions options);
    bool HasOption(TNSShellTreeOption o) const { return m_options & TreeOption(o); }

    TNSCustomShellList* ShellList() const { return m_list; }
    void SetShellList(TNSCustomShellList* list);
    TNSCustomShellCombo* ShellCombo() const { return m_combo; }
    void SetShellCombo(TNSCustomShellCombo* combo);

    void SetSelectedPathName(const QString& path);
    QString GetSelectedPathName();
    void DoSetSelectedIdList(PCItemIDList idList);
    void SetSelectedFolder(TNSShellLocator* locator);

    void FillItems();
    void RefreshNodes();
    void GoUp(int levels);
    bool CreateNewFolder();
    void Synchronize(bool all);

    TNSShTreeData* GetSelectedItem() const;
    static TNSShTreeData* GetDataFromNode(QTreeWidgetItem* node);
    static bool NodeHasData(QTreeWidgetItem* node) { return GetDataFromNode(node) != nullptr; }
    QTreeWidgetItem* GetFirstRootLevelShellNode() const;
    QTreeWidgetItem* FindNodeWithIdList(QTreeWidgetItem* parentNode, PCItemIDList relIdList);
    void DoCommandForNode(QTreeWidgetItem* node, const QString& verb);

    virtual void InstallChangeHandler(const QString& path);
    void InstallChangeHandlersForAllLocalDrives();
    virtual HRESULT AddNewShellNode(IShellFolder parentIShf, PCItemIDList parentAbsIdList, QTreeWidgetItem* parentNode,
                                    PCItemIDList itemRelIdList);
    virtual bool CanAdd(IShellFolder parentIShf, PCItemIDList parentAbsIdList, PCItemIDList itemRelIdList, uint32_t attributes);
    virtual void DeviceChangeDetected(QObject* sender, uintptr_t wParam);
    virtual void FillTree(IShellFolder folder, QTreeWidgetItem* parentNode);
    void StartEditing(QTreeWidgetItem* node);

    // Drop effects the node's item allows: copy, move and link, all three without shell data.
    Qt::DropActions GetDragDropAttributesForNode(QTreeWidgetItem* node);
    // Drags the node as shell items; the root is never dragged.
    void OleBeginDrag(QTreeWidgetItem* node);

    // Shell menus and drags running: fills and refreshes wait for their end.
    void BeginMenuOrDrag() { m_dragging = true; }
    void EndMenuOrDrag();

    // State the tests look at.
    QTimer* ChangeTimer() { return &m_timer; }
    int TimerJob() const { return m_timerJob; }
    bool RefreshPending() const { return m_refreshPending; }
    bool IgnoreNextNotification() const { return m_ignoreNext; }
    TChangeHandlerThread* Watcher() const { return m_watcher.get(); }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void Delete(QTreeWidgetItem* node) override;
    void NodeContextMenu(QTreeWidgetItem* node, QPoint& point, QMenu*& menu) override;

private:
    void Change(QTreeWidgetItem* node);
    void notifyLinked(QTreeWidgetItem* node);
    void TimerElapsed();
    void AMChangeNotify();
    void ExpandNode(QTreeWidgetItem* node);
    void SortNode(QTreeWidgetItem* node);
    void refreshNode(QTreeWidgetItem* node);
    void removeNode(QTreeWidgetItem* node);
    void clearNodes();
    void itemEdited(QTreeWidgetItem* node);
    void ProcessMenu(QTreeWidgetItem* node, QPoint point);
    uint32_t enumFlags() const;
    void watchFilledFolder(QTreeWidgetItem* node);
    bool editing() const { return state() == QAbstractItemView::EditingState; }
    QByteArray dropFolderAt(const QPoint& pos, QTreeWidgetItem** node = nullptr);
    void setDropHighlight(QTreeWidgetItem* node);

    TNSShellTreeOptions m_options;
    QTreeWidgetItem* m_dropNode = nullptr;
    TNSCustomShellList* m_list = nullptr;
    TNSCustomShellCombo* m_combo = nullptr;
    QTimer m_timer;
    int m_timerJob = 0;
    int m_reentrancy = 0;
    int m_immediate = 0;
    bool m_ignoreNext = false;
    bool m_dragging = false;
    bool m_refreshPending = false;
    QTreeWidgetItem* m_lastInserted = nullptr;
    QTreeWidgetItem* m_editNode = nullptr;
    QString m_editOldText;
    std::unique_ptr<TChangeHandlerThread> m_watcher;
    std::map<int, QByteArray> m_watchRoots;
    int m_deviceListener = 0;
};

// The same control with its properties published.
class TNSShellTree : public TNSCustomShellTree {
    Q_OBJECT
public:
    using TNSCustomShellTree::TNSCustomShellTree;
};
