#pragma once
// A document tile of the print wizard: the document's page as a thumbnail that keeps its
// proportions, the file name below it, a blue frame while the mouse is over it.
#include "platform/graphic_control.h"
#include "platform/graphics.h"
#include "platform/picture.h"

#include <functional>

class CPrintPreviewImage : public TGraphicControl {
    Q_OBJECT
public:
    // owner: the box that shows the tile, or nullptr.
    explicit CPrintPreviewImage(TControlHost* owner = nullptr);
    ~CPrintPreviewImage() override;

    TPicture Picture;
    bool Highlighted = false;
    QString FileName;
    int BoardSize() const { return m_boardSize; }
    void SetBoardSize(int n);
    // left, top, width, height of the thumbnail in tile pixels.
    TRect ThumbRect;

    void SetTileSize(int n);
    void UpdateThumbRect();
    void SelectExclusive();

protected:
    void PaintControl(QPainter& painter) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int m_boardSize = 2;
};

// The text written under a tile: the name when narrower than the tile, else the longest
// prefix + "..." narrower than width - 10, else nothing.
QString TileCaption(const QString& name, int width, const std::function<int(const QString&)>& textWidth);
