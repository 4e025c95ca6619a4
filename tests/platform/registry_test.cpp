#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <sys/stat.h>

namespace {

// Bytes of a literal, NULs included.
template <size_t N>
QByteArray literal(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

const QString kKey = QStringLiteral("\\Software\\Tarnwick\\Korvane\\2.0\\");

// Each test gets its own registry folder.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = testsupport::freshDir(QStringLiteral("reg-") + QString::fromLatin1(info->name()));
        qputenv("KORVANE_REGISTRY_DIR", QFile::encodeName(dir));
    }
    QByteArray hiveText(RootKey root = RootKey::CurrentUser) const
    {
        QFile f(RegHiveFile(root));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeHive(const QByteArray& data, RootKey root = RootKey::CurrentUser) const
    {
        QFile f(RegHiveFile(root));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    QString dir;
};

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheHiveFile)
{
    {
        TRegIniFile reg(kKey);
        reg.WriteString(QStringLiteral("Settings"), QStringLiteral("Name"), QStringLiteral("Label \"A\" C:\\x ü €"));
        reg.WriteInteger(QStringLiteral("Settings"), QStringLiteral("Count"), -42);
        reg.WriteBool(QStringLiteral("Settings"), QStringLiteral("Flag"), true);
        reg.WriteDWord(QStringLiteral("Settings"), QStringLiteral("Mask"), 0xDEADBEEF);
        reg.WriteBinary(QStringLiteral("Settings"), QStringLiteral("Blob"), QByteArray("\x00\x01\xff", 3));
        reg.WriteString(QStringLiteral("Settings"), QStringLiteral("Lines"), QStringLiteral("one\r\ntwo"));
        EXPECT_TRUE(reg.LastWriteOk());
    }
    const QByteArray text = hiveText();
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\Tarnwick\\Korvane\\2.0\\Settings]\n"));
    EXPECT_TRUE(text.contains("\"Name\"=\"Label \\\"A\\\" C:\\\\x \xC3\xBC \xE2\x82\xAC\"\n"));
    EXPECT_TRUE(text.contains("\"Count\"=\"-42\"\n"));
    EXPECT_TRUE(text.contains("\"Mask\"=dword:deadbeef\n"));
    EXPECT_TRUE(text.contains("\"Blob\"=hex:00,01,ff\n"));
    EXPECT_TRUE(text.contains("\"Lines\"=hex(1):"));

    TRegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Settings"), QStringLiteral("Name"), QString()),
              QStringLiteral("Label \"A\" C:\\x ü €"));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Settings"), QStringLiteral("Count"), 0), -42);
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("Settings"), QStringLiteral("Flag"), false));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Settings"), QStringLiteral("Mask"), 0), int(0xDEADBEEF));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Settings"), QStringLiteral("Mask"), QString()), QStringLiteral("3735928559"));
    EXPECT_EQ(reg.ReadBinary(QStringLiteral("Settings"), QStringLiteral("Blob")), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Settings"), QStringLiteral("Lines"), QString()), QStringLiteral("one\r\ntwo"));
    // Wrong types and missing values give the default.
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Settings"), QStringLiteral("Name"), 7), 7);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Settings"), QStringLiteral("Blob"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Settings"), QStringLiteral("Missing"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_FALSE(reg.ReadBool(QStringLiteral("Nowhere"), QStringLiteral("Flag"), false));
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("Nowhere"), QStringLiteral("Flag"), true));
}

