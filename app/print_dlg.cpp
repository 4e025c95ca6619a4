#include "app/print_dlg.h"

#include "app/dialog_form.h"
#include "app/new_dlg.h"
#include "app/paper_editor_dlg.h"
#include "app/print_preview_frame.h"
#include "app/print_wizard_dlg.h"
#include "controls/print_panel.h"
#include "document/child_frame.h"
#include "document/main_window_link.h"
#include "document/print_job.h"
#include "document/std.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPicture>
#include <QPushButton>
#include <QScrollArea>

namespace {

constexpr TColor PlainBackColor = 0xE3E3E3;
constexpr TColor OutlinePenColor = 0xE0B070;
constexpr TColor SelectedFillColor = 0xF8C18F;
constexpr TColor SelectedOutlineColor = 0x0000FF;
constexpr int PreviewDpi = 180;
// One layout preview pixel stands for 2.5 mm.
constexpr int LayoutScale = 25;

QString KindWord(const PaperType* paper)
{
    if (!paper)
        return LoadLangStr(ShapeString);
    if (paper->HasShapeMask)
        return LoadLangStr(ShapeString);
    return LoadLangStr(paper->ShapeStyle == ShapeCircle ? CircleString : RectangleString);
}

} // namespace

TPagePrintDlg::TPagePrintDlg(QWidget* owner) : QDialog(owner)
{
    SetUpObjectDialog(this, "PagePrintDlg", 433, 358);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_document = qobject_cast<TChildFrame*>(owner);
    m_wizard = qobject_cast<TMultipleImagePrintWizardDlg*>(owner);

    PD = new TFormPrintCommDialog(this);
    PD->Options = poPageNums;
    PD->OnShow = [this](QObject*) { PDShow(); };
    GroupBox = Named(new QGroupBox(this), "GroupBox");
    GroupBox->setGeometry(12, 148, 225, 183);
    PaintBox = Named(new TSamplePaintBox(GroupBox), "PaintBox");
    PaintBox->setGeometry(8, 17, 84, 118);
    PaintBox->OnPaint = [this](TCanvas* canvas) { PaintBoxPaint(canvas); };
    CheckBoxFull = Named(new QCheckBox(GroupBox), "CheckBoxFull");
    CheckBoxFull->setGeometry(100, 14, 85, 17);
    CheckBoxOutLine = Named(new QCheckBox(GroupBox), "CheckBoxOutLine");
    CheckBoxOutLine->setGeometry(8, 138, 210, 17);
    PageSetupBtn = Named(new QPushButton(this), "PageSetupBtn");
    PageSetupBtn->setGeometry(12, 317, 89, 25);
    ResolutionComboBox = Named(new QComboBox(this), "ResolutionComboBox");
    ResolutionComboBox->setGeometry(316, 260, 80, 21);
    Label1 = Named(new QLabel(this), "Label1");
    Label1->move(248, 264);
    Label1->setBuddy(ResolutionComboBox);
    Label2 = Named(new QLabel(this), "Label2");
    Label2->move(248, 288);
    PrintStyleComboBox = Named(new QComboBox(this), "PrintStyleComboBox");
    PrintStyleComboBox->setGeometry(316, 284, 80, 21);
    Label2->setBuddy(PrintStyleComboBox);
    PreviewBtn = Named(new QPushButton(this), "PreviewBtn");
    PreviewBtn->setGeometry(108, 317, 89, 25);
    ScrollBox1 = Named(new QScrollArea(GroupBox), "ScrollBox1");
    ScrollBox1->setGeometry(112, 32, 101, 105);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidget(new QWidget);
    ScrollBox1->setWidgetResizable(false);
    CheckBoxMaskCore = Named(new QCheckBox(GroupBox), "CheckBoxMaskCore");
    CheckBoxMaskCore->setGeometry(8, 156, 210, 17);

    ApplyLanguageCharset(this);
    PD->SetOkButtonCaption(LoadLangStr(OKButtonString));
    PD->SetCancelButtonCaption(LoadLangStr(CancelButtonString));
    setWindowTitle(LoadLangStr(PrintCaptionString));
    PageSetupBtn->setText(LoadLangStr(PageSetupButtonString));
    PreviewBtn->setText(LoadLangStr(PrintPreviewButtonString));
    GroupBox->setTitle(LoadLangStr(PrintShapeSelectionString));
    CheckBoxMaskCore->setText(LoadLangStr(MaskCoreRegionString));
    CheckBoxOutLine->setText(LoadLangStr(DrawOutLineString));
    CheckBoxFull->setText(LoadLangStr(FullPageBoxString));
    Label1->setText(LoadLangStr(ResolutionLabelString));
    Label2->setText(LoadLangStr(PrintStyleLabelString));
    Label1->adjustSize();
    Label2->adjustSize();
    FitGroupFrame(GroupBox);
    // Translated captions get the room they need; the boxes follow their labels.
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{CheckBoxFull, PageSetupBtn, PreviewBtn})
        GrowToCaption(b);
    const int boxesX = std::max(316, std::max(Label1->x() + Label1->width(), Label2->x() + Label2->width()) + 4);
    ResolutionComboBox->move(boxesX, ResolutionComboBox->y());
    PrintStyleComboBox->move(boxesX, PrintStyleComboBox->y());
    SetHelpContexts({{CheckBoxFull, 2007}, {CheckBoxOutLine, 2102}, {CheckBoxMaskCore, 2103},
                     {PageSetupBtn, 2104}, {PreviewBtn, 2105}, {ResolutionComboBox, 2106},
                     {PrintStyleComboBox, 2107}});
    ResolutionComboBox->addItems({LoadLangStr(ResolutionHighString), LoadLangStr(ResolutionMediumString),
                                  LoadLangStr(ResolutionLowString)});
    PrintStyleComboBox->addItems({LoadLangStr(PrintColorString), LoadLangStr(PrintGreyscaleString)});
    // Both lists as wide as the longer one needs.
    const int listWidth = std::max({ResolutionComboBox->width(), ResolutionComboBox->sizeHint().width(),
                                    PrintStyleComboBox->sizeHint().width()});
    ResolutionComboBox->resize(listWidth, ResolutionComboBox->height());
    PrintStyleComboBox->resize(listWidth, PrintStyleComboBox->height());

    TGUID id{};
    if (m_wizard)
        id = m_wizard->ChosenPaper();
    else if (m_document && m_document->Paper)
        id = m_document->Paper->ID;
    CatalogPaper = FindPaperType(id);

    if (CatalogPaper) {
        const QString word = KindWord(CatalogPaper);
        QWidget* boxes = ScrollBox1->widget();
        const int count = int(CatalogPaper->Shapes.size());
        int boxesWidth = 80;
        m_selected.resize(size_t(count));
        for (int i = 0; i < count; ++i) {
            auto* box = new QCheckBox(boxes);
            box->setObjectName(QStringLiteral("pC%1").arg(i));
            SetHelpContext(box, 2101);
            box->setGeometry(3, 16 * i, 75, 17);
            box->setText(word + QLatin1Char(' ') + (i < 10 ? QStringLiteral("&") : QString()) + QString::number(i + 1));
            GrowToCaption(box);
            boxesWidth = std::max(boxesWidth, box->x() + box->width() + 2);
            box->setChecked(CatalogPaper->Shapes[size_t(i)].Selected != 0);
            m_selected[size_t(i)] = box->isChecked() ? 1 : 0;
            connect(box, &QCheckBox::toggled, this, [this] { CheckBoxFullClick(); });
        }
        boxes->resize(boxesWidth, std::max(16 * count + 1, 1));
    }
    connect(CheckBoxFull, &QCheckBox::toggled, this, [this] { CheckBoxFullClick(); });
    connect(CheckBoxOutLine, &QCheckBox::toggled, this, [this] { CheckBoxFullClick(); });
    connect(CheckBoxMaskCore, &QCheckBox::toggled, this, [this] { CheckBoxMaskCoreClick(); });
    connect(PageSetupBtn, &QPushButton::clicked, this, [this] { Application->Guard([this] { PageSetupBtnClick(); }); });
    connect(PreviewBtn, &QPushButton::clicked, this, [this] { Application->Guard([this] { PreviewBtnClick(); }); });
    InstallContextHelp(this);
}

