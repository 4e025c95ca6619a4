#pragma once
// CGraphicsLibraryObject: one tile of the graphics library, a small 16-bit thumbnail of a picture
// file with the file's path. A press on a tile drags it; document windows accept it and place
// the picture.
#include "platform/bitmap.h"
#include "platform/graphic_control.h"

#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <QString>
#include <memory>

// Private drag format: drags of this program's controls carry the source control's class name
// in it, and the control itself rides along in the drag data (drags inside the program only).
inline constexpr char DragControlMimeType[] = "application/x-korvane-control";

class TControlDragData : public QMimeData {
    Q_OBJECT
public:
    explicit TControlDragData(QObject* source);
    QPointer<QObject> Source;
    // The source's class name as the drag announced it.
    QString SourceClassName() const;
};

class CGraphicsLibraryObject : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(int BoardSize READ GetBoardSize WRITE SetBoardSize)
public:
    struct TThumbRect {
        int Left = 0, Top = 0, Width = 0, Height = 0;
        friend bool operator==(const TThumbRect&, const TThumbRect&) = default;
    };

    // owner: the panel that shows the tile, or nullptr.
    explicit CGraphicsLibraryObject(TControlHost* owner = nullptr);
    ~CGraphicsLibraryObject() override;

    std::unique_ptr<TBitmap> Thumbnail;   // pf16bit
    QString FileName;                      // empty when no picture could be loaded
    bool Highlighted = false;
    int BoardSize = 2;
    TThumbRect ThumbRect;

    int GetBoardSize() const { return BoardSize; }
    void SetBoardSize(int value);
    void SetTileSize(int n);
    // Builds the thumbnail and sets FileName and the hint; a picture that cannot be read leaves
    // FileName empty. Never raises.
    void LoadFromFile(const QString& path);
    // Takes a thumbnail made by MakeThumbnail (possibly on another thread) for path.
    void SetThumbnail(const QImage& thumbnail, const QString& path);
    void UpdateThumbRect();
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void Paint(TCanvas& canvas);

    // The reduced picture of path for a tile of the given size, in Format_RGB16: a picture more
    // than twice the tile's size is divided by the first integer k >= 4 that brings one side
    // within the tile; JPEG files are decoded at a reduced scale then. Raises EInvalidGraphic
    // (or the reader's own exception) for a file that cannot be read; a null image for a
    // picture without a graphic. Safe on any thread.
    static QImage MakeThumbnail(const QString& path, int tileWidth, int tileHeight);
    // The size MakeThumbnail reduces a picture of width x height to.
    static QSize ThumbnailSize(int width, int height, int tileWidth, int tileHeight);
    // The libjpeg scale a JPEG picture of size full is decoded at for a thumbnail of size thumb:
    // the coarsest one whose output still covers the thumbnail.
    static TJPEGScale ThumbnailJpegScale(const QSize& full, const QSize& thumb);

    // The tile a drag carries; nullptr for every other drag (files, other controls, a tile
    // freed meanwhile).
    static CGraphicsLibraryObject* FromDrag(const QMimeData* data);

protected:
    void PaintControl(QPainter& painter) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void StartDrag();
    QPoint m_pressPos;
    bool m_pressed = false;
};
