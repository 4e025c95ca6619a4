#pragma once
// A toolbar button's picture turned into one ready-made transparent image per button state, kept
// in image lists shared by every button whose images have the same size, and the layout and
// drawing of glyph, caption and drop-down arrow.
#include "bars/dock_bar_common.h"
#include "platform/bitmap.h"
#include "platform/graphics.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QPainter;

enum TButtonStateX { bsUp, bsDisabled, bsDown, bsExclusive, bsMouseIn };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A list of same-sized images, each carrying its own mask in its alpha channel.
class TCustomImageList {
public:
    TCustomImageList(int width, int height) : m_width(width), m_height(height) {}
    virtual ~TCustomImageList() = default;
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Count() const { return int(m_images.size()); }
    // Scaled to the list's size when it differs.
    int Add(const QImage& image);
    const QImage& Image(int index) const { return m_images.at(size_t(index)); }
    void Replace(int index, const QImage& image);

protected:
    int m_width, m_height;
    std::vector<QImage> m_images;
};

// Slots of one image size; freed slots are reused, never removed.
class TGlyphList : public TCustomImageList {
public:
    TGlyphList(int width, int height) : TCustomImageList(width, height) {}
    int AllocateIndex();
    // image: at least the list's size (else EInvalidOperation "Invalid image size"); mask: set
    // (non-black) pixels transparent.
    int Add(const QImage& image, const QImage& mask);
    // Pixels of maskColor transparent.
    int AddMasked(const QImage& image, TColor maskColor);
    void Delete(int index);
    int UsedCount() const { return m_count; }
    bool SlotUsed(int index) const
    {
        return index >= 0 && size_t(index) < m_used.size() && m_used[size_t(index)];
    }

private:
    std::vector<bool> m_used;
    int m_count = 0;
};

class TGlyphCache {
public:
    // The last-added list of exactly that size, else a new one.
    TGlyphList* GetList(int width, int height);
    // Frees the list when none of its slots is used.
    void ReturnList(TGlyphList* list);
    bool Empty() const { return m_lists.empty(); }
    int ListCount() const { return int(m_lists.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> m_lists;
};

// The process-wide cache; none while no glyph lives (or the last one left it empty).
TGlyphCache* GlyphCache();

class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const TBitmap& GlyphBitmap() const { return m_glyph; }
    const TBitmap& MaskBitmap() const { return m_mask; }
    void SetGlyph(const TBitmap& bitmap);
    void SetGlyphMask(const TBitmap& bitmap);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int n);
    TCustomImageList* ImageList() const { return m_imageList; }
    void SetImageList(TCustomImageList* list);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    bool OldDisabledStyle() const { return m_oldDisabledStyle; }
    void SetOldDisabledStyle(bool value);
    // The bottom-left pixel of the glyph, palette-relative.
    TColor TransparentColor() const { return m_transparentColor; }
    bool CallDormant = true;
    // The owning button's redraw.
    std::function<void()> OnChange;

    // Drops every built state image.
    void Invalidate();
    // Builds (once) the image of state: (list flag, slot); slot -1 when there is no picture.
    std::pair<bool, int> CreateButtonGlyph(TButtonStateX state);
    // The built image of state, null when there is none.
    QImage StateImage(TButtonStateX state);
    // The list an index of CreateButtonGlyph refers to (none when not held).
    TGlyphList* GlyphList(bool index) const { return m_lists[index ? 1 : 0]; }

    // Where glyph, text and arrow go in client; font measures the caption.
    void CalcButtonLayout(const TFont& font, const TRect& client, TPoint offset, const QString& caption,
                          TButtonLayout layout, int margin, int spacing, bool wordWrap, bool arrowShown,
                          int arrowWidth, bool showGlyph, bool showCaption, TPoint& glyphPos,
                          TRect& textBounds, TPoint& arrowPos) const;
    void Draw(QPainter& p, const TFont& font, const TRect& client, TPoint offset, const QString& caption,
              TButtonLayout layout, int margin, int spacing, bool arrowShown, int arrowWidth,
              TButtonStateX state, TAlignment alignment, bool wordWrap, bool showGlyph, bool showCaption);
    void DrawButtonGlyph(QPainter& p, TPoint pos, TButtonStateX state);
    static void DrawButtonText(QPainter& p, const TFont& font, const QString& caption, const TRect& bounds,
                               TButtonStateX state, TAlignment alignment, bool wordWrap);
    static void DrawButtonDropArrow(QPainter& p, const TFont& font, int x, int y, TButtonStateX state,
                                    int arrowWidth);

private:
    void UpdateNumGlyphs();
    void GlyphChanged(bool fromGlyph);
    QSize ImageSize() const;

    TBitmap m_glyph;
    TBitmap m_mask;
    TGlyphList* m_lists[2] = {nullptr, nullptr};
    int m_indexes[2][5];
    TCustomImageList* m_imageList = nullptr;
    int m_imageIndex = -1;
    int m_numGlyphs = 1;
    bool m_oldDisabledStyle = false;
    TColor m_transparentColor = clNone;
};
