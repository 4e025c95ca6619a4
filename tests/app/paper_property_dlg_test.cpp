// The paper properties dialog: the catalogue tree with the document's paper selected, the
// sample, the colour sample following the buttons and the paper, and what accepts the dialog.
#include "app/paper_property_dlg.h"
#include "app/new_dlg.h"
#include "controls/color_button.h"
#include "controls/color_palette.h"
#include "document/paper_type.h"
#include "platform/guid.h"
#include "tests/support/test_papers.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QTreeWidget>

namespace {

class PaperPropertyDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        disc = add("Avery", "CD/DVD label", "Disc A&B", ShapeCircle);
        add("Avery", "CD/DVD label", "Another disc", ShapeCircle);
        card = add("Zweckform", "Card", "Card 4 up", ShapeRectangle);
    }
    void TearDown() override
    {
        PaperCatalogue().clear();
    }
    PaperType* add(const char* maker, const char* cls, const char* name, int32_t style)
    {
        auto owned = std::make_unique<PaperType>(testpaper::Discs(NameGUID(QByteArray("prop/") + name),
                                                                   QString::fromUtf8(name), 1170, {{1, 465, 214}}));
        PaperType* p = owned.get();
        p->Manufacturer = QString::fromUtf8(maker);
        p->Classification = QString::fromUtf8(cls);
        p->ShapeStyle = style;
        p->CoreWidth = 0;
        PaperCatalogue().push_back(std::move(owned));
        return p;
    }
    static QTreeWidgetItem* node(const TPaperPropertyDlg& dlg, const PaperType* p)
    {
        return FindPaperNode(dlg.TreeView, p->ID);
    }
    PaperType* disc = nullptr;
    PaperType* card = nullptr;
};

TEST_F(PaperPropertyDlgTest, TheDocumentsPaperIsSelectedAndDrawn)
{
    TPaperPropertyDlg dlg(nullptr, disc->ID);
    ASSERT_EQ(dlg.TreeView->topLevelItemCount(), 2);
    QTreeWidgetItem* avery = dlg.TreeView->topLevelItem(0);
    EXPECT_EQ(avery->text(0), QStringLiteral("Avery"));
    EXPECT_EQ(PaperNodeMarker(avery), ManufacturerNodeMarker);
    EXPECT_EQ(PaperNodeMarker(avery->child(0)), ClassificationNodeMarker);
    // Sorted by name; "&" is part of the name, not a mnemonic.
    EXPECT_EQ(avery->child(0)->child(0)->text(0), QStringLiteral("Another disc"));
    EXPECT_EQ(avery->child(0)->child(1)->text(0), QStringLiteral("Disc A&B"));
    EXPECT_EQ(dlg.TreeView->currentItem(), node(dlg, disc));
    EXPECT_TRUE(dlg.OKBtn->isEnabled());
    EXPECT_EQ(dlg.PaperID, disc->ID);
    EXPECT_EQ(dlg.PaintBox->size(), QSize(105, 148));

    // The sample: an A4 sheet at 1 pixel per 2.1 mm, centred, with its disc label.
    dlg.show();
    const QImage shot = dlg.PaintBox->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(10, 100)), QColor(252, 252, 252));   // the sheet at (2, 3)-(102, 144)
    EXPECT_NE(QColor(shot.pixel(1, 74)), QColor(252, 252, 252));     // left of it
    EXPECT_EQ(QColor(shot.pixel(52, 25)), QColor(0x8F, 0xC1, 0xF8));  // the disc at (24, 13), 56 across
}

TEST_F(PaperPropertyDlgTest, ThePaperDecidesTheColourSampleShape)
{
    TPaperPropertyDlg dlg(nullptr, disc->ID);
    EXPECT_EQ(dlg.TempShape->Shape, stCircle);
    dlg.TreeView->setCurrentItem(node(dlg, card));
    EXPECT_EQ(dlg.TempShape->Shape, stRectangle);
    EXPECT_EQ(dlg.PaperID, card->ID);

    // A group node: no paper to accept, no sample; the last paper stays chosen.
    dlg.TreeView->setCurrentItem(dlg.TreeView->topLevelItem(0));
    EXPECT_FALSE(dlg.OKBtn->isEnabled());
    EXPECT_FALSE(dlg.PaintBox->isVisibleTo(&dlg));
    EXPECT_EQ(dlg.PaperID, card->ID);
}

TEST_F(PaperPropertyDlgTest, ColourButtonsRecolourTheSampleAtOnce)
{
    TPaperPropertyDlg dlg(nullptr, disc->ID);
    EXPECT_EQ(dlg.CoreBtn->Color(), clWhite);
    // The palette as the label and colour dialogs show it: white, red, green, blue and a pale
    // green down the first column, black at the top of the second.
    TColorArrayClass standard;
    SetDefaultPaletteColors(standard);
    for (TscColorButton* b : {dlg.OutLineBtn, dlg.CoreBtn})
        EXPECT_TRUE(b->PaletteColors.IsEqualTo(&standard));
    EXPECT_EQ(dlg.OutLineBtn->PaletteColors.Color(1, 2), TColor(255));
    EXPECT_EQ(dlg.OutLineBtn->PaletteColors.Color(2, 1), clBlack);
    EXPECT_EQ(dlg.OutLineBtn->PaletteColors.SingleColor(20), TColor(10461087));
    EXPECT_EQ(dlg.CoreBtn->CustomColors.SingleColor(16), clWhite);
    EXPECT_EQ(dlg.OutLineBtn->OtherBtnCaption, QStringLiteral("&Other"));
    dlg.OutLineBtn->SetColor(TColor(255));
    EXPECT_EQ(dlg.TempShape->Pen.Color, TColor(255));
    dlg.CoreBtn->SetColor(TColor(65535));
    EXPECT_EQ(dlg.TempShape->Brush.Color, TColor(65535));
    EXPECT_EQ(dlg.TempShape->Pen.Color, TColor(255));
}

TEST_F(PaperPropertyDlgTest, AnUnknownPaperSelectsNothingAndOkKeepsIt)
{
    const TGUID gone = NameGUID("prop/gone");
    TPaperPropertyDlg dlg(nullptr, gone);
    EXPECT_EQ(dlg.TreeView->currentItem(), nullptr);
    EXPECT_TRUE(dlg.OKBtn->isEnabled());
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.PaperID, gone);
}

TEST_F(PaperPropertyDlgTest, OnlyADoubleClickOnAPaperAcceptsTheDialog)
{
    TPaperPropertyDlg dlg(nullptr, disc->ID);
    QTreeWidgetItem* group = dlg.TreeView->topLevelItem(0);
    dlg.TreeView->setCurrentItem(group);
    emit dlg.TreeView->itemDoubleClicked(group, 0);
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_FALSE(dlg.isHidden() && dlg.result() == 1);

    QTreeWidgetItem* paper = node(dlg, card);
    dlg.TreeView->setCurrentItem(paper);
    emit dlg.TreeView->itemDoubleClicked(paper, 0);
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.PaperID, card->ID);
}

} // namespace
