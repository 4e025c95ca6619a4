#include "document/std.h"

#include "lang/builtin_strings.h"
#include "platform/control_classes.h"
#include "platform/cursors.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "support/test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Sets an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char* name, const QString& value) : m_name(name)
    {
        const char* old = std::getenv(name);
        if (old)
            m_old = QByteArray(old);
        m_had = old != nullptr;
        setenv(name, value.toLocal8Bit().constData(), 1);
    }
    ~EnvVar()
    {
        if (m_had)
            setenv(m_name, m_old.constData(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had = false;
};

// Leaves the language state as the program starts: nothing chosen, no library.
class LanguageState : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        FreeLanguageDll();
        CurrentLanguage = 0;
        TRegIniFile(ProductKey()).DeleteKey(QStringLiteral("Option"), QStringLiteral("Language"));
    }
};

TEST(Rounding, FractionAboveOneHalfRoundsUpEverythingElseDown)
{
    const struct {
        double x;
        int expected;
    } cases[] = {
        {2.5, 2},   {2.5000001, 3}, {2.51, 3}, {3.0, 3},   {0.49, 0},   {0.0, 0},
        {-0.5, -1}, {-2.2, -3},     {-2.7, -3}, {-3.0, -3}, {-0.0, 0},  {1e9 + 0.6, 1000000001},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundValue(c.x), c.expected) << "x = " << c.x;
}

TEST(Rounding, ScreenAndPrintPixelsOfTenthsOfAMillimetre)
{
    EXPECT_FLOAT_EQ(ScreenFactor(96), 37.7952f);
    const struct {
        double size;
        int ppi;
        int expected;
    } screen[] = {
        {1000, 96, 378},  // 10 cm
        {1200, 96, 454},  // 453.54
        {1, 96, 0},       {0, 96, 0},  {-1000, 96, -378},  {1000, 120, 472},
    };
    for (const auto& c : screen)
        EXPECT_EQ(ScreenPixels(c.size, c.ppi), c.expected) << c.size << " at " << c.ppi;
    ASSERT_EQ(Screen->PixelsPerInch, 96);
    EXPECT_EQ(ScreenPixels(1000), 378);

    const struct {
        double size;
        int dpi;
        int expected;
    } print[] = {
        {1000, 360, 1417}, {1000, 600, 2362}, {1200, 300, 1417}, {2970, 300, 3508}, {0, 600, 0},
    };
    for (const auto& c : print)
        EXPECT_EQ(PrintPixels(c.size, c.dpi), c.expected) << c.size << " at " << c.dpi;
}

TEST(Language, CodeChosenFromTheUsersLanguageIdentifier)
{
    const struct {
        unsigned langId;
        unsigned code;
    } cases[] = {
        {2052, 0x00020004}, {1028, 0x00010004}, {4100, 0x00010004}, {3076, 0x00010004},
        {0x0407, 0x00010007}, {0x0807, 0x00010007}, {0x0C0A, 0x0001000A}, {0x0411, 0x00000011},
        {0x0412, 0x00010012}, {0x0C1A, 0x0002001A}, {0x0416, 0x00010009}, {0x0816, 0x00010009},
        {0x0409, 0x00010009}, {0x0410, 0x00010009}, {0, 0x00010009},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageCodeForLangID(c.langId), c.code) << "identifier " << c.langId;
}

TEST(Language, LibraryAndCharsetOfEachCode)
{
    const struct {
        unsigned code;
        const char* library;
        int charset;
    } cases[] = {
        {0x00010004, "QNChiTra.dll", 136}, {0x00020004, "QNChiSim.dll", 134},
        {0x00030004, "", 136},             {0x00000004, "", 136},
        {0x00010007, "QNGerman.dll", 1},   {0x00000011, "QNJapans.dll", 128},
        {0x0000000A, "QNSpanish.dll", 1},  {0x0001000A, "QNSpanish.dll", 1},
        {0x0002001A, "QNSerbian.dll", 1},  {0x0001001D, "QNSwedish.dll", 1},
        {0x00010009, "", 1},               {0x00010010, "", 1},
        {0, "", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageLibraryName(c.code), QString::fromLatin1(c.library)) << std::hex << c.code;
        EXPECT_EQ(LanguageCharset(c.code), c.charset) << std::hex << c.code;
    }
}

