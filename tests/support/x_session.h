#pragma once
// An X server of a test's own (Xvfb, on a display it picks itself) with openbox managing its
// windows, for what only a real window manager shows. Start() gives the display, or nothing
// when Xvfb, openbox or xdotool is missing.
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>

namespace testsupport {

constexpr int ScreenWidth = 1280;
constexpr int ScreenHeight = 1024;

class XSession {
public:
    ~XSession()
    {
        for (QProcess* p : {&m_wm, &m_server}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    // Empty when it could not be started.
    QString Start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (xvfb.isEmpty() || openbox.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            return QString();
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(ScreenWidth).arg(ScreenHeight),
                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_server.waitForStarted(10000))
            return QString();
        QByteArray number;
        while (!number.contains('\n') && m_server.waitForReadyRead(10000))
            number += m_server.readAllStandardOutput();
        if (number.trimmed().isEmpty())
            return QString();
        const QString display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        m_wm.setProcessEnvironment(env);
        m_wm.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_wm.start(openbox, {QStringLiteral("--sm-disable")});
        if (!m_wm.waitForStarted(10000))
            return QString();
        // openbox announces its desktops on the root window once it manages windows.
        for (int i = 0; i < 100; ++i) {
            QProcess probe;
            probe.setProcessEnvironment(env);
            probe.start(QStringLiteral("xdotool"), {QStringLiteral("get_desktop")});
            if (probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
                return display;
            m_wm.waitForFinished(100);
        }
        return QString();
    }

private:
    QProcess m_server, m_wm;
};

// Runs xdotool on display with args; its standard output, empty when it failed.
inline QByteArray XDoTool(const QString& display, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    QProcess tool;
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), args);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QByteArray();
    return tool.readAllStandardOutput();
}

// The visible windows whose title matches pattern, newest last; waits until there is one.
// xdotool's search fails outright when a window (a splash) goes away while it looks, so it is
// asked again for a while.
inline QStringList FindVisibleWindows(const QString& display, const QString& pattern)
{
    for (int i = 0; i < 50; ++i) {
        const QByteArray found = XDoTool(display, {QStringLiteral("search"), QStringLiteral("--sync"),
                                                   QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
        const QStringList windows = QString::fromLatin1(found).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!windows.isEmpty())
            return windows;
        QThread::msleep(200);
    }
    return {};
}

} // namespace testsupport
