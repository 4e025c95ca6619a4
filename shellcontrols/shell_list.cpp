#include "shellcontrols/shell_list.h"

#include "lang/string_ids.h"
#include "platform/byte_order.h"
#include "platform/cursors.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/window_message.h"
#include "shellcontrols/shell_tree.h"

#include <QApplication>
#include <QDrag>
#include <QElapsedTimer>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRegularExpression>
#include <dirent.h>
#include <limits>

namespace {

TShellListItem* AsItem(QListWidgetItem* item)
{
    return item && item->type() == TShellListItem::Type ? static_cast<TShellListItem*>(item) : nullptr;
}

const TShellListItem* AsItem(const QListWidgetItem* item)
{
    return item && item->type() == TShellListItem::Type ? static_cast<const TShellListItem*>(item) : nullptr;
}

} // namespace

// ---- items ----

QVariant TShellListItem::data(int role) const
{
    if (Data && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        // The caption is kept once read, so every reader (a drag of all items included) sees it.
        const QVariant text = QListWidgetItem::data(role);
        if (!text.toString().isEmpty())
            return text;
        const QString name = Data->DisplayName();
        const_cast<TShellListItem*>(this)->QListWidgetItem::setData(Qt::DisplayRole, name);
        return name;
    }
    if (Data && role == Qt::DecorationRole) {
        if (m_icon < 0)
            m_icon = ShellGetIconIndex(Data->AbsoluteIdList(), SHGFI_SMALLICON);
        return TSystemImageList::Instance().Icon(m_icon);
    }
    return QListWidgetItem::data(role);
}

bool TShellListItem::operator<(const QListWidgetItem& other) const
{
    const TShellListItem* o = AsItem(&other);
    if (!Owner || !o)
        return QListWidgetItem::operator<(other);
    return Owner->CompareItems(this, o) < 0;
}

// ---- list ----

TNSCustomShellList::TNSCustomShellList(QWidget* parent)
    : TNSCustomListView(parent),
      m_options(ListOption(ptsloAutoFill) | ListOption(ptsloNonFilesystemAncestors) |
                ListOption(ptsloDefaultKeyHandling) | ListOption(ptsloContextMenus) | ListOption(ptsloDynamicRefresh) |
                ListOption(ptsloOleDrag) | ListOption(ptsloOleDrop) | ListOption(ptsloFolderContextMenu) |
                ListOption(ptsloShowHidden))
{
    Folder.OnChange = [this](TNSShellLocator*) { Application->Guard([&] { HandleOnFolderChanged(); }); };
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Application->Guard([&] { TimerElapsed(); }); });
    connect(&m_fillTimer, &QTimer::timeout, this,
            [this] { Application->Guard([&] { FillTimerElapsed(); }); });
    // A big folder's names are laid out a batch at a time too.
    setLayoutMode(QListView::Batched);
    setBatchSize(500);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (item == m_editItem)
            Application->Guard([&] { itemEdited(item); });
    });
    m_deviceListener = NSDeviceChangeHandler()->Add(
        [this](QObject* sender, unsigned, uintptr_t wParam) { DeviceChangeDetected(sender, wParam); });
    setDragEnabled(true);
    setAcceptDrops(HasOption(ptsloOleDrop));
    viewport()->setAcceptDrops(HasOption(ptsloOleDrop));
    PostMessage(this, AM_DEFERREDFILL, 0, 0);
}

TNSCustomShellList::~TNSCustomShellList()
{
    NSDeviceChangeHandler()->Remove(m_deviceListener);
    rememberColumnWidths();
    m_watcher.reset();
    m_fill.reset();
    ++m_reentrancy;
    clearItems();
}

void TNSCustomShellList::SetOptions(TNSShellListOptions options)
{
    const TNSShellListOptions old = m_options;
    m_options = options;
    if ((old ^ options) & ListOption(ptsloDynamicRefresh)) {
        if (HasOption(ptsloDynamicRefresh))
            InstallChangeHandler();
        else if (m_watcher)
            m_watcher->CloseAllHandles();
    }
    if ((old ^ options) & (ListOption(ptsloHideFoldersWhenLinkedToTree) | ListOption(ptsloShowHidden)))
        RefreshItems();
    // The program's own drag when the shell's drag is off.
    setDragEnabled(true);
    setAcceptDrops(HasOption(ptsloOleDrop));
    viewport()->setAcceptDrops(HasOption(ptsloOleDrop));
}

PCItemIDList TNSCustomShellList::CurrentFolderIdList() const
{
    return m_folderIdList.isEmpty() ? nullptr : reinterpret_cast<PCItemIDList>(m_folderIdList.constData());
}

TNSShListData* TNSCustomShellList::DataOf(const QListWidgetItem* item)
{
    const TShellListItem* i = AsItem(item);
    return i ? i->Data : nullptr;
}

