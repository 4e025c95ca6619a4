#pragma once
// The shell namespace of a Linux desktop. The empty list is the Desktop, which holds Home,
// Computer (the mounted drives), Trash and the desktop folder's own entries. An item is
// cb | kind byte | raw name bytes; names are the file system's bytes, never re-encoded.
#include "shellcontrols/shell_utils.h"

#include <QIcon>
#include <QMap>
#include <QString>
#include <memory>
#include <vector>

class QMenu;
class QMimeData;
class QWidget;

enum TItemKind : uint8_t {
    ikHome = 'H',       // the user's home folder, under the Desktop
    ikComputer = 'C',   // the drives, under the Desktop
    ikTrash = 'T',      // the desktop's trash, under the Desktop
    ikDrive = 'D',      // a mount point (the name is its path), under Computer
    ikEntry = 'F',      // a file or folder of a file-system folder
    ikTrashItem = 'R',  // a file in the trash's "files" folder
};

// Item attributes (SFGAO).
constexpr uint32_t SFGAO_CANCOPY = 0x1;
constexpr uint32_t SFGAO_CANMOVE = 0x2;
constexpr uint32_t SFGAO_CANLINK = 0x4;
constexpr uint32_t SFGAO_CANRENAME = 0x10;
constexpr uint32_t SFGAO_CANDELETE = 0x20;
constexpr uint32_t SFGAO_HASPROPSHEET = 0x40;
constexpr uint32_t SFGAO_DROPTARGET = 0x100;
constexpr uint32_t SFGAO_LINK = 0x10000;
constexpr uint32_t SFGAO_SHARE = 0x20000;
constexpr uint32_t SFGAO_READONLY = 0x40000;
constexpr uint32_t SFGAO_GHOSTED = 0x80000;
constexpr uint32_t SFGAO_VALIDATE = 0x1000000;
constexpr uint32_t SFGAO_REMOVABLE = 0x2000000;
constexpr uint32_t SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr uint32_t SFGAO_FOLDER = 0x20000000;
constexpr uint32_t SFGAO_FILESYSTEM = 0x40000000;
constexpr uint32_t SFGAO_HASSUBFOLDER = 0x80000000;

// Enumeration flags (SHCONTF).
constexpr uint32_t SHCONTF_FOLDERS = 0x20;
constexpr uint32_t SHCONTF_NONFOLDERS = 0x40;
constexpr uint32_t SHCONTF_INCLUDEHIDDEN = 0x80;

// Drive types.
constexpr int DRIVE_REMOVABLE = 2;
constexpr int DRIVE_FIXED = 3;
constexpr int DRIVE_REMOTE = 4;
constexpr int DRIVE_CDROM = 5;

struct TShellDrive {
    QByteArray MountPoint;
    QString FsType;
    int Type = DRIVE_FIXED;
};

// The drives Computer lists: "/" and the removable, optical, network and user mounts of the
// mount table, in the table's order.
std::vector<TShellDrive> ShellDrives();
// Mount-table lines in the kernel's "mountinfo" layout, parsed.
std::vector<TShellDrive> ParseMountTable(const QByteArray& text);
// Tests: the mount table read instead of /proc/self/mountinfo ("" restores it).
void SetMountTableFile(const QString& path);
QString MountTableFile();
int ShellDriveType(const QByteArray& path);

// Where the Desktop's entries and the trash live.
QByteArray DesktopDirectory();   // "" when the desktop has no folder of its own
QByteArray HomeDirectory();
QByteArray TrashDirectory();     // $XDG_DATA_HOME/Trash
bool IsWritableFolder(const QByteArray& path);

// One item of a list: its kind and its raw name, nil kind (0) for a damaged item.
struct TItemView {
    uint8_t Kind = 0;
    QByteArray Name;
};
TItemView ViewItem(PCItemIDList item);
// A one-item list (shell allocator).
PItemIDList MakeItem(uint8_t kind, const QByteArray& name);

class TEnumIDList {
public:
    // S_OK with the next item (the caller frees it), S_FALSE at the end, or the error met.
    HRESULT Next(PItemIDList& item);

private:
    friend class TShellFolder;
    std::vector<std::pair<uint8_t, QByteArray>> m_items;
    size_t m_next = 0;
    HRESULT m_end = S_FALSE;
};

class TContextMenu;

// What ordering an item needs, read once: sorting compares these, never the file system.
struct TItemSortKey {
    uint8_t Kind = 0;
    bool Known = false; // the item could be read
    bool Folder = false;
    qint64 Size = 0;
    qint64 Time = 0;
    QString Folded;  // the name case-folded, for the natural order
    QString Suffix;  // the extension case-folded
    QByteArray Name; // the raw bytes, the last word
};
// Negative, 0 or positive: folders first, then by the column (0 name, 1 size, 2 type, 3 date),
// then by name.
int CompareSortKeys(const TItemSortKey& a, const TItemSortKey& b, int column);

