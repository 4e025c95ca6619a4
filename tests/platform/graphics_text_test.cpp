// Text on the canvas: font heights, DrawText flags, prefixes and rotated text.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/bitmap.h"
#include "platform/graphics.h"

namespace {

// Bounding box of the pixels that are not white.
TRect Ink(TBitmap& b)
{
    const QImage& img = b.SurfaceForRead();
    TRect r(img.width(), img.height(), -1, -1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r;
}

std::unique_ptr<TBitmap> TextBitmap(int w, int h)
{
    auto b = std::make_unique<TBitmap>(w, h, pf24bit);
    TCanvas* c = b->Canvas();
    c->Font.Name = QStringLiteral("DejaVu Sans");
    c->Font.SetSize(12);
    c->Font.Color = clBlack;
    c->Brush.Style = bsClear;
    return b;
}

} // namespace

TEST(GraphicsFont, SizeAndHeightAtNinetySixPixelsPerInch)
{
    TFont f;
    f.SetSize(10);
    EXPECT_EQ(f.Height, -13);
    EXPECT_EQ(f.Size(), 10);
    EXPECT_EQ(f.ToQFont().pixelSize(), 13);
    f.Height = -18;
    EXPECT_EQ(f.Size(), 14);
    f.Style = fsBold | fsUnderline;
    const QFont q = f.ToQFont();
    EXPECT_TRUE(q.bold());
    EXPECT_TRUE(q.underline());
    EXPECT_FALSE(q.italic());
    // The charset is carried even though Qt has none.
    f.Charset = SHIFTJIS_CHARSET;
    TFont g;
    g.Assign(f);
    EXPECT_EQ(g.Charset, SHIFTJIS_CHARSET);
}

TEST(GraphicsFont, HeightIgnoresTheDeviceResolution)
{
    // The same font on images that claim 96 and 300 dpi gives the same pixel height.
    int heights[2];
    int i = 0;
    for (int dpi : {96, 300}) {
        QImage img(200, 60, QImage::Format_RGB32);
        img.fill(Qt::white);
        img.setDotsPerMeterX(qRound(dpi / 0.0254));
        img.setDotsPerMeterY(qRound(dpi / 0.0254));
        TCanvas c(&img);
        c.Font.Name = QStringLiteral("DejaVu Sans");
        c.Font.SetSize(20);
        c.Font.Color = clBlack;
        c.Brush.Style = bsClear;
        c.TextOut(2, 2, QStringLiteral("HHHH"));
        int top = -1, bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qRed(img.pixel(x, y)) < 128) {
                    if (top < 0)
                        top = y;
                    bottom = y;
                }
        heights[i++] = bottom - top;
    }
    EXPECT_GT(heights[0], 10);
    EXPECT_EQ(heights[0], heights[1]);
}

TEST(GraphicsText, CalcRectMeasuresLinesAndPrefixes)
{
    auto b = TextBitmap(10, 10);
    TCanvas* c = b->Canvas();
    const int lh = c->TextHeight(QStringLiteral("X"));
    struct Case {
        QString text;
        unsigned flags;
        QString widest; // the line whose width the rectangle takes
        int lines;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("Hello"), DT_CALCRECT, QStringLiteral("Hello"), 1},
        {QStringLiteral("A&B"), DT_CALCRECT, QStringLiteral("AB"), 1},
        {QStringLiteral("A&B"), DT_CALCRECT | DT_NOPREFIX, QStringLiteral("A&B"), 1},
        {QStringLiteral("A&&B"), DT_CALCRECT, QStringLiteral("A&B"), 1},
        {QStringLiteral("one\r\nlonger line\r\nx"), DT_CALCRECT, QStringLiteral("longer line"), 3},
        {QStringLiteral("one\r\ntwo"), DT_CALCRECT | DT_SINGLELINE, QStringLiteral("onetwo"), 1},
    };
    for (const Case& k : cases) {
        TRect r(5, 7, 6, 8);
        const int h = c->DrawText(k.text, r, k.flags);
        EXPECT_EQ(r.Left, 5);
        EXPECT_EQ(r.Top, 7);
        EXPECT_EQ(r.Width(), c->TextWidth(k.widest)) << k.text.toStdString();
        EXPECT_EQ(r.Height(), k.lines * lh) << k.text.toStdString();
        EXPECT_EQ(h, k.lines * lh);
    }
}