TEST_F(LanguageState, StartChoosesFromTheLocaleWhenNothingIsStored)
{
    EnvVar programDir("KORVANE_PROGRAM_DIR", QStringLiteral(KORVANE_BIN_DIR));
    const struct {
        const char* locale;
        unsigned code;
        bool loads;
    } cases[] = {
        {"zh_CN.UTF-8", 0x00020004, false},  // no Chinese library is shipped
        {"zh_TW.UTF-8", 0x00010004, false},
        {"zh_SG.UTF-8", 0x00010004, false},
        {"pt_BR.UTF-8", 0x00010009, false},
        {"C", 0x00010009, false},
        {"de_CH.UTF-8", 0x00010007, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        Reset();
        EnvVar locale("LC_ALL", QString::fromLatin1(c.locale));
        InitUILanguage();
        EXPECT_EQ(CurrentLanguage, c.code);
        EXPECT_EQ(LanguageDll != nullptr, c.loads);
        EXPECT_FALSE(TRegIniFile(ProductKey()).ValueExists(QStringLiteral("Option"), QStringLiteral("Language")))
            << "the choice is not stored at start";
    }
    EXPECT_EQ(LoadLangStr(CancelButtonString), QStringLiteral("&Abbrechen"));
    FreeLanguageDll();
    EXPECT_EQ(LanguageDll, nullptr);
    EXPECT_EQ(LoadLangStr(CancelButtonString), QStringLiteral("&Cancel"));
}

TEST_F(LanguageState, StoredCodeIsUsedUnchanged)
{
    EnvVar programDir("KORVANE_PROGRAM_DIR", QStringLiteral(KORVANE_BIN_DIR));
    EnvVar locale("LC_ALL", QStringLiteral("ja_JP.UTF-8"));

    TRegIniFile(ProductKey()).WriteInteger(QStringLiteral("Option"), QStringLiteral("Language"), 0x00030004);
    InitUILanguage();
    EXPECT_EQ(CurrentLanguage, 0x00030004u);
    EXPECT_EQ(LanguageDll, nullptr);
    EXPECT_EQ(LanguageCharset(CurrentLanguage), 136);

    TRegIniFile(ProductKey()).WriteInteger(QStringLiteral("Option"), QStringLiteral("Language"), 0x00010007);
    InitUILanguage();
    EXPECT_EQ(CurrentLanguage, 0x00010007u);
    ASSERT_NE(LanguageDll, nullptr);
    EXPECT_EQ(LoadLangStr(450), QStringLiteral("&Datei"));
}

TEST_F(LanguageState, MissingLibraryLeavesTheBuiltinTexts)
{
    EnvVar programDir("KORVANE_PROGRAM_DIR", testsupport::freshDir(QStringLiteral("empty-program")));
    CurrentLanguage = 0x00010007;
    LoadLanguageDll();
    EXPECT_EQ(LanguageDll, nullptr);
    EXPECT_EQ(LoadLangStr(450), QStringLiteral("&File"));
}

TEST_F(LanguageState, StringsTheLibraryLacksComeFromTheBuiltinTable)
{
    EnvVar programDir("KORVANE_PROGRAM_DIR", QStringLiteral(KORVANE_BIN_DIR "/../tests/langlib"));
    LanguageDll = LoadLibraryA(QStringLiteral("QNPartial.dll"));
    ASSERT_NE(LanguageDll, nullptr);
    EXPECT_EQ(LoadLangStr(OKButtonString), QStringLiteral("&Jawohl"));
    EXPECT_EQ(LoadLangStr(OpenButtonString), QStringLiteral("Ö&ffnen"));
    EXPECT_EQ(LoadLangStr(CancelButtonString), QStringLiteral("&Cancel"));                    // lacking
    EXPECT_EQ(LoadLangStr(HelpFileMissingString), QStringLiteral("Can't find the Help file!"));  // held empty
    EXPECT_EQ(LoadLangStr(-5), QString());                                   // nowhere
    // A text longer than the 2048-byte buffer is cut before the character that does not fit.
    EXPECT_EQ(LoadLangStr(9000), QString(2046, QLatin1Char('x')));
}

// A box's caption speaks the language its buttons and text speak.
TEST_F(LanguageState, MessageCaptionsInEveryShippedLanguage)
{
    EnvVar programDir("KORVANE_PROGRAM_DIR", QStringLiteral(KORVANE_BIN_DIR));
    QStringList captions;
    SetMessageBoxHandler([&](const MessageBoxCall& call) {
        captions << call.caption;
        return IDOK;
    });
    const struct {
        unsigned language;
        QStringList captions;
    } cases[] = {
        {0x00010009, {"Warning", "Error", "Information", "Confirm"}},
        {0x00010007, {"Warnung", "Fehler", "Information", "Bestätigen"}},
        {0x0001000C, {"Avertissement", "Erreur", "Information", "Confirmation"}},
        {0x0001000A, {"Advertencia", "Error", "Información", "Confirmar"}},
    };
    for (const auto& c : cases) {
        CurrentLanguage = c.language;
        LoadLanguageDll();
        captions.clear();
        for (const TMsgDlgType type : {mtWarning, mtError, mtInformation, mtConfirmation})
            MessageDlg(QStringLiteral("x"), type, mbOK);
        EXPECT_EQ(captions, c.captions) << c.language;
    }
    SetMessageBoxHandler(nullptr);
}

TEST_F(LanguageState, CharsetReachesListedControlsOnly)
{
    QWidget form;
    auto* panel = new QFrame(&form);
    auto* edit = new QLineEdit(panel);
    auto* label = new QLabel(QStringLiteral("caption"), &form);
    auto* image = new QLabel(&form);
    SetControlClass(image, ControlClass::TImage);
    auto* combo = new QComboBox(&form);
    combo->setEditable(true);
    auto* plain = new QWidget(&form);  // an unlisted container: its children still count
    auto* nestedEdit = new QLineEdit(plain);
    auto* owned = new QDialog(&form);  // an owned window, not a control of the form
    auto* ownedEdit = new QLineEdit(owned);

    const struct {
        unsigned code;
        int charset;
    } languages[] = {{0x00030004, 136}, {0x00000011, 128}, {0x00020004, 134}, {0x00010007, 1}};
    for (const auto& lang : languages) {
        SCOPED_TRACE(lang.code);
        CurrentLanguage = lang.code;
        ApplyLanguageCharset(&form);
        for (QWidget* w : {static_cast<QWidget*>(panel), static_cast<QWidget*>(edit), static_cast<QWidget*>(label),
                           static_cast<QWidget*>(combo), static_cast<QWidget*>(nestedEdit)})
            EXPECT_EQ(WidgetCharset(w), lang.charset) << w->metaObject()->className();
        EXPECT_EQ(WidgetCharset(combo->lineEdit()), DEFAULT_CHARSET);
        for (QWidget* w :
             {static_cast<QWidget*>(&form), static_cast<QWidget*>(image), static_cast<QWidget*>(plain),
              static_cast<QWidget*>(owned), static_cast<QWidget*>(ownedEdit)})
            EXPECT_FALSE(w->property("korvaneCharset").isValid()) << w->metaObject()->className();
    }
    ApplyLanguageCharset(nullptr);
}

class HelpPopups : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetHelpPopupHandler([this](const QString& text, const QPoint& pos) { shown.push_back({text, pos}); });
    }
    void TearDown() override { SetHelpPopupHandler(nullptr); }
    std::vector<std::pair<QString, QPoint>> shown;
};

