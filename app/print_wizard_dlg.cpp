#include "app/print_wizard_dlg.h"

#include "app/dialog_form.h"
#include "app/new_dlg.h"
#include "app/paper_tree.h"
#include "app/print_dlg.h"
#include "app/print_link.h"
#include "app/print_preview_image.h"
#include "document/child_frame.h"
#include "document/main_window_link.h"
#include "document/paper_sample.h"
#include "document/print_job.h"
#include "document/print_worker.h"
#include "document/std.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/window_message.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTreeWidget>
#include <cmath>

const char* const DefaultWizardPaperID = "{6E6690E2-B0E2-11D4-A7FC-004854125BCF}";

namespace {

constexpr TColor SheetColor = 0xFCFCFC;
constexpr TColor LabelFillColor = 0xF1F1F1;
constexpr TColor CoreFillColor = 0xF9F9F9;
constexpr TColor OutlineColor = 0xE0B070;
constexpr TColor ShadowColor = 0x808080;
constexpr int TileGap = 2;

// The file name part of a caption: the text after the last "\", "/" or ":".
QString FileNamePart(const QString& caption)
{
    qsizetype at = -1;
    for (QChar c : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')})
        at = std::max(at, caption.lastIndexOf(c));
    return caption.mid(at + 1);
}

struct WizardPosition {
    int32_t X, Y;
    int Page;             // index into the job's pages
    TColor OutlineColor;
};

// The block handed to the wizard's worker; filled before it starts.
struct WizardPrintJob : TPrintJobBlock {
    int ResolutionIndex = 1;
    std::vector<std::unique_ptr<TBitmap>> Pages;
    std::vector<WizardPosition> Positions;   // the label positions with a document, in order
    bool MaskCore = false;
    bool OutLine = false;
};

int WizardPrintThreadProc(WizardPrintJob& job, TPrintWorker& worker, QObject* dialog)
{
    std::vector<TSheetPosition> positions;
    for (const WizardPosition& p : job.Positions)
        positions.push_back({p.X, p.Y, job.Pages[size_t(p.Page)].get(), p.OutlineColor});
    PrintSheetCopies(
        job,
        [&](TPrintDocument& document) {
            return PrintComposedSheet(document, job.Paper, positions, job.MaskCore, job.OutLine, worker);
        },
        worker, dialog);
    return 0;
}

} // namespace

TGUID WizardPaperID(const QString& stored)
{
    TGUID id{};
    if (!StringToGUID(stored, id))
        StringToGUID(QString::fromLatin1(DefaultWizardPaperID), id);
    return id;
}

int WizardPreviewDivisor(int paperWidth, int paperLength, int boxWidth, int boxHeight)
{
    if (boxWidth <= 0 || boxHeight <= 0 || paperWidth < 0 || paperLength < 0)
        return 0;
    // RoundValue(v / d) <= n exactly when v / d <= n + 0.5.
    const double need = std::max(paperWidth / (boxWidth + 0.5), paperLength / (boxHeight + 0.5));
    int d = std::max(7, int(std::min(std::ceil(need), 1e9)));
    for (int guard = 0; guard < 3; ++guard) {
        if (RoundValue(double(paperWidth) / d) <= boxWidth && RoundValue(double(paperLength) / d) <= boxHeight)
            break;
        ++d;
    }
    return d;
}

TMultipleImagePrintWizardDlg::TMultipleImagePrintWizardDlg(QWidget* owner, const QList<TChildFrame*>& documents)
    : QDialog(owner)
{
    SetUpFixedDialog(this, "MultipleImagePrintWizardDlg", 544, 366);
    for (TChildFrame* doc : documents)
        m_documents << QPointer<TChildFrame>(doc);

    PageControl = Named(new QStackedWidget(this), "PageControl");
    PageControl->setGeometry(0, 0, 544, 325);
    BackBtn = Named(new QPushButton(this), "BackBtn");
    BackBtn->setGeometry(292, 335, 75, 25);
    BackBtn->setEnabled(false);
    NextBtn = Named(new QPushButton(this), "NextBtn");
    NextBtn->setGeometry(371, 335, 75, 25);
    NextBtn->setDefault(true);
    NextBtn->setEnabled(false);
    CancelBtn = Named(new QPushButton(this), "CancelBtn");
    CancelBtn->setGeometry(460, 335, 75, 25);
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(0, 325, 540, 2);

    TabSheet1st = Named(new QWidget, "TabSheet1st");
    PageControl->addWidget(TabSheet1st);
    auto* image1 = new QLabel(TabSheet1st);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(0, 0, 164, 325);
    image1->setStyleSheet(QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1c4f8c, stop:1 #9cc3e8);"));
    Label1 = Named(new QLabel(TabSheet1st), "Label1");
    Label1->move(176, 3);
    TreeView = Named(new QTreeWidget(TabSheet1st), "TreeView");
    TreeView->setGeometry(176, 24, 225, 285);
    SetUpPaperTreeWidget(TreeView);
    GroupBox1 = Named(new QGroupBox(TabSheet1st), "GroupBox1");
    GroupBox1->setGeometry(412, 23, 125, 174);
    PaintBox = Named(new TSamplePaintBox(GroupBox1), "PaintBox");
    PaintBox->setGeometry(10, 17, 105, 148);
    PaintBox->OnPaint = [this](TCanvas* canvas) { PaintBoxPaint(canvas); };

    TabSheet2nd = Named(new QWidget, "TabSheet2nd");
    PageControl->addWidget(TabSheet2nd);
    ScrollBox1 = Named(new QScrollArea(TabSheet2nd), "ScrollBox1");
    ScrollBox1->setGeometry(12, 220, 269, 89);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidget(new QWidget);
    ScrollBox1->setBackgroundRole(QPalette::Button);
    Label2 = Named(new QLabel(TabSheet2nd), "Label2");
    Label2->move(12, 200);
    Label3 = Named(new QLabel(TabSheet2nd), "Label3");
    Label3->move(12, 8);
    GroupBox2 = Named(new QGroupBox(TabSheet2nd), "GroupBox2");
    GroupBox2->setGeometry(304, 4, 225, 309);
    PaintBox1 = Named(new TSamplePaintBox(GroupBox2), "PaintBox1");
    PaintBox1->setGeometry(12, 17, 201, 283);
    PaintBox1->OnPaint = [this](TCanvas* canvas) { PaintBox1Paint(canvas); };
    ScrollBox2 = Named(new QScrollArea(TabSheet2nd), "ScrollBox2");
    ScrollBox2->setGeometry(12, 24, 277, 169);
    ScrollBox2->setWidgetResizable(false);
    ScrollBox2->setBackgroundRole(QPalette::Base);
    ScrollBox2->setWidget(new TControlHost);
    ScrollBox2->widget()->setBackgroundRole(QPalette::Base);
    ScrollBox2->widget()->setAutoFillBackground(true);
    ScrollBox2->viewport()->installEventFilter(this);

    ApplyLanguageCharset(this);
    setWindowTitle(LoadLangStr(PrintWizardCaptionString));
    BackBtn->setText(LoadLangStr(BackButtonString));
    NextBtn->setText(LoadLangStr(NextButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    // Longer captions widen the buttons leftwards from Cancel's right edge, gaps kept.
    GrowToCaption(CancelBtn);
    GrowToCaption(NextBtn);
    GrowToCaption(BackBtn);
    CancelBtn->move(535 - CancelBtn->width(), CancelBtn->y());
    NextBtn->move(CancelBtn->x() - 14 - NextBtn->width(), NextBtn->y());
    BackBtn->move(NextBtn->x() - 4 - BackBtn->width(), BackBtn->y());
    Label1->setText(LoadLangStr(ProductDesignString));
    GroupBox1->setTitle(LoadLangStr(SampleGroupString));
    Label2->setText(LoadLangStr(PrintShapeSelectionString) + QStringLiteral(":"));
    Label3->setText(LoadLangStr(WindowsListString) + QStringLiteral(":"));
    GroupBox2->setTitle(LoadLangStr(PrintPreviewGroupString));
    for (QLabel* l : {Label1, Label2, Label3})
        l->adjustSize();
    Label1->setBuddy(TreeView);
    SetHelpContexts({{BackBtn, 2108}, {NextBtn, 2109}, {CancelBtn, 2001}, {TreeView, 2003}, {GroupBox1, 2004},
                     {GroupBox2, 2105}, {ScrollBox2, 2110}});

    // Every document's page at 1.2 mm a pixel, rendered once.
    for (TChildFrame* doc : documents) {
        auto page = std::make_unique<TBitmap>();
        doc->RenderPage(page.get(), doc->Paper->ShapeWidth / 12, doc->Paper->ShapeHeight / 12, false, false, false);
        m_pages.push_back(std::move(page));
    }
    for (size_t k = 0; k < m_pages.size(); ++k) {
        auto* tile = new CPrintPreviewImage(static_cast<TControlHost*>(ScrollBox2->widget()));
        tile->FileName = FileNamePart(documents[qsizetype(k)]->Caption());
        tile->Picture.Assign(m_pages[k].get());
        tile->UpdateThumbRect();
    }
    ScrollBox2Resize();

    FillPaperTreeWidget(TreeView, true, [](int i) { return MainWindowLink()->ImageListIcon(i); }, true);
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node) { Application->Guard([&] { TreeViewChange(node); }); });
    connect(NextBtn, &QPushButton::clicked, this, [this] { Application->Guard([this] { NextBtnClick(); }); });
    connect(BackBtn, &QPushButton::clicked, this, [this] { BackBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });

    TRegIniFile reg(ProductKey());
    m_chosenPaper = WizardPaperID(
        reg.ReadString(BasicInfo(), QStringLiteral("PrinterWizardPaperID"), QString::fromLatin1(DefaultWizardPaperID)));
    if (QTreeWidgetItem* node = FindPaperNode(TreeView, m_chosenPaper)) {
        TreeView->setCurrentItem(node);
        if (node->parent())
            TreeView->scrollToItem(node->parent(), QAbstractItemView::PositionAtTop);
    } else {
        TreeViewChange(nullptr);
    }
    InstallContextHelp(this);
    CentreOnScreen(this, owner);
}

TMultipleImagePrintWizardDlg::~TMultipleImagePrintWizardDlg() = default;

int TMultipleImagePrintWizardDlg::Execute()
{
    return exec() == 1 ? 1 : 2;
}

std::vector<CPrintPreviewImage*> TMultipleImagePrintWizardDlg::Tiles() const
{
    std::vector<CPrintPreviewImage*> tiles;
    for (TGraphicControl* c : static_cast<TControlHost*>(ScrollBox2->widget())->Controls())
        if (auto* t = qobject_cast<CPrintPreviewImage*>(c))
            tiles.push_back(t);
    return tiles;
}

bool TMultipleImagePrintWizardDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ScrollBox2->viewport() && event->type() == QEvent::Resize)
        ScrollBox2Resize();
    return QDialog::eventFilter(watched, event);
}

