// Picture objects: sizes in the picture's ratio, the original size, corner drags in ratio mode,
// drawing on the screen and on a page, keeping the scale when the picture changes, the
// position boxes of the property dialogs, and pictures that cannot be read.
#include "child_frame_test_support.h"

#include "document/picture_object.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/picture.h"
#include "support/test_support.h"

#include <QFile>
#include <QImage>
#include <QMenu>

using namespace frametest;

namespace {

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

// A w x h picture in four coloured quadrants: red, green / blue, yellow.
TPicture Quadrants(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kYellow));
    TBitmap b;
    b.SetImage(img);
    TPicture p;
    p.Assign(&b);
    return p;
}

QImage Painted(CImage& o)
{
    QImage img(o.Width(), o.Height(), QImage::Format_RGB32);
    img.fill(0xFF808080);
    o.Canvas.Attach(&img);
    o.Paint();
    o.Canvas.Detach();
    return img;
}

QRgb At(const QImage& img, int x, int y)
{
    return img.pixel(x, y) | 0xFF000000;
}

} // namespace

TEST(PictureObject, SizesKeepTheRatioOnlyInRatioMode)
{
    CImage o;
    const TPicture pic = Quadrants(200, 100);
    o.SetImage(&pic);
    ASSERT_TRUE(o.HasPicture);
    struct Case {
        bool ratio;
        int w, h, wantW, wantH;
    } cases[] = {
        {true, 300, 300, 300, 150},
        {true, 300, 100, 200, 100},
        {true, 100, 0, 0, 0},       // a height of 0 is a very wide request
        {true, 400, 200, 400, 200},
        {false, 300, 300, 300, 300},
    };
    for (const Case& k : cases) {
        o.SetStretchInRatio(k.ratio);
        o.SetSize(k.w, k.h);
        EXPECT_EQ(o.size(), QSize(k.wantW, k.wantH)) << k.ratio << " " << k.w << "x" << k.h;
    }
    // Without a picture there is no ratio to keep.
    CImage empty;
    empty.SetStretchInRatio(true);
    empty.SetSize(300, 300);
    EXPECT_EQ(empty.size(), QSize(300, 300));
}

TEST(PictureObject, OriginalSizeShowsThePictureAt180PixelsPerInch)
{
    CImage o;
    o.resize(10, 10);
    o.OriginalSize();
    EXPECT_EQ(o.size(), QSize(100, 60));
    const TPicture pic = Quadrants(360, 180);
    o.SetImage(&pic);
    o.OriginalSize();
    EXPECT_EQ(o.size(), QSize(192, 96));
    o.Zoom = 1.5f;
    o.OriginalSize();
    EXPECT_EQ(o.size(), QSize(288, 144));
    // Emptying the picture clears the flag.
    o.SetImage(nullptr);
    EXPECT_FALSE(o.HasPicture);
}

TEST(PictureObject, ScreenShowsThePictureOrAFramedPlaceholder)
{
    CImage o;
    o.resize(300, 80);
    o.Selected = false;
    o.Canvas.Font.Color = clBlack;
    QImage img = Painted(o);
    EXPECT_EQ(At(img, 1, 1), 0xFF000000u);        // frame
    EXPECT_EQ(At(img, 0, 0), 0xFF808080u);        // outside the frame
    EXPECT_EQ(At(img, 5, 5), 0xFFFFFFFFu);        // white inside
    EXPECT_EQ(BuiltinString(PicturePlaceholderString), QStringLiteral("Double click here to select graphic file."));
    // The placeholder text is centred.
    TRect ink(img.width(), img.height(), -1, -1);
    for (int y = 3; y < img.height() - 3; ++y)
        for (int x = 3; x < img.width() - 3; ++x)
            if (At(img, x, y) != 0xFFFFFFFFu) {
                ink.Left = std::min(ink.Left, x);
                ink.Right = std::max(ink.Right, x + 1);
                ink.Top = std::min(ink.Top, y);
                ink.Bottom = std::max(ink.Bottom, y + 1);
            }
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 150, 4);
    EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, 40, 4);

    const TPicture pic = Quadrants(20, 10);
    o.SetImage(&pic);
    o.resize(100, 60);
    img = Painted(o);
    EXPECT_EQ(At(img, 10, 10), kRed);
    EXPECT_EQ(At(img, 90, 10), kGreen);
    EXPECT_EQ(At(img, 10, 50), kBlue);
    EXPECT_EQ(At(img, 99, 59), kYellow);

    // Handles: eight outside ratio mode, the four corners only in ratio mode.
    o.Selected = true;
    img = Painted(o);
    EXPECT_EQ(At(img, 2, 2), 0xFF0000FFu);
    EXPECT_EQ(At(img, 2, 28), 0xFF0000FFu);
    o.SetStretchInRatio(true);
    img = Painted(o);
    EXPECT_EQ(At(img, 2, 2), 0xFF0000FFu);
    EXPECT_EQ(At(img, 97, 57), 0xFF0000FFu);
    EXPECT_EQ(At(img, 2, 28), kRed);
    EXPECT_EQ(At(img, 50, 2), kGreen);
}

