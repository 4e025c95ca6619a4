#include "controls/host_dialog.h"
#include "platform/help_context.h"
#include "support/hosted_dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

using testsupport::ClickDialogItem;
using testsupport::kHostedDialogWaitMs;
using testsupport::WhileHostedDialogRuns;

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

void typeName(TFormOpenDialog* d, const QString& text)
{
    auto* edit = qobject_cast<QLineEdit*>(d->DialogItem(1152));
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
}

// A designer form carrying the dialog component and one control of its own.
struct HostForm {
    QWidget form;
    QLabel* extra;
    TFormOpenDialog* open;
    HostForm(TFormOpenDialog* dialog) : open(dialog)
    {
        form.setWindowTitle(QStringLiteral("Host form"));
        form.resize(700, 420);
        extra = new QLabel(QStringLiteral("extra"), &form);
        extra->setGeometry(10, 380, 100, 20);
        open->setParent(&form);
        open->move(8, 6);
    }
};

} // namespace

// Each Windows identifier of the file dialogs reaches a Qt child of the expected class. A Qt that
// renames one of its file dialog's children fails here, naming the identifier.
TEST(HostDialogItems, EveryIdentifierReachesItsChild)
{
    struct Expected {
        int id;
        const char* className;
    } const expected[] = {{1, "QPushButton"},  {2, "QPushButton"}, {1038, "QPushButton"}, {1040, "QCheckBox"},
                          {1089, "QLabel"},    {1090, "QLabel"},   {1091, "QLabel"},      {1136, "QComboBox"},
                          {1137, "QComboBox"}, {1152, "QLineEdit"}};
    const QString dir = testsupport::freshDir(QStringLiteral("items"));
    for (bool save : {false, true}) {
        std::unique_ptr<TFormOpenDialog> d(save ? new TFormSaveDialog : new TFormOpenDialog);
        d->SetInitialDir(dir);
        d->UseStandardCaptions();
        WhileHostedDialogRuns(d.get(), [&, dlg = d.get()] {
            for (const Expected& e : expected) {
                QWidget* item = dlg->DialogItem(e.id);
                ASSERT_NE(item, nullptr) << "item " << e.id << (save ? " (save)" : " (open)");
                EXPECT_TRUE(item->inherits(e.className))
                    << "item " << e.id << " is " << item->metaObject()->className();
            }
            // OK is the accepting button of the kind.
            auto* fd = dlg->RunningDialog();
            auto* box = fd->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->buttonRole(qobject_cast<QAbstractButton*>(dlg->DialogItem(1))),
                      QDialogButtonBox::AcceptRole);
            EXPECT_EQ(box->buttonRole(qobject_cast<QAbstractButton*>(dlg->DialogItem(2))),
                      QDialogButtonBox::RejectRole);
            // Told to, the dialog keeps the standard captions of its kind.
            EXPECT_EQ(qobject_cast<QAbstractButton*>(dlg->DialogItem(1))->text().remove(QLatin1Char('&')),
                      save ? QStringLiteral("Save") : QStringLiteral("Open"));
            EXPECT_EQ(dlg->FrameHandle()->windowTitle(),
                      save ? QStringLiteral("Save As") : QStringLiteral("Open"));
            ClickDialogItem(dlg, 2);
        });
        EXPECT_FALSE(d->Execute());
    }
}

TEST(HostDialogItems, VisibleControlsShowExactlyTheListedItems)
{
    const QString dir = testsupport::freshDir(QStringLiteral("visible"));
    TFormOpenDialog d;
    d.SetInitialDir(dir);
    d.Options |= ofShowHelp;
    const unsigned shown = ccOkButton | ccCancelButton | ccFolderCombo | ccFileNameEdit | ccFileTypeComboBox |
                           ccLookInLabel | ccFileNameLabel | ccFileTypeLabel;
    d.SetVisibleControls(shown);
    WhileHostedDialogRuns(&d, [&] {
        for (TVisibleControls c :
             {ccOkButton, ccCancelButton, ccHelpButton, ccFolderCombo, ccFileNameEdit, ccFileTypeComboBox,
              ccReadOnlyCheckBox, ccLookInLabel, ccFileNameLabel, ccFileTypeLabel}) {
            QWidget* item = d.DialogItem(VisibleControlItem(c));
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->isVisible(), bool(shown & c)) << VisibleControlItem(c);
        }
        // Changed while running, the set applies at once.
        d.SetVisibleControls(shown | ccHelpButton);
        EXPECT_TRUE(d.DialogItem(1038)->isVisible());
        ClickDialogItem(&d, 2);
    });
    d.Execute();
}

