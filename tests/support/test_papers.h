#pragma once
// The papers of the tests, benchmarks and fuzz targets: A4 sheets with round or rectangle labels.
// Sizes and positions in tenths of a millimetre. Header only and free of gtest, so benchmarks and
// fuzz targets use it as they are.
#include "document/paper_type.h"
#include "platform/guid.h"

#include <QString>
#include <utility>
#include <vector>

namespace testpaper {

// An id of its own for each n; no shipped paper has one of these.
inline TGUID Id(uint8_t n)
{
    TGUID g{};
    g.D1 = 0xC0FFEE00u + n;
    g.D2 = 0x1234;
    g.D3 = 0x5678;
    for (int i = 0; i < 8; ++i)
        g.D4[i] = uint8_t(0x40 + n + i);
    return g;
}

// Round labels of this diameter with a 41 mm hole on an A4 sheet, one at each position.
inline PaperType Discs(const TGUID& id, const QString& name, int32_t diameter, std::vector<PaperShape> positions)
{
    PaperType p;
    p.ID = id;
    p.Name = name;
    p.PaperLength = 2970;
    p.PaperWidth = 2100;
    p.ShapeStyle = ShapeCircle;
    p.ShapeHeight = p.ShapeWidth = diameter;
    p.CoreWidth = 410;
    p.Shapes = std::move(positions);
    p.ShapeCount = int32_t(p.Shapes.size());
    return p;
}

// The benchmarks' sheet: two 117 mm discs one above the other on A4.
inline PaperType TwoDiscsA4(const TGUID& id, const QString& name)
{
    return Discs(id, name, 1170, {{1, 465, 214}, {1, 465, 1598}});
}

// Rectangle labels of width x height on an A4 sheet, one at each position.
inline PaperType Rectangles(const TGUID& id, const QString& name, int32_t width, int32_t height,
                            std::vector<PaperShape> positions)
{
    PaperType p = Discs(id, name, 0, std::move(positions));
    p.ShapeStyle = ShapeRectangle;
    p.ShapeWidth = width;
    p.ShapeHeight = height;
    p.CoreWidth = 0;
    return p;
}

// The texts the new-document dialog sorts and groups by.
inline PaperType WithCatalogueTexts(PaperType p)
{
    p.Manufacturer = QStringLiteral("Maker");
    p.Classification = QStringLiteral("CD/DVD label");
    return p;
}

} // namespace testpaper
