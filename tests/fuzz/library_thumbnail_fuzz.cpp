// Graphics-library thumbnails: a picture file of any content, named .bmp, .jpg or .gif by the
// first byte, gives a thumbnail or an error, never a crash or a huge allocation.
#include "fuzz_target.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <cstdint>
#include <unistd.h>

#include "document/graphics_library_object.h"
#include "imageformats/picture_formats.h"
#include "platform/file_utils.h"

KORVANE_FUZZ_TARGET(library_thumbnail)
{
    static const bool limited = [] {
        SetGraphicPixelLimit(int64_t(1) << 20); // keep each run small; the check itself is what matters
        FakeInitPictureFormatsLib();
        return true;
    }();
    (void)limited;
    if (size < 1)
        return 0;
    static const char* const extensions[] = {"bmp", "jpg", "gif"};
    const QString path = TempDir() + QStringLiteral("thumbnail-fuzz-%1.%2")
                                         .arg(getpid())
                                         .arg(QString::fromLatin1(extensions[data[0] % 3]));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    }
    try {
        const QImage thumbnail = CGraphicsLibraryObject::MakeThumbnail(path, 65, 65);
        (void)thumbnail;
    } catch (const std::exception&) {
    }
    QFile::remove(path);
    return 0;
}
