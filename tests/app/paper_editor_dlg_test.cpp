// The paper editor: which tabs and fields a paper gets, the three counts and their lists, what
// Apply, OK and a style change write where, and Default from a definition file on disk.
#include "app/dialog_text.h"
#include "app/paper_editor_dlg.h"
#include "app/shape_info_edit_dlg.h"
#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/file_utils.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "support/test_support.h"
#include "tests/document/paper_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

class PaperEditorDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("TMPDIR", testsupport::freshDir(QStringLiteral("editor-tmp-%1").arg(++counter)).toLocal8Bit());
        dir = papertest::MakeProgramDir(QStringLiteral("editor-program-%1").arg(counter));
        auto shippedPaper = papertest::Paper(1, 2, 0);
        auto userPaper = papertest::Paper(2, 2, 1);
        shipped = shippedPaper.get();
        user = userPaper.get();
        PaperCatalogue().push_back(std::move(shippedPaper));
        PaperCatalogue().push_back(std::move(userPaper));
        SetMessageBoxHandler([this](const MessageBoxCall& c) {
            boxes.push_back(c);
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHandler(nullptr);
        PaperCatalogue().clear();
        QFile::remove(PaperIndexFileName());
    }
    static QStringList lines(const QPlainTextEdit* memo)
    {
        const QString t = memo->toPlainText();
        return t.isEmpty() ? QStringList() : t.split(QLatin1Char('\n'));
    }
    // The shipped paper's factory record in "factory.def", named by the index.
    void writeFactory(const QByteArray& data, bool indexed = true)
    {
        const QString def = dir + QStringLiteral("/Paper/factory.def");
        papertest::WriteBytes(def, data);
        if (indexed) {
            TIniFile index(PaperIndexFileName());
            index.WriteString(def, GUIDToString(papertest::Id(9)), QString());
            index.WriteString(def, GUIDToString(shipped->ID), QString());
        }
    }

    static inline int counter = 0;
    QString dir;
    PaperType* shipped = nullptr;
    PaperType* user = nullptr;
    std::vector<MessageBoxCall> boxes;
};

TEST_F(PaperEditorDlgTest, UserPapersGetEveryTabShippedPapersOnlyThePositions)
{
    TPaperEditorDlg dlg;
    dlg.SetPaper(user);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(dlg.PageControl1->isTabVisible(i)) << i;
    EXPECT_FALSE(dlg.DefaultBtn->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.ShapeCountEdit->isEnabled());
    EXPECT_EQ(dlg.Edit2->text(), user->Name);
    EXPECT_EQ(dlg.Memo1->toPlainText(), QStringLiteral("Two discs,\nA4"));
    EXPECT_EQ(dlg.Edit6->text(), QStringLiteral("2970"));
    EXPECT_EQ(dlg.Edit7->text(), QStringLiteral("2100"));
    EXPECT_EQ(dlg.Edit11->text(), QStringLiteral("410"));
    EXPECT_EQ(dlg.TargetPaper, user);
    EXPECT_NE(dlg.WorkingPaper.get(), user);

    TPaperEditorDlg ship;
    ship.SetPaper(shipped);
    EXPECT_TRUE(ship.PageControl1->isTabVisible(1));
    for (int i : {0, 2, 3})
        EXPECT_FALSE(ship.PageControl1->isTabVisible(i)) << i;
    for (QWidget* w : std::initializer_list<QWidget*>{ship.ComboBox1, ship.ShapeCountEdit, ship.UpDown2, ship.Edit9,
                                                      ship.Edit10, ship.Edit11})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(ship.ShapeInfoEditBtn->isEnabled());
    EXPECT_TRUE(ship.DefaultBtn->isVisibleTo(&ship));

    // The page-setup callers restrict a user paper the same way, without Default.
    TPaperEditorDlg setup;
    setup.SetPaper(user);
    setup.ApplyPageSetupRestriction();
    EXPECT_FALSE(setup.PageControl1->isTabVisible(0));
    EXPECT_FALSE(setup.Edit9->isEnabled());
    EXPECT_FALSE(setup.DefaultBtn->isVisibleTo(&setup));
}

