#include "app/color_property_dlg.h"

#include "app/dialog_form.h"
#include "controls/color_button.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"
#include "platform/up_down.h"

#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

namespace {

// Largest position or size a box takes, tenths of a millimetre (10 m).
constexpr int MaxBoxValue = 99999;

bool boxValue(const QLineEdit* edit, int& value)
{
    bool ok = false;
    value = edit->text().trimmed().toInt(&ok);
    return ok && value >= -MaxBoxValue && value <= MaxBoxValue;
}

} // namespace

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
    const struct {
        QLabel** label;
        const char* labelName;
        QLineEdit** edit;
        const char* editName;
        int x, y;
    } boxes[] = {{&Label7, "Label7", &Edit1, "Edit1", 12, 32},
                 {&Label4, "Label4", &Edit2, "Edit2", 148, 32},
                 {&Label6, "Label6", &Edit3, "Edit3", 12, 64},
                 {&Label5, "Label5", &Edit4, "Edit4", 148, 64}};
    for (const auto& b : boxes) {
        *b.label = new QLabel(GroupBox2);
        Named(*b.label, b.labelName)->move(b.x, b.y);
        *b.edit = new QLineEdit(GroupBox2);
        Named(*b.edit, b.editName)->setGeometry(b.x + 56, b.y - 4, 69, 21);
        (*b.edit)->setValidator(new QIntValidator(-MaxBoxValue, MaxBoxValue, *b.edit));
        (*b.label)->setBuddy(*b.edit);
    }
    Label8 = new QLabel(GroupBox2);
    Named(Label8, "Label8")->move(204, 92);

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
    Label7->setText(LoadLangStr(PositionLeftString));
    Label4->setText(LoadLangStr(PositionTopString));
    Label6->setText(LoadLangStr(PositionWidthString));
    Label5->setText(LoadLangStr(PositionHeightString));
    Label8->setText(LoadLangStr(PositionUnitString));
    SetHelpContexts({{OutLineBtn, 2070},
                     {CoreBtn, 2071},
                     {LineWidthEdit, 2072},
                     {Edit1, 2050},
                     {Edit2, 2051},
                     {Edit3, 2052},
                     {Edit4, 2053},
                     {OKBtn, 2000},
                     {CancelBtn, 2001}});
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
    fitTexts();
    CentreOnScreen(this, owner);
}

TColorPropertyDlg::~TColorPropertyDlg() = default;

void TColorPropertyDlg::fitTexts()
{
    for (QLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8})
        l->adjustSize();
    // A long caption pushes its box to the right rather than being cut.
    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4}) {
        for (QLabel* label : {Label7, Label4, Label6, Label5})
            if (label->buddy() == e && label->geometry().right() + 4 > e->x())
                e->move(label->geometry().right() + 4, e->y());
    }
    // The unit note keeps inside its group.
    const int unitRight = GroupBox2->width() - 6;
    if (Label8->geometry().right() + 1 > unitRight)
        Label8->move(std::max(4, unitRight - Label8->width()), Label8->y());
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
    // Every box must hold a whole number before anything is taken.
    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4}) {
        int v = 0;
        if (!boxValue(e, v)) {
            MessageBox(this, LoadLangStr(PositionNotNumberString), windowTitle(), MB_OK | MB_ICONWARNING);
            PageControl1->setCurrentWidget(TabSheet2);
            e->setFocus();
            e->selectAll();
            return;
        }
    }
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
    dlg->Edit1->setText(QString::number(request.Left));
    dlg->Edit2->setText(QString::number(request.Top));
    dlg->Edit3->setText(QString::number(request.Width));
    dlg->Edit4->setText(QString::number(request.Height));
    return RunOwnedDialog(dlg, [&request](TColorPropertyDlg& d) {
        request.LineWidth = d.TempShape->Pen.Width;
        request.LineColor = d.TempShape->Pen.Color;
        request.CoreColor = d.TempShape->Brush.Color;
        boxValue(d.Edit1, request.Left);
        boxValue(d.Edit2, request.Top);
        boxValue(d.Edit3, request.Width);
        boxValue(d.Edit4, request.Height);
    });
}
