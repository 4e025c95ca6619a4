#include "shellcontrols/shell_tree.h"

#include "platform/byte_order.h"
#include "platform/message_box.h"
#include "platform/window_message.h"
#include "shellcontrols/image_combo.h"
#include "shellcontrols/shell_list.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QFileInfo>

namespace {

TShellTreeNode* AsNode(QTreeWidgetItem* item)
{
    return item && item->type() == TShellTreeNode::Type ? static_cast<TShellTreeNode*>(item) : nullptr;
}

} // namespace

TNSCustomShellTree::TNSCustomShellTree(QWidget* parent)
    : TNSCustomTreeView(parent),
      m_options(0xFFFFFFFFu & ~(TreeOption(ptstoDesignInteractive) | TreeOption(ptstoIncludeNonFolders)) &
                ((1u << 10) - 1))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Application->Guard([&] { TimerElapsed(); }); });
    BaseFolder.OnChange = [this](TNSShellLocator*) {
        SelectedFolder.Clear();
        if (HasOption(ptstoAutoFill)) {
            m_immediate = -1;
            FillItems();
        }
    };
    SelectedFolder.OnChange = [this](TNSShellLocator* l) {
        if (m_reentrancy < 1 && topLevelItemCount() > 0)
            DoSetSelectedIdList(l->IdList());
    };
    setIndentation(19);
    setRootIsDecorated(false);
    setIconSize(QSize(16, 16));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { Application->Guard([&] { Change(current); }); });
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { Application->Guard([&] { ExpandNode(node); }); });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* node, int) {
        if (node == m_editNode)
            Application->Guard([&] { itemEdited(node); });
    });
    m_deviceListener = NSDeviceChangeHandler()->Add(
        [this](QObject* sender, unsigned, uintptr_t wParam) { DeviceChangeDetected(sender, wParam); });
    setDragEnabled(HasOption(ptstoOleDrag));
    setAcceptDrops(HasOption(ptstoOleDrop));
    viewport()->setAcceptDrops(HasOption(ptstoOleDrop));
    // A node held under a drag opens after the hover time.
    setAutoExpandDelay(NSSH_AUTOOPEN_DELAY_MS);
    // The fill runs once the window is complete.
    PostMessage(this, AM_DEFERREDFILL, 0, 0);
}

TNSCustomShellTree::~TNSCustomShellTree()
{
    NSDeviceChangeHandler()->Remove(m_deviceListener);
    ++m_reentrancy;
    m_watcher.reset();
    clearNodes();
}

void TNSCustomShellTree::SetOptions(TNSShellTreeOptions options)
{
    const TNSShellTreeOptions old = m_options;
    m_options = options;
    setDragEnabled(HasOption(ptstoOleDrag));
    setAcceptDrops(HasOption(ptstoOleDrop));
    viewport()->setAcceptDrops(HasOption(ptstoOleDrop));
    if ((old ^ options) & TreeOption(ptstoDynamicRefresh)) {
        if (HasOption(ptstoDynamicRefresh))
            InstallChangeHandlersForAllLocalDrives();
        else if (m_watcher)
            m_watcher->CloseAllHandles();
    }
}

void TNSCustomShellTree::SetShellList(TNSCustomShellList* list)
{
    if (m_list && m_list != list)
        m_list->SetShellTree(nullptr);
    m_list = list;
    if (m_list) {
        m_list->SetShellTree(this);
        connect(m_list, &QObject::destroyed, this, [this, list] {
            if (m_list == list)
                m_list = nullptr;
        });
        m_list->SetFolder(&SelectedFolder);
    }
}

void TNSCustomShellTree::SetShellCombo(TNSCustomShellCombo* combo)
{
    m_combo = combo;
    if (m_combo)
        connect(m_combo, &QObject::destroyed, this, [this, combo] {
            if (m_combo == combo)
                m_combo = nullptr;
        });
}

// ---- selection ----

void TNSCustomShellTree::SetSelectedPathName(const QString& path)
{
    if (m_reentrancy < 1)
        SelectedFolder.SetPathName(path);
}

QString TNSCustomShellTree::GetSelectedPathName()
{
    TNSShTreeData* data = GetSelectedItem();
    return data ? data->PathName() : QString();
}

