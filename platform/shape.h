#pragma once
// TShape: the framework's shape control, a figure filling the control, drawn with its pen and
// brush. Square, round square and circle use the largest square that fits, centred.
#include "platform/graphics.h"

#include <QWidget>

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);
    ~TShape() override;

    // Plain state; call update() after changing it, or use the setters.
    TShapeType Shape = stRectangle;
    TPen Pen;     // black, 1 pixel
    TBrush Brush; // solid white

    void SetShape(TShapeType shape);

    // The figure's corners in the control: the pen lies inside it.
    TRect FigureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
