#include "lang/builtin_strings.h"
#include "platform/language_library.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
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

// What a format string asks of its arguments: the printf conversions in order ("%s", "%d",
// "%5.2f"), then the numbered Qt arguments ("%1") sorted, since a translation may reorder those.
QStringList FormatSpecifiers(const QString& text)
{
    static const QRegularExpression printf(
        QStringLiteral("%[-+ #0]*[0-9]*(?:\\.[0-9]+)?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfgGcsp]"));
    static const QRegularExpression numbered(QStringLiteral("%[1-9][0-9]?"));
    QStringList conversions, args;
    for (qsizetype at = text.indexOf(QLatin1Char('%')); at >= 0; at = text.indexOf(QLatin1Char('%'), at)) {
        if (text.mid(at, 2) == QStringLiteral("%%")) {
            at += 2;
            continue;
        }
        const auto anchored = QRegularExpression::NormalMatch;
        const auto option = QRegularExpression::AnchorAtOffsetMatchOption;
        if (const auto m = printf.match(text, at, anchored, option); m.hasMatch()) {
            conversions << m.captured();
            at = m.capturedEnd();
        } else if (const auto n = numbered.match(text, at, anchored, option); n.hasMatch()) {
            args << n.captured();
            at = n.capturedEnd();
        } else {
            ++at;
        }
    }
    args.sort();
    return conversions + QStringList{QStringLiteral("|")} + args;
}

// Every language library laid beside the program.
std::vector<std::string> ShippedLibraries()
{
    std::vector<std::string> names;
    const QDir bin(QStringLiteral(KORVANE_BIN_DIR));
    for (const QString& file : bin.entryList({QStringLiteral("QN*.so")}, QDir::Files, QDir::Name))
        names.push_back(file.chopped(3).toStdString() + ".dll");
    return names;
}

TEST(ShippedLanguages, GermanFrenchAndSpanishAreBesideTheProgram)
{
    const std::vector<std::string> shipped = ShippedLibraries();
    for (unsigned id : {604u, 605u, 606u}) {
        const std::string name = BuiltinString(id).toStdString();
        EXPECT_NE(std::find(shipped.begin(), shipped.end(), name), shipped.end()) << name;
    }
}

TEST(ShippedLanguages, FormatSpecifiersAreReadInOrderAndNumberedOnesInAnyOrder)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"%s%d: X: %d Y: %d", "%s %d %d %d |"},
        {"100%% sure %5.2f", "%5.2f |"},
        {"from %2 down to %1", "| %1 %2"},
        {"no arguments", "|"},
        {"%ld and %-3s", "%ld %-3s |"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSpecifiers(QString::fromUtf8(c.text)).join(QLatin1Char(' ')).toStdString(), c.expected)
            << c.text;
}

class ShippedLanguage : public ::testing::TestWithParam<std::string> {};

TEST_P(ShippedLanguage, HoldsEveryNumberedStringWithTheEnglishArguments)
{
    setenv("KORVANE_PROGRAM_DIR", KORVANE_BIN_DIR, 1);
    HINSTANCE lib = LoadLibraryA(QString::fromStdString(GetParam()));
    unsetenv("KORVANE_PROGRAM_DIR");
    ASSERT_NE(lib, nullptr);
    int differing = 0;
    const std::vector<unsigned> ids = BuiltinStringIds();
    for (unsigned id : ids) {
        char buf[2048];
        const int n = LoadStringA(lib, id, buf, sizeof buf);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(QByteArrayView(buf, n));
        const QString english = BuiltinString(id);
        EXPECT_FALSE(utf8.hasError()) << "string " << id;
        EXPECT_FALSE(text.isEmpty()) << "string " << id << " missing";
        EXPECT_FALSE(text.endsWith(QLatin1Char('&'))) << "dangling access key in " << id;
        // One access key at most; texts with "&" markers the program fills (the track-line
        // template) keep every one of them.
        if (english.count(QLatin1Char('&')) <= 1)
            EXPECT_LE(text.count(QLatin1Char('&')), 1) << "string " << id;
        else
            EXPECT_EQ(text.count(QLatin1Char('&')), english.count(QLatin1Char('&'))) << "string " << id;
        // Parts the program splits or fills must survive translation.
        EXPECT_EQ(text.count(QLatin1Char('|')), english.count(QLatin1Char('|'))) << "string " << id;
        EXPECT_EQ(text.count(QLatin1Char('\n')), english.count(QLatin1Char('\n'))) << "string " << id;
        EXPECT_EQ(FormatSpecifiers(text).join(QLatin1Char(' ')).toStdString(),
                  FormatSpecifiers(english).join(QLatin1Char(' ')).toStdString())
            << "string " << id;
        differing += text != english;
    }
    // Most texts really are translated.
    EXPECT_GT(differing, int(ids.size()) * 3 / 4);
    FreeLibrary(lib);
}

INSTANTIATE_TEST_SUITE_P(Libraries, ShippedLanguage, ::testing::ValuesIn(ShippedLibraries()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param.substr(0, info.param.size() - 4);
                         });

} // namespace