void TNSCustomShellTree::SetSelectedFolder(TNSShellLocator* locator)
{
    if (m_reentrancy > 0) {
        if (m_list)
            m_list->SetFolder(&SelectedFolder);
        return;
    }
    SelectedFolder.Assign(locator);
}

TNSShTreeData* TNSCustomShellTree::GetDataFromNode(QTreeWidgetItem* node)
{
    TShellTreeNode* n = AsNode(node);
    return n ? n->Data : nullptr;
}

TNSShTreeData* TNSCustomShellTree::GetSelectedItem() const
{
    return GetDataFromNode(currentItem());
}

QTreeWidgetItem* TNSCustomShellTree::GetFirstRootLevelShellNode() const
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (NodeHasData(topLevelItem(i)))
            return topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* TNSCustomShellTree::FindNodeWithIdList(QTreeWidgetItem* parentNode, PCItemIDList relIdList)
{
    const int count = parentNode ? parentNode->childCount() : topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* child = parentNode ? parentNode->child(i) : topLevelItem(i);
        TNSShTreeData* data = GetDataFromNode(child);
        if (!data)
            continue;
        IShellFolder parent = data->ParentIShf();
        if (parent && parent->CompareIDs(0, data->RelPidl(), relIdList) == S_OK)
            return child;
    }
    return nullptr;
}

void TNSCustomShellTree::DoSetSelectedIdList(PCItemIDList idList)
{
    if (m_reentrancy > 0)
        return;
    m_immediate = -1;
    TNSIdListArray base(BaseFolder.IdList()), target(idList);
    const int baseCount = base.GetCount(), targetCount = target.GetCount();
    setUpdatesEnabled(false);
    QTreeWidgetItem* node = GetFirstRootLevelShellNode();
    if (node && targetCount > baseCount) {
        node->setExpanded(true);
        for (int level = baseCount; level < targetCount; ++level) {
            QByteArray element = IdListBytes(target.GetItem(level));
            PCItemIDList item = reinterpret_cast<PCItemIDList>(element.constData());
            QTreeWidgetItem* child = FindNodeWithIdList(node, item);
            if (!child) {
                // A folder the last fill left out (hidden, or made since) is added on the way.
                TNSShTreeData* data = GetDataFromNode(node);
                m_lastInserted = nullptr;
                if (data && SUCCEEDED(AddNewShellNode(data->ThisIShf(), data->AbsPidl(), node, item)) && m_lastInserted) {
                    child = m_lastInserted;
                } else {
                    QApplication::beep();
                    break;
                }
            }
            node = child;
            const bool last = level == targetCount - 1;
            if (!last || (m_list && m_list->HasOption(ptsloHideFoldersWhenLinkedToTree)))
                node->setExpanded(true);
        }
    } else if (node && targetCount > 0) {
        node->setExpanded(true);
    }
    if (node) {
        setCurrentItem(node);
        scrollToItem(node);
    }
    setUpdatesEnabled(true);
}

void TNSCustomShellTree::Change(QTreeWidgetItem* node)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (m_reentrancy > 0) {
        if (data) {
            TNSCounter c(m_reentrancy);
            SelectedFolder.SetIdList(data->AbsPidl());
        }
        return;
    }
    if (OnChange)
        OnChange(this);
    if (!data)
        return;
    if (m_immediate == 0 && m_list) {
        // Keyboard moves tell the list once they rest.
        m_timer.stop();
        m_timerJob = 1;
        m_timer.start(NSSH_TREE_KEY_UPDATE_DELAY);
        return;
    }
    notifyLinked(node);
}

void TNSCustomShellTree::notifyLinked(QTreeWidgetItem* node)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (!data)
        return;
    {
        TNSCounter c(m_reentrancy);
        SelectedFolder.SetIdList(data->AbsPidl());
        if (m_list)
            m_list->TreeChanged(node);
        if (m_combo)
            m_combo->TreeChanged(node);
    }
    m_immediate = 0;
}

void TNSCustomShellTree::mousePressEvent(QMouseEvent* e)
{
    // A click tells the list at once.
    m_immediate = -1;
    TNSCustomTreeView::mousePressEvent(e);
    if (m_immediate == -1 && e->button() != Qt::LeftButton)
        m_immediate = 0;
}

