#include "shellcontrols/image_combo.h"

#include "platform/byte_order.h"
#include "platform/message_box.h"
#include "shellcontrols/shell_list.h"
#include "shellcontrols/shell_tree.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

namespace {

constexpr int IndentRole = Qt::UserRole + 1;

// Draws the drop-down's entries indented by their depth.
class IndentDelegate : public QStyledItemDelegate {
public:
    IndentDelegate(TNSCustomImageCombo* combo) : QStyledItemDelegate(combo), m_combo(combo) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (TNSImageComboItem* item = m_combo->ImageComboItem(index.row()))
            m_combo->GetItemData(item);
        QStyleOptionViewItem o = option;
        o.rect.adjust(m_combo->IndentPixels * index.data(IndentRole).toInt(), 0, 0, 0);
        QStyledItemDelegate::paint(painter, o, index);
    }

private:
    TNSCustomImageCombo* m_combo;
};

} // namespace

// ---- items ----

void TNSImageComboItem::SetIndent(int v)
{
    m_indent = v;
    if (Index >= 0)
        m_owner->setItemData(Index, v, IndentRole);
}

void TNSImageComboItem::SetImageIndex(int v)
{
    m_imageIndex = v;
    if (Index >= 0)
        m_owner->setItemIcon(Index, TSystemImageList::Instance().Icon(v));
}

void TNSImageComboItem::SetOverlayIndex(int v)
{
    m_overlayIndex = v;
    m_owner->update();
}

void TNSImageComboItem::SetCaption(const QString& v)
{
    m_caption = v;
    if (Index >= 0)
        m_owner->setItemText(Index, v);
}

// ---- image combo ----

TNSCustomImageCombo::TNSCustomImageCombo(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setIconSize(QSize(16, 16));
}

TNSCustomImageCombo::~TNSCustomImageCombo()
{
    ClearItems();
}

TNSImageComboItem* TNSCustomImageCombo::AddItem(const QString& caption, int indent, int imageIndex)
{
    auto item = std::make_unique<TNSImageComboItem>(this);
    item->Index = count();
    addItem(caption);
    item->SetCaption(caption);
    item->SetIndent(indent);
    if (imageIndex >= 0)
        item->SetImageIndex(imageIndex);
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

TNSImageComboItem* TNSCustomImageCombo::ImageComboItem(int index) const
{
    return index >= 0 && index < int(m_items.size()) ? m_items[size_t(index)].get() : nullptr;
}

void TNSCustomImageCombo::ClearItems()
{
    for (auto& item : m_items)
        DeleteItem(item.get());
    m_items.clear();
    clear();
}

void TNSCustomImageCombo::GetItemData(TNSImageComboItem* item)
{
    if (OnGetItemData)
        OnGetItemData(this, item);
}

void TNSCustomImageCombo::DeleteItem(TNSImageComboItem* item)
{
    if (OnDeleteItem)
        OnDeleteItem(this, item);
}

// ---- shell combo ----

IShellFolder TNSShComboData::ThisIShf()
{
    if (This)
        return This;
    HRESULT hr;
    if (Absolute.size() > 2 && ParentFolder)
        hr = ParentFolder->BindToObject(reinterpret_cast<PCItemIDList>(Relative.constData()), This);
    else
        hr = ShellGetDesktopFolder(This);
    NSRaiseOnFailure(hr);
    return This;
}

TNSCustomShellCombo::TNSCustomShellCombo(QWidget* parent) : TNSCustomImageCombo(parent)
{
    SelectedFolder.OnChange = [this](TNSShellLocator*) { Application->Guard([&] { SelectedFolderChanged(); }); };
    connect(this, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Application->Guard([&] { SelEndOk(index); }); });
    if (Options & (1u << ptscoAutofill))
        FillItems();
}

TNSCustomShellCombo::~TNSCustomShellCombo()
{
    ++m_reentrancy;
    ClearItems();
}

PCItemIDList TNSCustomShellCombo::ItemIdList(int index) const
{
    TNSImageComboItem* item = ImageComboItem(index);
    auto* data = item ? static_cast<TNSShComboData*>(item->Data) : nullptr;
    return data ? reinterpret_cast<PCItemIDList>(data->Absolute.constData()) : nullptr;
}

void TNSCustomShellCombo::DeleteItem(TNSImageComboItem* item)
{
    TNSCustomImageCombo::DeleteItem(item);
    delete static_cast<TNSShComboData*>(item->Data);
    item->Data = nullptr;
}