TPagePrintDlg::~TPagePrintDlg() = default;

QCheckBox* TPagePrintDlg::PositionBox(int i) const
{
    return ScrollBox1->widget()->findChild<QCheckBox*>(QStringLiteral("pC%1").arg(i), Qt::FindDirectChildrenOnly);
}

bool TPagePrintDlg::Execute()
{
    if (!CatalogPaper) {
        MessageDlg(LoadLangStr(UnknownPaperString), mtInformation, mbOK);
        return false;
    }
    TRegIniFile reg(ProductKey());
    const QString section = BasicInfo();
    CheckBoxFull->setChecked(reg.ReadBool(section, QStringLiteral("FullShape"), true));
    CheckBoxOutLine->setChecked(reg.ReadBool(section, QStringLiteral("OutLine"), true));
    CheckBoxMaskCore->setChecked(reg.ReadBool(section, QStringLiteral("MaskCore"), true));
    ResolutionComboBox->setCurrentIndex(reg.ReadInteger(section, QStringLiteral("Res"), 1));
    PrintStyleComboBox->setCurrentIndex(reg.ReadInteger(section, QStringLiteral("Color"), 0));
    CheckBoxFullClick();

    const bool hideBoxes = m_wizard || PageMode == PageModeFull;
    if (m_wizard) {
        CheckBoxFull->setChecked(false);
        CheckBoxFull->setEnabled(false);
        CheckBoxMaskCore->setEnabled(true);
    } else if (PageMode == PageModeFull) {
        CheckBoxFull->setChecked(true);
        CheckBoxFull->setEnabled(false);
        CheckBoxMaskCore->setChecked(false);
        CheckBoxMaskCore->setEnabled(false);
    }
    if (hideBoxes)
        for (int i = 0; i < int(m_selected.size()); ++i)
            PositionBox(i)->setVisible(false);

    const bool accepted = PD->Execute();
    if (accepted) {
        if (PageMode != PageModeFull) {
            // The wizard's own use leaves the document print setting alone.
            if (!m_wizard)
                reg.WriteBool(section, QStringLiteral("FullShape"), CheckBoxFull->isChecked());
            reg.WriteBool(section, QStringLiteral("MaskCore"), CheckBoxMaskCore->isChecked());
        }
        reg.WriteBool(section, QStringLiteral("OutLine"), CheckBoxOutLine->isChecked());
        reg.WriteInteger(section, QStringLiteral("Res"), ResolutionComboBox->currentIndex());
        reg.WriteInteger(section, QStringLiteral("Color"), PrintStyleComboBox->currentIndex());
        if (!m_wizard)
            for (size_t i = 0; i < m_selected.size() && i < CatalogPaper->Shapes.size(); ++i)
                CatalogPaper->Shapes[i].Selected = m_selected[i];
    }
    return accepted;
}