void TNSCustomShellTree::GoUp(int levels)
{
    QTreeWidgetItem* node = currentItem();
    if (!node || !node->parent())
        return;
    for (int i = 0; i < levels && node->parent(); ++i)
        node = node->parent();
    m_immediate = -1;
    setCurrentItem(node);
}

void TNSCustomShellTree::Synchronize(bool all)
{
    if (all && m_list)
        m_list->Synchronize(false);
    if (m_timer.isActive())
        TimerElapsed();
}

void TNSCustomShellTree::TimerElapsed()
{
    m_timer.stop();
    const int job = m_timerJob;
    m_timerJob = 0;
    if (job == 1 && NodeHasData(currentItem()))
        notifyLinked(currentItem());
    else if (job == 2)
        RefreshNodes();
}

// ---- filling ----

uint32_t TNSCustomShellTree::enumFlags() const
{
    uint32_t flags = SHCONTF_FOLDERS;
    if (HasOption(ptstoShowHidden))
        flags |= SHCONTF_INCLUDEHIDDEN;
    if (HasOption(ptstoIncludeNonFolders))
        flags |= SHCONTF_NONFOLDERS;
    return flags;
}

void TNSCustomShellTree::removeNode(QTreeWidgetItem* node)
{
    for (int i = node->childCount() - 1; i >= 0; --i)
        removeNode(node->child(i));
    Delete(node);
    if (m_lastInserted == node)
        m_lastInserted = nullptr;
    if (m_editNode == node)
        m_editNode = nullptr;
    if (m_dropNode == node)
        m_dropNode = nullptr;
    delete node;
}

void TNSCustomShellTree::clearNodes()
{
    TNSCounter c(m_reentrancy);
    setCurrentItem(nullptr);
    while (topLevelItemCount() > 0)
        removeNode(topLevelItem(topLevelItemCount() - 1));
}

void TNSCustomShellTree::Delete(QTreeWidgetItem* node)
{
    if (TShellTreeNode* n = AsNode(node)) {
        if (OnDeleteItem)
            OnDeleteItem(this, node, n->Data);
        delete n->Data;
        n->Data = nullptr;
    }
}

void TNSCustomShellTree::FillItems()
{
    if (m_dragging || editing()) {
        m_refreshPending = true;
        return;
    }
    TNSBusyCursor busy;
    clearNodes();
    IShellFolder folder;
    PCItemIDList base = BaseFolder.IdList();
    const HRESULT hr = base && ReadLE16(base) ? ShellGetFolderFromIdList(base, folder) : ShellGetDesktopFolder(folder);
    NSRaiseOnFailure(hr);
    FillTree(folder, nullptr);
    if (!SelectedFolder.IdList()) {
        if (topLevelItemCount() > 0)
            setCurrentItem(topLevelItem(0));
    } else {
        DoSetSelectedIdList(SelectedFolder.IdList());
    }
    Synchronize(false);
    if (HasOption(ptstoDynamicRefresh))
        InstallChangeHandlersForAllLocalDrives();
}

