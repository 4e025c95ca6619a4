#include "app/shape_info_edit_dlg.h"

#include "app/dialog_form.h"
#include "app/dialog_text.h"
#include "app/position_boxes.h"
#include "document/paper_type.h"
#include "document/std.h"
#include "platform/message_box.h"

#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kGroupWidth[] = {240, 440, 540};
constexpr int kGroupHeight = 301;
constexpr int kRowStep = 24;

// The value field of row i of a table of the paper.
template <auto List, auto Member>
int32_t& RowValue(PaperType& p, int i)
{
    return (p.*List)[size_t(i)].*Member;
}

// One entry field of a row: its name prefix, column, help context, whether it holds a size or a
// position, the least value it takes, and the table value it stands for. Fields are made in this
// order, which is the order the tab key takes.
struct Field {
    const char* prefix;
    int left;
    int helpContext;
    TSheetValueKind kind;
    int least;
    int32_t& (*value)(PaperType&, int);
};

const std::vector<Field>& fields(int mode)
{
    static const std::vector<Field> table[3] = {
        {{"pEX", 90, 2041, SheetPosition, 0, RowValue<&PaperType::Shapes, &PaperShape::X>},
         {"pEY", 150, 2042, SheetPosition, 0, RowValue<&PaperType::Shapes, &PaperShape::Y>}},
        {{"pEXFrom", 90, 2045, SheetPosition, 0, RowValue<&PaperType::ExtraLines, &PaperExtraLine::XFrom>},
         {"pEYFrom", 150, 2046, SheetPosition, 0, RowValue<&PaperType::ExtraLines, &PaperExtraLine::YFrom>},
         {"pEXTo", 290, 2047, SheetPosition, 0, RowValue<&PaperType::ExtraLines, &PaperExtraLine::XTo>},
         {"pEYTo", 350, 2048, SheetPosition, 0, RowValue<&PaperType::ExtraLines, &PaperExtraLine::YTo>}},
        {{"pW", 170, 2043, SheetSize, 1, RowValue<&PaperType::OtherShapes, &PaperOtherShape::Width>},
         {"pH", 240, 2044, SheetSize, 1, RowValue<&PaperType::OtherShapes, &PaperOtherShape::Height>},
         {"pX", 310, 2041, SheetPosition, 0, RowValue<&PaperType::OtherShapes, &PaperOtherShape::X>},
         {"pY", 380, 2042, SheetPosition, 0, RowValue<&PaperType::OtherShapes, &PaperOtherShape::Y>},
         {"pCore", 450, 2049, SheetSize, 0, RowValue<&PaperType::OtherShapes, &PaperOtherShape::CoreWidth>}},
    };
    return table[std::clamp(mode, 0, 2)];
}

QString rowName(const char* prefix, int row) { return QString::fromLatin1(prefix) + QString::number(row); }

} // namespace

