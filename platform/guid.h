#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

struct TGUID {
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    uint8_t D4[8] = {0, 0, 0, 0, 0, 0, 0, 0};

    // Windows layout: D1, D2, D3 little-endian, then D4 as is.
    static TGUID fromBytes(const uint8_t* p);
    void toBytes(uint8_t* p) const;
    QByteArray toByteArray() const;
    bool isNull() const;
    friend bool operator==(const TGUID& a, const TGUID& b);
    friend bool operator!=(const TGUID& a, const TGUID& b) { return !(a == b); }
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
QString GUIDToString(const TGUID& g);
// Accepts the braced form, digits in either case. False (g untouched) on any other text.
bool StringToGUID(const QString& s, TGUID& g);
// A new random GUID (version 4).
TGUID CreateGUID();
// A GUID derived from the name alone (SHA-1, version 5 layout): the same name always gives the same GUID.
TGUID NameGUID(const QByteArray& name);