bool RunPagePrintDlg(QWidget* owner, int32_t pageMode, TPrintOptions& options)
{
    QPointer<TPagePrintDlg> dialog = new TPagePrintDlg(owner);
    dialog->PageMode = pageMode;
    const bool accepted = dialog->Execute();
    if (!dialog)
        return false;
    if (accepted)
        options = dialog->Options();
    delete dialog.data();
    return accepted;
}

TPrintOptions TPagePrintDlg::Options() const
{
    TPrintOptions o;
    o.Copies = PD->Copies;
    o.OutLine = CheckBoxOutLine->isChecked();
    o.ResolutionIndex = ResolutionComboBox->currentIndex();
    o.StyleIndex = PrintStyleComboBox->currentIndex();
    o.MaskCore = CheckBoxMaskCore->isChecked();
    return o;
}

void TPagePrintDlg::PDShow()
{
    for (int id : {PrintRangeGroupItem, PrintAllItem, PrintSelectionItem, PrintPagesItem, PrintFromLabelItem,
                   PrintToLabelItem, PrintFromEditItem, PrintToEditItem})
        if (QWidget* item = PD->DialogItem(id))
            item->hide();
    QWidget* panel = PD->DialogHandle();
    int formWidth = panel->width() + 10;
    GroupBox->move(PD->DialogItemRect(PrintRangeGroupItem).topLeft());
    const int below = GroupBox->y() + GroupBox->height() + 10;
    for (int id : {PrintOkItem, PrintCancelItem}) {
        QWidget* button = PD->DialogItem(id);
        button->move(button->x(), below);
    }
    PageSetupBtn->move(GroupBox->x(), below);
    PreviewBtn->move(PageSetupBtn->x() + PageSetupBtn->width() + 10, below);
    // Wide translated captions push OK and Cancel to the right, and the form grows with them.
    const int free = PreviewBtn->x() + PreviewBtn->width() + 10;
    QWidget* ok = PD->DialogItem(PrintOkItem);
    QWidget* cancel = PD->DialogItem(PrintCancelItem);
    if (ok->x() < free) {
        const int shift = free - ok->x();
        ok->move(ok->x() + shift, ok->y());
        cancel->move(cancel->x() + shift, cancel->y());
    }
    formWidth = std::max({formWidth, cancel->x() + cancel->width() + 10,
                          PrintStyleComboBox->x() + PrintStyleComboBox->width() + 10});
    const QRect copies = PD->DialogItemRect(PrintCopiesGroupItem);
    ResolutionComboBox->move(ResolutionComboBox->x(), copies.y() + copies.height() + 5);
    Label1->move(Label1->x(), ResolutionComboBox->y() + (ResolutionComboBox->height() - Label1->height()) / 2);
    PrintStyleComboBox->move(PrintStyleComboBox->x(), ResolutionComboBox->y() + ResolutionComboBox->height() + 5);
    Label2->move(Label2->x(), PrintStyleComboBox->y() + (PrintStyleComboBox->height() - Label2->height()) / 2);
    const int formHeight = PageSetupBtn->y() + PageSetupBtn->height() + 30;
    setFixedSize(formWidth, formHeight);
    // The panel grows with the form and lies beneath the form's own controls.
    panel->resize(formWidth, formHeight);
    panel->lower();
    if (CatalogPaper && CatalogPaper->HasShapeMask) {
        CheckBoxMaskCore->setChecked(true);
        CheckBoxMaskCore->setEnabled(false);
    }
    if (QDialog* frame = PD->FrameHandle())
        CentreOnScreen(frame, frame->parentWidget());
}