void TNSCustomShellList::HandleOnFolderChanged()
{
    if (m_reentrancy <= 0) {
        TNSCounter c(m_reentrancy);
        if (m_tree)
            m_tree->DoSetSelectedIdList(Folder.IdList());
        FillItems();
    }
    if (OnFolderChanged)
        OnFolderChanged(this);
}

void TNSCustomShellList::TreeChanged(QTreeWidgetItem* node)
{
    TNSShTreeData* data = TNSCustomShellTree::GetDataFromNode(node);
    if (node && data && node->treeWidget() && node->treeWidget()->currentItem() == node)
        Folder.SetIdList(data->AbsPidl());
}

// ---- filling ----

uint32_t TNSCustomShellList::enumFlags() const
{
    return SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (HasOption(ptsloShowHidden) ? SHCONTF_INCLUDEHIDDEN : 0);
}

void TNSCustomShellList::removeItem(QListWidgetItem* item)
{
    if (TShellListItem* i = AsItem(item)) {
        if (OnDeleteItem)
            OnDeleteItem(this, item, i->Data);
        if (m_editItem == item)
            m_editItem = nullptr;
        if (m_dropItem == item)
            m_dropItem = nullptr;
        TNSShListData* data = i->Data;
        i->Data = nullptr;
        delete takeItem(row(item));
        delete data;
        return;
    }
    delete takeItem(row(item));
}

void TNSCustomShellList::clearItems()
{
    // The items go, and a fill or a change of folder follows: no refresh of them is wanted.
    endFill(false);
    clearSelection();
    m_editItem = nullptr;
    m_dropItem = nullptr;
    if (OnDeleteItem)
        for (int i = 0; i < count(); ++i)
            if (TShellListItem* it = AsItem(item(i)))
                OnDeleteItem(this, it, it->Data);
    // All at once: one by one, a big folder's items cost the view a signal each.
    clear();
}

void TNSCustomShellList::FillItems()
{
    if (m_dragging || editing()) {
        m_refreshPending = true;
        return;
    }
    // A fill reads everything anew.
    m_refreshPending = false;
    TNSBusyCursor busy;
    setUpdatesEnabled(false);
    struct Updates {
        QWidget* w;
        ~Updates() { w->setUpdatesEnabled(true); }
    } updates{this};
    clearItems();
    IShellFolder folder;
    NSRaiseOnFailure(ShellGetFolderFromIdList(Folder.IdList(), folder));
    FilterPreApply();
    QByteArray abs = IdListBytes(Folder.IdList());
    try {
        FillList(folder, reinterpret_cast<PCItemIDList>(abs.constData()));
    } catch (...) {
        FilterPostApply();
        throw;
    }
    // A fill still running keeps its match set until it ends.
    if (!m_fill)
        FilterPostApply();
    if (HasOption(ptsloDynamicRefresh))
        InstallChangeHandler();
}

void TNSCustomShellList::FillList(IShellFolder folder, PCItemIDList absIdList)
{
    if (OnFillStart)
        OnFillStart(this);
    struct Complete {
        TNSCustomShellList* list;
        ~Complete()
        {
            if (list && list->OnFillComplete)
                list->OnFillComplete(list);
        }
    } complete{this};
    IShellFolder previous = m_folder;
    const QByteArray previousList = m_folderIdList;
    m_folder = folder;
    m_folderIdList = IdListBytes(absIdList);
    try {
        InitColumns();
        std::unique_ptr<TEnumIDList> items;
        if (FAILED(folder->EnumObjects(NSOwnerForm(this), enumFlags(), items)))
            return;
        auto fill = std::make_unique<TFill>();
        fill->read.reserve(500);
        HRESULT hr;
        PItemIDList next = nullptr;
        while ((hr = items->Next(next)) == S_OK)
            fill->read.push_back(next);
        if (hr != S_FALSE && hr != HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS)) {
            if (hr == E_FAIL)
                return;
            NSRaiseOnFailure(hr);
        }
        m_fill = std::move(fill);
        if (m_fill->read.size() > kSyncFillLimit) {
            // A big folder fills from the event loop, a slice at a time, so that the window
            // repaints and answers meanwhile; its end fires OnFillComplete.
            complete.list = nullptr;
            m_fillTimer.start(0);
            return;
        }
        while (m_fill && !FillStep(std::numeric_limits<qint64>::max())) {
        }
    } catch (...) {
        m_fill.reset();
        m_folder = previous;
        m_folderIdList = previousList;
        throw;
    }
}

