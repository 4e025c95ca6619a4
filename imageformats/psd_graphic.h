#pragma once
// Photoshop reader ("psd", "pdd"): the merged image, raw or PackBits.
#include "platform/bitmap.h"

#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <memory>

class TPSDGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TPSDGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPSDGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override;
};

// The whole-file decoders behind the classes: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// Bitmap mode to 1-bit; grey, duotone and indexed to 8-bit; RGB, CMYK and L*a*b* to 24-bit;
// multichannel to a blank 24-bit picture of its size. 8 or 16 bits per sample.
QImage DecodePSD(const uint8_t* data, size_t size);
} // namespace imgread