TEST(GraphicsText, WordBreakWrapsAtSpaces)
{
    auto b = TextBitmap(10, 10);
    TCanvas* c = b->Canvas();
    const int lh = c->TextHeight(QStringLiteral("X"));
    const int word = c->TextWidth(QStringLiteral("wwww"));
    TRect r(0, 0, word + 2, 0);
    c->DrawText(QStringLiteral("wwww wwww wwww"), r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r.Height(), 3 * lh);
    EXPECT_EQ(r.Width(), word);
    // A word wider than the box is not split; the box grows.
    TRect n(0, 0, 3, 0);
    c->DrawText(QStringLiteral("wwww"), n, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(n.Width(), word);
    EXPECT_EQ(n.Height(), lh);
}

TEST(GraphicsText, PrefixUnderlinesUnlessNoPrefix)
{
    // "A&B" draws "AB" with B underlined; with DT_NOPREFIX it draws "A&B" as typed.
    auto plain = TextBitmap(120, 40);
    auto prefixed = TextBitmap(120, 40);
    auto literal = TextBitmap(120, 40);
    TRect r(2, 2, 118, 38);
    plain->Canvas()->DrawText(QStringLiteral("AB"), r, DT_LEFT | DT_TOP);
    prefixed->Canvas()->DrawText(QStringLiteral("A&B"), r, DT_LEFT | DT_TOP);
    literal->Canvas()->DrawText(QStringLiteral("A&B"), r, DT_LEFT | DT_TOP | DT_NOPREFIX);
    const TRect inkPlain = Ink(*plain), inkPrefixed = Ink(*prefixed), inkLiteral = Ink(*literal);
    EXPECT_EQ(inkPrefixed.Left, inkPlain.Left);
    EXPECT_GT(inkPrefixed.Bottom, inkPlain.Bottom); // the underline lies below the glyphs
    EXPECT_GT(inkLiteral.Right, inkPlain.Right + 3); // the '&' takes room
    EXPECT_EQ(inkLiteral.Bottom, inkPlain.Bottom);
}

TEST(GraphicsText, AlignmentFlags)
{
    auto b = TextBitmap(200, 60);
    TCanvas* c = b->Canvas();
    const int w = c->TextWidth(QStringLiteral("MM"));
    for (unsigned flags : {DT_LEFT, DT_CENTER, DT_RIGHT}) {
        auto t = TextBitmap(200, 60);
        TRect r(0, 0, 200, 60);
        t->Canvas()->DrawText(QStringLiteral("MM"), r, flags | DT_SINGLELINE | DT_VCENTER);
        const TRect ink = Ink(*t);
        const int expectedLeft = flags == DT_LEFT ? 0 : flags == DT_CENTER ? (200 - w) / 2 : 200 - w;
        EXPECT_NEAR(ink.Left, expectedLeft, 3) << "flags " << flags;
        EXPECT_NEAR((ink.Top + ink.Bottom) / 2, 30, 4) << "flags " << flags;
    }
}

TEST(GraphicsText, OpaqueBrushFillsTheTextCell)
{
    auto b = TextBitmap(100, 40);
    TCanvas* c = b->Canvas();
    c->Brush.Style = bsSolid;
    c->Brush.Color = clYellow;
    c->TextOut(0, 0, QStringLiteral("i"));
    EXPECT_EQ(c->Pixel(0, 0), clYellow);
    EXPECT_EQ(c->PenPos, TPoint(c->TextWidth(QStringLiteral("i")), 0));
    c->Brush.Style = bsClear;
    c->TextOut(50, 0, QStringLiteral("i"));
    EXPECT_EQ(c->Pixel(50, 0), clWhite);

    // DrawText fills each line's cell, as wide as that line; a clear brush fills nothing.
    for (const TBrushStyle style : {bsSolid, bsClear}) {
        auto d = TextBitmap(200, 60);
        TCanvas* dc = d->Canvas();
        dc->Brush.Style = style;
        dc->Brush.Color = clYellow;
        TRect r(0, 0, 200, 60);
        dc->DrawText(QStringLiteral("nn\r\nnnnn"), r, DT_LEFT | DT_TOP | DT_NOPREFIX);
        const int shortLine = dc->TextWidth(QStringLiteral("nn"));
        const int longLine = dc->TextWidth(QStringLiteral("nnnn"));
        const int h = dc->TextHeight(QStringLiteral("n"));
        EXPECT_EQ(dc->Pixel(shortLine + 1, 0), clWhite);
        EXPECT_EQ(dc->Pixel(shortLine + 1, h), style == bsSolid ? clYellow : clWhite);
        EXPECT_EQ(dc->Pixel(longLine + 1, h), clWhite);
    }
}

TEST(GraphicsText, EscapementRotatesAroundTheReferencePoint)
{
    // 90 degrees counter-clockwise: the text runs upward from the reference point.
    auto b = TextBitmap(120, 160);
    TCanvas* c = b->Canvas();
    const int w = c->TextWidth(QStringLiteral("HHHHH"));
    const int h = c->TextHeight(QStringLiteral("H"));
    c->Font.Orientation = 900;
    c->TextOut(20, 140, QStringLiteral("HHHHH"));
    const TRect ink = Ink(*b);
    EXPECT_GE(ink.Left, 20);
    EXPECT_LE(ink.Right, 20 + h + 1);
    EXPECT_LE(ink.Bottom, 141);
    EXPECT_NEAR(ink.Height(), w, 4);
    EXPECT_GT(ink.Height(), ink.Width());
}
