#include "document/rectangle.h"

#include "document/main_window_link.h"
#include "document/picture_object.h"
#include "document/std.h"

#include <QPointer>

#include <algorithm>

CRectangle::CRectangle(QWidget* owner) : CDesignObject(owner)
{
    LineWidth = 1;
    LineColor = clBlack;
    CoreColor = clWhite;
}

CRectangle::~CRectangle() = default;

void CRectangle::DrawFigure(TCanvas& canvas, const TRect& r) const
{
    canvas.Rectangle(r);
}

void CRectangle::Paint()
{
    const TBrush savedBrush = Canvas.Brush;
    const TColor savedPenColor = Canvas.Pen.Color;
    const int savedPenWidth = Canvas.Pen.Width;

    Canvas.Brush.Style = bsSolid;
    Canvas.Brush.Color = CoreColor;
    Canvas.Pen.Color = LineColor;
    Canvas.Pen.Width = LineWidth;
    // The pen is centred on the figure's edge: inset by half its width the outline lies inside
    // the object.
    const int half = Canvas.Pen.Width / 2;
    DrawFigure(Canvas, TRect(half, half, Width() - half, Height() - half));

    Canvas.Brush = savedBrush;
    Canvas.Pen.Color = savedPenColor;
    Canvas.Pen.Width = savedPenWidth;
    if (Selected)
        DrawHandles();
}

void CRectangle::DrawTo(TCanvas& canvas, QPoint position, float scale)
{
    const TBrush savedBrush = canvas.Brush;
    const TColor savedPenColor = canvas.Pen.Color;
    const int savedPenWidth = canvas.Pen.Width;
    const double s = scale;
    const double px = position.x(), py = position.y(), W = Width(), H = Height();

    // The outline is the ring between an outer figure in the line colour and an inner one in
    // the core colour, inset by the full line width so that print shows the width the screen
    // shows. The caller's pen (clear for a page) is used as it is.
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = LineColor;
    DrawFigure(canvas, TRect(RoundCoordinate(px * s), RoundCoordinate(py * s), RoundCoordinate((px + W) * s),
                             RoundCoordinate((py + H) * s)));

    const double lw = std::max(LineWidth, 0);
    const TRect inner(RoundCoordinate((px + lw) * s), RoundCoordinate((py + lw) * s),
                      RoundCoordinate((px + W - lw) * s), RoundCoordinate((py + H - lw) * s));
    if (inner.Right > inner.Left && inner.Bottom > inner.Top) {
        canvas.Brush.Color = CoreColor;
        DrawFigure(canvas, inner);
    }

    canvas.Brush = savedBrush;
    canvas.Pen.Color = savedPenColor;
    canvas.Pen.Width = savedPenWidth;
}

void CRectangle::EditProperties()
{
    RunPropertyDialog(false);
}

void CRectangle::RunPropertyDialog(bool ellipse)
{
    TColorPropertiesRequest request;
    request.Ellipse = ellipse;
    request.LineColor = LineColor;
    request.CoreColor = CoreColor;
    request.LineWidth = LineWidth;
    const TObjectBoxes shown = ObjectBoxesOf(*this);
    request.Left = shown.Left;
    request.Top = shown.Top;
    request.Width = shown.Width;
    request.Height = shown.Height;
    QPointer<CRectangle> self(this);
    const bool ok = MainWindowLink()->RunColorPropertyDialog(parentWidget(), request);
    if (!self || !ok)
        return;
    LineWidth = request.LineWidth;
    LineColor = request.LineColor;
    CoreColor = request.CoreColor;
    ApplyObjectBoxes(*this, shown, TObjectBoxes{request.Left, request.Top, request.Width, request.Height});
    update();
    ObjectNotify(ocChanged);
}

CEllipse::CEllipse(QWidget* owner) : CRectangle(owner) {}

CEllipse::~CEllipse() = default;

void CEllipse::DrawFigure(TCanvas& canvas, const TRect& r) const
{
    canvas.Ellipse(r);
}

void CEllipse::EditProperties()
{
    RunPropertyDialog(true);
}
