#include "app/color_property_dlg.h"

#include "app/dialog_form.h"
#include "app/position_boxes.h"
#include "controls/color_button.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"
#include "platform/up_down.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

// --- TColorPropertyDlg ---------------------------------------------------------------

TColorPropertyDlg::TColorPropertyDlg(QWidget* owner) : QDialog(owner)
{
    SetUpObjectDialog(this, "ColorPropertyDlg", 323, 254);

    OKBtn = new QPushButton(this);
    Named(OKBtn, "OKBtn")->setGeometry(156, 224, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(this);
    Named(CancelBtn, "CancelBtn")->setGeometry(240, 224, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, [this] { Application->Guard([this] { OKBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });

    PageControl1 = new QTabWidget(this);
    Named(PageControl1, "PageControl1")->setGeometry(5, 8, 313, 209);
    TabSheet1 = new QWidget;
    Named(TabSheet1, "TabSheet1");
    TabSheet2 = new QWidget;
    Named(TabSheet2, "TabSheet2");
    PageControl1->addTab(TabSheet1, QString());
    PageControl1->addTab(TabSheet2, QString());
    PageControl1->setCurrentIndex(0);

    GroupBox1 = new QGroupBox(TabSheet1);
    Named(GroupBox1, "GroupBox1")->setGeometry(3, 2, 253, 169);
    TempShape = new TShape(GroupBox1);
    Named(TempShape, "TempShape")->setGeometry(16, 31, 101, 107);
    Label1 = new QLabel(GroupBox1);
    Named(Label1, "Label1")->move(145, 16);
    OutLineBtn = new TscColorButton(GroupBox1);
    Named(OutLineBtn, "OutLineBtn")->setGeometry(145, 38, 45, 22);
    Label1->setBuddy(OutLineBtn);
    Label2 = new QLabel(GroupBox1);
    Named(Label2, "Label2")->move(145, 64);
    CoreBtn = new TscColorButton(GroupBox1);
    Named(CoreBtn, "CoreBtn")->setGeometry(145, 84, 45, 22);
    Label2->setBuddy(CoreBtn);
    CoreBtn->SetColor(clWhite);
    Label3 = new QLabel(GroupBox1);
    Named(Label3, "Label3")->move(145, 112);
    LineWidthEdit = new QLineEdit(GroupBox1);
    Named(LineWidthEdit, "LineWidthEdit")->setGeometry(145, 130, 45, 21);
    LineWidthEdit->setReadOnly(true);
    LineWidthEdit->setText(QStringLiteral("1"));
    UpDown = new TUpDown(GroupBox1);
    Named(UpDown, "UpDown")->setGeometry(190, 130, 15, 21);
    UpDown->SetMin(MinLineWidth);
    UpDown->SetMax(MaxLineWidth);
    UpDown->SetAssociate(LineWidthEdit);
    UpDown->SetPosition(1);
    UpDown->Wrap = false;
    Label3->setBuddy(LineWidthEdit);

    GroupBox2 = new QGroupBox(TabSheet2);
    Named(GroupBox2, "GroupBox2")->setGeometry(3, 2, 298, 115);
    m_boxes = MakePositionBoxes(GroupBox2, {"Label7", "Label4", "Label6", "Label5"},
                                {"Edit1", "Edit2", "Edit3", "Edit4"}, "Label8");
    Label7 = m_boxes.Labels[0];
    Label4 = m_boxes.Labels[1];
    Label6 = m_boxes.Labels[2];
    Label5 = m_boxes.Labels[3];
    Edit1 = m_boxes.Edits[0];
    Edit2 = m_boxes.Edits[1];
    Edit3 = m_boxes.Edits[2];
    Edit4 = m_boxes.Edits[3];
    Label8 = m_boxes.Unit;

    connect(LineWidthEdit, &QLineEdit::textChanged, this, [this] { LineWidthEditChange(); });
    OutLineBtn->OnColorChange = [this](QObject*) { OutLineBtnColorChange(); };
    CoreBtn->OnColorChange = [this](QObject*) { CoreBtnColorChange(); };
    TempShape->Brush.Color = CoreBtn->Color();
    TempShape->Pen.Color = OutLineBtn->Color();

    // Captions, help contexts and the language's character set.
    setWindowTitle(LoadLangStr(ColorDialogCaptionString));
    OKBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    PageControl1->setTabText(0, LoadLangStr(ColorObjectInfoString));
    GroupBox1->setTitle(LoadLangStr(ColorObjectInfoString));
    Label1->setText(LoadLangStr(OutlineColorString));
    Label2->setText(LoadLangStr(CoreColorString));
    Label3->setText(LoadLangStr(LineWidthString));
    OutLineBtn->OtherBtnCaption = LoadLangStr(OtherColorsButtonString);
    CoreBtn->OtherBtnCaption = LoadLangStr(OtherColorsButtonString);
    PageControl1->setTabText(1, LoadLangStr(PositionSizeString));
    GroupBox2->setTitle(LoadLangStr(PositionSizeString));
    SetHelpContexts(
        {{OutLineBtn, 2070}, {CoreBtn, 2071}, {LineWidthEdit, 2072}, {OKBtn, 2000}, {CancelBtn, 2001}});
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
    fitTexts();
    CentreOnScreen(this, owner);
}

TColorPropertyDlg::~TColorPropertyDlg() = default;

void TColorPropertyDlg::fitTexts()
{
    for (QLabel* l : {Label1, Label2, Label3})
        l->adjustSize();
    FitGroupFrame(GroupBox1);
    FitPositionBoxes(m_boxes);
    FitButtonRow({CancelBtn, OKBtn});
}

void TColorPropertyDlg::LineWidthEditChange()
{
    bool ok = false;
    const int w = LineWidthEdit->text().toInt(&ok);
    if (!ok)
        return;
    TempShape->Pen.Width = std::clamp(w, MinLineWidth, MaxLineWidth);
    TempShape->update();
}

void TColorPropertyDlg::OutLineBtnColorChange()
{
    TempShape->Pen.Color = OutLineBtn->Color();
    TempShape->update();
}

void TColorPropertyDlg::CoreBtnColorChange()
{
    TempShape->Brush.Color = CoreBtn->Color();
    TempShape->update();
}

void TColorPropertyDlg::OKBtnClick()
{
    if (CheckPositionBoxes(m_boxes, PageControl1, TabSheet2))
        done(1);
}

void TColorPropertyDlg::reject()
{
    done(2);
}

bool TColorPropertyDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}

bool RunColorPropertyDlg(QWidget* owner, TColorPropertiesRequest& request)
{
    // The owner may go while the dialog runs; the dialog goes with it.
    QPointer<TColorPropertyDlg> dlg = new TColorPropertyDlg(owner);
    dlg->TempShape->SetShape(request.Ellipse ? stEllipse : stRectangle);
    dlg->TempShape->Pen.Color = request.LineColor;
    dlg->TempShape->Brush.Color = request.CoreColor;
    dlg->OutLineBtn->SetColor(request.LineColor);
    dlg->CoreBtn->SetColor(request.CoreColor);
    dlg->UpDown->SetPosition(request.LineWidth);
    WritePositionBoxes(dlg->PositionBoxes(), request.Left, request.Top, request.Width, request.Height);
    return RunOwnedDialog(dlg, [&request](TColorPropertyDlg& d) {
        request.LineWidth = d.TempShape->Pen.Width;
        request.LineColor = d.TempShape->Pen.Color;
        request.CoreColor = d.TempShape->Brush.Color;
        ReadPositionBoxes(d.PositionBoxes(), request.Left, request.Top, request.Width, request.Height);
    });
}
