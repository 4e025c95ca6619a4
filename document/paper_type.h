#pragma once
// The paper type record: one pre-cut label sheet with its label positions,
// guide lines, other shapes and auxiliary items. All lengths are tenths of a
// millimetre, measured from the sheet's top-left corner.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <unordered_map>
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

// The largest size or position on a sheet, in tenths of a millimetre: a metre, more than any
// printer takes.
constexpr int32_t MaxSheetDimension = 10000;
// Paper width and length and shape width and height from 1, the core width and the label
// positions from 0, each at most MaxSheetDimension: a paper a printer can take.
bool PaperSizesPrintable(const PaperType& paper);

// Copies source into destination: ID, texts, flags, sizes, own copies of the
// four tables, and the same bitmaps where the flags ask for them. The whole
// copy is built first; on failure the error is shown, false comes back and
// destination is left as it was.
bool CopyPaperType(const PaperType* source, PaperType* destination);

// Cuts a text to what fits in a stored field of the given byte width
// (NUL included), in the run's code page, never splitting a character.
QString FitPaperText(const QString& text, int byteWidth);

// Hash of a GUID for unordered containers.
struct TGUIDHash {
    size_t operator()(const TGUID& id) const;
};

// All known paper types in catalogue order. The list owns its records and
// keeps an index by ID, so a lookup costs the same whatever its size. A
// record's ID is its identity: it never changes while the record is listed.
class TPaperCatalogue {
    using Storage = std::vector<std::unique_ptr<PaperType>>;

public:
    // Walks the records as plain pointers, in order.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = PaperType*;
        using difference_type = std::ptrdiff_t;
        using pointer = PaperType* const*;
        using reference = PaperType*;

        const_iterator() = default;
        PaperType* operator*() const { return m_it->get(); }
        PaperType* operator[](difference_type n) const { return m_it[n].get(); }
        const_iterator& operator++() { ++m_it; return *this; }
        const_iterator operator++(int) { return const_iterator(m_it++); }
        const_iterator& operator--() { --m_it; return *this; }
        const_iterator operator--(int) { return const_iterator(m_it--); }
        const_iterator& operator+=(difference_type n) { m_it += n; return *this; }
        const_iterator& operator-=(difference_type n) { m_it -= n; return *this; }
        friend const_iterator operator+(const_iterator a, difference_type n) { return a += n; }
        friend const_iterator operator+(difference_type n, const_iterator a) { return a += n; }
        friend const_iterator operator-(const_iterator a, difference_type n) { return a -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.m_it - b.m_it; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_it == b.m_it; }
        friend bool operator!=(const const_iterator& a, const const_iterator& b) { return a.m_it != b.m_it; }
        friend bool operator<(const const_iterator& a, const const_iterator& b) { return a.m_it < b.m_it; }
        friend bool operator>(const const_iterator& a, const const_iterator& b) { return a.m_it > b.m_it; }
        friend bool operator<=(const const_iterator& a, const const_iterator& b) { return a.m_it <= b.m_it; }
        friend bool operator>=(const const_iterator& a, const const_iterator& b) { return a.m_it >= b.m_it; }

    private:
        friend class TPaperCatalogue;
        explicit const_iterator(Storage::const_iterator it) : m_it(it) {}
        Storage::const_iterator m_it;
    };
    using iterator = const_iterator;

    const_iterator begin() const { return const_iterator(m_papers.begin()); }
    const_iterator end() const { return const_iterator(m_papers.end()); }
    size_t size() const { return m_papers.size(); }
    bool empty() const { return m_papers.empty(); }
    PaperType* operator[](size_t i) const { return m_papers[i].get(); }
    PaperType* front() const { return m_papers.front().get(); }
    PaperType* back() const { return m_papers.back().get(); }

    // Appends the record; an ID already listed keeps finding the earlier one.
    void push_back(std::unique_ptr<PaperType> paper);
    // Frees the record at it; returns the position after it.
    const_iterator erase(const_iterator it);
    // Frees every record.
    void clear();

    // The first record with this ID, or nullptr.
    PaperType* Find(const TGUID& id) const;

private:
    Storage m_papers;
    std::unordered_map<TGUID, PaperType*, TGUIDHash> m_index;
};

TPaperCatalogue& PaperCatalogue();

// The first catalogue record with this ID, or nullptr: PaperCatalogue().Find(id).
PaperType* FindPaperType(const TGUID& id);
// The paper a document of this ID is shown on: its catalogue record, or the first catalogue
// paper when the catalogue lacks it (found tells which). nullptr only for an empty catalogue.
const PaperType* PaperOrFirst(const TGUID& id, bool* found = nullptr);
