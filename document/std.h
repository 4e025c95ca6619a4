#pragma once
// Unit Std: rounding and length conversions, interface strings and language, context help,
// small text helpers, version tests and the open/save dialog classes shared by every window.
#include "controls/host_dialog.h"
#include "lang/string_ids.h"
#include "platform/language_library.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QFontMetrics;
class QWidget;

// ---- rounding and lengths (tenths of a millimetre) ----

// A fraction above one half rounds up, anything else down: 2.5 -> 2, 2.51 -> 3, -2.2 -> -3.
int RoundValue(double x);
// RoundValue of a scaled coordinate, held within +-1e9 so values from damaged documents stay
// within int.
int RoundCoordinate(double x);
// Screen factor k: pixels per inch times 0.3937, single precision.
float ScreenFactor(int pixelsPerInch);
// Screen pixels of a length: RoundValue(size * k * 0.01), at the screen's PixelsPerInch.
int ScreenPixels(double size);
int ScreenPixels(double size, int pixelsPerInch);
// Print pixels of a length at dpi: RoundValue(size * 0.003937 * dpi).
int PrintPixels(double size, int dpi);

// ---- settings ----

// The program's settings key, and the section most settings live in.
QString ProductKey();
QString BasicInfo();
// The section of the interface language and other options.
QString OptionSection();

// ---- window states ----

// Window states as stored in "WindowState" and "ChildWindowState".
enum TWindowState : int {
    wsNormal = 0,
    wsMinimized = 1,
    wsMaximized = 2,
};
// The stored state of a window (minimised wins over maximised).
TWindowState WindowStateOf(const QWidget* w);

// ---- interface language ----

// Low 16 bits: primary language; high 16 bits: sub-language (Chinese only). 0 = none chosen.
extern unsigned CurrentLanguage;
// The loaded language library, nullptr when the built-in English texts are used.
extern HINSTANCE LanguageDll;

// Text number id in the current language; the built-in text when the library lacks it.
QString LoadLangStr(int id);
// Reads "Option"/"Language" (or chooses from the user's language) and loads its library.
void InitUILanguage();
// Frees the current library and loads CurrentLanguage's, with Qt's own translations for that
// language when the library loads (Qt's texts stay English when it does not).
void LoadLanguageDll();
void FreeLanguageDll();

// The language code chosen from a Windows language identifier when nothing is stored.
unsigned LanguageCodeForLangID(unsigned langId);
// Library file name of a language code, from the built-in table; "" when it has none.
QString LanguageLibraryName(unsigned code);
// Locale of a language code ("de", "zh_TW"); "" for English and codes without a library.
QString LanguageLocaleName(unsigned code);
// Font character set of a language code.
int LanguageCharset(unsigned code);
// Sets the font character set of CurrentLanguage on parent's child controls, recursively.
void ApplyLanguageCharset(QWidget* parent);

// ---- context help ----

constexpr uint16_t HELP_CONTEXTPOPUP = 8;
constexpr uint16_t HELP_SETPOPUP_POS = 13;

// Body of the forms' help handlers: popup position and context popups; callHelp is cleared.
bool HandleHelpCommand(uint16_t command, int data, bool& callHelp);
// Shows string contextId as a text popup at screen point (x, y). Always true.
bool ShowHelpPopup(int contextId, int x, int y);
// The popup's lines: broken at spaces to fit width pixels; a word is cut only when it alone
// is wider.
QStringList WrapHelpText(const QString& text, const QFontMetrics& metrics, int width);
// Tests see the popups here instead; nullptr restores the real popup.
using HelpPopupHandler = std::function<void(const QString& text, const QPoint& screenPos)>;
void SetHelpPopupHandler(HelpPopupHandler handler);
// Where the next context popup opens.
QPoint HelpPopupPosition();
// The help context of a control (0 = none); F1 on a form set up by InstallContextHelp shows it.
void SetHelpContext(QWidget* w, int context);
int HelpContext(const QWidget* w);
// Makes F1 and what's-this clicks on form's controls run HandleHelpCommand with the
// control's help context, the popup placed below the control (or at the click).
void InstallContextHelp(QWidget* form);

// Full path of the user's manual, "" when it does not exist.
QString GetHelpFileName();

// ---- text helpers ----

// Replaces every occurrence of pattern, left to right, without overlap; case-sensitive.
QString ReplaceAll(const QString& text, const QString& pattern, const QString& replacement);
// Decimal: not empty, digits only. Hex: two characters of prefix, then at least one hex digit.
bool IsNumberText(const QString& text, bool hex);

// ---- system version ----

constexpr uint32_t VER_PLATFORM_WIN32s = 0;
constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFO {
    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t dwBuildNumber = 0;
    uint32_t dwPlatformId = 0;
};

bool IsWinNTVersion(const OSVERSIONINFO& v);
bool IsWin2000OrMeVersion(const OSVERSIONINFO& v);
// The record the program answers with (an NT 5 system, so the NT paths run).
OSVERSIONINFO GetVersionRecord();
// Tests: answers with v instead; nullptr restores the default.
void SetVersionRecord(const OSVERSIONINFO* v);
bool IsWinNT();
bool IsWin2000OrMe();

// ---- open and save dialogs ----

// The program's own open and save dialogs: the hosted file dialogs without a form of their own.

class TOpenDialogEx {
public:
    explicit TOpenDialogEx(QWidget* owner = nullptr) : Owner(owner) {}
    virtual ~TOpenDialogEx() = default;

    QWidget* Owner;
    QString Title;
    QString Filter;
    int FilterIndex = 1;   // one-based, as in the filter text
    QString FileName;
    QStringList Files;     // every chosen file with ofAllowMultiSelect
    QString InitialDir;
    QString DefaultExt;    // without the dot
    unsigned Options = ofHideReadOnly;

    // Runs the dialog modally; true when the user chose a file (FileName holds it).
    bool Execute();
    virtual bool IsSave() const { return false; }
};

class TSaveDialogEx : public TOpenDialogEx {
public:
    explicit TSaveDialogEx(QWidget* owner = nullptr) : TOpenDialogEx(owner) {}
    bool IsSave() const override { return true; }
};

// Tests answer the dialogs here (set FileName, return the result); nullptr restores them.
using FileDialogHandler = std::function<bool(TOpenDialogEx& dialog)>;
void SetFileDialogHandler(FileDialogHandler handler);
