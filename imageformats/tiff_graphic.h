#pragma once
// TIFF reader: the first image of a file, in strips or tiles, uncompressed, LZW or PackBits,
// with horizontal differencing, samples interleaved or in planes; bilevel, 2-, 4- and 8-bit
// grey and palette, RGB(A), YCbCr, CMYK and CIE L*a*b*.
#include "platform/bitmap.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>

class TTIFFGraphic : public TBitmap {
public:
    TTIFFGraphic();
    QString ClassName() const override { return QStringLiteral("TTIFFGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TTIFFGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override;
    // The reader does not write TIFF.
    void SaveToStream(QIODevice& stream) const override;
    void SaveToTifFile(const QString& fileName, bool compressed) const;
};

// The whole-file decoder behind the class: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// Mono, Indexed8, BGR888 or ARGB32. fourBit reports a 4-bit image (held as Indexed8 with 16
// colours).
QImage DecodeTIFF(const uint8_t* data, size_t size, bool* fourBit = nullptr);
class PictureSource;
// The same from a file held in memory or read as decoding goes.
QImage DecodeTIFF(PictureSource& source, bool* fourBit = nullptr);
} // namespace imgread
