#include "app/print_link.h"

#include "app/print_dlg.h"
#include "app/print_preview_frame.h"
#include "app/print_progress_dlg.h"
#include "document/child_frame.h"
#include "document/print_job.h"
#include "document/print_worker.h"
#include "document/std.h"

#include <QLabel>

bool TPrintingLink::RunPagePrintDialog(TChildFrame* owner, TPrintOptions& options)
{
    return RunPagePrintDlg(owner, owner->PageMode, options);
}

int TPrintingLink::RunPrintPreview(TChildFrame* owner, const QPicture& page, int mmWidth, int mmHeight)
{
    TPrintPreviewFrame preview(owner);
    preview.CallerForm = owner;
    preview.TakeMainWindowPlacement(MainWindow() ? MainWindow() : owner->window());
    preview.SetPage(page, mmWidth, mmHeight);
    return preview.Execute();
}

void TPrintingLink::RunPrintProgress(QWidget* owner, const QString& text, TPrintWorker& worker,
                                     const std::function<void(QObject* dialog)>& start)
{
    RunPrintProgressDialog(owner, text, worker, start);
}

void RunPrintProgressDialog(QWidget* owner, const QString& text, TPrintWorker& worker,
                            const std::function<void(QObject* dialog)>& start)
{
    TPrintProgressDlg dialog(owner);
    dialog.Info->setText(LoadLangStr(PreparingPrintJobString));
    dialog.Info->setText(text);
    start(&dialog);
    dialog.ThreadHandle = &worker;
    dialog.exec();
    worker.Join();
}
