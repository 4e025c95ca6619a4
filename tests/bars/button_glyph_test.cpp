#include "bars/button_glyph.h"

#include <gtest/gtest.h>

namespace {

constexpr QRgb Back = 0xFF008080; // the glyph's background (bottom-left pixel)

// A w by h bitmap of background colour with a filled square of ink at (x, y, side).
TBitmap MakeGlyph(int w, int h, QRgb ink = 0xFF000000, int x = 4, int y = 4, int side = 8)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Back);
    for (int j = y; j < y + side && j < h; ++j)
        for (int i = x; i < x + side && i < w; ++i)
            image.setPixel(i, j, ink);
    TBitmap b;
    b.SetImage(image.convertToFormat(QImage::Format_BGR888));
    return b;
}

QRgb Rgb(TColor c)
{
    return ColorToQRgb(c) | 0xFF000000;
}

TEST(ButtonGlyphTest, NumGlyphsFollowsTheStripShape)
{
    const struct {
        int w, h, want;
    } cases[] = {{80, 16, 5}, {96, 16, 1}, {40, 16, 1}, {16, 16, 1}, {32, 16, 2}, {0, 0, 1}};
    for (const auto& c : cases) {
        TButtonGlyph g;
        g.SetGlyph(c.w ? MakeGlyph(c.w, c.h) : TBitmap());
        EXPECT_EQ(g.NumGlyphs(), c.want) << c.w << "x" << c.h;
    }
    TCustomImageList list(16, 16);
    TButtonGlyph g;
    g.SetImageList(&list);
    g.SetNumGlyphs(3);
    EXPECT_EQ(g.NumGlyphs(), 1);
    g.SetGlyph(MakeGlyph(64, 16));
    EXPECT_EQ(g.NumGlyphs(), 1);
}

TEST(ButtonGlyphTest, SingleImageServesEveryStateAndDisabledIsEmbossed)
{
    TButtonGlyph g;
    g.SetGlyph(MakeGlyph(16, 16));
    const QImage up = g.StateImage(bsUp);
    ASSERT_EQ(up.size(), QSize(16, 16));
    for (TButtonStateX s : {bsMouseIn, bsDown, bsExclusive})
        EXPECT_EQ(g.StateImage(s), up) << s;
    // The background is see-through, the ink is kept.
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);
    EXPECT_EQ(up.pixel(5, 5), 0xFF000000u);

    const QImage disabled = g.StateImage(bsDisabled);
    ASSERT_EQ(disabled.size(), QSize(17, 17));
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x) {
            const bool ink = x >= 4 && x < 12 && y >= 4 && y < 12;
            const bool light = x >= 5 && x < 13 && y >= 5 && y < 13;
            const QRgb px = disabled.pixel(x, y);
            if (ink)
                EXPECT_EQ(px, Rgb(clBtnShadow)) << x << "," << y;
            else if (light)
                EXPECT_EQ(px, Rgb(clBtnHighlight)) << x << "," << y;
            else
                EXPECT_EQ(qAlpha(px), 0) << x << "," << y;
        }
}

TEST(ButtonGlyphTest, DisabledStylesChooseWhichPixelsShow)
{
    // White and silver strokes and a black one on the background.
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Back);
    for (int x = 2; x < 14; ++x) {
        image.setPixel(x, 2, 0xFFFFFFFF);
        image.setPixel(x, 5, 0xFFC0C0C0);
        image.setPixel(x, 8, 0xFF000000);
        image.setPixel(x, 11, 0xFF0000FF);
    }
    TBitmap b;
    b.SetImage(image);
    auto shows = [](const QImage& d, int row) { return d.pixel(6, row) == Rgb(clBtnShadow); };

    TButtonGlyph newStyle;
    newStyle.SetGlyph(b);
    const QImage n = newStyle.StateImage(bsDisabled);
    EXPECT_FALSE(shows(n, 2));
    EXPECT_FALSE(shows(n, 5));
    EXPECT_TRUE(shows(n, 8));
    EXPECT_TRUE(shows(n, 11));

    TButtonGlyph oldStyle;
    oldStyle.SetOldDisabledStyle(true);
    oldStyle.SetGlyph(b);
    const QImage o = oldStyle.StateImage(bsDisabled);
    EXPECT_FALSE(shows(o, 2));
    EXPECT_FALSE(shows(o, 5));
    EXPECT_TRUE(shows(o, 8));
    EXPECT_FALSE(shows(o, 11));

    // Only white and silver: nothing at all is left in the new style.
    QImage light(16, 16, QImage::Format_RGB32);
    light.fill(Back);
    for (int x = 2; x < 14; ++x) {
        light.setPixel(x, 3, 0xFFFFFFFF);
        light.setPixel(x, 6, 0xFFC0C0C0);
    }
    TBitmap lb;
    lb.SetImage(light);
    TButtonGlyph pale;
    pale.SetGlyph(lb);
    const QImage p = pale.StateImage(bsDisabled);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            ASSERT_EQ(qAlpha(p.pixel(x, y)), 0) << x << "," << y;
}

