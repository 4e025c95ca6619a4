#include "app/paper_editor_dlg.h"

#include "app/dialog_form.h"
#include "app/dialog_text.h"
#include "app/new_dlg.h"
#include "app/position_boxes.h"
#include "app/shape_info_edit_dlg.h"
#include "document/paper_catalogue.h"
#include "document/paper_sample.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "platform/graphics.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"

#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Grows a table to n entries (zeros after the first `applied`, all selected for shapes) or
// cuts it to n; the copy never reads past either table.
template <class T>
void sizeTable(std::vector<T>& table, int n, int applied)
{
    if (n > applied) {
        std::vector<T> fresh(static_cast<size_t>(n));
        const size_t keep = std::min({size_t(std::max(applied, 0)), table.size(), fresh.size()});
        std::copy_n(table.begin(), keep, fresh.begin());
        table.swap(fresh);
    } else {
        table.resize(size_t(n));
    }
}

QLabel* makeLabel(QWidget* parent, const char* name, int x, int y)
{
    auto* l = Named(new QLabel(parent), name);
    l->move(x, y);
    return l;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int x, int y, int w)
{
    auto* e = Named(new QLineEdit(parent), name);
    e->setGeometry(x, y, w, 21);
    return e;
}

QPlainTextEdit* makeMemo(QWidget* parent, const char* name)
{
    auto* m = Named(new QPlainTextEdit(parent), name);
    m->setReadOnly(true);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Read-only lists sit on the button face.
    QPalette pal = m->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    m->setPalette(pal);
    return m;
}

QPushButton* makeButton(QWidget* parent, const char* name, int x, int y, int w)
{
    auto* b = Named(new QPushButton(parent), name);
    b->setGeometry(x, y, w, 25);
    return b;
}

TUpDown* makeUpDown(QLineEdit* edit, const char* name, int min, int max, QWidget* parent)
{
    auto* u = Named(new TUpDown(parent), name);
    u->SetMin(min);
    u->SetMax(max);
    u->setGeometry(edit->geometry().right() + 1, edit->y(), 16, edit->height());
    {
        const QSignalBlocker block(edit);
        u->SetAssociate(edit);
    }
    return u;
}

} // namespace

// --- TPaperEditorDlg ---------------------------------------------------------------

