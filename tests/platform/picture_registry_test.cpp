// The picture class and its file-format registry.
#include <gtest/gtest.h>

#include <QFile>

#include "platform/picture.h"
#include "support/test_support.h"

namespace {

QString CopyFixture(const QString& fixture, const QString& dir, const QString& name)
{
    const QString path = dir + QLatin1Char('/') + name;
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(testsupport::fixture(fixture), path));
    return path;
}

QString WriteFile(const QString& dir, const QString& name, const QByteArray& data)
{
    const QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    return path;
}

// A reader of the kind image-format units register: a bitmap that reads its own files.
class TTestGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TTestGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TTestGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override
    {
        const QByteArray d = stream.readAll();
        if (!d.startsWith("TST"))
            throw EInvalidGraphic("Not a test picture.");
        SetSize(7, 5);
    }
};

} // namespace

TEST(PictureRegistry, UnregisteredExtensionIsRefusedWithTheRegistryText)
{
    const QString dir = testsupport::freshDir(QStringLiteral("unregistered"));
    // A real PNG: no Qt plug-in may read it behind the registry's back.
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString png = dir + QStringLiteral("/red.png");
    ASSERT_TRUE(img.save(png, "PNG"));

    TPicture pic;
    TBitmap keep(3, 3);
    pic.Assign(&keep);
    try {
        pic.LoadFromFile(png);
        FAIL() << "a .png was loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unknown picture file extension (.png)"));
    }
    EXPECT_EQ(pic.Width(), 3); // unchanged
    ASSERT_NE(pic.Graphic(), nullptr);

    const QString bare = WriteFile(dir, QStringLiteral("noextension"), QByteArray("BM"));
    try {
        pic.LoadFromFile(bare);
        FAIL() << "a file without extension was loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unknown picture file extension (.)"));
    }
}

TEST(PictureRegistry, ExtensionPicksTheClassWithoutCase)
{
    const QString dir = testsupport::freshDir(QStringLiteral("case"));
    struct Case {
        QString fixture, name, className;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("a.JPG"), QStringLiteral("TJPEGImage")},
        {QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("b.JpEg"), QStringLiteral("TJPEGImage")},
        {QStringLiteral("pictures/quadrants_rle8.bmp"), QStringLiteral("c.Bmp"), QStringLiteral("TBitmap")},
        {QStringLiteral("pictures/small.ico"), QStringLiteral("d.ICO"), QStringLiteral("TIcon")},
    };
    for (const Case& c : cases) {
        TPicture pic;
        pic.LoadFromFile(CopyFixture(c.fixture, dir, c.name));
        ASSERT_NE(pic.Graphic(), nullptr) << c.name.toStdString();
        EXPECT_EQ(pic.Graphic()->ClassName(), c.className) << c.name.toStdString();
        EXPECT_FALSE(pic.Empty());
    }
}

TEST(PictureRegistry, ADamagedFileLeavesThePictureAsItWas)
{
    const QString dir = testsupport::freshDir(QStringLiteral("damaged"));
    TPicture pic;
    pic.LoadFromFile(CopyFixture(QStringLiteral("pictures/quadrants.jpg"), dir, QStringLiteral("good.jpg")));
    for (const QString& name : {QStringLiteral("bad.jpg"), QStringLiteral("bad.bmp"), QStringLiteral("bad.ico")}) {
        const QString path = WriteFile(dir, name, QByteArray("\xFF\xD8\xFF\xE0 garbage BM garbage", 24));
        EXPECT_THROW(pic.LoadFromFile(path), EInvalidGraphic) << name.toStdString();
        EXPECT_EQ(pic.Graphic()->ClassName(), QStringLiteral("TJPEGImage"));
        EXPECT_EQ(pic.Width(), 32);
    }
    EXPECT_THROW(pic.LoadFromFile(dir + QStringLiteral("/missing.bmp")), EInvalidGraphic);
    EXPECT_EQ(pic.Width(), 32);
}

