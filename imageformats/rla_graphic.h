#pragma once
// Wavefront RLA/RPF reader ("rla", "rpf"): RGB with an optional matte channel.
#include "platform/bitmap.h"

#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <memory>

class TRLAGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TRLAGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TRLAGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override;
};

// The whole-file decoders behind the classes: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// BGR888, or ARGB32 with the matte as alpha.
QImage DecodeRLA(const uint8_t* data, size_t size);
} // namespace imgread
