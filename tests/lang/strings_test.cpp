#include "lang/builtin_strings.h"
#include "platform/language_library.h"

#include <QStringDecoder>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

class GermanLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("KORVANE_PROGRAM_DIR", KORVANE_BIN_DIR, 1);
        lib = LoadLibraryA(QStringLiteral("QNGerman.dll"));
        ASSERT_NE(lib, nullptr) << "QNGerman.so missing from " KORVANE_BIN_DIR;
    }
    void TearDown() override
    {
        FreeLibrary(lib);
        unsetenv("KORVANE_PROGRAM_DIR");
    }
    // The library's text, checked to be well-formed UTF-8.
    QString German(unsigned id)
    {
        char buf[2048];
        const int n = LoadStringA(lib, id, buf, sizeof buf);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(QByteArrayView(buf, n));
        EXPECT_FALSE(utf8.hasError()) << "string " << id;
        return text;
    }
    HINSTANCE lib = nullptr;
};

TEST(BuiltinStrings, TableHoldsTheProgramTextsExactly)
{
    const struct {
        unsigned id;
        const char* text;
    } cases[] = {
        {10, "Korvane"},
        {12, "\\Software\\Tarnwick\\Korvane\\2.x\\"},
        {20, "BasicInfo"},
        {25, "Can't find the paper definition file!\nPlease reinstall the software."},
        {26, "Can't find the Help file!"},
        {310, "Ready"},
        {487, "Clean &up Clipborad"},
        {522, "Korvane Object File(*.kvo)|*.kvo"},
        {605, "QNGerman.dll"},
        {1451, " Sample "},
        {1452, "Product &Design : "},
        {1456, "&Manufacturer"},
        {1457, "&Classified"},
        {1503, "Version: "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BuiltinString(c.id), QString::fromUtf8(c.text)) << "string " << c.id;
    for (unsigned absent : {0u, 1u, 477u, 2002u, 65535u, 0xFFFFFFFFu})
        EXPECT_TRUE(BuiltinString(absent).isEmpty()) << "string " << absent;
}

TEST(BuiltinStrings, IdsAscendAndEveryTextIsUsable)
{
    const std::vector<unsigned> ids = BuiltinStringIds();
    ASSERT_GT(ids.size(), 150u);
    for (size_t i = 1; i < ids.size(); ++i)
        EXPECT_LT(ids[i - 1], ids[i]);
    for (unsigned id : ids) {
        const QString text = BuiltinString(id);
        EXPECT_FALSE(text.isEmpty()) << "string " << id;
        EXPECT_FALSE(text.endsWith(QLatin1Char('&'))) << "dangling access key in " << id;
    }
}

TEST_F(GermanLibrary, HoldsAGermanTextForEveryBuiltinString)
{
    for (unsigned id : BuiltinStringIds()) {
        const QString text = German(id);
        EXPECT_FALSE(text.isEmpty()) << "string " << id << " missing";
        EXPECT_FALSE(text.endsWith(QLatin1Char('&'))) << "dangling access key in " << id;
        EXPECT_LE(text.count(QLatin1Char('&')), 1) << "string " << id;
        // Placeholder-like parts must survive translation.
        EXPECT_EQ(text.count(QLatin1Char('|')), BuiltinString(id).count(QLatin1Char('|'))) << id;
        EXPECT_EQ(text.count(QLatin1Char('\n')), BuiltinString(id).count(QLatin1Char('\n'))) << id;
        for (const char* arg : {"%1", "%2"})
            EXPECT_EQ(text.contains(QLatin1String(arg)), BuiltinString(id).contains(QLatin1String(arg))) << id;
    }
}

TEST_F(GermanLibrary, TranslatesWithUmlautsAndKeepsNamesThatAreNotTexts)
{
    EXPECT_EQ(German(31), QStringLiteral("&Abbrechen"));
    EXPECT_EQ(German(454), QStringLiteral("Ö&ffnen..."));
    EXPECT_EQ(German(461), QStringLiteral("Schließen"));
    EXPECT_EQ(German(26), QStringLiteral("Die Hilfedatei wurde nicht gefunden!"));
    for (unsigned same : {10u, 12u, 20u, 523u, 600u, 601u, 605u, 643u, 1503u})
        EXPECT_EQ(German(same), BuiltinString(same)) << "string " << same;
    // Most texts really are translated.
    int differing = 0;
    const std::vector<unsigned> ids = BuiltinStringIds();
    for (unsigned id : ids)
        differing += German(id) != BuiltinString(id);
    EXPECT_GT(differing, int(ids.size()) * 3 / 4);
}

} // namespace
