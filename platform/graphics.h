#pragma once
// The GDI-style drawing layer: colours, rectangles, pens, brushes, fonts and TCanvas over QPainter.
//
// Rules kept from GDI, because the drawing code and its tests rely on them:
// - Rectangle/Ellipse/RoundRect exclude their right and bottom edge; with a clear pen the figure
//   is one pixel smaller in width and height. FillRect and FrameRect cover [Left, Right) x [Top, Bottom).
// - A clear brush fills nothing; a clear pen strokes nothing.
// - Text is drawn with the brush colour as background unless the brush style is bsClear.
// - Copies between bitmaps honour CopyMode as a raster operation (SRCAND, SRCPAINT, ...),
//   stretched with nearest-neighbour sampling; a colour source copied onto a 1-bit bitmap keeps
//   only white as white, everything else becomes black.
// - Font heights are points at TFont::PixelsPerInch (the screen's 96 by default), turned into
//   device pixels here, never through Qt's idea of the device resolution.
// - TFont::Orientation is the Windows escapement in tenths of a degree, counter-clockwise;
//   TextOut rotates the text cell around its top-left corner.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class TGraphic;
class TBitmap;

// ---------------------------------------------------------------------------------------------
// Colours: 0x00BBGGRR; 0x80000000 | index = system colour; clNone / clDefault are special.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clSystemColor = 0x80000000;
// Indices of the system colours: the low byte of a system colour.
enum TSystemColorIndex : unsigned {
    scScrollBar = 0,
    scBackground = 1,
    scActiveCaption = 2,
    scInactiveCaption = 3,
    scMenu = 4,
    scWindow = 5,
    scWindowFrame = 6,
    scMenuText = 7,
    scWindowText = 8,
    scCaptionText = 9,
    scActiveBorder = 10,
    scInactiveBorder = 11,
    scAppWorkSpace = 12,
    scHighlight = 13,
    scHighlightText = 14,
    scBtnFace = 15,
    scBtnShadow = 16,
    scGrayText = 17,
    scBtnText = 18,
    scInactiveCaptionText = 19,
    scBtnHighlight = 20,
    sc3DDkShadow = 21,
    sc3DLight = 22,
    scInfoText = 23,
    scInfoBk = 24,
    scHotLight = 26,
    scGradientActiveCaption = 27,
    scGradientInactiveCaption = 28,
    scMenuHighlight = 29,
    scMenuBar = 30,
};
constexpr TColor clScrollBar = clSystemColor | scScrollBar;
constexpr TColor clBackground = clSystemColor | scBackground;
constexpr TColor clActiveCaption = clSystemColor | scActiveCaption;
constexpr TColor clInactiveCaption = clSystemColor | scInactiveCaption;
constexpr TColor clMenu = clSystemColor | scMenu;
constexpr TColor clWindow = clSystemColor | scWindow;
constexpr TColor clWindowFrame = clSystemColor | scWindowFrame;
constexpr TColor clMenuText = clSystemColor | scMenuText;
constexpr TColor clWindowText = clSystemColor | scWindowText;
constexpr TColor clCaptionText = clSystemColor | scCaptionText;
constexpr TColor clActiveBorder = clSystemColor | scActiveBorder;
constexpr TColor clInactiveBorder = clSystemColor | scInactiveBorder;
constexpr TColor clAppWorkSpace = clSystemColor | scAppWorkSpace;
constexpr TColor clHighlight = clSystemColor | scHighlight;
constexpr TColor clHighlightText = clSystemColor | scHighlightText;
constexpr TColor clBtnFace = clSystemColor | scBtnFace;
constexpr TColor clBtnShadow = clSystemColor | scBtnShadow;
constexpr TColor clGrayText = clSystemColor | scGrayText;
constexpr TColor clBtnText = clSystemColor | scBtnText;
constexpr TColor clInactiveCaptionText = clSystemColor | scInactiveCaptionText;
constexpr TColor clBtnHighlight = clSystemColor | scBtnHighlight;
constexpr TColor cl3DDkShadow = clSystemColor | sc3DDkShadow;
constexpr TColor cl3DLight = clSystemColor | sc3DLight;
constexpr TColor clInfoText = clSystemColor | scInfoText;
constexpr TColor clInfoBk = clSystemColor | scInfoBk;
constexpr TColor clHotLight = clSystemColor | scHotLight;
constexpr TColor clGradientActiveCaption = clSystemColor | scGradientActiveCaption;
constexpr TColor clGradientInactiveCaption = clSystemColor | scGradientInactiveCaption;
constexpr TColor clMenuHighlight = clSystemColor | scMenuHighlight;
constexpr TColor clMenuBar = clSystemColor | scMenuBar;

