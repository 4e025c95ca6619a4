#include "document/main_window_link.h"

#include "document/print_worker.h"

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

void TMainWindowLink::RunPrintProgress(QWidget*, const QString&, TPrintWorker& worker,
                                       const std::function<void(QObject* dialog)>& start)
{
    start(nullptr);
    worker.Join();
}