TShapeInfoEditDlg::TShapeInfoEditDlg(QWidget* owner) : QDialog(owner), EditPaper(std::make_unique<PaperType>())
{
    SetUpFixedDialog(this, "ShapeInfoEditDlg", 377, 360);

    GroupBox = new QGroupBox(this);
    GroupBox->setObjectName(QStringLiteral("GroupBox"));
    GroupBox->setGeometry(8, 12, 357, kGroupHeight);
    auto* layout = new QVBoxLayout(GroupBox);
    layout->setContentsMargins(2, 2, 2, 2);
    // The form sizes the group itself, down to a single row.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    ScrollBox1 = new QScrollArea(GroupBox);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(false);
    layout->addWidget(ScrollBox1);
    m_rows = new QWidget;
    m_rows->setObjectName(QStringLiteral("Rows"));
    ScrollBox1->setWidget(m_rows);

    OkBtn = new QPushButton(this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->setGeometry(198, 327, 75, 25);
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(278, 327, 75, 25);
    OkBtn->setText(LoadLangStr(OKButtonString));
    CancelBtn->setText(LoadLangStr(CancelButtonString));

    connect(OkBtn, &QPushButton::clicked, this, [this] { Application->Guard([this] { OkBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });
    InstallContextHelp(this);
}

TShapeInfoEditDlg::~TShapeInfoEditDlg() = default;

void TShapeInfoEditDlg::addHeader(int left, const QString& text)
{
    auto* l = new QLabel(text, m_rows);
    l->setTextFormat(Qt::PlainText);
    l->move(left, 15);
    l->adjustSize();
}

void TShapeInfoEditDlg::addRowLabel(const QString& name, int left, int row, const QString& text)
{
    auto* l = new QLabel(text, m_rows);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->move(left, kRowStep * row + 38);
    l->adjustSize();
}

QLineEdit* TShapeInfoEditDlg::addEntry(const QString& name, int left, int row, int helpContext, int width)
{
    auto* e = new QLineEdit(m_rows);
    e->setObjectName(name);
    e->setGeometry(left, kRowStep * row + 35, width, 21);
    e->installEventFilter(this);
    SetHelpContext(e, helpContext);
    return e;
}

int TShapeInfoEditDlg::rowCount() const
{
    switch (Mode) {
    case LabelPositions: return int(EditPaper->Shapes.size());
    case ExtraLines: return int(EditPaper->ExtraLines.size());
    default: return int(EditPaper->OtherShapes.size());
    }
}

QLineEdit* TShapeInfoEditDlg::entry(const QString& name) const
{
    return m_rows->findChild<QLineEdit*>(name, Qt::FindDirectChildrenOnly);
}

QComboBox* TShapeInfoEditDlg::styleBox(int row) const
{
    return m_rows->findChild<QComboBox*>(rowName("pStyle", row), Qt::FindDirectChildrenOnly);
}

void TShapeInfoEditDlg::Setup(int mode, PaperType* paper)
{
    TargetPaper = paper;
    CopyPaperType(paper, EditPaper.get());
    Mode = std::clamp(mode, 0, 2);

    const int rows = rowCount();
    const QString circle = LoadLangStr(CircleString), rectangle = LoadLangStr(RectangleString);
    const QString colon = QStringLiteral(" : ");
    int caption = ShapeInfoString;
    if (Mode == LabelPositions) {
        addHeader(110, QStringLiteral("X"));
        addHeader(170, QStringLiteral("Y"));
    } else if (Mode == ExtraLines) {
        caption = ExtraLineInfoString;
        const QString texts[] = {LoadLangStr(FromHeaderString), QStringLiteral("X"), QStringLiteral("Y"),
                                 LoadLangStr(ToHeaderString), QStringLiteral("X"), QStringLiteral("Y")};
        const int lefts[] = {20, 110, 170, 220, 310, 370};
        for (int k = 0; k < 6; ++k)
            addHeader(lefts[k], texts[k]);
    } else {
        caption = OtherShapeInfoString;
        const QString texts[] = {LoadLangStr(ShapeString),       LoadLangStr(StyleHeaderString),
                                 LoadLangStr(WidthHeaderString), LoadLangStr(HeightHeaderString),
                                 QStringLiteral("X"),            QStringLiteral("Y"),
                                 LoadLangStr(CoreWidthHeaderString)};
        const int lefts[] = {20, 90, 170, 240, 310, 380, 450};
        for (int k = 0; k < 7; ++k)
            addHeader(lefts[k], texts[k]);
    }
    const QString word = EditPaper->ShapeStyle != ShapeCircle ? rectangle : circle;
    const QString line = LoadLangStr(LineString), shape = LoadLangStr(ShapeString);
    // Row by row, each row's controls from left to right: the order the tab key takes.
    for (int i = 0; i < rows; ++i) {
        const QString number = QString::number(i + 1) + colon;
        if (Mode == LabelPositions) {
            addRowLabel(rowName("pL", i), 20, i, word + number);
        } else if (Mode == ExtraLines) {
            addRowLabel(rowName("pFrom", i), 20, i, line + number);
            addRowLabel(rowName("pTo", i), 220, i, line + number);
        } else {
            addRowLabel(rowName("pFrom", i), 20, i, shape + QStringLiteral(" ") + number);
            auto* box = new QComboBox(m_rows);
            box->setObjectName(rowName("pStyle", i));
            box->setGeometry(90, kRowStep * i + 35, 65, 21);
            box->addItems({circle, rectangle});
            box->installEventFilter(this);
            SetHelpContext(box, 2040);
        }
        for (const Field& f : fields(Mode))
            addEntry(rowName(f.prefix, i), f.left, i, f.helpContext);
    }
    setWindowTitle(LoadLangStr(caption));
    GroupBox->setTitle(LoadLangStr(caption));

    // The form fits the mode's columns and, up to the group's height, its rows.
    const int d = GroupBox->width() - kGroupWidth[Mode];
    const int h = (rows - 1) * kRowStep + 76;
    const int e = h < kGroupHeight ? GroupBox->height() - h : 0;
    setFixedSize(width() - d, height() - e);
    GroupBox->resize(GroupBox->width() - d, GroupBox->height() - e);
    for (QPushButton* b : {OkBtn, CancelBtn})
        b->move(b->x() - d, b->y() - e);
    m_rows->adjustSize();
    m_rows->resize(m_rows->childrenRect().right() + 8, m_rows->childrenRect().bottom() + 8);
    // The group's caption takes more room here than the rows were laid out for: a group that
    // holds all its rows grows until none is hidden.
    if (e > 0) {
        GroupBox->layout()->activate();
        const int hidden = m_rows->height() - ScrollBox1->height();
        const int grow = std::max(0, std::min(hidden, kGroupHeight - GroupBox->height()));
        if (grow > 0) {
            setFixedSize(width(), height() + grow);
            GroupBox->resize(GroupBox->width(), GroupBox->height() + grow);
            for (QPushButton* b : {OkBtn, CancelBtn})
                b->move(b->x(), b->y() + grow);
        }
    }

    ApplyLanguageCharset(this);

    // Fill, each field found by its name.
    for (int i = 0; i < rows; ++i) {
        for (const Field& f : fields(Mode))
            if (QLineEdit* e = entry(rowName(f.prefix, i)))
                e->setText(QString::number(f.value(*EditPaper, i)));
        if (Mode == OtherShapes)
            if (QComboBox* box = styleBox(i))
                box->setCurrentIndex(EditPaper->OtherShapes[i].Style <= 1 ? EditPaper->OtherShapes[i].Style : -1);
    }
}

bool TShapeInfoEditDlg::StoreValues()
{
    // Every value is checked before any is taken: a refused one leaves the paper as it was.
    const int rows = rowCount();
    std::vector<std::pair<int32_t*, int32_t>> taken;
    for (int i = 0; i < rows; ++i) {
        for (const Field& f : fields(Mode)) {
            QLineEdit* e = entry(rowName(f.prefix, i));
            if (!e)
                continue;
            int32_t& value = f.value(*EditPaper, i);
            if (e->text().isEmpty()) {
                e->setText(QString::number(value));
                continue;
            }
            int32_t typed = value;
            if (!TakeSheetValue(e, f.kind, f.least, typed))
                return false;
            taken.emplace_back(&value, typed);
        }
    }
    for (const auto& [field, value] : taken)
        *field = value;
    for (int i = 0; i < rows && Mode == OtherShapes; ++i)
        if (QComboBox* box = styleBox(i); box && box->currentIndex() >= 0)
            EditPaper->OtherShapes[i].Style = uint8_t(box->currentIndex());
    return true;
}

void TShapeInfoEditDlg::OkBtnClick()
{
    if (!StoreValues())
        return;
    CopyPaperType(EditPaper.get(), TargetPaper);
    done(1);
}

bool TShapeInfoEditDlg::FormHelp(uint16_t command, int data, bool& callHelp)
{
    return HandleHelpCommand(command, data, callHelp);
}

// Every field: Enter stores the values; without Ctrl only digits and Backspace reach it, so
// Ctrl+C and Ctrl+V still work.
bool TShapeInfoEditDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || watched->parent() != m_rows)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    LastShift = key->modifiers().testFlag(Qt::ControlModifier);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // A value that failed to convert keeps the key from reaching the default button.
        bool stored = false;
        Application->Guard([&] {
            StoreValues();
            stored = true;
        });
        return !stored;
    }
    const QString text = key->text();
    bool swallow = false;
    if (!LastShift && !text.isEmpty()) {
        const QChar c = text.at(0);
        const bool digit = c.unicode() >= u'0' && c.unicode() <= u'9';
        swallow = c.isPrint() && !digit;
    }
    LastShift = false;
    return swallow;
}
