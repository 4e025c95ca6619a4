#include "shellcontrols/shell_controls.h"

#include "lang/string_ids.h"
#include "platform/byte_order.h"
#include "platform/message_box.h"
#include "shellcontrols/shell_list.h"
#include "shellcontrols/shell_tree.h"

#include <QDateTime>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeDatabase>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

// ---- locator ----

TNSShellLocator::~TNSShellLocator()
{
    ShellMemFree(m_pidl);
}

PCItemIDList TNSShellLocator::IdList()
{
    if (m_kind == useCSIDL && !m_pidl)
        ShellGetSpecialFolderIdList(m_csidl, m_pidl);
    return m_pidl;
}

void TNSShellLocator::SetIdList(PCItemIDList pidl)
{
    const bool empty = !pidl || ReadLE16(pidl) == 0;
    if (m_kind == usePidl) {
        // The same folder again changes nothing and tells no one.
        if (m_pidl ? (!empty && CompareAbsIdLists(m_pidl, pidl) == 0) : empty)
            return;
    }
    m_kind = usePidl;
    ShellMemFree(m_pidl);
    m_pidl = empty ? nullptr : CopyIdList(nullptr, pidl);
    m_csidl = csidlNone;
    Changed();
}

void TNSShellLocator::SetCSIDL(TCSIDL value)
{
    ShellMemFree(m_pidl);
    m_pidl = nullptr;
    if (m_kind == useCSIDL && m_csidl == value)
        return;
    m_kind = useCSIDL;
    m_csidl = value;
    Changed();
}

void TNSShellLocator::SetPathName(const QString& path)
{
    PItemIDList pidl = nullptr;
    if (SUCCEEDED(ShellGetIdListFromPath(path, pidl))) {
        TPidlHolder hold(pidl);
        SetIdList(pidl);
    } else {
        SetIdList(nullptr);
    }
}

bool TNSShellLocator::IsEqual(TNSShellLocator& other)
{
    if (&other == this)
        return true;
    if (m_kind != other.m_kind)
        return false;
    if (m_kind == usePidl)
        return CompareAbsIdLists(m_pidl, other.m_pidl) == 0;
    return m_csidl == other.m_csidl;
}

void TNSShellLocator::Assign(TNSShellLocator* source)
{
    if (!source) {
        Clear();
        return;
    }
    if (IsEqual(*source))
        return;
    m_kind = source->m_kind;
    ShellMemFree(m_pidl);
    m_pidl = source->m_kind == usePidl && source->m_pidl ? CopyIdList(nullptr, source->m_pidl) : nullptr;
    m_csidl = source->m_csidl;
    Changed();
}

void TNSShellLocator::Changed()
{
    if (OnChange)
        OnChange(this);
}

QByteArray TNSShellLocator::WriteData() const
{
    if (m_kind == useCSIDL)
        return QByteArray(1, '\1') + char(m_csidl);
    if (!m_pidl)
        return QByteArray();
    const uint32_t len = IdListLen(m_pidl);
    QByteArray out(5, '\0');
    WriteLE32(out.data() + 1, len);
    return out + QByteArray(reinterpret_cast<const char*>(m_pidl), int(len));
}

bool TNSShellLocator::ReadData(const QByteArray& data)
{
    if (data.isEmpty())
        return false;
    const auto* p = reinterpret_cast<const uint8_t*>(data.constData());
    if (p[0] != 0) {
        if (data.size() < 2 || p[1] > uint8_t(csidlNone))
            return false;
        ShellMemFree(m_pidl);
        m_pidl = nullptr;
        m_kind = useCSIDL;
        m_csidl = TCSIDL(p[1]);
        return true;
    }
    if (data.size() < 5)
        return false;
    const uint32_t len = ReadLE32(p + 1);
    if (len == 0) {
        ShellMemFree(m_pidl);
        m_pidl = nullptr;
        m_kind = useCSIDL;
        m_csidl = csidlDesktop;
        return true;
    }
    // The length must be the list's own, within what the stream holds.
    if (len > uint32_t(data.size() - 5) || IdListLenWithin(p + 5, len) != len)
        return false;
    ShellMemFree(m_pidl);
    m_pidl = static_cast<PItemIDList>(ShellMemAlloc(len));
    std::memcpy(m_pidl, p + 5, len);
    m_kind = usePidl;
    m_csidl = csidlNone;
    return true;
}

