#include "app/label_property_dlg.h"

#include "app/dialog_form.h"
#include "controls/color_button.h"
#include "controls/font_combo_box.h"
#include "document/child_frame.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/message_box.h"
#include "platform/up_down.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

// Size text of an empty size box.
const QString kDefaultSizeText = QStringLiteral("18");

// The paint box inside the sample panel; its owner paints on the canvas it is handed.
class SamplePaintBox : public QWidget {
public:
    explicit SamplePaintBox(TLabelPropertyDlg* dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        TCanvas canvas(this);
        m_dialog->PaintBoxPaint(&canvas);
    }

private:
    TLabelPropertyDlg* m_dialog;
};

// The first line of a memo text.
QString firstLine(const QString& text)
{
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return end < 0 ? text : text.left(end);
}

} // namespace

QPoint SampleTextOrigin(int angle, int tw, int th, int boxWidth, int boxHeight)
{
    if (angle < 1 || angle > 359)
        return QPoint((boxWidth - tw) / 2, (boxHeight - th) / 2);
    // Single precision on purpose, as the label sizes itself: the sample is the text as the
    // label will show it.
    const float b = float(double(angle) * M_PI / 180.0);
    const double c = std::cos(double(b)), s = std::sin(double(b));
    const int ct = std::abs(RoundValue(c * th)), st = std::abs(RoundValue(s * th));
    const int bw = std::abs(RoundValue(c * tw)) + st;
    const int bh = ct + std::abs(RoundValue(s * tw));
    const int ox = (boxWidth - bw) / 2, oy = (boxHeight - bh) / 2;
    if (angle <= 90)
        return QPoint(ox, oy + bh - ct);
    if (angle <= 180)
        return QPoint(ox + bw - st, oy + bh);
    if (angle <= 270)
        return QPoint(ox + bw, oy + ct);
    return QPoint(ox + st, oy);
}