TPaperEditorDlg::TPaperEditorDlg(QWidget* owner) : QDialog(owner), WorkingPaper(std::make_unique<PaperType>())
{
    SetUpFixedDialog(this, "PaperEditorDlg", 485, 335);

    PaintBox = new TSamplePaintBox(this);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->setGeometry(16, 32, 105, 148);
    PaintBox->OnPaint = [this](TCanvas* canvas) { PaintBoxPaint(canvas); };

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(136, 4, 345, 293);
    auto sheet = [this](const char* name) {
        auto* w = Named(new QWidget, name);
        PageControl1->addTab(w, QString());
        return w;
    };
    TabSheet1 = sheet("TabSheet1");
    TabSheet2 = sheet("TabSheet2");
    TabSheet3 = sheet("TabSheet3");
    TabSheet4 = sheet("TabSheet4");

    // Paper info.
    Label4 = makeLabel(TabSheet1, "Label4", 8, 12);
    Edit2 = makeEdit(TabSheet1, "Edit2", 140, 8, 185);
    Edit2->setMaxLength(PaperNameSize);
    Label5 = makeLabel(TabSheet1, "Label5", 8, 38);
    Edit3 = makeEdit(TabSheet1, "Edit3", 140, 34, 185);
    Edit3->setMaxLength(PaperManufacturerSize);
    Label6 = makeLabel(TabSheet1, "Label6", 8, 64);
    Edit4 = makeEdit(TabSheet1, "Edit4", 140, 60, 185);
    Edit4->setMaxLength(PaperClassificationSize);
    Label8 = makeLabel(TabSheet1, "Label8", 8, 90);
    Memo1 = new QPlainTextEdit(TabSheet1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(16, 108, 299, 63);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Label10 = makeLabel(TabSheet1, "Label10", 8, 186);
    Edit7 = makeEdit(TabSheet1, "Edit7", 200, 182, 80);
    Label9 = makeLabel(TabSheet1, "Label9", 8, 212);
    Edit6 = makeEdit(TabSheet1, "Edit6", 200, 208, 80);

    // Basic shape info.
    Label11 = makeLabel(TabSheet2, "Label11", 8, 12);
    ComboBox1 = new QComboBox(TabSheet2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(150, 8, 60, 21);
    Label12 = makeLabel(TabSheet2, "Label12", 8, 38);
    ShapeCountEdit = makeEdit(TabSheet2, "ShapeCountEdit", 150, 34, 44);
    UpDown2 = makeUpDown(ShapeCountEdit, "UpDown2", MinShapeCount, MaxShapeCount, TabSheet2);
    Label13 = makeLabel(TabSheet2, "Label13", 8, 64);
    Edit9 = makeEdit(TabSheet2, "Edit9", 150, 60, 56);
    Label14 = makeLabel(TabSheet2, "Label14", 8, 90);
    Edit10 = makeEdit(TabSheet2, "Edit10", 150, 86, 56);
    Label15 = makeLabel(TabSheet2, "Label15", 8, 116);
    Edit11 = makeEdit(TabSheet2, "Edit11", 150, 112, 56);
    ShapeInfoEditBtn = makeButton(TabSheet2, "ShapeInfoEditBtn", 216, 102, 75);
    GroupBox1 = new QGroupBox(TabSheet2);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(16, 164, 300, 93);
    ShapeInfoMemo = makeMemo(GroupBox1, "ShapeInfoMemo");
    ShapeInfoMemo->setFrameShape(QFrame::NoFrame);
    ShapeInfoMemo->setBackgroundRole(QPalette::Button);
    {
        auto* l = new QVBoxLayout(GroupBox1);
        l->setContentsMargins(2, 2, 2, 2);
        l->addWidget(ShapeInfoMemo);
    }

    // Extra lines and other shapes: the same layout on two sheets.
    auto countSheet = [](QWidget* tab, const char* label, const char* edit, const char* group, const char* memo,
                         const char* button, QLabel*& l, QLineEdit*& e, QGroupBox*& g, QPlainTextEdit*& m,
                         QPushButton*& b) {
        l = makeLabel(tab, label, 8, 14);
        e = makeEdit(tab, edit, 150, 10, 44);
        g = new QGroupBox(tab);
        g->setObjectName(QString::fromLatin1(group));
        g->setGeometry(16, 44, 300, 213);
        m = makeMemo(g, memo);
        m->setGeometry(12, 24, 273, 149);
        b = makeButton(g, button, 216, 180, 75);
    };
    countSheet(TabSheet3, "Label26", "ExtraLineCountEdit", "GroupBox2", "ExtraLineInfoMemo", "ExtraLineInfoEditBtn",
               Label26, ExtraLineCountEdit, GroupBox2, ExtraLineInfoMemo, ExtraLineInfoEditBtn);
    countSheet(TabSheet4, "Label45", "OtherShapeCountEdit", "GroupBox4", "OtherShapeInfoMemo",
               "OtherShapeInfoEditBtn", Label45, OtherShapeCountEdit, GroupBox4, OtherShapeInfoMemo,
               OtherShapeInfoEditBtn);
    UpDown3 = makeUpDown(ExtraLineCountEdit, "UpDown3", MinExtraLineCount, MaxExtraLineCount, TabSheet3);
    UpDown4 = makeUpDown(OtherShapeCountEdit, "UpDown4", MinOtherShapeCount, MaxOtherShapeCount, TabSheet4);
    // Counts take digits only, so no sign or letter ever reaches them.
    for (QLineEdit* e : {ShapeCountEdit, ExtraLineCountEdit, OtherShapeCountEdit})
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), e));
    {
        const QSignalBlocker block(ShapeCountEdit);
        ShapeCountEdit->setText(QStringLiteral("2"));
    }

    OkBtn = makeButton(this, "OkBtn", 278, 304, 60);
    OkBtn->setDefault(true);
    ApplyBtn = makeButton(this, "ApplyBtn", 342, 304, 60);
    CancelBtn = makeButton(this, "CancelBtn", 406, 304, 60);
    DefaultBtn = makeButton(this, "DefaultBtn", 20, 304, 100);
    DefaultBtn->hide();

    // Captions, help contexts, style items and the language's character set.
    setWindowTitle(LoadLangStr(SetupPaperCaptionString));
    OkBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    ApplyBtn->setText(LoadLangStr(ApplyButtonString));
    DefaultBtn->setText(LoadLangStr(DefaultButtonString));
    for (QPushButton* b : {ShapeInfoEditBtn, ExtraLineInfoEditBtn, OtherShapeInfoEditBtn})
        b->setText(LoadLangStr(EditButtonString));
    PageControl1->setTabText(0, LoadLangStr(PaperInfoString));
    PageControl1->setTabText(1, LoadLangStr(ShapeInfoString));
    PageControl1->setTabText(2, LoadLangStr(ExtraLineInfoString));
    PageControl1->setTabText(3, LoadLangStr(OtherShapeInfoString));
    GroupBox1->setTitle(LoadLangStr(ShapeInfoString));
    GroupBox2->setTitle(LoadLangStr(ExtraLineInfoString));
    GroupBox4->setTitle(LoadLangStr(OtherShapeInfoString));
    const struct {
        QLabel* label;
        int text;
        QWidget* buddy;
    } labels[] = {{Label4, PaperNameLabelString, Edit2},        {Label5, PaperMakerLabelString, Edit3},
                  {Label6, PaperClassLabelString, Edit4},       {Label8, PaperDescriptionLabelString, Memo1},
                  {Label9, PaperLengthLabelString, Edit6},      {Label10, PaperWidthLabelString, Edit7},
                  {Label11, ShapeStyleLabelString, ComboBox1},  {Label13, ShapeHeightLabelString, Edit9},
                  {Label14, ShapeWidthLabelString, Edit10},     {Label15, CoreWidthLabelString, Edit11},
                  {Label12, ShapeCountLabelString, ShapeCountEdit},
                  {Label26, ExtraLineCountLabelString, ExtraLineCountEdit},
                  {Label45, OtherShapeCountLabelString, OtherShapeCountEdit}};
    for (const auto& l : labels) {
        l.label->setText(LoadLangStr(l.text));
        l.label->setBuddy(l.buddy);
        l.label->adjustSize();
    }
    SetHelpContexts({{DefaultBtn, 2020},
                     {Edit2, 2021},
                     {Edit3, 2022},
                     {Edit4, 2023},
                     {Memo1, 2024},
                     {Edit7, 2025},
                     {Edit6, 2026},
                     {ComboBox1, 2027},
                     {ShapeCountEdit, 2028},
                     {Edit10, 2029},
                     {Edit9, 2030},
                     {Edit11, 2031},
                     {ShapeInfoEditBtn, 2032},
                     {ExtraLineCountEdit, 2033},
                     {ExtraLineInfoEditBtn, 2034},
                     {OtherShapeCountEdit, 2035},
                     {OtherShapeInfoEditBtn, 2036}});
    ComboBox1->addItems({LoadLangStr(CircleString), LoadLangStr(RectangleString)});
    ComboBox1->resize(std::max(ComboBox1->width(), ComboBox1->sizeHint().width()), ComboBox1->height());
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
    fitTexts();

    auto guarded = [this](auto f) { return [this, f] { Application->Guard([&] { (this->*f)(); }); }; };
    connect(ShapeCountEdit, &QLineEdit::textChanged, this, guarded(&TPaperEditorDlg::ShapeCountEditChange));
    connect(ExtraLineCountEdit, &QLineEdit::textChanged, this, guarded(&TPaperEditorDlg::ExtraLineCountEditChange));
    connect(OtherShapeCountEdit, &QLineEdit::textChanged, this,
            guarded(&TPaperEditorDlg::OtherShapeCountEditChange));
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, guarded(&TPaperEditorDlg::ComboBox1Change));
    connect(ApplyBtn, &QPushButton::clicked, this, guarded(&TPaperEditorDlg::ApplyBtnClick));
    connect(OkBtn, &QPushButton::clicked, this, guarded(&TPaperEditorDlg::OkBtnClick));
    connect(DefaultBtn, &QPushButton::clicked, this, guarded(&TPaperEditorDlg::DefaultBtnClick));
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });
    for (QPushButton* b : {ShapeInfoEditBtn, ExtraLineInfoEditBtn, OtherShapeInfoEditBtn})
        connect(b, &QPushButton::clicked, this, [this, b] { Application->Guard([&] { ShapeInfoEditBtnClick(b); }); });
}

