// Switching the interface language from the Language menu: which languages are offered, what a
// switch stores and relabels, that the checked language writes nothing, and that windows going
// away meanwhile and the single-instance channel survive it.
#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "app/startup.h"
#include "bars/toolbar_button.h"

#include "document/child_frame.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/file_utils.h"
#include "platform/registry.h"
#include "platform/window_message.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <atomic>
#include <thread>

namespace {

const TGUID TestPaper = NameGUID("language-switch-test");

constexpr unsigned English = 0x10009, German = 0x10007, French = 0x1000C, Spanish = 10;

using testsupport::Settings;

// A program folder with the test paper and the named language libraries of the build.
QString ProgramWithLanguages(const QString& name, const QStringList& libraries)
{
    const PaperType paper = testpaper::WithCatalogueTexts(
        testpaper::Discs(TestPaper, QStringLiteral("Test CD"), 1170, {{1, 465, 175}}));
    const QString dir = testsupport::programWithPapers(name, {&paper});
    QFile texts(dir + QStringLiteral("/Paper/german.lng"));
    EXPECT_TRUE(texts.open(QIODevice::WriteOnly));
    texts.write("[GERMAN]\r\n" + GUIDToString(TestPaper).toLatin1() + "=Test-CD deutsch,Hersteller,Etikett,Text\r\n");
    texts.close();
    for (const QString& library : libraries)
        EXPECT_TRUE(QFile::copy(QStringLiteral(KORVANE_BIN_DIR "/") + library + QStringLiteral(".so"),
                                dir + QLatin1Char('/') + library + QStringLiteral(".so")))
            << library.toStdString();
    return dir;
}

QAction* LanguageItem(TMainFrame* f, const char* name)
{
    return f->findChild<QAction*>(QString::fromLatin1(name));
}

class LanguageSwitchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ++counter;
        qputenv("KORVANE_REGISTRY_DIR",
                testsupport::freshDir(QStringLiteral("ls-registry-%1").arg(counter)).toLocal8Bit());
        m_savedLanguage = CurrentLanguage;
    }
    void TearDown() override
    {
        delete frame.data();
        CurrentLanguage = m_savedLanguage;
        LoadLanguageDll();
        qunsetenv("KORVANE_PROGRAM_DIR");
    }
    // The main window in a program folder with these libraries, started in language; shown.
    void Start(unsigned language, const QStringList& libraries = {"QNGerman", "QNFrench", "QNSpanish"})
    {
        qputenv("KORVANE_PROGRAM_DIR",
                ProgramWithLanguages(QStringLiteral("ls-program-%1").arg(counter), libraries).toLocal8Bit());
        Settings().WriteInteger(QStringLiteral("Option"), QStringLiteral("Language"), int(language));
        Settings().WriteBool(BasicInfo(), QStringLiteral("Startup"), true);
        InitUILanguage();
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
        frame->FirstActivation = false;
        frame->resize(1000, 750);
        frame->show();
        QCoreApplication::processEvents();
    }
    TChildFrame* Open(const QString& path)
    {
        frame->OpenDocumentFile(path);
        return frame->ActiveDocument();
    }
    QStringList VisibleLanguages() const
    {
        QStringList names;
        for (QAction* item : frame->LanguageItems)
            if (item->isVisible())
                names << item->objectName();
        return names;
    }
    // The checked items the user sees.
    QStringList CheckedLanguages() const
    {
        QStringList names;
        for (QAction* item : frame->LanguageItems)
            if (item->isChecked() && item->isVisible())
                names << item->objectName();
        return names;
    }

    static inline int counter = 0;
    QPointer<TMainFrame> frame;
    testsupport::MessageRecorder recorder{IDNO};

private:
    unsigned m_savedLanguage = 0;
};

} // namespace

