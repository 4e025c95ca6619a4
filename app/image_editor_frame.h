#pragma once
// The picture editor: views a picture at zoom steps of a quarter between 25 % and 400 % and crops
// it to a rectangle marked with the mouse. The caller reads Modified after the modal run and
// then takes Picture.
#include <QDialog>
#include <QRect>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollArea;
class QStatusBar;
class QToolBar;
class TPicture;
class TScaledPictureCache;

constexpr float MinEditorZoom = 0.25f;
constexpr float MaxEditorZoom = 4.0f;
constexpr float EditorZoomStep = 0.25f;

// The zoom a picture of w x h opens at in a client area of clientW x clientH: 1.0 when it fits,
// else the first quarter step down at which both sides fit, 25 % at the least.
float FitZoom(int w, int h, int clientW, int clientH);
// The picture pixels a selection from (x1, y1) to (x2, y2) in paint-box pixels at zoom covers,
// held inside the picture; empty when less than one pixel remains.
QRect CropRect(int x1, int y1, int x2, int y2, float zoom, int picW, int picH);

class TImageEditorFrame : public QDialog {
    Q_OBJECT
public:
    explicit TImageEditorFrame(QWidget* owner = nullptr);
    ~TImageEditorFrame() override;

    QMenuBar* MainMenu;
    QMenu* File1;
    QAction* ExitItem;
    QMenu* EditItem;
    QAction* CropItem;
    QToolBar* ToolBar1;
    QAction* ZoomBtn;
    QAction* SelectBtn;
    QScrollArea* ScrollBox;
    QWidget* PaintBox;
    QStatusBar* StatusBar;
    QLabel* StatusPanel[3];

    bool Selecting = false;
    float Zoom = 1.0f;
    int SelRect[4] = {0, 0, 0, 0};
    bool HasSelection = false;
    std::unique_ptr<TPicture> Picture;
    bool Modified = false;

    // A copy of picture becomes the edited one; a picture larger than the window opens zoomed
    // out until it fits.
    void SetPicture(const TPicture* picture);
    // 0 zooms in, 1 out, by one step; the picture point in the middle of the view stays there.
    void ZoomStep(int direction);
    // The same, keeping the picture point under boxPoint (paint-box pixels) where it is in the
    // view, as far as the scroll range allows: a zoom click enlarges what was clicked.
    void ZoomStepAt(int direction, QPoint boxPoint);

    void FormCreate();
    void FormClose();
    void FormResize();
    // Paints the part exposed of the paint box.
    void PaintBoxPaint(const QRect& exposed);
    void PaintBoxMouseDown(Qt::MouseButton button, QPoint p);
    void PaintBoxMouseMove(QPoint p);
    void PaintBoxMouseUp(Qt::MouseButton button, QPoint p);
    void ZoomBtnClick();
    void CropItemClick();
    void ExitItemClick();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int toPicture(int v) const;
    void showZoom();
    // Panel 1 after the picture moved under a still pointer: its place on the picture, or
    // nothing when it is not over the picture.
    void showPointer();
    // The picture pixels the finished selection covers: the ones kept across zooms while the band
    // is still the one drawn for them, else SelRect converted at zoom.
    QRect selectionOnPicture(float zoom) const;
    // The selection drawn again at Zoom (after a zoom from before), on the same picture pixels.
    void rescaleSelection(float before);
    bool m_closing = false;
    // A selection carried through a zoom: its picture pixels, and the band drawn for them, as
    // the box pixels of a zoom below 100 % cannot hold every picture pixel.
    bool m_selKept = false;
    QRect m_selOnPicture;
    int m_selBox[4] = {0, 0, 0, 0};
    // The picture at Zoom, around what the view shows.
    std::unique_ptr<TScaledPictureCache> m_view;
};
