#include "document/std.h"

#include "controls/control_strings.h"
#include "lang/builtin_strings.h"
#include "platform/control_classes.h"
#include "platform/cursors.h"
#include "platform/file_utils.h"
#include "platform/help_context.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QTranslator>
#include <QVariant>
#include <QWhatsThis>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <shared_mutex>

// ---- rounding and lengths ----

int RoundValue(double x)
{
    const double f = x - std::trunc(x);
    return static_cast<int>(f > 0.5 ? std::ceil(x) : std::floor(x));
}

int RoundCoordinate(double x)
{
    return RoundValue(std::clamp(x, -1.0e9, 1.0e9));
}

float ScreenFactor(int pixelsPerInch)
{
    return static_cast<float>(pixelsPerInch) * 0.3937f;
}

int ScreenPixels(double size, int pixelsPerInch)
{
    const float k = ScreenFactor(pixelsPerInch);
    return RoundValue(size * static_cast<double>(k) * 0.01);
}

int ScreenPixels(double size)
{
    return ScreenPixels(size, Screen ? Screen->PixelsPerInch : 96);
}

int PrintPixels(double size, int dpi)
{
    return RoundValue(size * 0.003937 * dpi);
}

// ---- interface language ----

unsigned CurrentLanguage = 0;
HINSTANCE LanguageDll = nullptr;

namespace {

// Print threads read texts while the UI thread may switch the library: the switch waits until
// no lookup is running, so a library is never unloaded under a reader.
std::shared_mutex g_languageLock;

} // namespace

QString OptionSection()
{
    return QStringLiteral("Option");
}

QString ProductKey()
{
    return BuiltinString(ProductKeyString);
}

QString BasicInfo()
{
    return BuiltinString(BasicInfoString);
}

TWindowState WindowStateOf(const QWidget* w)
{
    const Qt::WindowStates s = w->windowState();
    if (s & Qt::WindowMinimized)
        return wsMinimized;
    if (s & Qt::WindowMaximized)
        return wsMaximized;
    return wsNormal;
}

QString LoadLangStr(int id)
{
    const unsigned uid = static_cast<unsigned>(id);
    {
        std::shared_lock lock(g_languageLock);
        if (LanguageDll) {
            char buffer[2048];
            const int n = LoadStringA(LanguageDll, uid, buffer, sizeof buffer);
            if (n > 0)
                return QString::fromUtf8(buffer, n);
        }
    }
    return BuiltinString(uid);
}

// The controls speak the interface language from the start.
[[maybe_unused]] static const bool g_controlStringsLoaded = (SetControlStringLoader(&LoadLangStr), true);

unsigned LanguageCodeForLangID(unsigned langId)
{
    switch (PRIMARYLANGID(langId)) {
    case 4: return langId == 2052 ? 0x00020004 : 0x00010004;
    case 5: return 0x00000005;
    case 7: return 0x00010007;
    case 9: return 0x00010009;
    case 10: return 0x0001000A;
    case 12: return 0x0001000C;
    case 14: return 0x0000000E;
    case 17: return 0x00000011;
    case 18: return 0x00010012;
    case 19: return 0x00010013;
    case 21: return 0x00000015;
    case 25: return 0x00000019;
    case 26: return 0x0002001A;
    case 29: return 0x0001001D;
    default: return 0x00010009;
    }
}

QString LanguageLibraryName(unsigned code)
{
    unsigned id = 0;
    switch (code & 0x3FF) {
    case 4:
        switch (code >> 16) {
        case 1: id = 600; break;
        case 2: id = 601; break;
        default: break;
        }
        break;
    case 5: id = 607; break;
    case 7: id = 605; break;
    case 10: id = 606; break;
    case 12: id = 604; break;
    case 14: id = 612; break;
    case 17: id = 603; break;
    case 18: id = 642; break;
    case 19: id = 640; break;
    case 21: id = 641; break;
    case 25: id = 643; break;
    case 26: id = 613; break;
    case 29: id = 614; break;
    default: break;
    }
    return id ? BuiltinString(id) : QString();
}

int LanguageCharset(unsigned code)
{
    switch (code & 0x3FF) {
    case 17: return SHIFTJIS_CHARSET;
    case 4: return (code >> 16) == 2 ? GB2312_CHARSET : CHINESEBIG5_CHARSET;
    default: return DEFAULT_CHARSET;
    }
}

