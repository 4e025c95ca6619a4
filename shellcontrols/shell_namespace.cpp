#include "shellcontrols/shell_namespace.h"

#include "lang/string_ids.h"
#include "platform/byte_order.h"
#include "platform/message_box.h"
#include "shellcontrols/trash.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const ShellIdListMimeType = "application/x-qt-windows-mime;value=\"Shell IDList Array\"";

namespace {

constexpr uint32_t ERROR_INVALID_NAME = 123;
constexpr qint64 kMountTableLimit = 4 << 20;

QString g_mountTableFile;

bool ValidEntryName(const QByteArray& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

QByteArray Join(const QByteArray& dir, const QByteArray& name)
{
    if (dir.endsWith('/'))
        return dir + name;
    return dir + '/' + name;
}

bool IsDir(const QByteArray& path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// Whether a folder holds at least one folder (hidden ones count).
bool HasSubfolder(const QByteArray& path)
{
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return false;
    bool found = false;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.' && (!e->d_name[1] || (e->d_name[1] == '.' && !e->d_name[2])))
            continue;
        if (e->d_type == DT_DIR || ((e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) &&
                                    IsDir(Join(path, QByteArray(e->d_name))))) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// A path made absolute and plain: no ".", "..", doubled or trailing slashes.
QByteArray CleanPath(const QByteArray& path)
{
    QList<QByteArray> parts;
    for (const QByteArray& p : path.split('/')) {
        if (p.isEmpty() || p == ".")
            continue;
        if (p == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << p;
    }
    return '/' + parts.join('/');
}

bool Under(const QByteArray& path, const QByteArray& dir)
{
    if (dir == "/")
        return path.startsWith('/');
    return path.startsWith(dir) && path.size() > dir.size() && path[dir.size()] == '/';
}

// Words of the natural order over case-folded names: digit runs compare by value.
int NaturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype si = i, sj = j;
            while (si < a.size() && a[si] == QLatin1Char('0'))
                ++si;
            while (sj < b.size() && b[sj] == QLatin1Char('0'))
                ++sj;
            qsizetype ei = si, ej = sj;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            for (qsizetype k = 0; k < ei - si; ++k)
                if (a[si + k] != b[sj + k])
                    return a[si + k] < b[sj + k] ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j] ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int Sign(long long v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

HRESULT CompareResult(int c)
{
    return HRESULT(uint16_t(int16_t(c)));
}

// The kind and path an absolute list names; false for a list the namespace does not hold.
struct Resolved {
    uint8_t kind = 0;
    QByteArray path;
};

bool Resolve(PCItemIDList pidl, Resolved& out)
{
    Resolved r;
    r.path = DesktopDirectory();
    if (pidl) {
        for (uint16_t cb; (cb = ReadLE16(pidl)) != 0; pidl += cb) {
            const TItemView v = ViewItem(pidl);
            switch (r.kind) {
            case 0:
                if (v.Kind == ikHome) {
                    r.path = HomeDirectory();
                } else if (v.Kind == ikComputer || v.Kind == ikTrash) {
                    r.path.clear();
                } else if (v.Kind == ikEntry && !r.path.isEmpty() && ValidEntryName(v.Name)) {
                    r.path = Join(r.path, v.Name);
                } else {
                    return false;
                }
                r.kind = v.Kind;
                break;
            case ikHome:
            case ikDrive:
            case ikEntry:
                if (v.Kind != ikEntry || !ValidEntryName(v.Name))
                    return false;
                r.path = Join(r.path, v.Name);
                r.kind = ikEntry;
                break;
            case ikComputer:
                if (v.Kind != ikDrive || !v.Name.startsWith('/') || v.Name.contains('\0'))
                    return false;
                r.path = v.Name;
                r.kind = ikDrive;
                break;
            case ikTrash:
                if (v.Kind != ikTrashItem || !ValidEntryName(v.Name))
                    return false;
                r.path = Join(TrashDirectory() + "/files", v.Name);
                r.kind = ikTrashItem;
                break;
            default: return false;
            }
        }
    }
    out = r;
    return true;
}

QByteArray Concat(const QByteArray& absolute, PCItemIDList relative)
{
    QByteArray joined = absolute.left(absolute.size() - 2);
    if (relative)
        joined += QByteArray(reinterpret_cast<const char*>(relative), int(IdListLen(relative)));
    else
        joined += QByteArray("\0\0", 2);
    return joined;
}

PItemIDList Own(const QByteArray& bytes)
{
    auto* p = static_cast<PItemIDList>(ShellMemAlloc(size_t(bytes.size())));
    std::memcpy(p, bytes.constData(), size_t(bytes.size()));
    return p;
}

QByteArray ItemBytes(uint8_t kind, const QByteArray& name)
{
    QByteArray b(3, '\0');
    WriteLE16(b.data(), uint16_t(3 + name.size()));
    b[2] = char(kind);
    return b + name;
}

// A file or folder copied whole, links as links.
int CopyTree(const QByteArray& from, const QByteArray& to)
{
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return errno;
    if (S_ISLNK(st.st_mode)) {
        QByteArray target(4096, '\0');
        const ssize_t n = ::readlink(from.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return errno;
        target.truncate(int(n));
        return ::symlink(target.constData(), to.constData()) == 0 ? 0 : errno;
    }
    if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.constData(), st.st_mode & 07777) != 0)
            return errno;
        DIR* dir = ::opendir(from.constData());
        if (!dir)
            return errno;
        int error = 0;
        while (dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name == "." || name == "..")
                continue;
            if ((error = CopyTree(Join(from, name), Join(to, name))) != 0)
                break;
        }
        ::closedir(dir);
        return error;
    }
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return e;
    }
    int error = 0;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0) {
                error = errno;
                break;
            }
            done += w;
        }
        if (error)
            break;
    }
    ::close(in);
    if (::close(out) != 0 && !error)
        error = errno;
    if (error)
        ::unlink(to.constData());
    return error;
}

