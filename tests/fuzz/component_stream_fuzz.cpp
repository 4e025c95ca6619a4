// Component stream reader: any input gives a component tree or EReadError. A tree that was read
// is written and read again unchanged, and what the document reader takes from it (fonts,
// pictures, plain values) gives a value or EReadError.
#include "fuzz_target.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "imageformats/picture_formats.h"
#include "platform/bitmap.h"
#include "platform/component_stream.h"

namespace {

void touchValue(const TPropertyValue& v)
{
    auto attempt = [](auto&& f) {
        try {
            f();
        } catch (const EReadError&) {
        }
    };
    attempt([&] { (void)v.AsInteger(); });
    attempt([&] { (void)v.AsBoolean(); });
    attempt([&] { (void)v.AsString(); });
    attempt([&] { (void)v.AsFloat(); });
    attempt([&] { (void)v.AsColor(); });
    attempt([&] { (void)v.AsCharset(); });
    attempt([&] { (void)v.AsCursor(); });
    for (const TPropertyValue& item : v.Items)
        touchValue(item);
}

} // namespace

KORVANE_FUZZ_TARGET(component_stream)
{
    static const bool ready = (InitPictureFormats(), true);
    (void)ready;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    try {
        qsizetype used = 0;
        const TStreamComponent c = ReadComponentStream(bytes, &used);
        if (used < 4 || used > bytes.size())
            abort();
        // Whatever was read can be written, and reads back as the same tree.
        const QByteArray again = WriteComponentStream(c);
        const TStreamComponent c2 = ReadComponentStream(again);
        if (!(c2 == c) || WriteComponentStream(c2) != again)
            abort();

        TFont font;
        TPicture picture;
        for (const TStreamProperty& p : c.Properties) {
            try {
                if (p.Name.startsWith("Font."))
                    ReadFontProperty(p.Name.mid(5), p.Value, font);
                else if (p.Name.startsWith("Image."))
                    ReadPictureProperty(p.Name.mid(6), p.Value, picture);
                else
                    touchValue(p.Value);
            } catch (const EReadError&) {
            }
        }
        if (!picture.Empty())
            (void)picture.Graphic()->ToImage();
    } catch (const EReadError&) {
    }

    // The picture data on its own, as a binary property holds it.
    try {
        TPicture picture;
        DecodePictureData(bytes, picture);
        if (!picture.Empty())
            (void)picture.Graphic()->ToImage();
    } catch (const EReadError&) {
    }
    return 0;
}