void TPagePrintDlg::CheckBoxFullClick()
{
    const bool full = CheckBoxFull->isChecked();
    for (int i = 0; i < int(m_selected.size()); ++i) {
        QCheckBox* box = PositionBox(i);
        if (full) {
            const QSignalBlocker block(box);
            box->setChecked(true);
        }
        box->setEnabled(!full);
        m_selected[size_t(i)] = box->isChecked() ? 1 : 0;
    }
    PaintBox->update();
}

bool TPagePrintDlg::positionSelected(int i) const
{
    if (m_wizard) {
        const auto& rows = m_wizard->RowComboBoxes();
        return i < int(rows.size()) && rows[size_t(i)]->currentIndex() > 0;
    }
    return i < int(m_selected.size()) && m_selected[size_t(i)] != 0;
}

void TPagePrintDlg::PaintBoxPaint(TCanvas* canvas)
{
    const PaperType* p = CatalogPaper;
    const TPen pen = canvas->Pen;
    const TBrush brush = canvas->Brush;
    const TRect client(0, 0, PaintBox->width(), PaintBox->height());
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = p && p->HasShapeMask ? clWhite : PlainBackColor;
    canvas->FillRect(client);
    canvas->Pen.Color = OutlinePenColor;
    canvas->Pen.Width = 1;
    if (!p) {
        canvas->Pen = pen;
        canvas->Brush = brush;
        return;
    }
    constexpr int d = LayoutScale;
    auto coreRect = [](int x, int y, int w, int h, int core) {
        return TRect(x / d + (w / d - core / d) / 2, y / d + (h / d - core / d) / 2,
                     x / d + (w / d + core / d) / 2, y / d + (h / d + core / d) / 2);
    };
    if (!p->HasShapeMask) {
        for (int i = 0; i < int(p->Shapes.size()); ++i) {
            const PaperShape& s = p->Shapes[size_t(i)];
            if (positionSelected(i)) {
                canvas->Brush.Color = SelectedFillColor;
                canvas->Pen.Color = CheckBoxOutLine->isChecked() ? SelectedOutlineColor : SelectedFillColor;
            } else {
                canvas->Brush.Color = clWhite;
                canvas->Pen.Color = OutlinePenColor;
            }
            const TRect label(s.X / d, s.Y / d, s.X / d + p->ShapeWidth / d, s.Y / d + p->ShapeHeight / d);
            if (p->ShapeStyle == ShapeCircle) {
                canvas->Ellipse(label);
                canvas->Brush.Color = clWhite;
                canvas->Pen.Color = SelectedFillColor;
                canvas->Ellipse(coreRect(s.X, s.Y, p->ShapeWidth, p->ShapeHeight, p->CoreWidth));
            } else if (p->ShapeStyle == ShapeRectangle) {
                canvas->Rectangle(label);
            }
        }
    } else {
        drawMaskedPositions(canvas, *p);
    }
    for (const PaperOtherShape& o : p->OtherShapes) {
        canvas->Pen.Color = OutlinePenColor;
        canvas->Brush.Color = clWhite;
        if (o.Style == ShapeCircle) {
            canvas->Ellipse(o.X / d, o.Y / d, o.X / d + o.Width / d, o.Y / d + o.Height / d);
            canvas->Ellipse(coreRect(o.X, o.Y, o.Width, o.Height, o.CoreWidth));
        } else if (o.Style == ShapeRectangle) {
            canvas->Rectangle(o.X / d, o.Y / d, o.X / d + o.Width / d, o.Y / d + o.Height / d);
        }
    }
    if (p->HasShapeMask) {
        // Where the masks darkened the box it takes the selection colour; white stays white.
        TBitmap tint(PaintBox->width(), PaintBox->height(), pf24bit);
        tint.Canvas()->Brush.Color = SelectedFillColor;
        tint.Canvas()->FillRect(client);
        const TCopyMode mode = canvas->CopyMode;
        canvas->CopyMode = cmSrcPaint;
        canvas->CopyRect(client, tint.Canvas(), client);
        canvas->CopyMode = mode;
    }
    canvas->Pen = pen;
    canvas->Brush = brush;
}

