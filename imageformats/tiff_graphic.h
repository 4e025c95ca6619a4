#pragma once
// TIFF reader: the first image of a file, in strips, uncompressed, LZW or PackBits, with
// horizontal differencing; grey, palette, RGB(A), YCbCr, CMYK and CIE L*a*b*.
#include "platform/bitmap.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

// Decodes a whole TIFF file held in memory into a new image (Mono, Indexed8, BGR888 or
// ARGB32). FourBit reports a 4-bit image (held as Indexed8 with 16 colours).
// Raises EPictureError with the reader's message.
QImage DecodeTIFF(const uint8_t* Data, size_t Size, bool* FourBit = nullptr);

class TTIFFGraphic : public TBitmap {
public:
    TTIFFGraphic();
    QString ClassName() const override { return QStringLiteral("TTIFFGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override;
    void LoadFromStream(QIODevice& Stream) override;
    // The reader does not write TIFF.
    void SaveToStream(QIODevice& Stream) const override;
    void SaveToTifFile(const QString& FileName, bool Compressed) const;
};