bool TNSCustomShellList::FillStep(qint64 sliceMs)
{
    TFill& fill = *m_fill;
    QElapsedTimer slice;
    slice.start();
    // Each item is read once: its attributes and the keys its order needs.
    while (fill.next < fill.read.size()) {
        PItemIDList p = std::exchange(fill.read[fill.next++], nullptr);
        uint32_t attributes = 0;
        if (ShouldInclude(p, attributes))
            fill.made.push_back(MakeShellItem(p, attributes));
        else
            ShellMemFree(p);
        if ((fill.next & 63) == 0 && slice.elapsed() >= sliceMs)
            return false;
    }
    if (!fill.sorted) {
        fill.sorted = true;
        if (m_sortColumn != 0)
            std::stable_sort(
                fill.made.begin(), fill.made.end(),
                [this](const TShellListItem* a, const TShellListItem* b) { return CompareItems(a, b) < 0; });
        if (slice.elapsed() >= sliceMs)
            return false;
    }
    while (fill.inserted < fill.made.size()) {
        addItem(std::exchange(fill.made[fill.inserted++], nullptr));
        if (fill.inserted == 1)
            setCurrentItem(item(0), QItemSelectionModel::NoUpdate);
        if ((fill.inserted & 63) == 0 && slice.elapsed() >= sliceMs)
            return false;
    }
    const bool resort = fill.resort;
    m_fill.reset();
    if (resort)
        SortList();
    return true;
}

void TNSCustomShellList::FillTimerElapsed()
{
    if (!m_fill) {
        m_fillTimer.stop();
        return;
    }
    if (!FillStep(kFillSliceMs))
        return;
    m_fillTimer.stop();
    finishFill(true);
}

void TNSCustomShellList::finishFill(bool runPendingRefresh)
{
    FilterPostApply();
    if (OnFillComplete)
        OnFillComplete(this);
    if (runPendingRefresh && m_refreshPending && !m_dragging && !editing()) {
        m_refreshPending = false;
        RefreshItems();
    }
}

void TNSCustomShellList::StopFill()
{
    endFill(true);
}

void TNSCustomShellList::endFill(bool runPendingRefresh)
{
    if (!m_fill)
        return;
    // What is shown stays; the rest is not read.
    m_fill.reset();
    m_fillTimer.stop();
    finishFill(runPendingRefresh);
}

TNSCustomShellList::TFill::~TFill()
{
    for (size_t i = next; i < read.size(); ++i)
        ShellMemFree(read[i]);
    for (size_t i = inserted; i < made.size(); ++i)
        delete made[i];
}

