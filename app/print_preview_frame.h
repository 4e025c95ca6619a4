#pragma once
// The print preview window: a page recorded beforehand, shown at a chosen zoom in a scrolling
// area, with buttons to print, to set up the printer and to close.
#include <QDialog>
#include <QPicture>
#include <QPointer>

class QComboBox;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QWidget;
class TSamplePaintBox;
class TCanvas;

// Zoom factor of items 0-6 of the zoom box; 0 for the fitting items and others.
double PreviewZoomFactor(int index);

class TPrintPreviewFrame : public QDialog {
    Q_OBJECT
public:
    explicit TPrintPreviewFrame(QWidget* owner);
    ~TPrintPreviewFrame() override;

    QStatusBar* StatusBar1;
    QScrollArea* ScrollBox;
    TSamplePaintBox* PaintBox;
    QWidget* ToolBar;
    QPushButton* PrintBtn;
    QPushButton* SetupBtn;
    QPushButton* CloseBtn;
    QComboBox* ZoomSizeComboBox;
    // The document window of the caller; its owner (the main window) is hidden while the
    // preview runs.
    QPointer<QWidget> CallerForm;
    int BaseHeight = 0, BaseWidth = 0;
    // The page, recorded in 0.1 mm, and the sheet's size in whole millimetres.
    QPicture Metafile;
    int MetafileMMWidth = 0, MetafileMMHeight = 0;

    // Takes the page and sizes the paint box to it at 100 %.
    void SetPage(const QPicture& page, int mmWidth, int mmHeight);
    // Takes the main window's state and, when it is normal, its place and size.
    void TakeMainWindowPlacement(QWidget* mainWindow);
    // 1 for Print, 2 for Close or the close box.
    int Execute();
    void ApplyZoom(float factor);

    void FormCreate();
    void SetupBtnClick();
    void FormResize();
    void PaintBoxPaint(TCanvas* canvas);
    void ZoomSizeComboBoxChange();
    // Where the paint box sits inside the scrolling area and how far that area scrolls.
    QRect PagePlace() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_sheet;   // the scrolled area: the paint box and its margins
};
