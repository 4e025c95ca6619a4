#include "app/image_property_dlg.h"

#include "app/dialog_form.h"
#include "app/image_editor_frame.h"
#include "app/image_open_dlg.h"
#include "app/position_boxes.h"
#include "app/twain.h"
#include "document/clipboard.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/bitmap.h"
#include "platform/graphics.h"
#include "platform/message_box.h"
#include "platform/picture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

namespace {

class TImagePaintBox : public QWidget {
public:
    TImagePaintBox(TImagePropertyDlg* dlg, QWidget* parent) : QWidget(parent), m_dlg(dlg) {}

protected:
    void paintEvent(QPaintEvent*) override { m_dlg->PaintBoxPaint(); }
    void mouseDoubleClickEvent(QMouseEvent*) override
    {
        Application->Guard([this] { m_dlg->PaintBoxDblClick(); });
    }

private:
    TImagePropertyDlg* m_dlg;
};

} // namespace

int RatioSide(int value, int side, int other)
{
    if (side <= 0)
        return 0;
    return RoundValue(float(int64_t(other) * value) / float(side));
}

TImagePropertyDlg::TImagePropertyDlg(QWidget* owner) : QDialog(owner), Picture(std::make_unique<TPicture>())
{
    SetUpObjectDialog(this, "ImagePropertyDlg", 426, 332);

    OKBtn = new QPushButton(this);
    Named(OKBtn, "OKBtn")->setGeometry(254, 302, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(this);
    Named(CancelBtn, "CancelBtn")->setGeometry(338, 302, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, [this] { Application->Guard([this] { OKBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });

    PageControl1 = new QTabWidget(this);
    Named(PageControl1, "PageControl1")->setGeometry(4, 5, 417, 289);
    TabSheet1 = new QWidget;
    Named(TabSheet1, "TabSheet1");
    TabSheet2 = new QWidget;
    Named(TabSheet2, "TabSheet2");
    PageControl1->addTab(TabSheet1, QString());
    PageControl1->addTab(TabSheet2, QString());
    PageControl1->setCurrentIndex(0);

    GroupBox1 = new QGroupBox(TabSheet1);
    Named(GroupBox1, "GroupBox1")->setGeometry(3, 2, 403, 257);
    Panel = new QFrame(GroupBox1);
    Named(Panel, "Panel")->setGeometry(12, 27, 261, 218);
    Panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel->setLineWidth(1);
    Panel->setAutoFillBackground(true);
    Panel->setBackgroundRole(QPalette::Base);
    PaintBox = new TImagePaintBox(this, Panel);
    Named(PaintBox, "PaintBox")->setGeometry(2, 2, 255, 211);
    StretchInRatioChk = new QCheckBox(GroupBox1);
    Named(StretchInRatioChk, "StretchInRatioChk")->setGeometry(288, 28, 97, 17);
    const struct {
        QPushButton** button;
        const char* name;
        int y;
        void (TImagePropertyDlg::*handler)();
    } buttons[] = {{&LoadBtn, "LoadBtn", 59, &TImagePropertyDlg::LoadBtnClick},
                   {&ClearBtn, "ClearBtn", 87, &TImagePropertyDlg::ClearBtnClick},
                   {&PasteBtn, "PasteBtn", 115, &TImagePropertyDlg::PasteBtnClick},
                   {&EditBtn, "EditBtn", 143, &TImagePropertyDlg::EditBtnClick},
                   {&SavePicBtn, "SavePicBtn", 171, &TImagePropertyDlg::SavePicBtnClick},
                   {&AcquireBtn, "AcquireBtn", 215, &TImagePropertyDlg::AcquireBtnClick}};
    for (const auto& b : buttons) {
        *b.button = new QPushButton(GroupBox1);
        Named(*b.button, b.name)->setGeometry(300, b.y, 75, 25);
        const auto handler = b.handler;
        connect(*b.button, &QPushButton::clicked, this,
                [this, handler] { Application->Guard([this, handler] { (this->*handler)(); }); });
    }
    for (QPushButton* b : {LoadBtn, ClearBtn, AcquireBtn}) {
        QFont f = b->font();
        f.setPixelSize(11);
        b->setFont(f);
    }

    GroupBox2 = new QGroupBox(TabSheet2);
    Named(GroupBox2, "GroupBox2")->setGeometry(3, 2, 298, 115);
    m_boxes = MakePositionBoxes(GroupBox2, {"Label1", "Label2", "Label3", "Label4"},
                                {"Edit1", "Edit2", "Edit3", "Edit4"}, "Label5");
    Label1 = m_boxes.Labels[0];
    Label2 = m_boxes.Labels[1];
    Label3 = m_boxes.Labels[2];
    Label4 = m_boxes.Labels[3];
    Edit1 = m_boxes.Edits[0];
    Edit2 = m_boxes.Edits[1];
    Edit3 = m_boxes.Edits[2];
    Edit4 = m_boxes.Edits[3];
    Label5 = m_boxes.Unit;
    connect(Edit3, &QLineEdit::editingFinished, this, [this] { Edit3Exit(Edit3); });
    connect(Edit4, &QLineEdit::editingFinished, this, [this] { Edit3Exit(Edit4); });

    // The Paste button follows the clipboard while the dialog is open.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] { WMDrawClipboard(); });

    setWindowTitle(LoadLangStr(ImageDialogCaptionString));
    OKBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    PasteBtn->setText(LoadLangStr(PasteButtonString));
    LoadBtn->setText(LoadLangStr(LoadButtonString));
    AcquireBtn->setText(LoadLangStr(AcquireButtonString));
    StretchInRatioChk->setText(LoadLangStr(StretchInRatioString));
    ClearBtn->setText(LoadLangStr(ClearButtonString));
    EditBtn->setText(LoadLangStr(EditButtonString));
    SavePicBtn->setText(LoadLangStr(SavePictureButtonString));
    PageControl1->setTabText(0, LoadLangStr(ImageObjectInfoString));
    GroupBox1->setTitle(LoadLangStr(ImageObjectInfoString));
    PageControl1->setTabText(1, LoadLangStr(PositionSizeString));
    GroupBox2->setTitle(LoadLangStr(PositionSizeString));
    SetHelpContexts({{StretchInRatioChk, 2090},
                     {LoadBtn, 2091},
                     {ClearBtn, 2092},
                     {PasteBtn, 2093},
                     {EditBtn, 2094},
                     {SavePicBtn, 2095},
                     {AcquireBtn, 2096},
                     {OKBtn, 2000},
                     {CancelBtn, 2001}});
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
    fitTexts();
    PasteBtn->setEnabled(ClipboardOffersPicture(QApplication::clipboard()->mimeData()));
    SetPictureControls();
    CentreOnScreen(this, owner);
}

TImagePropertyDlg::~TImagePropertyDlg() = default;

void TImagePropertyDlg::fitTexts()
{
    FitPositionBoxes(m_boxes);
    // The side buttons grow to the left for a long caption, the check box to its text.
    for (QPushButton* b : {LoadBtn, ClearBtn, PasteBtn, EditBtn, SavePicBtn, AcquireBtn}) {
        const int need = CaptionWidth(b) + 12;
        if (need > b->width())
            b->setGeometry(b->x() + b->width() - need, b->y(), need, b->height());
    }
    // The check box grows to the right, then moves left towards the preview, never onto it.
    const int checkNeed = StretchInRatioChk->sizeHint().width();
    if (checkNeed > StretchInRatioChk->width()) {
        const int right = GroupBox1->width() - 4;
        const int left =
            std::max(Panel->geometry().right() + 1 + 6, std::min(StretchInRatioChk->x(), right - checkNeed));
        StretchInRatioChk->setGeometry(
            left, StretchInRatioChk->y(), std::min(checkNeed, right - left),
            std::max(StretchInRatioChk->height(), StretchInRatioChk->sizeHint().height()));
    }
    FitButtonRow({CancelBtn, OKBtn});
}

bool TImagePropertyDlg::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Application->Guard([this] { FormActivate(); });
    return QDialog::event(e);
}

void TImagePropertyDlg::SetPictureControls()
{
    const bool has = !Picture->Empty();
    for (QWidget* w : std::initializer_list<QWidget*>{EditBtn, SavePicBtn, Edit3, Edit4})
        w->setEnabled(has);
}

void TImagePropertyDlg::FormActivate()
{
    PasteBtn->setEnabled(ClipboardOffersPicture(QApplication::clipboard()->mimeData()));
    SetPictureControls();
}

void TImagePropertyDlg::WMDrawClipboard()
{
    // Only a picture can be pasted here, so text alone never enables Paste.
    PasteBtn->setEnabled(ClipboardOffersPicture(QApplication::clipboard()->mimeData()));
}

void TImagePropertyDlg::LoadBtnClick()
{
    QPointer<TImageOpenFileDlg> dlg = new TImageOpenFileDlg(this);
    dlg->OpenDialog->Filter = GraphicFilter();
    dlg->OpenDialog->SetDefaultExt(GraphicExtension(QStringLiteral("TGraphic")));
    // The dialog starts at the picture last loaded here, when it is still there.
    const QFileInfo last(FileName);
    if (!FileName.isEmpty() && last.isFile())
        dlg->OpenDialog->FileName = last.absoluteFilePath();
    const bool ok = dlg->ExecuteImageOpen();
    if (!dlg)
        return;
    const QString chosen = dlg->OpenDialog->FileName;
    // The picture the preview read is taken as it is, not read a second time.
    TPicture loaded;
    const bool read = ok && dlg->LoadChosen(chosen, loaded);
    delete dlg.data();
    if (read) {
        FileName = chosen;
        Picture->Assign(&loaded);
        PaintBox->update();
    }
    SetPictureControls();
}

void TImagePropertyDlg::ClearBtnClick()
{
    Picture->Assign(static_cast<const TPicture*>(nullptr));
    PaintBox->update();
    SetPictureControls();
}

void TImagePropertyDlg::PasteBtnClick()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const QImage image = ClipboardPicture(data);
    if (!image.isNull()) {
        TBitmap bitmap;
        bitmap.SetImage(image);
        Picture->Assign(&bitmap);
        PaintBox->update();
    } else if (ClipboardOffersPicture(data)) {
        MessageDlg(LoadLangStr(ClipboardPictureUnreadableString), mtWarning, mbOK);
    }
    SetPictureControls();
}

void TImagePropertyDlg::AcquireBtnClick()
{
    if (!CheckTwainDll())
        return;
    CTWAIN twain;
    twain.AcquireToPicture(this);
    if (!twain.Picture->Empty()) {
        Picture->Assign(twain.Picture.get());
        twain.Picture->Assign(static_cast<const TPicture*>(nullptr));
    }
    SetPictureControls();
    PaintBox->update();
}

void TImagePropertyDlg::EditBtnClick()
{
    if (Picture->Empty())
        return;
    RunImageEditor(this, *Picture);
    PaintBox->update();
}

void TImagePropertyDlg::SavePicBtnClick()
{
    if (Picture->Empty())
        return;
    TSaveDialogEx dialog(this);
    dialog.Filter = QStringLiteral("Windows Bitmaps(*.bmp)|*.bmp");
    dialog.DefaultExt = QStringLiteral("bmp");
    // A file already there is only replaced when the user says so.
    dialog.Options |= ofOverwritePrompt;
    if (!dialog.Execute())
        return;
    // Width across, height down: the bitmap has the picture's own shape.
    TBitmap bitmap(Picture->Width(), Picture->Height());
    bitmap.Canvas()->Draw(0, 0, Picture->Graphic());
    bitmap.SaveToFile(dialog.FileName);
}

void TImagePropertyDlg::PaintBoxPaint()
{
    const int bw = PaintBox->width(), bh = PaintBox->height();
    if (Picture->Empty()) {
        QPainter p(PaintBox);
        const QString text = LoadLangStr(NoPictureString);
        const QFontMetrics fm(font());
        p.setFont(font());
        p.drawText(bw / 2 - fm.horizontalAdvance(text) / 2, bh / 2 - fm.height() / 2 + fm.ascent(), text);
        return;
    }
    TCanvas canvas(PaintBox);
    const QRect r = PreviewRect(bw, bh, Picture->Width(), Picture->Height());
    if (r.size() == QSize(Picture->Width(), Picture->Height()))
        canvas.Draw(r.x(), r.y(), Picture->Graphic());
    else
        canvas.StretchDraw(TRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height()), Picture->Graphic());
}