TEST_F(PaperEditorDlgTest, CountsAreClampedAtBothEndsAndTheListsFollow)
{
    struct Case {
        const char* edit;
        const char* typed;
        const char* shown;
        int lines;
        bool editEnabled;
    } cases[] = {
        {"ShapeCountEdit", "150", "100", 100, true},
        {"ShapeCountEdit", "", "1", 1, true},
        {"ShapeCountEdit", "0", "1", 1, true},
        {"ShapeCountEdit", "3", "3", 3, true},
        {"ExtraLineCountEdit", "", "0", 0, false},
        {"ExtraLineCountEdit", "25", "20", 40, true},
        {"ExtraLineCountEdit", "2", "2", 4, true},
        {"OtherShapeCountEdit", "101", "100", 300, true},
        {"OtherShapeCountEdit", "", "0", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " <- '" + c.typed + "'");
        TPaperEditorDlg dlg;
        dlg.SetPaper(user);
        auto* edit = dlg.findChild<QLineEdit*>(QString::fromLatin1(c.edit));
        ASSERT_NE(edit, nullptr);
        edit->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.shown));
        const QString name = QString::fromLatin1(c.edit);
        QPlainTextEdit* memo = name.startsWith(QLatin1String("Shape")) ? dlg.ShapeInfoMemo
                               : name.startsWith(QLatin1String("Extra")) ? dlg.ExtraLineInfoMemo
                                                                        : dlg.OtherShapeInfoMemo;
        QPushButton* button = name.startsWith(QLatin1String("Shape")) ? dlg.ShapeInfoEditBtn
                              : name.startsWith(QLatin1String("Extra")) ? dlg.ExtraLineInfoEditBtn
                                                                       : dlg.OtherShapeInfoEditBtn;
        EXPECT_EQ(lines(memo).size(), c.lines);
        EXPECT_EQ(button->isEnabled(), c.editEnabled);
        // Every count says how long its table is, whatever was typed.
        const PaperType& w = *dlg.WorkingPaper;
        EXPECT_EQ(size_t(w.ShapeCount), w.Shapes.size());
        EXPECT_EQ(size_t(w.ExtraLineCount), w.ExtraLines.size());
        EXPECT_EQ(size_t(w.OtherShapeCount), w.OtherShapes.size());
        EXPECT_GE(w.ShapeCount, 1);
    }
}

TEST_F(PaperEditorDlgTest, SignsAndLettersNeverReachACount)
{
    TPaperEditorDlg dlg;
    dlg.SetPaper(user);
    dlg.ShapeCountEdit->selectAll();
    QTest::keyClicks(dlg.ShapeCountEdit, QStringLiteral("-5x"));
    EXPECT_EQ(dlg.ShapeCountEdit->text(), QStringLiteral("5"));
    EXPECT_EQ(dlg.WorkingPaper->ShapeCount, 5);
    // The arrows stop at the limits.
    dlg.UpDown3->Step(false);
    EXPECT_EQ(dlg.ExtraLineCountEdit->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.WorkingPaper->ExtraLineCount, 0);
    dlg.UpDown3->Step(true);
    EXPECT_EQ(dlg.WorkingPaper->ExtraLineCount, 1);
}

