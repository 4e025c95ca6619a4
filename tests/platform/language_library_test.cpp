#include "platform/language_library.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>
#include <cstring>

namespace {

QString PartialLibraryDir()
{
    return QFileInfo(QStringLiteral(KORVANE_BIN_DIR "/../tests/langlib")).absoluteFilePath();
}

// Runs with the program folder pointed at dir.
class ProgramDirScope {
public:
    explicit ProgramDirScope(const QString& dir)
    {
        const char* old = std::getenv("KORVANE_PROGRAM_DIR");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv("KORVANE_PROGRAM_DIR", dir.toLocal8Bit().constData(), 1);
    }
    ~ProgramDirScope()
    {
        if (m_had)
            setenv("KORVANE_PROGRAM_DIR", m_old.constData(), 1);
        else
            unsetenv("KORVANE_PROGRAM_DIR");
    }

private:
    bool m_had = false;
    QByteArray m_old;
};

class EnvScope {
public:
    EnvScope()
    {
        for (const char* var : kVars) {
            const char* v = std::getenv(var);
            m_saved.push_back(v ? std::optional<std::string>(v) : std::nullopt);
            unsetenv(var);
        }
    }
    ~EnvScope()
    {
        for (size_t i = 0; i < std::size(kVars); ++i) {
            if (m_saved[i])
                setenv(kVars[i], m_saved[i]->c_str(), 1);
            else
                unsetenv(kVars[i]);
        }
    }
    static constexpr const char* kVars[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

private:
    std::vector<std::optional<std::string>> m_saved;
};

TEST(LanguageLibrary, GermanLibraryLoadsByItsWindowsNameFromTheProgramFolder)
{
    ProgramDirScope scope(QStringLiteral(KORVANE_BIN_DIR));
    HINSTANCE lib = LoadLibraryA(QStringLiteral("QNGerman.dll"));
    ASSERT_NE(lib, nullptr);
    char buf[256];
    const int n = LoadStringA(lib, 31, buf, sizeof buf);
    EXPECT_EQ(QString::fromUtf8(buf, n), QStringLiteral("&Abbrechen"));
    EXPECT_EQ(buf[n], '\0');
    FreeLibrary(lib);

    // Case of the name does not matter, as on Windows.
    lib = LoadLibraryA(QStringLiteral("qngerman.DLL"));
    EXPECT_NE(lib, nullptr);
    FreeLibrary(lib);
}

TEST(LanguageLibrary, NamesThatDoNotLoadGiveNull)
{
    const QString dir = testsupport::freshDir(QStringLiteral("libs"));
    {
        QFile junk(dir + QStringLiteral("/QNFrench.so"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("not a shared object");
    }
    QDir().mkpath(dir + QStringLiteral("/QNCzech.so"));
    ProgramDirScope scope(dir);
    for (const char* name : {"QNSpanish.dll", "QNFrench.dll", "QNCzech.dll", "", "../bin/QNGerman.dll",
                             "sub/QNGerman.dll"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(LoadLibraryA(QString::fromLatin1(name)), nullptr);
    }
    FreeLibrary(nullptr);  // harmless
}

TEST(LanguageLibrary, LoadStringTruncatesTerminatesAndKeepsCharactersWhole)
{
    ProgramDirScope scope(PartialLibraryDir());
    HINSTANCE lib = LoadLibraryA(QStringLiteral("QNPartial.dll"));
    ASSERT_NE(lib, nullptr);

    struct Case {
        unsigned id;
        int max;
        int length;
        const char* text;
    };
    // String 33 is "Ö&ffnen": Ö takes two bytes.
    const Case cases[] = {
        {30, 64, 7, "&Jawohl"},
        {30, 8, 7, "&Jawohl"},
        {30, 7, 6, "&Jawoh"},
        {30, 1, 0, ""},
        {33, 4, 3, "\xC3\x96&"},
        {33, 3, 2, "\xC3\x96"},
        {33, 2, 0, ""},    // the first character does not fit at all
        {26, 64, 0, ""},   // held empty
        {31, 64, 0, ""},   // missing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " max " << c.max);
        char buf[80];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(LoadStringA(lib, c.id, buf, c.max), c.length);
        EXPECT_STREQ(buf, c.text);
        EXPECT_EQ(buf[c.max], '#') << "wrote past max";
    }
    char buf[4] = "abc";
    EXPECT_EQ(LoadStringA(lib, 30, buf, 0), 0);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(LoadStringA(lib, 30, nullptr, 10), 0);
    EXPECT_EQ(LoadStringA(nullptr, 30, buf, 4), 0);
    EXPECT_STREQ(buf, "");
    FreeLibrary(lib);
}

TEST(LanguageLibrary, LocaleNamesGiveWindowsLanguageIdentifiers)
{
    const auto& table = DefaultLocaleLanguages();
    const struct {
        const char* locale;
        unsigned langId;
    } cases[] = {
        {"de_DE.UTF-8", 0x0407},  {"de_AT", 0x0C07},        {"de", 0x0407},
        {"zh_CN.UTF-8", 0x0804},  {"zh_TW.Big5", 0x0404},   {"zh_SG", 0x1004},
        {"zh_HK.UTF-8", 0x0C04},  {"ja_JP.eucJP", 0x0411},  {"pt_BR.UTF-8", 0x0416},
        {"pt", 0x0816},           {"sr_RS@latin", 0x0C1A},  {"fr_FR@euro", 0x040C},
        {"es_XX", 0x0C0A},        {"C", 0x0409},            {"POSIX", 0x0409},
        {"C.UTF-8", 0x0409},      {"", 0x0409},             {"xx_YY", 0x0409},
        {"en-GB", 0x0809},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(LangIDForLocale(QString::fromLatin1(c.locale), table), c.langId);
    }
}

TEST(LanguageLibrary, UserLanguageComesFromTheFirstLocaleVariableSet)
{
    EnvScope env;
    EXPECT_EQ(GetUserDefaultLangID(), 0x0409u);  // nothing set: the C locale
    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0411u);
    setenv("LC_MESSAGES", "zh_TW.UTF-8", 1);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0404u);
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0804u);
    setenv("LC_ALL", "", 1);  // empty counts as unset
    EXPECT_EQ(GetUserDefaultLangID(), 0x0404u);

    const std::vector<LocaleLanguage> injected = {{"zh_TW", 0x1004}};
    SetLocaleLanguageTable(&injected);
    EXPECT_EQ(GetUserDefaultLangID(), 0x1004u);
    SetLocaleLanguageTable(nullptr);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0404u);
}

} // namespace