TEST(ButtonGlyphTest, DisabledCellTakesSystemLightAndShadow)
{
    // Two cells: up, then disabled in white and grey.
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(Back);
    for (int x = 18; x < 30; ++x) {
        image.setPixel(x, 4, 0xFFFFFFFF);
        image.setPixel(x, 6, 0xFF808080);
        image.setPixel(x, 8, 0xFF00FF00);
    }
    TBitmap b;
    b.SetImage(image);
    TButtonGlyph g;
    g.SetGlyph(b);
    ASSERT_EQ(g.NumGlyphs(), 2);
    const QImage d = g.StateImage(bsDisabled);
    ASSERT_EQ(d.size(), QSize(17, 17));
    EXPECT_EQ(d.pixel(4, 4), Rgb(clBtnHighlight));
    EXPECT_EQ(d.pixel(4, 6), Rgb(clBtnShadow));
    EXPECT_EQ(d.pixel(4, 8), 0xFF00FF00u);
    EXPECT_EQ(qAlpha(d.pixel(0, 0)), 0);
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(qAlpha(d.pixel(16, i)), 0);
        EXPECT_EQ(qAlpha(d.pixel(i, 16)), 0);
    }
    // A state without a cell of its own shows cell 0.
    EXPECT_EQ(g.StateImage(bsDown), g.StateImage(bsUp));
}

TEST(ButtonGlyphTest, MaskStripDecidesTransparency)
{
    TButtonGlyph g;
    g.SetGlyph(MakeGlyph(16, 16, 0xFFFF0000));
    QImage mask(16, 16, QImage::Format_RGB32);
    mask.fill(0xFF000000);
    mask.setPixel(5, 5, 0xFFFFFFFF); // set: transparent, though it is ink
    TBitmap m;
    m.SetImage(mask);
    g.SetGlyphMask(m);
    const QImage up = g.StateImage(bsUp);
    EXPECT_EQ(qAlpha(up.pixel(5, 5)), 0);
    EXPECT_EQ(up.pixel(6, 6), 0xFFFF0000u);
    EXPECT_EQ(up.pixel(0, 15), Back); // the background stays when the mask keeps it
}

TEST(ButtonGlyphTest, ImageListIndexOutsideDrawsNothing)
{
    TCustomImageList list(16, 16);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(0);
    image.setPixel(3, 3, 0xFF112233);
    list.Add(image);
    TButtonGlyph g;
    g.SetImageList(&list);
    g.SetImageIndex(0);
    const QImage up = g.StateImage(bsUp);
    EXPECT_EQ(up.pixel(3, 3), 0xFF112233u);
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);
    EXPECT_EQ(g.StateImage(bsDisabled).pixel(3, 3), Rgb(clBtnShadow));
    g.SetImageIndex(1);
    EXPECT_TRUE(g.StateImage(bsUp).isNull());
    EXPECT_EQ(g.CreateButtonGlyph(bsUp).second, -1);
}

