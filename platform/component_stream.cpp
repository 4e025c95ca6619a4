#include "platform/component_stream.h"

#include <QBuffer>
#include <QIODevice>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/bitmap.h"
#include "platform/byte_order.h"
#include "platform/codepage.h"
#include "platform/cursors.h"
#include "platform/jpeg_image.h"
#include "platform/picture.h"
#include "platform/same_text.h"

namespace {

const char kSignature[4] = {'T', 'P', 'F', '0'};
const char* const SInvalidPropertyValue = "Invalid property value";

[[noreturn]] void invalidValue()
{
    throw EReadError(SInvalidPropertyValue);
}

// ---------------------------------------------------------------------------------------------
// Identifier tables. Writing uses the first entry of a value; reading takes every name, the
// later framework names included.

struct IdentEntry {
    int64_t value;
    const char* name;
    bool written; // false: read only (names newer framework versions write)
};

const IdentEntry kColors[] = {
    {clBlack, "clBlack", true}, {clMaroon, "clMaroon", true}, {clGreen, "clGreen", true},
    {clOlive, "clOlive", true}, {clNavy, "clNavy", true}, {clPurple, "clPurple", true},
    {clTeal, "clTeal", true}, {clGray, "clGray", true}, {clSilver, "clSilver", true},
    {clRed, "clRed", true}, {clLime, "clLime", true}, {clYellow, "clYellow", true},
    {clBlue, "clBlue", true}, {clFuchsia, "clFuchsia", true}, {clAqua, "clAqua", true},
    {clWhite, "clWhite", true},
    {clScrollBar, "clScrollBar", true}, {clBackground, "clBackground", true},
    {clActiveCaption, "clActiveCaption", true}, {clInactiveCaption, "clInactiveCaption", true},
    {clMenu, "clMenu", true}, {clWindow, "clWindow", true}, {clWindowFrame, "clWindowFrame", true},
    {clMenuText, "clMenuText", true}, {clWindowText, "clWindowText", true},
    {clCaptionText, "clCaptionText", true}, {clActiveBorder, "clActiveBorder", true},
    {clInactiveBorder, "clInactiveBorder", true}, {clAppWorkSpace, "clAppWorkSpace", true},
    {clHighlight, "clHighlight", true}, {clHighlightText, "clHighlightText", true},
    {clBtnFace, "clBtnFace", true}, {clBtnShadow, "clBtnShadow", true},
    {clGrayText, "clGrayText", true}, {clBtnText, "clBtnText", true},
    {clInactiveCaptionText, "clInactiveCaptionText", true},
    {clBtnHighlight, "clBtnHighlight", true}, {cl3DDkShadow, "cl3DDkShadow", true},
    {cl3DLight, "cl3DLight", true}, {clInfoText, "clInfoText", true}, {clInfoBk, "clInfoBk", true},
    {clNone, "clNone", true}, {clDefault, "clDefault", true},
    {0xC0DCC0, "clMoneyGreen", false}, {0xF0CAA6, "clSkyBlue", false},
    {0xF0FBFF, "clCream", false}, {0xA4A0A0, "clMedGray", false},
    {clHotLight, "clHotLight", false},
    {clGradientActiveCaption, "clGradientActiveCaption", false},
    {clGradientInactiveCaption, "clGradientInactiveCaption", false},
    {clMenuHighlight, "clMenuHighlight", false}, {clMenuBar, "clMenuBar", false},
};

const IdentEntry kCharsets[] = {
    {ANSI_CHARSET, "ANSI_CHARSET", true}, {DEFAULT_CHARSET, "DEFAULT_CHARSET", true},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET", true}, {MAC_CHARSET, "MAC_CHARSET", true},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET", true}, {HANGEUL_CHARSET, "HANGEUL_CHARSET", true},
    {JOHAB_CHARSET, "JOHAB_CHARSET", true}, {GB2312_CHARSET, "GB2312_CHARSET", true},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET", true}, {GREEK_CHARSET, "GREEK_CHARSET", true},
    {TURKISH_CHARSET, "TURKISH_CHARSET", true}, {HEBREW_CHARSET, "HEBREW_CHARSET", true},
    {ARABIC_CHARSET, "ARABIC_CHARSET", true}, {BALTIC_CHARSET, "BALTIC_CHARSET", true},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET", true}, {THAI_CHARSET, "THAI_CHARSET", true},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET", true}, {OEM_CHARSET, "OEM_CHARSET", true},
    {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET", false},
};