TEST(PictureObject, OnlyAPictureWithoutTransparencyCopiedAsItIsHidesWhatLiesBelow)
{
    const TPicture quadrants = Quadrants(20, 10);
    TPicture transparent = quadrants;
    transparent.Graphic()->SetTransparent(true);
    QImage indexed(4, 4, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(0, 0, 0, 0), qRgb(255, 0, 0)});
    indexed.fill(1);
    TBitmap withAlpha;
    withAlpha.SetImage(indexed);
    TPicture alphaTable;
    alphaTable.SetGraphic(&withAlpha);
    TJPEGImage jpeg;
    jpeg.LoadFromData(TJPEGImage::Encode(quadrants.Graphic()->ToImage(), 90));
    TPicture jpegPicture;
    jpegPicture.SetGraphic(&jpeg);
    struct Case {
        const char* what;
        const TPicture* picture;
        TCopyMode mode;
        bool opaque;
    } cases[] = {
        {"placeholder", nullptr, cmSrcCopy, false},
        {"bitmap", &quadrants, cmSrcCopy, true},
        {"JPEG", &jpegPicture, cmSrcCopy, true},
        {"transparent bitmap", &transparent, cmSrcCopy, false},
        {"colour table with alpha", &alphaTable, cmSrcCopy, false},
        {"bitmap and-ed with what lies below", &quadrants, cmSrcAnd, false},
    };
    for (const Case& k : cases) {
        CImage o;
        o.resize(40, 20);
        o.SetImage(k.picture);
        o.Canvas.CopyMode = k.mode;
        EXPECT_EQ(o.PaintsOpaque(), k.opaque) << k.what;
    }
}

TEST(PictureObject, DrawToStretchesIntoTheScaledBoxAndNeverPrintsThePlaceholder)
{
    CImage o;
    const TPicture pic = Quadrants(20, 10);
    o.SetImage(&pic);
    o.resize(40, 20);
    TBitmap page(120, 80, pf24bit);
    o.DrawTo(*page.Canvas(), QPoint(5, 5), 2.0f); // into (10, 10) - (90, 50)
    const QImage img = page.ToImage();
    EXPECT_EQ(At(img, 9, 9), 0xFFFFFFFFu);
    EXPECT_EQ(At(img, 10, 10), kRed);
    EXPECT_EQ(At(img, 89, 10), kGreen);
    EXPECT_EQ(At(img, 10, 49), kBlue);
    EXPECT_EQ(At(img, 89, 49), kYellow);
    EXPECT_EQ(At(img, 90, 49), 0xFFFFFFFFu);
    EXPECT_EQ(At(img, 89, 50), 0xFFFFFFFFu);

    CImage empty;
    TBitmap blank(120, 80, pf24bit);
    empty.DrawTo(*blank.Canvas(), QPoint(0, 0), 1.0f);
    const QImage b = blank.ToImage();
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            ASSERT_EQ(At(b, x, y), 0xFFFFFFFFu) << x << "," << y;
}

TEST(PictureObject, ANewPictureKeepsTheOldScale)
{
    CImage o;
    const TPicture square = Quadrants(100, 100);
    o.SetImage(&square);
    o.resize(50, 50);
    const TPictureScale before = o.PictureScale();
    const TPicture wide = Quadrants(200, 100);
    o.SetImage(&wide);
    o.KeepPictureScale(before);
    EXPECT_EQ(o.size(), QSize(100, 50));

    // The same size again: the object keeps whatever size it has.
    o.resize(70, 20);
    o.KeepPictureScale(o.PictureScale());
    EXPECT_EQ(o.size(), QSize(70, 20));

    // No picture before: the picture's own size on paper.
    CImage fresh;
    const TPictureScale none = fresh.PictureScale();
    const TPicture big = Quadrants(360, 180);
    fresh.SetImage(&big);
    fresh.KeepPictureScale(none);
    EXPECT_EQ(fresh.size(), QSize(192, 96));
}

