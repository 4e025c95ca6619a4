#pragma once
// ZSoft PCX reader (also PCC and Word 5.x screen captures): 1-bit, 16-colour in four planes,
// 8-bit and 24-bit in three planes, run-length encoded or not.
#include "platform/bitmap.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>

class TPCXGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TPCXGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TPCXGraphic>(*this); }
    void LoadFromStream(QIODevice& stream) override;
    // The reader does not write PCX.
    void SaveToStream(QIODevice& stream) const override;
};

// The whole-file decoder behind the class: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// Decodes a PCX file held in memory into a new image (Mono, Indexed8 or BGR888). fourBit
// reports a 16-colour image (held as Indexed8). Raises EPictureError with the reader's message.
QImage DecodePCX(const uint8_t* data, size_t size, bool* fourBit = nullptr);
class PictureSource;
// The same from a file held in memory or read as decoding goes.
QImage DecodePCX(PictureSource& source, bool* fourBit = nullptr);
} // namespace imgread
