#pragma once
// Graphics: TGraphic (base of every picture class), TBitmap over QImage, TIcon.
// TJPEGImage lives in jpeg_image.h, TPicture and the file-format registry in picture.h;
// both are included at the end of this header.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include "platform/graphics.h"

class QIODevice;

// Raised for a picture that cannot be read or an operation a graphic does not support.
// The text is the one the user is shown.
class EInvalidGraphic : public std::runtime_error {
public:
    explicit EInvalidGraphic(const QString& message) : std::runtime_error(message.toStdString()) {}
    explicit EInvalidGraphic(const char* message) : std::runtime_error(message) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
// Raised for an operation a graphic class does not support (resizing an icon, ...).
class EInvalidGraphicOperation : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Texts of the errors above.
extern const char* const SInvalidBitmap;     // "Bitmap image is not valid"
extern const char* const SInvalidIcon;       // "Icon image is not valid"
extern const char* const SChangeIconSize;    // "Cannot change the size of an icon"
extern const char* const SScanLine;          // "Scan line index out of range"
extern const char* const SUnknownExtension;  // "Unknown picture file extension (.%1)"
extern const char* const SOutOfResources;    // "Out of system resources"

// The largest picture any reader makes, in pixels (a hostile header never allocates more).
// Tests and fuzz targets may lower it.
int64_t GraphicPixelLimit();
void SetGraphicPixelLimit(int64_t pixels);

// A picture that would pass the memory budget below; the text is SOutOfResources unless the
// holder of the budget names the file.
class EOutOfPictureMemory : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Memory for the decoded pictures of one document. While a TPictureMemoryBudget lives, every
// picture the decoders make on its thread is charged against it before its pixels are
// allocated; one that would pass the budget raises EOutOfPictureMemory instead.
class TPictureMemoryBudget {
public:
    explicit TPictureMemoryBudget(uint64_t bytes = DefaultPictureMemoryBudget());
    ~TPictureMemoryBudget();
    TPictureMemoryBudget(const TPictureMemoryBudget&) = delete;
    TPictureMemoryBudget& operator=(const TPictureMemoryBudget&) = delete;

    uint64_t Used() const { return m_used; }
    // 2 GiB, or a quarter of the physical memory when that is less. Tests may set another
    // value; 0 goes back to the computed one.
    static uint64_t DefaultPictureMemoryBudget();
    static void SetDefaultPictureMemoryBudget(uint64_t bytes);

private:
    friend void ChargePictureMemory(int64_t width, int64_t height, int bitsPerPixel);
    uint64_t m_limit;
    uint64_t m_used = 0;
    TPictureMemoryBudget* m_outer;
};
// Called by the decoders before they allocate a picture; nothing happens without a budget.
void ChargePictureMemory(int64_t width, int64_t height, int bitsPerPixel);

class TGraphic {
public:
    TGraphic() = default;
    virtual ~TGraphic();

    // "TBitmap", "TJPEGImage", ...: the class name stored in component streams.
    virtual QString ClassName() const = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    // Takes the picture of src. Unsupported pairs raise EInvalidGraphic
    // ("Cannot assign a <src class> to a <this class>").
    virtual void Assign(const TGraphic& src);

    // Reading: the whole graphic is decoded before anything of this object changes; a failure
    // raises EInvalidGraphic (or the reader's own exception) and leaves the object as it was.
    virtual void LoadFromFile(const QString& fileName);
    virtual void LoadFromStream(QIODevice& stream) = 0;
    // Writing: SaveToFile writes a temporary file and renames it.
    virtual void SaveToFile(const QString& fileName) const;
    virtual void SaveToStream(QIODevice& stream) const = 0;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int w);  // default raises EInvalidGraphicOperation
    virtual void SetHeight(int h); // default raises EInvalidGraphicOperation
    virtual bool Empty() const = 0;

    // Draws the graphic stretched into r (the canvas's CopyMode applies to bitmaps).
    virtual void Draw(TCanvas* canvas, const TRect& r) const = 0;
    // The picture as a 32-bit image (ARGB32; transparent parts with alpha 0 when Transparent).
    virtual QImage ToImage() const = 0;

    virtual bool Transparent() const { return m_transparent; }
    virtual void SetTransparent(bool value);
    bool Modified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }

    std::function<void(TGraphic*)> OnChange;

protected:
    TGraphic(const TGraphic& other) : m_transparent(other.m_transparent) {}
    void Changed();

private:
    bool m_transparent = false;
    bool m_modified = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

// A Windows palette entry and the palette builder the readers use.
struct PALETTEENTRY {
    uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};
// At most 256 entries are taken.
QList<QRgb> CreatePalette(const PALETTEENTRY* entries, int count);