const IdentEntry kCursors[] = {
    {crDefault, "crDefault", true}, {crArrow, "crArrow", true}, {crCross, "crCross", true},
    {crIBeam, "crIBeam", true}, {crSize, "crSize", true}, {crSizeNESW, "crSizeNESW", true},
    {crSizeNS, "crSizeNS", true}, {crSizeNWSE, "crSizeNWSE", true}, {crSizeWE, "crSizeWE", true},
    {crUpArrow, "crUpArrow", true}, {crHourGlass, "crHourGlass", true}, {crDrag, "crDrag", true},
    {crNoDrop, "crNoDrop", true}, {crHSplit, "crHSplit", true}, {crVSplit, "crVSplit", true},
    {crMultiDrag, "crMultiDrag", true}, {crSQLWait, "crSQLWait", true}, {crNo, "crNo", true},
    {crAppStart, "crAppStart", true}, {crHelp, "crHelp", true}, {crHandPoint, "crHandPoint", true},
    {crSizeAll, "crSizeAll", true}, {crNone, "crNone", false},
};

template <size_t N>
bool toIdent(const IdentEntry (&table)[N], int64_t value, QByteArray& ident)
{
    for (const IdentEntry& e : table)
        if (e.written && e.value == value) {
            ident = e.name;
            return true;
        }
    return false;
}

