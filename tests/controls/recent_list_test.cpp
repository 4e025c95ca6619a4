#include "controls/recent_list.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <memory>

#include "support/test_support.h"

namespace {

const QString kKey = QStringLiteral("\\Software\\Tarnwick\\Korvane\\2.x\\");
const QString kSection = QStringLiteral("History File List");

// A File menu as the main window has it: the list goes in front of the separator N4.
struct FileMenuFixture {
    QMenu menu;
    QAction* open = menu.addAction(QStringLiteral("&Open..."));
    QAction* n4 = menu.addSeparator();
    QAction* exit = menu.addAction(QStringLiteral("E&xit"));
};

std::unique_ptr<TscMRUFileList> makeList(QAction* fileMenu = nullptr)
{
    auto list = std::make_unique<TscMRUFileList>();
    list->BeginLoading();
    list->RemoveOnClick = false;
    list->SetAutoSaveName(kKey);
    list->SetAutoSaveKey(kSection);
    if (fileMenu)
        list->SetFileMenu(fileMenu);
    list->Loaded();
    return list;
}

QStringList texts(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

void clearStore()
{
    TRegIniFile reg(kKey);
    reg.EraseSection(kSection);
}

} // namespace

TEST(RecentList, AddMovesExistingToTopAndKeepsCount)
{
    clearStore();
    auto list = makeList();
    for (const char* n : {"/d/a.kvo", "/d/b.kvo", "/d/c.kvo"})
        list->AddItem(QString::fromUtf8(n));
    EXPECT_EQ(list->Items, QStringList({"/d/c.kvo", "/d/b.kvo", "/d/a.kvo"}));
    list->AddItem(QStringLiteral("/d/a.kvo"));
    EXPECT_EQ(list->Items, QStringList({"/d/a.kvo", "/d/c.kvo", "/d/b.kvo"}));

    list->AddToTop = false;
    list->AddItem(QStringLiteral("/d/a.kvo"));
    list->AddItem(QStringLiteral("/d/e.kvo"));
    EXPECT_EQ(list->Items, QStringList({"/d/c.kvo", "/d/b.kvo", "/d/a.kvo", "/d/e.kvo"}));
}

TEST(RecentList, NamesDifferingInCaseAreDifferentFiles)
{
    clearStore();
    auto list = makeList();
    list->AddItem(QStringLiteral("/d/Label.kvo"));
    list->AddItem(QStringLiteral("/d/label.kvo"));
    EXPECT_EQ(list->Items, QStringList({"/d/label.kvo", "/d/Label.kvo"}));
    list->ClearItem(QStringLiteral("/d/LABEL.kvo"));   // no such entry: nothing changes
    EXPECT_EQ(list->Items.size(), 2);
    list->ClearItem(QStringLiteral("/d/Label.kvo"));
    EXPECT_EQ(list->Items, QStringList({"/d/label.kvo"}));
}

TEST(RecentList, TrimsToMaximumFromTheFarEnd)
{
    clearStore();
    auto list = makeList();
    ASSERT_EQ(list->Maximum(), 5);
    for (int i = 1; i <= 6; ++i)
        list->AddItem(QStringLiteral("/d/%1.kvo").arg(i));
    EXPECT_EQ(list->Items, QStringList({"/d/6.kvo", "/d/5.kvo", "/d/4.kvo", "/d/3.kvo", "/d/2.kvo"}));

    list->SetMaximum(3);
    EXPECT_EQ(list->Items, QStringList({"/d/6.kvo", "/d/5.kvo", "/d/4.kvo"}));

    list->AddToTop = false;   // appending drops from the front
    list->AddItem(QStringLiteral("/d/7.kvo"));
    EXPECT_EQ(list->Items, QStringList({"/d/5.kvo", "/d/4.kvo", "/d/7.kvo"}));
}

TEST(RecentList, SavesNumberedValuesAndReloadsInOrder)
{
    clearStore();
    {
        auto list = makeList();
        list->AddItem(QStringLiteral("/d/old.kvo"));
        list->AddItem(QStringLiteral("/home/u/My & Co/x.kvo"));
        list->AddItem(QStringLiteral("/d/new.kvo"));
    }
    {
        TRegIniFile reg(kKey);
        EXPECT_EQ(reg.ReadSection(kSection), QStringList({"F0", "F1", "F2"}));
        EXPECT_EQ(reg.ReadString(kSection, "F0", ""), "/d/new.kvo");
        EXPECT_EQ(reg.ReadString(kSection, "F1", ""), "/home/u/My & Co/x.kvo");
        EXPECT_EQ(reg.ReadString(kSection, "F2", ""), "/d/old.kvo");
    }
    auto list = makeList();
    EXPECT_EQ(list->Items, QStringList({"/d/new.kvo", "/home/u/My & Co/x.kvo", "/d/old.kvo"}));

    // Fewer names leave no stale values behind.
    list->ClearItem(QStringLiteral("/d/new.kvo"));
    list->ClearItem(QStringLiteral("/d/old.kvo"));
    ASSERT_TRUE(list->Save());
    TRegIniFile reg(kKey);
    EXPECT_EQ(reg.ReadSection(kSection), QStringList({"F0"}));
    list->ClearAllItems();
    ASSERT_TRUE(list->Save());
    EXPECT_TRUE(reg.ReadSection(kSection).isEmpty());
}

// The manual's table of settings names the values as the list writes them.
TEST(RecentList, TheManualNamesTheStoredValues)
{
    QFile manual(QStringLiteral(KORVANE_SOURCE_DIR "/data/kv_enu.html"));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(manual.readAll());
    const qsizetype row = text.indexOf(QStringLiteral("<td>History File List</td>"));
    ASSERT_GE(row, 0);
    EXPECT_TRUE(text.mid(row).startsWith(QStringLiteral("<td>History File List</td><td>F0, F1, ...</td>")));
}

// A list grown huge elsewhere loads as fast as a short one, keeps only its first entries and
// shrinks to them when saved.
TEST(RecentList, HugeStoredListIsCutToTheMaximum)
{
    clearStore();
    QByteArray text;
    {
        QFile f(RegHiveFile(RootKey::CurrentUser));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        text = f.readAll();
    }
    text += "\n[HKEY_CURRENT_USER\\Software\\Tarnwick\\Korvane\\2.x\\History File List]\n";
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("\"F%1\"=\"/d/%1.kvo\"\n").arg(i).toUtf8();
    {
        QFile f(RegHiveFile(RootKey::CurrentUser));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    const int parses = RegHiveFileParses();
    auto list = makeList();
    EXPECT_EQ(RegHiveFileParses(), parses + 1);
    EXPECT_EQ(list->Items, QStringList({"/d/0.kvo", "/d/1.kvo", "/d/2.kvo", "/d/3.kvo", "/d/4.kvo"}));
    ASSERT_TRUE(list->Save());
    EXPECT_EQ(TRegIniFile(kKey).ReadSection(kSection).size(), 5);
}

TEST(RecentList, SettingTheKeyReloadsAndAddsBackslashes)
{
    clearStore();
    {
        TRegIniFile reg(kKey);
        reg.WriteString(kSection, "F0", "/d/one.kvo");
        reg.WriteString(kSection, "F1", "/d/two.kvo");
    }
    TscMRUFileList list;
    list.SetAutoSaveKey(kSection);
    EXPECT_TRUE(list.Items.isEmpty());   // still the component's default key
    list.SetAutoSaveName(QStringLiteral("Software\\Tarnwick\\Korvane\\2.x"));
    EXPECT_EQ(list.AutoSaveName(), kKey);
    EXPECT_EQ(list.Items, QStringList({"/d/one.kvo", "/d/two.kvo"}));
}

TEST(RecentList, IniFileStorage)
{
    const QString path = testsupport::freshDir("mru-ini") + "/mru.ini";
    {
        TscMRUFileList list;
        list.UseRegistry = false;
        list.SetAutoSaveName(path);
        EXPECT_EQ(list.AutoSaveName(), path);   // no backslashes for a file name
        list.SetAutoSaveKey(kSection);
        list.AddItem("/d/a=b.kvo");
        list.AddItem("/d/c.kvo");
    }
    TscMRUFileList list;
    list.UseRegistry = false;
    list.SetAutoSaveName(path);
    list.SetAutoSaveKey(kSection);
    EXPECT_EQ(list.Items, QStringList({"/d/c.kvo", "/d/a=b.kvo"}));
}

TEST(RecentList, SubmenuAtTheSeparatorWithCommands)
{
    clearStore();
    FileMenuFixture f;
    auto list = makeList(f.n4);
    list->SetInsertSeparator(false);
    list->SetUseSubmenu(true);
    list->SetSubmenuName(QStringLiteral("Recent &Files"));
    list->SetMaxCaptionWidth(0);
    EXPECT_EQ(texts(&f.menu), QStringList({"&Open...", "-", "E&xit"}));   // empty list: no submenu

    list->AddItem(QStringLiteral("/d/a.kvo"));
    list->AddItem(QStringLiteral("/d/R&D/b.kvo"));
    ASSERT_EQ(texts(&f.menu), QStringList({"&Open...", "Recent &Files", "-", "E&xit"}));
    QMenu* sub = QMenu::menuInAction(f.menu.actions().at(1));
    ASSERT_NE(sub, nullptr);
    // The "&" of a folder name shows as itself; the accelerator stays.
    EXPECT_EQ(texts(sub), QStringList({"&1 /d/R&&D/b.kvo", "&2 /d/a.kvo", "-", "&Clear MRU List",
                                       "&Remove Obsolete"}));
    auto* first = qobject_cast<TMRUMenuItem*>(sub->actions().at(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->ItemNumber, 1);
    EXPECT_EQ(first->FullCaption, "&1 /d/R&D/b.kvo");

    list->SetClearItemName(QStringLiteral("&Clear All List"));
    list->SetShowRemoveObsolete(false);
    sub = QMenu::menuInAction(f.menu.actions().at(1));
    EXPECT_EQ(texts(sub), QStringList({"&1 /d/R&&D/b.kvo", "&2 /d/a.kvo", "-", "&Clear All List"}));
    list->SetClearItemName(QString());   // empty caption: the component's own
    sub = QMenu::menuInAction(f.menu.actions().at(1));
    EXPECT_EQ(sub->actions().last()->text(), "&Clear MRU List");

    list.reset();   // the list's items leave the menu with it
    EXPECT_EQ(texts(&f.menu), QStringList({"&Open...", "-", "E&xit"}));
}

TEST(RecentList, WithoutAutoSaveNothingIsLoadedOrSaved)
{
    clearStore();
    TRegIniFile(kKey).WriteString(kSection, "F0", "/d/stored.kvo");
    {
        TscMRUFileList list;
        list.AutoSave = false;
        list.SetAutoSaveName(kKey);
        list.SetAutoSaveKey(kSection);
        EXPECT_TRUE(list.Items.isEmpty());
        list.AddItem("/d/new.kvo");
    }
    EXPECT_EQ(TRegIniFile(kKey).ReadString(kSection, "F0", ""), "/d/stored.kvo");
}

TEST(RecentList, InlineItemsWithSeparatorAndPopup)
{
    clearStore();
    FileMenuFixture f;
    QMenu popup;
    auto list = makeList(f.n4);
    list->SetPopupMenu(&popup);
    list->SetShowClearItem(false);
    list->SetShowRemoveObsolete(false);
    list->SetMaxCaptionWidth(0);
    list->AddItem(QStringLiteral("/d/a.kvo"));
    EXPECT_EQ(texts(&f.menu), QStringList({"&Open...", "-", "&1 /d/a.kvo", "-", "E&xit"}));
    EXPECT_EQ(texts(&popup), QStringList({"&1 /d/a.kvo"}));

    list->SetMRUDisplay(mdFileNameOnly);   // reloads: nothing was saved yet
    EXPECT_TRUE(list->Items.isEmpty());
    list->AddItem(QStringLiteral("/d/a.kvo"));
    list->AddItem(QStringLiteral("/d/b&c.kvo"));
    EXPECT_EQ(texts(&popup), QStringList({"b&&c", "a"}));
}

TEST(RecentList, AcceleratorsRunOutAfterThirtySix)
{
    clearStore();
    QMenu popup;
    auto list = makeList();
    list->SetPopupMenu(&popup);
    list->SetMaxCaptionWidth(0);
    list->SetMaximum(40);
    list->AddToTop = false;
    for (int i = 1; i <= 38; ++i)
        list->AddItem(QStringLiteral("f%1").arg(i));
    const QList<QAction*> a = popup.actions();
    ASSERT_EQ(a.size(), 38);
    EXPECT_EQ(a.at(0)->text(), "&1 f1");
    EXPECT_EQ(a.at(9)->text(), "&0 f10");
    EXPECT_EQ(a.at(10)->text(), "&A f11");
    EXPECT_EQ(a.at(35)->text(), "&Z f36");
    EXPECT_EQ(a.at(36)->text(), "f37");
}

TEST(RecentList, ClickReportsTheNameAndKeepsOrRemovesIt)
{
    clearStore();
    FileMenuFixture f;
    auto list = makeList(f.n4);
    list->SetMaxCaptionWidth(0);
    QStringList clicked;
    list->OnMRUItemClick = [&](QObject*, const QString& name) { clicked << name; };
    list->AddItem(QStringLiteral("/d/a.kvo"));
    list->AddItem(QStringLiteral("/d/b.kvo"));
    auto findItem = [&](const QString& text) -> QAction* {
        for (QAction* a : f.menu.actions())
            if (a->text() == text)
                return a;
        return nullptr;
    };
    ASSERT_NE(findItem("&2 /d/a.kvo"), nullptr);
    findItem("&2 /d/a.kvo")->trigger();
    EXPECT_EQ(clicked, QStringList({"/d/a.kvo"}));
    EXPECT_EQ(list->Items.size(), 2);

    list->RemoveOnClick = true;
    findItem("&1 /d/b.kvo")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(clicked, QStringList({"/d/a.kvo", "/d/b.kvo"}));
    EXPECT_EQ(list->Items, QStringList({"/d/a.kvo"}));
    EXPECT_NE(findItem("&1 /d/a.kvo"), nullptr);

    findItem("&Clear MRU List")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(list->Items.isEmpty());
    EXPECT_EQ(texts(&f.menu), QStringList({"&Open...", "-", "E&xit"}));
}

TEST(RecentList, RemoveObsoleteDropsMissingFiles)
{
    clearStore();
    const QString dir = testsupport::freshDir("mru-obsolete");
    const QString kept = dir + "/kept.kvo";
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    auto list = makeList();
    list->AddItem(dir + "/gone.kvo");
    list->AddItem(kept);
    list->RemoveObsoleteItems();
    EXPECT_EQ(list->Items, QStringList({kept}));

    list->OnRemoveObsolete = [](QObject*, const QString&, bool& remove) { remove = true; };
    list->RemoveObsoleteItems();
    EXPECT_TRUE(list->Items.isEmpty());
}

TEST(RecentList, MinimizeNameReplacesLeadingFolders)
{
    const QFontMetrics fm(QApplication::font("QMenu"));
    const QString path = QStringLiteral("/home/someone/documents/labels/2024/summer/holiday.kvo");
    EXPECT_EQ(TscMRUFileList::MinimizeName(path, fm, 10000), path);
    const int width = fm.horizontalAdvance(QStringLiteral("/.../summer/holiday.kvo"));
    EXPECT_EQ(TscMRUFileList::MinimizeName(path, fm, width), "/.../summer/holiday.kvo");
    EXPECT_EQ(TscMRUFileList::MinimizeName(path, fm, 1), "holiday.kvo");
    const QString shortened = TscMRUFileList::MinimizeName(path, fm, 200);
    EXPECT_LE(fm.horizontalAdvance(shortened), 200);
    EXPECT_TRUE(shortened.endsWith("/holiday.kvo"));
}
