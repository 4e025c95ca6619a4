#pragma once
// Truevision Targa reader and writer: colour-mapped, true-colour and grey images,
// uncompressed or run-length encoded, either row order.
#include "platform/bitmap.h"

#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>

class TTargaGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TTargaGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TTargaGraphic>(*this); }

    void LoadFromStream(QIODevice& stream) override;
    // Resources of the program are its Qt resources (":/Name", ":/ID").
    void LoadFromResourceName(void* instance, const QString& name);
    void LoadFromResourceID(void* instance, int id);

    // Compressed.
    void SaveToStream(QIODevice& stream) const override;
    // A 1- or 4-bit bitmap is written as 8 bits when the user agrees; otherwise nothing is
    // written. Raises EPictureError("Targa: could not write image data") on a short write.
    void SaveToStream(QIODevice& stream, bool compressed) const;

    // The identification text of the last file read, written back with the image.
    QByteArray Identification;
};

// The whole-file decoder and encoder behind the class: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// Decodes a Targa file held in memory into a new image (Indexed8, RGB555, BGR888 or ARGB32).
// Fills identification with the file's identification text and consumed with the bytes the
// picture took. Raises EPictureError("Targa: invalid image") for a damaged file.
QImage DecodeTarga(const uint8_t* data, size_t size, QByteArray* identification = nullptr,
                   size_t* consumed = nullptr);
class PictureSource;
// The same from a file held in memory or read as decoding goes.
QImage DecodeTarga(PictureSource& source, QByteArray* identification = nullptr, size_t* consumed = nullptr);

// Writes image as a top-down Targa file with bytesPerPixel 1 (Indexed8 with its colour table
// as the colour map), 2 (RGB555), 3 (BGR888) or 4 (RGB32/ARGB32, bytes blue, green, red, alpha).
QByteArray EncodeTarga(const QImage& image, int bytesPerPixel, bool compressed, const QByteArray& identification);
} // namespace imgread
