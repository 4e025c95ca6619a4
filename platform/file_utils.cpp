#include "platform/file_utils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

QString FromWindowsPath(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

QString ProgramDir()
{
    const QByteArray env = qgetenv("KORVANE_PROGRAM_DIR");
    QString dir;
    if (!env.isEmpty()) dir = QString::fromLocal8Bit(env);
    else if (QCoreApplication::instance()) dir = QCoreApplication::applicationDirPath();
    else dir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    return dir;
}

// Entry of dir named like name without regard to case; exact matches win, then the first in sorted order.
static QString matchEntry(const QString& dir, const QString& name)
{
    if (QFileInfo::exists(dir + QLatin1Char('/') + name)) return name;
    const QStringList entries =
        QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0) return e;
    return QString();
}

QString FindPathNoCase(const QString& path)
{
    if (path.isEmpty()) return path;
    const QString p = FromWindowsPath(path);
    if (QFileInfo::exists(p)) return p;
    const bool absolute = p.startsWith(QLatin1Char('/'));
    const QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QString();
    for (const QString& part : parts) {
        const QString base = current.isEmpty() ? QStringLiteral(".") : current;
        QString found;
        if (part == QLatin1String(".") || part == QLatin1String("..")) found = part;
        else found = matchEntry(base, part);
        if (found.isEmpty()) return path;
        if (!current.isEmpty() && !current.endsWith(QLatin1Char('/'))) current += QLatin1Char('/');
        current += found;
    }
    return QFileInfo::exists(current) ? current : path;
}

bool FileExistsNoCase(const QString& path)
{
    QFileInfo fi(FindPathNoCase(path));
    return fi.exists() && !fi.isDir();
}

// Case-insensitive '*' and '?' matching with one backtrack point: linear in practice, never exponential.
static bool globMatch(const QString& name, const QString& pattern)
{
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern.at(p) == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern.at(p) == QLatin1Char('?') || pattern.at(p).toCaseFolded() == name.at(n).toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == QLatin1Char('*')) ++p;
    return p == pattern.size();
}

bool WildcardMatch(const QString& name, const QString& pattern)
{
    if (pattern.isEmpty()) return false;
    if (pattern == QLatin1String("*") || pattern == QLatin1String("*.*")) return !name.isEmpty();
    // "x.*" also matches "x" (no extension at all).
    if (pattern.endsWith(QLatin1String(".*"))) {
        if (globMatch(name, pattern)) return true;
        return !name.contains(QLatin1Char('.')) && globMatch(name, pattern.left(pattern.size() - 2));
    }
    // A trailing dot asks for names without an extension.
    if (pattern.endsWith(QLatin1Char('.'))) {
        QString stem = pattern;
        while (stem.endsWith(QLatin1Char('.'))) stem.chop(1);
        return !name.contains(QLatin1Char('.')) && !stem.isEmpty() && globMatch(name, stem);
    }
    return globMatch(name, pattern);
}

static bool nameLess(const QString& a, const QString& b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

QStringList FindFiles(const QString& dir, const QString& wildcard)
{
    QString d = FindPathNoCase(dir);
    while (d.size() > 1 && d.endsWith(QLatin1Char('/'))) d.chop(1);
    QStringList names = QDir(d).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    QStringList out;
    std::sort(names.begin(), names.end(), nameLess);
    for (const QString& n : names)
        if (WildcardMatch(n, wildcard)) out << (d == QLatin1String("/") ? d + n : d + QLatin1Char('/') + n);
    return out;
}

// A folder we own, mode 0700, that is not a link. Creates it when missing.
static bool ensurePrivateDir(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
    if ((st.st_mode & 0777) != 0700 && ::chmod(path.constData(), 0700) != 0) return false;
    return true;
}

QString TempDir()
{
    // Each place is named the same at every run, so a second instance finds the first one's
    // channel; a folder another user holds (or a link under the name) is passed over, and no
    // shared folder is ever used instead.
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty()) base = "/tmp";
    while (base.size() > 1 && base.endsWith('/')) base.chop(1);
    const QByteArray uid = QByteArray::number(::getuid());
    QList<QByteArray> places{base + "/korvane-" + uid};
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) places << runtime + "/korvane";
    QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (!cache.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        cache = home.startsWith('/') ? home + "/.cache" : QByteArray();
    }
    if (!cache.isEmpty()) {
        // The cache folder itself is the user's own and may be shared with other programs:
        // made when missing, never changed.
        ::mkdir(cache.constData(), 0700);
        places << cache + "/korvane-tmp-" + uid;
    }
    const QByteArray session = QFile::encodeName(
        SessionFolderName(QGuiApplication::platformName(), QString::fromLocal8Bit(qgetenv("DISPLAY")),
                          QString::fromLocal8Bit(qgetenv("WAYLAND_DISPLAY"))));
    for (const QByteArray& place : places) {
        if (!ensurePrivateDir(place))
            continue;
        if (session.isEmpty())
            return QString::fromLocal8Bit(place) + QLatin1Char('/');
        const QByteArray own = place + '/' + session;
        if (ensurePrivateDir(own))
            return QString::fromLocal8Bit(own) + QLatin1Char('/');
    }
    return QString();
}