void TNSCustomShellTree::FillTree(IShellFolder folder, QTreeWidgetItem* parentNode)
{
    if (OnFillStart)
        OnFillStart(this);
    struct Complete {
        TNSCustomShellTree* tree;
        ~Complete()
        {
            if (tree->OnFillComplete)
                tree->OnFillComplete(tree);
        }
    } complete{this};
    QTreeWidgetItem* node = parentNode;
    QByteArray abs;
    bool madeRoot = false;
    if (!parentNode) {
        PCItemIDList base = BaseFolder.IdList();
        abs = IdListBytes(base);
        auto* root = new TShellTreeNode;
        root->setText(0, ShellGetFriendlyNameForLastIdListElement(reinterpret_cast<PCItemIDList>(abs.constData())));
        auto* data = new TNSShTreeData(this);
        data->SetData(nullptr, reinterpret_cast<PCItemIDList>(abs.constData()));
        data->SetThisIShf(folder);
        root->Data = data;
        root->setIcon(0, TSystemImageList::Instance().Icon(ShellGetIconIndex(data->AbsPidl(), SHGFI_SMALLICON)));
        root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        addTopLevelItem(root);
        m_lastInserted = root;
        if (OnInsertItem)
            OnInsertItem(this, root);
        node = root;
        madeRoot = true;
    } else {
        TNSShTreeData* data = GetDataFromNode(parentNode);
        if (!data)
            return;
        abs = IdListBytes(data->AbsPidl());
    }
    std::unique_ptr<TEnumIDList> items;
    if (FAILED(folder->EnumObjects(NSOwnerForm(this), enumFlags(), items))) {
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        return;
    }
    HRESULT hr;
    PItemIDList item = nullptr;
    while ((hr = items->Next(item)) == S_OK) {
        TPidlHolder hold(item);
        const HRESULT added = AddNewShellNode(folder, reinterpret_cast<PCItemIDList>(abs.constData()), node, item);
        // An item that went between the listing and its attributes is no error.
        if (added != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
            NSRaiseOnFailure(added);
    }
    if (node->childCount() == 0)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    if (hr != S_FALSE && hr != E_FAIL)
        NSRaiseOnFailure(hr);
    SortNode(node);
    if (madeRoot)
        node->setExpanded(true);
    watchFilledFolder(node);
}

HRESULT TNSCustomShellTree::AddNewShellNode(IShellFolder parentIShf, PCItemIDList parentAbsIdList,
                                            QTreeWidgetItem* parentNode, PCItemIDList itemRelIdList)
{
    if (!itemRelIdList)
        return S_OK;
    uint32_t attributes = 0xF20B0000;
    PCItemIDList items[1] = {itemRelIdList};
    const HRESULT hr = parentIShf->GetAttributesOf(1, items, attributes);
    if (FAILED(hr))
        return hr;
    if (!HasOption(ptstoVirtualFolders) && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return S_OK;
    if (!CanAdd(parentIShf, parentAbsIdList, itemRelIdList, attributes))
        return S_OK;
    auto* node = new TShellTreeNode;
    QString text;
    parentIShf->GetDisplayNameOf(itemRelIdList, SHGDN_INFOLDER, text);
    node->setText(0, text);
    const bool children = HasOption(ptstoIncludeNonFolders)
                              ? (attributes & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER))
                              : ((attributes & SFGAO_FOLDER) && (attributes & SFGAO_HASSUBFOLDER));
    node->setChildIndicatorPolicy(children ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
    if (attributes & SFGAO_GHOSTED)
        node->setForeground(0, palette().color(QPalette::Disabled, QPalette::Text));
    auto* data = new TNSShTreeData(this);
    data->SetData(GetDataFromNode(parentNode), itemRelIdList);
    node->Data = data;
    node->setIcon(0, TSystemImageList::Instance().Icon(ShellGetIconIndex(data->AbsPidl(), SHGFI_SMALLICON)));
    if (parentNode)
        parentNode->addChild(node);
    else
        addTopLevelItem(node);
    m_lastInserted = node;
    if (OnInsertItem)
        OnInsertItem(this, node);
    return S_OK;
}

bool TNSCustomShellTree::CanAdd(IShellFolder parentIShf, PCItemIDList parentAbsIdList, PCItemIDList itemRelIdList,
                                uint32_t attributes)
{
    bool allow = true;
    if (OnAddItem)
        OnAddItem(this, parentIShf, parentAbsIdList, itemRelIdList, attributes, allow);
    return allow;
}

void TNSCustomShellTree::SortNode(QTreeWidgetItem* node)
{
    if (!node)
        return;
    // Each child's key is read once: compared pair by pair, a folder that comes or goes
    // meanwhile would move in mid-sort, and a sort given no steady order runs off its ends.
    struct Keyed {
        QTreeWidgetItem* node;
        bool known;
        TItemSortKey key;
    };
    std::vector<Keyed> keyed;
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    keyed.reserve(size_t(children.size()));
    for (QTreeWidgetItem* child : children) {
        TNSShTreeData* data = GetDataFromNode(child);
        IShellFolder parent = data ? data->ParentIShf() : IShellFolder();
        keyed.push_back({child, bool(parent), parent ? parent->SortKeyOf(data->RelPidl()) : TItemSortKey()});
    }
    // Nodes without an item go last.
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.known != b.known)
            return a.known;
        return a.known && CompareSortKeys(a.key, b.key, 0) < 0;
    });
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(children.size());
    for (const Keyed& k : keyed)
        sorted.append(k.node);
    node->addChildren(sorted);
}