void TMultipleImagePrintWizardDlg::ScrollBox2Resize()
{
    const std::vector<CPrintPreviewImage*> tiles = Tiles();
    if (tiles.empty())
        return;
    ScrollBox2->verticalScrollBar()->setValue(0);
    const int w0 = tiles[0]->width(), h0 = tiles[0]->height();
    int pl = 0, pt = 0;
    tiles[0]->move(0, 0);
    for (size_t i = 1; i < tiles.size(); ++i) {
        if (2 * w0 + pl + TileGap <= ScrollBox2->width()) {
            pl += w0 + TileGap;
        } else {
            pl = 0;
            pt += h0 + TileGap;
        }
        tiles[i]->move(pl, pt);
    }
    ScrollBox2->widget()->resize(std::max(ScrollBox2->viewport()->width(), 2 * w0 + TileGap), pt + h0);
}

void TMultipleImagePrintWizardDlg::TreeViewChange(QTreeWidgetItem* node)
{
    PaperType* paper = node && PaperNodeMarker(node) == 0 ? PaperNodePaper(node) : nullptr;
    if (!paper) {
        NextBtn->setEnabled(false);
        PaintBox->hide();
        return;
    }
    if (!FindPaperType(paper->ID))
        return;
    m_chosenPaper = paper->ID;
    NextBtn->setEnabled(true);
    PaintBox->show();
    PaintBox->update();
    BuildAssignmentRows();
}