TPaperEditorDlg::~TPaperEditorDlg()
{
    // The edits go before their up-downs; the up-downs let go of them first.
    for (TUpDown* u : {UpDown2, UpDown3, UpDown4})
        u->SetAssociate(nullptr);
}

// Labels that no longer fit (substituted fonts, translations) push their edits to the right;
// the edits give up width rather than leave their sheet.
void TPaperEditorDlg::fitTexts()
{
    auto column = [](std::initializer_list<QLabel*> labels, std::initializer_list<QWidget*> fields, int minLeft) {
        int right = 0;
        for (QLabel* l : labels)
            right = std::max(right, l->x() + l->sizeHint().width());
        const int shift = std::max(minLeft, right + 6) - minLeft;
        for (QWidget* f : fields)
            f->move(f->x() + shift, f->y());
    };
    const int sheetWidth = 337;
    column({Label4, Label5, Label6}, {Edit2, Edit3, Edit4}, 140);
    for (QLineEdit* e : {Edit2, Edit3, Edit4})
        e->resize(std::max(80, sheetWidth - 12 - e->x()), e->height());
    column({Label9, Label10}, {Edit6, Edit7}, 200);
    column({Label11, Label12, Label13, Label14, Label15},
           {ComboBox1, ShapeCountEdit, UpDown2, Edit9, Edit10, Edit11}, 150);
    // The Edit button keeps clear of the edits.
    const int editRight = std::max(UpDown2->geometry().right(), Edit11->geometry().right());
    if (ShapeInfoEditBtn->x() < editRight + 8)
        ShapeInfoEditBtn->move(std::min(editRight + 8, sheetWidth - ShapeInfoEditBtn->width() - 4),
                               ShapeInfoEditBtn->y());
    for (auto [label, edit, updown] : {std::tuple{Label26, ExtraLineCountEdit, UpDown3},
                                       std::tuple{Label45, OtherShapeCountEdit, UpDown4}}) {
        const int left = std::max(150, label->x() + label->sizeHint().width() + 6);
        edit->move(left, edit->y());
        updown->move(edit->geometry().right() + 1, edit->y());
    }
    // All four tabs show at once: the sheets widen, and the dialog with them, rather than hide a
    // tab behind scroll buttons.
    const int tabsWidth = PageControl1->tabBar()->sizeHint().width() + 4;
    if (tabsWidth > PageControl1->width()) {
        const int grow = tabsWidth - PageControl1->width();
        PageControl1->resize(PageControl1->width() + grow, PageControl1->height());
        setFixedSize(width() + grow, height());
    }
    for (QPushButton* b : {OkBtn, ApplyBtn, CancelBtn, DefaultBtn})
        b->resize(std::max(b->width(), CaptionWidth(b) + 12), b->height());
    // OK, Apply and Cancel keep to the right edge.
    int right = width() - 19;
    for (QPushButton* b : {CancelBtn, ApplyBtn, OkBtn}) {
        b->move(std::min(b->x(), right - b->width()), b->y());
        right = b->x() - 4;
    }
}