// A device-independent bitmap held in a QImage whose format follows PixelFormat:
// pf1bit Format_Mono (leftmost pixel in the top bit), pf4bit packed nibbles (high nibble first;
// held unpacked as Format_Indexed8 in image()), pf8bit Format_Indexed8, pf15bit Format_RGB555,
// pf16bit Format_RGB16, pf24bit Format_BGR888 (bytes blue, green, red), pf32bit and pfDevice
// Format_RGB32 (bytes blue, green, red, x). Rows start on 32-bit boundaries, as in a DIB.
// A new or resized bitmap is white. Indexed bitmaps always have a colour for every index.
class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap() override;

    QString ClassName() const override { return QStringLiteral("TBitmap"); }
    std::unique_ptr<TGraphic> Clone() const override;
    // Any graphic: a bitmap is copied, other graphics are drawn into a bitmap of their size.
    void Assign(const TGraphic& src) override;

    // A Windows bitmap file ("BM" header) or a packed DIB (header, colours, bits), including
    // core headers, 1/4/8/16/24/32 bits, BI_RLE4, BI_RLE8, BI_BITFIELDS, bottom-up or top-down.
    void LoadFromStream(QIODevice& stream) override;
    void LoadFromData(const QByteArray& data);
    // Writes a Windows bitmap file in the bitmap's own pixel format, bottom-up.
    void SaveToStream(QIODevice& stream) const override;
    QByteArray SaveToData() const;

    int Width() const override;
    int Height() const override;
    void SetWidth(int w) override;
    void SetHeight(int h) override;
    void SetSize(int w, int h); // keeps the top-left content, new area white
    bool Empty() const override;
    void Clear(); // empty, pixel format kept (the Windows "Handle = 0")

    TPixelFormat PixelFormat() const { return m_format; }
    // Converts the pixels. To 1 bit: only white stays white. To 4/8 bits: nearest palette colour.
    void SetPixelFormat(TPixelFormat format);
    bool Monochrome() const { return m_format == pf1bit; }
    void SetMonochrome(bool value); // true: pf1bit black/white; false from mono: pfDevice

    // Palette of an indexed bitmap (2, 16 or 256 entries); empty for other formats.
    QList<QRgb> Palette() const;
    void SetPalette(const QList<QRgb>& colors); // ignored for non-indexed formats

    // Transparent drawing: tmAuto takes the bottom-left pixel's colour.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color); // also sets tmFixed
    TTransparentMode TransparentMode() const { return m_transparentMode; }
    void SetTransparentMode(TTransparentMode mode) { m_transparentMode = mode; }

    // Row y from the top in the pixel format's layout; raises EInvalidGraphic(SScanLine) when
    // y is outside the bitmap. Valid until the next call that changes or draws on the bitmap.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;
    int BytesPerScanLine() const;

    TCanvas* Canvas();

    // The pixels in the bitmap's own QImage format (pf4bit unpacked to Format_Indexed8).
    // Changes made through the reference are kept.
    QImage& image();
    const QImage& image() const;
    // Takes img: Mono/MonoLSB -> pf1bit, Indexed8 -> pf8bit (pf4bit when asFourBit), RGB555 ->
    // pf15bit, RGB16 -> pf16bit, BGR888/RGB888 -> pf24bit, other formats -> pf32bit. A reader
    // moves its picture in, so that it is kept as it is rather than copied.
    void SetImage(QImage img, bool asFourBit = false);
    QImage ToImage() const override;

    void Draw(TCanvas* canvas, const TRect& r) const override;

    // Internal to the drawing layer: the pixels as Format_RGB32 for drawing (write) and reading.
    QImage& Surface();
    const QImage& SurfaceForRead() const;

private:
    void syncImage() const;
    const QImage& drawSource() const;
    // m_work for a bitmap in another format than 32-bit, made from m_img when missing.
    QImage& workCopy() const;
    void dropCaches();
    void allocate(int w, int h, TPixelFormat format);
    void loadFrom(const uint8_t* data, size_t size);

    TPixelFormat m_format = pfDevice;
    TTransparentMode m_transparentMode = tmAuto;
    TColor m_transparentColor = clNone;
    mutable QImage m_img;
    mutable QImage m_work;            // 32-bit drawing surface / read cache for non-32-bit formats
    mutable bool m_workValid = false; // m_work holds the current pixels
    mutable bool m_workDirty = false; // m_work is newer than m_img
    mutable std::vector<uint8_t> m_packed; // pf4bit rows as handed out by ScanLine
    mutable bool m_packedValid = false;
    mutable bool m_packedDirty = false;
    int m_paletteSize = 0;
    std::unique_ptr<TCanvas> m_canvas;
};

// A Windows icon (".ico"): the image of the largest entry (most colours on a tie), with its
// AND mask as transparency. The file's bytes are kept and written back unchanged.
class TIcon : public TGraphic {
public:
    TIcon();
    TIcon(const TIcon& other);
    ~TIcon() override;
    QString ClassName() const override { return QStringLiteral("TIcon"); }
    std::unique_ptr<TGraphic> Clone() const override;
    void Assign(const TGraphic& src) override;
    void LoadFromStream(QIODevice& stream) override;
    void LoadFromData(const QByteArray& data);
    void SaveToStream(QIODevice& stream) const override;
    int Width() const override { return m_img.width(); }
    int Height() const override { return m_img.height(); }
    bool Empty() const override { return m_img.isNull(); }
    void Draw(TCanvas* canvas, const TRect& r) const override;
    QImage ToImage() const override { return m_img; }
    const QImage& image() const { return m_img; }

private:
    QImage m_img; // ARGB32
    QByteArray m_data;
};

#include "platform/jpeg_image.h"
#include "platform/picture.h"