QString SessionFolderName(const QString& platform, const QString& x11Display, const QString& waylandDisplay)
{
    QString name;
    if (platform == QLatin1String("xcb")) {
        // "host:display.screen": every screen of a display is the same session.
        name = x11Display;
        const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
        if (colon < 0)
            return QString();
        const qsizetype dot = name.indexOf(QLatin1Char('.'), colon);
        if (dot >= 0)
            name.truncate(dot);
        if (name.size() == colon + 1)
            return QString();
        name = QStringLiteral("display-") + name.left(colon) + (colon > 0 ? QStringLiteral("-") : QString()) +
               name.mid(colon + 1);
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        name = waylandDisplay.isEmpty() ? QStringLiteral("wayland-0") : waylandDisplay;
        // A socket given by its full path is named by its file name.
        name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    } else {
        return QString();
    }
    // Only plain characters in a folder name; a name that is only dots would climb out.
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('_') &&
            c != QLatin1Char('.'))
            c = QLatin1Char('_');
    if (name.isEmpty() || name.count(QLatin1Char('.')) == name.size() || name.size() > 64)
        return QString();
    return name;
}

void IgnoreFileSizeSignal()
{
    // Past a file-size limit the write then fails with EFBIG, like a full disk, instead of
    // the signal ending the program with every window's work.
    struct sigaction action = {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGXFSZ, &action, nullptr);
}

QString ResolveLinks(const QString& path)
{
    QByteArray current = QFile::encodeName(path);
    // The same bound as the kernel's: a longer chain is a loop.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(current.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        QByteArray link(qsizetype(PATH_MAX), '\0');
        const ssize_t n = ::readlink(current.constData(), link.data(), size_t(link.size()));
        if (n <= 0 || n >= link.size())
            break;
        link.truncate(n);
        if (!link.startsWith('/')) {
            const qsizetype slash = current.lastIndexOf('/');
            link = (slash >= 0 ? current.left(slash + 1) : QByteArray()) + link;
        }
        current = link;
    }
    struct stat st;
    if (::lstat(current.constData(), &st) == 0 && S_ISLNK(st.st_mode))
        return QString();   // a loop, or a chain too long to follow
    return QFile::decodeName(current);
}

