#include "document/paper_type.h"

#include <algorithm>

#include <exception>
#include <functional>

#include "platform/codepage.h"
#include "platform/message_box.h"

bool PaperSizesPrintable(const PaperType& paper)
{
    auto within = [](int32_t v, int32_t least) { return v >= least && v <= MaxSheetDimension; };
    if (!within(paper.PaperWidth, 1) || !within(paper.PaperLength, 1) || !within(paper.ShapeWidth, 1) ||
        !within(paper.ShapeHeight, 1) || !within(paper.CoreWidth, 0))
        return false;
    return std::all_of(paper.Shapes.begin(), paper.Shapes.end(),
                       [&](const PaperShape& s) { return within(s.X, 0) && within(s.Y, 0); });
}

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

size_t TGUIDHash::operator()(const TGUID& id) const
{
    // Generated and name-derived GUIDs are well mixed in every field.
    uint64_t tail = 0;
    for (int i = 0; i < 8; ++i)
        tail = tail << 8 | id.D4[i];
    return std::hash<uint64_t>()(tail ^ (uint64_t(id.D1) << 32 | uint64_t(id.D2) << 16 | id.D3));
}

void TPaperCatalogue::push_back(std::unique_ptr<PaperType> paper)
{
    if (!paper)
        return;
    m_index.try_emplace(paper->ID, paper.get());  // the first record of an ID wins
    m_papers.push_back(std::move(paper));
}

TPaperCatalogue::const_iterator TPaperCatalogue::erase(const_iterator it)
{
    const PaperType* gone = *it;
    const auto entry = m_index.find(gone->ID);
    const bool indexed = entry != m_index.end() && entry->second == gone;
    const TGUID id = gone->ID;
    const auto next = m_papers.erase(it.m_it);
    if (indexed) {
        // A later record of the same ID is found from now on.
        m_index.erase(id);
        for (const auto& p : m_papers)
            if (p->ID == id) {
                m_index.emplace(id, p.get());
                break;
            }
    }
    return const_iterator(next);
}

void TPaperCatalogue::clear()
{
    m_index.clear();
    m_papers.clear();
}

PaperType* TPaperCatalogue::Find(const TGUID& id) const
{
    const auto it = m_index.find(id);
    return it != m_index.end() ? it->second : nullptr;
}

TPaperCatalogue& PaperCatalogue()
{
    static TPaperCatalogue catalogue;
    return catalogue;
}

PaperType* FindPaperType(const TGUID& id)
{
    return PaperCatalogue().Find(id);
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