void TPagePrintDlg::drawMaskedPositions(TCanvas* canvas, const PaperType& p)
{
    const int w = RoundValue(p.ShapeWidth / double(LayoutScale));
    const int h = RoundValue(p.ShapeHeight / double(LayoutScale));
    if (w <= 0 || h <= 0)
        return;
    TBitmap mask(w, h, pf24bit);
    mask.Canvas()->Brush.Color = clWhite;
    mask.Canvas()->FillRect(TRect(0, 0, w, h));
    if (p.ShapeMaskBitmap && !p.ShapeMaskBitmap->Empty())
        mask.Canvas()->StretchDraw(TRect(0, 0, w, h), p.ShapeMaskBitmap.get());
    const TCopyMode mode = canvas->CopyMode;
    canvas->CopyMode = cmSrcAnd;
    for (int i = 0; i < int(p.Shapes.size()); ++i) {
        if (!m_selected.empty() && i < int(m_selected.size()) && m_selected[size_t(i)] == 0)
            continue;
        if (m_selected.empty() && p.Shapes[size_t(i)].Selected == 0)
            continue;
        const PaperShape& s = p.Shapes[size_t(i)];
        const int x = RoundValue(s.X / double(LayoutScale)), y = RoundValue(s.Y / double(LayoutScale));
        canvas->CopyRect(TRect(x, y, x + w, y + h), mask.Canvas(), TRect(0, 0, w, h));
    }
    canvas->CopyMode = mode;
}

void TPagePrintDlg::PageSetupBtnClick()
{
    if (!CatalogPaper)
        return;
    if (RunPaperEditor(this, CatalogPaper, true) == 1)
        PaintBox->update();
    CheckBoxFullClick();
}

