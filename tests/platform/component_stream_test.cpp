// Component streams ("TPF0"): exact bytes, round trips, fonts and pictures, damaged streams.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <cmath>

#include "platform/codepage.h"
#include "platform/component_stream.h"
#include "platform/cursors.h"
#include "platform/picture.h"
#include "support/test_support.h"

namespace {

// Bytes from a literal that may hold NULs.
template <size_t N>
QByteArray B(const char (&s)[N])
{
    return QByteArray(s, qsizetype(N - 1));
}

QByteArray le32(uint32_t v)
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
    return b;
}

std::string hex(const QByteArray& b)
{
    return b.toHex(' ').toStdString();
}

QByteArray readFixture(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// A device that can only be read front to back, as a pipe.
class SequentialDevice : public QIODevice {
public:
    explicit SequentialDevice(QByteArray data) : m_data(std::move(data)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_data.size() - m_pos);
        if (n <= 0)
            return 0;
        std::memcpy(out, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};

class ComponentStream : public ::testing::Test {
protected:
    void SetUp() override { SetAnsiCodePage(1252); }
    void TearDown() override { SetAnsiCodePage(0); }

    static TFont labelFont()
    {
        TFont f;
        f.Name = QStringLiteral("Times New Roman");
        f.Height = -16;
        f.Color = clBlack;
        f.Charset = DEFAULT_CHARSET;
        f.Style = fsBold | fsItalic;
        return f;
    }

    static TStreamComponent labelLike()
    {
        TStreamComponent c;
        c.ClassName = "CLabel";
        c.Name = "CLabel1";
        c.Add("Left", TPropertyValue::Integer(10));
        c.Add("Top", TPropertyValue::Integer(300));
        c.Add("Width", TPropertyValue::Integer(100000));
        c.Add("Height", TPropertyValue::Integer(-20));
        c.Add("Cursor", TPropertyValue::Cursor(crArrow));
        c.Add("Locked", TPropertyValue::Boolean(false));
        c.Add("Angle", TPropertyValue::Integer(45));
        c.Add("FontSize", TPropertyValue::Integer(12));
        AddFontProperties(c, "Font", labelFont());
        c.Add("Text", TPropertyValue::String(QStringLiteral("Hello")));
        return c;
    }

    static QByteArray labelLikeBytes()
    {
        return B("TPF0")
            + B("\x06" "CLabel") + B("\x07" "CLabel1")
            + B("\x04" "Left" "\x02\x0A")
            + B("\x03" "Top" "\x03\x2C\x01")
            + B("\x05" "Width" "\x04\xA0\x86\x01\x00")
            + B("\x06" "Height" "\x02\xEC")
            + B("\x06" "Cursor" "\x07\x07" "crArrow")
            + B("\x06" "Locked" "\x08")
            + B("\x05" "Angle" "\x02\x2D")
            + B("\x08" "FontSize" "\x02\x0C")
            + B("\x0C" "Font.Charset" "\x07\x0F" "DEFAULT_CHARSET")
            + B("\x0A" "Font.Color" "\x07\x07" "clBlack")
            + B("\x0B" "Font.Height" "\x02\xF0")
            + B("\x09" "Font.Name" "\x06\x0F" "Times New Roman")
            + B("\x0A" "Font.Style" "\x0B\x06" "fsBold" "\x08" "fsItalic" "\x00")
            + B("\x04" "Text" "\x06\x05" "Hello")
            + B("\x00")   // end of properties
            + B("\x00");  // no children
    }

    // A 2 x 1 picture, 24 bits: blue-green-red of (1,2,3) and (4,5,6), row padded to 8 bytes.
    static QByteArray smallBmp()
    {
        return B("BM") + le32(62) + le32(0) + le32(54)
            + le32(40) + le32(2) + le32(1) + B("\x01\x00" "\x18\x00") + le32(0) + le32(8)
            + le32(0) + le32(0) + le32(0) + le32(0)
            + B("\x03\x02\x01" "\x06\x05\x04" "\x00\x00");
    }

    static QByteArray imageLikeBytes(const QByteArray& pictureData)
    {
        return B("TPF0")
            + B("\x06" "CImage") + B("\x07" "CImage1")
            + B("\x04" "Left" "\x02\x05")
            + B("\x0A" "Image.Data" "\x0A") + le32(uint32_t(pictureData.size())) + pictureData
            + B("\x0E" "StretchInRatio" "\x09")
            + B("\x00\x00");
    }
};

// A bitmap class with a file format of its own, as the image-format readers have.
class TOwnFormatGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TOwnFormatGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TOwnFormatGraphic>(*this); }
    void LoadFromStream(QIODevice&) override { throw EInvalidGraphic("own format only"); }
    void SaveToStream(QIODevice& s) const override { s.write("OWN"); }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Exact bytes

TEST_F(ComponentStream, LabelLikeComponentIsWrittenByteForByte)
{
    const QByteArray written = WriteComponentStream(labelLike());
    EXPECT_EQ(hex(written), hex(labelLikeBytes()));

    qsizetype used = 0;
    const TStreamComponent back = ReadComponentStream(labelLikeBytes() + B("NEXT"), &used);
    EXPECT_EQ(used, labelLikeBytes().size());
    EXPECT_EQ(back, labelLike());

    TFont font;
    for (const TStreamProperty& p : back.Properties) {
        if (p.Name.startsWith("Font.")) {
            EXPECT_TRUE(ReadFontProperty(p.Name.mid(5), p.Value, font)) << p.Name.constData();
        }
    }
    EXPECT_EQ(font, labelFont());
    EXPECT_EQ(back.Find("fontsize")->AsInteger(), 12);
    EXPECT_EQ(back.Find("cursor")->AsCursor(), crArrow);
    EXPECT_FALSE(back.Find("Locked")->AsBoolean());
    EXPECT_EQ(back.Find("Text")->AsString(), QStringLiteral("Hello"));
    EXPECT_EQ(back.Find("Tag"), nullptr);

    // A property given twice: the later value counts, as it would after reading both.
    TStreamComponent twice = back;
    twice.Add("TEXT", TPropertyValue::String(QStringLiteral("Later")));
    EXPECT_EQ(twice.Find("Text")->AsString(), QStringLiteral("Later"));
}

TEST_F(ComponentStream, PictureComponentCarriesClassNameAndBitmapFile)
{
    auto bmp = std::make_unique<TBitmap>();
    bmp->LoadFromData(smallBmp());
    TPicture pic;
    pic.SetGraphic(std::move(bmp));

    TStreamComponent c;
    c.ClassName = "CImage";
    c.Name = "CImage1";
    c.Add("Left", TPropertyValue::Integer(5));
    AddPictureProperties(c, "Image", pic);
    c.Add("StretchInRatio", TPropertyValue::Boolean(true));

    const QByteArray data = B("\x07" "TBitmap") + le32(62) + smallBmp();
    EXPECT_EQ(hex(WriteComponentStream(c)), hex(imageLikeBytes(data)));

    const TStreamComponent back = ReadComponentStream(imageLikeBytes(data));
    TPicture read;
    ASSERT_TRUE(ReadPictureProperty("Data", *back.Find("Image.Data"), read));
    ASSERT_NE(read.Graphic(), nullptr);
    EXPECT_EQ(read.Graphic()->ClassName(), QStringLiteral("TBitmap"));
    const QImage img = read.Graphic()->ToImage();
    ASSERT_EQ(img.size(), QSize(2, 1));
    EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x010203u);
    EXPECT_EQ(img.pixel(1, 0) & 0xFFFFFF, 0x040506u);
    EXPECT_TRUE(back.Find("StretchInRatio")->AsBoolean());
}

