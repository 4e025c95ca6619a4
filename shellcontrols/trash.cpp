#include "shellcontrols/trash.h"

#include "shellcontrols/shell_namespace.h"

#include <QDateTime>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kNameMax = 255;
constexpr char kInfoSuffix[] = ".trashinfo";

QByteArray ParentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// Makes a folder and its missing parents, the new ones readable by the user alone.
int MakeFolders(const QByteArray& path)
{
    struct stat st;
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    if (path != "/")
        if (const int e = MakeFolders(ParentOf(path)))
            return e;
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

// The device of a path, or of its nearest existing parent.
dev_t DeviceOf(QByteArray path)
{
    struct stat st;
    while (::stat(path.constData(), &st) != 0 && path != "/")
        path = ParentOf(path);
    return st.st_dev;
}

// The mount point a path lies under: its highest parent on the same device.
QByteArray TopDirectoryOf(const QByteArray& path, dev_t device)
{
    QByteArray top = ParentOf(path);
    while (top != "/") {
        const QByteArray up = ParentOf(top);
        struct stat st;
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// A trash folder of the user's own: a real folder, not a link, owned by the user.
bool OwnTrash(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// The trash of a top directory: the administrator's $top/.Trash/$uid when .Trash is a sticky
// folder, else $top/.Trash-$uid.
int TopDirectoryTrash(const QByteArray& top, QByteArray& trash)
{
    const QByteArray uid = QByteArray::number(qulonglong(::getuid()));
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray shared = base + "/.Trash";
    struct stat st;
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray mine = shared + '/' + uid;
        if ((::mkdir(mine.constData(), 0700) == 0 || errno == EEXIST) && OwnTrash(mine)) {
            trash = mine;
            return 0;
        }
    }
    trash = base + "/.Trash-" + uid;
    if (::mkdir(trash.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return OwnTrash(trash) ? 0 : EPERM;
}

// The name's first bytes, cut where no UTF-8 sequence is split.
QByteArray CutName(const QByteArray& name, qsizetype size)
{
    if (name.size() <= size)
        return name;
    qsizetype end = size;
    while (end > 0 && (uint8_t(name[end]) & 0xC0) == 0x80)
        --end;
    return name.left(end);
}

// "name", then "name.2", "name.3", ...: short enough for its info file beside it.
QByteArray TrashName(const QByteArray& name, int n)
{
    const QByteArray suffix = n == 1 ? QByteArray() : '.' + QByteArray::number(n);
    const qsizetype room = kNameMax - qsizetype(sizeof kInfoSuffix - 1) - suffix.size();
    return CutName(name, room) + suffix;
}

int WriteAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += n;
    }
    return 0;
}

} // namespace

int MoveToTrash(const QByteArray& path, QByteArray* trashedAs)
{
    if (!path.startsWith('/') || path == "/")
        return EINVAL;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno;
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return EINVAL;

    QByteArray trash = TrashDirectory(), recorded = path;
    if (st.st_dev != DeviceOf(trash)) {
        const QByteArray top = TopDirectoryOf(path, st.st_dev);
        if (const int e = TopDirectoryTrash(top, trash))
            return e;
        // Paths in a top directory's trash are relative to that directory.
        recorded = path.mid(top == "/" ? 1 : top.size() + 1);
    }
    // A trash folder inside the item itself would move with it.
    if (trash == path || trash.startsWith(path + '/'))
        return EINVAL;
    const QByteArray files = trash + "/files", info = trash + "/info";
    if (const int e = MakeFolders(files))
        return e;
    if (const int e = MakeFolders(info))
        return e;

    const QByteArray record =
        "[Trash Info]\nPath=" + recorded.toPercentEncoding("/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + '\n';
    for (int n = 1; n < 100000; ++n) {
        const QByteArray trashName = TrashName(name, n);
        const QByteArray infoPath = info + '/' + trashName + kInfoSuffix;
        const QByteArray target = files + '/' + trashName;
        // The info file comes first: made exclusively, it claims the name.
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = WriteAll(fd, record);
        if (::close(fd) != 0 && !error)
            error = errno;
        struct stat taken;
        if (!error && ::lstat(target.constData(), &taken) == 0) {
            ::unlink(infoPath.constData());
            continue;
        }
        if (!error &&
            ::renameat2(AT_FDCWD, path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0) {
            error = errno;
            if ((error == EINVAL || error == ENOSYS) && ::rename(path.constData(), target.constData()) == 0)
                error = 0;
        }
        if (error) {
            ::unlink(infoPath.constData());
            return error;
        }
        if (trashedAs)
            *trashedAs = target;
        return 0;
    }
    return EEXIST;
}
