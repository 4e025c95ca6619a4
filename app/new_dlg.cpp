#include "app/new_dlg.h"

#include "app/dialog_form.h"
#include "app/paper_tree.h"

#include "document/paper_sample.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/graphics.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <memory>

namespace {

PaperEditorFunction& paperEditor()
{
    static PaperEditorFunction editor;
    return editor;
}

constexpr int kSampleMargin = 20;


} // namespace

void SetPaperEditor(PaperEditorFunction editor) { paperEditor() = std::move(editor); }

// --- TSamplePaintBox ---------------------------------------------------------------

TSamplePaintBox::TSamplePaintBox(QWidget* parent) : QWidget(parent) {}

void TSamplePaintBox::DrawPaper(TCanvas* canvas, const PaperType* paper) const
{
    if (paper)
        DrawPaperSample(canvas, paper, kSampleMargin, TRect(0, 0, width(), height()));
}

void TSamplePaintBox::paintEvent(QPaintEvent*)
{
    if (!OnPaint)
        return;
    TCanvas canvas(this);
    OnPaint(&canvas);
}

// --- TNewDlg -----------------------------------------------------------------------

TNewDlg::TNewDlg(QWidget* owner, ImageListFunction images) : QDialog(owner), m_images(std::move(images))
{
    setObjectName(QStringLiteral("New"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(494, 429);

    Label1 = new QLabel(this);
    Named(Label1, "Label1")->setGeometry(8, 8, 240, 16);
    TreeView = new QTreeWidget(this);
    Named(TreeView, "TreeView")->setGeometry(8, 26, 240, 300);
    SetUpPaperTreeWidget(TreeView);
    TreeView->setRootIsDecorated(true);
    TreeView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Label1->setBuddy(TreeView);

    Label2 = new QLabel(this);
    Named(Label2, "Label2")->setGeometry(8, 336, 56, 18);
    MBtn = new QRadioButton(this);
    Named(MBtn, "MBtn")->setGeometry(64, 335, 104, 20);
    CBtn = new QRadioButton(this);
    Named(CBtn, "CBtn")->setGeometry(168, 335, 80, 20);

    AddPaperTypeBtn = new QPushButton(this);
    Named(AddPaperTypeBtn, "AddPaperTypeBtn")->setGeometry(8, 364, 76, 25);
    EditPaperTypeBtn = new QPushButton(this);
    Named(EditPaperTypeBtn, "EditPaperTypeBtn")->setGeometry(90, 364, 76, 25);
    DeletePaperTypeBtn = new QPushButton(this);
    Named(DeletePaperTypeBtn, "DeletePaperTypeBtn")->setGeometry(172, 364, 76, 25);
    StartupChk = new QCheckBox(this);
    Named(StartupChk, "StartupChk")->setGeometry(8, 400, 240, 20);

    GroupBox1 = new QGroupBox(this);
    Named(GroupBox1, "GroupBox1")->setGeometry(256, 4, 230, 208);
    PaintBox = new TSamplePaintBox(GroupBox1);
    Named(PaintBox, "PaintBox")->setGeometry(8, 20, 214, 180);

    StaticText1 = new QLabel(this);
    Named(StaticText1, "StaticText1")->setGeometry(256, 218, 230, 16);
    InfoLabel = new QPlainTextEdit(this);
    Named(InfoLabel, "InfoLabel")->setGeometry(256, 236, 230, 90);
    InfoLabel->setReadOnly(true);
    StaticText1->setBuddy(InfoLabel);

    FullPageChk = new QCheckBox(this);
    Named(FullPageChk, "FullPageChk")->setGeometry(256, 366, 230, 20);

    OKBtn = new QPushButton(this);
    Named(OKBtn, "OKBtn")->setGeometry(256, 396, 74, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(this);
    Named(CancelBtn, "CancelBtn")->setGeometry(334, 396, 74, 25);
    OpenBtn = new QPushButton(this);
    Named(OpenBtn, "OpenBtn")->setGeometry(412, 396, 74, 25);

    // Captions, help contexts and the language's character set.
    setWindowTitle(LoadLangStr(ProgramNameString) + QStringLiteral(" - ") + LoadLangStr(NewDialogCaptionString));
    Label1->setText(LoadLangStr(ProductDesignString));
    Label2->setText(LoadLangStr(SortByString));
    MBtn->setText(LoadLangStr(SortByMakerString));
    CBtn->setText(LoadLangStr(SortByClassString));
    GroupBox1->setTitle(LoadLangStr(SampleGroupString));
    StaticText1->setText(LoadLangStr(DescriptionString));
    FullPageChk->setText(LoadLangStr(FullPageModeString));
    StartupChk->setText(LoadLangStr(ShowAtStartupString));
    OKBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));
    OpenBtn->setText(LoadLangStr(OpenButtonString));
    AddPaperTypeBtn->setText(LoadLangStr(AddPaperButtonString));
    DeletePaperTypeBtn->setText(LoadLangStr(DeletePaperButtonString));
    EditPaperTypeBtn->setText(LoadLangStr(EditButtonString));
    SetHelpContexts({{TreeView, 2003},
                     {MBtn, 2005},
                     {CBtn, 2006},
                     {GroupBox1, 2004},
                     {InfoLabel, 2008},
                     {FullPageChk, 2007},
                     {StartupChk, 2009},
                     {OKBtn, 2010},
                     {CancelBtn, 2001},
                     {OpenBtn, 2011},
                     {AddPaperTypeBtn, 2012},
                     {DeletePaperTypeBtn, 2013},
                     {EditPaperTypeBtn, 2014}});
    InstallContextHelp(this);
    ApplyLanguageCharset(this);
    fitTexts();

    // Settings.
    {
        TRegIniFile reg(ProductKey());
        const QString section = BasicInfo();
        const QString stored = reg.ReadString(section, QStringLiteral("PaperID"), GUIDToString(CreateGUID()));
        if (!StringToGUID(stored, PaperID))
            PaperID = CreateGUID();   // matches no paper
        StartupChk->setChecked(reg.ReadBool(section, QStringLiteral("Startup"), true));
        const bool byMaker = reg.ReadBool(section, QStringLiteral("SortByManufacturer"), true);
        const bool byClass = reg.ReadBool(section, QStringLiteral("SortByClassfied"), false);
        // Set in turn, as the form does: the later one wins when both are stored true.
        MBtn->setChecked(byMaker);
        if (byClass)
            CBtn->setChecked(true);
        FullPageChk->setChecked(reg.ReadBool(section, QStringLiteral("FullPageMode"), false));
    }

    connect(MBtn, &QRadioButton::clicked, this, [this] { RefillPaperTreeKeepSelection(); });
    connect(CBtn, &QRadioButton::clicked, this, [this] { RefillPaperTreeKeepSelection(); });
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                Application->Guard([&] { TreeViewChange(current); });
            });
    connect(TreeView, &QTreeWidget::itemDoubleClicked, this, [this] { TreeViewDblClick(); });
    PaintBox->OnPaint = [this](TCanvas* canvas) { PaintBoxPaint(canvas); };
    connect(OKBtn, &QPushButton::clicked, this, [this] { Application->Guard([&] { OKBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });
    connect(OpenBtn, &QPushButton::clicked, this, [this] { done(6); });
    connect(AddPaperTypeBtn, &QPushButton::clicked, this,
            [this] { Application->Guard([&] { AddPaperTypeBtnClick(); }); });
    connect(DeletePaperTypeBtn, &QPushButton::clicked, this,
            [this] { Application->Guard([&] { DeletePaperTypeBtnClick(); }); });
    connect(EditPaperTypeBtn, &QPushButton::clicked, this,
            [this] { Application->Guard([&] { EditPaperTypeBtnClick(); }); });

    FillPaperTree();
    QTreeWidgetItem* node = FindPaperNode(PaperID);
    if (!node) {
        for (QTreeWidgetItemIterator it(TreeView); *it; ++it)
            if (NodeMarker(*it) == 0) {
                node = *it;
                break;
            }
    }
    if (node)
        selectPaperNode(node);
    else
        TreeViewChange(nullptr);

    if (QScreen* screen = owner ? owner->screen() : QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

TNewDlg::~TNewDlg() = default;

// Controls whose text no longer fits (substituted fonts, translations) grow; rows of
// controls move along so that none covers its neighbour.
void TNewDlg::fitTexts()
{
    auto needed = [](QWidget* w) {
        if (auto* b = qobject_cast<QPushButton*>(w))
            return CaptionWidth(b) + 16;
        return w->sizeHint().width();
    };
    auto grow = [&](QWidget* w) { w->resize(std::max(w->width(), needed(w)), w->height()); };
    auto row = [&](std::initializer_list<QWidget*> widgets, int gap) {
        int x = -1;
        for (QWidget* w : widgets) {
            grow(w);
            if (x >= 0 && w->x() < x)
                w->move(x, w->y());
            x = w->geometry().right() + 1 + gap;
        }
    };
    // The dialog buttons keep to the right edge.
    auto rowFromRight = [&](std::initializer_list<QWidget*> widgets, int gap) {
        int right = -1;
        for (auto it = std::rbegin(widgets); it != std::rend(widgets); ++it) {
            QWidget* w = *it;
            const int oldRight = w->geometry().right() + 1;
            grow(w);
            const int r = right < 0 ? oldRight : std::min(oldRight, right);
            w->move(r - w->width(), w->y());
            right = w->x() - gap;
        }
    };
    for (QWidget* w : std::initializer_list<QWidget*>{Label1, StaticText1, FullPageChk, StartupChk})
        grow(w);
    Label2->resize(Label2->sizeHint().width(), Label2->height());
    MBtn->move(Label2->geometry().right() + 1 + 6, MBtn->y());
    row({Label2, MBtn, CBtn}, 6);
    row({AddPaperTypeBtn, EditPaperTypeBtn, DeletePaperTypeBtn}, 6);
    rowFromRight({OKBtn, CancelBtn, OpenBtn}, 4);

    // When the left column has grown into the right one, the right column moves over and
    // the form widens by as much, so that no control covers another.
    const std::initializer_list<QWidget*> left = {Label1, TreeView, Label2, MBtn, CBtn, AddPaperTypeBtn,
                                                  EditPaperTypeBtn, DeletePaperTypeBtn, StartupChk};
    const std::initializer_list<QWidget*> right = {GroupBox1, StaticText1, InfoLabel, FullPageChk,
                                                   OKBtn, CancelBtn, OpenBtn};
    int shift = 0;
    for (QWidget* l : left)
        for (QWidget* r : right) {
            const QRect a = l->geometry(), b = r->geometry();
            if (a.top() <= b.bottom() && b.top() <= a.bottom())
                shift = std::max(shift, a.right() + 1 + 4 - b.left());
        }
    if (shift > 0) {
        for (QWidget* w : right)
            w->move(w->x() + shift, w->y());
        setFixedSize(width() + shift, height());
    }
}

QIcon TNewDlg::image(int index) const
{
    if (m_images)
        return m_images(index);
    return style()->standardIcon(index == 0 ? QStyle::SP_FileIcon : QStyle::SP_DirIcon);
}

PaperType* TNewDlg::NodePaper(const QTreeWidgetItem* node) { return PaperNodePaper(node); }

int TNewDlg::NodeMarker(const QTreeWidgetItem* node) { return PaperNodeMarker(node); }

QTreeWidgetItem* TNewDlg::FindPaperNode(const TGUID& id) const { return ::FindPaperNode(TreeView, id); }

void TNewDlg::selectPaperNode(QTreeWidgetItem* node)
{
    TreeView->setCurrentItem(node);
    if (node && node->parent())
        TreeView->scrollToItem(node->parent(), QAbstractItemView::PositionAtTop);
}

void TNewDlg::FillPaperTree()
{
    FillPaperTreeWidget(TreeView, MBtn->isChecked(), [this](int index) { return image(index); });
    if (!TreeView->currentItem())
        TreeViewChange(nullptr);
}

void TNewDlg::RefillPaperTreeKeepSelection()
{
    QTreeWidgetItem* current = TreeView->currentItem();
    const bool remembered = current && NodeMarker(current) == 0;
    const TGUID id = remembered ? PaperNodeID(current) : TGUID{};
    FillPaperTree();
    if (remembered) {
        TreeView->setFocus();
        if (QTreeWidgetItem* node = FindPaperNode(id))
            selectPaperNode(node);
    }
}

void TNewDlg::TreeViewChange(QTreeWidgetItem* node)
{
    if (!node || NodeMarker(node) != 0) {
        PaintBox->hide();
        OKBtn->setEnabled(false);
        DeletePaperTypeBtn->setEnabled(false);
        EditPaperTypeBtn->setEnabled(false);
        InfoLabel->clear();
        return;
    }
    const PaperType* p = FindPaperType(PaperNodeID(node));
    if (!p)
        return;
    PaperID = p->ID;
    QString text = p->Description;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    InfoLabel->setPlainText(text);
    OKBtn->setEnabled(true);
    EditPaperTypeBtn->setEnabled(true);
    DeletePaperTypeBtn->setEnabled(p->UserDefined != 0);
    PaintBox->show();
    PaintBox->update();
}

void TNewDlg::TreeViewDblClick()
{
    if (OKBtn->isEnabled())
        OKBtnClick();
}

void TNewDlg::PaintBoxPaint(TCanvas* canvas)
{
    PaintBox->DrawPaper(canvas, FindPaperType(PaperID));
}

void TNewDlg::OKBtnClick()
{
    {
        TRegIniFile reg(ProductKey());
        const QString section = BasicInfo();
        reg.WriteString(section, QStringLiteral("PaperID"), GUIDToString(PaperID));
        reg.WriteBool(section, QStringLiteral("Startup"), StartupChk->isChecked());
        reg.WriteBool(section, QStringLiteral("SortByManufacturer"), MBtn->isChecked());
        reg.WriteBool(section, QStringLiteral("SortByClassfied"), CBtn->isChecked());
        reg.WriteBool(section, QStringLiteral("FullPageMode"), FullPageChk->isChecked());
    }
    FullPage = FullPageChk->isChecked() ? 1 : 0;
    done(1);
}

void TNewDlg::AddPaperTypeBtnClick()
{
    auto paper = std::make_unique<PaperType>();
    paper->ID = CreateGUID();
    paper->Name = QStringLiteral("Customize Paper Style");
    paper->Description = QStringLiteral("Customize Paper Style");
    paper->Manufacturer = QStringLiteral("User Customize");
    paper->Classification = QStringLiteral("User Customize");
    paper->PaperLength = 2970;
    paper->PaperWidth = 2100;
    paper->ShapeStyle = ShapeCircle;
    paper->ShapeHeight = 1150;
    paper->ShapeWidth = 1150;
    paper->CoreWidth = 440;
    paper->Shapes.push_back(PaperShape{1, 40, 50});
    paper->ShapeCount = 1;
    paper->UserDefined = 1;
    paper->HasPreview = 0;
    paper->HasShapeMask = 0;

    const int result = paperEditor() ? paperEditor()(this, paper.get()) : 1;
    if (result != 1)
        return;   // the record goes with the unique_ptr
    const TGUID id = paper->ID;
    PaperCatalogue().push_back(std::move(paper));
    FillPaperTree();
    if (QTreeWidgetItem* node = FindPaperNode(id))
        selectPaperNode(node);
    TreeView->setFocus();
}

void TNewDlg::DeletePaperTypeBtnClick()
{
    if (MessageBox(this, LoadLangStr(DeletePaperQuestionString), windowTitle(), MB_YESNO) != IDYES)
        return;
    TPaperCatalogue& cat = PaperCatalogue();
    auto it = std::find_if(cat.begin(), cat.end(), [this](const PaperType* p) { return p->ID == PaperID; });
    // Shipped papers stay, whatever enabled the button.
    if (it == cat.end() || !(*it)->UserDefined)
        return;
    cat.erase(it);
    FillPaperTree();
}

void TNewDlg::EditPaperTypeBtnClick()
{
    QTreeWidgetItem* node = TreeView->currentItem();
    if (!node || NodeMarker(node) != 0)
        return;
    PaperID = PaperNodeID(node);
    PaperType* p = FindPaperType(PaperID);
    if (!p || !paperEditor())
        return;
    if (paperEditor()(this, p) == 1) {
        RefillPaperTreeKeepSelection();
        TreeView->setFocus();
        PaintBox->update();
    }
}

bool TNewDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}

void TNewDlg::reject()
{
    done(2);
}
