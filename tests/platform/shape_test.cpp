#include "platform/shape.h"

#include <gtest/gtest.h>

#include <QImage>

TEST(Shape, FigureKeepsThePenInsideAndSquaresCentred)
{
    TShape s;
    s.resize(101, 107);
    const struct {
        TShapeType shape;
        int pen;
        TRect figure;
    } cases[] = {
        {stRectangle, 1, TRect(0, 0, 101, 107)},
        {stRectangle, 5, TRect(2, 2, 99, 105)},
        {stEllipse, 8, TRect(4, 4, 98, 104)},
        {stCircle, 1, TRect(0, 3, 101, 104)}, // the largest square, centred
        {stCircle, 0, TRect(0, 3, 101, 104)},
    };
    for (const auto& c : cases) {
        s.SetShape(c.shape);
        s.Pen.Width = c.pen;
        EXPECT_EQ(s.FigureRect(), c.figure) << int(c.shape) << " pen " << c.pen;
    }
    // Drawn: the outline in the pen colour at the edge, the brush inside.
    s.SetShape(stRectangle);
    s.Pen.Width = 3;
    s.Pen.Color = clBlue;
    s.Brush.Color = clYellow;
    const QImage img = s.grab().toImage();
    EXPECT_EQ(img.pixelColor(1, 50), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(50, 50), QColor(255, 255, 0));
}