TEST_F(RegistryTest, DefaultValueAndCreationOrder)
{
    TRegIniFile reg(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"), RootKey::LocalMachine);
    reg.WriteString(QStringLiteral("korvane"), QStringLiteral("Path"), QStringLiteral("/opt/korvane"));
    reg.WriteString(QStringLiteral("korvane"), QString(), QStringLiteral("/opt/korvane/korvane"));
    reg.WriteString(QStringLiteral("korvane"), QStringLiteral("Zeta"), QStringLiteral("z"));
    reg.WriteString(QStringLiteral("korvane"), QStringLiteral("Alpha"), QStringLiteral("a"));
    reg.WriteString(QStringLiteral("korvane"), QStringLiteral("PATH"), QStringLiteral("/opt/k2")); // replaces in place

    EXPECT_TRUE(hiveText(RootKey::LocalMachine).contains("@=\"/opt/korvane/korvane\"\n"));
    EXPECT_TRUE(hiveText().isEmpty()); // the other root's hive is untouched
    TRegIniFile again(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"), RootKey::LocalMachine);
    EXPECT_EQ(again.ReadString(QStringLiteral("korvane"), QString(), QString()), QStringLiteral("/opt/korvane/korvane"));
    EXPECT_EQ(again.ReadSection(QStringLiteral("korvane")),
              (QStringList{QStringLiteral("Path"), QString(), QStringLiteral("Zeta"), QStringLiteral("Alpha")}));
    EXPECT_EQ(again.ReadString(QStringLiteral("korvane"), QStringLiteral("path"), QString()), QStringLiteral("/opt/k2"));
}

TEST_F(RegistryTest, KeysAndNamesMatchWithoutCase)
{
    {
        TRegIniFile reg(kKey);
        reg.WriteString(QStringLiteral("BasicInfo"), QStringLiteral("PaperID"), QStringLiteral("{X}"));
    }
    TRegIniFile other(QStringLiteral("\\SOFTWARE\\tarnwick\\KORVANE\\2.0"));
    EXPECT_EQ(other.ReadString(QStringLiteral("basicinfo"), QStringLiteral("paperid"), QString()), QStringLiteral("{X}"));
    EXPECT_TRUE(other.ValueExists(QStringLiteral("BASICINFO"), QStringLiteral("PAPERID")));
    EXPECT_TRUE(other.KeyExists(QStringLiteral("basicINFO")));
    other.WriteString(QStringLiteral("basicinfo"), QStringLiteral("Other"), QStringLiteral("1"));
    // One key, spelt as first written.
    EXPECT_EQ(other.ReadSections(), QStringList{QStringLiteral("BasicInfo")});
    EXPECT_EQ(hiveText().count("BasicInfo]"), 1);
    EXPECT_EQ(hiveText().count("asicinfo"), 0);
}

TEST_F(RegistryTest, SectionsWithBackslashesAreSubkeyPaths)
{
    TRegIniFile reg(kKey);
    reg.WriteInteger(QStringLiteral("Toolbars\\Standard"), QStringLiteral("Left"), 10);
    reg.WriteInteger(QStringLiteral("Toolbars\\Paint\\Docked"), QStringLiteral("Top"), 20);
    reg.WriteString(QStringLiteral("History File List"), QStringLiteral("File1"), QStringLiteral("/a.kvo"));

    EXPECT_EQ(reg.ReadSections(), (QStringList{QStringLiteral("Toolbars"), QStringLiteral("History File List")}));
    TRegIniFile bars(kKey + QStringLiteral("Toolbars\\"));
    EXPECT_EQ(bars.ReadSections(), (QStringList{QStringLiteral("Standard"), QStringLiteral("Paint")}));
    EXPECT_EQ(bars.ReadInteger(QStringLiteral("Paint\\Docked"), QStringLiteral("Top"), 0), 20);
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("Toolbars\\Paint")));

    reg.EraseSection(QStringLiteral("TOOLBARS"));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("Toolbars")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("Toolbars\\Paint\\Docked")));
    EXPECT_EQ(reg.ReadSections(), QStringList{QStringLiteral("History File List")});
    reg.EraseSection(QString()); // never erases the key itself
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("History File List")));

    reg.DeleteKey(QStringLiteral("History File List"), QStringLiteral("file1"));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("History File List"), QStringLiteral("File1")));
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("History File List")));
}

TEST_F(RegistryTest, OpeningCreatesTheKeyAndWritesLeaveNoTemporaryFiles)
{
    {
        TRegIniFile reg(QStringLiteral("\\Software\\New\\Key\\"));
        EXPECT_TRUE(reg.KeyExists(QString()));
        for (int i = 0; i < 5; ++i) reg.WriteInteger(QString(), QStringLiteral("V%1").arg(i), i);
    }
    EXPECT_TRUE(hiveText().contains("[HKEY_CURRENT_USER\\Software\\New\\Key]\n\"V0\"=\"0\"\n"));
    const QStringList left = QDir(dir).entryList(QDir::Files);
    for (const QString& f : left) EXPECT_FALSE(f.contains(QLatin1String(".tmp"))) << f.toStdString();
}

TEST_F(RegistryTest, UnwritableFolderIsReportedNotIgnored)
{
    const QString blocker = dir + QStringLiteral("/file");
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("KORVANE_REGISTRY_DIR", QFile::encodeName(blocker + QStringLiteral("/sub")));
    TRegIniFile reg(kKey);
    reg.WriteString(QStringLiteral("S"), QStringLiteral("V"), QStringLiteral("x"));
    EXPECT_FALSE(reg.LastWriteOk());
    EXPECT_EQ(reg.ReadString(QStringLiteral("S"), QStringLiteral("V"), QStringLiteral("def")), QStringLiteral("def"));
}