bool TNSCustomShellList::ShouldInclude(PCItemIDList itemRelIdList, uint32_t& attributes)
{
    attributes = 0xF20B0000;
    PCItemIDList items[1] = {itemRelIdList};
    if (FAILED(m_folder->GetAttributesOf(1, items, attributes)))
        return false;
    if (!HasOption(ptsloNonFilesystemAncestors) && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return false;
    if (HasOption(ptsloHideFoldersWhenLinkedToTree) && m_tree && (attributes & SFGAO_FILESYSTEM) &&
        (attributes & SFGAO_FOLDER))
        return false;
    return CanAdd(m_folder, CurrentFolderIdList(), itemRelIdList, attributes);
}

bool TNSCustomShellList::CanAdd(IShellFolder parentIShf, PCItemIDList parentAbsIdList, PCItemIDList itemRelIdList,
                                uint32_t attributes)
{
    bool allow = true;
    if (m_matchSet && !(attributes & SFGAO_FOLDER)) {
        QString name;
        parentIShf->GetDisplayNameOf(itemRelIdList, SHGDN_INFOLDER | SHGDN_FORPARSING, name);
        allow = FilterApply(name, attributes);
    }
    if (allow && OnAddItem)
        OnAddItem(this, parentIShf, parentAbsIdList, itemRelIdList, attributes, allow);
    return allow;
}

void TNSCustomShellList::AddNewShellItem(PItemIDList itemRelIdList, uint32_t attributes)
{
    addItem(MakeShellItem(itemRelIdList, attributes));
}

TShellListItem* TNSCustomShellList::MakeShellItem(PItemIDList itemRelIdList, uint32_t attributes)
{
    auto* item = new TShellListItem;
    item->Owner = this;
    item->Data = new TNSShListData(this);
    item->Data->SetData(itemRelIdList);
    item->Key = m_folder->SortKeyOf(itemRelIdList);
    if (attributes & SFGAO_GHOSTED)
        item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    for (int i = 1; i < int(Columns.size()); ++i)
        item->SubItems << QString();
    return item;
}

namespace {

// The column widths of the last list, shared by every list of the process: a count, then one
// width per column (little-endian 32-bit), and the "DirectoryCols" value read last.
QByteArray g_columnMemory;
QByteArray g_lastDirectoryCols;
constexpr int kDirectoryColsLimit = 22;

} // namespace

void TNSCustomShellList::rememberColumnWidths()
{
    if (Columns.empty() || !m_widthsRemembered)
        return;
    QByteArray memory(int(4 + 4 * Columns.size()), '\0');
    WriteLE32(memory.data(), uint32_t(Columns.size()));
    for (size_t i = 0; i < Columns.size(); ++i)
        WriteLE32(memory.data() + 4 + 4 * i, uint32_t(std::max(0, Columns[i].Width)));
    g_columnMemory = memory;
}

void TNSCustomShellList::InitColumns()
{
    rememberColumnWidths();
    Columns = {{NSResString(SColumnName), 200, Qt::AlignLeft},
               {NSResString(SColumnSize), 60, Qt::AlignRight},
               {NSResString(SColumnType), 100, Qt::AlignLeft},
               {NSResString(SColumnModified), 120, Qt::AlignLeft}};
    // Explorer's own widths, when it has kept some.
    const QByteArray cols = TRegIniFile(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"))
                                .ReadBinary(QStringLiteral("Explorer"), QStringLiteral("DirectoryCols"));
    if (cols.size() <= kDirectoryColsLimit) {
        for (size_t i = 0; i < Columns.size() && int(2 * i + 2) <= cols.size(); ++i)
            Columns[i].Width = ReadLE16(cols.constData() + 2 * i);
        if (cols == g_lastDirectoryCols && g_columnMemory.size() >= 4) {
            const int n = int(std::min<uint32_t>(ReadLE32(g_columnMemory.constData()),
                                                 uint32_t((g_columnMemory.size() - 4) / 4)));
            for (int i = 0; i < n && i < int(Columns.size()); ++i)
                Columns[size_t(i)].Width =
                    int(std::min<uint32_t>(ReadLE32(g_columnMemory.constData() + 4 + 4 * i), 10000));
        }
        g_lastDirectoryCols = cols;
    }
    m_widthsRemembered = true;
    ColumnsChanged();
    if (int(Columns.size()) < std::abs(m_sortColumn))
        m_sortColumn = 1;
    else
        SetSortColumn(m_sortColumn);
}

QString TNSCustomShellList::ColumnText(QListWidgetItem* item, int column) const
{
    TShellListItem* i = AsItem(item);
    if (!i || !i->Data)
        return TNSCustomListView::ColumnText(item, column);
    if (column == 0)
        return i->Caption();
    if (column > i->SubItems.size())
        return QString();
    const QString stored = i->SubItems[column - 1];
    return stored.isEmpty() ? i->Data->GetColText(column) : stored;
}

void TNSCustomShellList::ColumnResized(int column, int width)
{
    TNSCustomListView::ColumnResized(column, width);
    rememberColumnWidths();
}

int TNSCustomShellList::CompareItems(const TShellListItem* a, const TShellListItem* b) const
{
    if (!a->Data || !b->Data || !m_folder || m_sortColumn == 0)
        return 0;
    // The folder's own order, on the keys read when the items came.
    const int c = CompareSortKeys(a->Key, b->Key, std::abs(m_sortColumn) - 1);
    return m_sortColumn < 0 ? -c : c;
}

void TNSCustomShellList::SortList()
{
    if (m_fill) {
        m_fill->resort = true;
        return;
    }
    if (m_sortColumn != 0)
        sortItems(Qt::AscendingOrder);
}

void TNSCustomShellList::SetSortColumn(int value)
{
    SetHeaderSortColumn(std::abs(value) - 1);
    SetHeaderSortDirection(value >= 0 ? ptsdDesc : ptsdAsc);
    m_columnClickSet = true;
    if (value != m_sortColumn) {
        m_sortColumn = value;
        SortList();
    }
}

void TNSCustomShellList::ColClick(int column)
{
    m_columnClickSet = false;
    const int current = m_sortColumn;
    // The column-click event may set the sort itself.
    TNSCustomListView::ColClick(column);
    if (!m_columnClickSet)
        SetSortColumn(column + 1 == std::abs(current) ? -current : column + 1);
}

void TNSCustomShellList::RefreshItems()
{
    if (m_dragging || editing() || m_fill) {
        m_refreshPending = true;
        return;
    }
    // A folder the list was moved to while it could not fill (a menu or drag ran) is filled.
    if (count() == 0 || !m_folder || IdListBytes(Folder.IdList()) != m_folderIdList) {
        FillItems();
        return;
    }
    m_refreshPending = false;
    // A change still waiting for its delay is read by this refresh: it needs no second one.
    m_timer.stop();
    TNSBusyCursor busy;
    if (OnFillStart)
        OnFillStart(this);
    FilterPreApply();
    // Matched by the items' bytes, as the tree's nodes are: the folder's order reads each
    // entry's state as it compares and breaks the search when an entry comes or goes meanwhile.
    TNSPidlList present, found;
    for (int i = 0; i < count(); ++i)
        if (TNSShListData* d = DataOf(item(i)))
            present.AddObject(const_cast<PItemIDList>(d->RelativeIdList()), item(i));
    present.Duplicates = dupAccept;
    present.SetSorted(true);
    found.Allocator = ShellIMalloc();
    std::unique_ptr<TEnumIDList> items;
    if (SUCCEEDED(m_folder->EnumObjects(NSOwnerForm(this), enumFlags(), items))) {
        PItemIDList p = nullptr;
        while (items->Next(p) == S_OK)
            found.Add(p);
    }
    for (int i = found.Count() - 1; i >= 0; --i) {
        const int k = present.IndexOf(found.PIDL(i));
        if (k >= 0) {
            present.Delete(k);
            found.Delete(i);
        }
    }
    setUpdatesEnabled(false);
    for (int i = 0; i < present.Count(); ++i)
        removeItem(static_cast<QListWidgetItem*>(present.Object(i)));
    // New items go at the end, unsorted.
    for (int i = 0; i < found.Count(); ++i) {
        PItemIDList p = found.PIDL(i);
        uint32_t attributes = 0;
        if (ShouldInclude(p, attributes)) {
            found.SetPIDL(i, nullptr);
            AddNewShellItem(p, attributes);
        }
    }
    setUpdatesEnabled(true);
    FilterPostApply();
    if (OnFillComplete)
        OnFillComplete(this);
}

// ---- watching ----

void TNSCustomShellList::InstallChangeHandler()
{
    m_timer.stop();
    if (!m_watcher)
        m_watcher = std::make_unique<TChangeHandlerThread>(this, AM_CHANGENOTIFY);
    else
        m_watcher->CloseAllHandles();
    int index = -1;
    m_watcher->AddChangeHandle(Folder.PathName(), FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, index,
                               false);
}

void TNSCustomShellList::AMChangeNotify()
{
    if (m_ignoreNext) {
        m_ignoreNext = false;
        return;
    }
    if (m_dragging) {
        m_refreshPending = true;
        return;
    }
    m_timer.stop();
    m_timer.start(hasFocus() ? NSSH_CHANGE_NOTIFY_FASTDELAY : NSSH_CHANGE_NOTIFY_DELAY);
}

void TNSCustomShellList::TimerElapsed()
{
    m_timer.stop();
    {
        TNSCounter c(m_reentrancy);
        Synchronize(true);
    }
    // The tree may have moved this list on (its folder was deleted): the refresh fills that folder.
    RefreshItems();
}

void TNSCustomShellList::Synchronize(bool all)
{
    if (all && m_tree)
        m_tree->Synchronize(false);
    if (m_timer.isActive()) {
        m_timer.stop();
        RefreshItems();
    }
}

void TNSCustomShellList::EndMenuOrDrag()
{
    m_dragging = false;
    if (m_refreshPending) {
        m_refreshPending = false;
        RefreshItems();
    }
}

void TNSCustomShellList::DeviceChangeDetected(QObject*, uintptr_t wParam)
{
    if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE)
        return;
    FlushDriveInfoCache();
    if (ShellFindCSIDLFromIdList(Folder.IdList()) != csidlDrives)
        return;
    TNSDriveInfoCacheLock lock;
    FillItems();
}

bool TNSCustomShellList::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        Application->Guard([&] {
            if (m->Msg == AM_CHANGENOTIFY) {
                AMChangeNotify();
            } else if (m->Msg == AM_DEFERREDFILL) {
                if (count() == 0 && HasOption(ptsloAutoFill) && !m_folder)
                    FillItems();
            } else if (m->Msg == AM_DEFERREDEDIT) {
                for (int i = 0; i < count(); ++i)
                    if (TNSShListData* d = DataOf(item(i)); d && d->DisplayName() == m_newFolderName) {
                        setFocus();
                        StartEditing(item(i));
                        break;
                    }
            }
        });
        return true;
    }
    return TNSCustomListView::event(e);
}