class PictureOnPage : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame = Make(1, false, 600, 400);
        frame->SetToolCursor(crArrow);
        frame->SetCursor(crArrow);
        image = new CImage(frame);
        image->SetName(QStringLiteral("CImage1"));
        const TPicture pic = Quadrants(200, 100);
        image->SetImage(&pic);
        image->SetStretchInRatio(true);
        image->SetBounds(100, 100, 200, 100);
        frame->SetModified(false);
    }

    // Drags from grab (object coordinates) to the object point to.
    void Drag(QPoint grab, QPoint to)
    {
        Press(image, grab);
        Move(image, to);
        Release(image, to);
    }

    TChildFrame* frame = nullptr;
    CImage* image = nullptr;
};

TEST_F(PictureOnPage, CornerDragsKeepTheRatioAndEdgesDoNothing)
{
    struct Case {
        const char* what;
        QPoint grab, to;
        QRect want;
    } cases[] = {
        {"bottom-right, too wide", {197, 97}, {300, 100}, {100, 100, 200, 100}},
        {"bottom-right, taller", {197, 97}, {300, 200}, {100, 100, 300, 150}},
        {"top-left, keeps the bottom-right corner", {2, 2}, {-100, -20}, {60, 80, 240, 120}},
        // Past the opposite corner the size is measured from it, not from the object's own edge.
        {"top-left past the bottom-right corner", {2, 2}, {260, 150}, {300, 200, 60, 30}},
        {"bottom-left past the right edge", {2, 97}, {250, 50}, {300, 100, 50, 25}},
        {"right midpoint", {197, 50}, {260, 50}, {100, 100, 200, 100}},
        {"bottom midpoint", {100, 97}, {100, 160}, {100, 100, 200, 100}},
    };
    for (const Case& k : cases) {
        image->SetBounds(100, 100, 200, 100);
        Drag(k.grab, k.to);
        EXPECT_EQ(image->geometry(), k.want) << k.what;
    }
    EXPECT_TRUE(frame->Modified);

    // The cursor shows a resize only over the corners.
    image->SetBounds(100, 100, 200, 100);
    struct Hover {
        QPoint at;
        int cursor;
    } hovers[] = {{{2, 2}, crSizeNWSE}, {{197, 97}, crSizeNWSE}, {{197, 2}, crSizeNESW},
                  {{2, 97}, crSizeNESW}, {{197, 50}, crArrow}, {{100, 2}, crArrow}};
    for (const Hover& h : hovers) {
        Move(image, h.at, Qt::NoButton);
        EXPECT_EQ(image->Cursor(), h.cursor) << h.at.x() << "," << h.at.y();
    }

    // Outside ratio mode the edges resize as for every object.
    image->SetStretchInRatio(false);
    Drag({197, 50}, {260, 50});
    EXPECT_EQ(image->geometry(), QRect(100, 100, 260, 100));
}

TEST_F(PictureOnPage, OriginalSizeCommandMarksTheDocumentModified)
{
    TObjectMenu* menu = image->PopupMenu();
    menu->SizeItem->trigger();
    EXPECT_EQ(image->size(), QSize(107, 53)); // 200 x 100 at 96 / 180 pixels per inch
    EXPECT_TRUE(frame->Modified);
    EXPECT_EQ(menu->EditItem->text(), QStringLiteral("&Edit Image"));
    EXPECT_EQ(menu->SizeItem->text(), QStringLiteral("&Original Size"));
    EXPECT_EQ(menu->actions().size(), 14);
    // Locking leaves only Properties and Locked usable.
    image->SetLocked(true);
    EXPECT_FALSE(menu->EditItem->isEnabled());
    EXPECT_FALSE(menu->SizeItem->isEnabled());
    EXPECT_TRUE(menu->PropertiesItem->isEnabled());
}

