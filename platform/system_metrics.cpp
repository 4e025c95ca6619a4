#include "platform/system_metrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return index == SM_CXSCREEN ? 1024 : 768;
        return index == SM_CXSCREEN ? screen->geometry().width() : screen->geometry().height();
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
        return 16;
    case SM_CYCAPTION:
        return 19;
    case SM_CYSMCAPTION:
        return 15;
    case SM_CXSMSIZE:
        return 12;
    case SM_CYSMSIZE:
        return 14;
    case SM_CMONITORS:
        return std::max<int>(1, int(QGuiApplication::screens().size()));
    default:
        return 0;
    }
}
