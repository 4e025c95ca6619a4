// Label objects: size of the text for every angle and zoom, drawing on the screen and on a
// page at a scale, "&" as an ordinary character, dragging, and what the property dialog applies.
#include "child_frame_test_support.h"

#include "document/label.h"
#include "document/std.h"
#include "lang/builtin_strings.h"

#include <QImage>

using namespace frametest;

namespace {

// Extent of text in the label's default font at a point size.
TSize Extent(const QString& text, int points)
{
    TCanvas c;
    c.Font.Name = QStringLiteral("Times New Roman");
    c.Font.SetSize(points);
    return c.TextExtent(text);
}

// Bounding box of the pixels that are not white.
TRect Ink(const QImage& img)
{
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

// The label's own Paint on a white image of its size.
QImage PaintedLabel(CLabel& label)
{
    QImage img(label.Width(), label.Height(), QImage::Format_RGB32);
    img.fill(Qt::white);
    label.Canvas.Attach(&img);
    label.Paint();
    label.Canvas.Detach();
    return img;
}

std::unique_ptr<CLabel> MakeLabel(const QString& text, int angle = 0)
{
    auto l = std::make_unique<CLabel>();
    l->Text = text;
    l->Angle = angle;
    l->Canvas.Font.Color = clBlack;
    l->AdjustSizeToText();
    return l;
}

} // namespace

TEST(Label, SizeFollowsTheTextAtEveryAngle)
{
    const QString text = QStringLiteral("Korvane label 42");
    const TSize e = Extent(text, 10);
    const int w = e.cx, h = e.cy;
    ASSERT_GT(w, 50);
    ASSERT_GT(h, 8);
    const double c45 = 0.70710677;
    struct Case {
        int angle, width, height;
    } cases[] = {
        {0, w, h},
        {360, w, h},      // the up-down allows 360: horizontal
        {-30, w, h},      // negative angles draw horizontal
        {45, RoundValue(c45 * w) + RoundValue(c45 * h), RoundValue(c45 * h) + RoundValue(c45 * w)},
        // The single-precision angle leaves a tiny negative cosine or sine, rounded to -1.
        {90, h + 1, w + 1},
        {180, w + 1, h + 1},
        {270, h, w},
    };
    for (const Case& k : cases) {
        auto l = MakeLabel(text, k.angle);
        EXPECT_EQ(l->Width(), k.width) << k.angle;
        EXPECT_EQ(l->Height(), k.height) << k.angle;
    }
}

TEST(Label, LinesPlaceholderZoomAndSetSize)
{
    // Two lines: as wide as the longer, as high as both.
    auto two = MakeLabel(QStringLiteral("A\r\nBBBB"));
    EXPECT_EQ(two->Width(), Extent(QStringLiteral("BBBB"), 10).cx);
    EXPECT_EQ(two->Height(), 2 * Extent(QStringLiteral("A"), 10).cy);

    // Empty: the placeholder's extent, the placeholder shown at the top-left corner.
    auto empty = MakeLabel(QString());
    const QString placeholder = BuiltinString(LabelPlaceholderString);
    EXPECT_EQ(placeholder, QStringLiteral("Double click here to enter text."));
    EXPECT_EQ(TSize({empty->Width(), empty->Height()}), Extent(placeholder, 10));
    empty->Selected = false;
    const TRect ink = Ink(PaintedLabel(*empty));
    EXPECT_LE(ink.Left, 2);
    EXPECT_LE(ink.Top, 4);

    // Zoom 0.75 with 10 points: a 7-point drawing font (7.5 truncated); FontSize stays.
    auto zoomed = MakeLabel(QStringLiteral("Zoomed text"));
    zoomed->Zoom = 0.75f;
    zoomed->AdjustSizeToText();
    EXPECT_EQ(zoomed->Canvas.Font.Size(), 7);
    EXPECT_EQ(zoomed->FontSize, 10);
    EXPECT_EQ(TSize({zoomed->Width(), zoomed->Height()}), Extent(QStringLiteral("Zoomed text"), 7));

    // SetSize ignores its arguments.
    const QSize before = zoomed->size();
    zoomed->SetSize(500, 20);
    EXPECT_EQ(zoomed->size(), before);
}

TEST(Label, SetSizeTakesALoadedFontIntoTheDrawingFont)
{
    auto l = MakeLabel(QStringLiteral("Loaded"));
    TFont loaded;
    loaded.Name = QStringLiteral("DejaVu Sans");
    loaded.SetSize(30);
    loaded.Style = fsBold;
    loaded.Color = clRed;
    l->Font = &loaded;
    l->FontSize = 14;
    l->Zoom = 1.5f;
    l->SetSize(100, 100);
    EXPECT_EQ(l->Font, &l->Canvas.Font);
    EXPECT_EQ(l->Canvas.Font.Name, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(l->Canvas.Font.Style, fsBold);
    EXPECT_EQ(l->Canvas.Font.Color, clRed);
    EXPECT_EQ(l->Canvas.Font.Size(), 21);
    TCanvas c;
    c.Font = l->Canvas.Font;
    EXPECT_EQ(l->Width(), c.TextWidth(QStringLiteral("Loaded")));
}

TEST(Label, RotatedTextLiesInTheQuadrantOfItsAngle)
{
    // "M" and then spaces: the ink marks the end where the text starts.
    const QString text = QStringLiteral("M          ");
    const TSize e = Extent(text, 10);
    enum Start { AtLeft, AtBottom, AtRight, AtTop };
    struct Case {
        int angle;
        Start start;
    } cases[] = {
        {0, AtLeft},     // reads to the right
        {90, AtBottom},  // runs upward
        {180, AtRight},  // upside down, leftward
        {270, AtTop},    // runs downward
    };
    for (const Case& k : cases) {
        auto l = MakeLabel(text, k.angle);
        l->Selected = false;
        const TRect ink = Ink(PaintedLabel(*l));
        ASSERT_FALSE(ink.IsEmpty()) << k.angle;
        const int W = l->Width(), H = l->Height();
        switch (k.start) {
        case AtLeft: EXPECT_LT(ink.Right, W / 3) << k.angle; break;
        case AtRight: EXPECT_GT(ink.Left, 2 * W / 3) << k.angle; break;
        case AtBottom: EXPECT_GT(ink.Top, 2 * H / 3) << k.angle; break;
        case AtTop: EXPECT_LT(ink.Bottom, H / 3) << k.angle; break;
        }
        if (k.angle == 90) {
            // The text cell stands on the left edge, its top one pixel above the bottom.
            EXPECT_LE(ink.Right, e.cy + 1);
            EXPECT_LE(ink.Bottom, H - 1);
        }
    }
}

TEST(Label, AmpersandsAreOrdinaryCharacters)
{
    // Screen and page both draw the text as typed, exactly like plain text output.
    const QString text = QStringLiteral("A&B && C&&&D");
    auto l = MakeLabel(text);
    l->Selected = false;
    EXPECT_EQ(l->Width(), Extent(text, 10).cx);
    EXPECT_GT(l->Width(), Extent(QStringLiteral("AB & C&D"), 10).cx);

    QImage expected(l->Width(), l->Height(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        TCanvas c(&expected);
        c.Font = l->Canvas.Font;
        c.Brush.Style = bsClear;
        c.TextOut(0, 0, text);
    }
    EXPECT_EQ(PaintedLabel(*l), expected);

    // On a page at scale 1 from position (0, 0) the same pixels again.
    TBitmap page(l->Width(), l->Height(), pf32bit);
    l->DrawTo(*page.Canvas(), QPoint(0, 0), 1.0f);
    EXPECT_EQ(page.ToImage().convertToFormat(QImage::Format_RGB32), expected);
}

TEST(Label, DrawToScalesPositionAndFont)
{
    const QString text = QStringLiteral("Scaled\r\nTwo lines");
    auto l = MakeLabel(text);
    const QPoint pos(10, 20);
    const float scale = 2.0f;

    TBitmap page(400, 200, pf24bit);
    page.Canvas()->Brush.Style = bsSolid; // the label clears it for the text and restores it
    page.Canvas()->Brush.Color = clWhite;
    l->DrawTo(*page.Canvas(), pos, scale);
    EXPECT_EQ(page.Canvas()->Brush.Style, bsSolid);
    EXPECT_EQ(page.Canvas()->Font.Size(), 20);

    // The same text at twice the size at twice the position.
    TBitmap ref(400, 200, pf24bit);
    TCanvas* c = ref.Canvas();
    c->Font = l->Canvas.Font;
    c->Font.SetSize(20);
    c->Brush.Style = bsClear;
    TRect r(20, 40, 400, 200);
    c->DrawText(text, r, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_CALCRECT);
    c->DrawText(text, r, DT_LEFT | DT_TOP | DT_NOPREFIX);
    EXPECT_EQ(page.ToImage(), ref.ToImage());
    const TRect ink = Ink(page.ToImage());
    EXPECT_GE(ink.Left, 20);
    EXPECT_GE(ink.Top, 40);
    EXPECT_GT(ink.Width(), l->Width() * 3 / 2);

    // Rotated at 90 degrees the text stands in the scaled box (the font does not scale exactly
    // linearly, so a few pixels of slack).
    auto up = MakeLabel(QStringLiteral("Upward"), 90);
    TBitmap page2(200, 300, pf24bit);
    up->DrawTo(*page2.Canvas(), QPoint(5, 5), scale);
    const TRect ink2 = Ink(page2.ToImage());
    ASSERT_FALSE(ink2.IsEmpty());
    EXPECT_GE(ink2.Left, 10);
    EXPECT_GE(ink2.Top, 10 - 3);
    EXPECT_LE(ink2.Right, 10 + 2 * up->Width() + 3);
    EXPECT_LE(ink2.Bottom, 10 + 2 * up->Height());
    EXPECT_GT(ink2.Height(), ink2.Width());

    // An empty label prints nothing.
    auto empty = MakeLabel(QString());
    TBitmap blank(300, 100, pf24bit);
    empty->DrawTo(*blank.Canvas(), QPoint(0, 0), 1.0f);
    EXPECT_TRUE(Ink(blank.ToImage()).IsEmpty());
}

TEST(Label, HandlesAreFourGreenCorners)
{
    auto l = MakeLabel(QStringLiteral("Handles and more text"));
    l->Selected = true;
    const QImage img = PaintedLabel(*l);
    const int W = l->Width(), H = l->Height();
    for (QPoint p : {QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 2), QPoint(W - 2, H - 2)})
        EXPECT_EQ(img.pixel(p) & 0xFFFFFF, 0x00FF00u) << p.x() << "," << p.y();
    EXPECT_NE(img.pixel(W / 2, 1) & 0xFFFFFF, 0x00FF00u);
    l->SetLocked(true);
    EXPECT_NE(PaintedLabel(*l).pixel(1, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_FALSE(l->PopupMenu()->MaxSizeItem->isVisible());
}

class LabelOnPage : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame = Make(1, false, 600, 400);
        frame->SetToolCursor(crArrow);
        frame->SetCursor(crArrow);
        label = new CLabel(frame);
        label->SetName(QStringLiteral("CLabel1"));
        label->Text = QStringLiteral("A label to drag about");
        label->AdjustSizeToText();
        label->move(100, 100);
        other = AddObject(frame, QStringLiteral("B"), 300, 100, 80, 40);
        other->SetSelected(true, true);
        frame->SetModified(false);
    }
    TChildFrame* frame = nullptr;
    CLabel* label = nullptr;
    PlainObject* other = nullptr;
};

TEST_F(LabelOnPage, DragsMoveButHandlesNeverResize)
{
    const QSize size = label->size();
    // From a corner zone and from an edge-midpoint zone: nothing changes.
    for (QPoint grab : {QPoint(2, 2), QPoint(size.width() / 2, 1), QPoint(size.width() - 2, size.height() - 2)}) {
        Press(label, grab);
        Move(label, grab + QPoint(40, 30));
        Release(label, grab + QPoint(40, 30));
        EXPECT_EQ(label->geometry(), QRect(QPoint(100, 100), size)) << grab.x() << "," << grab.y();
    }
    EXPECT_FALSE(frame->Modified);

    // Elsewhere: the label and the other selected object move together.
    label->SetSelected(true, true);
    const QPoint grab(size.width() / 3, size.height() / 2 + 1);
    Press(label, grab);
    Move(label, grab + QPoint(25, 15));
    Release(label, grab + QPoint(25, 15));
    EXPECT_EQ(label->geometry(), QRect(QPoint(125, 115), size));
    EXPECT_EQ(other->pos(), QPoint(325, 115));
    EXPECT_TRUE(frame->Modified);
}

TEST_F(LabelOnPage, PropertiesOkAppliesTextAngleAndFont)
{
    TFont sample;
    sample.Name = QStringLiteral("DejaVu Sans");
    sample.SetSize(16);
    sample.Color = clBlue;
    sample.Style = fsUnderline | fsItalic;

    // A rotated label keeps the memo's first line only.
    label->ApplyProperties(QStringLiteral("First\r\nSecond\r\nThird"), 45, sample, true, false);
    EXPECT_EQ(label->Text, QStringLiteral("First"));
    EXPECT_EQ(label->Angle, 45);
    EXPECT_EQ(label->FontSize, 16);
    EXPECT_EQ(label->Canvas.Font.Name, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(label->Canvas.Font.Color, clBlue);
    EXPECT_EQ(label->Canvas.Font.Style, fsBold | fsUnderline);
    EXPECT_TRUE(label->Selected);
    EXPECT_FALSE(other->Selected);
    EXPECT_TRUE(frame->Modified);
    TCanvas c;
    c.Font = label->Canvas.Font;
    const int w = c.TextWidth(QStringLiteral("First")), h = c.TextHeight(QStringLiteral("First"));
    EXPECT_EQ(label->Width(), RoundValue(0.70710677 * w) + RoundValue(0.70710677 * h));

    // Emptying the memo: angle 0, size and font left until the next refit.
    const QSize size = label->size();
    label->ApplyProperties(QString(), 30, TFont(), false, false);
    EXPECT_TRUE(label->Text.isEmpty());
    EXPECT_EQ(label->Angle, 0);
    EXPECT_EQ(label->size(), size);
    EXPECT_EQ(label->FontSize, 16);

    // Horizontal text keeps every line.
    label->ApplyProperties(QStringLiteral("One\r\nTwo"), 0, sample, false, false);
    EXPECT_EQ(label->Text, QStringLiteral("One\r\nTwo"));
    EXPECT_EQ(label->Height(), 2 * h);
}

TEST_F(LabelOnPage, DoubleClickRunsThePropertyDialog)
{
    label->Zoom = 0.5f;
    label->FontSize = 20;
    label->Angle = 0;
    label->Canvas.Font.Style = fsItalic;
    label->Canvas.Font.Color = clGreen;
    label->AdjustSizeToText();
    const QSize size = label->size();

    // Cancel: nothing changes. The dialog sees the unzoomed size and the label's font.
    label->DblClick();
    ASSERT_EQ(link.labelRequests.size(), 1u);
    const TLabelPropertiesRequest& seen = link.labelRequests.back();
    EXPECT_EQ(link.dialogOwner, frame->Page);
    EXPECT_EQ(seen.Text, QStringLiteral("A label to drag about"));
    EXPECT_EQ(seen.SampleFont.Size(), 20);
    EXPECT_EQ(seen.SampleFont.Name, QStringLiteral("Times New Roman"));
    EXPECT_EQ(seen.SampleFont.Color, clGreen);
    EXPECT_TRUE(seen.Italic);
    EXPECT_FALSE(seen.Bold);
    EXPECT_EQ(label->size(), size);
    EXPECT_FALSE(frame->Modified);

    // OK: two lines, a new font at 24 points, red, 30 degrees.
    TLabelPropertiesRequest answer = seen;
    answer.Text = QStringLiteral("Two\r\nlines");
    answer.SampleFont.Name = QStringLiteral("Liberation Sans");
    answer.SampleFont.SetSize(24);
    answer.SampleFont.Color = clRed;
    answer.Angle = 30;
    answer.Bold = true;
    link.labelAnswer = answer;
    label->PropertiesItemClick();
    EXPECT_EQ(label->Text, QStringLiteral("Two"));
    EXPECT_EQ(label->Angle, 30);
    EXPECT_EQ(label->FontSize, 24);
    EXPECT_EQ(label->Canvas.Font.Size(), 12); // zoomed
    EXPECT_EQ(label->Canvas.Font.Color, clRed);
    EXPECT_EQ(label->Canvas.Font.Style, fsBold | fsItalic);
    EXPECT_EQ(label->Canvas.Font.Orientation, 0);
    EXPECT_TRUE(frame->Modified);
    EXPECT_NE(label->size(), size);
}