QString LanguageLocaleName(unsigned code)
{
    switch (code & 0x3FF) {
    case 4: return (code >> 16) == 2 ? QStringLiteral("zh_CN") : QStringLiteral("zh_TW");
    case 5: return QStringLiteral("cs");
    case 7: return QStringLiteral("de");
    case 10: return QStringLiteral("es");
    case 12: return QStringLiteral("fr");
    case 14: return QStringLiteral("hu");
    case 17: return QStringLiteral("ja");
    case 18: return QStringLiteral("ko");
    case 19: return QStringLiteral("nl");
    case 21: return QStringLiteral("pl");
    case 25: return QStringLiteral("ru");
    case 26: return QStringLiteral("sr");
    case 29: return QStringLiteral("sv");
    default: return QString();
    }
}

namespace {

QTranslator* g_qtTranslator = nullptr;

// Qt's own texts (standard buttons, the colour and file dialogs) in the language whose library
// is loaded, so that a window never mixes two languages; English when none is.
void LoadQtTranslations(const QString& locale)
{
    if (locale.isEmpty() || !QCoreApplication::instance())
        return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(locale), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    g_qtTranslator = translator.release();
    QCoreApplication::installTranslator(g_qtTranslator);
}

void FreeQtTranslations()
{
    if (!g_qtTranslator)
        return;
    QCoreApplication::removeTranslator(g_qtTranslator);
    delete g_qtTranslator;
    g_qtTranslator = nullptr;
}

} // namespace

void FreeLanguageDll()
{
    FreeQtTranslations();
    std::unique_lock lock(g_languageLock);
    if (LanguageDll) {
        FreeLibrary(LanguageDll);
        LanguageDll = nullptr;
    }
}

void LoadLanguageDll()
{
    FreeLanguageDll();
    SetMessageCaptionLoader([](TMsgDlgType type) { return LoadLangStr(WarningCaptionString + int(type)); });
    const QString name = LanguageLibraryName(CurrentLanguage);
    HINSTANCE dll = name.isEmpty() ? nullptr : LoadLibraryA(name);
    {
        std::unique_lock lock(g_languageLock);
        LanguageDll = dll;
    }
    LoadQtTranslations(dll ? LanguageLocaleName(CurrentLanguage) : QString());
}

void InitUILanguage()
{
    FreeLanguageDll();
    {
        TRegIniFile reg(ProductKey());
        CurrentLanguage = static_cast<unsigned>(reg.ReadInteger(OptionSection(), QStringLiteral("Language"), 0));
    }
    if (CurrentLanguage == 0)
        CurrentLanguage = LanguageCodeForLangID(GetUserDefaultLangID());
    LoadLanguageDll();
}

namespace {

bool SetsLanguageCharset(ControlClass cls)
{
    switch (cls) {
    case ControlClass::TForm:
    case ControlClass::TToolBar:
    case ControlClass::TLabel:
    case ControlClass::TButton:
    case ControlClass::TSpeedButton:
    case ControlClass::TRadioButton:
    case ControlClass::TRadioGroup:
    case ControlClass::TCheckBox:
    case ControlClass::TGroupBox:
    case ControlClass::TEdit:
    case ControlClass::TMemo:
    case ControlClass::TStaticText:
    case ControlClass::TComboBox:
    case ControlClass::TPanel:
    case ControlClass::TListBox:
    case ControlClass::TListView:
    case ControlClass::TTreeView:
    case ControlClass::TPageControl:
    case ControlClass::TTabSheet:
    case ControlClass::TSBVertListView:
    case ControlClass::TSBOutHeader:
    case ControlClass::TNSShellCombo:
    case ControlClass::TNSShellList:
    case ControlClass::TNSShellTree:
        return true;
    default:
        return false;
    }
}

void ApplyCharsetToChildren(QWidget* parent, int charset)
{
    for (QObject* obj : parent->children()) {
        auto* child = qobject_cast<QWidget*>(obj);
        // Owned windows (dialogs, popups) are not controls of this form.
        if (!child || child->isWindow())
            continue;
        if (SetsLanguageCharset(ControlClassOf(child)))
            SetWidgetCharset(child, charset);
        if (HasChildControls(child))
            ApplyCharsetToChildren(child, charset);
    }
}

} // namespace

void ApplyLanguageCharset(QWidget* parent)
{
    if (parent)
        ApplyCharsetToChildren(parent, LanguageCharset(CurrentLanguage));
}

// ---- context help ----

namespace {

int g_popupX = 0;
int g_popupY = 0;
HelpPopupHandler g_popupHandler;
const char kHelpContextProperty[] = "korvaneHelpContext";

} // namespace

// Hosted common dialogs show their help context through the application's help call.
[[maybe_unused]] const bool g_helpContextInstalled = [] {
    SetHelpContextHandler([](int context, const QPoint& at) { ShowHelpPopup(context, at.x(), at.y()); });
    return true;
}();

