#include "app/print_progress_dlg.h"

#include "app/dialog_form.h"
#include "document/print_job.h"
#include "document/print_worker.h"
#include "document/std.h"
#include "platform/window_message.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

TPrintProgressDlg::TPrintProgressDlg(QWidget* owner) : QDialog(owner)
{
    SetUpFixedDialog(this, "PrintProgressDlg", 262, 164);
    // A title bar without a close box: the user ends the job with Cancel only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    CancelBtn = Named(new QPushButton(this), "CancelBtn");
    CancelBtn->setGeometry(99, 126, 60, 22);
    Info = Named(new QLabel(this), "Info");
    Info->setGeometry(21, 10, 221, 107);
    Info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Info->setWordWrap(true);
    ApplyLanguageCharset(this);
    setWindowTitle(LoadLangStr(PrintCaptionString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    GrowToCaptionCentred(CancelBtn);
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
}

TPrintProgressDlg::~TPrintProgressDlg()
{
    if (ThreadHandle)
        ThreadHandle->Stop();
}

bool TPrintProgressDlg::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        if (m->Msg == WM_PRINTDONE) {
            PrintDone();
            return true;
        }
    }
    return QDialog::event(e);
}

void TPrintProgressDlg::keyPressEvent(QKeyEvent* e)
{
    // Escape would close the window behind Cancel's back.
    if (e->key() == Qt::Key_Escape) {
        e->ignore();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TPrintProgressDlg::PrintDone()
{
    FormClose();
    done(1);
}

void TPrintProgressDlg::CancelBtnClick()
{
    // The worker drops its document at its next check: nothing of it is printed.
    if (ThreadHandle)
        ThreadHandle->RequestStop();
    FormClose();
    done(2);
}

void TPrintProgressDlg::closeEvent(QCloseEvent* e)
{
    if (ThreadHandle)
        ThreadHandle->RequestStop();
    FormClose();
    QDialog::closeEvent(e);
}

void TPrintProgressDlg::FormClose()
{
    // The window goes only once the worker has ended.
    if (ThreadHandle)
        ThreadHandle->Join();
}