int RemoveTree(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode)) {
        DIR* dir = ::opendir(path.constData());
        if (!dir)
            return errno;
        int error = 0;
        while (dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != ".." && (error = RemoveTree(Join(path, name))) != 0)
                break;
        }
        ::closedir(dir);
        if (error)
            return error;
        return ::rmdir(path.constData()) == 0 ? 0 : errno;
    }
    return ::unlink(path.constData()) == 0 ? 0 : errno;
}

// "name", else "name (2)", "name (3)", ... : the first name not in dir.
QByteArray FreeName(const QByteArray& dir, const QByteArray& name)
{
    if (!Exists(Join(dir, name)))
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray stem = dot > 0 ? name.left(dot) : name, ext = dot > 0 ? name.mid(dot) : QByteArray();
    for (int n = 2;; ++n) {
        const QByteArray candidate = stem + " (" + QByteArray::number(n) + ")" + ext;
        if (!Exists(Join(dir, candidate)))
            return candidate;
    }
}

} // namespace

// ---- drives and places ----

void SetMountTableFile(const QString& path)
{
    g_mountTableFile = path;
}

QString MountTableFile()
{
    return g_mountTableFile.isEmpty() ? QStringLiteral("/proc/self/mountinfo") : g_mountTableFile;
}

std::vector<TShellDrive> ParseMountTable(const QByteArray& text)
{
    static const char* const remote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs",
                                         "davfs", "fuse.davfs2", "afs", "ncpfs"};
    const QByteArray home = HomeDirectory();
    std::vector<TShellDrive> drives;
    bool haveRoot = false;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        const qsizetype dash = f.indexOf(QByteArray("-"));
        if (f.size() < 5 || dash < 5 || dash + 1 >= f.size())
            continue;
        // Blanks, tabs, newlines and backslashes of the mount point come as octal escapes.
        QByteArray mp;
        const QByteArray& raw = f[4];
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 3 < raw.size()) {
                bool ok = false;
                const int v = raw.mid(i + 1, 3).toInt(&ok, 8);
                if (ok && v > 0 && v < 256) {
                    mp += char(v);
                    i += 3;
                    continue;
                }
            }
            mp += raw[i];
        }
        if (!mp.startsWith('/') || mp.contains('\0'))
            continue;
        const QString fs = QString::fromLatin1(f[dash + 1]);
        TShellDrive d{mp, fs, DRIVE_FIXED};
        bool take = true;
        if (mp == "/") {
            haveRoot = true;
        } else if (fs == QLatin1String("iso9660") || fs == QLatin1String("udf")) {
            d.Type = DRIVE_CDROM;
        } else if (std::any_of(std::begin(remote), std::end(remote),
                               [&](const char* r) { return fs == QLatin1String(r); })) {
            d.Type = DRIVE_REMOTE;
        } else if (mp.startsWith("/media/") || mp.startsWith("/run/media/")) {
            d.Type = DRIVE_REMOVABLE;
        } else if (mp.startsWith("/mnt/")) {
            d.Type = DRIVE_FIXED;
        } else if (fs.startsWith(QLatin1String("fuse.")) && !home.isEmpty() && Under(mp, home)) {
            d.Type = DRIVE_REMOTE;
        } else {
            take = false;
        }
        if (!take)
            continue;
        // A later mount over the same point hides the earlier one.
        auto same = std::find_if(drives.begin(), drives.end(), [&](const TShellDrive& x) { return x.MountPoint == mp; });
        if (same != drives.end())
            *same = d;
        else
            drives.push_back(d);
    }
    if (!haveRoot)
        drives.insert(drives.begin(), TShellDrive{"/", QString(), DRIVE_FIXED});
    return drives;
}

std::vector<TShellDrive> ShellDrives()
{
    QFile f(MountTableFile());
    QByteArray text;
    if (f.open(QIODevice::ReadOnly))
        text = f.read(kMountTableLimit);
    return ParseMountTable(text);
}

int ShellDriveType(const QByteArray& path)
{
    int type = DRIVE_FIXED;
    qsizetype best = -1;
    for (const TShellDrive& d : ShellDrives())
        if ((path == d.MountPoint || Under(path, d.MountPoint)) && d.MountPoint.size() > best) {
            best = d.MountPoint.size();
            type = d.Type;
        }
    return type;
}

QByteArray HomeDirectory()
{
    // HOME's own bytes, whatever their encoding.
    const QByteArray home = qgetenv("HOME");
    if (home.startsWith('/'))
        return CleanPath(home);
    return QFile::encodeName(QDir::homePath());
}

bool IsWritableFolder(const QByteArray& path)
{
    return !path.isEmpty() && IsDir(path) && ::access(path.constData(), W_OK) == 0;
}