// ---- tree data ----

namespace {

// Parent folder, parent list and last item of an absolute list.
HRESULT SplitIdList(PCItemIDList abs, IShellFolder& parent, QByteArray& parentPidl, QByteArray& rel)
{
    QByteArray desk;
    if (!abs || ReadLE16(abs) == 0) {
        PItemIDList p = nullptr;
        const HRESULT hr = ShellGetIdListFromPath(ShellGetSpecialFolderPath(csidlDesktop), p);
        if (FAILED(hr) || !p || ReadLE16(p) == 0) {
            ShellMemFree(p);
            return E_FAIL;
        }
        desk = IdListBytes(p);
        ShellMemFree(p);
        abs = reinterpret_cast<PCItemIDList>(desk.constData());
    }
    TNSIdListArray a(abs);
    const int count = a.GetCount();
    rel = IdListBytes(a.GetItem(count - 1));
    if (count == 1) {
        parentPidl.clear();
        return ShellGetDesktopFolder(parent);
    }
    parentPidl = IdListBytes(a.GoUp(1));
    return ShellGetFolderFromIdList(reinterpret_cast<PCItemIDList>(parentPidl.constData()), parent);
}

} // namespace

TNSShTreeData::~TNSShTreeData()
{
    ShellMemFree(m_rel);
    ShellMemFree(m_abs);
}

void TNSShTreeData::SetData(TNSShTreeData* parent, PCItemIDList relPidl)
{
    m_parent = parent;
    ShellMemFree(m_rel);
    m_rel = CopyIdList(nullptr, relPidl);
    ShellMemFree(m_abs);
    m_abs = nullptr;
}

void TNSShTreeData::SetRelPidl(PCItemIDList pidl)
{
    ShellMemFree(m_rel);
    ShellMemFree(m_abs);
    m_abs = nullptr;
    m_this.reset();
    m_rel = CopyIdList(nullptr, pidl);
    AbsPidl();
}

void TNSShTreeData::Flush()
{
    ShellMemFree(m_abs);
    m_abs = nullptr;
    m_this.reset();
}

PCItemIDList TNSShTreeData::AbsPidl()
{
    if (!m_abs)
        m_abs = m_parent ? ConcatIdLists(nullptr, m_parent->AbsPidl(), m_rel) : CopyIdList(nullptr, m_rel);
    return m_abs;
}

QString TNSShTreeData::PathName()
{
    return ShellGetPathFromIdList(AbsPidl());
}

IShellFolder TNSShTreeData::ParentIShf()
{
    if (m_parent)
        return m_parent->ThisIShf();
    m_parentFolder.reset();
    QByteArray parentPidl, rel;
    IShellFolder folder;
    if (SUCCEEDED(SplitIdList(AbsPidl(), folder, parentPidl, rel)))
        m_parentFolder = folder;
    return m_parentFolder;
}

IShellFolder TNSShTreeData::ThisIShf()
{
    if (m_this)
        return m_this;
    IShellFolder parent = m_parent ? m_parent->ThisIShf() : IShellFolder();
    if (parent && SUCCEEDED(parent->BindToObject(m_rel, m_this)))
        return m_this;
    if (!m_parent && SUCCEEDED(ShellGetFolderFromIdList(AbsPidl(), m_this)))
        return m_this;
    if (FAILED(ShellGetDesktopFolder(m_this)))
        throw EKorvaneError("The desktop folder cannot be opened");
    return m_this;
}

bool TNSShTreeData::Editable()
{
    PCItemIDList abs = AbsPidl();
    if (!abs || ReadLE16(abs) == 0 || !m_parent)
        return false;
    IShellFolder parent = ParentIShf();
    if (!parent)
        return false;
    uint32_t attributes = 0x40000177;
    PCItemIDList items[1] = {m_rel};
    return SUCCEEDED(parent->GetAttributesOf(1, items, attributes)) && (attributes & SFGAO_CANRENAME);
}