TEST(HostDialogRun, OkGivesTheFileAndGivesTheFormBack)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_ok"));
    touch(dir + QStringLiteral("/a.png"));
    HostForm host(new TFormOpenDialog);
    TFormOpenDialog* d = host.open;
    d->SetInitialDir(dir);
    d->Filter = QStringLiteral("Pictures|*.png|All|*.*");
    d->FilterIndex = 2;
    WhileHostedDialogRuns(d, [&] {
        // The form sits in the frame with the standard controls at the component's place.
        EXPECT_EQ(host.form.parentWidget(), d->FrameHandle());
        EXPECT_EQ(host.form.pos(), QPoint(0, 0));
        EXPECT_EQ(d->DialogHandle()->parentWidget(), &host.form);
        EXPECT_EQ(d->DialogHandle()->pos(), QPoint(8, 6));
        EXPECT_TRUE(host.extra->isVisible());
        EXPECT_EQ(d->FrameHandle()->windowTitle(), QStringLiteral("Host form"));
        EXPECT_EQ(d->GetFilterIndex(), 2);
        typeName(d, QStringLiteral("a.png"));
        ClickDialogItem(d, 1);
    });
    ASSERT_TRUE(d->Execute());
    EXPECT_EQ(d->FileName, dir + QStringLiteral("/a.png"));
    EXPECT_EQ(d->Files, QStringList{dir + QStringLiteral("/a.png")});
    EXPECT_EQ(d->FilterIndex, 2);
    EXPECT_EQ(d->FrameHandle(), nullptr);
    EXPECT_EQ(d->DialogHandle(), nullptr);
    EXPECT_TRUE(host.form.isWindow());
    EXPECT_FALSE(host.form.isVisible());
    EXPECT_TRUE(d->GetFileName() == d->FileName);
}

TEST(HostDialogRun, CancelLeavesTheFileNameAndEmptiesFiles)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_cancel"));
    TFormOpenDialog d;
    d.SetInitialDir(dir);
    d.FileName = QStringLiteral("before.png");
    d.Files = QStringList{QStringLiteral("old")};
    WhileHostedDialogRuns(&d, [&] {
        typeName(&d, QStringLiteral("other.png"));
        ClickDialogItem(&d, 2);
    });
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(d.FileName, QStringLiteral("before.png"));
    EXPECT_TRUE(d.Files.isEmpty());
}

TEST(HostDialogRun, OnShowSeesRealGeometryAndTheFrameFollowsTheForm)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_show"));
    HostForm host(new TFormOpenDialog);
    TFormOpenDialog* d = host.open;
    d->SetInitialDir(dir);
    QRect okRect, typeLabelRect;
    int shows = 0;
    d->OnShow = [&](QObject* sender) {
        ++shows;
        EXPECT_EQ(sender, d);
        okRect = d->DialogItemRect(1);
        typeLabelRect = d->DialogItemRect(1089);
        // The form lays itself out around the standard controls.
        host.extra->move(typeLabelRect.left(), typeLabelRect.bottom() + 10);
        host.form.resize(okRect.right() + 20, host.extra->geometry().bottom() + 30);
    };
    WhileHostedDialogRuns(d, [&] {
        const QRect placed(d->GetStaticRect());
        EXPECT_TRUE(placed.contains(okRect)) << okRect.x() << "," << okRect.y();
        EXPECT_TRUE(placed.contains(typeLabelRect));
        EXPECT_GT(okRect.width(), 10);
        EXPECT_GT(typeLabelRect.height(), 5);
        EXPECT_EQ(d->FrameHandle()->size(), host.form.size());
        EXPECT_EQ(d->GetClientWidth(), okRect.right() + 20);
        // Moving the form by code moves the frame; the form keeps its corner.
        host.form.move(123, 77);
        EXPECT_EQ(host.form.pos(), QPoint(0, 0));
        EXPECT_EQ(d->FrameHandle()->pos(), QPoint(123, 77));
        EXPECT_EQ(d->GetLeft(), 123);
        ClickDialogItem(d, 2);
    });
    d->Execute();
    EXPECT_EQ(shows, 1);
}

