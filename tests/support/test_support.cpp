#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

namespace testsupport {

static QTemporaryDir& root()
{
    static QTemporaryDir dir;
    return dir;
}

QString freshDir(const QString& name)
{
    QDir base(root().path());
    QString path = base.filePath(name);
    QDir(path).removeRecursively();
    base.mkpath(name);
    return path;
}

QString fixture(const QString& relative)
{
    return QDir(QStringLiteral(KORVANE_FIXTURES_DIR)).filePath(relative);
}

} // namespace testsupport