QByteArray DesktopDirectory()
{
    // Every path resolved asks for it: the desktop's place is read again only when HOME, the
    // config folder or its user-dirs.dirs changed.
    thread_local QByteArray keptKey, kept;
    const QByteArray home = HomeDirectory();
    QByteArray config = qgetenv("XDG_CONFIG_HOME");
    if (!config.startsWith('/'))
        config = home + "/.config";
    QByteArray key = home + '\0' + config + '\0' + qgetenv("XDG_DESKTOP_DIR");
    struct stat st;
    if (::stat((config + "/user-dirs.dirs").constData(), &st) == 0)
        key += '\0' + QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
               QByteArray::number(qlonglong(st.st_mtim.tv_nsec)) + '.' +
               QByteArray::number(qlonglong(st.st_size));
    if (key != keptKey || kept.isNull()) {
        kept = QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
        if (kept.isNull())
            kept = "";
        keptKey = key;
    }
    const QByteArray desk = kept;
    if (desk.isEmpty() || CleanPath(desk) == CleanPath(home) || !IsDir(desk))
        return QByteArray();
    return CleanPath(desk);
}

QByteArray TrashDirectory()
{
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (data.isEmpty() || !data.startsWith('/'))
        data = HomeDirectory() + "/.local/share";
    return CleanPath(data) + "/Trash";
}

// ---- items ----

TItemView ViewItem(PCItemIDList item)
{
    TItemView v;
    if (!item)
        return v;
    const uint16_t cb = ReadLE16(item);
    if (cb < 3)
        return v;
    v.Kind = item[2];
    v.Name = QByteArray(reinterpret_cast<const char*>(item + 3), cb - 3);
    return v;
}

PItemIDList MakeItem(uint8_t kind, const QByteArray& name)
{
    if (name.size() > 0xFFFF - 3)
        return nullptr;
    return Own(ItemBytes(kind, name) + QByteArray("\0\0", 2));
}

HRESULT TEnumIDList::Next(PItemIDList& item)
{
    item = nullptr;
    if (m_next >= m_items.size())
        return m_end;
    const auto& [kind, name] = m_items[m_next++];
    item = MakeItem(kind, name);
    return item ? S_OK : E_OUTOFMEMORY;
}

// ---- folders ----

HRESULT TShellFolder::Bind(PCItemIDList absolute, IShellFolder& folder)
{
    folder.reset();
    Resolved r;
    if (!Resolve(absolute, r))
        return E_INVALIDARG;
    switch (r.kind) {
    case ikTrashItem: return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
    case ikEntry:
        if (!IsDir(r.path))
            return Exists(r.path) ? HRESULT_FROM_WIN32(ERROR_DIRECTORY) : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        break;
    default: break;
    }
    auto f = std::make_shared<TShellFolder>();
    f->m_kind = r.kind;
    f->m_path = r.path;
    f->m_absolute = IdListBytes(absolute);
    folder = f;
    return S_OK;
}

QByteArray TShellFolder::ItemPath(PCItemIDList item) const
{
    Resolved r;
    if (!Resolve(reinterpret_cast<PCItemIDList>(Concat(m_absolute, item).constData()), r))
        return QByteArray();
    return r.path;
}

HRESULT TShellFolder::EnumObjects(QWidget*, uint32_t flags, std::unique_ptr<TEnumIDList>& items)
{
    auto list = std::make_unique<TEnumIDList>();
    const bool folders = flags & SHCONTF_FOLDERS, files = flags & SHCONTF_NONFOLDERS;
    const bool hidden = flags & SHCONTF_INCLUDEHIDDEN;
    auto readDir = [&](const QByteArray& path, uint8_t kind, bool asFiles) -> HRESULT {
        DIR* dir = ::opendir(path.constData());
        if (!dir)
            return HResultFromErrno(errno);
        std::vector<std::pair<uint8_t, QByteArray>> found;
        errno = 0;
        while (dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name == "." || name == "..")
                continue;
            if (name.startsWith('.') && !hidden)
                continue;
            bool isFolder = e->d_type == DT_DIR;
            if (!asFiles && (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK))
                isFolder = IsDir(Join(path, name));
            if (asFiles)
                isFolder = false;
            if (isFolder ? folders : files)
                found.emplace_back(kind, name);
            errno = 0;
        }
        const int error = errno;
        ::closedir(dir);
        // Listings never depend on the file system's order.
        std::sort(found.begin(), found.end());
        list->m_items.insert(list->m_items.end(), found.begin(), found.end());
        if (error)
            list->m_end = HResultFromErrno(error);
        return S_OK;
    };
    HRESULT hr = S_OK;
    switch (m_kind) {
    case 0:
        if (folders) {
            list->m_items.emplace_back(ikHome, QByteArray());
            list->m_items.emplace_back(ikComputer, QByteArray());
            list->m_items.emplace_back(ikTrash, QByteArray());
        }
        if (!m_path.isEmpty())
            readDir(m_path, ikEntry, false);
        break;
    case ikComputer:
        if (folders)
            for (const TShellDrive& d : ShellDrives())
                list->m_items.emplace_back(ikDrive, d.MountPoint);
        break;
    case ikTrash: {
        const QByteArray filesDir = TrashDirectory() + "/files";
        if (IsDir(filesDir))
            hr = readDir(filesDir, ikTrashItem, true);
        break;
    }
    default: hr = readDir(m_path, ikEntry, false); break;
    }
    if (FAILED(hr))
        return hr;
    items = std::move(list);
    return S_OK;
}

uint32_t TShellFolder::attributesOf(const TItemView& v) const
{
    switch (v.Kind) {
    case ikHome:
        return SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_CANCOPY |
               SFGAO_CANLINK | SFGAO_DROPTARGET;
    case ikComputer: return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
    case ikTrash: return SFGAO_FOLDER | SFGAO_DROPTARGET;
    default: break;
    }
    return 0;
}

