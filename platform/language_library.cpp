#include "platform/language_library.h"

#include "platform/file_utils.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {

using LookupFn = const char* (*)(unsigned);

// What a HINSTANCE points to.
struct LoadedLibrary {
    void* module = nullptr;
    LookupFn lookup = nullptr;
};

QString SharedObjectName(const QString& name)
{
    if (name.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        return name.left(name.size() - 4) + QStringLiteral(".so");
    return name;
}

// Length of the longest prefix of text (len bytes) that fits in limit bytes without cutting
// a UTF-8 sequence.
int Utf8Prefix(const char* text, int len, int limit)
{
    if (len <= limit)
        return len;
    int n = limit;
    // Step back over continuation bytes to the start of the cut character.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

const std::vector<LocaleLanguage>* g_localeTable = nullptr;

} // namespace

QString LanguageLibraryPath(const QString& name)
{
    if (name.isEmpty())
        return QString();
    const QString file = SharedObjectName(name);
    // Only a bare name or an absolute path: no relative walks out of the program folder.
    QString path;
    if (QDir::isAbsolutePath(file))
        path = file;
    else if (file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')))
        return QString();
    else
        path = ProgramDir() + QLatin1Char('/') + file;
    path = FindPathNoCase(path);
    return QFileInfo(path).isFile() ? path : QString();
}

HINSTANCE LoadLibraryA(const QString& name)
{
    const QString path = LanguageLibraryPath(name);
    if (path.isEmpty())
        return nullptr;
    void* module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return nullptr;
    auto* lib = new LoadedLibrary;
    lib->module = module;
    // A module without string table still loads; it simply has no strings.
    lib->lookup = reinterpret_cast<LookupFn>(dlsym(module, "KorvaneLangString"));
    return lib;
}

int LoadStringA(HINSTANCE instance, unsigned id, char* buf, int max)
{
    if (!buf || max <= 0)
        return 0;
    buf[0] = '\0';
    auto* lib = static_cast<LoadedLibrary*>(instance);
    if (!lib || !lib->lookup)
        return 0;
    const char* text = lib->lookup(id);
    if (!text)
        return 0;
    const size_t full = std::strlen(text);
    const int len = full > size_t(max) ? max : int(full);
    const int n = Utf8Prefix(text, len, max - 1);
    std::memcpy(buf, text, size_t(n));
    buf[n] = '\0';
    return n;
}

void FreeLibrary(HINSTANCE instance)
{
    auto* lib = static_cast<LoadedLibrary*>(instance);
    if (!lib)
        return;
    if (lib->module)
        dlclose(lib->module);
    delete lib;
}

const std::vector<LocaleLanguage>& DefaultLocaleLanguages()
{
    // Bare languages give their default sub-language; territories are listed where the
    // identifier differs and something may depend on it (Chinese above all).
    static const std::vector<LocaleLanguage> table = {
        {"ar", 0x0401}, {"bg", 0x0402}, {"ca", 0x0403},
        {"zh", 0x0804}, {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04},
        {"zh_SG", 0x1004}, {"zh_MO", 0x1404},
        {"cs", 0x0405}, {"da", 0x0406},
        {"de", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407},
        {"el", 0x0408},
        {"en", 0x0409}, {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
        {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09},
        {"es", 0x0C0A}, {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_AR", 0x2C0A},
        {"fi", 0x040B},
        {"fr", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C},
        {"he", 0x040D}, {"hu", 0x040E}, {"is", 0x040F},
        {"it", 0x0410}, {"it_CH", 0x0810},
        {"ja", 0x0411}, {"ko", 0x0412},
        {"nl", 0x0413}, {"nl_BE", 0x0813},
        {"nb", 0x0414}, {"no", 0x0414}, {"nn", 0x0814},
        {"pl", 0x0415},
        {"pt", 0x0816}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
        {"rm", 0x0417}, {"ro", 0x0418}, {"ru", 0x0419},
        {"hr", 0x041A}, {"sr", 0x0C1A}, {"sr_RS", 0x0C1A}, {"bs", 0x141A},
        {"sk", 0x041B}, {"sq", 0x041C},
        {"sv", 0x041D}, {"sv_FI", 0x081D},
        {"th", 0x041E}, {"tr", 0x041F}, {"ur", 0x0420}, {"id", 0x0421}, {"uk", 0x0422},
        {"be", 0x0423}, {"sl", 0x0424}, {"et", 0x0425}, {"lv", 0x0426}, {"lt", 0x0427},
        {"fa", 0x0429}, {"vi", 0x042A}, {"hy", 0x042B}, {"eu", 0x042D}, {"mk", 0x042F},
        {"af", 0x0436}, {"ka", 0x0437}, {"fo", 0x0438}, {"hi", 0x0439}, {"ms", 0x043E},
        {"kk", 0x043F}, {"sw", 0x0441}, {"bn", 0x0445}, {"ta", 0x0449}, {"gl", 0x0456},
        {"cy", 0x0452}, {"ga", 0x083C},
    };
    return table;
}

void SetLocaleLanguageTable(const std::vector<LocaleLanguage>* table)
{
    g_localeTable = table;
}

unsigned LangIDForLocale(const QString& locale, const std::vector<LocaleLanguage>& table)
{
    constexpr unsigned kEnglishUS = 0x0409;
    QString name = locale.trimmed();
    // language[_territory][.codeset][@modifier]
    const int cut = name.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0)
        name.truncate(cut);
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return kEnglishUS;
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    const QString language = name.section(QLatin1Char('_'), 0, 0);
    const QString territory = name.section(QLatin1Char('_'), 1, 1);
    const QString full = territory.isEmpty() ? QString() : language + QLatin1Char('_') + territory;
    unsigned bare = 0;
    for (const LocaleLanguage& row : table) {
        const QString key = QString::fromLatin1(row.locale);
        if (!full.isEmpty() && key.compare(full, Qt::CaseInsensitive) == 0)
            return row.langId;
        if (!bare && key.compare(language, Qt::CaseInsensitive) == 0)
            bare = row.langId;
    }
    return bare ? bare : kEnglishUS;
}

unsigned GetUserDefaultLangID()
{
    const char* value = nullptr;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        value = std::getenv(var);
        if (value && *value)
            break;
        value = nullptr;
    }
    return LangIDForLocale(value ? QString::fromLocal8Bit(value) : QString(),
                           g_localeTable ? *g_localeTable : DefaultLocaleLanguages());
}
