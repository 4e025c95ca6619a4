#include "app/new_dlg.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/guid.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "support/dialog_test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>

namespace {

const QString kSection = QStringLiteral("BasicInfo");

// Tree as text: "Node{Child,Child{...}}" at every level, in display order.
QString dump(const QTreeWidgetItem* item)
{
    QStringList parts;
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* c = item->child(i);
        parts << (c->childCount() ? c->text(0) + "{" + dump(c) + "}" : c->text(0));
    }
    return parts.join(",");
}
QString dump(const TNewDlg& dlg) { return dump(dlg.TreeView->invisibleRootItem()); }

class NewDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TRegIniFile(ProductKey()).EraseSection(kSection);
        add("Avery", "CD/DVD label", "Zeta disc");
        add("Avery", "CD/DVD label", "alpha disc", "Two discs a sheet\r\nLaser and inkjet");
        add("Avery", "Booklet", "Booklet 2 up");
        add("Memorex", "CD/DVD label", "Memorex disc");
        add("memorex", "Spine", "spine strips");   // another maker: texts compare exactly
        SetMessageBoxHandler([this](const MessageBoxCall& c) {
            boxes.push_back(c);
            return answer;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHandler(nullptr);
        SetPaperEditor(nullptr);
        PaperCatalogue().clear();
    }
    PaperType* add(const char* maker, const char* cls, const char* name, const char* desc = "",
                   bool user = false)
    {
        auto owned = std::make_unique<PaperType>();
        PaperType* p = owned.get();
        p->ID = NameGUID(QByteArray(maker) + "/" + name);
        p->Manufacturer = QString::fromUtf8(maker);
        p->Classification = QString::fromUtf8(cls);
        p->Name = QString::fromUtf8(name);
        p->Description = QString::fromUtf8(desc);
        p->UserDefined = user ? 1 : 0;
        p->PaperWidth = 2100;
        p->PaperLength = 2970;
        PaperCatalogue().push_back(std::move(owned));
        return p;
    }
    PaperType* paper(const char* name)
    {
        for (PaperType* p : PaperCatalogue())
            if (p->Name == QLatin1String(name))
                return p;
        return nullptr;
    }
    void store(const QString& ident, const QString& value) { TRegIniFile(ProductKey()).WriteString(kSection, ident, value); }
    void storeBool(const QString& ident, bool value) { TRegIniFile(ProductKey()).WriteBool(kSection, ident, value); }

    std::vector<MessageBoxCall> boxes;
    int answer = IDNO;
};

} // namespace

TEST_F(NewDlgTest, GroupsByManufacturerThenClassificationSorted)
{
    TNewDlg dlg;
    EXPECT_TRUE(dlg.MBtn->isChecked());
    EXPECT_EQ(dump(dlg).toStdString(),
              "Avery{Booklet{Booklet 2 up},CD/DVD label{alpha disc,Zeta disc}},"
              "memorex{Spine{spine strips}},Memorex{CD/DVD label{Memorex disc}}");   // lower case first
    const QTreeWidgetItem* avery = dlg.TreeView->topLevelItem(0);
    EXPECT_EQ(TNewDlg::NodeMarker(avery), TNewDlg::ManufacturerNode);
    EXPECT_EQ(TNewDlg::NodeMarker(avery->child(0)), TNewDlg::ClassificationNode);
    EXPECT_EQ(TNewDlg::NodeMarker(avery->child(0)->child(0)), 0);
    EXPECT_EQ(TNewDlg::NodePaper(avery->child(0)->child(0)), paper("Booklet 2 up"));
    EXPECT_EQ(TNewDlg::NodePaper(avery), nullptr);
    EXPECT_TRUE(avery->isExpanded());
    EXPECT_EQ(dlg.TreeView->indentation(), 19);
}

TEST_F(NewDlgTest, StoredSortByClassificationAndSwitchingKeepsSelection)
{
    storeBool("SortByManufacturer", false);
    storeBool("SortByClassfied", true);
    store("PaperID", GUIDToString(paper("Memorex disc")->ID));
    TNewDlg dlg;
    EXPECT_TRUE(dlg.CBtn->isChecked());
    EXPECT_EQ(dump(dlg).toStdString(),
              "Booklet{Avery{Booklet 2 up}},CD/DVD label{Avery{alpha disc,Zeta disc},"
              "Memorex{Memorex disc}},Spine{memorex{spine strips}}");
    EXPECT_EQ(TNewDlg::NodeMarker(dlg.TreeView->topLevelItem(0)), TNewDlg::ClassificationNode);
    ASSERT_NE(dlg.TreeView->currentItem(), nullptr);
    EXPECT_EQ(dlg.TreeView->currentItem()->text(0), "Memorex disc");

    dlg.MBtn->click();
    EXPECT_TRUE(dlg.MBtn->isChecked());
    EXPECT_EQ(dlg.TreeView->topLevelItem(0)->text(0), "Avery");
    ASSERT_NE(dlg.TreeView->currentItem(), nullptr);
    EXPECT_EQ(dlg.TreeView->currentItem()->text(0), "Memorex disc");
    EXPECT_EQ(dlg.TreeView->currentItem()->parent()->parent()->text(0), "Memorex");
}

