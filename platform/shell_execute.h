#pragma once
// ShellExecute's two uses: an address opened with the desktop's handler (web pages and mail in
// the user's programs, a local file with the program for its kind), and a program started
// with its arguments. Neither waits, and neither goes through a shell.
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

// Hands url to the desktop; false when nothing took it. Callers that only try may ignore it.
bool ShellOpen(const QUrl& url);
// Starts program detached with exactly these arguments; false when it could not be started.
bool ShellStart(const QString& program, const QStringList& arguments);

// Tests see the addresses here instead of a browser opening; nullptr restores the desktop.
using ShellOpenHandler = std::function<void(const QUrl& url)>;
void SetShellOpenHandler(ShellOpenHandler handler);