void TMultipleImagePrintWizardDlg::BuildAssignmentRows()
{
    for (QLabel* l : m_rowLabels)
        delete l;
    for (QComboBox* c : m_rowCombos)
        delete c;
    m_rowLabels.clear();
    m_rowCombos.clear();
    const PaperType* paper = FindPaperType(m_chosenPaper);
    if (!paper)
        return;
    QWidget* rows = ScrollBox1->widget();
    const QString word = LoadLangStr(paper->HasShapeMask ? ShapeString
                                     : paper->ShapeStyle == ShapeCircle ? CircleString : RectangleString);
    const int comboLeft = fontMetrics().horizontalAdvance(LoadLangStr(CircleString) + QStringLiteral("100 :")) + 10;
    QStringList items{LoadLangStr(NoneGraphicsString)};
    for (const QPointer<TChildFrame>& doc : m_documents)
        items << (doc ? FileNamePart(doc->Caption()) : QString());
    const int count = int(paper->Shapes.size());
    for (int i = 0; i < count; ++i) {
        auto* label = new QLabel(word + QString::number(i + 1) + QStringLiteral(" : "), rows);
        label->setObjectName(QStringLiteral("pL%1").arg(i + 1));
        label->adjustSize();
        label->move(10, 24 * i + 5);
        label->show();
        auto* combo = new QComboBox(rows);
        combo->setObjectName(QStringLiteral("pCB%1").arg(i + 1));
        SetHelpContext(combo, 2111);
        combo->setGeometry(comboLeft, 24 * i + 3, 130, 21);
        combo->addItems(items);
        combo->view()->setMinimumWidth(200);
        combo->setCurrentIndex(0);
        combo->show();
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { AssignmentComboChange(); });
        m_rowLabels.push_back(label);
        m_rowCombos.push_back(combo);
    }
    rows->resize(comboLeft + 140, std::max(24 * count + 3, 1));
    ApplyLanguageCharset(ScrollBox1);
    PaintBox1->update();
}

