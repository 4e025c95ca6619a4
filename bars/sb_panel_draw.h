#pragma once
// Drawing routines the hot button, the header button, the out header and the panels share.
// Every one works on a TCanvas and rectangles in its coordinates.
#include "platform/graphics.h"

#include <QImage>

class TImageList;
class TBitmap;

// The hot button's glyph rectangle and its size: 16 by 15.
constexpr TRect GlyphRect{0, 0, 16, 15};
constexpr int GlyphWidth = 16;
constexpr int GlyphHeight = 15;

// DrawTextInRect bits handled by the routine itself.
constexpr unsigned DTR_TRANSPARENT = 0x80000000u;

// The glyph font: the drop-down arrow and the close cross are drawn as shapes of this size.
const TFont& GetGlyphFont();
// Size of a one-character glyph at the point size.
void GetGlyphExtent(TCanvas& canvas, int size, TSize& extent);
// The glyph at (SM_CYSMSIZE - 6) pixels plus 7 wide and 6 high.
void GetArrowBoxSize(TCanvas& canvas, TSize& size);

// Fills, with the brush, the strips of outer that lie outside inner.
void FillFrame(TCanvas& canvas, const TRect& outer, const TRect& inner);
// Left and top in the first colour, right and bottom in the second.
void DrawEdges(TCanvas& canvas, const TRect& r, TColor topLeftColor, TColor bottomRightColor);
void DrawFrame3D(TCanvas& canvas, const TRect& r, TColor shadowColor, bool down);
// A frame with a separate arrow part at the right: state 0 raised, 1 sunken, 2 caption
// raised and arrow sunken.
void DrawArrowButtonFrame(TCanvas& canvas, const TRect& r, TColor shadowColor, int state);
// Where the divider of DrawArrowButtonFrame stands.
int ArrowDividerX(TCanvas& canvas, const TRect& r);
// The single-line extent of text in r, keeping r's top and bottom, clipped to r's right.
void CalcTextRect(TCanvas& canvas, const TRect& r, const QString& text, TRect& textRect);
// Takes a strip of width off the left (or right) of r, never leaving less than margin; fills
// it with the brush when fill. A negative width does nothing.
void CutRect(TCanvas& canvas, TRect& r, int width, bool fill, bool fromRight, int margin);
// DrawText with DT_CENTER, DT_VCENTER, DT_BOTTOM placement done here and the rest of r filled
// with the brush, unless DTR_TRANSPARENT.
void DrawTextInRect(TCanvas& canvas, const QString& text, unsigned flags, const TRect& r);
// The drop-down triangle in r (DrawTextInRect placement); arrowRect receives where it went.
void DrawDropDownArrow(TCanvas& canvas, const TRect& r, TRect& arrowRect, unsigned flags, int size);
// Places a rectangle of source's size in bounds: hAlign 1 left, 2 centre, 3 right; vAlign 1
// top, 2 centre, 3 bottom. Left/top placements stop margin short of the far side, right/bottom
// ones stay minPos from the near side; clipped to bounds.
void AlignRect(const TRect& source, const TRect& bounds, int hAlign, TRect& r, int margin, int minPos, int vAlign);
// Image list image index, or a bitmap transparent by its pixel (0, 0), centred in r; fill
// paints r with color first.
void DrawImage(TCanvas& canvas, const TImageList* list, const TBitmap* bitmap, TColor color, bool fill, int index,
               const TRect& r);
// image at (x, y), its fully transparent pixels left out.
void DrawAlphaImage(TCanvas& canvas, int x, int y, const QImage& image);
// The chosen sides as lines, size times inward.
void DrawBorderSides(TCanvas& canvas, TRect r, unsigned sides, int size, TColor lightColor, TColor darkColor);

// The canvas font that draws like the widget font f.
TFont CanvasFont(const QFont& f);