HRESULT TShellFolder::GetAttributesOf(int count, const PCItemIDList* items, uint32_t& attributes)
{
    const uint32_t asked = attributes;
    uint32_t common = 0xFFFFFFFFu;
    // Asked once per call, and only when the answer is wanted.
    const bool parentWritable = (asked & (SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE)) &&
                                !m_path.isEmpty() && ::access(m_path.constData(), W_OK) == 0;
    for (int i = 0; i < count; ++i) {
        const TItemView v = ViewItem(items[i]);
        uint32_t a = 0;
        switch (v.Kind) {
        case ikHome:
        case ikComputer:
        case ikTrash:
            if (m_kind != 0)
                return E_INVALIDARG;
            a = attributesOf(v);
            break;
        case ikDrive: {
            if (m_kind != ikComputer || !v.Name.startsWith('/'))
                return E_INVALIDARG;
            a = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_CANLINK | SFGAO_DROPTARGET;
            if ((asked & SFGAO_HASSUBFOLDER) && HasSubfolder(v.Name))
                a |= SFGAO_HASSUBFOLDER;
            const int type = ShellDriveType(v.Name);
            if (type == DRIVE_REMOVABLE || type == DRIVE_CDROM)
                a |= SFGAO_REMOVABLE;
            if (::access(v.Name.constData(), W_OK) != 0)
                a |= SFGAO_READONLY;
            if ((asked & SFGAO_VALIDATE) && !IsDir(v.Name))
                return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
            break;
        }
        case ikTrashItem: {
            if (m_kind != ikTrash || !ValidEntryName(v.Name))
                return E_INVALIDARG;
            const QByteArray path = ItemPath(items[i]);
            if (!Exists(path))
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            a = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_READONLY | (v.Name.startsWith('.') ? SFGAO_GHOSTED : 0);
            break;
        }
        case ikEntry: {
            if (m_path.isEmpty() || !ValidEntryName(v.Name))
                return E_INVALIDARG;
            const QByteArray path = Join(m_path, v.Name);
            struct stat lst;
            if (::lstat(path.constData(), &lst) != 0)
                return HResultFromErrno(errno);
            a = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
            if (S_ISLNK(lst.st_mode))
                a |= SFGAO_LINK;
            // A link's target decides; anything else is what lstat saw.
            if (S_ISLNK(lst.st_mode) ? IsDir(path) : S_ISDIR(lst.st_mode)) {
                a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET;
                if ((asked & SFGAO_HASSUBFOLDER) && HasSubfolder(path))
                    a |= SFGAO_HASSUBFOLDER;
            }
            if (parentWritable)
                a |= SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE;
            if ((asked & SFGAO_READONLY) && ::access(path.constData(), W_OK) != 0)
                a |= SFGAO_READONLY;
            if (v.Name.startsWith('.'))
                a |= SFGAO_GHOSTED;
            break;
        }
        default: return E_INVALIDARG;
        }
        common &= a;
    }
    attributes = count > 0 ? (asked & common) : asked;
    return S_OK;
}

HRESULT TShellFolder::CompareIDs(intptr_t column, PCItemIDList first, PCItemIDList second)
{
    if (!first || !second)
        return E_INVALIDARG;
    const uint16_t cbA = ReadLE16(first), cbB = ReadLE16(second);
    if (cbA == 0 || cbB == 0)
        return CompareResult(cbA == cbB ? 0 : (cbA == 0 ? -1 : 1));
    const TItemView a = ViewItem(first), b = ViewItem(second);
    if (!a.Kind || !b.Kind)
        return E_INVALIDARG;
    int c = CompareSortKeys(SortKeyOf(first), SortKeyOf(second), int(column & 0xFFFF));
    if (c != 0)
        return CompareResult(c);
    // The same first item: the rest decides, a shorter list first.
    PCItemIDList restA = first + cbA, restB = second + cbB;
    if (ReadLE16(restA) == 0 || ReadLE16(restB) == 0)
        return CompareResult(ReadLE16(restA) == ReadLE16(restB) ? 0 : (ReadLE16(restA) == 0 ? -1 : 1));
    QByteArray item(reinterpret_cast<const char*>(first), cbA);
    item += QByteArray("\0\0", 2);
    IShellFolder sub;
    const HRESULT hr = BindToObject(reinterpret_cast<PCItemIDList>(item.constData()), sub);
    if (FAILED(hr))
        return hr;
    return sub->CompareIDs(column, restA, restB);
}

TItemSortKey TShellFolder::SortKeyOf(PCItemIDList item) const
{
    TItemSortKey k;
    const TItemView v = ViewItem(item);
    k.Kind = v.Kind;
    k.Name = v.Name;
    const QString shown = DecodeNativeName(v.Name);
    k.Folded = shown.toCaseFolded();
    const qsizetype dot = k.Folded.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        k.Suffix = k.Folded.mid(dot + 1);
    QByteArray path;
    if (v.Kind == ikDrive) {
        path = v.Name;
    } else if (v.Kind == ikEntry && !m_path.isEmpty() && ValidEntryName(v.Name)) {
        path = Join(m_path, v.Name);
    } else if (v.Kind == ikEntry || v.Kind == ikTrashItem) {
        QByteArray one = ItemBytes(v.Kind, v.Name);
        one += QByteArray("\0\0", 2);
        path = ItemPath(reinterpret_cast<PCItemIDList>(one.constData()));
    }
    struct stat st;
    if (!path.isEmpty() && ::stat(path.constData(), &st) == 0) {
        k.Known = true;
        k.Folder = S_ISDIR(st.st_mode);
        k.Size = st.st_size;
        k.Time = st.st_mtime;
    }
    return k;
}