TEST_F(PaperEditorDlgTest, GrowingKeepsThePositionsAndSelectsEveryOne)
{
    user->Shapes[0].Selected = 0;
    TPaperEditorDlg dlg;
    dlg.SetPaper(user);
    dlg.ShapeCountEdit->setText(QStringLiteral("4"));
    const auto& s = dlg.WorkingPaper->Shapes;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0], (PaperShape{1, 465, 214}));
    EXPECT_EQ(s[1], (PaperShape{1, 465, 1598}));
    EXPECT_EQ(s[2], (PaperShape{1, 0, 0}));
    EXPECT_EQ(s[3], (PaperShape{1, 0, 0}));
    EXPECT_EQ(lines(dlg.ShapeInfoMemo),
              QStringList({"Circle1: X: 465 Y: 214", "Circle2: X: 465 Y: 1598", "Circle3: X: 0 Y: 0",
                           "Circle4: X: 0 Y: 0"}));

    // Down to one and up to three: nothing is read past the shorter table.
    dlg.ShapeCountEdit->setText(QStringLiteral("1"));
    dlg.ShapeCountEdit->setText(QStringLiteral("3"));
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0], (PaperShape{1, 465, 214}));
    EXPECT_EQ(s[1], (PaperShape{1, 0, 0}));
    // The catalogue record is untouched until Apply.
    EXPECT_EQ(user->Shapes.size(), 2u);

    EXPECT_EQ(lines(dlg.ExtraLineInfoMemo), QStringList({"Line1: From:  X: 1 Y: 2", " To:  X: 3 Y: 4"}));
    EXPECT_EQ(lines(dlg.OtherShapeInfoMemo),
              QStringList({"Shape1: Style: Rectangle X: 70 Y: 80", " Width: 60 Height: 50", " Core Width: 0"}));
}

TEST_F(PaperEditorDlgTest, ApplyWritesTheTargetAndTheCatalogueRecordCancelKeepsTheRest)
{
    // The editor works on a document's own copy; the catalogue record of its ID follows.
    PaperType docCopy;
    ASSERT_TRUE(CopyPaperType(user, &docCopy));
    TPaperEditorDlg dlg;
    dlg.SetPaper(&docCopy);
    dlg.Edit9->setText(QStringLiteral("1200"));
    // A long name is cut to its field; a pair of UTF-16 units is never split.
    dlg.Edit2->setText(QString(38, QLatin1Char('n')) + QString::fromUtf8("\xF0\x9F\x98\x80"));
    dlg.ApplyBtn->click();
    EXPECT_EQ(docCopy.ShapeHeight, 1200);
    EXPECT_EQ(user->ShapeHeight, 1200);
    EXPECT_EQ(docCopy.Name, QString(38, QLatin1Char('n')));
    EXPECT_EQ(user->Name, docCopy.Name);

    // Unapplied edits go with Cancel.
    dlg.Edit10->setText(QStringLiteral("999"));
    dlg.CancelBtn->click();
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_EQ(docCopy.ShapeWidth, 1170);

    // A style change is stored at once, and the list shows the new word.
    TPaperEditorDlg style;
    style.SetPaper(user);
    style.ComboBox1->setCurrentIndex(1);
    EXPECT_EQ(user->ShapeStyle, ShapeRectangle);
    EXPECT_TRUE(lines(style.ShapeInfoMemo).first().startsWith(QLatin1String("Rectangle1:")));
}