void TNSCustomShellCombo::GetItemData(TNSImageComboItem* item)
{
    TNSCustomImageCombo::GetItemData(item);
    auto* data = static_cast<TNSShComboData*>(item->Data);
    if (!data)
        return;
    if (item->Caption().isEmpty())
        item->SetCaption(ShellGetFriendlyNameForLastIdListElement(reinterpret_cast<PCItemIDList>(data->Absolute.constData())));
    if (item->ImageIndex() < 0)
        item->SetImageIndex(ShellGetIconIndex(reinterpret_cast<PCItemIDList>(data->Absolute.constData()), SHGFI_SMALLICON));
}

TNSImageComboItem* TNSCustomShellCombo::addShellItem(IShellFolder folder, PCItemIDList folderPidl, PCItemIDList item,
                                                     uint32_t attributes, int indent)
{
    TNSImageComboItem* entry = AddItem(QString(), indent, -1);
    auto* data = new TNSShComboData;
    data->ParentFolder = folder;
    data->ParentAbsolute = IdListBytes(folderPidl);
    data->Relative = IdListBytes(item);
    TPidlHolder abs(ConcatIdLists(nullptr, folderPidl, item));
    data->Absolute = IdListBytes(abs.get());
    entry->Data = data;
    if (attributes & SFGAO_SHARE)
        entry->SetOverlayIndex(0);
    else if (attributes & SFGAO_LINK)
        entry->SetOverlayIndex(1);
    // Captions and icons of entries never shown are not asked for until they are drawn, but
    // the box's own text needs them.
    GetItemData(entry);
    return entry;
}

bool TNSCustomShellCombo::CanAdd(IShellFolder, PCItemIDList, PCItemIDList, uint32_t, int)
{
    return true;
}

void TNSCustomShellCombo::FillItems()
{
    {
        ++m_reentrancy;
        struct Done {
            int& c;
            ~Done() { --c; }
        } done{m_reentrancy};
        ClearItems();
    }
    TNSIdListArray path(SelectedFolder.IdList());
    IShellFolder desktop;
    NSRaiseOnFailure(ShellGetDesktopFolder(desktop));
    setCurrentIndex(-1);
    FillCombo(desktop, nullptr, -1, path);
    if (currentIndex() < 0 && count() > 0)
        setCurrentIndex(0);
}

