#pragma once
// Truevision Targa reader and writer: colour-mapped, true-colour and grey images,
// uncompressed or run-length encoded, either row order.
#include "platform/bitmap.h"

#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>

// Decodes a Targa file held in memory into a new image (Indexed8, RGB555, BGR888 or ARGB32).
// Identification receives the file's identification text, Consumed the bytes the picture
// took. Raises EPictureError("Targa: invalid image") for a damaged file.
QImage DecodeTarga(const uint8_t* Data, size_t Size, QByteArray* Identification = nullptr,
                   size_t* Consumed = nullptr);

// Writes Image as a top-down Targa file with BytesPerPixel 1 (Indexed8 with its colour table
// as the colour map), 2 (RGB555), 3 (BGR888) or 4 (RGB32/ARGB32, bytes blue, green, red, alpha).
QByteArray EncodeTarga(const QImage& Image, int BytesPerPixel, bool Compressed,
                       const QByteArray& Identification);

class TTargaGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TTargaGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override;

    void LoadFromStream(QIODevice& Stream) override;
    // Resources of the program are its Qt resources (":/Name", ":/ID").
    void LoadFromResourceName(void* Instance, const QString& Name);
    void LoadFromResourceID(void* Instance, int ID);

    // Compressed.
    void SaveToStream(QIODevice& Stream) const override;
    // A 1- or 4-bit bitmap is written as 8 bits when the user agrees; otherwise nothing is
    // written. Raises EPictureError("Targa: could not write image data") on a short write.
    void SaveToStream(QIODevice& Stream, bool Compressed) const;

    // The identification text of the last file read, written back with the image.
    QByteArray Identification;
};
