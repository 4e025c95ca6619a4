#pragma once
// Component streams: the framework's binary form format, as TStream::WriteComponent writes it and
// TStream::ReadComponent reads it, held as a plain tree of typed values. Callers map their objects
// onto the tree; the bytes are this unit's business.
//
// Layout: "TPF0"; then one component: an optional prefix byte 0xF0 | flags (followed by the child
// position when ffChildPos is set), the class name and the component name (length-byte strings),
// the properties (name as a length-byte string, then a value kind byte and its data) up to a
// 0 byte, the child components up to a 0 byte. All numbers are little-endian. A component stream
// carries no overall length: its end is found by parsing it.
//
// Nested properties are flat names with dots, as the format stores them: "Font.Height",
// "Image.Data". Names and texts are bytes in the run's ANSI code page (codepage.h).
//
// Errors. Reading raises EReadError (stream_errors.h) for whatever it cannot take: a missing
// "TPF0", data that ends early, an unknown value kind, a length beyond the bytes that are left,
// nesting deeper than kMaxStreamDepth, more than kMaxStreamNodes values in one stream, a value of
// the wrong kind asked for by an As...() accessor, a picture that cannot be decoded. Nothing is
// allocated beyond the bytes actually present. Writing raises EWriteError for a tree the format
// cannot hold (a name over 255 bytes, an empty property name, an integer outside its kind, ...)
// and for a device that refuses the bytes. The reader never throws anything else for bad data.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

#include "platform/graphics.h"
#include "platform/stream_errors.h"

class QIODevice;
class TPicture;

// Value kinds, numbered as in the stream.
enum TValueType : uint8_t {
    vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
    vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
    vaInt64, vaUTF8String, vaDouble
};

// Filer flags of the component prefix.
constexpr uint8_t ffInherited = 1;
constexpr uint8_t ffChildPos = 2;
constexpr uint8_t ffInline = 4;

// Limits of the reader (the writer keeps to them too).
constexpr int kMaxStreamDepth = 32;       // nested components, lists and collections
constexpr int kMaxStreamNodes = 100000;   // components, properties, values and set elements

struct TStreamProperty;
struct TStreamCollectionItem;

struct TPropertyValue {
    TValueType Type = vaNull;
    int64_t Int = 0;              // vaInt8, vaInt16, vaInt32, vaInt64; vaCurrency (value x 10000)
    QByteArray Bytes;             // vaString, vaLString, vaUTF8String: the text's bytes;
                                  // vaWString: UTF-16LE; vaIdent: the identifier; vaBinary: the
                                  // data; vaSingle, vaDouble, vaDate, vaExtended: the raw 4, 8, 8
                                  // or 10 bytes
    QList<QByteArray> Elements;   // vaSet: the element names in stream order
    std::vector<TPropertyValue> Items;                  // vaList
    std::vector<TStreamCollectionItem> CollectionItems; // vaCollection

    // The kinds the framework's writer picks.
    static TPropertyValue Integer(int64_t value); // vaInt8, vaInt16 or vaInt32, the smallest that
                                                  // holds it; vaInt64 beyond 32 bits
    static TPropertyValue Boolean(bool value);    // vaTrue / vaFalse
    static TPropertyValue String(const QString& text);   // ANSI; vaString up to 255 bytes, else vaLString
    static TPropertyValue AnsiString(const QByteArray& bytes);
    static TPropertyValue Ident(const QByteArray& name); // "False", "True", "Null", "nil" (any case)
                                                         // become vaFalse, vaTrue, vaNull, vaNil
    static TPropertyValue Set(const QList<QByteArray>& names);
    static TPropertyValue Binary(const QByteArray& data);
    static TPropertyValue Extended(double value);
    static TPropertyValue Single(float value);
    static TPropertyValue Double(double value);
    static TPropertyValue List(std::vector<TPropertyValue> items);
    // Properties with an identifier table: the name when the value has one, else an integer.
    static TPropertyValue Color(TColor color);
    static TPropertyValue Charset(TFontCharset charset);
    static TPropertyValue Cursor(int cursor);