TEST(PictureRegistry, RegisteredReadersAreUsedListedAndRemoved)
{
    const QString dir = testsupport::freshDir(QStringLiteral("registered"));
    TPicture::RegisterFileFormat<TTestGraphic>(QStringLiteral("tst"), QStringLiteral("Test pictures"));
    const TFileFormat* f = TPicture::FindFormat(QStringLiteral(".TST"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->ClassName, QStringLiteral("TTestGraphic"));

    TPicture pic;
    pic.LoadFromFile(WriteFile(dir, QStringLiteral("x.Tst"), QByteArray("TST")));
    ASSERT_NE(dynamic_cast<TTestGraphic*>(pic.Graphic()), nullptr);
    EXPECT_EQ(pic.Width(), 7);
    EXPECT_THROW(pic.LoadFromFile(WriteFile(dir, QStringLiteral("y.tst"), QByteArray("XXX"))), EInvalidGraphic);
    EXPECT_EQ(pic.Width(), 7);
    // Component streams find the class by name.
    EXPECT_NE(TPicture::CreateGraphic(QStringLiteral("TTestGraphic")), nullptr);
    EXPECT_NE(TPicture::CreateGraphic(QStringLiteral("TBitmap")), nullptr);
    EXPECT_EQ(TPicture::CreateGraphic(QStringLiteral("TNoSuchGraphic")), nullptr);

    const QString filter = GraphicFilter();
    EXPECT_TRUE(filter.contains(QStringLiteral("*.tst")));
    EXPECT_TRUE(filter.contains(QStringLiteral("|Test pictures (*.tst)|*.tst")));
    EXPECT_TRUE(GraphicFilter(QStringLiteral("TBitmap")).contains(QStringLiteral("*.tst")));

    TPicture::UnregisterGraphicClass<TTestGraphic>();
    EXPECT_EQ(TPicture::FindFormat(QStringLiteral("tst")), nullptr);
    EXPECT_FALSE(GraphicFilter().contains(QStringLiteral("tst")));
    EXPECT_THROW(pic.LoadFromFile(dir + QStringLiteral("/x.Tst")), EInvalidGraphic);
}

TEST(PictureRegistry, FilterTextForTheBuiltInFormats)
{
    const QString filter = GraphicFilter();
    EXPECT_TRUE(filter.startsWith(QStringLiteral("All (*.bmp;*.ico;*.jpg;*.jpeg")));
    EXPECT_TRUE(filter.contains(QStringLiteral(
        "|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg")));
    // The "All" entry lists exactly the masks of the entries that follow.
    const QStringList parts = filter.split(QLatin1Char('|'));
    ASSERT_GE(parts.size(), 4);
    QStringList masks;
    for (int i = 3; i < parts.size(); i += 2)
        masks << parts[i];
    EXPECT_EQ(parts[1], masks.join(QLatin1Char(';')));
    EXPECT_EQ(parts[0], QStringLiteral("All (%1)").arg(parts[1]));

    const QString bitmaps = GraphicFilter(QStringLiteral("TBitmap"));
    EXPECT_TRUE(bitmaps.contains(QStringLiteral("Bitmaps (*.bmp)")));
    EXPECT_FALSE(bitmaps.contains(QStringLiteral("*.jpg")));
    EXPECT_EQ(GraphicExtension(QStringLiteral("TBitmap")), QStringLiteral("bmp"));
    EXPECT_EQ(GraphicExtension(QStringLiteral("TGraphic")), QString());
}

TEST(PictureRegistry, IconKeepsItsMaskAsTransparency)
{
    TIcon icon;
    icon.LoadFromFile(testsupport::fixture(QStringLiteral("pictures/small.ico")));
    ASSERT_EQ(icon.Width(), 16);
    const QImage img = icon.ToImage();
    EXPECT_EQ(qAlpha(img.pixel(2, 12)), 0);   // the clear lower-left quarter
    EXPECT_EQ(qAlpha(img.pixel(12, 12)), 255);
    EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, 0x0000FFu); // blue corner
    EXPECT_EQ(img.pixel(12, 2) & 0xFFFFFF, 0xFF0000u); // red
    // Drawn, the clear part leaves the canvas alone.
    TBitmap b(16, 16, pf24bit);
    b.Canvas()->Brush.Color = clLime;
    b.Canvas()->FillRect(TRect(0, 0, 16, 16));
    b.Canvas()->Draw(0, 0, &icon);
    EXPECT_EQ(b.Canvas()->Pixel(2, 12), clLime);
    EXPECT_EQ(b.Canvas()->Pixel(12, 12), clRed);

    const std::vector<QByteArray> damaged = {
        QByteArray(), QByteArray("\0\0\1\0\0\0", 6), QByteArray("\0\0\1\0\1\0", 6),
        QByteArray("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\x68\4\0\0\xFF\xFF\0\0", 22)};
    for (const QByteArray& d : damaged) {
        TIcon i;
        EXPECT_THROW(i.LoadFromData(d), EInvalidGraphic);
    }
}

TEST(PictureRegistry, CopiesAreDeep)
{
    TPicture a;
    TBitmap b(2, 2);
    a.Assign(&b);
    TPicture c(a);
    static_cast<TBitmap*>(c.Graphic())->Canvas()->SetPixel(0, 0, clRed);
    EXPECT_EQ(static_cast<TBitmap*>(a.Graphic())->Canvas()->Pixel(0, 0), clWhite);
    // Bitmap() replaces another class by an empty bitmap.
    TPicture j;
    j.SetGraphic(std::make_unique<TJPEGImage>());
    EXPECT_TRUE(j.Bitmap()->Empty());
}
