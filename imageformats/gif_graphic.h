#pragma once
// GIF reader ("gif", first image only) and Dr. Halo CUT reader ("cut", colours from a ".pal" side file).
#include "platform/bitmap.h"

#include <QIODevice>
#include <QImage>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <memory>

class TGIFGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TGIFGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TGIFGraphic>(*this); }
    // A file with no image gives an empty 8-bit bitmap.
    void LoadFromStream(QIODevice& stream) override;
};

class TCUTGraphic : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("TCUTGraphic"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TCUTGraphic>(*this); }
    // Takes its colours from the file of the same name with the extension ".pal", found
    // without regard to case; grey without one.
    void LoadFromFile(const QString& fileName) override;
    // From a bare stream there is no side file to trust: the picture is grey.
    void LoadFromStream(QIODevice& stream) override;

private:
    QString FPaletteFile; // set only while LoadFromFile runs
};

// The whole-file decoders behind the classes: the file's bytes in, a new image out, or
// EPictureError with the reader's message.
namespace imgread {
// Indexed8 with the image's colour table (local, else global, else grey).
QImage DecodeGIF(const uint8_t* data, size_t size);
// The same from the device's current position on, read through a window of window bytes while
// decoding goes (a device that cannot seek is read whole first); the device is left at its end.
QImage DecodeGIF(QIODevice& device, size_t window = size_t(64) << 10);
// The CUT palette side file's colours; entries it does not hold stay grey.
QList<QRgb> DecodeCUTPalette(const uint8_t* data, size_t size);
QImage DecodeCUT(const uint8_t* data, size_t size, const QList<QRgb>& palette);
} // namespace imgread