TEST_F(NewDlgTest, SelectsStoredPaperOrTheFirstOne)
{
    const struct {
        QString stored;
        const char* selected;
    } cases[] = {
        {GUIDToString(NameGUID("Avery/alpha disc")), "alpha disc"},
        {GUIDToString(CreateGUID()), "Booklet 2 up"},   // first start: matches nothing
        {QStringLiteral("not a guid"), "Booklet 2 up"},
    };
    for (const auto& c : cases) {
        store("PaperID", c.stored);
        TNewDlg dlg;
        SCOPED_TRACE(c.selected);
        ASSERT_NE(dlg.TreeView->currentItem(), nullptr);
        EXPECT_EQ(dlg.TreeView->currentItem()->text(0), c.selected);
        EXPECT_EQ(dlg.PaperID, paper(c.selected)->ID);
        EXPECT_TRUE(dlg.OKBtn->isEnabled());
        EXPECT_TRUE(dlg.EditPaperTypeBtn->isEnabled());
        EXPECT_FALSE(dlg.DeletePaperTypeBtn->isEnabled());   // shipped papers stay
    }
    store("PaperID", GUIDToString(NameGUID("Avery/alpha disc")));
    TNewDlg dlg;
    EXPECT_EQ(dlg.InfoLabel->toPlainText(), "Two discs a sheet\nLaser and inkjet");
}

TEST_F(NewDlgTest, GroupNodeDisablesButtonsAndHidesSample)
{
    TNewDlg dlg;
    dlg.show();
    ASSERT_TRUE(dlg.PaintBox->isVisible());
    dlg.TreeView->setCurrentItem(dlg.TreeView->topLevelItem(0));
    EXPECT_FALSE(dlg.OKBtn->isEnabled());
    EXPECT_FALSE(dlg.EditPaperTypeBtn->isEnabled());
    EXPECT_FALSE(dlg.DeletePaperTypeBtn->isEnabled());
    EXPECT_FALSE(dlg.PaintBox->isVisible());
    EXPECT_TRUE(dlg.InfoLabel->toPlainText().isEmpty());
    dlg.TreeView->setCurrentItem(dlg.TreeView->topLevelItem(0)->child(0)->child(0));
    EXPECT_TRUE(dlg.OKBtn->isEnabled());
    EXPECT_TRUE(dlg.PaintBox->isVisible());
}

TEST_F(NewDlgTest, OkStoresSettingsAndResults)
{
    TNewDlg dlg;
    dlg.TreeView->setCurrentItem(dlg.TreeView->topLevelItem(0)->child(1)->child(1));   // Zeta
    dlg.FullPageChk->setChecked(true);
    dlg.StartupChk->setChecked(false);
    dlg.CBtn->setChecked(true);
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.PaperID, paper("Zeta disc")->ID);
    EXPECT_EQ(dlg.FullPage, 1);
    TRegIniFile reg(ProductKey());
    EXPECT_EQ(reg.ReadString(kSection, "PaperID", ""), GUIDToString(paper("Zeta disc")->ID));
    EXPECT_FALSE(reg.ReadBool(kSection, "Startup", true));
    EXPECT_TRUE(reg.ReadBool(kSection, "FullPageMode", false));
    EXPECT_FALSE(reg.ReadBool(kSection, "SortByManufacturer", true));
    EXPECT_TRUE(reg.ReadBool(kSection, "SortByClassfied", false));

    TNewDlg again;   // reads what was stored
    EXPECT_EQ(again.TreeView->currentItem()->text(0), "Zeta disc");
    EXPECT_TRUE(again.FullPageChk->isChecked());
    EXPECT_FALSE(again.StartupChk->isChecked());
}