void TPaperEditorDlg::SetPaper(PaperType* paper)
{
    TargetPaper = paper;
    CopyPaperType(paper, WorkingPaper.get());
    ShapeCountApplied = int32_t(WorkingPaper->Shapes.size());
    ExtraLineCountApplied = int32_t(WorkingPaper->ExtraLines.size());
    OtherShapeCountApplied = int32_t(WorkingPaper->OtherShapes.size());
    FillControls();
    if (WorkingPaper->UserDefined == 0) {
        ApplyPageSetupRestriction();
        DefaultBtn->show();
    }
    Filled = true;
}

void TPaperEditorDlg::ApplyPageSetupRestriction()
{
    PageControl1->setCurrentWidget(TabSheet2);
    for (QWidget* tab : {TabSheet1, TabSheet3, TabSheet4})
        PageControl1->setTabVisible(PageControl1->indexOf(tab), false);
    for (QWidget* w : std::initializer_list<QWidget*>{ComboBox1, ShapeCountEdit, UpDown2, Edit9, Edit10, Edit11})
        w->setEnabled(false);
}

void TPaperEditorDlg::FillControls()
{
    const PaperType& p = *WorkingPaper;
    Edit2->setText(p.Name);
    Edit3->setText(p.Manufacturer);
    Edit4->setText(p.Classification);
    QString description = p.Description;
    description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Memo1->setPlainText(description);
    Edit6->setText(QString::number(p.PaperLength));
    Edit7->setText(QString::number(p.PaperWidth));
    {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(p.ShapeStyle != ShapeCircle ? 1 : 0);
    }
    const struct {
        QLineEdit* edit;
        TUpDown* updown;
        int32_t count;
    } counts[] = {{ShapeCountEdit, UpDown2, p.ShapeCount},
                  {ExtraLineCountEdit, UpDown3, p.ExtraLineCount},
                  {OtherShapeCountEdit, UpDown4, p.OtherShapeCount}};
    for (const auto& c : counts) {
        const QSignalBlocker block(c.edit);
        c.updown->SetPosition(c.count);
        c.edit->setText(QString::number(c.count));
    }
    ShapeCountEditChange();
    ExtraLineCountEditChange();
    OtherShapeCountEditChange();
    Edit9->setText(QString::number(WorkingPaper->ShapeHeight));
    Edit10->setText(QString::number(WorkingPaper->ShapeWidth));
    Edit11->setText(QString::number(WorkingPaper->CoreWidth));
    PaintBox->update();
}