TEST(HostDialogRun, SelectionChangeReportsTheSelectedFile)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_sel"));
    touch(dir + QStringLiteral("/b.png"));
    TFormOpenDialog d;
    d.SetInitialDir(dir);
    QStringList seen;
    d.OnSelectionChange = [&](QObject*) { seen << d.GetFileName(); };
    WhileHostedDialogRuns(&d, [&] {
        testsupport::SelectInFileList(d.RunningDialog(), QStringLiteral("b.png"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !seen.isEmpty(); }, kHostedDialogWaitMs));
        ClickDialogItem(&d, 2);
    });
    d.Execute();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), dir + QStringLiteral("/b.png"));
}

// A program from Windows lists a file by its extension whatever the case: "PHOTO.JPG" under
// "*.jpg", on a file system that tells the cases apart.
TEST(HostDialogRun, FiltersMatchExtensionsWhateverTheirCase)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_case"));
    for (const char* name : {"PHOTO.JPG", "Scan.Jpg", "small.jpg", "b.PNG", "notes.txt", "TXT.NOTES"})
        touch(dir + QLatin1Char('/') + QLatin1String(name));
    for (bool save : {false, true}) {
        std::unique_ptr<TFormOpenDialog> d(save ? new TFormSaveDialog : new TFormOpenDialog);
        d->SetInitialDir(dir);
        d->Filter = QStringLiteral("Pictures|*.jpg;*.png|Text|*.TXT");
        QStringList pictures, texts;
        WhileHostedDialogRuns(d.get(), [&, dlg = d.get()] {
            QFileDialog* fd = dlg->RunningDialog();
            auto listed = [fd] {
                QStringList names = testsupport::ListedFileNames(fd);
                names.sort();
                return names;
            };
            const QStringList wantedPictures{"PHOTO.JPG", "Scan.Jpg", "b.PNG", "small.jpg"};
            EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == wantedPictures; }, kHostedDialogWaitMs));
            pictures = listed();
            fd->selectNameFilter(fd->nameFilters().value(1));
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return listed() == QStringList{"notes.txt"}; }, kHostedDialogWaitMs));
            texts = listed();
            if (save) {
                ClickDialogItem(dlg, 2);
                return;
            }
            // Picked by its upper-case name under the lower-case pattern.
            fd->selectNameFilter(fd->nameFilters().value(0));
            testsupport::SelectInFileList(fd, QStringLiteral("PHOTO.JPG"));
            ClickDialogItem(dlg, 1);
        });
        EXPECT_EQ(d->Execute(), !save);
        EXPECT_EQ(pictures, (QStringList{"PHOTO.JPG", "Scan.Jpg", "b.PNG", "small.jpg"})) << save;
        EXPECT_EQ(texts, QStringList{"notes.txt"}) << save;
        if (!save) {
            EXPECT_EQ(d->FileName, dir + QStringLiteral("/PHOTO.JPG"));
        }
    }
}

TEST(HostDialogRun, FileOkThatRefusesKeepsTheDialogOpen)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_fileok"));
    touch(dir + QStringLiteral("/c.png"));
    TFormOpenDialog d;
    d.SetInitialDir(dir);
    int asked = 0;
    d.OnFileOK = [&](QObject*, bool& canClose) { canClose = ++asked > 1; };
    WhileHostedDialogRuns(&d, [&] {
        typeName(&d, QStringLiteral("c.png"));
        ClickDialogItem(&d, 1);
        EXPECT_TRUE(d.FrameHandle() && d.FrameHandle()->isVisible());
        ClickDialogItem(&d, 1);
    });
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(asked, 2);
}

TEST(HostDialogRun, MultipleSelectionTakesEveryQuotedName)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_multi"));
    touch(dir + QStringLiteral("/a"));
    touch(dir + QStringLiteral("/bb.png"));
    TFormOpenDialog d;
    d.SetInitialDir(dir);
    d.Options |= ofAllowMultiSelect;
    QStringList whileOpen;
    WhileHostedDialogRuns(&d, [&] {
        typeName(&d, QStringLiteral("\"a\" \"bb.png\""));
        whileOpen = d.GetFiles();
        ClickDialogItem(&d, 1);
    });
    ASSERT_TRUE(d.Execute());
    const QStringList both{dir + QStringLiteral("/a"), dir + QStringLiteral("/bb.png")};
    EXPECT_EQ(whileOpen, both);
    EXPECT_EQ(d.Files, both);
    EXPECT_EQ(d.FileName, both.first());
}