// ---- filter ----

void TNSCustomShellList::SetFileFilter(const QString& value)
{
    if (value == m_fileFilter)
        return;
    m_fileFilter = value;
    m_masks.clear();
    for (const QString& part : value.split(QLatin1Char(';')))
        if (!part.trimmed().isEmpty())
            m_masks << part.trimmed();
    if (HasOption(ptsloAutoFill) && m_folder)
        FillItems();
}

void TNSCustomShellList::FilterPreApply()
{
    m_matchSet.reset();
    const QString path = Folder.PathName();
    if (path.isEmpty() || m_fileFilter.isEmpty() || m_fileFilter == QLatin1String("*") ||
        m_fileFilter == QLatin1String("*.*"))
        return;
    m_matchSet = std::make_unique<QSet<QString>>();
    std::vector<QRegularExpression> masks;
    for (const QString& m : m_masks) {
        // Windows masks: "*.*" matches names without a dot too.
        if (m == QLatin1String("*.*") || m == QLatin1String("*")) {
            m_matchSet.reset();
            return;
        }
        masks.emplace_back(QRegularExpression::wildcardToRegularExpression(m, QRegularExpression::UnanchoredWildcardConversion),
                           QRegularExpression::CaseInsensitiveOption);
        masks.back().setPattern(QStringLiteral("\\A(?:") + masks.back().pattern() + QStringLiteral(")\\z"));
    }
    DIR* dir = ::opendir(EncodeNativeName(path).constData());
    if (!dir)
        return;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_type == DT_DIR)
            continue;
        const QString name = DecodeNativeName(e->d_name);
        for (const QRegularExpression& re : masks)
            if (re.match(name).hasMatch()) {
                m_matchSet->insert(name.toUpper());
                break;
            }
    }
    ::closedir(dir);
}