TEST_F(ComponentStream, PictureDataOfEachGraphicClass)
{
    const QByteArray jpegFile = readFixture(testsupport::fixture(QStringLiteral("pictures/quadrants.jpg")));
    const QByteArray iconFile = readFixture(testsupport::fixture(QStringLiteral("pictures/small.ico")));

    // JPEG: its own bytes with a length, kept as they were.
    {
        auto jpeg = std::make_unique<TJPEGImage>();
        jpeg->LoadFromData(jpegFile);
        const int w = jpeg->Width();
        TPicture pic;
        pic.SetGraphic(std::move(jpeg));
        const QByteArray expected = B("\x0A" "TJPEGImage") + le32(uint32_t(jpegFile.size())) + jpegFile;
        EXPECT_EQ(EncodePictureData(pic), expected);
        TPicture back;
        DecodePictureData(expected, back);
        ASSERT_NE(dynamic_cast<TJPEGImage*>(back.Graphic()), nullptr);
        EXPECT_EQ(back.Width(), w);
    }
    // Icon: the icon file right after the class name, without a length.
    {
        auto icon = std::make_unique<TIcon>();
        icon->LoadFromData(iconFile);
        TPicture pic;
        pic.SetGraphic(std::move(icon));
        const QByteArray expected = B("\x05" "TIcon") + iconFile;
        EXPECT_EQ(EncodePictureData(pic), expected);
        TPicture back;
        DecodePictureData(expected, back);
        ASSERT_NE(dynamic_cast<TIcon*>(back.Graphic()), nullptr);
        EXPECT_FALSE(back.Empty());
    }
    // A bitmap class with its own file format still streams a bitmap file.
    TPicture::RegisterFileFormat<TOwnFormatGraphic>(QStringLiteral("own"), QStringLiteral("Own"));
    {
        auto own = std::make_unique<TOwnFormatGraphic>();
        own->LoadFromData(smallBmp());
        TPicture pic;
        pic.SetGraphic(std::move(own));
        const QByteArray expected = B("\x11" "TOwnFormatGraphic") + le32(62) + smallBmp();
        EXPECT_EQ(EncodePictureData(pic), expected);
        TPicture back;
        DecodePictureData(expected, back);
        ASSERT_NE(dynamic_cast<TOwnFormatGraphic*>(back.Graphic()), nullptr);
        EXPECT_EQ(back.Width(), 2);
    }
    TPicture::UnregisterGraphicClass<TOwnFormatGraphic>();
    // Empty graphics: length 0; an empty class name is an empty picture.
    {
        TPicture pic;
        pic.SetGraphic(std::make_unique<TBitmap>());
        EXPECT_EQ(EncodePictureData(pic), B("\x07" "TBitmap" "\x00\x00\x00\x00"));
        TPicture back;
        DecodePictureData(EncodePictureData(pic), back);
        ASSERT_NE(back.Graphic(), nullptr);
        EXPECT_TRUE(back.Empty());
        DecodePictureData(B("\x00"), back);
        EXPECT_EQ(back.Graphic(), nullptr);

        TStreamComponent c;
        AddPictureProperties(c, "Image", TPicture());
        EXPECT_TRUE(c.Properties.empty()); // no graphic, no property
    }
}

