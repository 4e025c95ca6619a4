#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>

namespace {

template <size_t N> QByteArray bytes(const char (&s)[N]) { return QByteArray(s, N - 1); }

QString writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(data);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CodePage1252 : public ::testing::Test {
protected:
    void SetUp() override { SetAnsiCodePage(1252); }
    void TearDown() override { SetAnsiCodePage(0); }
};

using IniRules = CodePage1252;

TEST_F(IniRules, ReadsWithWindowsRules)
{
    const QString dir = testsupport::freshDir(QStringLiteral("ini-rules"));
    const QString path = writeFile(dir + QStringLiteral("/t.ini"),
        "stray=before any section\r\n"
        "[Main]\r\n"
        "  Key One  =  spaced value  \r\n"
        "list=a,b,,c\r\n"
        "eq=x=y\r\n"
        "quoted=\"  kept inside  \"\r\n"
        "single='q'\r\n"
        "half=\"open\r\n"
        ";comment=ignored\r\n"
        "bare line\r\n"
        "dup=first\r\n"
        "DUP=second\r\n"
        "empty=\r\n"
        "\r\n"
        "[/opt/korvane/Paper/Avery.def]\n"
        "{00000000-0000-0000-0000-000000000001}=\n"
        "[C:\\Program Files\\Korvane\\Paper\\x.def]\r"
        "k=v\r"
        "[main]\n"
        "late=hidden behind the first Main\n"
        "[Empty]\n");
    TIniFile ini(path);
    struct Case { const char* section; const char* key; const char* expected; };
    const Case cases[] = {
        {"main", "key one", "spaced value"},
        {"MAIN", "LIST", "a,b,,c"},
        {"Main", "eq", "x=y"},
        {"Main", "quoted", "  kept inside  "},
        {"Main", "single", "q"},
        {"Main", "half", "\"open"},
        {"Main", ";comment", "<def>"},
        {"Main", "bare line", ""},
        {"Main", "dup", "first"},
        {"Main", "empty", ""},
        {"Main", "late", "<def>"},
        {"Main", "stray", "<def>"},
        {"/OPT/korvane/paper/avery.DEF", "{00000000-0000-0000-0000-000000000001}", ""},
        {"c:\\program files\\korvane\\paper\\X.DEF", "K", "v"},
        {"Nowhere", "k", "<def>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("<def>")),
                  QString::fromUtf8(c.expected))
            << c.section << " / " << c.key;

    EXPECT_EQ(ini.ReadSection(QStringLiteral("main")),
              (QStringList{"Key One", "list", "eq", "quoted", "single", "half", "bare line", "dup", "empty"}));
    EXPECT_EQ(ini.ReadSections(), (QStringList{"Main", "/opt/korvane/Paper/Avery.def",
                                               "C:\\Program Files\\Korvane\\Paper\\x.def", "Empty"}));
    EXPECT_EQ(ini.ReadSectionValues(QStringLiteral("C:\\Program Files\\Korvane\\Paper\\x.def")), QStringList{"k=v"});
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("MAIN")));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Empty")));   // no keys: as the framework answers
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("main"), QStringLiteral("EMPTY")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("main"), QStringLiteral("late")));
}

TEST_F(IniRules, IntegersAndBooleans)
{
    const QString dir = testsupport::freshDir(QStringLiteral("ini-int"));
    const QString path = writeFile(dir + QStringLiteral("/t.ini"),
        "[N]\nplain=12\nneg= -3 \nhex=0x1F\ndollar=$10\nallbits=$FFFFFFFF\ntrail=12abc\nhuge=99999999999\n"
        "empty=\nword=yes\nzero=0\n");
    TIniFile ini(path);
    struct Case { const char* key; int expected; };
    const Case cases[] = {{"plain", 12},  {"neg", -3},   {"hex", 31},    {"dollar", 16}, {"allbits", -1},
                          {"trail", 99},  {"huge", 99},  {"empty", 99},  {"word", 99},   {"missing", 99}};
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("n"), QString::fromUtf8(c.key), 99), c.expected) << c.key;
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("N"), QStringLiteral("plain"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("N"), QStringLiteral("zero"), true));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("N"), QStringLiteral("word"), true));
}

TEST_F(IniRules, WritesAreCachedThenWrittenWholeInTheCodePage)
{
    const QString dir = testsupport::freshDir(QStringLiteral("ini-write"));
    const QString path = writeFile(dir + QStringLiteral("/t.ini"), "[A]\r\nOne=1\r\nTwo=2\r\n[B]\r\nx=y\r\n");
    {
        TIniFile ini(path);
        ini.WriteString(QStringLiteral("a"), QStringLiteral("ONE"), QStringLiteral("uno"));   // in place, spelling kept
        ini.WriteString(QStringLiteral("a"), QStringLiteral("Three"), QStringLiteral("Größe, €"));
        ini.WriteInteger(QStringLiteral("New"), QStringLiteral("n"), -5);
        ini.WriteBool(QStringLiteral("New"), QStringLiteral("b"), true);
        ini.WriteString(QStringLiteral("New"), QStringLiteral("multi"), QStringLiteral("line1\nline2"));
        ini.DeleteKey(QStringLiteral("A"), QStringLiteral("two"));
        ini.EraseSection(QStringLiteral("b"));
        EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("one"), QString()), QStringLiteral("uno"));
        // Nothing reaches the disk before UpdateFile or the end of the object.
        EXPECT_EQ(readFile(path), QByteArray("[A]\r\nOne=1\r\nTwo=2\r\n[B]\r\nx=y\r\n"));
        EXPECT_TRUE(ini.UpdateFile());
        EXPECT_EQ(readFile(path), QByteArray("[A]\r\nOne=uno\r\nThree=Gr\xF6\xDF" "e, \x80\r\n\r\n"
                                             "[New]\r\nn=-5\r\nb=1\r\nmulti=line1 line2\r\n"));
        ini.WriteString(QStringLiteral("Late"), QStringLiteral("k"), QStringLiteral("v"));
    }
    TIniFile again(path);
    EXPECT_EQ(again.ReadString(QStringLiteral("a"), QStringLiteral("three"), QString()), QStringLiteral("Größe, €"));
    EXPECT_EQ(again.ReadString(QStringLiteral("late"), QStringLiteral("K"), QString()), QStringLiteral("v"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("new"), QStringLiteral("N"), 0), -5);
    // Nothing left behind by the temporary-file-and-rename write.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("t.ini")});
}