bool TNSCustomShellList::FilterApply(const QString& name, uint32_t attributes) const
{
    if (attributes & SFGAO_FOLDER)
        return true;
    return !m_matchSet || m_matchSet->contains(name.toUpper());
}

// ---- opening, verbs, keys ----

void TNSCustomShellList::GoUp(int levels)
{
    if (HasOption(ptsloDontChangeFolder))
        return;
    if (m_tree) {
        m_tree->GoUp(levels);
        return;
    }
    PCItemIDList current = Folder.IdList();
    if (!current || ReadLE16(current) == 0)
        return;
    TNSIdListArray a(current);
    if (PCItemIDList up = a.GoUp(std::min(levels, a.GetCount()))) {
        const QByteArray copy = IdListBytes(up);
        Folder.SetIdList(reinterpret_cast<PCItemIDList>(copy.constData()));
    }
}

bool TNSCustomShellList::CreateNewFolder(bool edit)
{
    m_ignoreNext = true;
    QString newName;
    if (!NSShCreateNewFolder(Folder.PathName(), newName)) {
        m_ignoreNext = false;
        return false;
    }
    // The folder is there once made: the listing shows it at once, no wait is needed.
    RefreshItems();
    if (edit) {
        m_newFolderName = newName;
        PostMessage(this, AM_DEFERREDEDIT, 0, 0);
    }
    return true;
}

void TNSCustomShellList::OpenItem(QListWidgetItem* item)
{
    Synchronize(true);
    TNSShListData* data = DataOf(item);
    if (!data)
        return;
    TNSBusyCursor busy;
    if (data->Attributes() & SFGAO_FOLDER) {
        if (HasOption(ptsloDontChangeFolder))
            return;
        const QByteArray abs = IdListBytes(data->AbsoluteIdList());
        clearSelection();
        clearItems();
        if (m_tree)
            m_tree->SelectedFolder.SetIdList(reinterpret_cast<PCItemIDList>(abs.constData()));
        else
            Folder.SetIdList(reinterpret_cast<PCItemIDList>(abs.constData()));
        return;
    }
    bool handled = false;
    if (OnDblClickOpen)
        OnDblClickOpen(this, handled);
    if (handled)
        return;
    DoCommandForItem(item, QStringLiteral("open"));
}

void TNSCustomShellList::OpenSelectedItems()
{
    Synchronize(true);
    if (ShellSelCount() >= 2) {
        bool handled = false;
        if (OnDblClickOpen)
            OnDblClickOpen(this, handled);
        if (!handled)
            DoCommandForAllSelected(QStringLiteral("open"));
    } else if (QListWidgetItem* item = Selected()) {
        OpenItem(item);
    }
}

void TNSCustomShellList::SelectAll()
{
    setUpdatesEnabled(false);
    selectAll();
    setUpdatesEnabled(true);
}

int TNSCustomShellList::ShellSelCount() const
{
    int n = 0;
    for (QListWidgetItem* i : selectedItems())
        n += DataOf(i) != nullptr;
    return n;
}

TNSShListData* TNSCustomShellList::GetSelectedItem() const
{
    return DataOf(Selected());
}

TNSShListData* TNSCustomShellList::GetShListData(int index) const
{
    return DataOf(item(index));
}

void TNSCustomShellList::DoCommandForItem(QListWidgetItem* item, const QString& verb)
{
    TNSShListData* data = DataOf(item);
    if (!data)
        NSRaiseOnFailure(E_INVALIDARG);
    std::unique_ptr<TContextMenu> menu;
    NSRaiseOnFailure(NSGetContextMenu(m_folder, {data->RelativeIdList()}, NSOwnerForm(this), menu));
    NSRaiseOnFailure(NSInvokeVerb(menu.get(), verb, NSOwnerForm(this)));
}

std::vector<PCItemIDList> TNSCustomShellList::selectedRelIdLists() const
{
    std::vector<PCItemIDList> items;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            if (TNSShListData* d = DataOf(item(i)))
                items.push_back(d->RelativeIdList());
    return items;
}

void TNSCustomShellList::DoCommandForAllSelected(const QString& verb)
{
    const std::vector<PCItemIDList> items = selectedRelIdLists();
    if (items.empty())
        NSRaiseOnFailure(E_FAIL);
    std::unique_ptr<TContextMenu> menu;
    NSRaiseOnFailure(NSGetContextMenu(m_folder, items, NSOwnerForm(this), menu));
    NSRaiseOnFailure(NSInvokeVerb(menu.get(), verb, NSOwnerForm(this)));
}