int CompareSortKeys(const TItemSortKey& a, const TItemSortKey& b, int column)
{
    auto rank = [](uint8_t k) {
        switch (k) {
        case ikHome: return 0;
        case ikComputer: return 1;
        case ikTrash: return 2;
        default: return 3;
        }
    };
    int c = rank(a.Kind) - rank(b.Kind);
    if (c == 0 && a.Kind != b.Kind)
        c = a.Kind < b.Kind ? -1 : 1;
    if (c != 0 || a.Name == b.Name)
        return c;
    const bool dirA = a.Known && a.Folder, dirB = b.Known && b.Folder;
    // Folders first in every column.
    if (a.Kind != ikDrive && dirA != dirB)
        return dirA ? -1 : 1;
    if (column == 1 && !dirA && !dirB && a.Known && b.Known)
        c = Sign(a.Size - b.Size);
    if (c == 0 && column == 2)
        c = Sign(a.Suffix.compare(b.Suffix));
    if (c == 0 && column == 3 && a.Known && b.Known)
        c = Sign(a.Time - b.Time);
    if (c == 0)
        c = NaturalCompare(a.Folded, b.Folded);
    if (c == 0)
        c = Sign(std::memcmp(a.Name.constData(), b.Name.constData(),
                             size_t(std::min(a.Name.size(), b.Name.size()))));
    if (c == 0)
        c = Sign(a.Name.size() - b.Name.size());
    return c;
}

HRESULT TShellFolder::GetDisplayNameOf(PCItemIDList item, uint32_t flags, QString& name)
{
    name.clear();
    const bool parsing = flags & SHGDN_FORPARSING, inFolder = flags & SHGDN_INFOLDER;
    if (!item || ReadLE16(item) == 0) {
        if (m_kind == 0)
            name = parsing && !inFolder ? DecodeNativeName(m_path) : NSResString(SDesktopName);
        return S_OK;
    }
    // The last item names it; the whole list gives its path.
    PCItemIDList last = item;
    for (PCItemIDList p = item; ReadLE16(p) != 0; p += ReadLE16(p))
        last = p;
    const QByteArray abs = Concat(m_absolute, item);
    Resolved r;
    if (!Resolve(reinterpret_cast<PCItemIDList>(abs.constData()), r))
        return E_INVALIDARG;
    const TItemView v = ViewItem(last);
    if (parsing && !inFolder) {
        switch (v.Kind) {
        case ikComputer: name = QStringLiteral("computer:///"); break;
        case ikTrash: name = QStringLiteral("trash:///"); break;
        default: name = DecodeNativeName(r.path); break;
        }
        return S_OK;
    }
    switch (v.Kind) {
    case ikHome:
        name = parsing ? DecodeNativeName(HomeDirectory()).section(QLatin1Char('/'), -1)
                       : NSResString(SHomeName);
        break;
    case ikComputer: name = NSResString(SComputerName); break;
    case ikTrash: name = NSResString(STrashName); break;
    // A name is shown as one line; parsing gets its bytes back.
    default: name = parsing ? DecodeNativeName(v.Name) : ShowNativeName(v.Name); break;
    }
    return S_OK;
}

HRESULT TShellFolder::SetNameOf(QWidget*, PCItemIDList item, const QString& name, uint32_t, PItemIDList* newItem)
{
    if (newItem)
        *newItem = nullptr;
    const TItemView v = ViewItem(item);
    if (v.Kind != ikEntry || m_path.isEmpty() || !ValidEntryName(v.Name))
        return E_INVALIDARG;
    const QByteArray newName = EncodeNativeName(name);
    if (!ValidEntryName(newName))
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    if (newName.size() > 255)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    const QByteArray from = Join(m_path, v.Name), to = Join(m_path, newName);
    if (newName != v.Name) {
        // Never over another item of the same name.
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                return HResultFromErrno(errno);
            if (Exists(to))
                return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
            if (::rename(from.constData(), to.constData()) != 0)
                return HResultFromErrno(errno);
        }
    }
    if (newItem)
        *newItem = MakeItem(ikEntry, newName);
    return S_OK;
}

HRESULT TShellFolder::BindToObject(PCItemIDList relative, IShellFolder& folder)
{
    return Bind(reinterpret_cast<PCItemIDList>(Concat(m_absolute, relative).constData()), folder);
}

