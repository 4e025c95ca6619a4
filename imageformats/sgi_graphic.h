#pragma once
// SGI readers ("sgi", "rgb", "rgba", "bw") and old-style Autodesk Animator pictures ("pic", "cel").
#include "platform/bitmap.h"

#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <memory>

// SGI images: grey, RGB and RGBA, 8 or 16 bits per sample, raw or run-length encoded.
class TSGIGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TSGIGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TSGIGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override;
};

// Old-style Autodesk Animator pictures: 8-bit with a 256-colour map of 6-bit values.
class TAutodeskGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TAutodeskGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TAutodeskGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override;
};

// The whole-file decoders behind the classes: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// Grey (Indexed8) from the first channel, BGR888 from three, ARGB32 from four; file row 0 is
// the bottom row; 16-bit samples keep their high byte.
QImage DecodeSGI(const uint8_t* data, size_t size);
class PictureSource;
// The same from a file held in memory or read as decoding goes.
QImage DecodeSGI(PictureSource& source);
// Indexed8 with the colour map times four.
QImage DecodeAutodesk(const uint8_t* data, size_t size);
} // namespace imgread