void TNSCustomShellCombo::FillCombo(IShellFolder folder, PCItemIDList folderPidl, int indent, TNSIdListArray& path)
{
    if (indent < 0) {
        TNSImageComboItem* desktop = AddItem(QString(), 0, -1);
        auto* data = new TNSShComboData;
        data->Absolute = IdListBytes(nullptr);
        desktop->Data = data;
        GetItemData(desktop);
        indent = 1;
        if (path.GetCount() == 0)
            setCurrentIndex(0);
    }
    std::unique_ptr<TEnumIDList> items;
    NSRaiseOnFailure(folder->EnumObjects(NSOwnerForm(this), SHCONTF_FOLDERS, items));
    std::vector<QByteArray> list;
    for (PItemIDList p = nullptr; items->Next(p) == S_OK;) {
        list.push_back(IdListBytes(p));
        ShellMemFree(p);
    }
    std::stable_sort(list.begin(), list.end(), [&](const QByteArray& a, const QByteArray& b) {
        const HRESULT hr = folder->CompareIDs(0, reinterpret_cast<PCItemIDList>(a.constData()),
                                              reinterpret_cast<PCItemIDList>(b.constData()));
        return SUCCEEDED(hr) && int16_t(uint16_t(hr & 0xFFFF)) < 0;
    });
    const int depth = path.GetCount();
    const QByteArray element = indent - 1 < depth ? IdListBytes(path.GetItem(indent - 1)) : QByteArray();
    for (const QByteArray& bytes : list) {
        PCItemIDList item = reinterpret_cast<PCItemIDList>(bytes.constData());
        uint32_t attributes = 0xF00B0000;
        if (FAILED(folder->GetAttributesOf(1, &item, attributes)))
            continue;
        if (!(Options & (1u << ptscoNonFilesystemAncestors)) &&
            !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
            continue;
        if (!CanAdd(folder, folderPidl, item, attributes, indent))
            continue;
        TNSImageComboItem* entry = addShellItem(folder, folderPidl, item, attributes, indent);
        auto* data = static_cast<TNSShComboData*>(entry->Data);
        const bool isComputer = indent == 1 && ViewItem(item).Kind == ikComputer;
        const bool onPath = !element.isEmpty() &&
                            folder->CompareIDs(0, item, reinterpret_cast<PCItemIDList>(element.constData())) == S_OK;
        if (isComputer) {
            // Every drive shows below Computer; the path goes on from there.
            IShellFolder computer = data->ThisIShf();
            const QByteArray pidl = data->Absolute;
            if (onPath && depth == 1)
                setCurrentIndex(entry->Index);
            FillCombo(computer, reinterpret_cast<PCItemIDList>(pidl.constData()), 2, path);
            continue;
        }
        if (!onPath)
            continue;
        if (indent == depth) {
            setCurrentIndex(entry->Index);
            continue;
        }
        // The rest of the path, one entry per depth.
        IShellFolder parent = data->ThisIShf();
        QByteArray parentPidl = data->Absolute;
        for (int level = indent; level < depth; ++level) {
            const QByteArray next = IdListBytes(path.GetItem(level));
            PCItemIDList nextItem = reinterpret_cast<PCItemIDList>(next.constData());
            uint32_t a = 0xB00B0000;
            parent->GetAttributesOf(1, &nextItem, a);
            TNSImageComboItem* chained =
                addShellItem(parent, reinterpret_cast<PCItemIDList>(parentPidl.constData()), nextItem, a, level + 1);
            auto* d = static_cast<TNSShComboData*>(chained->Data);
            if (level == depth - 1) {
                setCurrentIndex(chained->Index);
                break;
            }
            IShellFolder sub;
            if (FAILED(parent->BindToObject(nextItem, sub)))
                break;
            parent = sub;
            parentPidl = d->Absolute;
        }
    }
}

void TNSCustomShellCombo::SelEndOk(int index)
{
    if (PCItemIDList pidl = ItemIdList(index)) {
        const QByteArray copy = IdListBytes(pidl);
        SelectedFolder.SetIdList(reinterpret_cast<PCItemIDList>(copy.constData()));
    }
}

void TNSCustomShellCombo::SelectedFolderChanged()
{
    if (m_reentrancy > 0)
        return;
    ++m_reentrancy;
    struct Done {
        int& c;
        ~Done() { --c; }
    } done{m_reentrancy};
    if (m_tree)
        m_tree->SetSelectedFolder(&SelectedFolder);
    else if (m_list)
        m_list->Folder.SetIdList(SelectedFolder.IdList());
    FillItems();
}

void TNSCustomShellCombo::TreeChanged(QTreeWidgetItem* node)
{
    if (TNSShTreeData* data = TNSCustomShellTree::GetDataFromNode(node)) {
        // The tree has its folder already; only the entries follow it.
        ++m_reentrancy;
        SelectedFolder.SetIdList(data->AbsPidl());
        --m_reentrancy;
        FillItems();
    }
}

void TNSCustomShellCombo::GoUp(int levels)
{
    const int selected = currentIndex();
    TNSImageComboItem* item = ImageComboItem(selected);
    if (!item)
        return;
    const int limit = item->Indent() - levels + 1;
    int i = selected;
    while (i > 0 && ImageComboItem(i)->Indent() >= limit)
        --i;
    if (i != selected)
        SelEndOk(i);
}

void TNSCustomShellCombo::SetShellTree(TNSCustomShellTree* tree)
{
    // One link at a time.
    if (m_list)
        return;
    if (m_tree && m_tree != tree)
        m_tree->SetShellCombo(nullptr);
    m_tree = tree;
    if (m_tree)
        m_tree->SetShellCombo(this);
}

void TNSCustomShellCombo::SetShellList(TNSCustomShellList* list)
{
    if (m_tree)
        return;
    m_list = list;
}

int TNSCustomShellCombo::DropDownRows() const
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int screenBottom = screen ? screen->geometry().bottom() + 1 : 768;
    const int bottom = mapToGlobal(QPoint(0, height())).y();
    const int itemHeight = std::max(1, view() ? view()->sizeHintForRow(0) : fontMetrics().height() + 2);
    // A box near the bottom of the screen still shows one row.
    return std::max(1, (screenBottom - bottom - 1) / itemHeight);
}

void TNSCustomShellCombo::showPopup()
{
    if (AutoDropDownCount)
        setMaxVisibleItems(DropDownRows());
    TNSCustomImageCombo::showPopup();
}