TEST_F(PaperEditorDlgTest, ASizeNoPrinterTakesIsRefusedAndLeavesThePaperAsItWas)
{
    // Sizes and positions a printer can take: whole numbers, from 1 (0 for the core) up to a metre.
    using Edit = QLineEdit* TPaperEditorDlg::*;
    const struct {
        Edit edit;
        const char* text;
        int least;
    } cases[] = {
        {&TPaperEditorDlg::Edit7, "21O0", 1},   {&TPaperEditorDlg::Edit7, "99999999", 1},
        {&TPaperEditorDlg::Edit6, "-5", 1},     {&TPaperEditorDlg::Edit6, "0", 1},
        {&TPaperEditorDlg::Edit10, "10001", 1}, {&TPaperEditorDlg::Edit9, "", 1},
        {&TPaperEditorDlg::Edit11, "-1", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TPaperEditorDlg dlg;
        dlg.SetPaper(user);
        const PaperType before = *dlg.WorkingPaper;
        dlg.Edit2->setText(QStringLiteral("Renamed"));
        // Good values typed before and after the bad one are not taken either.
        dlg.Edit6->setText(QStringLiteral("2000"));
        dlg.Edit9->setText(QStringLiteral("1300"));
        (dlg.*c.edit)->setText(QString::fromLatin1(c.text));
        boxes.clear();
        dlg.OkBtn->click();
        ASSERT_EQ(boxes.size(), 1u);
        // Every box here holds a size.
        EXPECT_EQ(boxes[0].text,
                  QStringLiteral("Sizes must be whole numbers from %1 to 10000 tenths of a millimetre.")
                      .arg(c.least));
        EXPECT_EQ(dlg.result(), 0);
        for (const PaperType* p :
             {static_cast<const PaperType*>(dlg.WorkingPaper.get()), static_cast<const PaperType*>(user)}) {
            EXPECT_EQ(p->PaperLength, before.PaperLength);
            EXPECT_EQ(p->PaperWidth, before.PaperWidth);
            EXPECT_EQ(p->ShapeHeight, before.ShapeHeight);
            EXPECT_EQ(p->ShapeWidth, before.ShapeWidth);
            EXPECT_EQ(p->CoreWidth, before.CoreWidth);
        }
        EXPECT_EQ(user->Name, QStringLiteral("Paper 2"));
    }

    // The largest sizes are taken.
    TPaperEditorDlg dlg;
    dlg.SetPaper(user);
    dlg.Edit7->setText(QStringLiteral("10000"));
    dlg.Edit11->setText(QStringLiteral("0"));
    boxes.clear();
    dlg.OkBtn->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(user->PaperWidth, 10000);
    EXPECT_EQ(user->CoreWidth, 0);
}

TEST_F(PaperEditorDlgTest, DefaultBringsBackTheFactoryPositionsAndKeepsTheTarget)
{
    auto factory = papertest::Paper(1, 3, 0);
    factory->Name = QStringLiteral("Factory name");
    writeFactory(WritePaperDefinitionData({papertest::Paper(9).get(), factory.get()}));
    shipped->Name = QStringLiteral("Übersetzter Name");   // translated at start
    shipped->Shapes[1].X = 999;

    TPaperEditorDlg dlg;
    dlg.SetPaper(shipped);
    dlg.DefaultBtn->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(lines(dlg.ShapeInfoMemo).size(), 3);
    EXPECT_EQ(lines(dlg.ShapeInfoMemo)[1], QStringLiteral("Circle2: X: 465 Y: 1598"));
    EXPECT_EQ(dlg.WorkingPaper->Name, QStringLiteral("Übersetzter Name"));
    // Still restricted, still aimed at the record it was opened on.
    EXPECT_FALSE(dlg.Edit9->isEnabled());
    EXPECT_EQ(dlg.TargetPaper, shipped);
    EXPECT_EQ(shipped->Shapes[1].X, 999);

    dlg.OkBtn->click();
    EXPECT_EQ(dlg.result(), 1);
    ASSERT_EQ(shipped->Shapes.size(), 3u);
    EXPECT_EQ(shipped->Shapes[1].X, 465);
    EXPECT_EQ(shipped->ShapeCount, 3);
    EXPECT_EQ(shipped->Name, QStringLiteral("Übersetzter Name"));
}

TEST_F(PaperEditorDlgTest, DefaultWithADamagedOrMissingFactoryFileChangesNothing)
{
    const QByteArray good = WritePaperDefinitionData({papertest::Paper(1, 3, 0).get()});
    QByteArray hugeCount = good;
    hugeCount[8] = char(0xFF);
    hugeCount[9] = char(0xFF);
    hugeCount[10] = char(0xFF);
    hugeCount[11] = char(0x7F);
    QByteArray hugeShapes = good;
    hugeShapes[104 + 376 + 3] = char(0x7F);   // ShapeCount of the record
    QByteArray badMagic = good;
    badMagic[0] = 'X';
    const struct {
        const char* what;
        QByteArray data;
        bool indexed;
        bool message;
    } cases[] = {
        {"truncated record", good.left(300), true, true},
        {"truncated table", good.left(good.size() - 5), true, true},
        {"huge record count", hugeCount, true, true},
        {"huge shape count", hugeShapes, true, true},
        {"not a paper file", badMagic, true, true},
        {"empty file", QByteArray(), true, true},
        {"paper not in the index", good, false, false},
        {"other papers only", WritePaperDefinitionData({papertest::Paper(9).get()}), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(PaperIndexFileName());
        boxes.clear();
        writeFactory(c.data, c.indexed);
        shipped->Shapes[1].X = 999;
        TPaperEditorDlg dlg;
        dlg.SetPaper(shipped);
        dlg.DefaultBtn->click();
        EXPECT_EQ(dlg.WorkingPaper->Shapes.size(), 2u);
        EXPECT_EQ(dlg.WorkingPaper->Shapes[1].X, 999);
        EXPECT_EQ(boxes.size(), c.message ? 1u : 0u);
        if (c.message && !boxes.empty()) {
            EXPECT_EQ(boxes[0].text, LoadLangStr(PaperFileDamagedString));
        }
    }
    // An index naming a file that is gone.
    QFile::remove(dir + QStringLiteral("/Paper/factory.def"));
    boxes.clear();
    TPaperEditorDlg dlg;
    dlg.SetPaper(shipped);
    dlg.DefaultBtn->click();
    EXPECT_EQ(dlg.WorkingPaper->Shapes[1].X, 999);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(PaperEditorDlgTest, EditButtonsOpenTheCoordinateEditorOnTheirTable)
{
    TPaperEditorDlg dlg;
    dlg.SetPaper(user);
    dlg.Edit2->setText(QStringLiteral("Typed, not applied"));
    int mode = -1;
    QTimer::singleShot(0, [&] {
        auto* coords = qobject_cast<TShapeInfoEditDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(coords, nullptr);
        mode = coords->Mode;
        coords->Rows()->findChild<QLineEdit*>(QStringLiteral("pEXTo0"))->setText(QStringLiteral("77"));
        coords->OkBtn->click();
    });
    dlg.ExtraLineInfoEditBtn->click();
    EXPECT_EQ(mode, TShapeInfoEditDlg::ExtraLines);
    EXPECT_EQ(lines(dlg.ExtraLineInfoMemo)[1], QStringLiteral(" To:  X: 77 Y: 4"));
    EXPECT_EQ(user->ExtraLines[0].XTo, 3);   // the working copy only, until Apply
    EXPECT_EQ(dlg.Edit2->text(), QStringLiteral("Typed, not applied"));
}

TEST(DialogTextTest, FormatsFillOnlyWhatTheirArgumentsFit)
{
    const struct {
        const char* format;
        std::initializer_list<QVariant> args;
        const char* expected;
    } cases[] = {
        {"%s%d: X: %d Y: %d", {QStringLiteral("Circle"), 1, 120, -80}, "Circle1: X: 120 Y: -80"},
        {"%d%%", {50}, "50%"},
        {"%d %d", {1}, "1 %d"},                         // too few arguments
        {"%s", {7}, "%s"},                              // a number where text belongs
        {"%d", {QStringLiteral("x")}, "%d"},            // text where a number belongs
        {"%n%x%08d %s", {QStringLiteral("a")}, "%n%x%08d a"},  // nothing else is interpreted
        {"trailing %", {}, "trailing %"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatLangText(QString::fromUtf8(c.format), c.args), QString::fromUtf8(c.expected)) << c.format;
}

TEST(DialogTextTest, StrToIntTakesDecimalIntegersOnly)
{
    EXPECT_EQ(StrToInt(QStringLiteral(" -42 ")), -42);
    EXPECT_EQ(StrToInt(QStringLiteral("+7")), 7);
    EXPECT_EQ(StrToInt(QStringLiteral("2147483647")), 2147483647);
    for (const char* bad : {"", "-", "12a", "0x10", "2147483648", "1 2", "\xD9\xA3"})
        EXPECT_THROW(StrToInt(QString::fromUtf8(bad)), std::runtime_error) << bad;
}

} // namespace
