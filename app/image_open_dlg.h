#pragma once
// The picture open dialog: the hosted open dialog with a preview of the selected file, its size
// in pixels and a full-size preview window. The last folder and the preview switch are kept in
// "ImageLastDir" and "ImagePreview".
#include "controls/host_dialog.h"

#include <QDateTime>
#include <QDialog>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <memory>
#include <mutex>
#include <thread>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class TPicture;

// Where the preview draws a w x h picture in a W x H box: unscaled and centred when it fits,
// else shrunk by the larger ratio (single precision) and centred along the shorter side.
QRect PreviewRect(int W, int H, int w, int h);
// The smallest divisor that makes a w x h picture smaller than a SW x SH screen (1 when it fits
// as it is). The search goes on as far as needed.
int PreviewDivisor(int w, int h, int SW, int SH);

// The hosted open dialog of the picture open dialog.
class TFormOpenDialogEx : public TFormOpenDialog {
    Q_OBJECT
public:
    using TFormOpenDialog::TFormOpenDialog;
};

class TImageOpenFilePreviewDlg : public QDialog {
    Q_OBJECT
public:
    explicit TImageOpenFilePreviewDlg(QWidget* owner = nullptr);

    QFrame* Panel;
    QLabel* Image;

    // Shows picture modally, at 1:1 when it fits the screen, else shrunk by PreviewDivisor.
    void ShowPreview(const TPicture* picture);
    // The divisor of the last ShowPreview.
    int Divisor = 1;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class TImageOpenFileDlg : public QWidget {
    Q_OBJECT
public:
    explicit TImageOpenFileDlg(QWidget* owner = nullptr);
    ~TImageOpenFileDlg() override;

    QGroupBox* GroupBox1;
    QCheckBox* ImagePreviewChk;
    QGroupBox* GroupBox2;
    QLabel* StaticText1;
    QLabel* StaticText2;
    QPushButton* DetailBtn;
    QFrame* PreviewPanel;
    QWidget* PaintBox;

    bool PreviewOn = false;
    std::unique_ptr<TPicture> PreviewPicture;
    TFormOpenDialogEx* OpenDialog; // owned by the form

    // Runs the dialog; true when the user chose a file (OpenDialog->FileName).
    bool ExecuteImageOpen();

    void ImagePreviewChkClick();
    void PaintBoxPaint();
    void PaintBoxDblClick() { DetailBtnClick(); }
    void DetailBtnClick();
    // Lays the form's controls out around the standard ones when the dialog shows.
    void OpenDialogShow();
    void OpenDialogSelectionChange();
    // Reads the selected file for the preview; the decoding runs off the window's thread and
    // the newest selection wins.
    void UpdatePreview();
    // True while a preview is being decoded.
    bool PreviewPending() const { return m_pending; }
    // How many files the preview has read, and a hold on taking the next one (tests).
    int PreviewReads() const;
    void HoldPreviewReading(bool hold);
    // Gives into the picture of file, the chosen one: the preview's when it shows that file,
    // else read on the reading thread while the windows keep painting. False (the reader's
    // error shown, naming the file) when it cannot be read.
    bool LoadChosen(const QString& file, TPicture& into);

signals:
    // A read asked for has ended, with a picture or an error.
    void previewSettled();

private:
    struct TPreviewJobs;
    void previewDecoded(int generation, const QString& file, std::shared_ptr<TPicture> picture, QImage shown,
                        QString error);
    void requestRead(const QString& name);
    void clearPreview();
    void emptyPreview();
    std::unique_ptr<TPreviewJobs> m_jobs;
    std::thread m_reader;
    int m_generation = 0;
    bool m_pending = false;
    QString m_pendingFile;
    QString m_previewFile; // the file PreviewPicture holds
    QDateTime m_previewStamp;
    QImage m_shown; // the preview as drawn, made once per picture
};
