#pragma once
// The progress window of a print job: a text and Cancel. The job's worker posts WM_PRINTDONE to
// it when it has ended; Cancel asks the worker to stop. Either way the window closes only after
// the worker has been joined, so nothing of the job outlives it.
#include <QDialog>

class QLabel;
class QPushButton;
class TPrintWorker;

class TPrintProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPrintProgressDlg(QWidget* owner);
    ~TPrintProgressDlg() override;

    QPushButton* CancelBtn;
    QLabel* Info;
    // The job's worker; set by the creator before the dialog is shown.
    TPrintWorker* ThreadHandle = nullptr;

    void PrintDone();
    void CancelBtnClick();
    void FormClose();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
