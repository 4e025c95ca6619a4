#pragma once
// Portable bitmap, grey map and pixel map reader ("pbm", "pgm", "ppm"): P1 to P6.
#include "platform/bitmap.h"

#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <memory>

class TPPMGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TPPMGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPPMGraphic>(*this); }
    // Variants other than P1 to P6 give an empty bitmap.
    void LoadFromStream(QIODevice& stream) override;
};

// The whole-file decoders behind the classes: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// P1/P4 to 1-bit (0 white, 1 black), P2/P5 to 8-bit grey, P3/P6 to 24-bit. Maximum values
// other than 255 are scaled to 8 bits; above 255 raw samples take two bytes. Other variants
// give a null image.
QImage DecodePPM(const uint8_t* data, size_t size);
} // namespace imgread