TEST_F(ComponentStream, ValueKindsFollowTheFrameworkWriter)
{
    struct Case {
        TPropertyValue value;
        QByteArray bytes;
    };
    const Case cases[] = {
        {TPropertyValue::Integer(0), B("\x02\x00")},
        {TPropertyValue::Integer(127), B("\x02\x7F")},
        {TPropertyValue::Integer(-128), B("\x02\x80")},
        {TPropertyValue::Integer(128), B("\x03\x80\x00")},
        {TPropertyValue::Integer(-129), B("\x03\x7F\xFF")},
        {TPropertyValue::Integer(32767), B("\x03\xFF\x7F")},
        {TPropertyValue::Integer(-32768), B("\x03\x00\x80")},
        {TPropertyValue::Integer(32768), B("\x04\x00\x80\x00\x00")},
        {TPropertyValue::Integer(-32769), B("\x04\xFF\x7F\xFF\xFF")},
        {TPropertyValue::Integer(INT32_MIN), B("\x04\x00\x00\x00\x80")},
        {TPropertyValue::Integer(int64_t(1) << 31), B("\x13\x00\x00\x00\x80\x00\x00\x00\x00")},
        {TPropertyValue::Boolean(true), B("\x09")},
        {TPropertyValue::Ident("true"), B("\x09")},
        {TPropertyValue::Ident("NIL"), B("\x0D")},
        {TPropertyValue::Ident("Null"), B("\x00")},
        {TPropertyValue::Ident("taCenter"), B("\x07\x08" "taCenter")},
        {TPropertyValue::String(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e")), B("\x06\x05" "Gr\xFC\xDF" "e")},
        {TPropertyValue::String(QString()), B("\x06\x00")},
        {TPropertyValue::String(QString(256, QLatin1Char('x'))), B("\x0C\x00\x01\x00\x00") + QByteArray(256, 'x')},
        {TPropertyValue::Set({}), B("\x0B\x00")},
        {TPropertyValue::Binary(B("\x01\x02")), B("\x0A\x02\x00\x00\x00\x01\x02")},
        {TPropertyValue::Extended(1.5), B("\x05\x00\x00\x00\x00\x00\x00\x00\xC0\xFF\x3F")},
        {TPropertyValue::Extended(-2.0), B("\x05\x00\x00\x00\x00\x00\x00\x00\x80\x00\xC0")},
        {TPropertyValue::Single(1.0f), B("\x0F\x00\x00\x80\x3F")},
        {TPropertyValue::Double(1.0), B("\x15\x00\x00\x00\x00\x00\x00\xF0\x3F")},
        {TPropertyValue::List({TPropertyValue::Integer(1), TPropertyValue::Boolean(false)}), B("\x01\x02\x01\x08\x00")},
        // Named values become identifiers, the others integers.
        {TPropertyValue::Color(clRed), B("\x07\x05" "clRed")},
        {TPropertyValue::Color(clWindowText), B("\x07\x0C" "clWindowText")},
        {TPropertyValue::Color(clSilver), B("\x07\x08" "clSilver")},
        {TPropertyValue::Color(0x123456), B("\x04\x56\x34\x12\x00")},
        {TPropertyValue::Color(0xC0DCC0), B("\x04\xC0\xDC\xC0\x00")},
        {TPropertyValue::Charset(SHIFTJIS_CHARSET), B("\x07\x10" "SHIFTJIS_CHARSET")},
        {TPropertyValue::Charset(VIETNAMESE_CHARSET), B("\x03\xA3\x00")},
        {TPropertyValue::Cursor(crSizeNWSE), B("\x07\x0A" "crSizeNWSE")},
        {TPropertyValue::Cursor(2), B("\x02\x02")},
    };
    for (const Case& c : cases) {
        TStreamComponent comp;
        comp.ClassName = "T";
        comp.Add("P", c.value);
        const QByteArray expected = B("TPF0\x01T\x00\x01P") + c.bytes + B("\x00\x00");
        EXPECT_EQ(hex(WriteComponentStream(comp)), hex(expected));
        EXPECT_EQ(ReadComponentStream(expected), comp) << c.bytes.toHex(' ').constData();
    }
}

TEST_F(ComponentStream, AccessorsReadEveryEncodingOfAValue)
{
    EXPECT_EQ(TPropertyValue::Extended(-0.1).AsFloat(), -0.1);
    EXPECT_EQ(TPropertyValue::Extended(1e-300).AsFloat(), 1e-300);
    EXPECT_TRUE(std::isinf(TPropertyValue::Extended(-INFINITY).AsFloat()));
    EXPECT_EQ(TPropertyValue::Single(0.25f).AsFloat(), 0.25);
    EXPECT_EQ(TPropertyValue::Integer(7).AsFloat(), 7.0);
    EXPECT_EQ(TPropertyValue::Integer(int64_t(1) << 40).AsInt64(), int64_t(1) << 40);

    TPropertyValue wide;
    wide.Type = vaWString;
    wide.Bytes = B("A\x00\xAC\x20");
    EXPECT_EQ(wide.AsString(), QString::fromUtf8("A\xE2\x82\xAC"));
    TPropertyValue utf8;
    utf8.Type = vaUTF8String;
    utf8.Bytes = "\xE2\x82\xAC";
    EXPECT_EQ(utf8.AsString(), QString::fromUtf8("\xE2\x82\xAC"));

    EXPECT_TRUE(TPropertyValue::Ident("TRUE").AsBoolean());
    TPropertyValue trueIdent;
    trueIdent.Type = vaIdent;
    trueIdent.Bytes = "tRuE";
    EXPECT_TRUE(trueIdent.AsBoolean());
    EXPECT_EQ(TPropertyValue::Ident("clmoneygreen").AsColor(), TColor(0xC0DCC0)); // newer name, read
    EXPECT_EQ(TPropertyValue::Ident("clHotLight").AsColor(), clHotLight);
    EXPECT_EQ(TPropertyValue::Integer(int32_t(clBtnFace)).AsColor(), clBtnFace);
    EXPECT_EQ(TPropertyValue::Ident("VIETNAMESE_CHARSET").AsCharset(), VIETNAMESE_CHARSET);
    EXPECT_EQ(TPropertyValue::Ident("crNone").AsCursor(), crNone);
}

TEST_F(ComponentStream, EveryValueKindSurvivesARoundTrip)
{
    TStreamComponent root;
    root.ClassName = "TForm1";
    root.Name = "Form1";
    root.Add("Caption", TPropertyValue::String(QString(300, QLatin1Char('c'))));
    root.Add("Options", TPropertyValue::Set({"a", "b"}));
    TPropertyValue v;
    v.Type = vaCurrency;
    v.Int = 12345;
    root.Add("Price", v);
    v = TPropertyValue();
    v.Type = vaDate;
    v.Bytes = TPropertyValue::Double(36526.5).Bytes;
    root.Add("When", v);
    v = TPropertyValue();
    v.Type = vaWString;
    v.Bytes = B("h\x00i\x00");
    root.Add("Wide", v);
    v = TPropertyValue();
    v.Type = vaUTF8String;
    v.Bytes = "utf";
    root.Add("Utf", v);
    v = TPropertyValue();
    v.Type = vaNil;
    root.Add("Link", v);
    TPropertyValue coll;
    coll.Type = vaCollection;
    TStreamCollectionItem item;
    item.Properties.push_back({"Width", TPropertyValue::Integer(64)});
    coll.CollectionItems.push_back(item);
    item.Index = TPropertyValue::Integer(3);
    item.Properties.push_back({"Items.Strings", TPropertyValue::List({TPropertyValue::String(QStringLiteral("x"))})});
    coll.CollectionItems.push_back(item);
    root.Add("Columns", coll);

    TStreamComponent child;
    child.Flags = ffInherited | ffChildPos;
    child.ChildPos = 1000;
    child.ClassName = "TButton";
    child.Name = "Button1";
    child.Add("Default", TPropertyValue::Boolean(true));
    TStreamComponent grandchild;
    grandchild.Flags = ffInline;
    grandchild.ClassName = QByteArray(250, 'K'); // long enough to need a prefix
    child.Children.push_back(grandchild);
    root.Children.push_back(child);
    root.Children.push_back(TStreamComponent()); // no class name: must not read as the list end

    const QByteArray bytes = WriteComponentStream(root);
    const TStreamComponent back = ReadComponentStream(bytes);
    EXPECT_EQ(back, root);
    EXPECT_EQ(WriteComponentStream(back), bytes);

    // A long class name without flags still gets a prefix, so it cannot pass for one.
    grandchild.Flags = 0;
    EXPECT_EQ(ReadComponentStream(WriteComponentStream(grandchild)), grandchild);
}

TEST_F(ComponentStream, DeviceReaderStopsRightBehindTheComponent)
{
    const QByteArray one = labelLikeBytes();
    const QByteArray two = imageLikeBytes(B("\x00"));
    QByteArray file = one + two + B("\x2A");

    QBuffer buffer(&file);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    EXPECT_EQ(ReadComponentStream(buffer).ClassName, QByteArray("CLabel"));
    EXPECT_EQ(buffer.pos(), one.size());
    EXPECT_EQ(ReadComponentStream(buffer).ClassName, QByteArray("CImage"));
    EXPECT_EQ(buffer.pos(), one.size() + two.size());

    SequentialDevice pipe(file);
    EXPECT_EQ(ReadComponentStream(pipe), labelLike());
    EXPECT_EQ(ReadComponentStream(pipe).ClassName, QByteArray("CImage"));
    char rest = 0;
    EXPECT_TRUE(pipe.getChar(&rest));
    EXPECT_EQ(rest, '\x2A');

    QByteArray out;
    QBuffer sink(&out);
    ASSERT_TRUE(sink.open(QIODevice::WriteOnly));
    WriteComponentStream(sink, labelLike());
    EXPECT_EQ(out, one);
}

// ---------------------------------------------------------------------------------------------
// Damaged streams

TEST_F(ComponentStream, EveryTruncationIsAnError)
{
    const QByteArray bmpData = B("\x07" "TBitmap") + le32(62) + smallBmp();
    for (const QByteArray& full : {labelLikeBytes(), imageLikeBytes(bmpData)}) {
        for (qsizetype n = 0; n < full.size(); ++n) {
            const QByteArray cut = full.left(n);
            EXPECT_THROW(ReadComponentStream(cut), EReadError) << "cut at " << n;
            SequentialDevice pipe(cut);
            EXPECT_THROW(ReadComponentStream(pipe), EReadError) << "pipe cut at " << n;
        }
    }
    // Cut picture data inside a complete stream is refused when the picture is decoded.
    for (qsizetype n = 0; n < bmpData.size(); ++n) {
        TPicture pic;
        EXPECT_THROW(DecodePictureData(bmpData.left(n), pic), EReadError) << "picture cut at " << n;
        EXPECT_EQ(pic.Graphic(), nullptr);
    }
}

TEST_F(ComponentStream, DamagedStreamsGiveAClearError)
{
    const QByteArray head = B("TPF0\x01T\x00\x01P");
    auto nested = [&](int depth) {
        return head + QByteArray(depth, '\x01') + QByteArray(depth, '\x00') + B("\x00\x00");
    };
    auto nestedChildren = [](int depth) {
        QByteArray b = B("TPF0");
        for (int i = 0; i < depth; ++i)
            b += B("\x01T\x00\x00"); // class, name, no properties; children follow
        return b + QByteArray(depth, '\x00');
    };
    QByteArray manyElements = head + B("\x0B");
    for (int i = 0; i <= kMaxStreamNodes; ++i)
        manyElements += B("\x01x");
    manyElements += B("\x00\x00\x00");

    struct Case {
        const char* what;
        QByteArray bytes;
        const char* message; // part of the error text
    };
    const Case cases[] = {
        {"empty", QByteArray(), "ends early"},
        {"bad signature", B("TPF1\x01T\x00\x00\x00"), "TPF0"},
        {"text form", B("object Form1: TForm1\r\nend\r\n"), "TPF0"},
        {"unknown value kind", head + B("\x16\x00\x00"), "unknown value kind 22"},
        {"unknown value kind 255", head + B("\xFF\x00\x00"), "unknown value kind 255"},
        {"unknown kind in a list", head + B("\x01\x02\x01\x30\x00\x00\x00"), "unknown value kind 48"},
        {"huge long string", head + B("\x0C\xFF\xFF\xFF\x7F" "abc"), "exceeds"},
        {"negative binary length", head + B("\x0A\xFF\xFF\xFF\xFF" "abc"), "negative length"},
        {"huge wide string", head + B("\x12\x00\x00\x00\x40" "abcd"), "exceeds"},
        {"huge utf8 string", head + B("\x14\x00\x00\x00\x10" "abcd"), "exceeds"},
        {"short string beyond the end", head + B("\x06\xF0" "abc"), "ends early"},
        {"property name beyond the end", B("TPF0\x01T\x00\xC8Name"), "ends early"},
        {"child position not an integer", B("TPF0\xF2\x06" "abcdef"), "integer was expected"},
        {"collection item without a list", head + B("\x0E\x02\x01\x09\x00\x00\x00"), "collection item"},
        {"lists nested too deeply", nested(kMaxStreamDepth), "nesting deeper"},
        {"children nested too deeply", nestedChildren(kMaxStreamDepth + 1), "nesting deeper"},
        {"too many values", manyElements, "more than"},
        {"no end of children", B("TPF0\x01T\x00\x00"), "ends early"},
    };
    for (const Case& c : cases) {
        try {
            ReadComponentStream(c.bytes);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message().contains(QLatin1String(c.message))) << c.what << ": " << e.what();
        }
    }
    // One level less is fine.
    EXPECT_NO_THROW(ReadComponentStream(nested(kMaxStreamDepth - 1)));
    EXPECT_NO_THROW(ReadComponentStream(nestedChildren(kMaxStreamDepth)));
}

TEST_F(ComponentStream, DamagedPictureDataLeavesThePictureAlone)
{
    TPicture pic;
    pic.SetGraphic(std::make_unique<TBitmap>(3, 3));
    QByteArray badBmp = smallBmp();
    badBmp[28] = 7; // 7 bits per pixel
    const QByteArray cases[] = {
        QByteArray(),
        B("\x09TBitm"),
        B("\x07" "TBitmap\x10\x00"),
        B("\x07" "TBitmap") + le32(0xFFFFFFFF) + smallBmp(),
        B("\x07" "TBitmap") + le32(62) + badBmp,
        B("\x07" "TBitmap") + le32(10) + B("garbage!!!"),
        B("\x0A" "TJPEGImage") + le32(6) + B("\xFF\xD8\xFF\x00\x00\x00"),
        B("\x05" "TIcon" "\x00\x00\x01\x00\xFF\xFF"),
        B("\x09" "TMetafile") + le32(4),
        B("\x0B" "TNoSuchPict\x00\x00\x00\x00"),
    };
    for (const QByteArray& data : cases) {
        EXPECT_THROW(DecodePictureData(data, pic), EReadError) << data.toHex(' ').constData();
        ASSERT_NE(pic.Graphic(), nullptr);
        EXPECT_EQ(pic.Width(), 3);
    }
    TPropertyValue notBinary = TPropertyValue::Integer(1);
    EXPECT_THROW(ReadPictureProperty("Data", notBinary, pic), EReadError);
    EXPECT_FALSE(ReadPictureProperty("Graphic", TPropertyValue::Binary(QByteArray()), pic));
}

TEST_F(ComponentStream, WrongValuesAreRefusedByTheirReaders)
{
    TFont font = labelFont();
    const TFont before = font;
    struct Case {
        const char* name;
        TPropertyValue value;
    };
    const Case bad[] = {
        {"Style", TPropertyValue::Set({"fsBold", "fsBlink"})},
        {"Style", TPropertyValue::Integer(1)},
        {"Charset", TPropertyValue::Integer(300)},
        {"Charset", TPropertyValue::Ident("KLINGON_CHARSET")},
        {"Color", TPropertyValue::Ident("clPlaid")},
        {"Color", TPropertyValue::String(QStringLiteral("clRed"))},
        {"Height", TPropertyValue::Integer(int64_t(1) << 40)},
        {"Height", TPropertyValue::Boolean(true)},
        {"Name", TPropertyValue::Integer(3)},
        {"Pitch", TPropertyValue::Ident("fpWobbly")},
        {"Size", TPropertyValue::Integer(1 << 20)},
    };
    for (const Case& c : bad) {
        EXPECT_THROW(ReadFontProperty(c.name, c.value, font), EReadError) << c.name;
        EXPECT_EQ(font, before) << c.name;
    }
    EXPECT_FALSE(ReadFontProperty("Orientation", TPropertyValue::Integer(0), font));

    EXPECT_TRUE(ReadFontProperty("size", TPropertyValue::Integer(12), font));
    EXPECT_EQ(font.Height, -16);
    EXPECT_TRUE(ReadFontProperty("Pitch", TPropertyValue::Ident("fpFixed"), font));
    EXPECT_EQ(font.Pitch, fpFixed);
    TStreamComponent c;
    AddFontProperties(c, "Font", font);
    ASSERT_NE(c.Find("Font.Pitch"), nullptr);
    EXPECT_EQ(c.Find("Font.Pitch")->AsIdent(), QByteArray("fpFixed"));

    EXPECT_THROW(TPropertyValue::String(QStringLiteral("1")).AsInteger(), EReadError);
    EXPECT_THROW(TPropertyValue::Integer(1).AsString(), EReadError);
    EXPECT_THROW(TPropertyValue::Integer(1).AsBoolean(), EReadError);
    EXPECT_THROW(TPropertyValue::Ident("Maybe").AsBoolean(), EReadError);
    EXPECT_THROW(TPropertyValue::Integer(int64_t(1) << 32).AsInteger(), EReadError);
}

TEST_F(ComponentStream, TreesTheFormatCannotHoldAreNotWritten)
{
    auto withProperty = [](const QByteArray& name, const TPropertyValue& v) {
        TStreamComponent c;
        c.ClassName = "T";
        c.Add(name, v);
        return c;
    };
    TPropertyValue int8 = TPropertyValue::Integer(1);
    int8.Int = 300;
    TPropertyValue oddWide;
    oddWide.Type = vaWString;
    oddWide.Bytes = "abc";
    TPropertyValue unknown;
    unknown.Type = TValueType(99);
    TPropertyValue deep = TPropertyValue::Integer(1);
    for (int i = 0; i < kMaxStreamDepth; ++i)
        deep = TPropertyValue::List({deep});

    TStreamComponent longName;
    longName.ClassName = "T";
    longName.Name = QByteArray(256, 'n');
    TStreamComponent badFlags;
    badFlags.ClassName = "T";
    badFlags.Flags = 0x10;

    const TStreamComponent cases[] = {
        withProperty("", TPropertyValue::Integer(1)),
        withProperty(QByteArray(256, 'p'), TPropertyValue::Integer(1)),
        withProperty("P", int8),
        withProperty("P", oddWide),
        withProperty("P", unknown),
        withProperty("P", deep),
        withProperty("P", TPropertyValue::Set({"a", ""})),
        withProperty("P", TPropertyValue::Ident(QByteArray(256, 'i'))),
        longName,
        badFlags,
    };
    for (const TStreamComponent& c : cases)
        EXPECT_THROW(WriteComponentStream(c), EWriteError);
}
