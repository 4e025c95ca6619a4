#pragma once
// The application's help call: shows the help of a context at a screen point, as the program's
// dialogs show theirs. The program installs what shows it; components that live below the
// program (the hosted common dialogs) call it.
#include <QPoint>
#include <functional>

using THelpContextHandler = std::function<void(int context, const QPoint& at)>;
void SetHelpContextHandler(THelpContextHandler handler);
// False while nothing is installed.
bool ShowHelpContext(int context, const QPoint& at);