HRESULT TShellFolder::ParseDisplayName(QWidget*, const QString& name, PItemIDList& item)
{
    item = nullptr;
    if (name.isEmpty())
        return E_INVALIDARG;
    QByteArray out;
    auto entries = [&](const QByteArray& base, const QByteArray& path) {
        const QByteArray rest = path.mid(base == "/" ? 1 : base.size() + 1);
        for (const QByteArray& part : rest.split('/'))
            if (!part.isEmpty())
                out += ItemBytes(ikEntry, part);
    };
    if (m_kind == 0) {
        if (name == QLatin1String("computer:///")) {
            item = MakeItem(ikComputer, QByteArray());
            return S_OK;
        }
        if (name == QLatin1String("trash:///")) {
            item = MakeItem(ikTrash, QByteArray());
            return S_OK;
        }
        QByteArray local = EncodeNativeName(name);
        if (local.startsWith("file:"))
            local = NativePathOfFileUrl(local);
        if (!local.startsWith('/'))
            return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
        const QByteArray path = CleanPath(local);
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            return HResultFromErrno(errno);
        const QByteArray desk = m_path, home = CleanPath(HomeDirectory());
        if (!desk.isEmpty() && (path == desk || Under(path, desk))) {
            entries(desk, path);
        } else if (path == home || Under(path, home)) {
            out = ItemBytes(ikHome, QByteArray());
            entries(home, path);
        } else {
            QByteArray best;
            for (const TShellDrive& d : ShellDrives())
                if ((path == d.MountPoint || Under(path, d.MountPoint)) && d.MountPoint.size() > best.size())
                    best = d.MountPoint;
            if (best.isEmpty())
                best = "/";
            out = ItemBytes(ikComputer, QByteArray()) + ItemBytes(ikDrive, best);
            entries(best, path);
        }
    } else {
        const QByteArray bytes = EncodeNativeName(name);
        if (m_kind == ikComputer) {
            bool known = false;
            for (const TShellDrive& d : ShellDrives())
                known = known || d.MountPoint == bytes;
            if (!known)
                return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
            out = ItemBytes(ikDrive, bytes);
        } else if (m_kind == ikTrash) {
            if (!ValidEntryName(bytes) || !Exists(Join(TrashDirectory() + "/files", bytes)))
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            out = ItemBytes(ikTrashItem, bytes);
        } else {
            QByteArray path = m_path;
            for (const QByteArray& part : bytes.split('/')) {
                if (part.isEmpty())
                    continue;
                if (!ValidEntryName(part))
                    return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
                path = Join(path, part);
                out += ItemBytes(ikEntry, part);
            }
            if (!Exists(path))
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }
    }
    out += QByteArray("\0\0", 2);
    item = Own(out);
    return S_OK;
}

HRESULT TShellFolder::GetContextMenu(QWidget*, int count, const PCItemIDList* items, std::unique_ptr<TContextMenu>& menu)
{
    std::vector<QByteArray> list;
    for (int i = 0; i < count; ++i) {
        if (!ViewItem(items[i]).Kind)
            return E_INVALIDARG;
        list.push_back(IdListBytes(items[i]));
    }
    menu = std::make_unique<TContextMenu>(shared_from_this(), std::move(list));
    return S_OK;
}

// ---- context menus ----

TContextMenu::TContextMenu(IShellFolder folder, std::vector<QByteArray> items)
    : m_folder(std::move(folder)), m_items(std::move(items))
{
}

HRESULT TContextMenu::QueryContextMenu(QMenu* menu, int first, int last, uint32_t flags)
{
    uint32_t attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANDELETE | SFGAO_CANRENAME | SFGAO_FOLDER |
                          SFGAO_FILESYSTEM | SFGAO_DROPTARGET;
    std::vector<PCItemIDList> items;
    for (const QByteArray& i : m_items)
        items.push_back(reinterpret_cast<PCItemIDList>(i.constData()));
    if (!items.empty() && FAILED(m_folder->GetAttributesOf(int(items.size()), items.data(), attributes)))
        attributes = 0;
    auto add = [&](int offset, int stringId, bool enabled) {
        if (first + offset > last)
            return;
        QAction* a = menu->addAction(NSResString(stringId));
        a->setData(first + offset);
        a->setEnabled(enabled);
        if (offset == verbOpen) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
    };
    const bool clipboardHasItems = !ShellItemsPaths(QApplication::clipboard()->mimeData()).isEmpty();
    if (items.empty()) {
        add(verbPaste, SEditPasteMenu, clipboardHasItems && !targetFolder().isEmpty());
        return S_OK;
    }
    add(verbOpen, SOpenButton, true);
    menu->addSeparator();
    add(verbCut, SEditCutMenu, attributes & SFGAO_CANMOVE);
    add(verbCopy, SEditCopyMenu, attributes & SFGAO_CANCOPY);
    if (items.size() == 1 && (attributes & SFGAO_FOLDER))
        add(verbPaste, SEditPasteMenu, clipboardHasItems && (attributes & SFGAO_FILESYSTEM));
    menu->addSeparator();
    add(verbDelete, SDeleteMenu, attributes & SFGAO_CANDELETE);
    if ((flags & CMF_CANRENAME) && items.size() == 1)
        add(verbRename, SRenameMenu, attributes & SFGAO_CANRENAME);
    return S_OK;
}

HRESULT TContextMenu::GetCommandString(int offset, uint32_t type, QString& text) const
{
    static const struct {
        int offset;
        const char* verb;
        int help;
    } verbs[] = {{verbOpen, "open", 0},      {verbCut, "cut", SCutContext},          {verbCopy, "copy", SCopyContext},
                 {verbPaste, "paste", SPasteContext}, {verbDelete, "delete", SDeleteContext}, {verbLink, "link", 0},
                 {verbRename, "rename", 0}};
    for (const auto& v : verbs)
        if (v.offset == offset) {
            if (type == GCS_VERBA) {
                text = QString::fromLatin1(v.verb);
                return S_OK;
            }
            if (type == GCS_HELPTEXTA && v.help) {
                text = NSResString(v.help);
                return S_OK;
            }
            return E_INVALIDARG;
        }
    return E_INVALIDARG;
}

int TContextMenu::DefaultCommand() const
{
    return m_items.empty() ? -1 : int(verbOpen);
}

HRESULT TContextMenu::InvokeCommand(QWidget* owner, int offset)
{
    switch (offset) {
    case verbOpen: return open();
    case verbCut: return cutOrCopy(true);
    case verbCopy: return cutOrCopy(false);
    case verbPaste: return paste(owner);
    case verbDelete: return toTrash();
    case verbLink: return link();
    default: return E_INVALIDARG;
    }
}

