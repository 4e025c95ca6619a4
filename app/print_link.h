#pragma once
// The print dialogs as the document window reaches them: the print dialog, the preview window
// and the progress dialog of a print job.
#include "document/main_window_link.h"

class TPrintingLink : public TMainWindowLink {
public:
    bool RunPagePrintDialog(TChildFrame* owner, TPrintOptions& options) override;
    int RunPrintPreview(TChildFrame* owner, const QPicture& page, int mmWidth, int mmHeight) override;
    void RunPrintProgress(QWidget* owner, const QString& text, TPrintWorker& worker,
                          const std::function<void(QObject* dialog)>& start) override;
};

// Runs the progress dialog over a job started by start(dialog) on worker; returns once the
// dialog has closed and the worker has ended.
void RunPrintProgressDialog(QWidget* owner, const QString& text, TPrintWorker& worker,
                            const std::function<void(QObject* dialog)>& start);
