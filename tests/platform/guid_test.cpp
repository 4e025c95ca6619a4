#include <gtest/gtest.h>

#include "platform/guid.h"

#include <set>

namespace {

TEST(Guid, WindowsByteLayoutAndText)
{
    const uint8_t raw[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                             0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    const TGUID g = TGUID::fromBytes(raw);
    EXPECT_EQ(g.D1, 0x00112233u);
    EXPECT_EQ(g.D2, 0x4455u);
    EXPECT_EQ(g.D3, 0x6677u);
    EXPECT_EQ(GUIDToString(g), QStringLiteral("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
    uint8_t back[16];
    g.toBytes(back);
    EXPECT_EQ(std::memcmp(raw, back, 16), 0);

    TGUID parsed;
    ASSERT_TRUE(StringToGUID(QStringLiteral("{00112233-4455-6677-8899-aabbccddeeff}"), parsed));
    EXPECT_EQ(parsed, g);
}

TEST(Guid, RejectsMalformedText)
{
    const char* const bad[] = {
        "",
        "00112233-4455-6677-8899-AABBCCDDEEFF",
        "{00112233-4455-6677-8899-AABBCCDDEEF}",
        "{00112233-4455-6677-8899-AABBCCDDEEFFF}",
        "{00112233-4455-6677-8899_AABBCCDDEEFF}",
        "{0011223G-4455-6677-8899-AABBCCDDEEFF}",
        "{00112233-4455-6677-8899-AABBCCDDEEFF",
        "(00112233-4455-6677-8899-AABBCCDDEEFF)",
        "{+0112233-4455-6677-8899-AABBCCDDEEFF}",
    };
    for (const char* s : bad) {
        TGUID g;
        g.D1 = 7;
        EXPECT_FALSE(StringToGUID(QString::fromLatin1(s), g)) << s;
        EXPECT_EQ(g.D1, 7u) << s; // untouched on failure
    }
}

TEST(Guid, NewGuidsAreVersion4AndDistinct)
{
    std::set<QString> seen;
    for (int i = 0; i < 200; ++i) {
        const TGUID g = CreateGUID();
        EXPECT_EQ(g.D3 >> 12, 4);
        EXPECT_EQ(g.D4[0] & 0xC0, 0x80);
        seen.insert(GUIDToString(g));
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(Guid, NameGuidIsStableVersion5)
{
    // Same value as RFC 4122 version 5 over the program's name space (checked with Python's uuid.uuid5).
    EXPECT_EQ(GUIDToString(NameGUID("Avery|L7676")), QStringLiteral("{A91DEE6D-8AB2-5598-A46C-066F3D66855B}"));
    EXPECT_EQ(GUIDToString(NameGUID(QByteArray())), QStringLiteral("{E349AE14-D3B1-5CC8-9972-A4EF51D2566D}"));
    EXPECT_EQ(NameGUID("Avery|L7676"), NameGUID("Avery|L7676"));
    EXPECT_NE(NameGUID("Avery|L7676"), NameGUID("avery|L7676"));
    EXPECT_FALSE(NameGUID("x").isNull());
    EXPECT_TRUE(TGUID().isNull());
}

} // namespace