HRESULT TContextMenu::open()
{
    for (const QByteArray& i : m_items) {
        const QByteArray path = m_folder->ItemPath(reinterpret_cast<PCItemIDList>(i.constData()));
        if (!path.isEmpty())
            QDesktopServices::openUrl(QUrl::fromEncoded(FileUrlOfNativePath(path)));
    }
    return S_OK;
}

HRESULT TContextMenu::link()
{
    return E_NOTIMPL;
}

HRESULT TContextMenu::cutOrCopy(bool cut)
{
    if (m_items.empty())
        return E_INVALIDARG;
    std::vector<PCItemIDList> items;
    for (const QByteArray& i : m_items)
        items.push_back(reinterpret_cast<PCItemIDList>(i.constData()));
    QApplication::clipboard()->setMimeData(MakeShellItemsData(m_folder->AbsoluteIdList(), items, cut));
    return S_OK;
}

QByteArray TContextMenu::targetFolder() const
{
    if (m_items.empty())
        return IsDir(m_folder->NativePath()) ? m_folder->NativePath() : QByteArray();
    if (m_items.size() != 1)
        return QByteArray();
    const QByteArray path = m_folder->ItemPath(reinterpret_cast<PCItemIDList>(m_items[0].constData()));
    return !path.isEmpty() && IsDir(path) ? path : QByteArray();
}

HRESULT TContextMenu::paste(QWidget*)
{
    const QByteArray target = targetFolder();
    if (target.isEmpty())
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    bool cut = false;
    const QList<QByteArray> sources = ShellItemsPaths(QApplication::clipboard()->mimeData(), &cut);
    const HRESULT hr = ShellTransferItems(target, sources, cut);
    if (SUCCEEDED(hr) && cut)
        QApplication::clipboard()->clear();
    return hr;
}

HRESULT ShellTransferItems(const QByteArray& targetDir, const QList<QByteArray>& sources, bool move)
{
    const QByteArray target = CleanPath(targetDir);
    if (!IsDir(target))
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    for (const QByteArray& source : sources) {
        const QByteArray clean = CleanPath(source);
        const QByteArray name = clean.mid(clean.lastIndexOf('/') + 1);
        if (name.isEmpty())
            continue;
        // A folder never goes inside itself.
        if (clean == target || Under(target, clean))
            return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
        if (move && clean.left(clean.lastIndexOf('/')) == target)
            continue;
        const QByteArray dest = Join(target, FreeName(target, name));
        int error = 0;
        if (move) {
            if (::renameat2(AT_FDCWD, clean.constData(), AT_FDCWD, dest.constData(), RENAME_NOREPLACE) != 0) {
                error = errno;
                if (error == EXDEV && (error = CopyTree(clean, dest)) == 0)
                    error = RemoveTree(clean);
            }
        } else {
            error = CopyTree(clean, dest);
        }
        if (error)
            return HResultFromErrno(error);
    }
    return S_OK;
}

HRESULT TContextMenu::toTrash()
{
    if (m_items.empty())
        return E_INVALIDARG;
    QList<QByteArray> paths;
    for (const QByteArray& i : m_items) {
        const TItemView v = ViewItem(reinterpret_cast<PCItemIDList>(i.constData()));
        if (v.Kind != ikEntry)
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        const QByteArray path = m_folder->ItemPath(reinterpret_cast<PCItemIDList>(i.constData()));
        if (path.isEmpty() || !Exists(path))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        paths << path;
    }
    // One key can take a whole folder away: the user confirms, naming the item or the count.
    const QString question =
        paths.size() == 1
            ? NSResString(SConfirmTrashItem)
                  .arg(ShowNativeName(ViewItem(reinterpret_cast<PCItemIDList>(m_items[0].constData())).Name))
            : NSResString(SConfirmTrashItems).arg(paths.size());
    if (MessageDlg(question, mtConfirmation, mbYes | mbNo) != mrYes)
        return S_FALSE;
    for (const QByteArray& path : paths)
        if (const int error = MoveToTrash(path))
            return HResultFromErrno(error);
    return S_OK;
}

// ---- clipboard and drag data ----

QMimeData* MakeShellItemsData(PCItemIDList parent, const std::vector<PCItemIDList>& items, bool cut)
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(ShellIdListMimeType), MakeIdListArray(parent, items));
    IShellFolder folder;
    QList<QByteArray> urls;
    if (SUCCEEDED(ShellGetFolderFromIdList(parent, folder)))
        for (PCItemIDList item : items) {
            const QByteArray path = folder->ItemPath(item);
            if (!path.isEmpty())
                urls << FileUrlOfNativePath(path);
        }
    if (!urls.isEmpty()) {
        // The URLs carry the names' own bytes, percent-encoded, whatever their encoding.
        data->setData(QStringLiteral("text/uri-list"), urls.join("\r\n") + "\r\n");
        data->setData(QStringLiteral("x-special/gnome-copied-files"),
                      (cut ? "cut\n" : "copy\n") + urls.join('\n'));
    }
    QByteArray effect(4, '\0');
    WriteLE32(effect.data(), cut ? 2u : 5u);
    data->setData(QStringLiteral("Preferred DropEffect"), effect);
    return data;
}