bool HandleHelpCommand(uint16_t command, int data, bool& callHelp)
{
    callHelp = false;
    switch (command) {
    case HELP_CONTEXTPOPUP:
        return ShowHelpPopup(data, g_popupX, g_popupY);
    case HELP_SETPOPUP_POS: {
        const auto packed = static_cast<uint32_t>(data);
        g_popupX = static_cast<int>(packed & 0xFFFF);
        g_popupY = static_cast<int>(packed >> 16);
        return true;
    }
    default:
        return false;
    }
}

bool ShowHelpPopup(int contextId, int x, int y)
{
    QString text = LoadLangStr(contextId);
    if (!text.isEmpty())
        text += QLatin1Char(' ');
    const QPoint pos(x, y);
    if (g_popupHandler) {
        g_popupHandler(text, pos);
        return true;
    }
    // A blank keeps the popup visible when the string is empty. The lines are broken here, at
    // spaces, to the width the popup gives plain text; as plain text the popup keeps them,
    // where its rich-text layout would cut words in half.
    QScreen* screen = QGuiApplication::primaryScreen();
    const int width = std::clamp(screen ? screen->virtualGeometry().width() / 3 : 300, 200, 300);
    const QStringList lines =
        WrapHelpText(text.isEmpty() ? QStringLiteral(" ") : text, QFontMetrics(QApplication::font("QWhatsThat")), width);
    QWhatsThis::showText(pos, lines.join(QLatin1Char('\n')));
    return true;
}

QStringList WrapHelpText(const QString& text, const QFontMetrics& metrics, int width)
{
    // Blanks at the end of a line take no room: they never push a word down.
    const auto advance = [&](const QString& s) {
        qsizetype n = s.size();
        while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
            --n;
        return metrics.horizontalAdvance(s.left(n));
    };
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        bool first = true;
        for (const QString& word : paragraph.split(QLatin1Char(' '))) {
            const QString joined = first ? word : line + QLatin1Char(' ') + word;
            if (first || line.isEmpty() || advance(joined) <= width) {
                line = joined;
            } else {
                lines << line;
                line = word;
            }
            first = false;
            // A word wider than the popup alone is the only one broken, where it overflows.
            while (line.size() > 1 && advance(line) > width) {
                qsizetype fit = 1;
                while (fit < line.size() && metrics.horizontalAdvance(line.left(fit + 1)) <= width)
                    ++fit;
                lines << line.left(fit);
                line = line.mid(fit);
            }
        }
        lines << line;
    }
    return lines;
}

void SetHelpPopupHandler(HelpPopupHandler handler)
{
    g_popupHandler = std::move(handler);
}

QPoint HelpPopupPosition()
{
    return QPoint(g_popupX, g_popupY);
}

void SetHelpContext(QWidget* w, int context)
{
    if (w)
        w->setProperty(kHelpContextProperty, context);
}

int HelpContext(const QWidget* w)
{
    return w ? w->property(kHelpContextProperty).toInt() : 0;
}

namespace {

// The nearest widget from w up to form that has a help context.
QWidget* HelpTarget(QWidget* w, QWidget* form)
{
    for (; w; w = w->parentWidget()) {
        if (HelpContext(w) != 0)
            return w;
        if (w == form)
            break;
    }
    return nullptr;
}

void PopupHelpAt(int context, const QPoint& global)
{
    // Screen coordinates travel as two unsigned 16-bit halves, as the position command packs them.
    const uint32_t packed = (static_cast<uint32_t>(global.y() & 0xFFFF) << 16)
                          | static_cast<uint32_t>(global.x() & 0xFFFF);
    bool callHelp = false;
    HandleHelpCommand(HELP_SETPOPUP_POS, static_cast<int>(packed), callHelp);
    HandleHelpCommand(HELP_CONTEXTPOPUP, context, callHelp);
}

class ContextHelpFilter : public QObject {
public:
    explicit ContextHelpFilter(QWidget* form) : QObject(form), m_form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
            // The key reaches the focused control first; unhandled, it travels up to the form.
            auto* w = qobject_cast<QWidget*>(watched);
            if (!w || !m_form || (w != m_form && !m_form->isAncestorOf(w)))
                return false;
            if (QWidget* target = HelpTarget(w, m_form)) {
                PopupHelpAt(HelpContext(target), target->mapToGlobal(QPoint(0, target->height())));
                return true;
            }
            return false;
        }
        if (event->type() == QEvent::QueryWhatsThis || event->type() == QEvent::WhatsThis) {
            auto* w = qobject_cast<QWidget*>(watched);
            QWidget* target = m_form ? HelpTarget(w, m_form) : nullptr;
            if (!target)
                return false;
            if (event->type() == QEvent::QueryWhatsThis) {
                event->accept();
                return true;
            }
            PopupHelpAt(HelpContext(target), static_cast<QHelpEvent*>(event)->globalPos());
            event->accept();
            return true;
        }
        return false;
    }