void TPagePrintDlg::PreviewBtnClick()
{
    const PaperType* p = CatalogPaper;
    if (!p)
        return;
    QPicture picture;
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    auto labelRect = [p](const PaperShape& s) { return QRect(s.X, s.Y, p->ShapeWidth, p->ShapeHeight); };
    if (m_wizard) {
        const auto& docs = m_wizard->Documents();
        const auto& rows = m_wizard->RowComboBoxes();
        std::vector<std::unique_ptr<TBitmap>> pages(size_t(docs.size()));
        for (QComboBox* row : rows) {
            const int j = row->currentIndex() - 1;
            if (j < 0 || j >= int(docs.size()) || pages[size_t(j)] || !docs[j])
                continue;
            pages[size_t(j)] = std::make_unique<TBitmap>();
            TChildFrame* doc = docs[j];
            docs[j]->RenderPage(pages[size_t(j)].get(), PrintPixels(doc->Paper->ShapeWidth, PreviewDpi),
                                PrintPixels(doc->Paper->ShapeHeight, PreviewDpi), false, false, false);
        }
        for (size_t k = 0; k < p->Shapes.size() && k < rows.size(); ++k) {
            const int j = rows[k]->currentIndex() - 1;
            if (j < 0 || j >= int(pages.size()) || !pages[size_t(j)])
                continue;
            const QRect r = labelRect(p->Shapes[k]);
            painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            painter.drawImage(r, pages[size_t(j)]->image());
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            const QRectF core(r.center().x() - p->CoreWidth / 2.0, r.center().y() - p->CoreWidth / 2.0,
                              p->CoreWidth, p->CoreWidth);
            if (CheckBoxMaskCore->isChecked() && p->CoreWidth > 0) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(Qt::white);
                painter.drawEllipse(core);
            }
            if (CheckBoxOutLine->isChecked() && docs[j]) {
                painter.setPen(QPen(ColorToQColor(docs[j]->OutlineColor), 0));
                painter.setBrush(Qt::NoBrush);
                if (p->ShapeStyle == ShapeCircle) {
                    painter.drawEllipse(r);
                    painter.drawEllipse(core);
                } else if (p->ShapeStyle == ShapeRectangle) {
                    painter.drawRect(r);
                }
            }
        }
    } else if (m_document) {
        const bool grey = PrintStyleComboBox->currentIndex() != 0;
        TBitmap page;
        if (PageMode == PageModeLabel) {
            m_document->RenderPage(&page, PrintPixels(m_document->Paper->ShapeWidth, PreviewDpi),
                                   PrintPixels(m_document->Paper->ShapeHeight, PreviewDpi),
                                   CheckBoxOutLine->isChecked(), grey, CheckBoxMaskCore->isChecked());
            for (size_t i = 0; i < p->Shapes.size(); ++i)
                if (positionSelected(int(i)))
                    painter.drawImage(labelRect(p->Shapes[i]), page.image());
        } else if (PageMode == PageModeFull) {
            m_document->RenderPage(&page, PrintPixels(p->PaperWidth, PreviewDpi), PrintPixels(p->PaperLength, PreviewDpi),
                                   CheckBoxOutLine->isChecked(), grey, false);
            painter.drawImage(QRect(0, 0, p->PaperWidth, p->PaperLength), page.image());
        }
    }
    painter.end();
    picture.setBoundingRect(QRect(0, 0, p->PaperWidth, p->PaperLength));

    TPrintPreviewFrame preview(this);
    preview.PrintBtn->hide();
    const int gap = preview.PrintBtn->width();
    for (QWidget* w : {static_cast<QWidget*>(preview.SetupBtn), static_cast<QWidget*>(preview.ZoomSizeComboBox),
                       static_cast<QWidget*>(preview.CloseBtn)})
        w->move(w->x() - gap, w->y());
    preview.TakeMainWindowPlacement(MainWindowLink()->MainWindow());
    preview.SetPage(picture, RoundValue(p->PaperWidth * 0.1), RoundValue(p->PaperLength * 0.1));
    preview.Execute();
}