TLabelPropertyDlg::TLabelPropertyDlg(QWidget* owner) : QDialog(owner)
{
    const TFont formFont = SetUpObjectDialog(this, "LabelPropertyDlg", 409, 306);

    GroupBox1 = new QGroupBox(this);
    Named(GroupBox1, "GroupBox1")->setGeometry(7, 0, 394, 265);
    Label2 = new QLabel(GroupBox1);
    Named(Label2, "Label2")->move(13, 20);

    Panel = new QFrame(GroupBox1);
    Named(Panel, "Panel")->setGeometry(13, 36, 369, 73);
    Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel->setLineWidth(2);
    auto* panelLayout = new QVBoxLayout(Panel);
    panelLayout->setContentsMargins(5, 5, 5, 5);
    PaintBox = new SamplePaintBox(this, Panel);
    Named(PaintBox, "PaintBox");
    panelLayout->addWidget(PaintBox);
    SampleFont = &m_panelFont;

    Label4 = new QLabel(GroupBox1);
    Named(Label4, "Label4")->move(13, 120);
    FontName = new TscFontComboBox(GroupBox1);
    Named(FontName, "FontName")->setGeometry(13, 136, 189, 22);
    FontName->SetShowSample(false);
    Label4->setBuddy(FontName);

    Label5 = new QLabel(GroupBox1);
    Named(Label5, "Label5")->move(216, 120);
    FontSize = new TscComboBox(GroupBox1);
    Named(FontSize, "FontSize")->setGeometry(216, 136, 49, 22);
    FontName->SetSizeComboBox(FontSize);
    Label5->setBuddy(FontSize);

    Label6 = new QLabel(GroupBox1);
    Named(Label6, "Label6")->move(280, 120);
    FontColor = new TscColorButton(GroupBox1);
    Named(FontColor, "FontColor")->setGeometry(280, 136, 45, 22);
    Label6->setBuddy(FontColor);

    FontBold = FontStyleButton(GroupBox1, "FontBold", true);
    FontBold->setGeometry(332, 136, 23, 22);
    FontItalic = FontStyleButton(GroupBox1, "FontItalic", false);
    FontItalic->setGeometry(355, 136, 23, 22);

    Label1 = new QLabel(GroupBox1);
    Named(Label1, "Label1")->move(13, 166);
    {
        TFont small = formFont;
        small.Height = -11;
        Label1->setFont(small.ToQFont());
    }
    Edit = new QPlainTextEdit(GroupBox1);
    Named(Edit, "Edit")->setGeometry(13, 182, 249, 71);
    Edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    Edit->setTabChangesFocus(true);
    Edit->installEventFilter(this);
    Label1->setBuddy(Edit);

    Label3 = new QLabel(GroupBox1);
    Named(Label3, "Label3")->move(284, 184);
    Angle = new QLineEdit(GroupBox1);
    Named(Angle, "Angle")->setGeometry(296, 204, 61, 21);
    Angle->setMaxLength(3);
    Angle->setText(QStringLiteral("0"));
    AngleUpDown = new TUpDown(GroupBox1);
    Named(AngleUpDown, "AngleUpDown")->setGeometry(357, 204, 11, 21);
    AngleUpDown->SetMin(0);
    AngleUpDown->SetMax(360);
    AngleUpDown->SetAssociate(Angle);
    AngleUpDown->SetPosition(0);
    AngleUpDown->Wrap = false;
    AngleUpDown->Thousands = false;
    Label3->setBuddy(Angle);

    OKBtn = new QPushButton(this);
    Named(OKBtn, "OKBtn")->setGeometry(236, 272, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(this);
    Named(CancelBtn, "CancelBtn")->setGeometry(320, 272, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        // The label takes the angle the box shows, or nothing.
        int angle = 0;
        if (!TakeBoxNumber(Angle, AngleUpDown->Min(), AngleUpDown->Max(),
                           LoadLangStr(AngleRangeString)
                               .arg(QString::number(AngleUpDown->Min()), QString::number(AngleUpDown->Max())),
                           angle))
            return;
        done(1);
    });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });

    // Every font control refreshes the sample.
    auto change = [this](QObject* sender) { Application->Guard([&] { FontNameChange(sender); }); };
    FontName->OnChange = change;
    FontSize->OnChange = change;
    FontColor->OnColorChange = change;
    connect(FontBold, &QToolButton::clicked, this, [this, change] { change(FontBold); });
    connect(FontItalic, &QToolButton::clicked, this, [this, change] { change(FontItalic); });
    connect(Angle, &QLineEdit::textChanged, this, [this, change] { change(Angle); });

    // Captions, help contexts and the language's character set.
    setWindowTitle(LoadLangStr(LabelDialogCaptionString));
    OKBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    Label1->setText(LoadLangStr(EnterTextString));
    GroupBox1->setTitle(LoadLangStr(LabelObjectInfoString));
    Label2->setText(LoadLangStr(LabelSampleString));
    Label3->setText(LoadLangStr(RotateAngleString));
    Label4->setText(LoadLangStr(FontNameLabelString));
    Label5->setText(LoadLangStr(FontSizeLabelString));
    Label6->setText(LoadLangStr(FontColorLabelString));
    FontColor->OtherBtnCaption = LoadLangStr(OtherColorsButtonString);
    SetHelpContexts({{Panel, 2080},
                     {FontName, 2081},
                     {FontSize, 2082},
                     {FontColor, 2083},
                     {Edit, 2084},
                     {Angle, 2085},
                     {OKBtn, 2000},
                     {CancelBtn, 2001}});
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
    fitTexts();

    CentreOnScreen(this, owner);
    Edit->setFocus();
}

TLabelPropertyDlg::~TLabelPropertyDlg() = default;

void TLabelPropertyDlg::fitTexts()
{
    for (QLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6})
        l->adjustSize();
    // Buttons grow leftwards when a translation needs more room.
    FitButtonRow({CancelBtn, OKBtn});
}

