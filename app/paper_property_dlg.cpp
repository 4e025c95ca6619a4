#include "app/paper_property_dlg.h"

#include "app/dialog_form.h"
#include "app/new_dlg.h"
#include "controls/color_button.h"
#include "controls/color_palette.h"
#include "document/paper_sample.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "platform/message_box.h"

#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

// --- TPaperPropertyDlg -------------------------------------------------------------

TPaperPropertyDlg::TPaperPropertyDlg(QWidget* owner, const TGUID& paperID, ImageListFunction images)
    : QDialog(owner), PaperID(paperID), m_images(std::move(images))
{
    SetUpFixedDialog(this, "PaperPropertyDlg", 393, 310);

    GroupBox1 = new QGroupBox(this);
    Named(GroupBox1, "GroupBox1")->setGeometry(8, 4, 377, 84);
    TempShape = new TShape(GroupBox1);
    Named(TempShape, "TempShape")->setGeometry(16, 24, 53, 49);
    TempShape->SetShape(stCircle);
    Label1 = new QLabel(GroupBox1);
    Named(Label1, "Label1")->move(88, 26);
    Label2 = new QLabel(GroupBox1);
    Named(Label2, "Label2")->move(88, 56);
    OutLineBtn = new TscColorButton(GroupBox1);
    Named(OutLineBtn, "OutLineBtn")->setGeometry(232, 20, 120, 25);
    CoreBtn = new TscColorButton(GroupBox1);
    Named(CoreBtn, "CoreBtn")->setGeometry(232, 50, 120, 25);
    Label1->setBuddy(OutLineBtn);
    Label2->setBuddy(CoreBtn);

    GroupBox2 = new QGroupBox(this);
    Named(GroupBox2, "GroupBox2")->setGeometry(8, 92, 377, 184);
    TreeView = new QTreeWidget(GroupBox2);
    Named(TreeView, "TreeView")->setGeometry(10, 20, 236, 156);
    SetUpPaperTreeWidget(TreeView);
    Label3 = new QLabel(GroupBox2);
    Named(Label3, "Label3")->move(256, 18);
    PaintBox = new TSamplePaintBox(GroupBox2);
    Named(PaintBox, "PaintBox")->setGeometry(256, 32, 105, 148);
    PaintBox->OnPaint = [this](TCanvas* canvas) { PaintBoxPaint(canvas); };

    OKBtn = new QPushButton(this);
    Named(OKBtn, "OKBtn")->setGeometry(230, 280, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(this);
    Named(CancelBtn, "CancelBtn")->setGeometry(310, 280, 75, 25);

    for (TscColorButton* b : {OutLineBtn, CoreBtn}) {
        TColorArrayClass palette, custom(8, 2);
        SetDefaultPaletteColors(palette);
        for (int i = 1; i <= custom.Count(); ++i)
            custom.SetSingleColor(i, clWhite);
        b->SetPaletteColors(palette);
        b->SetCustomColors(custom);
        b->OtherBtnCaption = LoadLangStr(OtherColorsButtonString);
    }
    CoreBtn->SetColor(clWhite);

    // Captions, help contexts and the language's character set.
    setWindowTitle(LoadLangStr(PaperPropertiesCaptionString));
    GroupBox1->setTitle(LoadLangStr(ColorObjectInfoString));
    Label1->setText(LoadLangStr(OutlineColorString));
    Label2->setText(LoadLangStr(CoreColorString));
    GroupBox2->setTitle(LoadLangStr(ProductDesignString));
    Label3->setText(LoadLangStr(SampleLabelString));
    OKBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    for (QLabel* l : {Label1, Label2, Label3})
        l->adjustSize();
    SetHelpContexts(
        {{OutLineBtn, 2070}, {CoreBtn, 2071}, {TreeView, 2003}, {OKBtn, 2000}, {CancelBtn, 2001}});
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
    for (QGroupBox* g : {GroupBox1, GroupBox2})
        FitGroupFrame(g);
    // A long label pushes the colour buttons right; the buttons keep inside the group.
    const int labelRight = std::max(Label1->geometry().right(), Label2->geometry().right()) + 8;
    for (TscColorButton* b : {OutLineBtn, CoreBtn})
        if (b->x() < labelRight)
            b->setGeometry(labelRight, b->y(), std::max(60, GroupBox1->width() - 10 - labelRight), b->height());

    OutLineBtn->OnColorChange = [this](QObject*) { OutLineBtnColorChange(); };
    CoreBtn->OnColorChange = [this](QObject*) { CoreBtnColorChange(); };
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                Application->Guard([&] { TreeViewChange(current); });
            });
    connect(TreeView, &QTreeWidget::itemDoubleClicked, this, [this] { TreeViewDblClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(1); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });

    FillPaperTreeWidget(TreeView, true, m_images ? m_images : ImageListFunction([this](int index) {
        return style()->standardIcon(index == 0 ? QStyle::SP_FileIcon : QStyle::SP_DirIcon);
    }));
    if (QTreeWidgetItem* node = FindPaperNode(TreeView, PaperID)) {
        TreeView->setCurrentItem(node);
        if (node->parent())
            TreeView->scrollToItem(node->parent(), QAbstractItemView::PositionAtTop);
    }
    // A paper the catalogue lacks selects nothing; OK then keeps it.
}

TPaperPropertyDlg::~TPaperPropertyDlg() = default;

void TPaperPropertyDlg::OutLineBtnColorChange()
{
    TempShape->Pen.Color = OutLineBtn->Color();
    TempShape->update();
}

void TPaperPropertyDlg::CoreBtnColorChange()
{
    TempShape->Brush.Color = CoreBtn->Color();
    TempShape->update();
}

void TPaperPropertyDlg::TreeViewChange(QTreeWidgetItem* node)
{
    const PaperType* p = PaperNodePaper(node);
    if (!p) {
        OKBtn->setEnabled(false);
        PaintBox->hide();
        return;
    }
    PaperID = p->ID;
    OKBtn->setEnabled(true);
    PaintBox->show();
    PaintBox->update();
    TempShape->SetShape(p->ShapeStyle == ShapeCircle ? stCircle : stRectangle);
}

// Only a paper node accepts the dialog: a double-click on a group opens or closes it.
void TPaperPropertyDlg::TreeViewDblClick()
{
    if (PaperNodePaper(TreeView->currentItem()))
        done(1);
}

void TPaperPropertyDlg::PaintBoxPaint(TCanvas* canvas)
{
    PaintBox->DrawPaper(canvas, FindPaperType(PaperID));
}

bool TPaperPropertyDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}
