#pragma once
// The paper type record: one pre-cut label sheet with its label positions,
// guide lines, other shapes and auxiliary items. All lengths are tenths of a
// millimetre, measured from the sheet's top-left corner.

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "platform/guid.h"

class TBitmap;

// Byte widths of the stored texts, terminating NUL included.
constexpr int PaperNameSize = 40;
constexpr int PaperManufacturerSize = 25;
constexpr int PaperClassificationSize = 25;
constexpr int PaperDescriptionSize = 256;

struct PaperShape {
    uint8_t Selected = 0;  // non-zero: the page is printed on this position
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const PaperShape&) const = default;
};

struct PaperExtraLine {
    int32_t XFrom = 0;
    int32_t YFrom = 0;
    int32_t XTo = 0;
    int32_t YTo = 0;
    bool operator==(const PaperExtraLine&) const = default;
};

// Shape of a paper's labels (ShapeStyle) and of its other shapes (Style). Stored values
// outside these are kept but draw nothing.
enum TShapeStyle : int32_t {
    ShapeCircle = 0,
    ShapeRectangle = 1,
};

// What a document window shows (PageMode, stored in the document): one label, or the whole
// sheet with every label on it.
enum TPageMode : int32_t {
    PageModeLabel = 0,
    PageModeFull = 1,
};

struct PaperOtherShape {
    uint8_t Style = ShapeCircle;
    int32_t Height = 0;
    int32_t Width = 0;
    int32_t CoreWidth = 0;
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const PaperOtherShape&) const = default;
};

// Kept and written back unchanged; nothing draws or edits these.
struct PaperAuxItem {
    uint8_t Kind = 0;
    int32_t Values[4] = {0, 0, 0, 0};
    bool operator==(const PaperAuxItem&) const = default;
};

// The four counts always equal the sizes of their tables in records made by
// the catalogue's readers and by CopyPaperType; code that resizes a table
// sets its count too.
struct PaperType {
    TGUID ID{};
    QString Name;            // at most PaperNameSize - 1 bytes when stored
    QString Manufacturer;    // PaperManufacturerSize - 1
    QString Classification;  // PaperClassificationSize - 1
    QString Description;     // PaperDescriptionSize - 1, may hold CR LF
    uint8_t UserDefined = 0;
    uint8_t HasPreview = 0;
    uint8_t HasShapeMask = 0;
    int32_t PaperLength = 0;  // sheet height
    int32_t PaperWidth = 0;   // sheet width
    int32_t ShapeCount = 0;
    int32_t ShapeStyle = ShapeCircle;
    int32_t ShapeHeight = 0;
    int32_t ShapeWidth = 0;
    int32_t CoreWidth = 0;    // centre hole diameter, 0 = none
    int32_t ExtraLineCount = 0;
    int32_t OtherShapeCount = 0;
    int32_t AuxCount = 0;
    // Shared between a catalogue record and its copies, so a copy can never
    // refer to a freed picture.
    std::shared_ptr<TBitmap> PreviewBitmap;
    std::shared_ptr<TBitmap> ShapeMaskBitmap;
    std::vector<PaperShape> Shapes;
    std::vector<PaperExtraLine> ExtraLines;
    std::vector<PaperOtherShape> OtherShapes;
    std::vector<PaperAuxItem> AuxItems;
};

// Copies source into destination: ID, texts, flags, sizes, own copies of the
// four tables, and the same bitmaps where the flags ask for them. The whole
// copy is built first; on failure the error is shown, false comes back and
// destination is left as it was.
bool CopyPaperType(const PaperType* source, PaperType* destination);

// Cuts a text to what fits in a stored field of the given byte width
// (NUL included), in the run's code page, never splitting a character.
QString FitPaperText(const QString& text, int byteWidth);

// All known paper types; records are created with new and owned by the list
// (FreePaperCatalogue deletes them).
std::vector<PaperType*>& PaperCatalogue();

// The first catalogue record with this ID, or nullptr.
PaperType* FindPaperType(const TGUID& id);
// The paper a document of this ID is shown on: its catalogue record, or the first catalogue
// paper when the catalogue lacks it (found tells which). nullptr only for an empty catalogue.
const PaperType* PaperOrFirst(const TGUID& id, bool* found = nullptr);
