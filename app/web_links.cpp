#include "app/web_links.h"

#include "platform/registry.h"

#include <QFileInfo>

namespace {

const char UpdaterKey[] = "Updater.exe";

} // namespace

QString AppPathsKey()
{
    return QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");
}

QString WebAddress(const QString& text)
{
    return text.startsWith(QStringLiteral("http")) ? text : QStringLiteral("http://") + text;
}

QString ImageSiteAddress(const QString& hostName)
{
    return QStringLiteral("http://") + hostName;
}

QString RegisteredUpdater()
{
    TRegIniFile reg(AppPathsKey(), RootKey::LocalMachine);
    const QString key = QString::fromLatin1(UpdaterKey);
    if (!reg.KeyExists(key))
        return QString();
    const QString path = reg.ReadString(key, QString(), QString());
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

QStringList UpdaterArguments(const QString& updateList, const QString& programPath)
{
    return {updateList, programPath};
}
