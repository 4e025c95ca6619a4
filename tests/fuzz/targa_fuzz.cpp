// Feeds arbitrary bytes to the Targa reader: it must give a picture or its message, nothing
// else, the same from a device as from memory; whatever it reads, the writer must write so
// that the reader gives it back unchanged.
#include "fuzz_target.h"
#include "picture_source_fuzz.h"

#include "imageformats/picture_error.h"
#include "imageformats/targa_graphic.h"
#include "platform/bitmap.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void RoundTrip(const QImage& image, const QByteArray& id)
{
    int bytesPerPixel;
    switch (image.format()) {
    case QImage::Format_Indexed8: bytesPerPixel = 1; break;
    case QImage::Format_RGB555: bytesPerPixel = 2; break;
    case QImage::Format_BGR888: bytesPerPixel = 3; break;
    default: bytesPerPixel = 4; break;
    }
    for (bool compressed : {false, true}) {
        const QByteArray file = imgread::EncodeTarga(image, bytesPerPixel, compressed, id);
        const QImage back = imgread::DecodeTarga(reinterpret_cast<const uint8_t*>(file.constData()), size_t(file.size()));
        if (back != image)
            std::abort();
    }
}

} // namespace

KORVANE_FUZZ_TARGET(targa)
{
    fuzz::ExpectSameFromDevice(
        data, size, [](const uint8_t* d, size_t n) { return imgread::DecodeTarga(d, n); },
        [](imgread::PictureSource& s) { return imgread::DecodeTarga(s); });
    QImage image;
    QByteArray id;
    try {
        image = imgread::DecodeTarga(data, size, &id);
    } catch (const EPictureError&) {
        return 0;
    }
    RoundTrip(image, id);
    return 0;
}