namespace {

// What a file is written with: bytes in memory, or the whole of an open file, copied a piece at
// a time so that a large file never has to be held in memory.
struct Contents {
    const QByteArray* data = nullptr;
    int source = -1;
    off_t size = 0;
};

Contents inMemory(const QByteArray& data)
{
    return {&data, -1, off_t(data.size())};
}

bool writeAll(int fd, const Contents& contents)
{
    constexpr size_t Piece = 1 << 16;
    const std::unique_ptr<char[]> piece(contents.data ? nullptr : new char[Piece]);
    off_t offset = 0;
    while (offset < contents.size) {
        const size_t want = size_t(contents.size - offset);
        const char* p;
        ssize_t got;
        if (contents.data) {
            p = contents.data->constData() + offset;
            got = ssize_t(want);
        } else {
            got = ::pread(contents.source, piece.get(), std::min(want, Piece), offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                if (got == 0)
                    errno = EIO; // the source shrank meanwhile
                return false;
            }
            p = piece.get();
        }
        while (got > 0) {
            const ssize_t w = ::pwrite(fd, p, size_t(got), offset);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            if (w == 0) {
                errno = EIO;
                return false;
            }
            p += w;
            offset += w;
            got -= w;
        }
    }
    return true;
}

// Overwrites the file itself: used where a new file renamed over it would break a hard link,
// or where its folder takes no new file. The contents are complete before the file
// is touched, and the space is claimed first, so a full disk or a size limit leaves it as it was.
bool writeInPlace(const QByteArray& target, const Contents& data, QString* what)
{
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        *what = QStringLiteral("Cannot open ");
        return false;
    }
    struct stat st;
    const off_t oldSize = ::fstat(fd, &st) == 0 ? st.st_size : -1;
    if (data.size > 0) {
        const int e = ::posix_fallocate(fd, 0, data.size);
        if (e != 0 && e != EOPNOTSUPP && e != EINVAL) {
            if (oldSize >= 0 && ::ftruncate(fd, oldSize) != 0) {
                // The size stays as the failed claim left it; the contents are untouched.
            }
            ::close(fd);
            errno = e;
            *what = QStringLiteral("Cannot write ");
            return false;
        }
    }
    if (!writeAll(fd, data) || ::ftruncate(fd, data.size) != 0 || ::fsync(fd) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        *what = QStringLiteral("Cannot write ");
        return false;
    }
    if (::close(fd) != 0) {
        *what = QStringLiteral("Cannot write ");
        return false;
    }
    return true;
}

} // namespace

namespace {

// One file of a TFileBatch on its way: its temporary file is written and still open until the
// group it belongs to is synced and renamed.
struct PendingFile {
    QString path;
    QByteArray target;
    QByteArray temp;
    int fd = -1;
};

QString errorText(const QString& what, const QString& path)
{
    return what + path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// Checks path and writes data to a temporary file beside its target, or, where a rename cannot
// be used, over the target itself (then nothing is left pending and temp stays empty).
// On failure nothing is left behind and error names the file and the reason.
bool prepareFile(const QString& path, const Contents& data, PendingFile& file, QString& error)
{
    auto fail = [&](const QString& what) {
        error = errorText(what, path);
        return false;
    };
    file.path = path;
    // Through a symbolic link the file it names is written; the link stays.
    const QString resolved = ResolveLinks(path);
    if (resolved.isEmpty()) {
        errno = ELOOP;
        return fail(QStringLiteral("Cannot replace "));
    }
    file.target = QFile::encodeName(resolved);
    const QByteArray& target = file.target;
    struct stat st;
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        errno = EISDIR;
        if (!S_ISDIR(st.st_mode)) errno = EINVAL;
        return fail(QStringLiteral("Cannot replace "));
    }
    // A file the user may not write is not replaced behind its back either.
    if (exists && ::access(target.constData(), W_OK) != 0) return fail(QStringLiteral("Cannot write "));
    QString what;
    if (exists && st.st_nlink > 1) {
        // A rename would leave the other names with the old contents.
        return writeInPlace(target, data, &what) || fail(what);
    }

    QByteArray tmpl = target + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        // A writable file in a folder that takes no new file is still written.
        if (exists && (errno == EACCES || errno == EPERM) &&
            ::access(target.constData(), W_OK) == 0)
            return writeInPlace(target, data, &what) || fail(what);
        return fail(QStringLiteral("Cannot create a temporary file beside "));
    }
    // Keep the permissions and owner of the file being replaced; new files get the usual
    // 0666 less umask.
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Only the owner of the process may keep another's ownership; the file stays ours.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    if (!writeAll(fd, data)) {
        const int e = errno;
        ::close(fd);
        ::unlink(tmpl.constData());
        errno = e;
        return fail(QStringLiteral("Cannot write "));
    }
    file.temp = tmpl;
    file.fd = fd;
    return true;
}