void TImagePropertyDlg::PaintBoxDblClick()
{
    if (Picture->Empty())
        return;
    QPointer<TImageOpenFilePreviewDlg> dlg = new TImageOpenFilePreviewDlg(this);
    dlg->ShowPreview(Picture.get());
    delete dlg.data();
}

void TImagePropertyDlg::Edit3Exit(QLineEdit* sender)
{
    if (!StretchInRatioChk->isChecked() || Picture->Empty())
        return;
    // A box that does not hold a whole number is left for OK to point out.
    int value = 0;
    if (!PositionBoxValue(sender, value))
        return;
    QLineEdit* other = sender == Edit3 ? Edit4 : Edit3;
    const int result = sender == Edit3 ? RatioSide(value, Picture->Width(), Picture->Height())
                                       : RatioSide(value, Picture->Height(), Picture->Width());
    int shown = 0;
    if (!PositionBoxValue(other, shown) || shown != result)
        other->setText(QString::number(result));
}

void TImagePropertyDlg::OKBtnClick()
{
    if (CheckPositionBoxes(m_boxes, PageControl1, TabSheet2))
        done(1);
}

void TImagePropertyDlg::reject()
{
    done(2);
}

bool TImagePropertyDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}

bool RunImagePropertyDlg(QWidget* owner, TImagePropertiesRequest& request)
{
    // The owner may go while the dialog runs; the dialog goes with it.
    QPointer<TImagePropertyDlg> dlg = new TImagePropertyDlg(owner);
    dlg->Picture->Assign(&request.Picture);
    dlg->StretchInRatioChk->setChecked(request.StretchInRatio);
    WritePositionBoxes(dlg->PositionBoxes(), request.Left, request.Top, request.Width, request.Height);
    dlg->SetPictureControls();
    return RunOwnedDialog(dlg, [&request](TImagePropertyDlg& d) {
        request.Picture.Assign(d.Picture.get());
        request.StretchInRatio = d.StretchInRatioChk->isChecked();
        ReadPositionBoxes(d.PositionBoxes(), request.Left, request.Top, request.Width, request.Height);
    });
}

bool RunImageEditor(QWidget* owner, TPicture& picture)
{
    QPointer<TImageEditorFrame> editor = new TImageEditorFrame(owner);
    // The editor opens where the main window is, in its state.
    if (QWidget* main = Application ? Application->MainForm : nullptr) {
        if (main->isMaximized())
            editor->setWindowState(Qt::WindowMaximized);
        else
            editor->setGeometry(main->geometry());
    }
    editor->SetPicture(&picture);
    editor->exec();
    if (!editor)
        return false;
    const bool modified = editor->Modified;
    if (modified)
        picture.Assign(editor->Picture.get());
    delete editor.data();
    return modified;
}