// The one place where colours cross between the two worlds.
// System colours come from the application palette; clNone gives a transparent QColor;
// the palette-relative flag (0x02000000) is ignored.
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color); // alpha dropped
// Real 0x00BBGGRR value (system colours resolved).
TColor ColorToRGB(TColor color);
constexpr TColor RGB(int r, int g, int b) { return TColor(r & 255) | (TColor(g & 255) << 8) | (TColor(b & 255) << 16); }
constexpr int GetRValue(TColor c) { return int(c & 255); }
constexpr int GetGValue(TColor c) { return int((c >> 8) & 255); }
constexpr int GetBValue(TColor c) { return int((c >> 16) & 255); }
// 0xAARRGGBB (opaque) <-> 0x00BBGGRR.
QRgb ColorToQRgb(TColor color);
TColor QRgbToColor(QRgb rgb);

// ---------------------------------------------------------------------------------------------
struct TPoint {
    int X = 0, Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0, cy = 0;
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

// Right and Bottom are exclusive, as in Windows.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(TPoint tl, TPoint br) : Left(tl.X), Top(tl.Y), Right(br.X), Bottom(br.Y) {}
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr TPoint BottomRight() const { return {Right, Bottom}; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int l, int t, int r, int b) { return TRect(l, t, r, b); }
constexpr TRect Bounds(int l, int t, int w, int h) { return TRect(l, t, l + w, t + h); }
constexpr TPoint Point(int x, int y) { return TPoint(x, y); }
// Intersection; false (and an empty result) when they do not meet.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
void InflateRect(TRect& r, int dx, int dy);
void OffsetRect(TRect& r, int dx, int dy);
// Windows MulDiv: a * b / c rounded half away from zero, without overflow in between; -1 when c
// is 0 or the result does not fit.
int MulDiv(int a, int b, int c);

// ---------------------------------------------------------------------------------------------
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    void Assign(const TPen& src) { *this = src; }
    friend bool operator==(const TPen&, const TPen&) = default;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    void Assign(const TBrush& src) { *this = src; }
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

// Font styles are bit flags: Style = fsBold | fsItalic.
using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset MAC_CHARSET = 77;
constexpr TFontCharset SHIFTJIS_CHARSET = 128;
constexpr TFontCharset HANGEUL_CHARSET = 129;
constexpr TFontCharset JOHAB_CHARSET = 130;
constexpr TFontCharset GB2312_CHARSET = 134;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;
constexpr TFontCharset GREEK_CHARSET = 161;
constexpr TFontCharset TURKISH_CHARSET = 162;
constexpr TFontCharset VIETNAMESE_CHARSET = 163;
constexpr TFontCharset HEBREW_CHARSET = 177;
constexpr TFontCharset ARABIC_CHARSET = 178;
constexpr TFontCharset BALTIC_CHARSET = 186;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset THAI_CHARSET = 222;
constexpr TFontCharset EASTEUROPE_CHARSET = 238;
constexpr TFontCharset OEM_CHARSET = 255;

enum TFontPitch { fpDefault, fpVariable, fpFixed };

// Height is the stored value (as in component streams): negative = character height in pixels
// at PixelsPerInch, positive = cell height, 0 = the default size. Size is derived from it.
struct TFont {
    QString Name = QStringLiteral("MS Sans Serif");
    int Height = -11; // 8 points at 96 pixels per inch
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    TFontCharset Charset = DEFAULT_CHARSET;
    TFontPitch Pitch = fpDefault;
    int Orientation = 0; // escapement, tenths of a degree, counter-clockwise
    int PixelsPerInch = 96;

