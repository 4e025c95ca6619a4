// For readers that also decode from a device as they read it: the device path must give what
// the whole-file path gives, the same picture or a failure, read through a window small enough
// that reads cross its end.
#pragma once

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_error.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstdlib>

namespace fuzz {

template <class Whole, class FromSource>
void ExpectSameFromDevice(const uint8_t* data, size_t size, Whole whole, FromSource fromSource)
{
    QImage fromMemory, fromDevice;
    bool memoryFailed = false, deviceFailed = false;
    try {
        fromMemory = whole(data, size);
    } catch (const EPictureError&) {
        memoryFailed = true;
    }
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    try {
        imgread::PictureSource source(device, "device", 61);
        fromDevice = fromSource(source);
    } catch (const EPictureError&) {
        deviceFailed = true;
    }
    if (memoryFailed != deviceFailed || fromMemory != fromDevice)
        std::abort();
}

} // namespace fuzz
