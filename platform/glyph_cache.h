#pragma once
// Large text on images from cached glyph masks.
//
// Qt's raster engine keeps glyphs only up to 64 pixels and fills every larger glyph from its outline
// each time it is drawn; label text on a printed page at 360 dpi is mostly above that. Each large
// glyph is filled once here, at the painter's scale and rotation, and then copied.

class QPainter;
class QPointF;
class QString;

// Draws a single line of text with the painter's font and pen, its baseline starting at `baseline`
// (painter coordinates), as QPainter::drawText would. Returns false, drawing nothing, when the text is
// better left to the painter: small glyphs (its own cache is as fast), targets that are not raster
// images (PDF and printers keep their text), aliased or decorated fonts, composition modes other than
// source-over, and text with tabs or Unicode line separators. CR and LF take no room, as with the
// painter.
bool DrawLargeText(QPainter& p, const QPointF& baseline, const QString& text);

// Forgets every cached glyph (tests, and memory pressure).
void ClearGlyphCache();
