#pragma once
// What the shell tree and list share: the folder locator, the node data of their items, the
// shell key table, new folders and the shell menus.
#include "shellcontrols/shell_namespace.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <Qt>
#include <functional>
#include <memory>

class QColor;
class QDropEvent;
class QKeyEvent;
class QMenu;
class QWidget;
class TNSCustomShellTree;
class TNSCustomShellList;

// ---- locator ----

class TNSShellLocator {
public:
    enum TNSShellLocator_Which { usePidl, useCSIDL };
    TNSShellLocator() = default;
    ~TNSShellLocator();
    TNSShellLocator(const TNSShellLocator&) = delete;
    TNSShellLocator& operator=(const TNSShellLocator&) = delete;

    // The folder's list (made for a special folder on first use); nil = the desktop.
    PCItemIDList IdList();
    void SetIdList(PCItemIDList pidl);
    TCSIDL CSIDL() const { return m_kind == useCSIDL ? m_csidl : csidlNone; }
    void SetCSIDL(TCSIDL value);
    QString PathName() { return ShellGetPathFromIdList(IdList()); }
    void SetPathName(const QString& path);
    void Clear() { SetIdList(nullptr); }
    bool IsEqual(TNSShellLocator& other);
    void Assign(TNSShellLocator* source);
    void Changed();
    TNSShellLocator_Which Kind() const { return m_kind; }

    // The "Pidl" property as component streaming keeps it; empty when it is not written.
    QByteArray WriteData() const;
    // Reads the property; false, the locator unchanged, for a block that is damaged or whose
    // length runs past its end.
    bool ReadData(const QByteArray& data);

    std::function<void(TNSShellLocator*)> OnChange;

private:
    TNSShellLocator_Which m_kind = usePidl;
    PItemIDList m_pidl = nullptr;
    TCSIDL m_csidl = csidlNone;
};

// ---- node data ----

class TNSShTreeData {
public:
    explicit TNSShTreeData(TNSCustomShellTree* owner) : m_owner(owner) {}
    ~TNSShTreeData();
    void SetData(TNSShTreeData* parent, PCItemIDList relPidl);
    void SetRelPidl(PCItemIDList pidl);
    void Flush();
    PCItemIDList AbsPidl();
    PCItemIDList RelPidl() const { return m_rel; }
    TNSShTreeData* Parent() const { return m_parent; }
    QString PathName();
    IShellFolder ParentIShf();
    IShellFolder ThisIShf();
    void SetThisIShf(IShellFolder folder) { m_this = std::move(folder); }
    bool Editable();
    bool IsRootDir();

private:
    TNSCustomShellTree* m_owner;
    TNSShTreeData* m_parent = nullptr;
    PItemIDList m_rel = nullptr;
    PItemIDList m_abs = nullptr;
    IShellFolder m_this, m_parentFolder;
};

class TNSShListData {
public:
    explicit TNSShListData(TNSCustomShellList* owner) : m_owner(owner) {}
    ~TNSShListData();
    // Takes the list without copying it.
    void SetData(PItemIDList pidl);
    void Flush();
    PCItemIDList AbsoluteIdList();
    PCItemIDList RelativeIdList() const { return m_rel; }
    // The item's attributes; none when the folder cannot answer.
    uint32_t Attributes();
    bool IsFolder() { return Attributes() & SFGAO_FOLDER; }
    bool IsFileSystem() { return Attributes() & SFGAO_FILESYSTEM; }
    bool Editable() { return Attributes() & SFGAO_CANRENAME; }
    bool IsValid();
    bool IsLnkShortcut();
    QString DisplayName();
    QString PathName();
    QString Filename();
    QString Size();
    QString FileType();
    QString Modified();
    QString GetColText(int column);

private:
    void loadExtra();
    TNSCustomShellList* m_owner;
    PItemIDList m_abs = nullptr;
    PItemIDList m_rel = nullptr;
    QString m_displayName;
    bool m_extraLoaded = false;
    QString m_size, m_type, m_modified;
};

// ---- key table ----

using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

QString ShortCutToText(TShortCut shortcut);
TShortCut TextToShortCut(const QString& text);
// The shortcut of a pressed key (virtual-key code and modifiers); 0 for keys without one.
TShortCut ShortCutOfKey(const QKeyEvent* e);

enum TShellKey { skSelectAll, skDelete, skCopy, skCut, skPaste, skRefresh, skEdit, skCount };
// The table, filled from the key strings on first use.
TShortCut ShellKey(TShellKey key);

// ---- new folder ----

constexpr int NSSH_MAX_FOLDER_ATTEMPTS = 50;
// A new folder "New Folder", "New Folder (2)", ..., else "fldr", "fldr2", ... in directory.
// One warning with the system's text when it cannot be made; nothing at all for an empty
// directory (a virtual folder has no place for one).
bool NSShCreateNewFolder(const QString& directory, QString& newName);

// ---- shell menus ----

HRESULT NSGetContextMenu(IShellFolder folder, const std::vector<PCItemIDList>& items, QWidget* owner,
                         std::unique_ptr<TContextMenu>& menu);
int NSFindVerbOffset(TContextMenu* menu, const QString& verb);
HRESULT NSInvokeVerb(TContextMenu* menu, const QString& verb, QWidget* owner);
// Raises the system's text for a failed result.
void NSRaiseOnFailure(HRESULT hr);
// The top-level window of a control.
QWidget* NSOwnerForm(QWidget* control);
// Fills popup with the shell menu's items; hint receives the help text of the item under the
// mouse (empty for the control's own items).
void NSFillShellMenu(QMenu& popup, TContextMenu* menu, int first, int last, uint32_t flags,
                     std::function<void(const QString&)> hint);

// ---- what the tree and the list share ----

// The hourglass while a control works; the cursor before comes back however the work ends.
class TNSBusyCursor {
public:
    TNSBusyCursor();
    ~TNSBusyCursor();
    TNSBusyCursor(const TNSBusyCursor&) = delete;
    TNSBusyCursor& operator=(const TNSBusyCursor&) = delete;
};

// Raises a re-entrancy counter for a scope.
class TNSCounter {
public:
    explicit TNSCounter(int& count) : m_count(count) { ++m_count; }
    ~TNSCounter() { --m_count; }
    TNSCounter(const TNSCounter&) = delete;
    TNSCounter& operator=(const TNSCounter&) = delete;

private:
    int& m_count;
};

// The drive information stays as it is while a control refreshes after a drive came or went.
class TNSDriveInfoCacheLock {
public:
    TNSDriveInfoCacheLock() { LockFlushDriveInfoCache(); }
    ~TNSDriveInfoCacheLock() { UnlockFlushDriveInfoCache(); }
    TNSDriveInfoCacheLock(const TNSDriveInfoCacheLock&) = delete;
    TNSDriveInfoCacheLock& operator=(const TNSDriveInfoCacheLock&) = delete;
};

// The drop effects that the copy, move and link attributes grant.
Qt::DropActions DropActionsOfAttributes(uint32_t attributes);
// The background of the item a drop would go into.
QColor NSDropHighlightColor(const QWidget* control);
// Takes dropped files into folder: moved when the drop asks for it, else copied. refresh runs
// also after a failed transfer, before its error is raised.
void NSTakeDrop(QDropEvent* e, const QByteArray& folder, const QList<QByteArray>& paths,
                const std::function<void()>& refresh);