void TMultipleImagePrintWizardDlg::AssignmentComboChange()
{
    PaintBox1->update();
}

void TMultipleImagePrintWizardDlg::NextBtnClick()
{
    if (PageControl->currentWidget() == TabSheet1st) {
        PageControl->setCurrentWidget(TabSheet2nd);
        PageControlChange();
    } else {
        PrintSheet();
    }
}

void TMultipleImagePrintWizardDlg::BackBtnClick()
{
    if (PageControl->currentWidget() == TabSheet2nd) {
        PageControl->setCurrentWidget(TabSheet1st);
        PageControlChange();
    }
}

void TMultipleImagePrintWizardDlg::PageControlChange()
{
    if (PageControl->currentWidget() == TabSheet2nd) {
        BackBtn->setEnabled(true);
        NextBtn->setText(LoadLangStr(PreviewPrintButtonString));
        SetHelpContext(NextBtn, 2112);
        NextBtn->setFocus();
    } else {
        NextBtn->setText(LoadLangStr(NextButtonString));
        SetHelpContext(NextBtn, 2109);
        BackBtn->setEnabled(false);
    }
}

void TMultipleImagePrintWizardDlg::PaintBoxPaint(TCanvas* canvas)
{
    if (const PaperType* paper = FindPaperType(m_chosenPaper))
        DrawPaperSample(canvas, paper, 20, TRect(0, 0, PaintBox->width(), PaintBox->height()));
}