TEST_F(HelpPopups, PositionCommandPlacesTheNextContextPopup)
{
    bool callHelp = true;
    EXPECT_TRUE(HandleHelpCommand(HELP_SETPOPUP_POS, (200 << 16) | 100, callHelp));
    EXPECT_FALSE(callHelp);
    EXPECT_EQ(HelpPopupPosition(), QPoint(100, 200));
    ASSERT_TRUE(shown.empty());

    callHelp = true;
    EXPECT_TRUE(HandleHelpCommand(HELP_CONTEXTPOPUP, 26, callHelp));
    EXPECT_FALSE(callHelp);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, QStringLiteral("Can't find the Help file! "));
    EXPECT_EQ(shown[0].second, QPoint(100, 200));

    // Both halves are unsigned.
    EXPECT_TRUE(HandleHelpCommand(HELP_SETPOPUP_POS, -1, callHelp));
    EXPECT_EQ(HelpPopupPosition(), QPoint(65535, 65535));

    // A context without text still opens, empty; other commands are refused.
    EXPECT_TRUE(HandleHelpCommand(HELP_CONTEXTPOPUP, 477, callHelp));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, QString());
    callHelp = true;
    EXPECT_FALSE(HandleHelpCommand(1, 26, callHelp));
    EXPECT_FALSE(callHelp);
    EXPECT_EQ(shown.size(), 2u);
}