void TNSCustomShellTree::ExpandNode(QTreeWidgetItem* node)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (!data || node->childCount() > 0 || node->childIndicatorPolicy() != QTreeWidgetItem::ShowIndicator)
        return;
    TNSBusyCursor busy;
    FillTree(data->ThisIShf(), node);
}

void TNSCustomShellTree::RefreshNodes()
{
    if (m_dragging || editing()) {
        m_refreshPending = true;
        return;
    }
    // A base folder set while the tree could not fill (a menu or drag ran) is filled.
    TNSShTreeData* root = GetDataFromNode(topLevelItem(0));
    if (!root || IdListBytes(root->AbsPidl()) != IdListBytes(BaseFolder.IdList())) {
        FillItems();
        return;
    }
    m_refreshPending = false;
    TNSBusyCursor busy;
    if (OnFillStart)
        OnFillStart(this);
    QTreeWidgetItem* selected = currentItem();
    QByteArray selectedPidl = NodeHasData(selected) ? IdListBytes(GetDataFromNode(selected)->AbsPidl()) : QByteArray();
    {
        TNSCounter c(m_reentrancy);
        setCurrentItem(nullptr);
        if (QTreeWidgetItem* root = topLevelItem(0))
            refreshNode(root);
    }
    // The selection comes back, or its nearest remaining ancestor; its list is told at once.
    m_immediate = -1;
    if (!selectedPidl.isEmpty())
        DoSetSelectedIdList(reinterpret_cast<PCItemIDList>(selectedPidl.constData()));
    m_immediate = 0;
    if (OnFillComplete)
        OnFillComplete(this);
}

void TNSCustomShellTree::refreshNode(QTreeWidgetItem* node)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (!data || node->childCount() == 0)
        return;
    IShellFolder folder = data->ThisIShf();
    // Nodes are matched by their items' bytes: the folder's own order reads each entry's
    // state as it compares, and an entry that comes or goes meanwhile would break the search,
    // so that a node still there would be taken for gone and come back closed.
    TNSPidlList present, found;
    found.Allocator = ShellIMalloc();
    for (int i = 0; i < node->childCount(); ++i)
        if (TNSShTreeData* d = GetDataFromNode(node->child(i)))
            present.AddObject(const_cast<PItemIDList>(d->RelPidl()), node->child(i));
    present.Duplicates = dupAccept;
    present.SetSorted(true);
    std::unique_ptr<TEnumIDList> items;
    if (FAILED(folder->EnumObjects(NSOwnerForm(this), enumFlags(), items)))
        return;
    found.Duplicates = dupIgnore;
    found.SetSorted(true);
    PItemIDList item = nullptr;
    while (items->Next(item) == S_OK) {
        const int before = found.Count();
        const int at = found.Add(item);
        if (found.Count() == before || found.PIDL(at) != item)
            ShellMemFree(item);
    }
    for (int i = found.Count() - 1; i >= 0; --i) {
        const int k = present.IndexOf(found.PIDL(i));
        if (k >= 0) {
            present.Delete(k);
            found.Delete(i);
        }
    }
    for (int i = 0; i < present.Count(); ++i) {
        auto* gone = static_cast<QTreeWidgetItem*>(present.Object(i));
        removeNode(gone);
    }
    const QByteArray abs = IdListBytes(data->AbsPidl());
    for (int i = 0; i < found.Count(); ++i)
        AddNewShellNode(folder, reinterpret_cast<PCItemIDList>(abs.constData()), node, found.PIDL(i));
    if (found.Count() > 0)
        SortNode(node);
    if (node->childCount() == 0)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    for (int i = 0; i < node->childCount(); ++i)
        refreshNode(node->child(i));
}

// ---- watching ----

void TNSCustomShellTree::InstallChangeHandler(const QString& path)
{
    if (!m_watcher)
        m_watcher = std::make_unique<TChangeHandlerThread>(this, AM_CHANGENOTIFY);
    if (path.isEmpty()) {
        m_watcher->CloseAllHandles();
        m_watchRoots.clear();
        return;
    }
    uint32_t filter = FILE_NOTIFY_CHANGE_DIR_NAME;
    if (HasOption(ptstoIncludeNonFolders))
        filter |= FILE_NOTIFY_CHANGE_FILE_NAME;
    int index = -1;
    if (m_watcher->AddChangeHandle(path, filter, index, true))
        m_watchRoots[index] = EncodeNativeName(path);
}