// The hive is parsed once and kept; a change on disk by another process is seen at the next read.
TEST_F(RegistryTest, HiveIsParsedOnceAndFollowsChangesOnDisk)
{
    {
        TRegIniFile reg(kKey);
        reg.WriteString(QStringLiteral("S"), QStringLiteral("V"), QStringLiteral("one"));
    }
    const int before = RegHiveFileParses();
    for (int i = 0; i < 200; ++i) {
        TRegIniFile reg(kKey);
        EXPECT_EQ(reg.ReadString(QStringLiteral("S"), QStringLiteral("V"), QString()), QStringLiteral("one"));
        reg.WriteInteger(QStringLiteral("S"), QStringLiteral("N"), i);
    }
    EXPECT_EQ(RegHiveFileParses(), before);   // our own writes need no parse
    EXPECT_TRUE(hiveText().contains("\"N\"=\"199\""));

    // Another process rewrites the file: the next read sees it.
    QByteArray text = hiveText();
    text.replace("\"V\"=\"one\"", "\"V\"=\"two\"");
    writeHive(text);
    TRegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadString(QStringLiteral("S"), QStringLiteral("V"), QString()), QStringLiteral("two"));
    EXPECT_EQ(RegHiveFileParses(), before + 1);
    // And our next write keeps its change.
    reg.WriteString(QStringLiteral("S"), QStringLiteral("W"), QStringLiteral("w"));
    EXPECT_TRUE(hiveText().contains("\"V\"=\"two\""));
}

// Hives that cannot be read whole are read as far as they can be and never written back: the
// changes of the run stay in memory. A key nested 20,000 deep is read without recursion.
TEST_F(RegistryTest, HiveThatCannotBeReadWholeIsNeverRewritten)
{
    const QByteArray head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\K]\n\"V\"=\"ok\"\n\n";
    auto deep = [&](int levels) {
        QByteArray path = "HKEY_CURRENT_USER\\Software\\K";
        path.reserve(path.size() + 2 * levels);
        for (int i = 0; i < levels; ++i) path += "\\a";
        return head + "[" + path + "]\n\"D\"=\"deep\"\n";
    };
    struct Case { const char* what; std::function<QByteArray()> data; bool whole; } cases[] = {
        {"key 20,000 levels deep", [&] { return deep(20000); }, false},
        {"key just past the depth bound", [&] { return deep(RegMaxKeyDepth); }, false},
        {"key at the depth bound", [&] { return deep(RegMaxKeyDepth - 2); }, true},
        {"larger than the cap", [&] {
             QByteArray big = head + "[HKEY_CURRENT_USER\\Software\\Big]\n";
             const QByteArray line = "\"" + QByteArray(200, 'n') + "\"=\"" + QByteArray(800, 'v') + "\"\n";
             while (big.size() <= 64 * 1024 * 1024) big += line;
             return big;
         }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray original = c.data();
        writeHive(original);
        TRegIniFile reg(QStringLiteral("Software\\K"));
        EXPECT_EQ(reg.ReadString(QString(), QStringLiteral("V"), QString()), QStringLiteral("ok"));
        EXPECT_EQ(reg.HiveWritable(), c.whole);
        reg.WriteString(QString(), QStringLiteral("New"), QStringLiteral("n"));
        EXPECT_EQ(reg.LastWriteOk(), c.whole);
        EXPECT_EQ(reg.ReadString(QString(), QStringLiteral("New"), QString()), QStringLiteral("n"));
        if (!c.whole)
            EXPECT_TRUE(hiveText() == original);
        else
            EXPECT_TRUE(hiveText().contains("\"D\"=\"deep\""));
    }
    // A file that exists but cannot be read is not replaced either.
    writeHive(head);
    const QByteArray file = QFile::encodeName(RegHiveFile(RootKey::CurrentUser));
    ::chmod(file.constData(), 0);
    QFile probe(RegHiveFile(RootKey::CurrentUser));
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "permissions do not stop this user";
    TRegIniFile reg(QStringLiteral("Software\\K"));
    reg.WriteString(QString(), QStringLiteral("New"), QStringLiteral("n"));
    EXPECT_FALSE(reg.LastWriteOk());
    ::chmod(file.constData(), 0600);
    EXPECT_EQ(hiveText(), head);
}

