#include "test_support.h"

#include "document/paper_catalogue.h"
#include "document/std.h"
#include "platform/file_utils.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

static QTemporaryDir& root()
{
    static QTemporaryDir dir;
    return dir;
}

TRegIniFile Settings()
{
    return TRegIniFile(ProductKey());
}

SavedEnvironment::SavedEnvironment(std::initializer_list<const char*> names)
{
    for (const char* name : names)
        m_saved.emplace_back(name, qgetenv(name));
}

SavedEnvironment::~SavedEnvironment()
{
    for (const auto& [name, value] : m_saved)
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
}

QString freshDir(const QString& name)
{
    QDir base(root().path());
    QString path = base.filePath(name);
    // By the names' bytes, so that names that are no UTF-8 go too.
    std::error_code error;
    std::filesystem::remove_all(QFile::encodeName(path).constData(), error);
    base.mkpath(name);
    return path;
}

QString programWithPapers(const QString& name, std::initializer_list<const PaperType*> papers)
{
    const QString dir = freshDir(name);
    QDir(dir).mkdir(QStringLiteral("Paper"));
    WriteFileAtomic(dir + QStringLiteral("/Paper/test.def"),
                    WritePaperDefinitionData(std::vector<const PaperType*>(papers)));
    return dir;
}

QString fixture(const QString& relative)
{
    return QDir(QStringLiteral(KORVANE_FIXTURES_DIR)).filePath(relative);
}

namespace {

bool setImmutable(const QByteArray& dir, bool on)
{
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

bool takesNewFile(const QString& dir)
{
    QFile probe(dir + QStringLiteral("/.probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
}

} // namespace

FolderLock::FolderLock(const QString& dir) : m_dir(dir)
{
    const QByteArray d = QFile::encodeName(dir);
    ::chmod(d.constData(), 0555);
    if (takesNewFile(dir))
        m_immutable = setImmutable(d, true);
    m_ok = !takesNewFile(dir);
}

FolderLock::~FolderLock()
{
    const QByteArray d = QFile::encodeName(m_dir);
    if (m_immutable)
        setImmutable(d, false);
    ::chmod(d.constData(), 0755);
}

} // namespace testsupport