private:
    QPointer<QWidget> m_form;
};

} // namespace

void InstallContextHelp(QWidget* form)
{
    if (!form)
        return;
    auto* filter = new ContextHelpFilter(form);
    form->installEventFilter(filter);
    for (QWidget* w : form->findChildren<QWidget*>())
        w->installEventFilter(filter);
}

QString GetHelpFileName()
{
    const QString fallback = ProgramDir() + QStringLiteral("/kv_enu.html");
    TRegIniFile reg(ProductKey());
    const QString value = reg.ReadString(QStringLiteral("Help"), QString(), fallback);
    if (value.isEmpty())
        return QString();
    const QFileInfo info(value);
    return info.isFile() ? value : QString();
}

// ---- text helpers ----

QString ReplaceAll(const QString& text, const QString& pattern, const QString& replacement)
{
    if (pattern.isEmpty())
        return text;
    QString output;
    qsizetype from = 0;
    int count = 0;
    for (;;) {
        const qsizetype at = text.indexOf(pattern, from, Qt::CaseSensitive);
        if (at < 0)
            break;
        output += QStringView(text).mid(from, at - from);
        output += replacement;
        from = at + pattern.size();
        ++count;
    }
    if (count == 0)
        return text;
    output += QStringView(text).mid(from);
    return output;
}

bool IsNumberText(const QString& text, bool hex)
{
    if (!hex) {
        if (text.isEmpty())
            return false;
        for (QChar c : text)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        return true;
    }
    if (text.size() < 3)
        return false;
    for (qsizetype i = 2; i < text.size(); ++i) {
        const QChar c = text.at(i).toUpper();
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool letter = c >= QLatin1Char('A') && c <= QLatin1Char('F');
        if (!digit && !letter)
            return false;
    }
    return true;
}

// ---- system version ----

namespace {

bool g_versionPinned = false;
OSVERSIONINFO g_pinnedVersion;

} // namespace

bool IsWinNTVersion(const OSVERSIONINFO& v)
{
    return v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool IsWin2000OrMeVersion(const OSVERSIONINFO& v)
{
    switch (v.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        return v.dwMajorVersion == 5 || (v.dwMinorVersion == 90 && v.dwMajorVersion >= 4);
    case VER_PLATFORM_WIN32_NT:
        return v.dwMajorVersion == 5;
    default:
        return false;
    }
}

OSVERSIONINFO GetVersionRecord()
{
    if (g_versionPinned)
        return g_pinnedVersion;
    OSVERSIONINFO v;
    v.dwMajorVersion = 5;
    v.dwMinorVersion = 1;
    v.dwBuildNumber = 2600;
    v.dwPlatformId = VER_PLATFORM_WIN32_NT;
    return v;
}

void SetVersionRecord(const OSVERSIONINFO* v)
{
    g_versionPinned = v != nullptr;
    if (v)
        g_pinnedVersion = *v;
}

bool IsWinNT()
{
    return IsWinNTVersion(GetVersionRecord());
}

bool IsWin2000OrMe()
{
    return IsWin2000OrMeVersion(GetVersionRecord());
}

// ---- open and save dialogs ----

namespace {

FileDialogHandler g_fileDialogHandler;

} // namespace

void SetFileDialogHandler(FileDialogHandler handler)
{
    g_fileDialogHandler = std::move(handler);
}

bool TOpenDialogEx::Execute()
{
    if (g_fileDialogHandler)
        return g_fileDialogHandler(*this);

    std::unique_ptr<TFormOpenDialog> dialog;
    if (IsSave())
        dialog = std::make_unique<TFormSaveDialog>();
    else
        dialog = std::make_unique<TFormOpenDialog>();
    dialog->OwnerWindow = Owner;
    dialog->UseStandardCaptions();
    dialog->Title = Title;
    dialog->Filter = Filter;
    dialog->FilterIndex = FilterIndex;
    dialog->FileName = FileName;
    dialog->SetInitialDir(InitialDir);
    dialog->SetDefaultExt(DefaultExt);
    dialog->Options = Options;
    // Help and read-only appear only when the options ask for them.
    unsigned visible = AllVisibleControls;
    if (!(Options & ofShowHelp))
        visible &= ~unsigned(ccHelpButton);
    if (Options & ofHideReadOnly)
        visible &= ~unsigned(ccReadOnlyCheckBox);
    dialog->SetVisibleControls(visible);
    if (!dialog->Execute())
        return false;
    FileName = dialog->FileName;
    Files = dialog->Files;
    FilterIndex = dialog->FilterIndex;
    Options = dialog->Options;
    return true;
}