bool TNSShTreeData::IsRootDir()
{
    return PathName() == QLatin1String("/");
}

// ---- list data ----

TNSShListData::~TNSShListData()
{
    ShellMemFree(m_abs);
    ShellMemFree(m_rel);
}

void TNSShListData::SetData(PItemIDList pidl)
{
    ShellMemFree(m_rel);
    m_rel = pidl;
    Flush();
}

void TNSShListData::Flush()
{
    ShellMemFree(m_abs);
    m_abs = nullptr;
    m_extraLoaded = false;
    m_displayName.clear();
}

PCItemIDList TNSShListData::AbsoluteIdList()
{
    if (!m_abs)
        m_abs = ConcatIdLists(nullptr, m_owner->CurrentFolderIdList(), m_rel);
    return m_abs;
}

uint32_t TNSShListData::Attributes()
{
    IShellFolder folder = m_owner->CurrentFolder();
    if (!folder)
        return 0;
    uint32_t mask = 0xF00F0037;
    const QString path = PathName();
    if (path.size() > 1 && ShellDriveType(EncodeNativeName(path)) == DRIVE_REMOVABLE)
        mask &= ~SFGAO_READONLY;
    PCItemIDList items[1] = {m_rel};
    // A folder that cannot answer grants nothing.
    if (FAILED(folder->GetAttributesOf(1, items, mask)))
        return 0;
    return mask;
}

bool TNSShListData::IsValid()
{
    IShellFolder folder = m_owner->CurrentFolder();
    uint32_t mask = SFGAO_VALIDATE;
    PCItemIDList items[1] = {m_rel};
    return folder && SUCCEEDED(folder->GetAttributesOf(1, items, mask));
}

bool TNSShListData::IsLnkShortcut()
{
    return PathName().endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive);
}

QString TNSShListData::DisplayName()
{
    if (m_displayName.isEmpty()) {
        IShellFolder folder = m_owner->CurrentFolder();
        if (folder)
            folder->GetDisplayNameOf(m_rel, SHGDN_INFOLDER, m_displayName);
    }
    return m_displayName;
}

QString TNSShListData::PathName()
{
    IShellFolder folder = m_owner->CurrentFolder();
    return folder ? DecodeNativeName(folder->ItemPath(m_rel)) : QString();
}

