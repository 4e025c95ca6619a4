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
#include <QCursor>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <cmath>

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

// The picture point (in picture pixels) the view shows at its point v.
QPointF editorPictureAt(const TImageEditorFrame& e, QPoint v)
{
    return QPointF(v - e.PaintBox->pos() + QPointF(0.5, 0.5)) / double(e.Zoom);
}

// The editor in its first size showing picture, laid out as it stays: its first layout here
// leaves the menu bar without height, and the next one would move the view under the pointer.
void editorShowing(TImageEditorFrame& e, const TPicture& picture)
{
    e.resize(463, 324);
    e.show();
    e.SetPicture(&picture);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&e));
    e.layout()->invalidate();
    QCoreApplication::processEvents();
    ASSERT_GT(e.MainMenu->height(), 0);
}

// The pointer moved onto the view at its point v, its move handled as the program's loop does.
void editorPointerTo(const TImageEditorFrame& e, QPoint v)
{
    QCursor::setPos(e.ScrollBox->viewport()->mapToGlobal(v));
    QCoreApplication::processEvents();
}

// What panel 1 shows for the pointer over paint-box point p.
QString editorPlaceText(const TImageEditorFrame& e, QPoint p)
{
    return QStringLiteral("(%1,%2)")
        .arg(RoundValue(p.x() / double(e.Zoom)))
        .arg(RoundValue(p.y() / double(e.Zoom)));
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

// What the view shows is the picture at the zoom, wherever it is scrolled to, and the cropped
// picture after a crop: the copy kept for repaints follows the picture, its zoom and the view.
TEST(EditorWindow, TheViewShowsThePictureAtItsZoomWhereverItIsScrolled)
{
    testsupport::MessageRecorder recorder(IDYES);
    TImageEditorFrame e;
    editorShowing(e, gradient(1000, 800));
    // The colour the view shows at its point v, and the picture pixel's colour there.
    const auto expectShown = [&e](QPoint inside) {
        QCoreApplication::processEvents();
        // A point of the picture also where it is smaller than the view and centred in it.
        const QPoint v(std::max(inside.x(), e.PaintBox->x() + 7), std::max(inside.y(), e.PaintBox->y() + 5));
        const QImage shown = e.ScrollBox->viewport()->grab().toImage();
        const QPoint at = v - e.PaintBox->pos();
        const int x = int(std::floor((at.x() + 0.5) / double(e.Zoom)));
        const int y = int(std::floor((at.y() + 0.5) / double(e.Zoom)));
        EXPECT_EQ(shown.pixel(v), qRgb(x & 0xFF, y & 0xFF, 0))
            << "zoom " << e.Zoom << " at (" << at.x() << ", " << at.y() << ")";
    };
    const auto scroll = [&e](double part) {
        for (QScrollBar* bar : {e.ScrollBox->horizontalScrollBar(), e.ScrollBox->verticalScrollBar()})
            bar->setValue(bar->minimum() + int(part * (bar->maximum() - bar->minimum())));
    };
    const QPoint inside(60, 40);
    for (const float zoom : {0.25f, 1.0f, 2.0f, 0.75f}) {
        while (e.Zoom < zoom)
            e.ZoomStep(0);
        while (e.Zoom > zoom)
            e.ZoomStep(1);
        for (const double part : {0.0, 0.5, 1.0, 0.1}) {
            SCOPED_TRACE(part);
            scroll(part);
            expectShown(inside);
        }
    }
    // Crop at 200 %: the view shows the cropped part, drawn again.
    while (e.Zoom < 2.0f)
        e.ZoomStep(0);
    scroll(0);
    selectMode(e);
    drag(e, QPoint(200, 100), QPoint(600, 500));
    e.CropItem->trigger();
    ASSERT_EQ(e.Picture->Width(), 200);
    const QImage shown = e.ScrollBox->viewport()->grab().toImage();
    const QPoint at = inside - e.PaintBox->pos();
    EXPECT_EQ(shown.pixel(inside), qRgb((100 + at.x() / 2) & 0xFF, (50 + at.y() / 2) & 0xFF, 0));
}

// An opaque picture's box paints no background under it; a picture with transparent pixels
// that follows shows the view's background through them.
TEST(EditorWindow, ATransparentPictureAfterAnOpaqueOneShowsTheViewBehindIt)
{
    TImageEditorFrame e;
    editorShowing(e, gradient(40, 30));
    const QImage first = e.ScrollBox->viewport()->grab().toImage();
    EXPECT_TRUE(e.PaintBox->testAttribute(Qt::WA_OpaquePaintEvent));

    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(qRgb(10, 200, 10));
    img.setPixel(5, 5, qRgb(1, 2, 3));
    TBitmap keyed;
    keyed.SetImage(img);
    keyed.SetTransparentColor(RGB(1, 2, 3));
    keyed.SetTransparent(true);
    TPicture transparent;
    transparent.SetGraphic(&keyed);
    e.SetPicture(&transparent);
    const QImage shown = e.ScrollBox->viewport()->grab().toImage();
    const QPoint box = e.PaintBox->pos();
    const QRgb background = first.pixel(2, 2);
    ASSERT_FALSE(QRect(box, e.PaintBox->size()).contains(QPoint(2, 2)));
    EXPECT_EQ(shown.pixel(box + QPoint(6, 5)), qRgb(10, 200, 10));
    EXPECT_EQ(shown.pixel(box + QPoint(5, 5)), background);
    EXPECT_FALSE(e.PaintBox->testAttribute(Qt::WA_OpaquePaintEvent));
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

// A zoom click enlarges or shrinks around the clicked point: the picture point under the pointer
// stays under it, as far as the scroll range allows; a zoom by key keeps the view's middle.
TEST(EditorWindow, ZoomingKeepsThePointerOrTheMiddleOfTheViewOnThePicture)
{
    const struct {
        const char* what;
        float zoom;     // before
        double scroll;  // part of both ranges, before
        QPoint at;      // in the view
        int direction;  // 0 in, 1 out
        bool byKey;     // keypad, with the view's middle kept
        bool heldAtTop; // the point cannot stay: the view is at its top-left end
    } cases[] = {
        {"in, scrolled halfway", 1.0f, 0.5, QPoint(300, 150), 0, false, false},
        {"out, scrolled halfway", 1.0f, 0.5, QPoint(100, 60), 1, false, false},
        {"in at the far end", 1.0f, 1.0, QPoint(400, 200), 0, false, false},
        {"in at the near end", 0.5f, 0.0, QPoint(20, 15), 0, false, false},
        {"in at the largest step", 4.0f, 0.3, QPoint(250, 100), 0, false, false},
        {"out, still larger than the view", 0.75f, 0.7, QPoint(300, 40), 1, false, false},
        {"out near the top-left corner", 1.0f, 0.0, QPoint(20, 20), 1, false, true},
        {"in by key", 1.0f, 0.4, QPoint(), 0, true, false},
        {"out by key", 2.0f, 0.6, QPoint(), 1, true, false},
    };
    TImageEditorFrame e;
    editorShowing(e, gradient(1000, 800));
    QScrollBar* bars[2] = {e.ScrollBox->horizontalScrollBar(), e.ScrollBox->verticalScrollBar()};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        while (e.Zoom < c.zoom)
            e.ZoomStep(0);
        while (e.Zoom > c.zoom)
            e.ZoomStep(1);
        for (QScrollBar* bar : bars)
            bar->setValue(bar->minimum() + int(c.scroll * (bar->maximum() - bar->minimum())));
        const QPoint at = c.byKey ? e.ScrollBox->viewport()->rect().center() : c.at;
        const QPointF before = editorPictureAt(e, at);
        if (c.byKey)
            e.ZoomStep(c.direction);
        else
            e.PaintBoxMouseDown(c.direction == 0 ? Qt::LeftButton : Qt::RightButton, at - e.PaintBox->pos());
        QCoreApplication::processEvents();
        const QPointF after = editorPictureAt(e, at);
        if (c.heldAtTop) {
            EXPECT_EQ(bars[0]->value(), 0);
            EXPECT_EQ(bars[1]->value(), 0);
            EXPECT_EQ(e.PaintBox->pos(), QPoint(0, 0));
        } else {
            // Within a pixel of the view at the new zoom.
            const double slack = 1.0 / double(e.Zoom) + 1e-9;
            EXPECT_NEAR(after.x(), before.x(), slack) << "zoom " << e.Zoom;
            EXPECT_NEAR(after.y(), before.y(), slack) << "zoom " << e.Zoom;
        }
    }
}

// After a zoom the status bar shows where the pointer now is on the picture, not where it was at
// the old zoom; nothing once the picture no longer lies under it.
TEST(EditorWindow, AfterAZoomThePositionShownIsWhereThePointerIs)
{
    TImageEditorFrame e;
    // Smaller than the view from 25 % to 125 %, so the box stays centred and moves under the
    // pointer whatever the zoom keeps.
    editorShowing(e, gradient(100, 80));
    ASSERT_FLOAT_EQ(e.Zoom, 1.0f);
    const QPoint v = e.PaintBox->pos() + QPoint(10, 12);
    editorPointerTo(e, v);
    ASSERT_EQ(e.StatusPanel[1]->text(), QStringLiteral("(10,12)"));

    // A left click zooms in; the pointer's new place shows until the release empties the panel,
    // which any left release does.
    QTest::mousePress(e.PaintBox, Qt::LeftButton, {}, v - e.PaintBox->pos());
    ASSERT_FLOAT_EQ(e.Zoom, 1.25f);
    EXPECT_EQ(e.StatusPanel[1]->text(), editorPlaceText(e, v - e.PaintBox->pos()));
    QTest::mouseRelease(e.PaintBox, Qt::LeftButton, {}, v - e.PaintBox->pos());
    EXPECT_TRUE(e.StatusPanel[1]->text().isEmpty());
    EXPECT_FALSE(e.HasSelection);

    // A right click zooms out and leaves the pointer's new place, not the one at 125 %.
    const QPoint w = v + QPoint(4, 2);
    editorPointerTo(e, w);
    const QString at125 = e.StatusPanel[1]->text();
    ASSERT_FALSE(at125.isEmpty());
    QTest::mouseClick(e.PaintBox, Qt::RightButton, {}, w - e.PaintBox->pos());
    ASSERT_FLOAT_EQ(e.Zoom, 1.0f);
    EXPECT_EQ(e.StatusPanel[1]->text(), editorPlaceText(e, w - e.PaintBox->pos()));
    EXPECT_NE(e.StatusPanel[1]->text(), at125);

    // The keypad does the same with the pointer where it is.
    QTest::keyClick(&e, Qt::Key_Plus, Qt::KeypadModifier);
    ASSERT_FLOAT_EQ(e.Zoom, 1.25f);
    EXPECT_EQ(e.StatusPanel[1]->text(), editorPlaceText(e, w - e.PaintBox->pos()));

    // Zoomed out, the box shrinks away from under the pointer.
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(&e, Qt::Key_Minus, Qt::KeypadModifier);
    ASSERT_FLOAT_EQ(e.Zoom, 0.25f);
    ASSERT_FALSE(QRect(e.PaintBox->pos(), e.PaintBox->size()).contains(w));
    EXPECT_TRUE(e.StatusPanel[1]->text().isEmpty());

    // A zoom by key with the pointer away from the window.
    editorPointerTo(e, e.PaintBox->pos() + QPoint(3, 3));
    ASSERT_FALSE(e.StatusPanel[1]->text().isEmpty());
    QCursor::setPos(e.mapToGlobal(QPoint(-50, -50)));
    QCoreApplication::processEvents();
    QTest::keyClick(&e, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_TRUE(e.StatusPanel[1]->text().isEmpty());

    // Scrolled both ways at 75 % and centred without bars at 50 %: the place shown is the one
    // in the view as it is laid out once the bars have gone.
    const TPicture larger = gradient(600, 400);
    e.SetPicture(&larger);
    while (e.Zoom < 0.75f)
        e.ZoomStep(0);
    QCoreApplication::processEvents();
    ASSERT_TRUE(e.ScrollBox->horizontalScrollBar()->isVisible());
    ASSERT_TRUE(e.ScrollBox->verticalScrollBar()->isVisible());
    const QPoint middle = e.ScrollBox->viewport()->rect().center();
    editorPointerTo(e, middle);
    QTest::mouseClick(e.PaintBox, Qt::RightButton, {}, middle - e.PaintBox->pos());
    ASSERT_FLOAT_EQ(e.Zoom, 0.5f);
    const QString shown = e.StatusPanel[1]->text();
    QCoreApplication::processEvents();
    ASSERT_FALSE(e.ScrollBox->verticalScrollBar()->isVisible());
    EXPECT_EQ(shown, editorPlaceText(e, e.PaintBox->mapFromGlobal(QCursor::pos())));
}

// A selection stays on the picture pixels it was dragged over when the user zooms (by click or
// keypad) before cropping: the band is drawn again there, and Crop cuts those pixels, also after
// a step below 100 %, where the box pixels cannot hold every picture pixel.
TEST(EditorWindow, ASelectionKeepsItsPicturePixelsAcrossZooms)
{
    const struct {
        const char* what;
        float zoom;        // when dragged
        QPoint from, to;   // paint-box pixels at that zoom
        QRect picture;     // the picture pixels they cover
        const char* steps; // '+' in, '-' out
        bool byKey;
    } cases[] = {
        {"in by clicks", 1.0f, {10, 20}, {40, 45}, {10, 20, 30, 25}, "++", false},
        {"out by keys", 1.0f, {10, 20}, {40, 45}, {10, 20, 30, 25}, "--", true},
        {"down to 25 % and back", 1.0f, {11, 21}, {43, 46}, {11, 21, 32, 25}, "------++++++", true},
        {"up to 400 % and down to 50 %",
         1.0f,
         {5, 7},
         {58, 49},
         {5, 7, 53, 42},
         "++++++++++++--------------",
         false},
        {"dragged up-left at 200 %, out", 2.0f, {90, 70}, {30, 20}, {15, 10, 30, 25}, "-----", false},
        {"dragged at 50 %, in", 0.5f, {3, 4}, {20, 22}, {6, 8, 34, 36}, "+++", true},
    };
    testsupport::MessageRecorder recorder(IDYES);
    const TPicture pic = gradient(60, 50);
    const QImage source = pic.Graphic()->ToImage();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TImageEditorFrame e;
        editorShowing(e, pic);
        while (e.Zoom < c.zoom)
            e.ZoomStep(0);
        while (e.Zoom > c.zoom)
            e.ZoomStep(1);
        selectMode(e);
        drag(e, c.from, c.to);
        ASSERT_TRUE(e.HasSelection);
        e.ZoomBtn->trigger();
        for (const char* s = c.steps; *s; ++s) {
            const bool in = *s == '+';
            if (c.byKey)
                QTest::keyClick(&e, in ? Qt::Key_Plus : Qt::Key_Minus, Qt::KeypadModifier);
            else
                QTest::mouseClick(e.PaintBox, in ? Qt::LeftButton : Qt::RightButton, {}, QPoint(2, 2));
        }
        QCoreApplication::processEvents();
        ASSERT_TRUE(e.HasSelection) << "zoom " << e.Zoom;
        // The band lies on the selected picture pixels at the new zoom.
        const auto box = [&e](int v) { return RoundValue(v * double(e.Zoom)); };
        EXPECT_EQ(std::min(e.SelRect[0], e.SelRect[2]), box(c.picture.left())) << "zoom " << e.Zoom;
        EXPECT_EQ(std::min(e.SelRect[1], e.SelRect[3]), box(c.picture.top()));
        EXPECT_EQ(std::max(e.SelRect[0], e.SelRect[2]), box(c.picture.left() + c.picture.width()));
        EXPECT_EQ(std::max(e.SelRect[1], e.SelRect[3]), box(c.picture.top() + c.picture.height()));
        selectMode(e);
        e.CropItem->trigger();
        ASSERT_TRUE(e.Modified);
        EXPECT_EQ(e.Picture->Graphic()->ToImage().convertToFormat(QImage::Format_RGB32),
                  source.copy(c.picture).convertToFormat(QImage::Format_RGB32))
            << e.Picture->Width() << "x" << e.Picture->Height();
    }
}

// A new drag after a zoom is taken at the zoom it is made at, not as the band carried over.
TEST(EditorWindow, ADragAfterAZoomReplacesTheCarriedSelection)
{
    testsupport::MessageRecorder recorder(IDYES);
    const TPicture pic = gradient(60, 50);
    TImageEditorFrame e;
    editorShowing(e, pic);
    selectMode(e);
    drag(e, QPoint(11, 11), QPoint(31, 31));
    e.ZoomBtn->trigger();
    for (int i = 0; i < 3; ++i)
        e.ZoomStep(1);
    ASSERT_FLOAT_EQ(e.Zoom, 0.25f);
    selectMode(e);
    // The carried band's own box pixels, dragged anew: at 25 % they start on picture pixel 12,
    // where the carried selection started on 11.
    ASSERT_EQ(e.SelRect[0], 3);
    drag(e, QPoint(e.SelRect[0], e.SelRect[1]), QPoint(e.SelRect[2], e.SelRect[3]));
    e.CropItem->trigger();
    ASSERT_EQ(e.Picture->Width(), 20);
    const QImage img = e.Picture->Graphic()->ToImage();
    EXPECT_EQ(qRed(img.pixel(0, 0)), 12);
    EXPECT_EQ(qGreen(img.pixel(0, 0)), 12);
}