    int Size() const; // points: -MulDiv(Height, 72, PixelsPerInch)
    void SetSize(int points); // Height = -MulDiv(points, PixelsPerInch, 72)
    void Assign(const TFont& src) { *this = src; } // PixelsPerInch included, as a copy
    // The Qt font for drawing at pixel scale 1 (pixel size set from Height, never points).
    QFont ToQFont() const;
    friend bool operator==(const TFont&, const TFont&) = default;
};

// ---------------------------------------------------------------------------------------------
// Raster operations (ROP3 codes); CopyMode takes any of them.
using TCopyMode = uint32_t;
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t SRCPAINT = 0x00EE0086;
constexpr uint32_t SRCAND = 0x008800C6;
constexpr uint32_t SRCINVERT = 0x00660046;
constexpr uint32_t SRCERASE = 0x00440328;
constexpr uint32_t NOTSRCCOPY = 0x00330008;
constexpr uint32_t NOTSRCERASE = 0x001100A6;
constexpr uint32_t MERGECOPY = 0x00C000CA;
constexpr uint32_t MERGEPAINT = 0x00BB0226;
constexpr uint32_t PATCOPY = 0x00F00021;
constexpr uint32_t PATPAINT = 0x00FB0A09;
constexpr uint32_t PATINVERT = 0x005A0049;
constexpr uint32_t DSTINVERT = 0x00550009;
constexpr uint32_t BLACKNESS = 0x00000042;
constexpr uint32_t WHITENESS = 0x00FF0062;
constexpr TCopyMode cmSrcCopy = SRCCOPY, cmSrcPaint = SRCPAINT, cmSrcAnd = SRCAND,
                    cmSrcInvert = SRCINVERT, cmSrcErase = SRCERASE, cmNotSrcCopy = NOTSRCCOPY,
                    cmNotSrcErase = NOTSRCERASE, cmMergeCopy = MERGECOPY, cmMergePaint = MERGEPAINT,
                    cmPatCopy = PATCOPY, cmPatPaint = PATPAINT, cmPatInvert = PATINVERT,
                    cmDstInvert = DSTINVERT, cmBlackness = BLACKNESS, cmWhiteness = WHITENESS;

// DrawText flags.
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_TABSTOP = 0x80;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_EXTERNALLEADING = 0x200;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_INTERNAL = 0x1000;
constexpr unsigned DT_EDITCONTROL = 0x2000;
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_MODIFYSTRING = 0x10000;
constexpr unsigned DT_RTLREADING = 0x20000;
constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;
constexpr unsigned DT_HIDEPREFIX = 0x100000;
constexpr unsigned DT_PREFIXONLY = 0x200000;

// ---------------------------------------------------------------------------------------------
// A canvas draws on one of:
// - a TBitmap (TBitmap::Canvas(); every raster rule applies exactly, in the bitmap's own format),
// - a QPaintDevice (a widget inside its paint event, a QImage, a printer): a painter is opened
//   for each operation,
// - an open QPainter (paint events that already have one); its state is saved and restored
//   around each operation, so its transform (e.g. a printer's 0.1 mm mapping) applies.
// Pen, Brush, Font and CopyMode are plain state of the canvas, kept between operations.
class TCanvas {
public:
    TCanvas();
    explicit TCanvas(QPaintDevice* device);
    explicit TCanvas(QPainter* painter);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    void Attach(QPaintDevice* device);
    void Attach(QPainter* painter);
    void Detach();
    bool HandleAllocated() const;
    QPaintDevice* Device() const;
    // Size of the surface in device pixels; (0, 0) when unattached.
    TSize SurfaceSize() const;

    TPen Pen;
    TBrush Brush;
    TFont Font;
    TCopyMode CopyMode = cmSrcCopy;
    TPoint PenPos;
    // Extra world transform applied to every operation (mapping modes); identity by default.
    QTransform Transform;

    void MoveTo(int x, int y);
    void LineTo(int x, int y); // the end point itself is not drawn
    void Polyline(const std::vector<TPoint>& points);
    void Polygon(const std::vector<TPoint>& points);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void FillRect(const TRect& r);  // with the brush, no outline
    void FrameRect(const TRect& r); // one-pixel frame in the brush colour
    void DrawFocusRect(const TRect& r);

    void TextOut(int x, int y, const QString& text);
    // Text clipped to r, drawn at (x, y); the brush fills r first unless clear.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    int TextHeight(const QString& text) const;
    TSize TextExtent(const QString& text) const;
    // Windows DrawText: DT_ flags. With DT_CALCRECT nothing is drawn and rect.Right/Bottom are
    // set to the text's extent. Without DT_NOPREFIX "&x" draws x underlined and "&&" one '&'.
    // Returns the height of the text.
    int DrawText(const QString& text, TRect& rect, unsigned flags);

    void Draw(int x, int y, const TGraphic* graphic);
    void StretchDraw(const TRect& r, const TGraphic* graphic);
    // Copies srcRect of source into dest with CopyMode (stretched when sizes differ).
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& srcRect);
    // Low-level block copy of an image with a raster operation; negative widths mirror.
    // transparentColor != clNone leaves the pixels of that colour out.
    void BlitImage(const TRect& dest, const QImage& source, const TRect& srcRect, uint32_t rop,
                   TColor transparentColor = clNone);

    TColor Pixel(int x, int y) const; // clNone outside or when unreadable
    void SetPixel(int x, int y, TColor color);

    // The surface as a 32-bit image (copy), for canvases over a bitmap or a QImage.
    QImage Snapshot() const;

private:
    friend class TBitmap;
    explicit TCanvas(TBitmap* owner);

public:
    struct Impl; // internal

private:
    std::unique_ptr<Impl> d;
};