void TPaperEditorDlg::ShapeCountEditChange() { countChanged(0); }
void TPaperEditorDlg::ExtraLineCountEditChange() { countChanged(1); }
void TPaperEditorDlg::OtherShapeCountEditChange() { countChanged(2); }

void TPaperEditorDlg::countChanged(int list)
{
    QLineEdit* const edits[] = {ShapeCountEdit, ExtraLineCountEdit, OtherShapeCountEdit};
    TUpDown* const updowns[] = {UpDown2, UpDown3, UpDown4};
    QPlainTextEdit* const memos[] = {ShapeInfoMemo, ExtraLineInfoMemo, OtherShapeInfoMemo};
    QPushButton* const buttons[] = {ShapeInfoEditBtn, ExtraLineInfoEditBtn, OtherShapeInfoEditBtn};
    const int mins[] = {MinShapeCount, MinExtraLineCount, MinOtherShapeCount};
    const int maxs[] = {MaxShapeCount, MaxExtraLineCount, MaxOtherShapeCount};
    QLineEdit* edit = edits[list];
    PaperType& p = *WorkingPaper;

    // Out of range, empty or not a number: the edit shows the nearest limit.
    bool ok = false;
    const int typed = edit->text().toInt(&ok);
    const int n = ok ? std::clamp(typed, mins[list], maxs[list]) : mins[list];
    if (!ok || n != typed) {
        const QSignalBlocker block(edit);
        edit->setText(QString::number(n));
    }
    {
        const QSignalBlocker block(edit);
        updowns[list]->SetPosition(n);
    }

    QPlainTextEdit* memo = memos[list];
    QStringList lines;
    if (list == 0) {
        sizeTable(p.Shapes, n, ShapeCountApplied);
        if (n > ShapeCountApplied)
            for (PaperShape& s : p.Shapes)
                s.Selected = 1;
        p.ShapeCount = n;
        const QString format = LoadLangStr(ShapeLineFormatString);
        const QString style = ComboBox1->currentText();
        for (int i = 0; i < n; ++i)
            lines << FormatLangText(format, {style, i + 1, p.Shapes[i].X, p.Shapes[i].Y});
        ShapeCountApplied = n;
    } else if (list == 1) {
        sizeTable(p.ExtraLines, n, ExtraLineCountApplied);
        p.ExtraLineCount = n;
        const QString from = LoadLangStr(LineFromFormatString), to = LoadLangStr(LineToFormatString);
        for (int i = 0; i < n; ++i) {
            const PaperExtraLine& l = p.ExtraLines[i];
            lines << FormatLangText(from, {i + 1, l.XFrom, l.YFrom}) << FormatLangText(to, {l.XTo, l.YTo});
        }
        ExtraLineCountApplied = n;
    } else {
        sizeTable(p.OtherShapes, n, OtherShapeCountApplied);
        p.OtherShapeCount = n;
        const QString shape = LoadLangStr(OtherShapeFormatString), size = LoadLangStr(OtherSizeFormatString),
                      core = LoadLangStr(OtherCoreFormatString);
        const QString circle = LoadLangStr(CircleString), rectangle = LoadLangStr(RectangleString);
        for (int i = 0; i < n; ++i) {
            const PaperOtherShape& s = p.OtherShapes[i];
            lines << FormatLangText(shape, {i + 1, s.Style != ShapeCircle ? rectangle : circle, s.X, s.Y})
                  << FormatLangText(size, {s.Width, s.Height}) << FormatLangText(core, {s.CoreWidth});
        }
        OtherShapeCountApplied = n;
    }
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    buttons[list]->setEnabled(n >= 1);
    UpdateMemoScrollBars(memo);
    PaintBox->update();
}