void TNSCustomShellTree::InstallChangeHandlersForAllLocalDrives()
{
    if (!m_watcher)
        m_watcher = std::make_unique<TChangeHandlerThread>(this, AM_CHANGENOTIFY);
    m_watcher->CloseAllHandles();
    m_watchRoots.clear();
    // Removable and optical drives are not watched.
    for (const TShellDrive& d : ShellDrives())
        if (d.Type == DRIVE_FIXED || d.Type == DRIVE_REMOTE)
            InstallChangeHandler(DecodeNativeName(d.MountPoint));
    std::function<void(QTreeWidgetItem*)> visit = [&](QTreeWidgetItem* node) {
        if (node->childCount() > 0) {
            watchFilledFolder(node);
            for (int i = 0; i < node->childCount(); ++i)
                visit(node->child(i));
        }
    };
    for (int i = 0; i < topLevelItemCount(); ++i)
        visit(topLevelItem(i));
}

void TNSCustomShellTree::watchFilledFolder(QTreeWidgetItem* node)
{
    // A drive's watch covers the folders the tree has filled below it.
    TNSShTreeData* data = GetDataFromNode(node);
    if (!m_watcher || !data || !HasOption(ptstoDynamicRefresh))
        return;
    const QByteArray path = EncodeNativeName(data->PathName());
    if (path.isEmpty())
        return;
    int best = -1;
    qsizetype bestLen = -1;
    for (const auto& [slot, root] : m_watchRoots) {
        const bool under = root == "/" ? path.startsWith('/') : (path == root || path.startsWith(root + '/'));
        if (under && root.size() > bestLen) {
            best = slot;
            bestLen = root.size();
        }
    }
    if (best >= 0 && path != m_watchRoots[best])
        m_watcher->AddSubtreeFolder(best, DecodeNativeName(path));
}

void TNSCustomShellTree::AMChangeNotify()
{
    if (m_ignoreNext) {
        m_ignoreNext = false;
        return;
    }
    // A change during a menu or drag is kept for its end.
    if (m_dragging) {
        m_refreshPending = true;
        return;
    }
    m_timer.stop();
    m_timerJob = 2;
    m_timer.start(hasFocus() ? NSSH_CHANGE_NOTIFY_FASTDELAY : NSSH_CHANGE_NOTIFY_DELAY);
}

void TNSCustomShellTree::EndMenuOrDrag()
{
    m_dragging = false;
    if (m_refreshPending) {
        m_refreshPending = false;
        RefreshNodes();
    }
}

void TNSCustomShellTree::DeviceChangeDetected(QObject*, uintptr_t wParam)
{
    if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE)
        return;
    FlushDriveInfoCache();
    TNSDriveInfoCacheLock lock;
    RefreshNodes();
    if (HasOption(ptstoDynamicRefresh))
        InstallChangeHandlersForAllLocalDrives();
}

bool TNSCustomShellTree::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        Application->Guard([&] {
            if (m->Msg == AM_CHANGENOTIFY)
                AMChangeNotify();
            else if (m->Msg == AM_DEFERREDFILL && topLevelItemCount() == 0 && HasOption(ptstoAutoFill))
                FillItems();
        });
        return true;
    }
    return TNSCustomTreeView::event(e);
}

// ---- verbs, keys, renaming ----

void TNSCustomShellTree::DoCommandForNode(QTreeWidgetItem* node, const QString& verb)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (!data || !node->parent())
        return;
    std::unique_ptr<TContextMenu> menu;
    NSRaiseOnFailure(NSGetContextMenu(data->ParentIShf(), {data->RelPidl()}, NSOwnerForm(this), menu));
    const HRESULT hr = NSInvokeVerb(menu.get(), verb, NSOwnerForm(this));
    RefreshNodes();
    NSRaiseOnFailure(hr);
}

void TNSCustomShellTree::StartEditing(QTreeWidgetItem* node)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (!node || (data && !data->Editable()))
        return;
    // Taken as the edited node only once it can be edited, so that the change of its flags
    // is no edit.
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    m_editNode = node;
    m_editOldText = node->text(0);
    editItem(node, 0);
}