QString TNSShListData::Filename()
{
    const QString path = PathName();
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

void TNSShListData::loadExtra()
{
    if (m_extraLoaded)
        return;
    m_extraLoaded = true;
    m_size.clear();
    m_modified.clear();
    const QString path = PathName();
    struct stat st;
    if (path.size() > 1 && ::stat(EncodeNativeName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        const long long kb = st.st_size / 1024 + (st.st_size % 1024 ? 1 : 0);
        m_size = NSResString(SFilesizeKB).replace(QLatin1String("%s"), QLocale().toString(kb));
        const QDateTime t = QDateTime::fromSecsSinceEpoch(st.st_mtime);
        m_modified = QLocale().toString(t, QLocale::ShortFormat);
    }
    if (Attributes() & SFGAO_FILESYSTEM) {
        static QMimeDatabase db;
        if (IsFolder())
            m_type = db.mimeTypeForName(QStringLiteral("inode/directory")).comment();
        else
            m_type = db.mimeTypeForFile(path, QMimeDatabase::MatchExtension).comment().left(80);
    } else {
        m_type = NSResString(SSystemFolder);
    }
}

QString TNSShListData::Size()
{
    loadExtra();
    return m_size;
}

QString TNSShListData::FileType()
{
    loadExtra();
    return m_type;
}

QString TNSShListData::Modified()
{
    loadExtra();
    return m_modified;
}

QString TNSShListData::GetColText(int column)
{
    switch (column) {
    case 1: return Size();
    case 2: return FileType();
    case 3: return Modified();
    default: return QString();
    }
}

// ---- key table ----

namespace {

QString KeyName(int key)
{
    static const char* const names[] = {"Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};
    switch (key) {
    case 8: return QStringLiteral("BkSp");
    case 9: return QStringLiteral("Tab");
    case 13: return QStringLiteral("Enter");
    case 27: return QStringLiteral("Esc");
    case 45: return QStringLiteral("Ins");
    case 46: return QStringLiteral("Del");
    default: break;
    }
    if (key >= 32 && key <= 40)
        return QString::fromLatin1(names[key - 32]);
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return QString(QChar(key));
    if (key >= 96 && key <= 105)
        return QString(QChar('0' + key - 96));
    if (key >= 112 && key <= 135)
        return QStringLiteral("F%1").arg(key - 111);
    return QStringLiteral("#%1").arg(key);
}

} // namespace

QString ShortCutToText(TShortCut shortcut)
{
    QString text;
    if (shortcut & scShift)
        text += QStringLiteral("Shift+");
    if (shortcut & scCtrl)
        text += QStringLiteral("Ctrl+");
    if (shortcut & scAlt)
        text += QStringLiteral("Alt+");
    return text + KeyName(shortcut & 0xFF);
}

TShortCut TextToShortCut(const QString& text)
{
    TShortCut mods = 0;
    QString rest = text;
    for (bool more = true; more;) {
        more = false;
        static const struct {
            const char* word;
            TShortCut bit;
        } words[] = {{"Shift+", scShift}, {"^", scCtrl}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
        for (const auto& w : words)
            if (rest.startsWith(QLatin1String(w.word), Qt::CaseInsensitive)) {
                mods |= w.bit;
                rest = rest.mid(int(std::strlen(w.word)));
                more = true;
            }
    }
    for (int key = 8; key <= 597; ++key)
        if (KeyName(key & 0xFF).compare(rest, Qt::CaseInsensitive) == 0 && key <= 255)
            return TShortCut(key | mods);
    return 0;
}

TShortCut ShortCutOfKey(const QKeyEvent* e)
{
    const int k = e->key();
    int vk = 0;
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        vk = 'A' + (k - Qt::Key_A);
    else if (k >= Qt::Key_0 && k <= Qt::Key_9)
        vk = '0' + (k - Qt::Key_0);
    else if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        vk = 112 + (k - Qt::Key_F1);
    else {
        switch (k) {
        case Qt::Key_Backspace: vk = 8; break;
        case Qt::Key_Tab: vk = 9; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: vk = 13; break;
        case Qt::Key_Escape: vk = 27; break;
        case Qt::Key_Space: vk = 32; break;
        case Qt::Key_PageUp: vk = 33; break;
        case Qt::Key_PageDown: vk = 34; break;
        case Qt::Key_End: vk = 35; break;
        case Qt::Key_Home: vk = 36; break;
        case Qt::Key_Left: vk = 37; break;
        case Qt::Key_Up: vk = 38; break;
        case Qt::Key_Right: vk = 39; break;
        case Qt::Key_Down: vk = 40; break;
        case Qt::Key_Insert: vk = 45; break;
        case Qt::Key_Delete: vk = 46; break;
        default: return 0;
        }
    }
    TShortCut s = TShortCut(vk);
    if (e->modifiers() & Qt::ShiftModifier)
        s |= scShift;
    if (e->modifiers() & Qt::ControlModifier)
        s |= scCtrl;
    if (e->modifiers() & Qt::AltModifier)
        s |= scAlt;
    return s;
}

TShortCut ShellKey(TShellKey key)
{
    static TShortCut table[skCount];
    static bool filled = false;
    if (!filled) {
        static const int ids[skCount] = {SShKey_SelectAll, SShKey_Delete, SShKey_Copy, SShKey_Cut,
                                         SShKey_Paste,     SShKey_Refresh, SShKey_Edit};
        for (int i = 0; i < skCount; ++i)
            table[i] = TextToShortCut(NSResString(ids[i]));
        filled = true;
    }
    return table[key];
}

// ---- new folder ----

bool NSShCreateNewFolder(const QString& directory, QString& newName)
{
    // A virtual folder has no place for one; the program's own folder is never used instead.
    if (directory.isEmpty())
        return false;
    const QString dir = EnsureTrailingCharDB(directory, QLatin1Char('/'));
    auto warn = [&](int error, const QString& path) {
        MessageBox(nullptr, FormatStrPos(NSResString(SUnableToCreateFolder), {SysErrorMessage(error), path}),
                   QString(), MB_OK | MB_ICONWARNING);
    };
    for (int scheme = 0; scheme < 2; ++scheme)
        for (int n = 1; n <= NSSH_MAX_FOLDER_ATTEMPTS; ++n) {
            QString name;
            if (scheme == 0)
                name = n == 1 ? NSResString(SNewFolder) : NSResString(SNewFolder) + QStringLiteral(" (%1)").arg(n);
            else
                name = n == 1 ? QStringLiteral("fldr") : QStringLiteral("fldr%1").arg(n);
            const QByteArray path = EncodeNativeName(dir + name);
            if (::mkdir(path.constData(), 0777) == 0) {
                newName = name;
                return true;
            }
            const uint32_t error = Win32ErrorFromErrno(errno);
            if (error != ERROR_ALREADY_EXISTS) {
                // One message with the real reason; the other names would fail the same way.
                warn(int(error), dir + name);
                return false;
            }
        }
    warn(int(ERROR_ALREADY_EXISTS), NSResString(SNewFolder));
    return false;
}

// ---- shell menus ----

HRESULT NSGetContextMenu(IShellFolder folder, const std::vector<PCItemIDList>& items, QWidget* owner,
                         std::unique_ptr<TContextMenu>& menu)
{
    if (!folder)
        return E_INVALIDARG;
    return folder->GetContextMenu(owner, int(items.size()), items.data(), menu);
}

int NSFindVerbOffset(TContextMenu* menu, const QString& verb)
{
    for (int offset = 0; offset < 64; ++offset) {
        QString name;
        if (SUCCEEDED(menu->GetCommandString(offset, GCS_VERBA, name)) && name.compare(verb, Qt::CaseInsensitive) == 0)
            return offset;
    }
    return 0;
}

HRESULT NSInvokeVerb(TContextMenu* menu, const QString& verb, QWidget* owner)
{
    return menu->InvokeCommand(owner, NSFindVerbOffset(menu, verb));
}

void NSRaiseOnFailure(HRESULT hr)
{
    if (FAILED(hr))
        throw EKorvaneError(HResultMessage(hr));
}

QWidget* NSOwnerForm(QWidget* control)
{
    return control ? control->window() : nullptr;
}

void NSFillShellMenu(QMenu& popup, TContextMenu* menu, int first, int last, uint32_t flags,
                     std::function<void(const QString&)> hint)
{
    NSRaiseOnFailure(menu->QueryContextMenu(&popup, first, last, flags));
    QObject::connect(&popup, &QMenu::hovered, &popup, [menu, first, hint = std::move(hint)](QAction* a) {
        QString text;
        const int id = a->data().toInt();
        if (id >= first && FAILED(menu->GetCommandString(id - first, GCS_HELPTEXTA, text)))
            text.clear();
        if (hint)
            hint(text);
    });
}

// ---- what the tree and the list share ----

TNSBusyCursor::TNSBusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

TNSBusyCursor::~TNSBusyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

Qt::DropActions DropActionsOfAttributes(uint32_t attributes)
{
    Qt::DropActions actions;
    if (attributes & SFGAO_CANCOPY)
        actions |= Qt::CopyAction;
    if (attributes & SFGAO_CANMOVE)
        actions |= Qt::MoveAction;
    if (attributes & SFGAO_CANLINK)
        actions |= Qt::LinkAction;
    return actions;
}

QColor NSDropHighlightColor(const QWidget* control)
{
    return control->palette().brush(QPalette::Highlight).color().lighter(160);
}

void NSTakeDrop(QDropEvent* e, const QByteArray& folder, const QList<QByteArray>& paths,
                const std::function<void()>& refresh)
{
    const bool move = e->dropAction() == Qt::MoveAction;
    e->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
    e->accept();
    Application->Guard([&] {
        const HRESULT hr = ShellTransferItems(folder, paths, move);
        refresh();
        NSRaiseOnFailure(hr);
    });
}
