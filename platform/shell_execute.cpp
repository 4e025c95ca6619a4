#include "platform/shell_execute.h"

#include <QDesktopServices>
#include <QProcess>

namespace {

ShellOpenHandler& OpenHandler()
{
    static ShellOpenHandler handler;
    return handler;
}

} // namespace

bool ShellOpen(const QUrl& url)
{
    if (OpenHandler()) {
        OpenHandler()(url);
        return true;
    }
    return QDesktopServices::openUrl(url);
}

bool ShellStart(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

void SetShellOpenHandler(ShellOpenHandler handler)
{
    OpenHandler() = std::move(handler);
}