    // Reading; a value of another kind raises EReadError("Invalid property value").
    int64_t AsInt64() const;     // any integer kind
    int32_t AsInteger() const;   // any integer kind within 32 bits
    bool AsBoolean() const;      // vaTrue, vaFalse, or the identifiers True/False
    QString AsString() const;    // the four string kinds
    QByteArray AsIdent() const;  // vaIdent; vaFalse, vaTrue, vaNull, vaNil give their names
    QList<QByteArray> AsSet() const;
    QByteArray AsBinary() const;
    double AsFloat() const;      // vaExtended, vaSingle, vaDouble, vaDate; integers too
    TColor AsColor() const;      // colour identifier or integer
    TFontCharset AsCharset() const;
    int AsCursor() const;

    friend bool operator==(const TPropertyValue&, const TPropertyValue&) = default;
};

struct TStreamProperty {
    QByteArray Name; // "Left", "Font.Style"
    TPropertyValue Value;
    friend bool operator==(const TStreamProperty&, const TStreamProperty&) = default;
};

struct TStreamCollectionItem {
    TPropertyValue Index; // vaNull when the item has no index, else an integer kind
    std::vector<TStreamProperty> Properties;
    friend bool operator==(const TStreamCollectionItem&, const TStreamCollectionItem&) = default;
};

struct TStreamComponent {
    uint8_t Flags = 0;     // ffInherited, ffChildPos, ffInline
    int32_t ChildPos = 0;  // stored when Flags has ffChildPos
    QByteArray ClassName;  // "CLabel"
    QByteArray Name;       // the component name
    std::vector<TStreamProperty> Properties; // in stream order
    std::vector<TStreamComponent> Children;

    void Add(const QByteArray& name, const TPropertyValue& value);
    // The property of that name, compared without case as the framework does; of several the
    // last, as reading them one after the other would leave it. nullptr if none.
    const TPropertyValue* Find(const QByteArray& name) const;

    friend bool operator==(const TStreamComponent&, const TStreamComponent&) = default;
};

// "TPF0" and the component. The device variant writes everything at once.
QByteArray WriteComponentStream(const TStreamComponent& component);
void WriteComponentStream(QIODevice& device, const TStreamComponent& component);

// Reads "TPF0" and one component from the device's current position and leaves the device
// just behind it. On an error the device position is undefined.
TStreamComponent ReadComponentStream(QIODevice& device);
// Reads from the start of data; bytes after the component are left alone and their count is not
// an error. *used, when given, receives the length of the component stream.
TStreamComponent ReadComponentStream(const QByteArray& data, qsizetype* used = nullptr);

// Identifier tables of the framework (colour, font character set and cursor names).
bool ColorToIdent(TColor color, QByteArray& ident);
bool IdentToColor(const QByteArray& ident, TColor& color);
bool CharsetToIdent(TFontCharset charset, QByteArray& ident);
bool IdentToCharset(const QByteArray& ident, TFontCharset& charset);
bool CursorToIdent(int cursor, QByteArray& ident);
bool IdentToCursor(const QByteArray& ident, int& cursor);

// A font as TFont streams itself, under prefix ("Font"): prefix.Charset, .Color, .Height, .Name,
// .Pitch (only when not fpDefault) and .Style, in this order.
void AddFontProperties(TStreamComponent& component, const QByteArray& prefix, const TFont& font);
// Takes one TFont property; name is without the prefix ("Height"; "Size" is read too). Returns
// false when TFont has no such property; a bad value raises EReadError.
bool ReadFontProperty(const QByteArray& name, const TPropertyValue& value, TFont& font);

// A picture as TPicture streams itself: the binary property prefix.Data, added only when the
// picture holds a graphic. Its data: the graphic's class name (length byte), then that class's
// own data: for TBitmap and every class derived from it a 32-bit length and a Windows bitmap
// file (length 0 for an empty bitmap), for TJPEGImage a 32-bit length and the JPEG bytes, for any
// other class (TIcon) what its SaveToStream writes.
void AddPictureProperties(TStreamComponent& component, const QByteArray& prefix, const TPicture& picture);
QByteArray EncodePictureData(const TPicture& picture);
// Replaces picture's graphic with the decoded one; an empty class name gives an empty picture.
// An unknown class name or damaged data raises EReadError and leaves picture unchanged.
void DecodePictureData(const QByteArray& data, TPicture& picture);
// Takes one TPicture property ("Data"); false for any other name.
bool ReadPictureProperty(const QByteArray& name, const TPropertyValue& value, TPicture& picture);