TEST_F(NewDlgTest, ModalResultsOfTheButtons)
{
    const struct {
        const char* button;
        int result;
    } cases[] = {{"CancelBtn", 2}, {"OpenBtn", 6}};
    for (const auto& c : cases) {
        TNewDlg dlg;
        dlg.findChild<QPushButton*>(c.button)->click();
        EXPECT_EQ(dlg.result(), c.result) << c.button;
        EXPECT_FALSE(TRegIniFile(ProductKey()).ValueExists(kSection, "PaperID"));   // nothing stored
    }
    TNewDlg dlg;
    dlg.reject();   // Escape and the window's close button
    EXPECT_EQ(dlg.result(), 2);

    TNewDlg dbl;
    dbl.TreeView->setCurrentItem(dbl.TreeView->topLevelItem(0));
    emit dbl.TreeView->itemDoubleClicked(dbl.TreeView->topLevelItem(0), 0);
    EXPECT_EQ(dbl.result(), 0);   // OK is disabled on a group node
    dbl.TreeView->setCurrentItem(dbl.TreeView->topLevelItem(0)->child(0)->child(0));
    emit dbl.TreeView->itemDoubleClicked(dbl.TreeView->currentItem(), 0);
    EXPECT_EQ(dbl.result(), 1);
}

TEST_F(NewDlgTest, AddUserPaperAndDeleteIt)
{
    TNewDlg dlg;
    const size_t before = PaperCatalogue().size();

    int editorCalls = 0;
    SetPaperEditor([&](QWidget* owner, PaperType* p) {
        ++editorCalls;
        EXPECT_EQ(owner, &dlg);
        EXPECT_EQ(p->Name, "Customize Paper Style");
        EXPECT_EQ(p->Manufacturer, "User Customize");
        EXPECT_EQ(p->Classification, "User Customize");
        EXPECT_EQ(p->PaperWidth, 2100);
        EXPECT_EQ(p->PaperLength, 2970);
        EXPECT_EQ(p->ShapeWidth, 1150);
        EXPECT_EQ(p->CoreWidth, 440);
        EXPECT_EQ(p->ShapeCount, 1);
        EXPECT_EQ(p->Shapes.at(0), (PaperShape{1, 40, 50}));
        EXPECT_EQ(p->UserDefined, 1);
        return 2;
    });
    dlg.AddPaperTypeBtn->click();
    EXPECT_EQ(editorCalls, 1);
    EXPECT_EQ(PaperCatalogue().size(), before);   // cancelled in the editor

    SetPaperEditor([](QWidget*, PaperType* p) {
        p->Name = "My sheet";
        return 1;
    });
    dlg.AddPaperTypeBtn->click();
    ASSERT_EQ(PaperCatalogue().size(), before + 1);
    PaperType* mine = PaperCatalogue().back();
    const TGUID mineId = mine->ID;
    EXPECT_TRUE(dump(dlg).contains("User Customize{User Customize{My sheet}}"));
    ASSERT_NE(dlg.TreeView->currentItem(), nullptr);
    EXPECT_EQ(dlg.TreeView->currentItem()->text(0), "My sheet");
    EXPECT_EQ(dlg.PaperID, mineId);
    EXPECT_TRUE(dlg.DeletePaperTypeBtn->isEnabled());

    answer = IDNO;
    dlg.DeletePaperTypeBtn->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure to delete this Paper type information!?");
    EXPECT_EQ(boxes[0].caption, dlg.windowTitle());
    EXPECT_EQ(boxes[0].flags & MB_TYPEMASK, MB_YESNO);
    EXPECT_EQ(PaperCatalogue().size(), before + 1);

    answer = IDYES;
    dlg.DeletePaperTypeBtn->click();
    EXPECT_EQ(PaperCatalogue().size(), before);
    EXPECT_EQ(FindPaperType(mineId), nullptr);
    EXPECT_FALSE(dump(dlg).contains("User Customize"));
    EXPECT_FALSE(dlg.OKBtn->isEnabled());
}

TEST_F(NewDlgTest, WithoutAnEditorAddTakesTheNewPaperAsItIs)
{
    TNewDlg dlg;
    dlg.AddPaperTypeBtn->click();
    EXPECT_TRUE(dump(dlg).contains("User Customize{User Customize{Customize Paper Style}}"));
    EXPECT_TRUE(dlg.DeletePaperTypeBtn->isEnabled());
    // Edit without an editor changes nothing.
    const QString tree = dump(dlg);
    dlg.EditPaperTypeBtn->click();
    EXPECT_EQ(dump(dlg), tree);
}