template <typename T, size_t N>
bool fromIdent(const IdentEntry (&table)[N], const QByteArray& ident, T& value)
{
    for (const IdentEntry& e : table)
        if (SameText(ident, e.name)) {
            value = T(e.value);
            return true;
        }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Little-endian helpers.

void put8(QByteArray& out, uint8_t v) { out.append(char(v)); }
void put16(QByteArray& out, uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}
void put32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}
void put64(QByteArray& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// 80-bit x87 extended <-> double.
QByteArray extendedFromDouble(double d)
{
    uint64_t mant = 0;
    uint16_t se = std::signbit(d) ? 0x8000 : 0;
    if (std::isnan(d)) {
        mant = 0xC000000000000000ull;
        se |= 0x7FFF;
    } else if (std::isinf(d)) {
        mant = 0x8000000000000000ull;
        se |= 0x7FFF;
    } else if (d != 0) {
        int e = 0;
        const double m = std::frexp(std::fabs(d), &e); // [0.5, 1)
        mant = uint64_t(std::ldexp(m, 64));
        se |= uint16_t(e - 1 + 16383);
    }
    QByteArray out;
    put64(out, mant);
    put16(out, se);
    return out;
}

double doubleFromExtended(const QByteArray& b)
{
    const uint64_t mant = ReadLE64(b.constData());
    const uint16_t se = ReadLE16(b.constData() + 8);
    const bool negative = se & 0x8000;
    const int exp = se & 0x7FFF;
    double d;
    if (exp == 0x7FFF)
        d = (mant << 1) == 0 ? std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN();
    else if (mant == 0)
        d = 0;
    else
        d = std::ldexp(double(mant), (exp == 0 ? 1 : exp) - 16383 - 63);
    return negative ? -d : d;
}

// ---------------------------------------------------------------------------------------------
// Reader.

class Reader {
public:
    explicit Reader(QIODevice& device) : m_dev(device) {}

    TStreamComponent readStream()
    {
        const QByteArray sig = rawBytes(4, false);
        if (std::memcmp(sig.constData(), kSignature, 4) != 0)
            throw EReadError("Invalid stream format: the component stream does not start with TPF0");
        return readComponent(byte(), 1);
    }

    qint64 consumed() const { return m_consumed; }

private:
    [[noreturn]] void truncated(qint64 at) const
    {
        throw EReadError(QStringLiteral("Stream read error: the component stream ends early (offset %1)").arg(at));
    }
    [[noreturn]] void format(const QString& what, qint64 at) const
    {
        throw EReadError(QStringLiteral("Invalid stream format: %1 at offset %2").arg(what).arg(at));
    }

    void node()
    {
        if (++m_nodes > kMaxStreamNodes)
            throw EReadError(QStringLiteral("Invalid stream format: more than %1 values in one component stream").arg(kMaxStreamNodes));
    }
    void enter(int depth) const
    {
        if (depth > kMaxStreamDepth)
            format(QStringLiteral("nesting deeper than %1 levels").arg(kMaxStreamDepth), m_consumed);
    }

    uint8_t byte()
    {
        char c;
        if (!m_dev.getChar(&c))
            truncated(m_consumed);
        ++m_consumed;
        return uint8_t(c);
    }

    // n bytes; a length read from the stream is checked against what is left before anything
    // is allocated, and a sequential device is read in bounded steps.
    QByteArray rawBytes(int64_t n, bool fromLength)
    {
        const qint64 at = m_consumed;
        if (n < 0)
            format(QStringLiteral("negative length %1").arg(n), at);
        if (!m_dev.isSequential()) {
            // A file's size costs a system call: it is asked again only when it falls short.
            if (m_size < 0 || n > m_size - m_dev.pos())
                m_size = m_dev.size();
            const qint64 left = std::max<qint64>(0, m_size - m_dev.pos());
            if (n > left) {
                if (fromLength)
                    format(QStringLiteral("length %1 exceeds the %2 bytes left").arg(n).arg(left), at);
                truncated(at + left);
            }
        }
        QByteArray out;
        constexpr int64_t kStep = 1 << 20;
        while (int64_t(out.size()) < n) {
            const int64_t want = std::min<int64_t>(kStep, n - out.size());
            const QByteArray part = m_dev.read(want);
            out.append(part);
            if (part.size() < want) {
                m_consumed += out.size();
                truncated(m_consumed);
            }
        }
        m_consumed += n;
        return out;
    }

    int64_t fixed(int n)
    {
        const QByteArray b = rawBytes(n, false);
        switch (n) {
        case 1: return int8_t(b[0]);
        case 2: return int16_t(ReadLE16(b.constData()));
        case 4: return int32_t(ReadLE32(b.constData()));
        default: return int64_t(ReadLE64(b.constData()));
        }
    }

    QByteArray shortString(uint8_t length) { return rawBytes(length, false); }
    QByteArray shortString() { return shortString(byte()); }

    int32_t integer()
    {
        const qint64 at = m_consumed;
        switch (byte()) {
        case vaInt8: return int32_t(fixed(1));
        case vaInt16: return int32_t(fixed(2));
        case vaInt32: return int32_t(fixed(4));
        default: format(QStringLiteral("an integer was expected"), at);
        }
    }

    // first: the component's first byte, its prefix or the length of its class name.
    TStreamComponent readComponent(uint8_t first, int depth)
    {
        enter(depth);
        node();
        TStreamComponent c;
        uint8_t b = first;
        if ((b & 0xF0) == 0xF0) {
            c.Flags = b & 0x0F;
            if (c.Flags & ffChildPos)
                c.ChildPos = integer();
            b = byte();
        }
        c.ClassName = shortString(b);
        c.Name = shortString();
        for (;;) {
            const uint8_t len = byte();
            if (len == 0)
                break;
            node();
            TStreamProperty p;
            p.Name = shortString(len);
            p.Value = readValue(depth);
            c.Properties.push_back(std::move(p));
        }
        for (;;) {
            const uint8_t next = byte();
            if (next == 0)
                break;
            c.Children.push_back(readComponent(next, depth + 1));
        }
        return c;
    }

    TPropertyValue readValue(int depth) { return readValueOfKind(byte(), depth); }

    TPropertyValue readValueOfKind(uint8_t kind, int depth)
    {
        const qint64 at = m_consumed - 1;
        node();
        TPropertyValue v;
        v.Type = TValueType(kind);
        switch (kind) {
        case vaNull: case vaNil: case vaFalse: case vaTrue:
            break;
        case vaInt8: v.Int = fixed(1); break;
        case vaInt16: v.Int = fixed(2); break;
        case vaInt32: v.Int = fixed(4); break;
        case vaInt64: case vaCurrency: v.Int = fixed(8); break;
        case vaExtended: v.Bytes = rawBytes(10, false); break;
        case vaSingle: v.Bytes = rawBytes(4, false); break;
        case vaDouble: case vaDate: v.Bytes = rawBytes(8, false); break;
        case vaString: case vaIdent: v.Bytes = shortString(); break;
        case vaLString: case vaUTF8String: case vaBinary: v.Bytes = rawBytes(fixed(4), true); break;
        case vaWString: v.Bytes = rawBytes(fixed(4) * 2, true); break;
        case vaSet:
            for (;;) {
                QByteArray s = shortString();
                if (s.isEmpty())
                    break;
                node();
                v.Elements.append(std::move(s));
            }
            break;
        case vaList:
            enter(depth + 1);
            for (;;) {
                const uint8_t k = byte();
                if (k == vaNull)
                    break;
                v.Items.push_back(readValueOfKind(k, depth + 1));
            }
            break;
        case vaCollection:
            enter(depth + 1);
            for (;;) {
                uint8_t k = byte();
                if (k == vaNull)
                    break;
                node();
                TStreamCollectionItem item;
                if (k == vaInt8 || k == vaInt16 || k == vaInt32) {
                    item.Index = readValueOfKind(k, depth + 1);
                    k = byte();
                }
                if (k != vaList)
                    format(QStringLiteral("a collection item was expected"), m_consumed - 1);
                for (;;) {
                    const uint8_t len = byte();
                    if (len == 0)
                        break;
                    node();
                    TStreamProperty p;
                    p.Name = shortString(len);
                    p.Value = readValue(depth + 1);
                    item.Properties.push_back(std::move(p));
                }
                v.CollectionItems.push_back(std::move(item));
            }
            break;
        default:
            format(QStringLiteral("unknown value kind %1").arg(kind), at);
        }
        return v;
    }

    QIODevice& m_dev;
    qint64 m_consumed = 0;
    qint64 m_size = -1; // the device's size when last asked
    int m_nodes = 0;
};

// ---------------------------------------------------------------------------------------------
// Writer.

class Writer {
public:
    QByteArray out;

    void component(const TStreamComponent& c, int depth)
    {
        check(depth <= kMaxStreamDepth, "the components are nested too deeply");
        const uint8_t flags = c.Flags & 0x0F;
        check(flags == c.Flags, "unknown filer flags");
        // Without a prefix in front, a class name of 240 bytes or more would read as one, and an
        // empty class name of a child as the end of the child list.
        if (flags != 0 || c.ClassName.isEmpty() || c.ClassName.size() >= 0xF0) {
            put8(out, 0xF0 | flags);
            if (flags & ffChildPos)
                integer(c.ChildPos);
        }
        shortString(c.ClassName, "class name");
        shortString(c.Name, "component name");
        properties(c.Properties, depth); // with its end marker
        for (const TStreamComponent& child : c.Children)
            component(child, depth + 1);
        put8(out, 0);
    }

private:
    static void check(bool ok, const char* what)
    {
        if (!ok)
            throw EWriteError(QStringLiteral("Stream write error: %1").arg(QLatin1String(what)));
    }

    void shortString(const QByteArray& s, const char* what)
    {
        check(s.size() <= 255, what);
        put8(out, uint8_t(s.size()));
        out.append(s);
    }

    void longBytes(const QByteArray& s, int64_t count)
    {
        check(count <= std::numeric_limits<int32_t>::max(), "a value is longer than 2 GB");
        put32(out, uint32_t(count));
        out.append(s);
    }

    void integer(int64_t v) { value(TPropertyValue::Integer(v), 1); }

    void properties(const std::vector<TStreamProperty>& props, int depth)
    {
        for (const TStreamProperty& p : props) {
            check(!p.Name.isEmpty(), "a property has no name");
            shortString(p.Name, "property name");
            value(p.Value, depth);
        }
        put8(out, 0);
    }

    void value(const TPropertyValue& v, int depth)
    {
        put8(out, v.Type);
        switch (v.Type) {
        case vaNull: case vaNil: case vaFalse: case vaTrue:
            break;
        case vaInt8:
            check(v.Int >= INT8_MIN && v.Int <= INT8_MAX, "an integer does not fit its kind");
            put8(out, uint8_t(v.Int));
            break;
        case vaInt16:
            check(v.Int >= INT16_MIN && v.Int <= INT16_MAX, "an integer does not fit its kind");
            put16(out, uint16_t(v.Int));
            break;
        case vaInt32:
            check(v.Int >= INT32_MIN && v.Int <= INT32_MAX, "an integer does not fit its kind");
            put32(out, uint32_t(v.Int));
            break;
        case vaInt64: case vaCurrency:
            put64(out, uint64_t(v.Int));
            break;
        case vaExtended:
            check(v.Bytes.size() == 10, "an extended value needs 10 bytes");
            out.append(v.Bytes);
            break;
        case vaSingle:
            check(v.Bytes.size() == 4, "a single value needs 4 bytes");
            out.append(v.Bytes);
            break;
        case vaDouble: case vaDate:
            check(v.Bytes.size() == 8, "a double value needs 8 bytes");
            out.append(v.Bytes);
            break;
        case vaString: case vaIdent:
            shortString(v.Bytes, "a short string is longer than 255 bytes");
            break;
        case vaLString: case vaUTF8String: case vaBinary:
            longBytes(v.Bytes, v.Bytes.size());
            break;
        case vaWString:
            check(v.Bytes.size() % 2 == 0, "a wide string has an odd number of bytes");
            longBytes(v.Bytes, v.Bytes.size() / 2);
            break;
        case vaSet:
            for (const QByteArray& e : v.Elements) {
                check(!e.isEmpty(), "a set element has no name");
                shortString(e, "set element name");
            }
            put8(out, 0);
            break;
        case vaList:
            check(depth + 1 <= kMaxStreamDepth, "the values are nested too deeply");
            for (const TPropertyValue& item : v.Items)
                value(item, depth + 1);
            put8(out, vaNull);
            break;
        case vaCollection:
            check(depth + 1 <= kMaxStreamDepth, "the values are nested too deeply");
            for (const TStreamCollectionItem& item : v.CollectionItems) {
                if (item.Index.Type != vaNull) {
                    check(item.Index.Type == vaInt8 || item.Index.Type == vaInt16 || item.Index.Type == vaInt32,
                          "a collection index is not an integer");
                    value(item.Index, depth + 1);
                }
                put8(out, vaList);
                properties(item.Properties, depth + 1);
            }
            put8(out, vaNull);
            break;
        default:
            check(false, "unknown value kind");
        }
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TPropertyValue

TPropertyValue TPropertyValue::Integer(int64_t value)
{
    TPropertyValue v;
    v.Int = value;
    if (value >= INT8_MIN && value <= INT8_MAX)
        v.Type = vaInt8;
    else if (value >= INT16_MIN && value <= INT16_MAX)
        v.Type = vaInt16;
    else if (value >= INT32_MIN && value <= INT32_MAX)
        v.Type = vaInt32;
    else
        v.Type = vaInt64;
    return v;
}

TPropertyValue TPropertyValue::Boolean(bool value)
{
    TPropertyValue v;
    v.Type = value ? vaTrue : vaFalse;
    return v;
}

TPropertyValue TPropertyValue::String(const QString& text)
{
    return AnsiString(ToAnsi(text));
}

TPropertyValue TPropertyValue::AnsiString(const QByteArray& bytes)
{
    TPropertyValue v;
    v.Type = bytes.size() <= 255 ? vaString : vaLString;
    v.Bytes = bytes;
    return v;
}

TPropertyValue TPropertyValue::Ident(const QByteArray& name)
{
    TPropertyValue v;
    if (SameText(name, "False"))
        v.Type = vaFalse;
    else if (SameText(name, "True"))
        v.Type = vaTrue;
    else if (SameText(name, "Null"))
        v.Type = vaNull;
    else if (SameText(name, "nil"))
        v.Type = vaNil;
    else {
        v.Type = vaIdent;
        v.Bytes = name;
    }
    return v;
}

TPropertyValue TPropertyValue::Set(const QList<QByteArray>& names)
{
    TPropertyValue v;
    v.Type = vaSet;
    v.Elements = names;
    return v;
}

TPropertyValue TPropertyValue::Binary(const QByteArray& data)
{
    TPropertyValue v;
    v.Type = vaBinary;
    v.Bytes = data;
    return v;
}

TPropertyValue TPropertyValue::Extended(double value)
{
    TPropertyValue v;
    v.Type = vaExtended;
    v.Bytes = extendedFromDouble(value);
    return v;
}

TPropertyValue TPropertyValue::Single(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    TPropertyValue v;
    v.Type = vaSingle;
    put32(v.Bytes, bits);
    return v;
}

TPropertyValue TPropertyValue::Double(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    TPropertyValue v;
    v.Type = vaDouble;
    put64(v.Bytes, bits);
    return v;
}

TPropertyValue TPropertyValue::List(std::vector<TPropertyValue> items)
{
    TPropertyValue v;
    v.Type = vaList;
    v.Items = std::move(items);
    return v;
}

TPropertyValue TPropertyValue::Color(TColor color)
{
    QByteArray ident;
    if (ColorToIdent(color, ident))
        return Ident(ident);
    return Integer(int32_t(color));
}

TPropertyValue TPropertyValue::Charset(TFontCharset charset)
{
    QByteArray ident;
    if (CharsetToIdent(charset, ident))
        return Ident(ident);
    return Integer(charset);
}

TPropertyValue TPropertyValue::Cursor(int cursor)
{
    QByteArray ident;
    if (CursorToIdent(cursor, ident))
        return Ident(ident);
    return Integer(cursor);
}

int64_t TPropertyValue::AsInt64() const
{
    switch (Type) {
    case vaInt8: case vaInt16: case vaInt32: case vaInt64: return Int;
    default: invalidValue();
    }
}

int32_t TPropertyValue::AsInteger() const
{
    const int64_t v = AsInt64();
    if (v < INT32_MIN || v > INT32_MAX)
        invalidValue();
    return int32_t(v);
}

bool TPropertyValue::AsBoolean() const
{
    if (Type == vaTrue)
        return true;
    if (Type == vaFalse)
        return false;
    if (Type == vaIdent) {
        if (SameText(Bytes, "True"))
            return true;
        if (SameText(Bytes, "False"))
            return false;
    }
    invalidValue();
}

QString TPropertyValue::AsString() const
{
    switch (Type) {
    case vaString: case vaLString:
        return FromCodePage(AnsiCodePage(), Bytes);
    case vaUTF8String:
        return QString::fromUtf8(Bytes);
    case vaWString: {
        QString s(Bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < s.size(); ++i)
            s[i] = QChar(char16_t(ReadLE16(Bytes.constData() + 2 * i)));
        return s;
    }
    default: invalidValue();
    }
}

QByteArray TPropertyValue::AsIdent() const
{
    switch (Type) {
    case vaIdent: return Bytes;
    case vaFalse: return QByteArrayLiteral("False");
    case vaTrue: return QByteArrayLiteral("True");
    case vaNull: return QByteArrayLiteral("Null");
    case vaNil: return QByteArrayLiteral("nil");
    default: invalidValue();
    }
}

QList<QByteArray> TPropertyValue::AsSet() const
{
    if (Type != vaSet)
        invalidValue();
    return Elements;
}

QByteArray TPropertyValue::AsBinary() const
{
    if (Type != vaBinary)
        invalidValue();
    return Bytes;
}

double TPropertyValue::AsFloat() const
{
    switch (Type) {
    case vaExtended:
        if (Bytes.size() != 10) invalidValue();
        return doubleFromExtended(Bytes);
    case vaSingle: {
        if (Bytes.size() != 4) invalidValue();
        const uint32_t bits = ReadLE32(Bytes.constData());
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    case vaDouble: case vaDate: {
        if (Bytes.size() != 8) invalidValue();
        const uint64_t bits = ReadLE64(Bytes.constData());
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    case vaInt8: case vaInt16: case vaInt32: case vaInt64:
        return double(Int);
    default: invalidValue();
    }
}

TColor TPropertyValue::AsColor() const
{
    if (Type == vaIdent) {
        TColor c;
        if (IdentToColor(Bytes, c))
            return c;
        invalidValue();
    }
    return TColor(uint32_t(AsInteger()));
}

TFontCharset TPropertyValue::AsCharset() const
{
    if (Type == vaIdent) {
        TFontCharset c;
        if (IdentToCharset(Bytes, c))
            return c;
        invalidValue();
    }
    const int32_t v = AsInteger();
    if (v < 0 || v > 255)
        invalidValue();
    return TFontCharset(v);
}

int TPropertyValue::AsCursor() const
{
    if (Type == vaIdent) {
        int c;
        if (IdentToCursor(Bytes, c))
            return c;
        invalidValue();
    }
    return AsInteger();
}

// ---------------------------------------------------------------------------------------------
// TStreamComponent

void TStreamComponent::Add(const QByteArray& name, const TPropertyValue& value)
{
    Properties.push_back(TStreamProperty{name, value});
}

const TPropertyValue* TStreamComponent::Find(const QByteArray& name) const
{
    for (auto p = Properties.rbegin(); p != Properties.rend(); ++p)
        if (p->Name.compare(name, Qt::CaseInsensitive) == 0)
            return &p->Value;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Streams

QByteArray WriteComponentStream(const TStreamComponent& component)
{
    Writer w;
    w.out.append(kSignature, 4);
    w.component(component, 1);
    return w.out;
}

void WriteComponentStream(QIODevice& device, const TStreamComponent& component)
{
    const QByteArray data = WriteComponentStream(component);
    if (device.write(data) != data.size())
        throw EWriteError("Stream write error");
}

TStreamComponent ReadComponentStream(QIODevice& device)
{
    Reader r(device);
    return r.readStream();
}

TStreamComponent ReadComponentStream(const QByteArray& data, qsizetype* used)
{
    QByteArray copy = data; // shared, not copied
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Reader r(buffer);
    TStreamComponent c = r.readStream();
    if (used)
        *used = qsizetype(r.consumed());
    return c;
}

// ---------------------------------------------------------------------------------------------
// Identifier tables

bool ColorToIdent(TColor color, QByteArray& ident) { return toIdent(kColors, color, ident); }

bool IdentToColor(const QByteArray& ident, TColor& color) { return fromIdent(kColors, ident, color); }

bool CharsetToIdent(TFontCharset charset, QByteArray& ident) { return toIdent(kCharsets, charset, ident); }

bool IdentToCharset(const QByteArray& ident, TFontCharset& charset) { return fromIdent(kCharsets, ident, charset); }

bool CursorToIdent(int cursor, QByteArray& ident) { return toIdent(kCursors, cursor, ident); }

bool IdentToCursor(const QByteArray& ident, int& cursor) { return fromIdent(kCursors, ident, cursor); }

// ---------------------------------------------------------------------------------------------
// Font

namespace {
const char* const kPitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};
struct StyleName {
    TFontStyles bit;
    const char* name;
};
const StyleName kStyleNames[] = {
    {fsBold, "fsBold"}, {fsItalic, "fsItalic"}, {fsUnderline, "fsUnderline"}, {fsStrikeOut, "fsStrikeOut"}};
} // namespace

void AddFontProperties(TStreamComponent& component, const QByteArray& prefix, const TFont& font)
{
    const QByteArray p = prefix + '.';
    component.Add(p + "Charset", TPropertyValue::Charset(font.Charset));
    component.Add(p + "Color", TPropertyValue::Color(font.Color));
    component.Add(p + "Height", TPropertyValue::Integer(font.Height));
    component.Add(p + "Name", TPropertyValue::String(font.Name));
    if (font.Pitch != fpDefault && font.Pitch >= 0 && font.Pitch <= fpFixed)
        component.Add(p + "Pitch", TPropertyValue::Ident(kPitchNames[font.Pitch]));
    QList<QByteArray> style;
    for (const StyleName& s : kStyleNames)
        if (font.Style & s.bit)
            style.append(s.name);
    component.Add(p + "Style", TPropertyValue::Set(style));
}

bool ReadFontProperty(const QByteArray& name, const TPropertyValue& value, TFont& font)
{
    if (SameText(name, "Charset"))
        font.Charset = value.AsCharset();
    else if (SameText(name, "Color"))
        font.Color = value.AsColor();
    else if (SameText(name, "Height"))
        font.Height = value.AsInteger();
    else if (SameText(name, "Size")) {
        const int32_t size = value.AsInteger();
        if (size < -0x7FFF || size > 0x7FFF) // keeps the height conversion in range
            invalidValue();
        font.SetSize(size);
    } else if (SameText(name, "Name"))
        font.Name = value.AsString();
    else if (SameText(name, "Pitch")) {
        const QByteArray ident = value.AsIdent();
        int pitch = -1;
        for (int i = 0; i < 3; ++i)
            if (SameText(ident, kPitchNames[i]))
                pitch = i;
        if (pitch < 0)
            invalidValue();
        font.Pitch = TFontPitch(pitch);
    } else if (SameText(name, "Style")) {
        TFontStyles style = 0;
        for (const QByteArray& e : value.AsSet()) {
            TFontStyles bit = 0;
            for (const StyleName& s : kStyleNames)
                if (SameText(e, s.name))
                    bit = s.bit;
            if (!bit)
                invalidValue();
            style |= bit;
        }
        font.Style = style;
    } else
        return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Picture

void AddPictureProperties(TStreamComponent& component, const QByteArray& prefix, const TPicture& picture)
{
    if (picture.Graphic())
        component.Add(prefix + ".Data", TPropertyValue::Binary(EncodePictureData(picture)));
}

QByteArray EncodePictureData(const TPicture& picture)
{
    QByteArray out;
    const TGraphic* g = picture.Graphic();
    if (!g) {
        put8(out, 0);
        return out;
    }
    const QByteArray name = g->ClassName().toLatin1();
    if (name.size() > 255)
        throw EWriteError("Stream write error: graphic class name");
    put8(out, uint8_t(name.size()));
    out.append(name);
    if (const auto* bmp = dynamic_cast<const TBitmap*>(g)) {
        // Every bitmap class streams as a bitmap file, whatever its own file format.
        const QByteArray data = bmp->Empty() ? QByteArray() : bmp->SaveToData();
        put32(out, uint32_t(data.size()));
        out.append(data);
    } else if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(g)) {
        put32(out, uint32_t(jpeg->Data().size()));
        out.append(jpeg->Data());
    } else {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly | QIODevice::Append);
        g->SaveToStream(buffer);
    }
    return out;
}

void DecodePictureData(const QByteArray& data, TPicture& picture)
{
    if (data.isEmpty())
        throw EReadError("Stream read error: the picture data is empty");
    const int nameLength = uint8_t(data[0]);
    if (1 + nameLength > data.size())
        throw EReadError("Stream read error: the picture data ends inside the class name");
    const QByteArray name = data.mid(1, nameLength);
    if (name.isEmpty()) {
        picture.SetGraphic(std::unique_ptr<TGraphic>());
        return;
    }
    std::unique_ptr<TGraphic> g = TPicture::CreateGraphic(QString::fromLatin1(name));
    if (!g)
        throw EReadError(QStringLiteral("Invalid stream format: unknown graphic class %1").arg(QString::fromLatin1(name)));
    qsizetype pos = 1 + nameLength;
    auto sized = [&]() {
        if (pos + 4 > data.size())
            throw EReadError("Stream read error: the picture data ends inside its length");
        const uint32_t size = ReadLE32(data.constData() + pos);
        pos += 4;
        if (size > uint64_t(data.size() - pos))
            throw EReadError(QStringLiteral("Invalid stream format: picture length %1 exceeds the %2 bytes left")
                                 .arg(size).arg(data.size() - pos));
        return data.mid(pos, qsizetype(size));
    };
    try {
        if (auto* bmp = dynamic_cast<TBitmap*>(g.get())) {
            const QByteArray bytes = sized();
            if (!bytes.isEmpty())
                bmp->TBitmap::LoadFromData(bytes);
        } else if (auto* jpeg = dynamic_cast<TJPEGImage*>(g.get())) {
            const QByteArray bytes = sized();
            if (!bytes.isEmpty())
                jpeg->LoadFromData(bytes);
        } else if (pos < data.size()) {
            QByteArray rest = data.mid(pos);
            QBuffer buffer(&rest);
            buffer.open(QIODevice::ReadOnly);
            g->LoadFromStream(buffer);
        }
    } catch (const EOutOfPictureMemory&) {
        throw; // the document's budget, not damaged data
    } catch (const EInvalidGraphic& e) {
        throw EReadError(e.Message());
    }
    picture.SetGraphic(std::move(g));
}

bool ReadPictureProperty(const QByteArray& name, const TPropertyValue& value, TPicture& picture)
{
    if (!SameText(name, "Data"))
        return false;
    DecodePictureData(value.AsBinary(), picture);
    return true;
}
