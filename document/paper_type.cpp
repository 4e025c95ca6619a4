#include "document/paper_type.h"

#include <exception>

#include "platform/codepage.h"
#include "platform/message_box.h"

bool CopyPaperType(const PaperType* source, PaperType* destination)
{
    if (!source || !destination)
        return false;
    if (source == destination)
        return true;
    try {
        PaperType copy;
        copy.ID = source->ID;
        copy.Name = source->Name;
        copy.Manufacturer = source->Manufacturer;
        copy.Classification = source->Classification;
        copy.Description = source->Description;
        copy.UserDefined = source->UserDefined;
        copy.HasPreview = source->HasPreview;
        copy.HasShapeMask = source->HasShapeMask;
        copy.PaperLength = source->PaperLength;
        copy.PaperWidth = source->PaperWidth;
        copy.ShapeStyle = source->ShapeStyle;
        copy.ShapeHeight = source->ShapeHeight;
        copy.ShapeWidth = source->ShapeWidth;
        copy.CoreWidth = source->CoreWidth;
        // The tables are the truth; counts follow them so a copy is never
        // inconsistent even when the source's counts were.
        copy.Shapes = source->Shapes;
        copy.ExtraLines = source->ExtraLines;
        copy.OtherShapes = source->OtherShapes;
        copy.AuxItems = source->AuxItems;
        copy.ShapeCount = int32_t(copy.Shapes.size());
        copy.ExtraLineCount = int32_t(copy.ExtraLines.size());
        copy.OtherShapeCount = int32_t(copy.OtherShapes.size());
        copy.AuxCount = int32_t(copy.AuxItems.size());
        copy.ShapeMaskBitmap = copy.HasShapeMask ? source->ShapeMaskBitmap : nullptr;
        copy.PreviewBitmap = copy.HasPreview ? source->PreviewBitmap : nullptr;
        *destination = std::move(copy);  // cannot fail: moves only
        return true;
    } catch (const std::exception& e) {
        if (Application)
            Application->ShowException(e);
        return false;
    }
}

QString FitPaperText(const QString& text, int byteWidth)
{
    const int limit = byteWidth - 1;
    if (limit <= 0)
        return QString();
    QString result = text;
    if (result.size() > limit) {  // no code page stores a character in less than a byte
        result.truncate(limit);
        // A pair of UTF-16 units is one character: never keep half of it.
        if (result.back().isHighSurrogate())
            result.chop(1);
    }
    while (!result.isEmpty() && ToAnsi(result).size() > limit) {
        int cut = result.size() - 1;
        if (cut > 0 && result.at(cut).isLowSurrogate())
            --cut;
        result.truncate(cut);
    }
    return result;
}

std::vector<PaperType*>& PaperCatalogue()
{
    static std::vector<PaperType*> catalogue;
    return catalogue;
}

PaperType* FindPaperType(const TGUID& id)
{
    for (PaperType* paper : PaperCatalogue())
        if (paper && paper->ID == id)
            return paper;
    return nullptr;
}

const PaperType* PaperOrFirst(const TGUID& id, bool* found)
{
    const PaperType* paper = FindPaperType(id);
    if (found)
        *found = paper != nullptr;
    if (!paper && !PaperCatalogue().empty())
        paper = PaperCatalogue().front();
    return paper;
}