TEST_F(LanguageSwitchTest, OnlyTheLanguagesWhoseLibrariesAreBesideTheProgramAreOffered)
{
    const struct {
        QStringList libraries;
        QStringList offered;
    } cases[] = {
        {{}, {"PopMemu_EnuUs"}},
        {{"QNGerman"}, {"PopMemu_EnuUs", "PopMemu_German"}},
        {{"QNGerman", "QNFrench", "QNSpanish"}, {"PopMemu_EnuUs", "PopMemu_French", "PopMemu_German", "PopMemu_Spanish"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.libraries.join(QLatin1Char(' ')).toStdString());
        ++counter;
        Start(English, c.libraries);
        EXPECT_EQ(VisibleLanguages(), c.offered);
        EXPECT_EQ(CheckedLanguages(), QStringList{QStringLiteral("PopMemu_EnuUs")});
        delete frame.data();
    }
}

TEST_F(LanguageSwitchTest, StoredLanguageWithoutItsLibraryChecksEnglish)
{
    Start(French, {"QNGerman"});
    EXPECT_EQ(CheckedLanguages(), QStringList{QStringLiteral("PopMemu_EnuUs")});
    EXPECT_EQ(frame->File1->title(), QStringLiteral("&File"));
}

TEST_F(LanguageSwitchTest, SwitchRelabelsEveryWindowAndStoresTheLanguageAndTitle)
{
    Start(English);
    TChildFrame* untitled = Open(QStringLiteral("Edit1"));
    TChildFrame* second = Open(QStringLiteral("Edit2"));
    ASSERT_TRUE(untitled && second);
    QPointer<TAboutDlg> about = new TAboutDlg(frame);
    about->show();
    QCoreApplication::processEvents();
    Settings().DeleteKey(BasicInfo(), QStringLiteral("App Name"));

    const struct {
        const char* item;
        unsigned code;
        const char* fileMenu;
        const char* document;
        const char* paste;
        const char* aboutTitle;
        const char* qtCancel;
    } cases[] = {
        {"PopMemu_German", German, "&Datei", "Etikett", "&Einfügen", "Info - Korvane", "Abbrechen"},
        {"PopMemu_French", French, "&Fichier", "Étiquette", "C&oller", "À propos - Korvane", "Annuler"},
        {"PopMemu_Spanish", Spanish, "&Archivo", "Etiqueta", "&Pegar", "Acerca de - Korvane", "Cancelar"},
        {"PopMemu_EnuUs", English, "&File", "Edit", "&Paste", "About - Korvane", "Cancel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        LanguageItem(frame, c.item)->trigger();
        EXPECT_EQ(CheckedLanguages(), QStringList{QString::fromLatin1(c.item)});
        EXPECT_EQ(CurrentLanguage, c.code);
        EXPECT_EQ(unsigned(Settings().ReadInteger(QStringLiteral("Option"), QStringLiteral("Language"), 0)), c.code);
        EXPECT_EQ(Settings().ReadString(BasicInfo(), QStringLiteral("App Name"), QString()), LoadLangStr(10));
        // The main window, its menus and buttons.
        EXPECT_EQ(frame->File1->title(), QString::fromUtf8(c.fileMenu));
        EXPECT_EQ(frame->FileNewBtn->Caption(), LoadLangStr(650));
        EXPECT_EQ(frame->ArrowBtn->toolTip(), LoadLangStr(517));
        EXPECT_EQ(LanguageItem(frame, "PopMemu_German")->text(), LoadLangStr(542));
        // Both documents, untitled ones renamed in the new language.
        EXPECT_EQ(frame->DocumentCaptions(),
                  (QStringList{QString::fromUtf8(c.document) + QLatin1Char('1'), QString::fromUtf8(c.document) + QLatin1Char('2')}));
        EXPECT_EQ(second->PasteItem->text(), QString::fromUtf8(c.paste));
        // The paper's name in the status bar follows too.
        const QString paperName = c.code == German ? QStringLiteral("Test-CD deutsch") : QStringLiteral("Test CD");
        EXPECT_EQ(second->Paper->Name, paperName);
        EXPECT_EQ(frame->StatusPanel[2]->text(), paperName);
        // A dialog open meanwhile relabels itself too, and Qt's own texts follow.
        QCoreApplication::processEvents();
        ASSERT_TRUE(about);
        EXPECT_EQ(about->windowTitle(), QString::fromUtf8(c.aboutTitle));
        EXPECT_EQ(about->OKBtn->text(), LoadLangStr(30));
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8(c.qtCancel));
    }
    // The Window menu still lists every document.
    emit frame->Window1->aboutToShow();
    int listed = 0;
    for (QAction* a : frame->Window1->actions())
        listed += a->text().contains(QStringLiteral("Edit"));
    EXPECT_EQ(listed, 2);
    delete about.data();
}

TEST_F(LanguageSwitchTest, ClickingTheCheckedLanguageWritesAndRelabelsNothing)
{
    Start(German);
    ASSERT_EQ(CheckedLanguages(), QStringList{QStringLiteral("PopMemu_German")});
    TChildFrame* doc = Open(QStringLiteral("Etikett1"));
    ASSERT_TRUE(doc);
    const QString hive = RegHiveFile(RootKey::CurrentUser);
    Settings().WriteString(BasicInfo(), QStringLiteral("App Name"), QStringLiteral("marker"));
    QFile::remove(hive + QStringLiteral(".bak"));
    ASSERT_TRUE(QFile::copy(hive, hive + QStringLiteral(".bak")));
    frame->File1->setTitle(QStringLiteral("untouched"));
    doc->PasteItem->setText(QStringLiteral("untouched"));

    LanguageItem(frame, "PopMemu_German")->trigger();

    EXPECT_EQ(CheckedLanguages(), QStringList{QStringLiteral("PopMemu_German")});
    QFile before(hive + QStringLiteral(".bak")), after(hive);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly) && after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before.readAll());
    EXPECT_EQ(frame->File1->title(), QStringLiteral("untouched"));
    EXPECT_EQ(doc->PasteItem->text(), QStringLiteral("untouched"));
}