void TMultipleImagePrintWizardDlg::PaintBox1Paint(TCanvas* canvas)
{
    const PaperType* p = FindPaperType(m_chosenPaper);
    const int cw = PaintBox1->width(), ch = PaintBox1->height();
    const int d = p ? WizardPreviewDivisor(p->PaperWidth, p->PaperLength, cw, ch) : 0;
    if (!p || d <= 0)
        return;
    auto R = [d](double v) { return RoundValue(v / d); };
    const int w = R(p->PaperWidth), h = R(p->PaperLength);
    const int L = (cw - w) / 2, T = (ch - h) / 2;
    const TRect sheetRect(L, T, L + w, T + h);

    const TPen savedPen = canvas->Pen;
    const TBrush savedBrush = canvas->Brush;
    canvas->Brush.Color = ShadowColor;
    canvas->Brush.Style = bsSolid;
    canvas->FillRect(TRect(sheetRect.Right, T + 4, sheetRect.Right + 4, sheetRect.Bottom + 4));
    canvas->FillRect(TRect(L + 4, sheetRect.Bottom, sheetRect.Right + 4, sheetRect.Bottom + 4));

    TBitmap off(cw, ch, pf24bit);
    TCanvas* c = off.Canvas();
    c->Pen.Style = psClear;
    c->Brush.Color = SheetColor;
    c->Rectangle(sheetRect);
    auto labelRect = [&](int x, int y, int lw, int lh) { return TRect(R(x) + L, R(y) + T, R(x) + L + R(lw), R(y) + T + R(lh)); };
    auto coreRect = [&](int x, int y, int lw, int lh, int k) {
        return TRect(R(x) + L + (R(lw) - R(k)) / 2, R(y) + T + (R(lh) - R(k)) / 2, R(x) + L + (R(lw) + R(k)) / 2,
                     R(y) + T + (R(lh) + R(k)) / 2);
    };
    // The other shapes in the pen and brush set; a rectangle's core only in the vector drawing.
    auto drawOtherShapes = [&](bool rectangleCores) {
        for (const PaperOtherShape& o : p->OtherShapes) {
            if (o.Style == ShapeCircle) {
                c->Ellipse(labelRect(o.X, o.Y, o.Width, o.Height));
                c->Ellipse(coreRect(o.X, o.Y, o.Width, o.Height, o.CoreWidth));
            } else if (o.Style == ShapeRectangle) {
                c->Rectangle(labelRect(o.X, o.Y, o.Width, o.Height));
                if (rectangleCores && o.CoreWidth != 0)
                    c->Ellipse(coreRect(o.X, o.Y, o.Width, o.Height, o.CoreWidth));
            }
        }
    };
    if (!p->HasShapeMask) {
        c->Brush.Style = bsSolid;
        c->Pen.Style = psSolid;
        c->Pen.Color = OutlineColor;
        c->Pen.Width = 1;
        for (const PaperShape& s : p->Shapes) {
            c->Brush.Color = LabelFillColor;
            if (p->ShapeStyle == ShapeCircle) {
                c->Ellipse(labelRect(s.X, s.Y, p->ShapeWidth, p->ShapeHeight));
                c->Brush.Color = CoreFillColor;
                c->Ellipse(coreRect(s.X, s.Y, p->ShapeWidth, p->ShapeHeight, p->CoreWidth));
            } else if (p->ShapeStyle == ShapeRectangle) {
                c->Rectangle(labelRect(s.X, s.Y, p->ShapeWidth, p->ShapeHeight));
                if (p->CoreWidth != 0) {
                    c->Brush.Color = LabelFillColor;
                    c->Ellipse(coreRect(s.X, s.Y, p->ShapeWidth, p->ShapeHeight, p->CoreWidth));
                }
            }
            for (const PaperExtraLine& e : p->ExtraLines) {
                c->MoveTo(int(double(s.X + e.XFrom) / d + L), int(double(s.Y + e.YFrom) / d + T));
                c->LineTo(int(double(s.X + e.XTo) / d + L), int(double(s.Y + e.YTo) / d + T));
            }
        }
        c->Brush.Style = bsClear;
        drawOtherShapes(true);
        c->Brush.Style = bsSolid;
    } else {
        const int mw = std::max(R(p->ShapeWidth), 1), mh = std::max(R(p->ShapeHeight), 1);
        TBitmap mask(mw, mh, pf24bit);
        mask.Canvas()->Brush.Color = clWhite;
        mask.Canvas()->FillRect(TRect(0, 0, mw, mh));
        if (p->ShapeMaskBitmap && !p->ShapeMaskBitmap->Empty())
            mask.Canvas()->StretchDraw(TRect(0, 0, mw, mh), p->ShapeMaskBitmap.get());
        c->CopyMode = cmSrcAnd;
        for (const PaperShape& s : p->Shapes)
            c->CopyRect(labelRect(s.X, s.Y, p->ShapeWidth, p->ShapeHeight), mask.Canvas(), TRect(0, 0, mw, mh));
        TBitmap fill(cw, ch, pf24bit);
        fill.Canvas()->Brush.Color = LabelFillColor;
        fill.Canvas()->FillRect(sheetRect);
        c->CopyMode = cmSrcPaint;
        c->CopyRect(sheetRect, fill.Canvas(), sheetRect);
        c->CopyMode = cmSrcCopy;
        c->Brush.Style = bsClear;
        c->Pen.Style = psSolid;
        c->Pen.Color = LabelFillColor;
        drawOtherShapes(false);
    }
    c->Pen.Style = psSolid;
    c->Pen.Color = clBlack;
    c->Brush.Style = bsClear;
    c->Rectangle(sheetRect);
    c->CopyMode = cmSrcAnd;
    for (size_t j = 0; j < m_rowCombos.size() && j < p->Shapes.size(); ++j) {
        const int k = m_rowCombos[j]->currentIndex();
        if (k >= 1 && size_t(k - 1) < m_pages.size())
            c->StretchDraw(labelRect(p->Shapes[j].X, p->Shapes[j].Y, p->ShapeWidth, p->ShapeHeight),
                           m_pages[size_t(k - 1)].get());
    }
    c->CopyMode = cmSrcCopy;
    canvas->CopyMode = cmSrcCopy;
    canvas->CopyRect(sheetRect, c, sheetRect);
    canvas->Pen = savedPen;
    canvas->Brush = savedBrush;
}