TEST(HostDialogRun, SaveAddsTheDefaultExtensionAndTakesLongPaths)
{
    // Deeper than any fixed 260-character buffer.
    QString dir = testsupport::freshDir(QStringLiteral("run_save"));
    for (int i = 0; i < 8; ++i)
        dir += QStringLiteral("/a_rather_long_folder_name_number_%1").arg(i);
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_GT(dir.size(), 300);
    TFormSaveDialog d;
    d.SetInitialDir(dir + QLatin1Char('/'));
    d.SetDefaultExt(QStringLiteral("kvo"));
    WhileHostedDialogRuns(&d, [&] {
        EXPECT_EQ(d.GetDirectory(), dir);
        typeName(&d, QStringLiteral("new"));
        ClickDialogItem(&d, 1);
    });
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(d.FileName, dir + QStringLiteral("/new.kvo"));
    EXPECT_FALSE(d.Options & ofExtensionDifferent);
}

TEST(HostDialogRun, CaptionsHelpAndHidingTheForm)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_captions"));
    HostForm host(new TFormOpenDialog);
    TFormOpenDialog* d = host.open;
    d->SetInitialDir(dir);
    d->SetOkButtonCaption(QStringLiteral("&Take"));
    d->SetCancelButtonCaption(QStringLiteral("&Leave"));
    int helps = 0;
    d->OnHelp = [&](QObject*) { ++helps; };
    WhileHostedDialogRuns(d, [&] {
        EXPECT_EQ(qobject_cast<QAbstractButton*>(d->DialogItem(1))->text(), QStringLiteral("&Take"));
        EXPECT_EQ(qobject_cast<QAbstractButton*>(d->DialogItem(2))->text(), QStringLiteral("&Leave"));
        d->SetOkButtonCaption(QStringLiteral("&Now"));
        EXPECT_EQ(qobject_cast<QAbstractButton*>(d->DialogItem(1))->text(), QStringLiteral("&Now"));
        d->SetVisibleControls(AllVisibleControls);
        ClickDialogItem(d, 1038);
        EXPECT_EQ(helps, 1);
        // A form that hides itself closes the dialog.
        host.form.hide();
    });
    EXPECT_FALSE(d->Execute());
    EXPECT_TRUE(host.form.isWindow());
}

// Help shows the dialog's help context through the application's help call, and fires OnHelp;
// without a context only OnHelp fires. F1 asks for the same help.
TEST(HostDialogRun, HelpShowsTheHelpContext)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_help"));
    QList<int> shown;
    SetHelpContextHandler([&](int context, const QPoint&) { shown << context; });
    for (int context : {0, 2097}) {
        SCOPED_TRACE(context);
        shown.clear();
        TFormOpenDialog d;
        d.SetInitialDir(dir);
        d.Options |= ofShowHelp;
        d.HelpContext = context;
        int helps = 0;
        d.OnHelp = [&](QObject*) { ++helps; };
        WhileHostedDialogRuns(&d, [&] {
            ClickDialogItem(&d, 1038);
            EXPECT_EQ(helps, 1);
            QTest::keyClick(d.FrameHandle(), Qt::Key_F1);
            ClickDialogItem(&d, 2);
        });
        d.Execute();
        EXPECT_EQ(shown, context ? QList<int>({context, context}) : QList<int>());
    }
    SetHelpContextHandler(nullptr);
}

// The dialog's own tool buttons form one bar that can be hidden and clicked by index.
TEST(HostDialogRun, ToolBarButtonsShowHideAndClick)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_toolbar"));
    QDir(dir).mkdir(QStringLiteral("inner"));
    TFormOpenDialog d;
    d.SetInitialDir(dir + QStringLiteral("/inner"));
    EXPECT_EQ(d.GetToolBarHandle(), nullptr);
    WhileHostedDialogRuns(&d, [&] {
        QWidget* bar = d.GetToolBarHandle();
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(bar->isVisible());
        EXPECT_EQ(bar->findChildren<QToolButton*>().size(), 6);
        d.ShowToolBar(false);
        EXPECT_FALSE(bar->isVisible());
        d.ShowToolBar(true);
        EXPECT_TRUE(bar->isVisible());
        // 3: up to the parent folder; 6: the detail view.
        d.ToolBarButtonClick(3);
        EXPECT_TRUE(QTest::qWaitFor([&] { return d.GetDirectory() == dir; }, kHostedDialogWaitMs));
        d.ToolBarButtonClick(6);
        EXPECT_TRUE(QTest::qWaitFor([&] { return d.RunningDialog()->viewMode() == QFileDialog::Detail; },
                                    kHostedDialogWaitMs));
        d.ToolBarButtonClick(0); // no such button: nothing
        d.ToolBarButtonClick(7);
        ClickDialogItem(&d, 2);
    });
    d.Execute();
    EXPECT_EQ(d.GetToolBarHandle(), nullptr);
}