TEST_F(PictureOnPage, PositionBoxesApplyOnlyWhatWasChanged)
{
    // Odd positions that do not survive the round trip through tenths of a millimetre.
    for (QRect r : {QRect(101, 77, 203, 99), QRect(3, 250, 17, 1), QRect(333, 5, 250, 389)}) {
        image->SetBounds(r.x(), r.y(), r.width(), r.height());
        const TObjectBoxes shown = ObjectBoxesOf(*image);
        ApplyObjectBoxes(*image, shown, shown);
        EXPECT_EQ(image->geometry(), r);
    }
    // Only the width box changed, at zoom 1: R(200 x 3.7795277 x 0.1) = 76 pixels.
    image->Zoom = 1.0f;
    image->SetBounds(101, 77, 203, 99);
    const TObjectBoxes shown = ObjectBoxesOf(*image);
    TObjectBoxes typed = shown;
    typed.Width = 200;
    ApplyObjectBoxes(*image, shown, typed);
    EXPECT_EQ(image->geometry(), QRect(101, 77, 76, 99));
    // Left and top are relative to the paper's top-left corner.
    typed = ObjectBoxesOf(*image);
    const TObjectBoxes again = typed;
    typed.Left = 0;
    typed.Top = 100;
    ApplyObjectBoxes(*image, again, typed);
    const int ox = RoundValue((frame->ClientWidth() - 2 * frame->HalfWidth) * 0.5);
    const int oy = RoundValue((frame->ClientHeight() - 2 * frame->HalfHeight) * 0.5);
    EXPECT_EQ(image->Left(), ox);
    EXPECT_EQ(image->Top(), oy + 38);
    // The smallest size keeps a pixel each way at the smallest zoom: the object stays in sight.
    image->Zoom = 0.1f;
    typed = ObjectBoxesOf(*image);
    const TObjectBoxes before = typed;
    typed.Width = typed.Height = 10;
    ApplyObjectBoxes(*image, before, typed);
    EXPECT_EQ(image->width(), 1);
    EXPECT_EQ(image->height(), 1);
}