void TNSCustomShellList::DoCommandForFolder(const QString& verb)
{
    if (!m_folder)
        return;
    std::unique_ptr<TContextMenu> menu;
    NSRaiseOnFailure(NSGetContextMenu(m_folder, {}, NSOwnerForm(this), menu));
    NSRaiseOnFailure(NSInvokeVerb(menu.get(), verb, NSOwnerForm(this)));
}

void TNSCustomShellList::StartEditing(QListWidgetItem* item)
{
    TNSShListData* data = DataOf(item);
    if (!item || !data || !data->Editable())
        return;
    // Taken as the edited item only once it can be edited, so that the change of its flags
    // is no edit.
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_editItem = item;
    m_editOldText = item->text();
    editItem(item);
}

void TNSCustomShellList::itemEdited(QListWidgetItem* item)
{
    m_editItem = nullptr;
    {
        QSignalBlocker block(this);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    const QString name = item->text();
    TNSShListData* data = DataOf(item);
    if (!data || name.isEmpty() || name == m_editOldText) {
        QSignalBlocker block(this);
        item->setText(m_editOldText);
        return;
    }
    TNSBusyCursor busy;
    m_ignoreNext = true;
    PItemIDList newItem = nullptr;
    const HRESULT hr = m_folder->SetNameOf(NSOwnerForm(this), data->RelativeIdList(), name, 0x20, &newItem);
    if (FAILED(hr)) {
        // Nothing was renamed, so the next change is a real one.
        m_ignoreNext = false;
        QSignalBlocker block(this);
        item->setText(m_editOldText);
        NSRaiseOnFailure(hr);
        return;
    }
    data->SetData(newItem);
    if (TShellListItem* i = AsItem(item))
        i->Key = m_folder->SortKeyOf(newItem);
    {
        QSignalBlocker block(this);
        item->setText(data->DisplayName());
    }
    if (m_refreshPending) {
        m_refreshPending = false;
        RefreshItems();
    }
}

void TNSCustomShellList::keyPressEvent(QKeyEvent* e)
{
    if (Filling() && e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        StopFill();
        return;
    }
    if (editing() || !HasOption(ptsloDefaultKeyHandling)) {
        TNSCustomListView::keyPressEvent(e);
        return;
    }
    const TShortCut s = ShortCutOfKey(e);
    auto is = [&](TShellKey k) { return s != 0 && s == ShellKey(k); };
    Application->Guard([&] {
        if (is(skSelectAll)) {
            SelectAll();
        } else if (is(skRefresh)) {
            FillItems();
        } else if (is(skCopy)) {
            if (ShellSelCount() > 0)
                DoCommandForAllSelected(QStringLiteral("copy"));
        } else if (is(skCut)) {
            if (ShellSelCount() > 0)
                DoCommandForAllSelected(QStringLiteral("cut"));
        } else if (is(skPaste)) {
            DoCommandForFolder(QStringLiteral("paste"));
            RefreshItems();
        } else if (is(skEdit)) {
            StartEditing(currentItem());
        } else if (is(skDelete) || (s & ~scShift) == ShellKey(skDelete)) {
            // Nothing selected: nothing to delete, and nothing to tell.
            if (ShellSelCount() > 0) {
                DoCommandForAllSelected(QStringLiteral("delete"));
                RefreshItems();
            }
        } else if (e->key() == Qt::Key_Backspace && e->modifiers() == Qt::NoModifier) {
            GoUp(1);
        } else if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && GetSelectedItem() &&
                   GetSelectedItem()->IsFolder()) {
            OpenSelectedItems();
        } else {
            // Other Enter presses go on to the form (a dialog's default button).
            TNSCustomListView::keyPressEvent(e);
        }
    });
}

void TNSCustomShellList::mouseDoubleClickEvent(QMouseEvent* e)
{
    TNSCustomListView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton)
        Application->Guard([&] { OpenSelectedItems(); });
}

void TNSCustomShellList::startDrag(Qt::DropActions)
{
    if (ShellSelCount() == 0)
        return;
    if (HasOption(ptsloOleDrag)) {
        Application->Guard([&] { OleBeginDrag(); });
        return;
    }
    // The program's own drag: the receiver asks the source list for its selected items.
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(QStringLiteral("application/x-korvane-drag-source"), objectName().toUtf8());
    drag->setMimeData(data);
    UseScreenDragCursors(drag);
    BeginMenuOrDrag();
    drag->exec(Qt::CopyAction);
    EndMenuOrDrag();
}

Qt::DropActions TNSCustomShellList::GetDragDropAttributesForAllSelected()
{
    const std::vector<PCItemIDList> items = selectedRelIdLists();
    if (items.empty() || !m_folder)
        return Qt::IgnoreAction;
    uint32_t attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    NSRaiseOnFailure(m_folder->GetAttributesOf(int(items.size()), items.data(), attributes));
    return DropActionsOfAttributes(attributes);
}