// A damaged hive is read as far as it parses; what follows a bad line still counts.
TEST_F(RegistryTest, DamagedHivesReadAsFarAsTheyParse)
{
    struct Case {
        const char* what;
        QByteArray data;
        const char* value;     // value "V" of key Software\K
        const char* expected;  // nullptr = absent
    };
    const QByteArray head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\K]\n";
    const Case cases[] = {
        {"plain", head + "\"V\"=\"ok\"\n", "V", "ok"},
        {"truncated string", head + "\"V\"=\"unterminated", "V", nullptr},
        {"truncated name", head + "\"V", "V", nullptr},
        {"bad line then good", head + "garbage here\n\"W\"=dword:zz\n\"V\"=\"ok\"\n", "V", "ok"},
        {"dword too long", head + "\"V\"=dword:123456789\n", "V", nullptr},
        {"odd hex", head + "\"V\"=hex:0,1\n", "V", nullptr},
        {"hex continues", head + "\"V\"=hex(1):6f,00,\\\n  6b,00,00,00\n", "V", "ok"},
        {"value before any key", QByteArray("\"V\"=\"x\"\n[HKEY_CURRENT_USER\\Software\\K]\n"), "V", nullptr},
        {"unclosed key header", QByteArray("[HKEY_CURRENT_USER\\Software\\K\n\"V\"=\"x\"\n"), "V", nullptr},
        {"deleted key header", QByteArray("[-HKEY_CURRENT_USER\\Software\\K]\n\"V\"=\"x\"\n"), "V", nullptr},
        {"NUL literal and CR line ends", literal("[HKEY_CURRENT_USER\\Software\\K]\r\0\0\r\"V\"=\"ok\"\r"),
         "V", "ok"},
        {"key spelt twice merges", head + "\"V\"=\"a\"\n[HKEY_CURRENT_USER\\SOFTWARE\\k]\n\"v\"=\"b\"\n", "V",
         "b"},
        {"trailing text after string", head + "\"V\"=\"ok\" junk\n", "V", nullptr},
        {"binary noise", literal("\x01\xff[\\\\]\"=\x80\x00"), "V", nullptr},
    };
    for (const Case& c : cases) {
        writeHive(c.data);
        TRegIniFile reg(QStringLiteral("Software\\K"));
        const QString got = reg.ReadString(QString(), QString::fromLatin1(c.value), QStringLiteral("<absent>"));
        EXPECT_EQ(got, c.expected ? QString::fromUtf8(c.expected) : QStringLiteral("<absent>")) << c.what;
    }

    // A real UTF-16 file (what regedit writes) is read too.
    QString utf16 = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\K]\r\n\"V\"=\"ok\"\r\n");
    writeHive(QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2));
    EXPECT_EQ(TRegIniFile(QStringLiteral("Software\\K")).ReadString(QString(), QStringLiteral("V"), QString()),
              QStringLiteral("ok"));
}

TEST(RegHive, SerializeThenParseIsStable)
{
    RegHive h;
    RegKey& k = h.createKey(QStringLiteral("A\\B"));
    RegValue s;
    s.name = QStringLiteral("quote\"back\\slash");
    s.text = QStringLiteral("tab\there");
    k.values.push_back(s);
    RegValue b;
    b.kind = RegValue::Binary;
    b.rawType = 7;
    b.bytes = QByteArray("a\0b", 3);
    k.values.push_back(b);
    const QByteArray once = h.serialize(QStringLiteral("HKEY_CURRENT_USER"));
    const RegHive back = RegHive::parse(once);
    ASSERT_EQ(back.keys.size(), 2u); // the parent is created too
    EXPECT_EQ(back.subKeys(QStringLiteral("a")), QStringList{QStringLiteral("B")});
    const RegKey* bk = back.findKey(QStringLiteral("a\\b"));
    ASSERT_NE(bk, nullptr);
    ASSERT_EQ(bk->values.size(), 2u);
    EXPECT_EQ(bk->values[0].name, s.name);
    EXPECT_EQ(bk->values[0].text, s.text);
    EXPECT_EQ(bk->values[1].rawType, 7u);
    EXPECT_EQ(bk->values[1].bytes, b.bytes);
    EXPECT_EQ(back.serialize(QStringLiteral("HKEY_CURRENT_USER")), once);
}

} // namespace