TEST_F(NewDlgTest, ShippedPaperIsNeverDeleted)
{
    store("PaperID", GUIDToString(paper("Zeta disc")->ID));
    TNewDlg dlg;
    ASSERT_EQ(dlg.PaperID, paper("Zeta disc")->ID);
    EXPECT_FALSE(dlg.DeletePaperTypeBtn->isEnabled());
    answer = IDYES;
    dlg.DeletePaperTypeBtnClick();   // even when reached some other way
    EXPECT_NE(paper("Zeta disc"), nullptr);
    EXPECT_EQ(PaperCatalogue().size(), 5u);
}

TEST_F(NewDlgTest, EditRefillsTheTreeKeepingTheSelection)
{
    add("Zebra", "Insert", "user insert", "", true);
    store("PaperID", GUIDToString(paper("user insert")->ID));
    SetPaperEditor([](QWidget*, PaperType* p) {
        p->Manufacturer = "Aardvark";
        return 1;
    });
    TNewDlg dlg;
    dlg.EditPaperTypeBtn->click();
    EXPECT_EQ(dlg.TreeView->topLevelItem(0)->text(0), "Aardvark");
    ASSERT_NE(dlg.TreeView->currentItem(), nullptr);
    EXPECT_EQ(dlg.TreeView->currentItem()->text(0), "user insert");
}

TEST_F(NewDlgTest, PaintsTheSampleOfTheSelectedPaper)
{
    TNewDlg dlg;
    dlg.show();
    const QImage img = dlg.PaintBox->grab().toImage();
    ASSERT_FALSE(img.isNull());
    // Centre of the sheet drawing, and the border on its left edge.
    const int w = dlg.PaintBox->width(), h = dlg.PaintBox->height();
    EXPECT_EQ(img.pixelColor(w / 2, h / 2), QColor(252, 252, 252));
    const int left = (w - 100) / 2;   // A4 at n = 21 is 100 pixels wide
    EXPECT_EQ(img.pixelColor(left, h / 2), QColor(0, 0, 0));
}

TEST_F(NewDlgTest, FormLayout)
{
    TNewDlg dlg;
    EXPECT_EQ(dlg.size(), QSize(494, 429));
    EXPECT_EQ(dlg.windowTitle(), "Korvane - New");
    for (const char* name : {"TreeView", "Label1", "Label2", "MBtn", "CBtn", "GroupBox1", "PaintBox",
                             "StaticText1", "InfoLabel", "FullPageChk", "StartupChk", "OKBtn",
                             "CancelBtn", "OpenBtn", "AddPaperTypeBtn", "DeletePaperTypeBtn",
                             "EditPaperTypeBtn"}) {
        QWidget* w = dlg.findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(QRect(0, 0, 494, 429).contains(w->geometry())) << name;
    }
    EXPECT_TRUE(dlg.OKBtn->isDefault());
    EXPECT_TRUE(dlg.InfoLabel->isReadOnly());
}

TEST_F(NewDlgTest, LongPaperNamesScrollInsteadOfBeingCut)
{
    const char* name = "A rather long name of a label sheet 39";
    add("Avery", "CD/DVD label", name);
    TNewDlg dlg;
    dlg.show();
    QTreeWidgetItem* node = dlg.FindPaperNode(paper(name)->ID);
    ASSERT_NE(node, nullptr);
    const QRect text = dlg.TreeView->visualItemRect(node);
    EXPECT_GE(text.width(), dlg.TreeView->fontMetrics().horizontalAdvance(QString::fromLatin1(name)));
    EXPECT_GT(dlg.TreeView->horizontalScrollBar()->maximum(), 0);
}

// German captions are longer than the English ones: controls grow, and the right column moves
// over rather than let any control cover another.
TEST_F(NewDlgTest, GermanCaptionsNeitherOverlapNorGetCut)
{
    const testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TNewDlg dlg;
    EXPECT_EQ(dlg.DeletePaperTypeBtn->text(), QString::fromUtf8("&Löschen"));
    QList<QWidget*> controls;
    for (QObject* o : dlg.children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow())
            controls << w;
    for (int i = 0; i < controls.size(); ++i) {
        const QWidget* a = controls[i];
        EXPECT_TRUE(dlg.rect().contains(a->geometry())) << a->objectName().toStdString();
        if (auto* b = qobject_cast<const QAbstractButton*>(a))
            testsupport::ExpectCaptionFits(b);
        for (int j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(a->geometry().intersects(controls[j]->geometry()))
                << a->objectName().toStdString() << " / " << controls[j]->objectName().toStdString();
    }
}