void TLabelPropertyDlg::FontNameChange(QObject*)
{
    if (m_inChange)
        return;
    m_inChange = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_inChange};

    // A font the list does not hold keeps its name rather than losing it.
    const QString name = FontName->GetFontName();
    if (!name.isEmpty())
        SampleFont->Name = name;

    if (FontSize->Text().isEmpty())
        FontSize->SetText(kDefaultSizeText);
    const QString sizeText = FontSize->Text().trimmed();
    int size = SampleFont->Size();
    if (!FontSizeFromText(sizeText, size)) {
        MessageBox(this,
                   LoadLangStr(FontSizeRangeString)
                       .arg(QString::number(MinLabelFontSize), QString::number(MaxLabelFontSize)),
                   windowTitle(), MB_OK | MB_ICONWARNING);
        // A number out of range is brought into it; anything else keeps the sample's size.
        bool ok = false;
        const long long typed = sizeText.toLongLong(&ok);
        size =
            int(std::clamp<long long>(ok ? typed : SampleFont->Size(), MinLabelFontSize, MaxLabelFontSize));
        FontSize->SetText(QString::number(size));
    }
    SampleFont->SetSize(size);
    SampleFont->Color = FontColor->Color();
    SampleFont->Style = (SampleFont->Style & ~(fsBold | fsItalic)) | (FontBold->isChecked() ? fsBold : 0) |
                        (FontItalic->isChecked() ? fsItalic : 0);
    // The sample turns with the angle; level at 0 and 360.
    const int a = AngleUpDown->Position();
    SampleFont->Orientation = a >= 1 && a <= 359 ? a * 10 : 0;
    Panel->setFont(SampleFont->ToQFont());
    PaintBox->update();
}

void TLabelPropertyDlg::PaintBoxPaint(TCanvas* canvas)
{
    canvas->Font = *SampleFont;
    canvas->Brush.Style = bsClear;
    QString s = firstLine(Edit->toPlainText());

    TFontCharset charset = ANSI_CHARSET;
    if (const TFontRecord* rec = FontName->SelectedRecord())
        charset = rec->Charset;
    if (s.isEmpty()) {
        if (charset == SYMBOL_CHARSET)
            s = QStringLiteral("Symbol");
        else if (charset == CHINESEBIG5_CHARSET)
            s = QString::fromUtf8("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\xE5\xBD\xA2\xE7\xAF\x84\xE4\xBE\x8B");
        else
            s = QStringLiteral("AaBbYyZz");
    }
    const int tw = canvas->TextWidth(s);
    const int th = canvas->TextHeight(s);
    const int a = AngleUpDown->Position();
    m_sampleOrigin = SampleTextOrigin(a, tw, th, PaintBox->width(), PaintBox->height());
    m_sampleText = s;
    canvas->TextOut(m_sampleOrigin.x(), m_sampleOrigin.y(), s);
}

void TLabelPropertyDlg::EditKeyDown(QObject*, int& key, unsigned)
{
    if (key == Qt::Key_Escape) {
        done(2);
        return;
    }
    if (Edit->document()->blockCount() <= 1)
        PaintBox->update();
}

bool TLabelPropertyDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        int key = k->key();
        EditKeyDown(Edit, key, unsigned(k->modifiers()));
        if (key == Qt::Key_Escape)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TLabelPropertyDlg::reject()
{
    done(2);
}

bool TLabelPropertyDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}

bool RunLabelPropertyDlg(QWidget* owner, TLabelPropertiesRequest& request)
{
    // The owner may go while the dialog runs; the dialog goes with it.
    QPointer<TLabelPropertyDlg> dlg = new TLabelPropertyDlg(owner);
    dlg->Edit->setPlainText(QString(request.Text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    *dlg->SampleFont = request.SampleFont;
    dlg->SampleFont->Orientation = 0;
    // A size from a damaged document is brought into range quietly.
    dlg->FontSize->SetText(
        QString::number(std::clamp(request.SampleFont.Size(), MinLabelFontSize, MaxLabelFontSize)));
    dlg->FontName->SetFontName(request.SampleFont.Name);
    dlg->FontColor->SetColor(request.SampleFont.Color);
    dlg->FontBold->setChecked(request.SampleFont.Style & fsBold);
    dlg->FontItalic->setChecked(request.SampleFont.Style & fsItalic);
    dlg->AngleUpDown->SetPosition(request.Angle);
    dlg->FontNameChange(dlg);
    return RunOwnedDialog(dlg, [&request](TLabelPropertyDlg& d) {
        request.Text = d.Edit->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        request.Angle = d.AngleUpDown->Position();
        request.SampleFont = *d.SampleFont;
        // The label turns its text itself.
        request.SampleFont.Orientation = 0;
        request.Bold = d.FontBold->isChecked();
        request.Italic = d.FontItalic->isChecked();
    });
}
