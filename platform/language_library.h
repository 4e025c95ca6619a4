#pragma once
// Interface-language libraries: shared objects in the program folder, each exporting one
// lookup function for its numbered strings (UTF-8). Windows-like entry points.
#include <QString>
#include <vector>

using HINSTANCE = void*;

// Loads a library from the program folder by its file name; a ".dll" name is taken as the
// ".so" of the same name, and the name is matched without regard to case. An absolute path
// is used as given. Returns nullptr when the file is missing or does not load.
HINSTANCE LoadLibraryA(const QString& name);
// Copies string id of the library into buf as UTF-8, at most max-1 bytes (never splitting a
// character), always terminated. Returns the number of bytes copied, 0 when the library lacks
// the string or the arguments are unusable.
int LoadStringA(HINSTANCE instance, unsigned id, char* buf, int max);
// Unloads a library from LoadLibraryA; nullptr is ignored.
void FreeLibrary(HINSTANCE instance);
// The file that LoadLibraryA would load for name ("" when none is there).
QString LanguageLibraryPath(const QString& name);

// Windows language identifiers: primary language in the low 10 bits, sub-language above.
constexpr unsigned PRIMARYLANGID(unsigned langId) { return langId & 0x3FF; }
constexpr unsigned SUBLANGID(unsigned langId) { return langId >> 10; }
constexpr unsigned MAKELANGID(unsigned primary, unsigned sub) { return (sub << 10) | primary; }

// One row of the locale table: a locale name ("zh_TW", "de") and its language identifier.
// A row with a territory wins over the bare language.
struct LocaleLanguage {
    const char* locale;
    unsigned langId;
};

// The built-in table.
const std::vector<LocaleLanguage>& DefaultLocaleLanguages();
// Tests: replaces the table GetUserDefaultLangID uses; nullptr restores the built-in one.
void SetLocaleLanguageTable(const std::vector<LocaleLanguage>* table);
// The identifier of a locale name such as "pt_BR.UTF-8" or "sr_RS@latin": the row of
// language_territory, else of the language; 0x0409 (English, United States) for "C", "POSIX",
// an empty name, or a language the table lacks.
unsigned LangIDForLocale(const QString& locale, const std::vector<LocaleLanguage>& table);
// The user's language from LC_ALL, LC_MESSAGES or LANG (first one set).
unsigned GetUserDefaultLangID();