void TMultipleImagePrintWizardDlg::PrintSheet()
{
    bool any = false;
    for (QComboBox* row : m_rowCombos)
        any = any || row->currentIndex() > 0;
    if (!any) {
        Application->MessageBox(LoadLangStr(NoImageChosenString), windowTitle(), MB_OK);
        return;
    }
    if (Printer()->Printers().isEmpty()) {
        MessageDlg(LoadLangStr(NoPrinterString), mtInformation, mbOK);
        return;
    }
    const PaperType* paper = FindPaperType(m_chosenPaper);
    if (!paper)
        return;
    TPrintOptions options;
    if (!RunPagePrintDlg(this, PageModeLabel, options))
        return;

    auto job = std::make_shared<WizardPrintJob>();
    if (!CopyPaperType(paper, &job->Paper))
        return;
    job->Paper.ID = m_chosenPaper;
    job->Copies = options.Copies;
    job->ResolutionIndex = options.ResolutionIndex;
    job->MaskCore = options.MaskCore;
    job->OutLine = options.OutLine;
    job->Target = Printer()->Target();
    job->Title = LoadLangStr(PrintWizardCaptionString) + QStringLiteral(" - ") + LoadLangStr(ProgramNameString);
    if (!PrinterTakesJobs())
        return;
    const int dpi = PrintResolutionDpi(options.ResolutionIndex);
    std::vector<int> pageOf(size_t(m_documents.size()), -1);
    for (int c = 0; c < int(m_documents.size()); ++c) {
        TChildFrame* doc = m_documents[c];
        bool used = false;
        for (QComboBox* row : m_rowCombos)
            used = used || row->currentIndex() - 1 == c;
        if (!used || !doc)
            continue;
        auto page = std::make_unique<TBitmap>();
        doc->RenderPage(page.get(), PrintPixels(doc->Paper->ShapeWidth, dpi), PrintPixels(doc->Paper->ShapeHeight, dpi),
                        false, options.StyleIndex != 0, false);
        pageOf[size_t(c)] = int(job->Pages.size());
        job->Pages.push_back(std::move(page));
    }
    // The row choices and outline colours are copied now: the worker reads no widget.
    for (size_t i = 0; i < m_rowCombos.size() && i < job->Paper.Shapes.size(); ++i) {
        const int c = m_rowCombos[i]->currentIndex() - 1;
        if (c < 0 || c >= int(pageOf.size()) || pageOf[size_t(c)] < 0)
            continue;
        job->Positions.push_back({job->Paper.Shapes[i].X, job->Paper.Shapes[i].Y, pageOf[size_t(c)],
                                  m_documents[c]->OutlineColor});
    }

    TPrintWorker worker;
    RunPrintWorker(this, PrintProgressText(LoadLangStr(PrintWizardCaptionString)), worker,
                   [job](TPrintWorker& w, QObject* progress) { WizardPrintThreadProc(*job, w, progress); });

    TRegIniFile reg(ProductKey());
    reg.WriteString(BasicInfo(), QStringLiteral("PrinterWizardPaperID"), GUIDToString(m_chosenPaper));
    ReportPrintOutcome(*job);
    done(1);
}