TEST(HelpPopupText, BreaksAtSpacesAndCutsOnlyAWordWiderThanThePopup)
{
    const QFontMetrics fm(QApplication::font());
    const QString sentence = QStringLiteral("Choose the paper type of the new label ");
    const QString word = QStringLiteral("Unbreakablewordwithoutanyspacesatall");
    const struct {
        const char* name;
        QString text;
        int width;
        QString firstLine;
        QString joiner;   // rebuilds the text from the lines; empty for a cut word
    } cases[] = {
        // Just too narrow for "type": the whole word goes to the next line.
        {"WordToNextLine", sentence, fm.horizontalAdvance(QStringLiteral("Choose the paper typ")),
         QStringLiteral("Choose the paper"), QStringLiteral(" ")},
        {"FitsOnOneLine", sentence, fm.horizontalAdvance(sentence.trimmed()), sentence, QStringLiteral(" ")},
        {"LinesOfTheTextKept", QStringLiteral("First\nSecond"), 300, QStringLiteral("First"), QStringLiteral("\n")},
        {"LongWordCut", QStringLiteral("a ") + word, fm.horizontalAdvance(word.left(10)), QStringLiteral("a"), QString()},
    };
    for (const auto& c : cases) {
        const QStringList lines = WrapHelpText(c.text, fm, c.width);
        ASSERT_FALSE(lines.isEmpty()) << c.name;
        EXPECT_EQ(lines.first(), c.firstLine) << c.name;
        if (!c.joiner.isEmpty()) {
            EXPECT_EQ(lines.join(c.joiner), c.text) << c.name;
        }
        for (const QString& line : lines)
            EXPECT_LE(fm.horizontalAdvance(line.trimmed()), c.width) << c.name << ": " << line.toStdString();
    }
    // The long word alone is cut, and nothing of it is lost.
    const QStringList cut = WrapHelpText(QStringLiteral("a ") + word, fm, fm.horizontalAdvance(word.left(10)));
    ASSERT_GE(cut.size(), 4);
    EXPECT_EQ(cut.first(), QStringLiteral("a"));
    EXPECT_EQ(cut.mid(1).join(QString()), word);
}

