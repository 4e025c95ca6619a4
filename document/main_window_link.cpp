#include "document/main_window_link.h"

namespace {
TMainWindowLink g_noLink;
TMainWindowLink* g_link = nullptr;
} // namespace

TMainWindowLink* MainWindowLink()
{
    return g_link ? g_link : &g_noLink;
}

void SetMainWindowLink(TMainWindowLink* link)
{
    g_link = link;
}