TEST(PictureObject, PicturesThatCannotBeReadLeaveTheObjectAlone)
{
    // The object only ever takes a picture that was read completely; every failure is the
    // picture class's error, also with the image-format readers registered.
    CImage o;
    const QString dir = testsupport::freshDir(QStringLiteral("picture_object"));
    QImage small(8, 4, QImage::Format_RGB32);
    small.fill(Qt::red);
    ASSERT_TRUE(small.save(dir + QStringLiteral("/red.png"), "PNG"));
    TBitmap good;
    good.SetImage(small);
    good.SaveToFile(dir + QStringLiteral("/good.bmp"));
    QFile goodFile(dir + QStringLiteral("/good.bmp"));
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray bmp = goodFile.readAll();
    QFile jpegFile(testsupport::fixture(QStringLiteral("pictures/quadrants.jpg")));
    ASSERT_TRUE(jpegFile.open(QIODevice::ReadOnly));
    const QByteArray jpeg = jpegFile.readAll();
    auto write = [&](const QString& name, const QByteArray& data) {
        QFile f(dir + QLatin1Char('/') + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return f.fileName();
    };
    QByteArray hugeBmp = bmp;
    hugeBmp[18] = char(0xFF); // width far beyond the data
    hugeBmp[19] = char(0xFF);
    hugeBmp[20] = char(0xFF);
    QByteArray garbledJpeg = jpeg;
    for (int i = 200; i < garbledJpeg.size() - 2; i += 7)
        garbledJpeg[i] = char(0xFF);

    struct Case {
        QString file;
        QString message; // empty: any message
    } cases[] = {
        {dir + QStringLiteral("/red.png"), QStringLiteral("Unknown picture file extension (.png)")},
        {write(QStringLiteral("noext"), bmp), QStringLiteral("Unknown picture file extension (.)")},
        {write(QStringLiteral("short.bmp"), bmp.left(40)), {}},
        {write(QStringLiteral("huge.bmp"), hugeBmp), {}},
        {write(QStringLiteral("empty.jpg"), QByteArray()), {}},
        {write(QStringLiteral("short.jpg"), jpeg.left(jpeg.size() / 2)), {}},
        {write(QStringLiteral("garbled.jpeg"), garbledJpeg), {}},
        {write(QStringLiteral("text.jpg"), QByteArray("not a picture at all")), {}},
    };

    const TPicture first = Quadrants(20, 10);
    o.SetImage(&first);
    for (const Case& k : cases) {
        TPicture loaded;
        try {
            loaded.LoadFromFile(k.file);
            o.SetImage(&loaded);
            ADD_FAILURE() << "read " << k.file.toStdString();
        } catch (const EInvalidGraphic& e) {
            if (!k.message.isEmpty()) {
                EXPECT_EQ(e.Message(), k.message);
            }
            EXPECT_FALSE(e.Message().isEmpty());
        }
        EXPECT_TRUE(loaded.Empty()) << k.file.toStdString();
        EXPECT_EQ(o.Image->Width(), 20) << k.file.toStdString();
    }

    // The good files are taken.
    for (const QString& f : {dir + QStringLiteral("/good.bmp"), testsupport::fixture(QStringLiteral("pictures/quadrants.jpg"))}) {
        TPicture loaded;
        loaded.LoadFromFile(f);
        o.SetImage(&loaded);
        EXPECT_TRUE(o.HasPicture);
        EXPECT_EQ(o.Image->Width(), loaded.Width());
    }
}

TEST_F(PictureOnPage, DoubleClickRunsThePropertyDialogAndOkTakesItsPicture)
{
    // Cancel: nothing changes; the dialog saw the picture, the option and the boxes.
    const QRect before = image->geometry();
    image->DblClick();
    ASSERT_EQ(link.imageRequests.size(), 1u);
    EXPECT_EQ(link.dialogOwner, frame->Page);
    const TImagePropertiesRequest& seen = link.imageRequests.back();
    EXPECT_EQ(seen.Picture.Width(), 200);
    EXPECT_TRUE(seen.StretchInRatio);
    EXPECT_EQ(TObjectBoxes({seen.Left, seen.Top, seen.Width, seen.Height}), ObjectBoxesOf(*image));
    EXPECT_EQ(image->geometry(), before);
    EXPECT_FALSE(frame->Modified);

    // OK with a picture of half the width: it keeps the old scale; the changed top box moves it.
    link.imageAnswer = [](TImagePropertiesRequest& r) {
        const TPicture half = Quadrants(100, 100);
        r.Picture.Assign(&half);
        r.StretchInRatio = false;
        r.Top += 10;
    };
    image->SetSelected(false, false);
    image->DblClick();
    EXPECT_EQ(image->Image->Width(), 100);
    EXPECT_FALSE(image->StretchInRatio);
    EXPECT_EQ(image->size(), QSize(100, 100));
    EXPECT_GT(image->Top(), before.top());
    EXPECT_EQ(image->Left(), before.left());
    EXPECT_TRUE(image->Selected);
    EXPECT_TRUE(frame->Modified);

    // OK with the picture cleared: the object shows the placeholder again and keeps its place.
    link.imageAnswer = [](TImagePropertiesRequest& r) {
        r.Picture.Assign(static_cast<const TPicture*>(nullptr));
    };
    const QRect placed = image->geometry();
    image->DblClick();
    EXPECT_FALSE(image->HasPicture);
    EXPECT_EQ(image->geometry(), placed);
}

TEST_F(PictureOnPage, EditImageTakesTheCroppedPictureAtTheOldScale)
{
    // Not kept: nothing changes.
    link.editorAnswer = [](TPicture& p) {
        const TPicture small = Quadrants(50, 50);
        p.Assign(&small);
        return false;
    };
    image->PopupMenu()->EditItem->trigger();
    EXPECT_EQ(link.editorRuns, 1);
    EXPECT_EQ(image->Image->Width(), 200);
    EXPECT_FALSE(frame->Modified);
    // Kept: a quarter of the picture at the same scale on the page.
    link.editorAnswer = [](TPicture& p) {
        const TPicture small = Quadrants(50, 50);
        p.Assign(&small);
        return true;
    };
    image->PopupMenu()->EditItem->trigger();
    EXPECT_EQ(image->Image->Width(), 50);
    EXPECT_EQ(image->size(), QSize(50, 50));
    EXPECT_TRUE(frame->Modified);
    // Without a picture the command opens the property dialog instead.
    image->SetImage(nullptr);
    image->PopupMenu()->EditItem->trigger();
    EXPECT_EQ(link.editorRuns, 2);
    EXPECT_EQ(link.imageRequests.size(), 1u);
}