void TNSCustomShellTree::itemEdited(QTreeWidgetItem* node)
{
    m_editNode = nullptr;
    {
        QSignalBlocker block(this);
        node->setFlags(node->flags() & ~Qt::ItemIsEditable);
    }
    const QString name = node->text(0);
    TNSShTreeData* data = GetDataFromNode(node);
    if (!data || name.isEmpty() || name == m_editOldText) {
        QSignalBlocker block(this);
        node->setText(0, m_editOldText);
        return;
    }
    TNSBusyCursor busy;
    // The change this rename causes is not a refresh of its own.
    m_ignoreNext = true;
    HRESULT hr;
    PItemIDList newItem = nullptr;
    {
        TNSCounter c(m_reentrancy);
        hr = data->ParentIShf()->SetNameOf(NSOwnerForm(this), data->RelPidl(), name, 0x20, &newItem);
    }
    if (FAILED(hr)) {
        // The rename never happened: the next change is a real one.
        m_ignoreNext = false;
        QSignalBlocker block(this);
        node->setText(0, m_editOldText);
        NSRaiseOnFailure(hr);
        return;
    }
    TPidlHolder hold(newItem);
    std::function<void(QTreeWidgetItem*)> flush = [&](QTreeWidgetItem* n) {
        if (TNSShTreeData* d = GetDataFromNode(n))
            d->Flush();
        for (int i = 0; i < n->childCount(); ++i)
            flush(n->child(i));
    };
    flush(node);
    data->SetRelPidl(newItem);
    {
        TNSCounter c(m_reentrancy);
        SelectedFolder.SetIdList(data->AbsPidl());
        if (m_list)
            m_list->Folder.SetIdList(data->AbsPidl());
    }
    if (m_refreshPending) {
        m_refreshPending = false;
        RefreshNodes();
    }
}

bool TNSCustomShellTree::CreateNewFolder()
{
    const QString path = GetSelectedPathName();
    m_ignoreNext = true;
    QString newName;
    if (!NSShCreateNewFolder(path, newName)) {
        m_ignoreNext = false;
        return false;
    }
    // The folder is there once made: the nodes show it at once, no wait is needed.
    RefreshNodes();
    if (QTreeWidgetItem* node = currentItem()) {
        node->setExpanded(true);
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->text(0) == newName) {
                StartEditing(node->child(i));
                break;
            }
    }
    return true;
}

void TNSCustomShellTree::keyPressEvent(QKeyEvent* e)
{
    if (editing() || !HasOption(ptstoDefaultKeyHandling)) {
        TNSCustomTreeView::keyPressEvent(e);
        return;
    }
    const TShortCut s = ShortCutOfKey(e);
    QTreeWidgetItem* node = currentItem();
    auto is = [&](TShellKey k) { return s != 0 && s == ShellKey(k); };
    Application->Guard([&] {
        if (is(skEdit))
            StartEditing(node);
        else if (is(skRefresh))
            RefreshNodes();
        else if (is(skCut))
            DoCommandForNode(node, QStringLiteral("cut"));
        else if (is(skCopy))
            DoCommandForNode(node, QStringLiteral("copy"));
        else if (is(skPaste))
            DoCommandForNode(node, QStringLiteral("paste"));
        else if (is(skDelete) || (s & ~scShift) == ShellKey(skDelete))
            DoCommandForNode(node, QStringLiteral("delete"));
        else
            TNSCustomTreeView::keyPressEvent(e);
    });
}

// ---- context menu ----

void TNSCustomShellTree::NodeContextMenu(QTreeWidgetItem* node, QPoint& point, QMenu*& menu)
{
    TNSCustomTreeView::NodeContextMenu(node, point, menu);
    if (HasOption(ptstoContextMenus) && node) {
        menu = nullptr;
        Application->Guard([&] { ProcessMenu(node, point); });
    }
}

void TNSCustomShellTree::ProcessMenu(QTreeWidgetItem* node, QPoint point)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (!data || !node->parent())
        return;
    PCItemIDList abs = data->AbsPidl();
    if (!abs || ReadLE16(abs) == 0)
        return;
    std::unique_ptr<TContextMenu> shellMenu;
    if (FAILED(NSGetContextMenu(data->ParentIShf(), {data->RelPidl()}, NSOwnerForm(this), shellMenu)))
        return;
    QMenu popup(this);
    NSFillShellMenu(popup, shellMenu.get(), 1000, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME,
                    [this](const QString& hint) {
                        if (OnPopupHint)
                            OnPopupHint(this, hint);
                    });
    BeginMenuOrDrag();
    QAction* chosen = popup.exec(viewport()->mapToGlobal(point));
    m_dragging = false;
    const int id = chosen ? chosen->data().toInt() : 0;
    if (id == 1000 + verbRename) {
        StartEditing(node);
    } else if (id >= 1000) {
        const HRESULT hr = shellMenu->InvokeCommand(NSOwnerForm(this), id - 1000);
        m_refreshPending = true;
        NSRaiseOnFailure(hr);
    }
    EndMenuOrDrag();
}