TEST_F(IniRules, FileNameFoundWithoutCaseAndNoFileUntilWritten)
{
    const QString dir = testsupport::freshDir(QStringLiteral("ini-case"));
    QDir(dir).mkpath(QStringLiteral("paper"));
    writeFile(dir + QStringLiteral("/paper/maskfile.ini"), "[shape_mask]\nk=mask.bmp\n");
    TIniFile ini(dir + QStringLiteral("/Paper/MaskFile.INI"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("SHAPE_MASK"), QStringLiteral("K"), QString()), QStringLiteral("mask.bmp"));

    {
        TIniFile none(dir + QStringLiteral("/absent.ini"));
        EXPECT_TRUE(none.ReadSections().isEmpty());
    }
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/absent.ini")));
}

TEST_F(IniRules, DamagedInputsNeverBreakTheReader)
{
    struct Case { const char* what; QByteArray data; QStringList sections; };
    const QByteArray longLine(300000, 'x');
    const Case cases[] = {
        {"empty", QByteArray(), {}},
        {"lone bracket", "[", {""}},
        {"unclosed section", "[abc\nk=v\n", {"abc"}},
        {"NULs", bytes("[a\0b]\n\0k=v\0\n"), {"ab"}},
        {"high bytes", bytes("[\x81\x8d\xff]\nk=\x90\n"), {QString::fromUtf8("\u0081\u008d\u00ff")}},
        {"one huge line", "[s]\n" + longLine, {"s"}},
        {"only separators", "=\n==\n[]\n=\n", {""}},
        {"CR only", "[a]\rk=v\r[b]\r", {"a", "b"}},
        {"UTF-16 with mark", bytes("\xFF\xFE[\0u\0]\0\n\0k\0=\0v\0"), {"u"}},
        {"UTF-16 odd length", bytes("\xFF\xFE[\0u\0]\0\n\0k"), {"u"}},
    };
    for (const Case& c : cases) {
        std::vector<IniSection> parsed = ParseIni(c.data);
        QStringList names;
        for (const IniSection& s : parsed) names << s.name;
        EXPECT_EQ(names, c.sections) << c.what;
        // Whatever was read writes back and reads the same again.
        const QByteArray again = SerializeIni(parsed);
        EXPECT_EQ(SerializeIni(ParseIni(again)), again) << c.what;
    }
    std::vector<IniSection> big = ParseIni("[s]\n" + longLine);
    ASSERT_EQ(big.size(), 1u);
    ASSERT_EQ(big[0].entries.size(), 1u);
    EXPECT_EQ(big[0].entries[0].key.size(), longLine.size());
}

TEST_F(IniRules, ManyKeysParseInOnePass)
{
    QByteArray data = "[s]\n";
    for (int i = 0; i < 100000; ++i) data += "k" + QByteArray::number(i % 50000) + "=" + QByteArray::number(i) + "\n";
    const std::vector<IniSection> parsed = ParseIni(data);
    ASSERT_EQ(parsed.size(), 1u);
    ASSERT_EQ(parsed[0].entries.size(), 50000u);
    EXPECT_EQ(parsed[0].entries[49999].value, QStringLiteral("49999"));
}

} // namespace

namespace {

TEST_F(IniRules, ManyWritesThenEraseKeepLookupsRight)
{
    const QString dir = testsupport::freshDir(QStringLiteral("ini-many"));
    const QString path = dir + QStringLiteral("/MvexFile.ini");
    {
        TIniFile ini(path);
        for (int i = 0; i < 20000; ++i)
            ini.WriteString(QStringLiteral("/opt/Paper/%1.def").arg(i % 4), QStringLiteral("K%1").arg(i), QString());
        ini.WriteString(QStringLiteral("/OPT/paper/1.DEF"), QStringLiteral("k1"), QStringLiteral("again"));
        ini.EraseSection(QStringLiteral("/opt/Paper/0.def"));
        ini.DeleteKey(QStringLiteral("/opt/Paper/2.def"), QStringLiteral("k2"));
        EXPECT_FALSE(ini.ValueExists(QStringLiteral("/opt/Paper/0.def"), QStringLiteral("K0")));
        EXPECT_FALSE(ini.ValueExists(QStringLiteral("/opt/Paper/2.def"), QStringLiteral("K2")));
        EXPECT_TRUE(ini.ValueExists(QStringLiteral("/opt/Paper/2.def"), QStringLiteral("K6")));
        ini.WriteString(QStringLiteral("/opt/Paper/0.def"), QStringLiteral("new"), QStringLiteral("v"));
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadSections(), (QStringList{"/opt/Paper/1.def", "/opt/Paper/2.def", "/opt/Paper/3.def", "/opt/Paper/0.def"}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("/opt/paper/1.def"), QStringLiteral("K1"), QString()), QStringLiteral("again"));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("/opt/Paper/3.def")).size(), 5000);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("/opt/Paper/2.def")).size(), 4999);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("/opt/Paper/0.def")), QStringList{QStringLiteral("new")});
}

} // namespace