// A folder of the namespace, bound to its absolute list.
class TShellFolder : public std::enable_shared_from_this<TShellFolder> {
public:
    // The folder of an absolute list; nil when the list names no folder.
    static HRESULT Bind(PCItemIDList absolute, IShellFolder& folder);

    HRESULT EnumObjects(QWidget* owner, uint32_t flags, std::unique_ptr<TEnumIDList>& items);
    // attributes: in, the bits asked; out, those every item has.
    HRESULT GetAttributesOf(int count, const PCItemIDList* items, uint32_t& attributes);
    // Low 16 bits of the result: negative, 0 or positive. Column 0 name, 1 size, 2 type, 3 date.
    HRESULT CompareIDs(intptr_t column, PCItemIDList first, PCItemIDList second);
    // The key of an item's first element (one stat of the file system).
    TItemSortKey SortKeyOf(PCItemIDList item) const;
    HRESULT GetDisplayNameOf(PCItemIDList item, uint32_t flags, QString& name);
    // Renames without overwriting; newItem receives the item's new list.
    HRESULT SetNameOf(QWidget* owner, PCItemIDList item, const QString& name, uint32_t flags,
                      PItemIDList* newItem);
    HRESULT BindToObject(PCItemIDList relative, IShellFolder& folder);
    // On the Desktop an absolute path (or "computer:///", "trash:///"); elsewhere a name.
    HRESULT ParseDisplayName(QWidget* owner, const QString& name, PItemIDList& item);
    HRESULT GetContextMenu(QWidget* owner, int count, const PCItemIDList* items,
                           std::unique_ptr<TContextMenu>& menu);

    PCItemIDList AbsoluteIdList() const { return reinterpret_cast<PCItemIDList>(m_absolute.constData()); }
    QByteArray NativePath() const { return m_path; }
    // The file-system path of an item of this folder; "" for a virtual one.
    QByteArray ItemPath(PCItemIDList item) const;
    uint8_t Kind() const { return m_kind; }

private:
    uint32_t attributesOf(const TItemView& item) const;
    uint8_t m_kind = 0;      // 0 Desktop, else the kind of its last item
    QByteArray m_absolute;   // the list with its terminator
    QByteArray m_path;       // native path, "" for a virtual folder
};

// Verbs of the item menus, by their command offset from the first id.
enum TShellVerb {
    verbOpen = 0,
    verbCut = 1,
    verbCopy = 2,
    verbPaste = 3,
    verbDelete = 4,
    verbLink = 5,
    verbRename = 18,
};

constexpr uint32_t CMF_NORMAL = 0;
constexpr uint32_t CMF_EXPLORE = 0x4;
constexpr uint32_t CMF_CANRENAME = 0x10;
constexpr uint32_t GCS_VERBA = 0;
constexpr uint32_t GCS_HELPTEXTA = 1;

// The context menu of some items of one folder (or of a folder itself).
class TContextMenu {
public:
    TContextMenu(IShellFolder folder, std::vector<QByteArray> items);
    // Adds the verbs' items to menu with ids first + offset; the default item comes first.
    HRESULT QueryContextMenu(QMenu* menu, int first, int last, uint32_t flags);
    HRESULT GetCommandString(int offset, uint32_t type, QString& text) const;
    HRESULT InvokeCommand(QWidget* owner, int offset);
    // The offset of the default verb (open), -1 when there is none.
    int DefaultCommand() const;

private:
    HRESULT cutOrCopy(bool cut);
    HRESULT paste(QWidget* owner);
    HRESULT toTrash();
    HRESULT open();
    HRESULT link();
    QByteArray targetFolder() const;
    IShellFolder m_folder;
    std::vector<QByteArray> m_items;   // lists relative to m_folder; none = the folder itself
};

// The clipboard and drag data of items: "Shell IDList Array" and text/uri-list (every path
// whole), plus how a paste should treat them.
QMimeData* MakeShellItemsData(PCItemIDList parent, const std::vector<PCItemIDList>& items, bool cut);
// The local paths a drop or paste carries: from text/uri-list, else from a checked
// "Shell IDList Array" block; cut tells whether they are to be moved.
QList<QByteArray> ShellItemsPaths(const QMimeData* data, bool* cut = nullptr);
extern const char* const ShellIdListMimeType;
// Copies (or moves) files and folders into a folder; a name in use gives the copy the next
// free "name (n)".
HRESULT ShellTransferItems(const QByteArray& targetDir, const QList<QByteArray>& sources, bool move);

// The process-wide system image list: icons from the icon theme, Qt's standard icons where the
// theme has none. Index 0 is a plain document.
class TSystemImageList {
public:
    static TSystemImageList& Instance();
    int IndexOfName(const QString& iconName, int standardFallback);
    QIcon Icon(int index) const;
    int Count() const { return int(m_icons.size()); }
    TNSShellIconSize Size = ptsizSmall;

private:
    TSystemImageList();
    std::vector<QIcon> m_icons;
    QMap<QString, int> m_byName;
};