void TNSCustomShellList::OleBeginDrag()
{
    const std::vector<PCItemIDList> items = selectedRelIdLists();
    if (items.empty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(MakeShellItemsData(CurrentFolderIdList(), items, false));
    const Qt::DropActions allowed = GetDragDropAttributesForAllSelected();
    BeginMenuOrDrag();
    m_ownDrag = true;
    const Qt::DropAction done = drag->exec(allowed, Qt::CopyAction);
    m_ownDrag = false;
    m_dragging = false;
    if (done != Qt::IgnoreAction)
        m_refreshPending = true;
    EndMenuOrDrag();
}

QByteArray TNSCustomShellList::dropFolderAt(const QPoint& pos, const QDropEvent* e, QListWidgetItem** itemOut)
{
    QListWidgetItem* under = itemAt(pos);
    TNSShListData* data = DataOf(under);
    if (itemOut)
        *itemOut = nullptr;
    if (data && data->IsFolder() && !(e->source() == this && under->isSelected())) {
        if (itemOut)
            *itemOut = under;
        const QByteArray path = EncodeNativeName(data->PathName());
        return IsWritableFolder(path) ? path : QByteArray();
    }
    // Over the background (or a file) the folder itself takes the drop; the list's own items
    // are already there.
    if (e->source() == this)
        return QByteArray();
    const QByteArray folder = EncodeNativeName(Folder.PathName());
    return IsWritableFolder(folder) ? folder : QByteArray();
}

void TNSCustomShellList::setDropHighlight(QListWidgetItem* item)
{
    if (m_dropItem == item)
        return;
    if (m_dropItem)
        m_dropItem->setBackground(QBrush());
    m_dropItem = item;
    if (m_dropItem)
        m_dropItem->setBackground(NSDropHighlightColor(this));
}

void TNSCustomShellList::dragEnterEvent(QDragEnterEvent* e)
{
    if (HasOption(ptsloOleDrop) && !ShellItemsPaths(e->mimeData()).isEmpty())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TNSCustomShellList::dragMoveEvent(QDragMoveEvent* e)
{
    // The view scrolls near its edges.
    TNSCustomListView::dragMoveEvent(e);
    QListWidgetItem* target = nullptr;
    const QByteArray folder = HasOption(ptsloOleDrop) ? dropFolderAt(e->position().toPoint(), e, &target) : QByteArray();
    setDropHighlight(target);
    if (folder.isEmpty() || ShellItemsPaths(e->mimeData()).isEmpty()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
}

void TNSCustomShellList::dragLeaveEvent(QDragLeaveEvent* e)
{
    setDropHighlight(nullptr);
    TNSCustomListView::dragLeaveEvent(e);
}

void TNSCustomShellList::dropEvent(QDropEvent* e)
{
    setDropHighlight(nullptr);
    const QByteArray folder = HasOption(ptsloOleDrop) ? dropFolderAt(e->position().toPoint(), e) : QByteArray();
    const QList<QByteArray> paths = ShellItemsPaths(e->mimeData());
    if (folder.isEmpty() || paths.isEmpty()) {
        e->ignore();
        return;
    }
    NSTakeDrop(e, folder, paths, [this] { RefreshItems(); });
}

void TNSCustomShellList::ItemContextMenu(QListWidgetItem* item, QPoint& point, QMenu*& menu)
{
    TNSCustomListView::ItemContextMenu(item, point, menu);
    if (HasOption(ptsloContextMenus) && !m_dragging) {
        menu = nullptr;
        Application->Guard([&] { ProcessMenuForAllSelected(point); });
    }
}

void TNSCustomShellList::ProcessMenuForAllSelected(QPoint point)
{
    const std::vector<PCItemIDList> items = selectedRelIdLists();
    if (items.empty() || !m_folder)
        return;
    std::unique_ptr<TContextMenu> shellMenu;
    if (FAILED(NSGetContextMenu(m_folder, items, NSOwnerForm(this), shellMenu)))
        return;
    uint32_t flags = CMF_EXPLORE;
    TNSShListData* focused = DataOf(currentItem());
    if (focused && !focused->PathName().isEmpty())
        flags |= CMF_CANRENAME;
    QMenu popup(this);
    NSFillShellMenu(popup, shellMenu.get(), 1000, 32767, flags, [this](const QString& hint) {
        if (OnPopupHint)
            OnPopupHint(this, hint);
    });
    BeginMenuOrDrag();
    QAction* chosen = popup.exec(viewport()->mapToGlobal(point));
    m_dragging = false;
    const int id = chosen ? chosen->data().toInt() : 0;
    if (id == 1000 + verbRename) {
        StartEditing(currentItem());
    } else if (id >= 1000) {
        const HRESULT hr = shellMenu->InvokeCommand(NSOwnerForm(this), id - 1000);
        m_refreshPending = true;
        NSRaiseOnFailure(hr);
    }
    EndMenuOrDrag();
}