TEST(ButtonGlyphTest, ListsAreSharedBySizeAndFreedWithTheirLastSlot)
{
    {
        auto a = std::make_unique<TButtonGlyph>();
        auto b = std::make_unique<TButtonGlyph>();
        a->SetGlyph(MakeGlyph(16, 16));
        b->SetGlyph(MakeGlyph(16, 16, 0xFF00FF00));
        a->CreateButtonGlyph(bsUp);
        b->CreateButtonGlyph(bsUp);
        ASSERT_NE(GlyphCache(), nullptr);
        EXPECT_EQ(a->GlyphList(true), b->GlyphList(true));
        EXPECT_EQ(GlyphCache()->ListCount(), 1);
        a->CreateButtonGlyph(bsDisabled);
        EXPECT_EQ(GlyphCache()->ListCount(), 2); // the 17 by 17 one
        EXPECT_EQ(a->GlyphList(true)->UsedCount(), 2);

        // A freed slot is used again before the list grows.
        const int slotOfA = a->CreateButtonGlyph(bsUp).second;
        const int size = a->GlyphList(true)->Count();
        a->Invalidate();
        EXPECT_EQ(b->GlyphList(true)->UsedCount(), 1);
        auto c = std::make_unique<TButtonGlyph>();
        c->SetGlyph(MakeGlyph(16, 16));
        EXPECT_EQ(c->CreateButtonGlyph(bsUp).second, slotOfA);
        EXPECT_EQ(c->GlyphList(true)->Count(), size);
    }
    EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(ButtonGlyphTest, TooSmallImageIsRefused)
{
    TGlyphList list(16, 16);
    QImage small(8, 8, QImage::Format_RGB32);
    EXPECT_THROW(list.AddMasked(small, clBlack), EInvalidOperation);
    EXPECT_EQ(list.UsedCount(), 0);
}

TEST(ButtonGlyphTest, LayoutPlacesGlyphTextAndArrow)
{
    TButtonGlyph g;
    g.SetGlyph(MakeGlyph(16, 16));
    const TFont font;
    QImage scratch(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&scratch);
    canvas.Font = font;
    TRect measured(0, 0, 200, 0);
    canvas.DrawText(QStringLiteral("Print"), measured, DT_CALCRECT);
    const int tw = measured.Width(), th = measured.Height();

    struct Case {
        const char* name;
        QString caption;
        TButtonLayout layout;
        int margin, spacing;
        bool arrow, showGlyph;
        TRect client;
        TPoint glyph, arrowPos;
        TRect text;
    };
    const Case cases[] = {
        {"glyph only, centred",
         QString(),
         blGlyphLeft,
         -1,
         4,
         false,
         true,
         TRect(0, 0, 23, 22),
         {4, 3},
         {21, 9},
         TRect(20, 11, 20, 11)},
        {"offset by the client corner",
         QString(),
         blGlyphLeft,
         -1,
         4,
         false,
         true,
         TRect(1, 2, 24, 24),
         {5, 5},
         {22, 11},
         TRect(21, 13, 21, 13)},
        {"glyph over text",
         QStringLiteral("Print"),
         blGlyphTop,
         -1,
         1,
         false,
         true,
         TRect(0, 0, 64, 36),
         {24, (36 - (16 + 1 + th) + 1) / 2},
         {41, (36 - (16 + 1 + th) + 1) / 2 + 6},
         TRect((64 - tw + 1) / 2, (36 - (16 + 1 + th) + 1) / 2 + 17, (64 - tw + 1) / 2 + tw,
               (36 - (16 + 1 + th) + 1) / 2 + 17 + th)},
        // Without text there is no gap to spread: the glyph and arrow are centred together.
        {"no text, spacing -1",
         QString(),
         blGlyphLeft,
         -1,
         -1,
         true,
         true,
         TRect(0, 0, 40, 20),
         {8, 2},
         {25, 8},
         TRect(24, 10, 24, 10)},
        {"even spread",
         QStringLiteral("Print"),
         blGlyphLeft,
         -1,
         -1,
         false,
         true,
         TRect(0, 0, 80, 20),
         {(80 - 16 - tw) / 3, 2},
         {(80 - 16 - tw) / 3 * 2 + 16 + tw + 1, 8},
         TRect((80 - 16 - tw) / 3 * 2 + 16, (20 - th + 1) / 2, (80 - 16 - tw) / 3 * 2 + 16 + tw,
               (20 - th + 1) / 2 + th)},
        {"margin given, spacing spread",
         QStringLiteral("Print"),
         blGlyphRight,
         2,
         -1,
         false,
         true,
         TRect(0, 0, 80, 20),
         {80 - 2 - 16, 2},
         {80 - 2 + 1, 2 + 6},
         TRect(80 - 2 - 16 - (80 - (2 + 16) - tw) / 2 - tw, (20 - th + 1) / 2,
               80 - 2 - 16 - (80 - (2 + 16) - tw) / 2, (20 - th + 1) / 2 + th)},
        {"top without a glyph is glyph-left",
         QStringLiteral("Print"),
         blGlyphTop,
         3,
         4,
         false,
         false,
         TRect(0, 0, 60, 20),
         {3, 10},
         {3 + tw + 1, (20 - th + 1) / 2 + (th - 3) / 2},
         TRect(3, (20 - th + 1) / 2, 3 + tw, (20 - th + 1) / 2 + th)},
    };
    for (const Case& c : cases) {
        TPoint glyphPos, arrowPos;
        TRect textBounds;
        g.CalcButtonLayout(font, c.client, TPoint(0, 0), c.caption, c.layout, c.margin, c.spacing, false,
                           c.arrow, 9, c.showGlyph, true, glyphPos, textBounds, arrowPos);
        if (c.showGlyph) {
            EXPECT_EQ(glyphPos, c.glyph) << c.name;
        }
        EXPECT_EQ(arrowPos, c.arrowPos) << c.name;
        EXPECT_EQ(textBounds, c.text) << c.name;
    }
}

} // namespace
