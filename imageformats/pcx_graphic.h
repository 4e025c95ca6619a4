#pragma once
// ZSoft PCX reader (also PCC and Word 5.x screen captures): 1-bit, 16-colour in four planes,
// 8-bit and 24-bit in three planes, run-length encoded or not.
#include "platform/bitmap.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

// Decodes a PCX file held in memory into a new image (Mono, Indexed8 or BGR888). FourBit
// reports a 16-colour image (held as Indexed8). Raises EPictureError with the reader's message.
QImage DecodePCX(const uint8_t* Data, size_t Size, bool* FourBit = nullptr);

class TPCXGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TPCXGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override;
    void LoadFromStream(QIODevice& Stream) override;
    // The reader does not write PCX.
    void SaveToStream(QIODevice& Stream) const override;
};
