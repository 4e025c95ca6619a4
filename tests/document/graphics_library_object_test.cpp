// Graphics-library tiles: thumbnail size and placement, reduced decoding of large JPEG files,
// damaged files, the hover highlight, painting and what a drag of a tile carries.
#include "document/graphics_library_object.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QtEndian>
#include <QUrl>

namespace {

using ThumbRect = CGraphicsLibraryObject::TThumbRect;

// A 24-bit bitmap file, left half `left`, right half `right`.
QString WriteBmp(const QString& dir, const QString& name, int w, int h, QColor left = Qt::red,
                 QColor right = Qt::red)
{
    TBitmap b(w, h, pf24bit);
    QImage& img = b.image();
    img.fill(left);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            img.setPixelColor(x, y, right);
    const QString path = dir + QLatin1Char('/') + name;
    b.SaveToFile(path);
    return path;
}

QByteArray JpegData(int w, int h, QColor left, QColor right)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(left);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            img.setPixelColor(x, y, right);
    return TJPEGImage::Encode(img, 85);
}

QString WriteFile(const QString& dir, const QString& name, const QByteArray& data)
{
    const QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    return path;
}

bool Near(QColor a, QColor b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

TEST(GraphicsLibraryObject, LargePicturesAreDividedUntilOneSideFitsTheTile)
{
    const struct { int w, h, tw, th; } cases[] = {
        {100, 100, 100, 100},    // not more than twice the tile: own size
        {130, 130, 130, 130},    // exactly twice
        {131, 131, 33, 33},      // k = 4
        {1000, 200, 250, 50},    // the height fits at k = 4, the width need not
        {2600, 1950, 87, 65},    // k = 30
        {5000, 1, 1250, 1},      // a thin picture keeps one row
    };
    for (const auto& c : cases)
        EXPECT_EQ(CGraphicsLibraryObject::ThumbnailSize(c.w, c.h, 65, 65), QSize(c.tw, c.th)) << c.w << "x" << c.h;
}

TEST(GraphicsLibraryObject, JpegPicturesAreDecodedAtTheCoarsestScaleThatCoversTheThumbnail)
{
    const struct { QSize full, thumb; TJPEGScale scale; } cases[] = {
        {{2600, 1950}, {87, 65}, jsEighth},
        {{300, 300}, {75, 75}, jsQuarter},
        {{131, 131}, {33, 33}, jsQuarter},
        {{200, 100}, {100, 50}, jsHalf},
        {{100, 100}, {100, 100}, jsFullSize},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CGraphicsLibraryObject::ThumbnailJpegScale(c.full, c.thumb), c.scale) << c.full.width();
}

TEST(GraphicsLibraryObject, ThumbnailIsCentredInsideTheBorderKeepingItsProportions)
{
    const QString dir = testsupport::freshDir(QStringLiteral("tile-rect"));
    const struct { int w, h; QSize thumb; ThumbRect rect; } cases[] = {
        {100, 100, {100, 100}, {2, 2, 61, 61}},   // drawn at p = 61
        {1000, 200, {250, 50}, {2, 26, 60, 12}},  // drawn at p = 24
        {20, 10, {20, 10}, {22, 27, 20, 10}},     // smaller than the area: own size
    };
    for (const auto& c : cases) {
        const QString path = WriteBmp(dir, QStringLiteral("p%1x%2.bmp").arg(c.w).arg(c.h), c.w, c.h);
        CGraphicsLibraryObject tile;
        tile.LoadFromFile(path);
        EXPECT_EQ(tile.FileName, path);
        EXPECT_EQ(tile.toolTip(), QStringLiteral("p%1x%2.bmp").arg(c.w).arg(c.h));
        EXPECT_EQ(tile.Thumbnail->PixelFormat(), pf16bit);
        EXPECT_EQ(QSize(tile.Thumbnail->Width(), tile.Thumbnail->Height()), c.thumb) << c.w;
        EXPECT_EQ(tile.ThumbRect, c.rect) << c.w;
    }
}

TEST(GraphicsLibraryObject, BorderAndTileSizeMoveTheThumbnail)
{
    const QString dir = testsupport::freshDir(QStringLiteral("tile-border"));
    CGraphicsLibraryObject tile;
    tile.LoadFromFile(WriteBmp(dir, QStringLiteral("a.bmp"), 20, 10));
    tile.SetBoardSize(10);
    // Area 45 x 45: half of 25 and of 35 round down.
    EXPECT_EQ(tile.ThumbRect, (ThumbRect{22, 27, 20, 10}));
    tile.SetTileSize(100);
    EXPECT_EQ(tile.size(), QSize(100, 100));
    EXPECT_EQ(tile.ThumbRect, (ThumbRect{40, 45, 20, 10}));
}

TEST(GraphicsLibraryObject, LargeJpegBecomesASmallSixteenBitThumbnail)
{
    const QString dir = testsupport::freshDir(QStringLiteral("tile-jpeg"));
    const QString path = WriteFile(dir, QStringLiteral("big.jpg"), JpegData(2600, 1950, Qt::red, Qt::blue));
    CGraphicsLibraryObject tile;
    tile.LoadFromFile(path);
    ASSERT_EQ(tile.FileName, path);
    EXPECT_EQ(tile.Thumbnail->PixelFormat(), pf16bit);
    ASSERT_EQ(QSize(tile.Thumbnail->Width(), tile.Thumbnail->Height()), QSize(87, 65));
    const QImage img = tile.Thumbnail->ToImage();
    EXPECT_TRUE(Near(img.pixelColor(5, 30), Qt::red)) << img.pixelColor(5, 30).name().toStdString();
    EXPECT_TRUE(Near(img.pixelColor(80, 30), Qt::blue)) << img.pixelColor(80, 30).name().toStdString();
    // 87 x 65 drawn at p = 70 inside the 61-pixel area.
    EXPECT_EQ(tile.ThumbRect, (ThumbRect{2, 10, 61, 45}));
}

TEST(GraphicsLibraryObject, DamagedOrUnreadableFilesGiveNoPicture)
{
    const QString dir = testsupport::freshDir(QStringLiteral("tile-damaged"));
    const QByteArray bmp = [&] {
        QFile f(WriteBmp(dir, QStringLiteral("good.bmp"), 40, 30));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QByteArray jpeg = JpegData(64, 48, Qt::green, Qt::green);

    QByteArray hugeBmp = bmp;   // claims 60000 x 60000 pixels with 40 x 30 worth of data
    qToLittleEndian<qint32>(60000, hugeBmp.data() + 18);
    qToLittleEndian<qint32>(60000, hugeBmp.data() + 22);
    QByteArray hugeJpeg = jpeg; // frame header claims 60000 x 60000
    const int sof = int(hugeJpeg.indexOf(QByteArray("\xFF\xC0", 2)));
    ASSERT_GT(sof, 0);
    qToBigEndian<quint16>(60000, hugeJpeg.data() + sof + 5);
    qToBigEndian<quint16>(60000, hugeJpeg.data() + sof + 7);

    const struct { const char* name; QByteArray data; } cases[] = {
        {"empty.bmp", QByteArray()},
        {"header.bmp", bmp.left(20)},
        {"truncated.bmp", bmp.left(bmp.size() / 2)},
        {"huge.bmp", hugeBmp},
        {"empty.jpg", QByteArray()},
        {"text.jpg", QByteArray("this is not a picture at all")},
        {"truncated.jpg", jpeg.left(jpeg.size() / 2)},
        {"huge.jpg", hugeJpeg},
        {"zero.jpg", [&] { QByteArray z = jpeg; qToBigEndian<quint16>(0, z.data() + sof + 5); return z; }()},
        {"header.gif", QByteArray("GIF89a\x10\x00\x10\x00", 10)},
        {"junk.gif", QByteArray(300, '\xFF')},
        {"picture.xyz", bmp},   // no reader registered for the extension
    };
    for (const auto& c : cases) {
        const QString path = WriteFile(dir, QString::fromLatin1(c.name), c.data);
        CGraphicsLibraryObject tile;
        tile.LoadFromFile(path);
        EXPECT_TRUE(tile.FileName.isEmpty()) << c.name;
        EXPECT_TRUE(tile.Thumbnail->Empty()) << c.name;
        EXPECT_EQ(tile.ThumbRect, (ThumbRect{2, 2, 61, 61})) << c.name;
    }
    CGraphicsLibraryObject tile;
    tile.LoadFromFile(dir + QStringLiteral("/missing.bmp"));
    EXPECT_TRUE(tile.FileName.isEmpty());

    // A failed load keeps what the tile had.
    const QString good = dir + QStringLiteral("/good.bmp");
    tile.LoadFromFile(good);
    tile.LoadFromFile(dir + QStringLiteral("/text.jpg"));
    EXPECT_EQ(tile.FileName, good);
    EXPECT_EQ(tile.Thumbnail->Width(), 40);
}

TEST(GraphicsLibraryObject, MovingTheMouseMovesTheBlueFrameToTheTileUnderIt)
{
    TControlHost panel;
    QLabel other(&panel);
    CGraphicsLibraryObject a(&panel), b(&panel), c(&panel);
    b.move(70, 0);
    c.move(140, 0);
    a.MouseMove(Qt::NoModifier, 5, 5);
    EXPECT_TRUE(a.Highlighted);
    EXPECT_FALSE(b.Highlighted);

    // The panel hands the pointer to the tile under it.
    const QPointF inB(b.mapToParent(QPoint(10, 10)));
    QMouseEvent move(QEvent::MouseMove, inB, inB, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&panel, &move);
    EXPECT_FALSE(a.Highlighted);
    EXPECT_TRUE(b.Highlighted);
    EXPECT_FALSE(c.Highlighted);
    b.MouseMove(Qt::NoModifier, 20, 20);
    EXPECT_TRUE(b.Highlighted);

    // Tiles of another panel keep theirs.
    TControlHost otherPanel;
    CGraphicsLibraryObject d(&otherPanel);
    d.MouseMove(Qt::NoModifier, 1, 1);
    EXPECT_TRUE(b.Highlighted);
    EXPECT_TRUE(d.Highlighted);
}

TEST(GraphicsLibraryObject, PaintsTheThumbnailOrBlackAndTheFrameWhenHighlighted)
{
    const QString dir = testsupport::freshDir(QStringLiteral("tile-paint"));
    CGraphicsLibraryObject tile;
    tile.LoadFromFile(WriteBmp(dir, QStringLiteral("red.bmp"), 100, 100, Qt::red, Qt::red));
    tile.Highlighted = true;
    QImage img = tile.grab().toImage();
    EXPECT_TRUE(Near(img.pixelColor(30, 30), Qt::red, 16));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(img.pixelColor(64, 64), QColor(Qt::blue));
    EXPECT_NE(img.pixelColor(1, 1), QColor(Qt::red));   // the border stays free

    CGraphicsLibraryObject empty;
    img = empty.grab().toImage();
    EXPECT_EQ(img.pixelColor(30, 30), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::black));
    EXPECT_NE(img.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_NE(img.pixelColor(63, 63), QColor(Qt::black));   // ThumbRect ends at 2 + 61
}

namespace {

// The window holding a library panel, counting the presses that reach it.
class TilePanelHolder : public QWidget {
public:
    int Presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++Presses;
        event->accept();
    }
};

} // namespace

TEST(GraphicsLibraryObject, APressOnATileStaysWithTheTile)
{
    // A press the tile passed on would start moving the bar that holds the library, and the
    // tile could never be dragged onto a page.
    TilePanelHolder holder;
    auto* panel = new TControlHost(&holder);
    panel->resize(200, 100);
    CGraphicsLibraryObject tile(panel);
    tile.move(10, 10);
    for (const QPoint at : {QPoint(12, 12), QPoint(40, 40), QPoint(74, 74)}) {
        const QPointF p(at);
        QMouseEvent press(QEvent::MouseButtonPress, p, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, p, p, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &release);
    }
    EXPECT_EQ(holder.Presses, 0);
    // Beside the tiles the press goes on to the bar.
    const QPointF beside(150, 50);
    QMouseEvent press(QEvent::MouseButtonPress, beside, beside, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(panel, &press);
    EXPECT_EQ(holder.Presses, 1);
}

TEST(GraphicsLibraryObject, OnlyADragOfALiveTileCarriesATile)
{
    auto* tile = new CGraphicsLibraryObject;
    QLabel label;
    TControlDragData fromTile(tile);
    EXPECT_EQ(fromTile.SourceClassName(), QStringLiteral("CGraphicsLibraryObject"));
    EXPECT_EQ(CGraphicsLibraryObject::FromDrag(&fromTile), tile);

    TControlDragData fromLabel(&label);
    EXPECT_EQ(CGraphicsLibraryObject::FromDrag(&fromLabel), nullptr);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.bmp"))});
    EXPECT_EQ(CGraphicsLibraryObject::FromDrag(&files), nullptr);
    QMimeData forged;   // the private format alone, without the tile behind it
    forged.setData(QString::fromLatin1(DragControlMimeType), "CGraphicsLibraryObject");
    EXPECT_EQ(CGraphicsLibraryObject::FromDrag(&forged), nullptr);
    EXPECT_EQ(CGraphicsLibraryObject::FromDrag(nullptr), nullptr);

    delete tile;
    EXPECT_EQ(CGraphicsLibraryObject::FromDrag(&fromTile), nullptr);
}
