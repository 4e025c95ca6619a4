#include "platform/guid.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <cstdio>
#include <cstring>

TGUID TGUID::fromBytes(const uint8_t* p)
{
    TGUID g;
    g.D1 = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    g.D2 = uint16_t(p[4] | p[5] << 8);
    g.D3 = uint16_t(p[6] | p[7] << 8);
    std::memcpy(g.D4, p + 8, 8);
    return g;
}

void TGUID::toBytes(uint8_t* p) const
{
    p[0] = uint8_t(D1);
    p[1] = uint8_t(D1 >> 8);
    p[2] = uint8_t(D1 >> 16);
    p[3] = uint8_t(D1 >> 24);
    p[4] = uint8_t(D2);
    p[5] = uint8_t(D2 >> 8);
    p[6] = uint8_t(D3);
    p[7] = uint8_t(D3 >> 8);
    std::memcpy(p + 8, D4, 8);
}

QByteArray TGUID::toByteArray() const
{
    QByteArray b(16, '\0');
    toBytes(reinterpret_cast<uint8_t*>(b.data()));
    return b;
}

bool TGUID::isNull() const
{
    static const TGUID zero;
    return *this == zero;
}

bool operator==(const TGUID& a, const TGUID& b)
{
    return a.D1 == b.D1 && a.D2 == b.D2 && a.D3 == b.D3 && std::memcmp(a.D4, b.D4, 8) == 0;
}

QString GUIDToString(const TGUID& g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  unsigned(g.D1), unsigned(g.D2), unsigned(g.D3), g.D4[0], g.D4[1], g.D4[2], g.D4[3], g.D4[4],
                  g.D4[5], g.D4[6], g.D4[7]);
    return QString::fromLatin1(buf);
}

bool StringToGUID(const QString& s, TGUID& g)
{
    if (s.size() != 38 || s.at(0) != QLatin1Char('{') || s.at(37) != QLatin1Char('}')) return false;
    uint8_t nibbles[32];
    int n = 0;
    for (int i = 1; i < 37; ++i) {
        const char16_t c = s.at(i).unicode();
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (c != u'-') return false;
            continue;
        }
        int v;
        if (c >= u'0' && c <= u'9') v = c - u'0';
        else if (c >= u'A' && c <= u'F') v = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f') v = c - u'a' + 10;
        else return false;
        nibbles[n++] = uint8_t(v);
    }
    auto field = [&](int from, int count) {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i) v = v << 4 | nibbles[from + i];
        return v;
    };
    TGUID r;
    r.D1 = field(0, 8);
    r.D2 = uint16_t(field(8, 4));
    r.D3 = uint16_t(field(12, 4));
    for (int i = 0; i < 8; ++i) r.D4[i] = uint8_t(field(16 + 2 * i, 2));
    g = r;
    return true;
}

// Bytes in the textual (big-endian) order of RFC 4122 to a GUID.
static TGUID fromRfcBytes(const uint8_t* b)
{
    TGUID g;
    g.D1 = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    g.D2 = uint16_t(b[4] << 8 | b[5]);
    g.D3 = uint16_t(b[6] << 8 | b[7]);
    std::memcpy(g.D4, b + 8, 8);
    return g;
}

TGUID CreateGUID()
{
    uint8_t b[16];
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    std::memcpy(b, words, 16);
    b[6] = uint8_t((b[6] & 0x0F) | 0x40);
    b[8] = uint8_t((b[8] & 0x3F) | 0x80);
    return fromRfcBytes(b);
}

// The program's own name space; never change it: stored documents hold GUIDs made with it.
static const uint8_t kNameSpace[16] = {0x6b, 0x4f, 0x72, 0x56, 0x61, 0x4e, 0x45, 0x11,
                                       0x9a, 0x3c, 0x52, 0x0d, 0xe1, 0x7b, 0x60, 0x2f};

TGUID NameGUID(const QByteArray& name)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(QByteArrayView(reinterpret_cast<const char*>(kNameSpace), 16));
    h.addData(name);
    const QByteArray d = h.result();
    uint8_t b[16];
    std::memcpy(b, d.constData(), 16);
    b[6] = uint8_t((b[6] & 0x0F) | 0x50);
    b[8] = uint8_t((b[8] & 0x3F) | 0x80);
    return fromRfcBytes(b);
}