// A list longer than its box gets a vertical scroll bar, a shorter one none; the box decides
// once it has its final size.
void TPaperEditorDlg::UpdateMemoScrollBars(QPlainTextEdit* memo)
{
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

bool TPaperEditorDlg::ApplyToPaper()
{
    // Every size is checked before any is taken: a refused one leaves the paper as it was.
    int32_t length = 0, width = 0, shapeHeight = 0, shapeWidth = 0, core = 0;
    if (!TakeSheetValue(Edit6, SheetSize, 1, length) || !TakeSheetValue(Edit7, SheetSize, 1, width) ||
        !TakeSheetValue(Edit9, SheetSize, 1, shapeHeight) ||
        !TakeSheetValue(Edit10, SheetSize, 1, shapeWidth) || !TakeSheetValue(Edit11, SheetSize, 0, core))
        return false;
    PaperType& p = *WorkingPaper;
    p.Name = FitPaperText(Edit2->text(), PaperNameSize);
    p.Manufacturer = FitPaperText(Edit3->text(), PaperManufacturerSize);
    p.Classification = FitPaperText(Edit4->text(), PaperClassificationSize);
    QString description = Memo1->toPlainText();
    description.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    p.Description = FitPaperText(description, PaperDescriptionSize);
    p.PaperLength = length;
    p.PaperWidth = width;
    p.ShapeStyle = ComboBox1->currentText() == LoadLangStr(CircleString) ? ShapeCircle : ShapeRectangle;
    // The count handler has sized the table already; the count always says how long it is.
    p.ShapeCount = int32_t(p.Shapes.size());
    p.ShapeHeight = shapeHeight;
    p.ShapeWidth = shapeWidth;
    p.CoreWidth = core;
    FillControls();
    return true;
}

bool TPaperEditorDlg::ApplyBtnClick()
{
    if (!ApplyToPaper())
        return false;
    if (TargetPaper)
        CopyPaperType(WorkingPaper.get(), TargetPaper);
    PaperType* record = FindPaperType(WorkingPaper->ID);
    if (record && record != TargetPaper)
        CopyPaperType(WorkingPaper.get(), record);
    return true;
}

void TPaperEditorDlg::OkBtnClick()
{
    if (ApplyBtnClick())
        done(1);
}

void TPaperEditorDlg::ComboBox1Change()
{
    if (Filled)
        ApplyBtnClick();
}

void TPaperEditorDlg::ShapeInfoEditBtnClick(QObject* sender)
{
    const QString name = sender ? sender->objectName() : QString();
    int mode = TShapeInfoEditDlg::LabelPositions;
    if (name == QLatin1String("ExtraLineInfoEditBtn"))
        mode = TShapeInfoEditDlg::ExtraLines;
    else if (name == QLatin1String("OtherShapeInfoEditBtn"))
        mode = TShapeInfoEditDlg::OtherShapes;
    TShapeInfoEditDlg dlg(this);
    dlg.Setup(mode, WorkingPaper.get());
    // Only the lists are refilled: texts and sizes typed but not yet applied stay as typed.
    if (dlg.exec() == 1) {
        ShapeCountEditChange();
        ExtraLineCountEditChange();
        OtherShapeCountEditChange();
    }
}

void TPaperEditorDlg::PaintBoxPaint(TCanvas* canvas)
{
    PaintBox->DrawPaper(canvas, WorkingPaper.get());
}

// Restores a shipped paper's factory definition from the file the index names for its ID.
// The factory record lives only for this call: its values are copied into the working copy,
// and Apply and OK keep writing to the record the editor was opened on.
void TPaperEditorDlg::DefaultBtnClick()
{
    QString path;
    {
        const TIniFile index(PaperIndexFileName());
        for (const QString& section : index.ReadSections()) {
            for (const QString& key : index.ReadSection(section)) {
                TGUID id;
                if (StringToGUID(key, id) && id == WorkingPaper->ID) {
                    path = section;
                    break;
                }
            }
            if (!path.isEmpty())
                break;
        }
    }
    if (path.isEmpty())
        return;

    std::vector<std::unique_ptr<PaperType>> factory;
    if (ReadPaperDefinitionFile(path, factory) != PaperFileResult::Ok) {
        MessageBox(this, LoadLangStr(PaperFileDamagedString), windowTitle(), MB_OK | MB_ICONERROR);
        return;
    }
    auto it = std::find_if(factory.begin(), factory.end(),
                           [this](const std::unique_ptr<PaperType>& p) { return p->ID == WorkingPaper->ID; });
    if (it == factory.end())
        return;

    // The shapes and sizes come from the file; the texts (translated at start), flags and
    // pictures stay those of the paper in use.
    PaperType restored;
    if (!CopyPaperType(it->get(), &restored))
        return;
    PaperType& w = *WorkingPaper;
    restored.Name = w.Name;
    restored.Manufacturer = w.Manufacturer;
    restored.Classification = w.Classification;
    restored.Description = w.Description;
    restored.UserDefined = w.UserDefined;
    restored.HasPreview = w.HasPreview;
    restored.HasShapeMask = w.HasShapeMask;
    restored.PreviewBitmap = w.PreviewBitmap;
    restored.ShapeMaskBitmap = w.ShapeMaskBitmap;
    CopyPaperType(&restored, WorkingPaper.get());
    ShapeCountApplied = int32_t(w.Shapes.size());
    ExtraLineCountApplied = int32_t(w.ExtraLines.size());
    OtherShapeCountApplied = int32_t(w.OtherShapes.size());
    FillControls();
}

bool TPaperEditorDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}

int RunPaperEditor(QWidget* owner, PaperType* paper, bool pageSetup)
{
    if (!paper)
        return 2;
    TPaperEditorDlg dlg(owner);
    dlg.SetPaper(paper);
    if (pageSetup)
        dlg.ApplyPageSetupRestriction();
    return dlg.exec();
}