TEST_F(HelpPopups, F1OnAControlShowsItsContextBelowIt)
{
    QWidget form;
    form.setGeometry(50, 60, 300, 200);
    auto* edit = new QLineEdit(&form);
    edit->setGeometry(10, 20, 100, 24);
    SetHelpContext(edit, 2003);
    auto* bare = new QLineEdit(&form);
    bare->setGeometry(10, 60, 100, 24);
    InstallContextHelp(&form);
    form.show();

    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(edit, &f1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, BuiltinString(2003) + QLatin1Char(' '));
    EXPECT_EQ(shown[0].second, edit->mapToGlobal(QPoint(0, 24)));

    // A control without a context of its own (nor on the form) shows nothing.
    QKeyEvent again(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(bare, &again);
    EXPECT_EQ(shown.size(), 1u);
}

TEST(HelpFile, ManualMustExistWhetherStoredOrDefault)
{
    const QString dir = testsupport::freshDir(QStringLiteral("help-program"));
    EnvVar programDir("KORVANE_PROGRAM_DIR", dir);
    TRegIniFile reg(ProductKey());
    reg.DeleteKey(QStringLiteral("Help"), QString());

    EXPECT_EQ(GetHelpFileName(), QString());
    QFile manual(dir + QStringLiteral("/kv_enu.html"));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    EXPECT_EQ(GetHelpFileName(), dir + QStringLiteral("/kv_enu.html"));

    const QString other = dir + QStringLiteral("/elsewhere.html");
    reg.WriteString(QStringLiteral("Help"), QString(), other);
    EXPECT_EQ(GetHelpFileName(), QString());  // the stored file is missing
    QFile(other).open(QIODevice::WriteOnly);
    EXPECT_EQ(GetHelpFileName(), other);
    reg.WriteString(QStringLiteral("Help"), QString(), QString());
    EXPECT_EQ(GetHelpFileName(), QString());
    reg.DeleteKey(QStringLiteral("Help"), QString());
}

// Earlier versions stored their settings under these names; a change loses every user's settings.
TEST(Settings, KeyAndSectionKeepTheirStoredNames)
{
    EXPECT_EQ(ProductKey(), QStringLiteral("\\Software\\Tarnwick\\Korvane\\2.x\\"));
    EXPECT_EQ(BasicInfo(), QStringLiteral("BasicInfo"));
}

TEST(TextHelpers, ReplaceAll)
{
    const struct {
        const char *text, *pattern, *replacement, *expected;
    } cases[] = {
        {"aaaa", "aa", "a", "aa"},      {"a.b.c", ".", "", "abc"},     {"abc", "", "x", "abc"},
        {"abc", "d", "x", "abc"},       {"abab", "ab", "abab", "abababab"}, {"", "a", "b", ""},
        {"Aa", "a", "b", "Ab"},         {"x&y&&z", "&", "&&", "x&&y&&&&z"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceAll(QString::fromUtf8(c.text), QString::fromUtf8(c.pattern), QString::fromUtf8(c.replacement)),
                  QString::fromUtf8(c.expected))
            << c.text << " / " << c.pattern;
}

TEST(TextHelpers, IsNumberText)
{
    const struct {
        const char* text;
        bool hex;
        bool expected;
    } cases[] = {
        {"", false, false},  {"0", false, true},   {"0123456789", false, true}, {"12a", false, false},
        {"-1", false, false}, {" 1", false, false}, {"0x", true, false},        {"0x1f", true, true},
        {"0X1F", true, true}, {"zz1F", true, true}, {"0x1g", true, false},      {"", true, false},
        {"0xF", true, true},  {"0x 1", true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsNumberText(QString::fromUtf8(c.text), c.hex), c.expected) << '"' << c.text << "\" hex " << c.hex;
    EXPECT_FALSE(IsNumberText(QStringLiteral("٣"), false));  // other scripts' digits do not count
}

TEST(Version, Win2000OrMeAndNTRules)
{
    const struct {
        const char* system;
        uint32_t platform, major, minor;
        bool nt, win2000OrMe;
    } cases[] = {
        {"Windows 95", 1, 4, 0, false, false},  {"Windows 98", 1, 4, 10, false, false},
        {"Windows Me", 1, 4, 90, false, true},  {"9x major 5", 1, 5, 0, false, true},
        {"NT 4", 2, 4, 0, true, false},         {"Windows 2000", 2, 5, 0, true, true},
        {"Windows XP", 2, 5, 1, true, true},    {"Vista", 2, 6, 0, true, false},
        {"Win32s", 0, 5, 90, false, false},     {"NT 3.51", 2, 3, 51, true, false},
    };
    for (const auto& c : cases) {
        OSVERSIONINFO v;
        v.dwPlatformId = c.platform;
        v.dwMajorVersion = c.major;
        v.dwMinorVersion = c.minor;
        EXPECT_EQ(IsWinNTVersion(v), c.nt) << c.system;
        EXPECT_EQ(IsWin2000OrMeVersion(v), c.win2000OrMe) << c.system;
        SetVersionRecord(&v);
        EXPECT_EQ(IsWinNT(), c.nt) << c.system;
        EXPECT_EQ(IsWin2000OrMe(), c.win2000OrMe) << c.system;
    }
    SetVersionRecord(nullptr);
    EXPECT_TRUE(IsWinNT());
    EXPECT_TRUE(IsWin2000OrMe());
}

TEST(FileDialogs, WindowsFiltersBecomeQtNameFilters)
{
    const struct {
        const char* filter;
        QStringList expected;
    } cases[] = {
        {"Korvane Object File(*.kvo)|*.kvo", {"Korvane Object File(*.kvo)"}},
        // Qt splits its patterns at blanks only.
        {"Pictures (*.bmp; *.jpg)|*.jpg;*.bmp", {"Pictures (*.jpg *.bmp)"}},
        {"All (*.bmp;*.tif)|*.bmp;*.tif|Bitmaps (*.bmp)|*.bmp", {"All (*.bmp *.tif)", "Bitmaps (*.bmp)"}},
        {"Old (*.bmp)|*.png", {"Old (*.bmp) (*.png)"}},
        {"Pictures|*.bmp;*.jpg|All|*.*", {"Pictures (*.bmp *.jpg)", "All (*.*)"}},
        {"", {}},
        {"Dangling", {}},
        {"Empty||Bmp|*.bmp|Odd", {"Bmp (*.bmp)"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilterToNameFilters(QString::fromUtf8(c.filter)), c.expected) << c.filter;
}

TEST(FileDialogs, HandlerAnswersInsteadOfTheDialog)
{
    TSaveDialogEx save;
    save.Filter = BuiltinString(LabelFileFilterString);
    int calls = 0;
    SetFileDialogHandler([&](TOpenDialogEx& d) {
        ++calls;
        EXPECT_TRUE(d.IsSave());
        EXPECT_EQ(d.Filter, BuiltinString(LabelFileFilterString));
        d.FileName = QStringLiteral("/tmp/a.kvo");
        return true;
    });
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, QStringLiteral("/tmp/a.kvo"));
    SetFileDialogHandler([](TOpenDialogEx& d) { return false; });
    TOpenDialogEx open;
    EXPECT_FALSE(open.IsSave());
    EXPECT_FALSE(open.Execute());
    SetFileDialogHandler(nullptr);
    EXPECT_EQ(calls, 1);
}

TEST(FileDialogs, SaveDialogAddsTheDefaultExtension)
{
    const QString dir = testsupport::freshDir(QStringLiteral("save-dialog"));
    TSaveDialogEx save;
    save.Filter = BuiltinString(LabelFileFilterString);
    save.DefaultExt = BuiltinString(LabelFileExtensionString);
    save.InitialDir = dir;
    save.FileName = QStringLiteral("label");
    QTimer::singleShot(0, [] {
        // The program's dialogs run in the hosted frame, the file dialog embedded in it.
        QWidget* frame = QApplication::activeModalWidget();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->objectName(), QStringLiteral("HostFrame"));
        auto* dialog = frame->findChild<QFileDialog*>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->isWindow());
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        // No read-only box unless the options ask for it.
        EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("readOnlyCheck"))->isVisible());
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, dir + QStringLiteral("/label.kvo"));
    EXPECT_EQ(save.FilterIndex, 1);
}

} // namespace