QList<QByteArray> ShellItemsPaths(const QMimeData* data, bool* cut)
{
    QList<QByteArray> paths;
    if (cut)
        *cut = false;
    if (!data)
        return paths;
    if (cut) {
        const QByteArray gnome = data->data(QStringLiteral("x-special/gnome-copied-files"));
        const QByteArray effect = data->data(QStringLiteral("Preferred DropEffect"));
        if (!gnome.isEmpty())
            *cut = gnome.startsWith("cut\n") || gnome == "cut";
        else if (effect.size() >= 4)
            *cut = (ReadLE32(effect.constData()) & 7) == 2;
    }
    if (data->hasFormat(QStringLiteral("text/uri-list"))) {
        for (const QByteArray& line : data->data(QStringLiteral("text/uri-list")).split('\n')) {
            const QByteArray url = line.trimmed();
            if (url.isEmpty() || url.startsWith('#'))
                continue;
            const QByteArray path = NativePathOfFileUrl(url);
            if (!path.isEmpty())
                paths << path;
        }
        return paths;
    }
    const QByteArray block = data->data(QString::fromLatin1(ShellIdListMimeType));
    QByteArray parent;
    std::vector<QByteArray> items;
    if (block.isEmpty() || !ReadIdListArray(block, parent, items))
        return paths;
    IShellFolder folder;
    if (FAILED(ShellGetFolderFromIdList(reinterpret_cast<PCItemIDList>(parent.constData()), folder)))
        return paths;
    for (const QByteArray& item : items) {
        const QByteArray path = folder->ItemPath(reinterpret_cast<PCItemIDList>(item.constData()));
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

// ---- icons ----

TSystemImageList::TSystemImageList()
{
    IndexOfName(QStringLiteral("text-x-generic"), QStyle::SP_FileIcon);
}

TSystemImageList& TSystemImageList::Instance()
{
    static TSystemImageList list;
    return list;
}

int TSystemImageList::IndexOfName(const QString& iconName, int standardFallback)
{
    const QString key = iconName + QLatin1Char('|') + QString::number(standardFallback);
    const auto it = m_byName.constFind(key);
    if (it != m_byName.constEnd())
        return *it;
    QIcon icon = QIcon::fromTheme(iconName);
    if (icon.isNull() && qobject_cast<QApplication*>(QCoreApplication::instance()))
        icon = QApplication::style()->standardIcon(QStyle::StandardPixmap(standardFallback));
    m_icons.push_back(icon);
    const int index = int(m_icons.size()) - 1;
    m_byName.insert(key, index);
    return index;
}

QIcon TSystemImageList::Icon(int index) const
{
    return index >= 0 && index < Count() ? m_icons[size_t(index)] : QIcon();
}

TSystemImageList* ShellGetSystemImageList(TNSShellIconSize)
{
    return &TSystemImageList::Instance();
}

namespace {

int FileIconIndex(const QString& name, bool byContent)
{
    static QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(name, byContent ? QMimeDatabase::MatchDefault : QMimeDatabase::MatchExtension);
    QString icon = type.iconName();
    if (QIcon::hasThemeIcon(icon) || type.genericIconName().isEmpty())
        return TSystemImageList::Instance().IndexOfName(icon, QStyle::SP_FileIcon);
    return TSystemImageList::Instance().IndexOfName(type.genericIconName(), QStyle::SP_FileIcon);
}

} // namespace

int ShellGetIconIndex(PCItemIDList pidl, uint32_t flags)
{
    TSystemImageList& list = TSystemImageList::Instance();
    Resolved r;
    if (!Resolve(pidl, r))
        return 0;
    const bool open = flags & SHGFI_OPENICON;
    switch (r.kind) {
    case 0: return list.IndexOfName(QStringLiteral("user-desktop"), QStyle::SP_DesktopIcon);
    case ikHome: return list.IndexOfName(QStringLiteral("user-home"), QStyle::SP_DirHomeIcon);
    case ikComputer: return list.IndexOfName(QStringLiteral("computer"), QStyle::SP_ComputerIcon);
    case ikTrash: return list.IndexOfName(QStringLiteral("user-trash"), QStyle::SP_TrashIcon);
    case ikDrive:
        switch (ShellDriveType(r.path)) {
        case DRIVE_REMOVABLE: return list.IndexOfName(QStringLiteral("drive-removable-media"), QStyle::SP_DriveFDIcon);
        case DRIVE_CDROM: return list.IndexOfName(QStringLiteral("media-optical"), QStyle::SP_DriveCDIcon);
        case DRIVE_REMOTE: return list.IndexOfName(QStringLiteral("folder-remote"), QStyle::SP_DriveNetIcon);
        default: return list.IndexOfName(QStringLiteral("drive-harddisk"), QStyle::SP_DriveHDIcon);
        }
    default: break;
    }
    if (IsDir(r.path))
        return open ? list.IndexOfName(QStringLiteral("folder-open"), QStyle::SP_DirOpenIcon)
                    : list.IndexOfName(QStringLiteral("folder"), QStyle::SP_DirIcon);
    return FileIconIndex(DecodeNativeName(r.path), false);
}

int ShellGetIconIndexFromPath(const QString& path, uint32_t flags)
{
    PItemIDList pidl = nullptr;
    if (FAILED(ShellGetIdListFromPath(path, pidl)))
        return ShellGetIconIndexFromExt(path, flags);
    TPidlHolder hold(pidl);
    return ShellGetIconIndex(pidl, flags);
}

int ShellGetIconIndexFromExt(const QString& nameOrExtension, uint32_t)
{
    QString name = nameOrExtension;
    if (name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('x'));
    return FileIconIndex(name, false);
}

int ShellGetSpecialFolderIconIndex(TCSIDL csidl, uint32_t flags)
{
    PItemIDList pidl = nullptr;
    if (FAILED(ShellGetSpecialFolderIdList(csidl, pidl)))
        return 0;
    TPidlHolder hold(pidl);
    return ShellGetIconIndex(pidl, flags);
}