// Typing or entering a folder leaves the accept button with the caption the form gave it.
TEST(HostDialogRun, OkKeepsItsCaptionOverFolders)
{
    const QString dir = testsupport::freshDir(QStringLiteral("run_ok_caption"));
    QDir(dir).mkdir(QStringLiteral("sub"));
    TFormOpenDialog d;
    d.SetInitialDir(dir);
    d.Options |= ofFileMustExist;
    d.SetOkButtonCaption(QStringLiteral("&OK"));
    WhileHostedDialogRuns(&d, [&] {
        auto* ok = qobject_cast<QAbstractButton*>(d.DialogItem(1));
        ASSERT_NE(ok, nullptr);
        // What Qt and the component queue for the change has run.
        const auto keeps = [&] {
            for (int i = 0; i < 3; ++i)
                QCoreApplication::processEvents();
            return ok->text() == QStringLiteral("&OK");
        };
        typeName(&d, QStringLiteral("sub"));
        EXPECT_TRUE(keeps()) << ok->text().toStdString();
        d.RunningDialog()->setDirectory(dir + QStringLiteral("/sub"));
        EXPECT_TRUE(keeps()) << ok->text().toStdString();
        typeName(&d, dir);
        EXPECT_TRUE(keeps()) << ok->text().toStdString();
        ClickDialogItem(&d, 2);
    });
    d.Execute();
}

TEST(HostDialogUnits, RescaleFactorsTable)
{
    struct Case {
        int design, current;
        bool scaled;
        double h, v;
    } const cases[] = {
        {0x00100008, 0x00100008, false, 1.0, 1.0},
        {0x00100008, 0x00140010, false, 16.0 / 8 * 1.1, 20.0 / 16},
        {0x00140010, 0x00100008, false, 8.0 / 16 * 0.9, 16.0 / 20},
        {0x00100008, 0x00140010, true, 1.1, 1.0},
        {0x00140010, 0x00100008, true, 0.9, 1.0},
    };
    for (const Case& c : cases) {
        const TRescaleFactors f = RescaleFactors(c.design, c.current, c.scaled);
        EXPECT_DOUBLE_EQ(f.Horizontal, c.h) << std::hex << c.design << " " << c.current;
        EXPECT_DOUBLE_EQ(f.Vertical, c.v) << std::hex << c.design << " " << c.current;
    }
}

TEST(HostDialogUnits, FileDialogSizeFollowsTheBaseUnits)
{
    TFormOpenDialog d;
    EXPECT_EQ(d.FixedSize(), QSize(410, 280));
    SetDialogBaseUnits(0x00140010);
    EXPECT_EQ(d.FixedSize(), QSize(qRound(2 * 1.09 * 410), qRound(20.0 / 16 * 280)));
    SetDialogBaseUnits(0);
}

TEST(HostDialogNames, QuotedNamesAndInitialDirTables)
{
    struct NamesCase {
        const char* text;
        QStringList names;
    } const names[] = {
        {"", {}},
        {"x", {"x"}}, // one character, unquoted
        {"picture.png", {"picture.png"}},
        {"\"a\" \"b\"", {"a", "b"}}, // one-character names are names
        {"\"one two.png\" \"b.tif\"", {"one two.png", "b.tif"}},
        {"\"/abs/p.png\" \"rel.png\"", {"/abs/p.png", "rel.png"}},
        {"\"open", {"open"}},  // unclosed last quote
        {"\"\" \"c\"", {"c"}}, // empty pair skipped
    };
    for (const NamesCase& c : names)
        EXPECT_EQ(QuotedNames(QString::fromUtf8(c.text)), c.names) << c.text;

    struct DirCase {
        const char* in;
        const char* out;
    } const dirs[] = {{"/", "/"},
                      {"\\", "\\"},
                      {"/home/u/", "/home/u"},
                      {"C:\\", "C:\\"},
                      {"C:\\work\\", "C:\\work"},
                      {"/home/u", "/home/u"},
                      {"", ""}};
    for (const DirCase& c : dirs)
        EXPECT_EQ(TrimInitialDir(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}
