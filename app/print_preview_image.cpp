#include "app/print_preview_image.h"

#include "document/std.h"

#include <QMouseEvent>
#include <QPainter>

CPrintPreviewImage::CPrintPreviewImage(TControlHost* owner) : TGraphicControl(owner)
{
    SetTileSize(120);
    m_boardSize = 2;
    ThumbRect = TRect(m_boardSize, m_boardSize, width() - 2 * m_boardSize, height() - 2 * m_boardSize);
}

CPrintPreviewImage::~CPrintPreviewImage() = default;

void CPrintPreviewImage::SetTileSize(int n)
{
    resize(n, n);
    UpdateThumbRect();
    update();
}

void CPrintPreviewImage::SetBoardSize(int n)
{
    m_boardSize = n;
    UpdateThumbRect();
    update();
}

void CPrintPreviewImage::UpdateThumbRect()
{
    const TGraphic* g = Picture.Graphic();
    if (g && !g->Empty()) {
        const int aw = width() - 2 * m_boardSize, ah = height() - 2 * m_boardSize;
        const int pw = g->Width(), ph = g->Height();
        if (pw <= aw && ph <= ah) {
            ThumbRect = TRect(RoundValue((aw - pw) * 0.5), RoundValue((ah - ph) * 0.5), pw, ph);
        } else {
            const int big = pw >= ph ? pw : ph;
            const int limit = pw >= ph ? aw : ah;
            int p = 99;
            while (p > 2) {
                --p;
                if (RoundValue(big * p * 0.01) <= limit - 10)
                    break;
            }
            const int w = RoundValue(pw * p * 0.01), h = RoundValue(ph * p * 0.01);
            ThumbRect = TRect(RoundValue((aw - w) * 0.5), RoundValue((ah - h) * 0.5), w, h);
        }
        ThumbRect.Left += m_boardSize;
        ThumbRect.Top += m_boardSize;
    }
    setToolTip(FileName);
}

QString TileCaption(const QString& name, int width, const std::function<int(const QString&)>& textWidth)
{
    if (textWidth(name) < width)
        return name;
    const int len = int(name.size());
    for (int k = 1; k < len - 5; ++k) {
        const QString t = name.left(len - k - 5) + QStringLiteral("...");
        if (textWidth(t) < width - 10)
            return t;
    }
    return QString();
}

void CPrintPreviewImage::PaintControl(QPainter& painter)
{
    TCanvas canvas(&painter);
    const TGraphic* g = Picture.Graphic();
    // ThumbRect holds left, top, width and height.
    const int l = ThumbRect.Left, t = ThumbRect.Top, w = ThumbRect.Right, h = ThumbRect.Bottom;
    if (g && !g->Empty()) {
        canvas.StretchDraw(TRect(l, t - 5, l + w, t + h - 5), g);
        const QString text = TileCaption(FileName, width(), [&canvas](const QString& s) { return canvas.TextWidth(s); });
        if (!text.isEmpty()) {
            canvas.Brush.Style = bsClear;
            canvas.TextOut((width() - canvas.TextWidth(text)) / 2, height() - 20, text);
            canvas.Brush.Style = bsSolid;
        }
    } else {
        const TColor brush = canvas.Brush.Color;
        canvas.Brush.Color = clBlack;
        canvas.FillRect(TRect(l, t, l + w, t + h));
        canvas.Brush.Color = brush;
    }
    if (Highlighted) {
        const TBrushStyle style = canvas.Brush.Style;
        canvas.Brush.Style = bsClear;
        canvas.Pen.Color = 0xFF0000;
        canvas.Rectangle(0, 0, width(), height());
        canvas.Brush.Style = style;
    }
}

void CPrintPreviewImage::mouseMoveEvent(QMouseEvent*)
{
    SelectExclusive();
}

void CPrintPreviewImage::SelectExclusive()
{
    if (TControlHost* host = Host()) {
        for (TGraphicControl* control : host->Controls()) {
            auto* tile = qobject_cast<CPrintPreviewImage*>(control);
            if (tile && tile != this && tile->Highlighted) {
                tile->Highlighted = false;
                tile->update();
            }
        }
    }
    if (!Highlighted) {
        Highlighted = true;
        update();
    }
}