// Syncs and renames a group of prepared files. A file whose sync or rename fails keeps its old
// contents and loses its temporary file; the others are still replaced. The folders of the
// replaced files are added to folders, to be synced once each.
void commitGroup(std::vector<PendingFile>& group, QStringList& errors, std::vector<QByteArray>& folders)
{
    // One sync of the file system writes the whole group out together; the fsync of each file
    // after it then finds little left to do, and still reports that file's own write errors.
    if (group.size() > 1) ::syncfs(group.front().fd);
    for (PendingFile& f : group) {
        const bool synced = ::fsync(f.fd) == 0;
        int e = errno;
        const bool closed = ::close(f.fd) == 0;
        if (synced && !closed) e = errno;
        f.fd = -1;
        // No file is replaced before its new contents are on disk.
        if (!synced || !closed) {
            ::unlink(f.temp.constData());
            errno = e;
            errors << errorText(QStringLiteral("Cannot write "), f.path);
            continue;
        }
        if (::rename(f.temp.constData(), f.target.constData()) != 0) {
            e = errno;
            ::unlink(f.temp.constData());
            errno = e;
            errors << errorText(QStringLiteral("Cannot replace "), f.path);
            continue;
        }
        const QByteArray dir = QFile::encodeName(QFileInfo(QFile::decodeName(f.target)).absolutePath());
        if (std::find(folders.begin(), folders.end(), dir) == folders.end()) folders.push_back(dir);
    }
    group.clear();
}

// Makes the renames themselves durable.
void syncFolders(const std::vector<QByteArray>& folders)
{
    for (const QByteArray& dir : folders) {
        const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
    }
}

// Temporary files held open at once: a large batch must not run out of descriptors.
constexpr size_t kOpenFilesPerGroup = 64;

// A batch of one: temporary file, sync, rename and the folder's sync.
bool writeOneFile(const QString& path, const Contents& data, QString* error)
{
    QStringList errors;
    std::vector<PendingFile> group;
    std::vector<QByteArray> folders;
    PendingFile file;
    QString failed;
    if (!prepareFile(path, data, file, failed))
        errors << failed;
    else if (file.fd >= 0)
        group.push_back(std::move(file));
    commitGroup(group, errors, folders);
    syncFolders(folders);
    if (error)
        *error = errors.value(0);
    return errors.isEmpty();
}

} // namespace

void TFileBatch::Add(const QString& path, const QByteArray& data)
{
    for (auto& [p, d] : m_files)
        if (p == path) {
            d = data;   // the later contents win, as with two writes one after the other
            return;
        }
    m_files.emplace_back(path, data);
}

void TFileBatch::Forget(const QString& path)
{
    std::erase_if(m_files, [&](const auto& f) { return f.first == path; });
}

bool TFileBatch::Commit(QStringList* errors)
{
    QStringList failed;
    std::vector<PendingFile> group;
    std::vector<QByteArray> folders;
    for (const auto& [path, data] : m_files) {
        PendingFile file;
        QString error;
        if (!prepareFile(path, inMemory(data), file, error))
            failed << error;
        else if (file.fd >= 0) group.push_back(std::move(file));
        if (group.size() >= kOpenFilesPerGroup) commitGroup(group, failed, folders);
    }
    commitGroup(group, failed, folders);
    m_files.clear();
    syncFolders(folders);
    if (errors) *errors = failed;
    return failed.isEmpty();
}

bool WriteFileAtomic(const QString& path, const QByteArray& data, QString* error)
{
    return writeOneFile(path, inMemory(data), error);
}

bool CopyFileAtomic(const QString& source, const QString& path, QString* error)
{
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (in < 0 || ::fstat(in, &st) != 0) {
        if (error)
            *error = errorText(QStringLiteral("Cannot open "), source);
        if (in >= 0)
            ::close(in);
        return false;
    }
    const bool ok = writeOneFile(path, Contents{nullptr, in, st.st_size}, error);
    ::close(in);
    return ok;
}

bool IsReadOnly(const QString& path)
{
    const QByteArray p = QFile::encodeName(FindPathNoCase(path));
    struct stat st;
    if (::stat(p.constData(), &st) != 0) return false;
    // No write bit at all counts as read-only even for a user (root) whom access() would let through.
    return (st.st_mode & 0222) == 0 || ::access(p.constData(), W_OK) != 0;
}