// ---- drag and drop ----

Qt::DropActions TNSCustomShellTree::GetDragDropAttributesForNode(QTreeWidgetItem* node)
{
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    TNSShTreeData* data = GetDataFromNode(node);
    IShellFolder parent = data ? data->ParentIShf() : IShellFolder();
    if (!parent)
        return all;
    uint32_t attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    PCItemIDList items[1] = {data->RelPidl()};
    if (FAILED(parent->GetAttributesOf(1, items, attributes)))
        return all;
    return DropActionsOfAttributes(attributes);
}

void TNSCustomShellTree::OleBeginDrag(QTreeWidgetItem* node)
{
    TNSShTreeData* data = GetDataFromNode(node);
    if (!data || !node->parent() || !data->Parent())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(MakeShellItemsData(data->Parent()->AbsPidl(), {data->RelPidl()}, false));
    drag->setPixmap(node->icon(0).pixmap(16, 16));
    BeginMenuOrDrag();
    const Qt::DropAction done = drag->exec(GetDragDropAttributesForNode(node), Qt::CopyAction);
    m_dragging = false;
    if (done != Qt::IgnoreAction)
        m_refreshPending = true;
    EndMenuOrDrag();
}

void TNSCustomShellTree::startDrag(Qt::DropActions)
{
    if (HasOption(ptstoOleDrag))
        Application->Guard([&] { OleBeginDrag(currentItem()); });
}

QByteArray TNSCustomShellTree::dropFolderAt(const QPoint& pos, QTreeWidgetItem** nodeOut)
{
    QTreeWidgetItem* node = itemAt(pos);
    TNSShTreeData* data = GetDataFromNode(node);
    if (nodeOut)
        *nodeOut = node;
    if (!data)
        return QByteArray();
    const QByteArray path = EncodeNativeName(data->PathName());
    return IsWritableFolder(path) ? path : QByteArray();
}

void TNSCustomShellTree::setDropHighlight(QTreeWidgetItem* node)
{
    if (m_dropNode == node)
        return;
    if (m_dropNode)
        m_dropNode->setBackground(0, QBrush());
    m_dropNode = node;
    if (m_dropNode)
        m_dropNode->setBackground(0, NSDropHighlightColor(this));
}

void TNSCustomShellTree::dragEnterEvent(QDragEnterEvent* e)
{
    if (HasOption(ptstoOleDrop) && !ShellItemsPaths(e->mimeData()).isEmpty())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TNSCustomShellTree::dragMoveEvent(QDragMoveEvent* e)
{
    // The view scrolls near its edges and opens the node held under the mouse.
    TNSCustomTreeView::dragMoveEvent(e);
    QTreeWidgetItem* node = nullptr;
    const QByteArray target = dropFolderAt(e->position().toPoint(), &node);
    if (target.isEmpty() || !HasOption(ptstoOleDrop)) {
        setDropHighlight(nullptr);
        e->ignore();
        return;
    }
    setDropHighlight(node);
    e->acceptProposedAction();
}

void TNSCustomShellTree::dragLeaveEvent(QDragLeaveEvent* e)
{
    setDropHighlight(nullptr);
    TNSCustomTreeView::dragLeaveEvent(e);
}

void TNSCustomShellTree::dropEvent(QDropEvent* e)
{
    setDropHighlight(nullptr);
    const QByteArray target = dropFolderAt(e->position().toPoint());
    const QList<QByteArray> paths = ShellItemsPaths(e->mimeData());
    if (target.isEmpty() || paths.isEmpty() || !HasOption(ptstoOleDrop)) {
        e->ignore();
        return;
    }
    NSTakeDrop(e, target, paths, [this] { RefreshNodes(); });
}
