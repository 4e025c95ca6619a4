#pragma once
// Kodak Photo-CD reader ("pcd"): one of the three smallest resolutions of an image pack.
#include "platform/bitmap.h"

#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <memory>

class TPCDGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TPCDGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPCDGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override;

    // 0: 192 x 128, 1: 384 x 256, 2: 768 x 512 (before rotation).
    uint8_t ResolutionIndex = 2;
};

// The whole-file decoders behind the classes: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// 24-bit (BGR888), turned and flipped as the pack says.
QImage DecodePCD(const uint8_t* data, size_t size, int resolution);
} // namespace imgread
