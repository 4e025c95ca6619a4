#include "platform/shape.h"

#include <algorithm>

TShape::TShape(QWidget* parent) : QWidget(parent)
{
    Pen.Color = clBlack;
    Pen.Width = 1;
    Brush.Color = clWhite;
    Brush.Style = bsSolid;
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType shape)
{
    if (shape != Shape) {
        Shape = shape;
        update();
    }
}

TRect TShape::FigureRect() const
{
    const int pen = std::max(Pen.Width, 0);
    int x = pen / 2, y = x;
    int w = width() - pen + 1, h = height() - pen + 1;
    if (pen == 0) {
        --w;
        --h;
    }
    if (Shape == stSquare || Shape == stRoundSquare || Shape == stCircle) {
        const int s = std::min(w, h);
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    return TRect(x, y, x + w, y + h);
}

void TShape::paintEvent(QPaintEvent*)
{
    TCanvas canvas(this);
    canvas.Pen = Pen;
    canvas.Brush = Brush;
    const TRect r = FigureRect();
    switch (Shape) {
    case stEllipse:
    case stCircle: canvas.Ellipse(r); break;
    case stRoundRect:
    case stRoundSquare: {
        const int s = std::min(r.Width(), r.Height()) / 4;
        canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, s, s);
        break;
    }
    default: canvas.Rectangle(r); break;
    }
}