TEST_F(LanguageSwitchTest, SpanishChosenFromTheUserLanguageIsCheckedAndTheMenuStoresItsTag)
{
    Start(0x1000A);
    EXPECT_EQ(CheckedLanguages(), QStringList{QStringLiteral("PopMemu_Spanish")});
    EXPECT_EQ(frame->File1->title(), QStringLiteral("&Archivo"));
    // Already checked: nothing changes, the stored code stays.
    LanguageItem(frame, "PopMemu_Spanish")->trigger();
    EXPECT_EQ(Settings().ReadInteger(QStringLiteral("Option"), QStringLiteral("Language"), 0), 0x1000A);
    LanguageItem(frame, "PopMemu_EnuUs")->trigger();
    LanguageItem(frame, "PopMemu_Spanish")->trigger();
    EXPECT_EQ(Settings().ReadInteger(QStringLiteral("Option"), QStringLiteral("Language"), 0), 10);
    EXPECT_EQ(frame->File1->title(), QStringLiteral("&Archivo"));
}

TEST_F(LanguageSwitchTest, MaximisedDocumentIsMaximisedAgainAfterTheSwitch)
{
    Start(English);
    Open(QStringLiteral("Edit1"));
    TChildFrame* doc = Open(QStringLiteral("Edit2"));
    ASSERT_TRUE(doc);
    doc->SubWindow()->showMaximized();
    bool normalWhileRelabelling = false;
    struct Watch : QObject {
        QMdiSubWindow* window;
        bool* normal;
        Watch(QMdiSubWindow* w, bool* n) : window(w), normal(n) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (const TMessageEvent* m = AsMessageEvent(e); m && m->Msg == WM_RELABEL)
                *normal = !window->isMaximized();
            return false;
        }
    } watch(doc->SubWindow(), &normalWhileRelabelling);
    doc->installEventFilter(&watch);

    LanguageItem(frame, "PopMemu_French")->trigger();

    EXPECT_TRUE(normalWhileRelabelling);
    EXPECT_TRUE(doc->SubWindow()->isMaximized());
    EXPECT_EQ(frame->ActiveDocument(), doc);
    doc->removeEventFilter(&watch);
}

TEST_F(LanguageSwitchTest, DocumentClosedWhileAnotherRelabelsIsPassedOver)
{
    Start(English);
    TChildFrame* first = Open(QStringLiteral("Edit1"));
    TChildFrame* second = Open(QStringLiteral("Edit2"));
    TChildFrame* third = Open(QStringLiteral("Edit3"));
    ASSERT_TRUE(first && second && third);
    // The first window's relabelling takes the second one away.
    struct CloseOther : QObject {
        QPointer<QMdiSubWindow> other;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (const TMessageEvent* m = AsMessageEvent(e); m && m->Msg == WM_RELABEL && other)
                delete other.data();
            return false;
        }
    } closer;
    closer.other = second->SubWindow();
    first->installEventFilter(&closer);

    LanguageItem(frame, "PopMemu_German")->trigger();

    EXPECT_FALSE(closer.other);
    EXPECT_EQ(frame->DocumentCaptions(), (QStringList{QStringLiteral("Etikett1"), QStringLiteral("Etikett3")}));
    first->removeEventFilter(&closer);
}

TEST_F(LanguageSwitchTest, SecondStartStillFindsTheRunningInstanceAfterASwitch)
{
    Start(English);
    const QString docs = testsupport::freshDir(QStringLiteral("ls-handover-%1").arg(counter));
    TInstanceChannel channel(docs + QStringLiteral("/instance"));
    ASSERT_TRUE(channel.IsFirstInstance({}));
    QStringList received;
    channel.SetReceiver([&](const HandOverMessage& m) { received << QString::fromUtf8(m.Data); });

    LanguageItem(frame, "PopMemu_German")->trigger();
    LanguageItem(frame, "PopMemu_Spanish")->trigger();

    const QString document = docs + QStringLiteral("/a.kvo");
    QFile(document).open(QIODevice::WriteOnly);
    // The second start runs beside this event loop, as another process would.
    std::atomic<int> first{-1};
    std::thread second([&] {
        TInstanceChannel later(docs + QStringLiteral("/instance"));
        first = later.IsFirstInstance({document}) ? 1 : 0;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return first >= 0 && !received.isEmpty(); }, 40000));
    second.join();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(received, QStringList{document});
}
