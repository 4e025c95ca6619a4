#include "app/image_editor_frame.h"
#include "document/std.h"
#include "platform/bitmap.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/registry.h"

#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QScrollArea>
#include <QTest>

namespace {

// A picture whose every pixel tells where it is: red = x, green = y.
TPicture gradient(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 0));
    TBitmap bmp;
    bmp.SetImage(img);
    TPicture p;
    p.SetGraphic(&bmp);
    return p;
}

void drag(TImageEditorFrame& e, QPoint from, QPoint to)
{
    e.PaintBoxMouseDown(Qt::LeftButton, from);
    e.PaintBoxMouseMove(to);
    e.PaintBoxMouseUp(Qt::LeftButton, to);
}

void selectMode(TImageEditorFrame& e)
{
    e.SelectBtn->trigger();
    ASSERT_TRUE(e.SelectBtn->isChecked());
}

} // namespace

TEST(EditorArithmetic, FitZoomStopsOnlyWhenBothSidesFit)
{
    const struct {
        int w, h, cw, ch;
        float zoom;
    } cases[] = {
        {100, 100, 400, 250, 1.0f},    // fits as it is
        {400, 250, 400, 250, 1.0f},    // exactly
        {800, 200, 400, 250, 0.5f},    // width decides
        {200, 900, 400, 250, 0.25f},   // 225 high at a quarter
        {2000, 100, 400, 250, 0.25f},  // the height fits at 75 %, the width not until a quarter
        {3000, 3000, 400, 250, 0.25f}, // never fits: a quarter is the least
        {533, 10, 400, 250, 0.75f},    // R(533 x 0.75) = 399.75 -> 400
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(FitZoom(c.w, c.h, c.cw, c.ch), c.zoom) << c.w << "x" << c.h;
}

TEST(EditorArithmetic, CropRectIsAtLeastAPixelAndInsideThePicture)
{
    const struct {
        int x1, y1, x2, y2;
        float zoom;
        int w, h;
        QRect expected;
    } cases[] = {
        {10, 20, 50, 60, 1.0f, 100, 100, QRect(10, 20, 40, 40)},
        {50, 60, 10, 20, 1.0f, 100, 100, QRect(10, 20, 40, 40)},  // dragged up and left
        {20, 20, 100, 60, 2.0f, 100, 100, QRect(10, 10, 40, 20)}, // at 200 % half as many pixels
        {10, 10, 30, 30, 0.5f, 100, 100, QRect(20, 20, 40, 40)},
        {90, 90, 130, 130, 1.0f, 100, 100, QRect(90, 90, 10, 10)}, // held inside
        {-5, -5, 3, 3, 1.0f, 100, 100, QRect(0, 0, 3, 3)},
        {10, 10, 11, 11, 8.0f, 100, 100, QRect()},     // rounds to nothing
        {10, 10, 10, 40, 1.0f, 100, 100, QRect()},     // no width
        {120, 120, 150, 150, 1.0f, 100, 100, QRect()}, // wholly outside
        {0, 0, 1, 1, 1.0f, 1, 1, QRect(0, 0, 1, 1)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CropRect(c.x1, c.y1, c.x2, c.y2, c.zoom, c.w, c.h), c.expected)
            << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2 << " at " << c.zoom;
}

TEST(EditorWindow, OpensAtTheZoomThatFitsAndStepsWithinItsLimits)
{
    TImageEditorFrame e;
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Image Editor"));
    EXPECT_FALSE(e.CropItem->isEnabled());
    EXPECT_TRUE(e.ZoomBtn->isChecked());
    const TPicture small = gradient(40, 30);
    e.SetPicture(&small);
    EXPECT_FLOAT_EQ(e.Zoom, 1.0f);
    EXPECT_EQ(e.StatusPanel[0]->text(), QStringLiteral("100%"));
    EXPECT_EQ(e.StatusPanel[2]->text(), QStringLiteral("Image Size :40x30"));
    for (int i = 0; i < 20; ++i)
        e.PaintBoxMouseDown(Qt::LeftButton, QPoint(1, 1));
    EXPECT_FLOAT_EQ(e.Zoom, 4.0f);
    EXPECT_EQ(e.PaintBox->size(), QSize(160, 120));
    EXPECT_EQ(e.StatusPanel[0]->text(), QStringLiteral("400%"));
    for (int i = 0; i < 20; ++i)
        e.PaintBoxMouseDown(Qt::RightButton, QPoint(1, 1));
    EXPECT_FLOAT_EQ(e.Zoom, 0.25f);
    EXPECT_EQ(e.PaintBox->size(), QSize(10, 7)); // 7.5 rounds down
}

TEST(EditorWindow, ALargePictureOpensZoomedOutUntilItFits)
{
    TImageEditorFrame e;
    e.resize(463, 324);
    const TPicture wide = gradient(1600, 100);
    e.SetPicture(&wide);
    const QSize client = e.ScrollBox->contentsRect().size();
    EXPECT_LE(e.PaintBox->width(), client.width());
    EXPECT_LE(e.PaintBox->height(), client.height());
    EXPECT_FLOAT_EQ(e.Zoom, 0.25f);
}

TEST(EditorWindow, CropAtTwoHundredPercentTakesHalfTheDraggedPixels)
{
    testsupport::MessageRecorder recorder(IDYES);
    TImageEditorFrame e;
    const TPicture pic = gradient(60, 50);
    e.SetPicture(&pic);
    e.ZoomStep(0);
    e.ZoomStep(0);
    e.ZoomStep(0);
    e.ZoomStep(0);
    ASSERT_FLOAT_EQ(e.Zoom, 2.0f);
    selectMode(e);
    EXPECT_TRUE(e.CropItem->isEnabled());
    // A click without a drag leaves no selection, and Crop does nothing.
    drag(e, QPoint(30, 30), QPoint(30, 30));
    EXPECT_FALSE(e.HasSelection);
    e.CropItem->trigger();
    EXPECT_FALSE(e.Modified);
    // A drag shows its picture pixels while it goes.
    e.PaintBoxMouseDown(Qt::LeftButton, QPoint(20, 40));
    e.PaintBoxMouseMove(QPoint(60, 100));
    EXPECT_EQ(e.StatusPanel[1]->text(), QStringLiteral("(10,20)->(30,50) = (20,30)"));
    e.PaintBoxMouseUp(Qt::LeftButton, QPoint(60, 100));
    EXPECT_TRUE(e.HasSelection);
    EXPECT_TRUE(e.StatusPanel[1]->text().isEmpty());
    e.CropItem->trigger();
    EXPECT_TRUE(e.Modified);
    EXPECT_FALSE(e.HasSelection);
    ASSERT_EQ(e.Picture->Width(), 20);
    ASSERT_EQ(e.Picture->Height(), 30);
    const QImage img = e.Picture->Graphic()->ToImage();
    EXPECT_EQ(qRed(img.pixel(0, 0)), 10);
    EXPECT_EQ(qGreen(img.pixel(0, 0)), 20);
    EXPECT_EQ(qRed(img.pixel(19, 29)), 29);
    // A second crop works on the cropped picture; a drag past the box is held at its edge.
    drag(e, QPoint(20, 20), QPoint(5000, 5000));
    EXPECT_EQ(e.SelRect[2], e.PaintBox->width());
    e.CropItem->trigger();
    EXPECT_EQ(e.Picture->Width(), 10);
    EXPECT_EQ(e.Picture->Height(), 20);
}

TEST(EditorWindow, ClosingAfterACropAsksAndNoGivesNothingBack)
{
    for (int answer : {IDYES, IDNO}) {
        testsupport::MessageRecorder recorder(answer);
        TImageEditorFrame e;
        e.show();
        const TPicture pic = gradient(60, 50);
        e.SetPicture(&pic);
        selectMode(e);
        drag(e, QPoint(5, 5), QPoint(25, 25));
        e.CropItem->trigger();
        ASSERT_TRUE(e.Modified);
        e.ExitItem->trigger();
        EXPECT_EQ(recorder.texts, QStringList{LoadLangStr(PictureModifiedString)});
        EXPECT_EQ(e.Modified, answer == IDYES);
    }
}

TEST(EditorWindow, PlaceAndStateAreKept)
{
    testsupport::MessageRecorder recorder;
    {
        TImageEditorFrame e;
        e.show();
        e.setGeometry(50, 60, 500, 400);
        e.ExitItem->trigger();
    }
    TRegIniFile reg(ProductKey());
    EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Editor_WindowState"), -1), 0);
    EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Editor_Width"), -1), 500);
    TImageEditorFrame again;
    EXPECT_EQ(again.size(), QSize(500, 400));
}
