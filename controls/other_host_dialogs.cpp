#include "controls/other_host_dialogs.h"

#include "controls/control_strings.h"
#include "controls/print_panel.h"
#include "lang/string_ids.h"
#include "platform/printer.h"

#include <QColorDialog>
#include <QComboBox>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QIcon>
#include <QIntValidator>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPageSize>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTreeView>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

namespace {

// Design sizes of the standard controls, in dialog units at 8 x 16.
constexpr QSize ColorDialogDesign(447, 299);
constexpr QSize FontDialogDesign(395, 319);
constexpr QSize PageSetupDesign(360, 390);
constexpr QSize PrinterSetupDesign(432, 289);
constexpr QSize FolderDialogDesign(318, 306);

QSize designSize(QSize design)
{
    return HostedDialogSize(design.width(), design.height());
}

// The OK and Cancel buttons at the foot of a panel made here, named for the item tables.
QDialogButtonBox* addOkCancel(QDialog* panel, QBoxLayout* layout)
{
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, panel);
    box->setObjectName(QStringLiteral("buttonBox"));
    QObject::connect(box, &QDialogButtonBox::accepted, panel, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, panel, &QDialog::reject);
    layout->addWidget(box);
    return box;
}

// Names the button box of a Qt dialog so that the item tables find OK and Cancel.
void nameButtonBox(QWidget* dialog)
{
    if (auto* box = dialog->findChild<QDialogButtonBox*>())
        box->setObjectName(QStringLiteral("buttonBox"));
}

// A change seen many times before the event loop runs again is handled once.
void postOnce(QObject* context, bool& posted, std::function<void()> f)
{
    if (posted)
        return;
    posted = true;
    QMetaObject::invokeMethod(
        context,
        [&posted, f = std::move(f)] {
            posted = false;
            f();
        },
        Qt::QueuedConnection);
}

} // namespace

// ---- colour -------------------------------------------------------------------------------

namespace {

constexpr THostedItem ColorDialogItems[] = {
    {1, "buttonBox", QDialogButtonBox::Ok},
    {2, "buttonBox", QDialogButtonBox::Cancel},
    {703, "hueEdit"},
    {704, "satEdit"},
    {705, "lumEdit"},
    {706, "redEdit"},
    {707, "greenEdit"},
    {708, "blueEdit"},
    {712, "addCustomButton"},
};

QString customColorName(int index)
{
    return QStringLiteral("Color") + QChar(char16_t(u'A' + index));
}

// Qt lays its custom colours out column by column in two rows; the lines go row by row.
int qtCustomIndex(int index)
{
    return (index / 8) + (index % 8) * 2;
}

// Qt's colour dialog names none of its edits; they come in the order hue, saturation, value,
// red, green, blue (alpha last), and its one button that adds a custom colour.
void nameColorItems(QColorDialog* dialog)
{
    nameButtonBox(dialog);
    const QList<QSpinBox*> edits = dialog->findChildren<QSpinBox*>();
    const char* const names[] = {"hueEdit", "satEdit", "lumEdit", "redEdit", "greenEdit", "blueEdit"};
    for (int i = 0; i < 6 && i < edits.size(); ++i)
        edits.at(i)->setObjectName(QString::fromLatin1(names[i]));
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text().contains(QStringLiteral("Custom")))
            b->setObjectName(QStringLiteral("addCustomButton"));
}

} // namespace

std::array<TColor, 16> ReadCustomColorValues(const QStringList& lines)
{
    std::array<TColor, 16> colors;
    colors.fill(clWhite);
    for (int i = 0; i < 16; ++i) {
        const QString name = customColorName(i);
        for (const QString& line : lines) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq < 0 || line.left(eq).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            // The first line of the name counts, readable or not.
            const QString value = line.mid(eq + 1).trimmed();
            bool ok = false;
            const uint n = value.size() <= 8 ? value.toUInt(&ok, 16) : 0;
            if (ok && !value.startsWith(QLatin1Char('+')) && n <= 0xFFFFFF)
                colors[size_t(i)] = TColor(n);
            break;
        }
    }
    return colors;
}

void WriteCustomColorValues(QStringList& lines, const std::array<TColor, 16>& colors)
{
    for (int i = 0; i < 16; ++i) {
        const QString name = customColorName(i);
        const QString line = name + QLatin1Char('=') +
                             QStringLiteral("%1").arg(colors[size_t(i)] & 0xFFFFFF, 6, 16, QLatin1Char('0'));
        bool replaced = false;
        for (QString& existing : lines) {
            const qsizetype eq = existing.indexOf(QLatin1Char('='));
            if (eq >= 0 && existing.left(eq).compare(name, Qt::CaseInsensitive) == 0) {
                existing = line;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            lines << line;
    }
}

bool ColorFromEditTexts(const QString& red, const QString& green, const QString& blue, TColor& color)
{
    int parts[3];
    const QString* texts[3] = {&red, &green, &blue};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        parts[i] = texts[i]->left(10).trimmed().toInt(&ok, 10);
        if (!ok || parts[i] < 0 || parts[i] > 255)
            return false;
    }
    color = TColor(parts[0] + parts[1] * 256 + parts[2] * 65536);
    return true;
}

TFormColorDialog::TFormColorDialog(QWidget* parent) : TFormCommonDialog(parent)
{
    resize(FixedSize());
}

QSize TFormColorDialog::FixedSize() const
{
    return designSize(ColorDialogDesign);
}

std::span<const THostedItem> TFormColorDialog::ItemMap() const
{
    return ColorDialogItems;
}

void TFormColorDialog::SetColor(TColor color)
{
    m_color = color;
    if (auto* cd = qobject_cast<QColorDialog*>(DialogHandle()))
        cd->setCurrentColor(ColorToQColor(color));
}

void TFormColorDialog::ColorChanged()
{
    auto text = [this](int id) {
        auto* edit = qobject_cast<QSpinBox*>(DialogItem(id));
        return edit ? edit->text() : QString();
    };
    TColor color;
    if (!ColorFromEditTexts(text(706), text(707), text(708), color))
        return;
    m_color = color;
    if (OnColorChange)
        OnColorChange(this);
}

bool TFormColorDialog::Execute()
{
    auto* cd = new QColorDialog;
    cd->setOption(QColorDialog::DontUseNativeDialog);
    nameColorItems(cd);
    // Qt keeps custom colours for the whole program: ours go in for the run, then theirs return.
    std::array<QColor, 16> saved;
    std::array<TColor, 16> custom = ReadCustomColorValues(CustomColors);
    for (int i = 0; i < 16; ++i) {
        saved[size_t(i)] = QColorDialog::customColor(qtCustomIndex(i));
        QColorDialog::setCustomColor(qtCustomIndex(i), ColorToQColor(custom[size_t(i)]));
    }
    cd->setCurrentColor(ColorToQColor(m_color));
    connect(cd, &QColorDialog::currentColorChanged, this,
            [this] { postOnce(this, m_changePosted, [this] { ColorChanged(); }); });
    TColor chosen = m_color;
    const bool accepted = RunHosted(cd, [cd, &chosen] {
        chosen = QColorToColor(cd->selectedColor());
        return true;
    });
    for (int i = 0; i < 16; ++i) {
        custom[size_t(i)] = QColorToColor(QColorDialog::customColor(qtCustomIndex(i)));
        QColorDialog::setCustomColor(qtCustomIndex(i), saved[size_t(i)]);
    }
    if (!accepted)
        return false;
    m_color = chosen;
    WriteCustomColorValues(CustomColors, custom);
    return true;
}

// ---- font ---------------------------------------------------------------------------------

namespace {

constexpr THostedItem FontDialogItems[] = {
    {1, "buttonBox", QDialogButtonBox::Ok},
    {2, "buttonBox", QDialogButtonBox::Cancel},
    {1026, "buttonBox", QDialogButtonBox::Apply},
    {1040, "strikeoutCheck"},
    {1041, "underlineCheck"},
    {1092, "qt_fontDialog_sampleEdit"},
    {1139, "colorCombo"},
};

// The colours the font dialog's colour box offers, as the system's font dialog does.
constexpr struct {
    TColor Color;
    int Name;
} FontColors[] = {
    {clBlack, FontColorBlackString}, {clMaroon, FontColorMaroonString},   {clGreen, FontColorGreenString},
    {clOlive, FontColorOliveString}, {clNavy, FontColorNavyString},       {clPurple, FontColorPurpleString},
    {clTeal, FontColorTealString},   {clGray, FontColorGrayString},       {clSilver, FontColorSilverString},
    {clRed, FontColorRedString},     {clLime, FontColorLimeString},       {clYellow, FontColorYellowString},
    {clBlue, FontColorBlueString},   {clFuchsia, FontColorFuchsiaString}, {clAqua, FontColorAquaString},
    {clWhite, FontColorWhiteString}};

// Adds the colour box under the effects, on color; a colour of no entry gets one of its own.
QComboBox* addColorCombo(QWidget* effects, TColor color)
{
    auto* row = new QWidget(effects);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* combo = new QComboBox(row);
    combo->setObjectName(QStringLiteral("colorCombo"));
    auto* label = new QLabel(ControlString(FontColorCaptionString), row);
    label->setBuddy(combo);
    layout->addWidget(label);
    layout->addWidget(combo, 1);
    const auto swatch = [](TColor c) {
        QPixmap p(12, 12);
        p.fill(ColorToQColor(c));
        return QIcon(p);
    };
    for (const auto& c : FontColors)
        combo->addItem(swatch(c.Color), ControlString(c.Name), QVariant::fromValue(uint(c.Color)));
    int index = combo->findData(QVariant::fromValue(uint(color)));
    if (index < 0) {
        combo->addItem(swatch(color), ControlString(FontColorCustomString), QVariant::fromValue(uint(color)));
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
    if (effects->layout())
        effects->layout()->addWidget(row);
    return combo;
}

// Offers and accepts only sizes from low to high points: the size list shows only those (Qt
// fills it anew with every family and style) and the size box takes no other.
void limitFontSizes(QFontDialog* fd, int low, int high)
{
    for (QListView* list : fd->findChildren<QListView*>()) {
        QAbstractItemModel* model = list->model();
        bool isSizes = false;
        if (model && model->rowCount() > 0)
            model->index(0, 0).data().toString().toInt(&isSizes);
        if (!isSizes)
            continue;
        const auto hide = [list, low, high] {
            QAbstractItemModel* m = list->model();
            for (int r = 0; r < m->rowCount(); ++r) {
                const int size = m->index(r, 0).data().toString().toInt();
                list->setRowHidden(r, size < low || size > high);
            }
        };
        hide();
        QObject::connect(model, &QAbstractItemModel::modelReset, list, hide);
        QObject::connect(model, &QAbstractItemModel::rowsInserted, list, hide);
    }
    for (QLineEdit* edit : fd->findChildren<QLineEdit*>())
        if (qobject_cast<const QIntValidator*>(edit->validator()))
            edit->setValidator(new QIntValidator(low, high, edit));
}

QFont toQFont(const TFont& font)
{
    QFont f(font.Name);
    f.setPointSize(std::max(1, font.Size()));
    f.setBold(font.Style & fsBold);
    f.setItalic(font.Style & fsItalic);
    f.setUnderline(font.Style & fsUnderline);
    f.setStrikeOut(font.Style & fsStrikeOut);
    return f;
}

void takeQFont(const QFont& f, TFont& font)
{
    font.Name = f.family();
    font.SetSize(f.pointSize() > 0 ? f.pointSize() : int(std::lround(f.pointSizeF())));
    TFontStyles style = 0;
    if (f.weight() > QFont::Normal)
        style |= fsBold;
    if (f.italic())
        style |= fsItalic;
    if (f.underline())
        style |= fsUnderline;
    if (f.strikeOut())
        style |= fsStrikeOut;
    font.Style = style;
}

} // namespace

TFormFontDialog::TFormFontDialog(QWidget* parent) : TFormCommonDialog(parent)
{
    resize(FixedSize());
}

QSize TFormFontDialog::FixedSize() const
{
    return designSize(FontDialogDesign);
}

std::span<const THostedItem> TFormFontDialog::ItemMap() const
{
    return FontDialogItems;
}

void TFormFontDialog::SetFont(const TFont& font)
{
    m_font = font;
    if (OnFontChange)
        OnFontChange(this);
}

void TFormFontDialog::SetSampleCaption(const QString& caption)
{
    m_sampleCaption = caption;
    if (auto* sample = qobject_cast<QLineEdit*>(DialogItem(1092)))
        sample->setText(caption);
}

void TFormFontDialog::DoShow()
{
    SetSampleCaption(m_sampleCaption);
    TFormCommonDialog::DoShow();
}

bool TFormFontDialog::LimitsSizes() const
{
    return (Options & fdLimitSize) && MinFontSize <= MaxFontSize;
}

void TFormFontDialog::TakeChoice(const QFont& font, const QComboBox* colors)
{
    takeQFont(font, m_font);
    if (LimitsSizes())
        m_font.SetSize(std::clamp(m_font.Size(), MinFontSize, MaxFontSize));
    if (colors && colors->currentIndex() >= 0)
        m_font.Color = TColor(colors->currentData().toUInt());
}

void TFormFontDialog::UpdateFromDialog()
{
    if (auto* fd = qobject_cast<QFontDialog*>(DialogHandle()))
        TakeChoice(fd->currentFont(), qobject_cast<QComboBox*>(DialogItem(1139)));
}

void TFormFontDialog::FontChanged()
{
    if (!DialogHandle())
        return;
    UpdateFromDialog();
    if (OnFontChange)
        OnFontChange(this);
}

void TFormFontDialog::DoApply(QWidget* window)
{
    UpdateFromDialog();
    Apply(window);
}

void TFormFontDialog::Apply(QWidget* window)
{
    if (OnApply)
        OnApply(this, window);
}

bool TFormFontDialog::Execute()
{
    auto* fd = new QFontDialog;
    fd->setOption(QFontDialog::DontUseNativeDialog);
    fd->setSizeGripEnabled(false);
    nameButtonBox(fd);
    const QList<QCheckBox*> effects = fd->findChildren<QCheckBox*>();
    QComboBox* colors = nullptr;
    if (effects.size() >= 2) {
        effects.at(0)->setObjectName(QStringLiteral("strikeoutCheck"));
        effects.at(1)->setObjectName(QStringLiteral("underlineCheck"));
        if (auto* group = qobject_cast<QWidget*>(effects.at(0)->parent())) {
            group->setVisible(Options & fdEffects);
            if (Options & fdEffects)
                colors = addColorCombo(group, m_font.Color);
        }
    }
    QFont start = toQFont(m_font);
    if (LimitsSizes()) {
        limitFontSizes(fd, MinFontSize, MaxFontSize);
        start.setPointSize(std::clamp(start.pointSize(), MinFontSize, MaxFontSize));
    }
    fd->setCurrentFont(start);
    if (colors)
        connect(colors, &QComboBox::currentIndexChanged, this,
                [this] { postOnce(this, m_changePosted, [this] { FontChanged(); }); });
    if (auto* box = fd->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        QPushButton* apply = box->addButton(QDialogButtonBox::Apply);
        connect(apply, &QPushButton::clicked, this, [this] { DoApply(FrameHandle()); });
    }
    connect(fd, &QFontDialog::currentFontChanged, this,
            [this] { postOnce(this, m_changePosted, [this] { FontChanged(); }); });
    QFont chosen;
    TColor color = m_font.Color;
    if (!RunHosted(fd, [fd, colors, &chosen, &color] {
            chosen = fd->selectedFont();
            if (colors)
                color = TColor(colors->currentData().toUInt());
            return true;
        }))
        return false;
    TakeChoice(chosen, nullptr);
    m_font.Color = color;
    return true;
}

// ---- page setup ---------------------------------------------------------------------------

namespace {

constexpr THostedItem PageSetupItems[] = {
    {1, "buttonBox", QDialogButtonBox::Ok},
    {2, "buttonBox", QDialogButtonBox::Cancel},
    {1056, "portraitRadio"},
    {1057, "landscapeRadio"},
    {1073, "marginsGroup"},
    {1137, "paperSizeCombo"},
    {1155, "leftMarginEdit"},
    {1156, "topMarginEdit"},
    {1157, "rightMarginEdit"},
    {1158, "bottomMarginEdit"},
};

// A widget that paints by a function.
class TPaintHost : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void(QWidget*)> OnPaint;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (OnPaint)
            OnPaint(this);
    }
};

constexpr QPageSize::PageSizeId PaperSizes[] = {
    QPageSize::Letter, QPageSize::Legal, QPageSize::Executive,  QPageSize::A3,         QPageSize::A4,
    QPageSize::A5,     QPageSize::B5,    QPageSize::Envelope10, QPageSize::EnvelopeDL, QPageSize::EnvelopeC5,
};

QPageSize::Unit qtUnit(TPageMeasureUnits units)
{
    return units == pmInches ? QPageSize::Inch : QPageSize::Millimeter;
}

// A paper's portrait size in the dialog's units.
QSize paperInUnits(QPageSize::PageSizeId id, TPageMeasureUnits units)
{
    const QSizeF shown = QPageSize(id).size(qtUnit(units));
    return QSize(DisplayToMeasure(shown.width(), units), DisplayToMeasure(shown.height(), units));
}

// The page-setup dialog's standard controls: paper, orientation and margins.
class TPageSetupPanel : public QDialog {
public:
    TPageSetupPanel(TPageMeasureUnits units, unsigned options) : m_units(units)
    {
        auto* layout = new QVBoxLayout(this);
        auto* paper = new QGroupBox(ControlString(PrintSetupPaperString), this);
        auto* paperLayout = new QFormLayout(paper);
        Size = new QComboBox(paper);
        Size->setObjectName(QStringLiteral("paperSizeCombo"));
        for (QPageSize::PageSizeId id : PaperSizes)
            Size->addItem(QPageSize::name(id), QVariant::fromValue(int(id)));
        paperLayout->addRow(ControlString(PageSetupSizeString), Size);
        paper->setEnabled(!(options & poDisablePaper));
        layout->addWidget(paper);

        auto* bottom = new QHBoxLayout;
        auto* orientation = new QGroupBox(ControlString(PageSetupOrientationString), this);
        auto* orientationLayout = new QVBoxLayout(orientation);
        Portrait = new QRadioButton(ControlString(PageSetupPortraitString), orientation);
        Portrait->setObjectName(QStringLiteral("portraitRadio"));
        Landscape = new QRadioButton(ControlString(PageSetupLandscapeString), orientation);
        Landscape->setObjectName(QStringLiteral("landscapeRadio"));
        orientationLayout->addWidget(Portrait);
        orientationLayout->addWidget(Landscape);
        orientation->setEnabled(!(options & poDisableOrientation));
        bottom->addWidget(orientation);

        auto* margins = new QGroupBox(ControlString(units == pmInches ? PageSetupMarginsInchesString
                                                                      : PageSetupMarginsMillimetresString),
                                      this);
        margins->setObjectName(QStringLiteral("marginsGroup"));
        auto* grid = new QGridLayout(margins);
        const char* const names[] = {"leftMarginEdit", "rightMarginEdit", "topMarginEdit",
                                     "bottomMarginEdit"};
        const int captions[] = {PageSetupLeftString, PageSetupRightString, PageSetupTopString,
                                PageSetupBottomString};
        for (int i = 0; i < 4; ++i) {
            auto* edit = new QDoubleSpinBox(margins);
            edit->setObjectName(QString::fromLatin1(names[i]));
            // Thousandths of an inch and hundredths of a millimetre both show whole.
            edit->setDecimals(units == pmInches ? 3 : 2);
            edit->setSingleStep(units == pmInches ? 0.1 : 1.0);
            auto* label = new QLabel(ControlString(captions[i]), margins);
            label->setBuddy(edit);
            grid->addWidget(label, i / 2, (i % 2) * 2);
            grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
            Edits[i] = edit;
        }
        margins->setEnabled(!(options & poDisableMargins));
        bottom->addWidget(margins, 1);
        Sample = new TPaintHost(this);
        Sample->setObjectName(QStringLiteral("pageSample"));
        Sample->setMinimumHeight(140);
        layout->addWidget(Sample, 1);
        layout->addLayout(bottom);

        addOkCancel(this, layout);
        connect(Size, &QComboBox::currentIndexChanged, this, [this] {
            limitMargins();
            Sample->update();
        });
        connect(Landscape, &QRadioButton::toggled, this, [this] {
            limitMargins();
            Sample->update();
        });
        for (QDoubleSpinBox* edit : Edits)
            connect(edit, &QDoubleSpinBox::valueChanged, Sample, qOverload<>(&QWidget::update));
    }

    // Paper size (portrait or landscape), margins and their lower limits, in the units.
    void Set(QSize paper, const TPageMargins& margins, const TPageMargins& minimum)
    {
        m_minimum = minimum;
        const bool landscape = paper.width() > paper.height();
        const QSize portrait = landscape ? paper.transposed() : paper;
        int found = -1;
        for (int i = 0; i < Size->count(); ++i)
            if (paperInUnits(QPageSize::PageSizeId(Size->itemData(i).toInt()), m_units) == portrait)
                found = i;
        if (found < 0 && !portrait.isEmpty()) {
            // A size of no listed paper stays selectable as it is.
            Size->addItem(ControlString(PageSetupCustomString), QVariant::fromValue(-1));
            m_custom = portrait;
            found = Size->count() - 1;
        } else if (found < 0) {
            found = m_units == pmInches ? 0 : 4; // Letter, A4
        }
        Size->setCurrentIndex(found);
        (landscape ? Landscape : Portrait)->setChecked(true);
        limitMargins();
        const int values[] = {margins.Left, margins.Right, margins.Top, margins.Bottom};
        for (int i = 0; i < 4; ++i)
            Edits[i]->setValue(MeasureToDisplay(values[i], m_units));
    }

    QSize Paper() const
    {
        const int id = Size->currentData().toInt();
        const QSize portrait = id < 0 ? m_custom : paperInUnits(QPageSize::PageSizeId(id), m_units);
        return Landscape->isChecked() ? portrait.transposed() : portrait;
    }

    TPageMargins Margins() const
    {
        TPageMargins m;
        m.Left = DisplayToMeasure(Edits[0]->value(), m_units);
        m.Right = DisplayToMeasure(Edits[1]->value(), m_units);
        m.Top = DisplayToMeasure(Edits[2]->value(), m_units);
        m.Bottom = DisplayToMeasure(Edits[3]->value(), m_units);
        return m;
    }

    TPageMargins MinimumMargins() const { return m_minimum; }

    QComboBox* Size;
    QRadioButton* Portrait;
    QRadioButton* Landscape;
    QDoubleSpinBox* Edits[4];
    TPaintHost* Sample;

private:
    // A margin lies between its minimum and the paper's width or height.
    void limitMargins()
    {
        const QSize paper = Paper();
        const int minimum[] = {m_minimum.Left, m_minimum.Right, m_minimum.Top, m_minimum.Bottom};
        for (int i = 0; i < 4; ++i) {
            const int extent = i < 2 ? paper.width() : paper.height();
            Edits[i]->setRange(MeasureToDisplay(minimum[i], m_units), MeasureToDisplay(extent, m_units));
        }
    }

    TPageMeasureUnits m_units;
    TPageMargins m_minimum;
    QSize m_custom;
};

} // namespace

double MeasureToDisplay(int value, TPageMeasureUnits units)
{
    return units == pmInches ? value / 1000.0 : value / 100.0;
}

int DisplayToMeasure(double shown, TPageMeasureUnits units)
{
    return int(std::lround(shown * (units == pmInches ? 1000.0 : 100.0)));
}

int ConvertMeasure(int value, TPageMeasureUnits from, TPageMeasureUnits to)
{
    if (from == to)
        return value;
    // 1 inch = 2540 hundredths of a millimetre.
    return from == pmInches ? int(std::lround(value * 2.54)) : int(std::lround(value / 2.54));
}

TFormPageSetupDialog::TFormPageSetupDialog(QWidget* parent) : TFormCommonDialog(parent)
{
    resize(FixedSize());
}

QSize TFormPageSetupDialog::FixedSize() const
{
    return designSize(PageSetupDesign);
}

std::span<const THostedItem> TFormPageSetupDialog::ItemMap() const
{
    return PageSetupItems;
}

void TFormPageSetupDialog::RedrawPage()
{
    if (auto* panel = dynamic_cast<TPageSetupPanel*>(DialogHandle()))
        panel->Sample->update();
}

void TFormPageSetupDialog::paintPage(QWidget* sample)
{
    auto* panel = dynamic_cast<TPageSetupPanel*>(DialogHandle());
    if (!panel)
        return;
    const QSize paper = panel->Paper();
    if (paper.width() <= 0 || paper.height() <= 0)
        return;
    // The page as large as the sample allows, in its proportions, centred.
    const double scale = std::min((sample->width() - 8) / double(paper.width()),
                                  (sample->height() - 8) / double(paper.height()));
    if (scale <= 0)
        return;
    const int w = int(paper.width() * scale), h = int(paper.height() * scale);
    const QRect page((sample->width() - w) / 2, (sample->height() - h) / 2, w, h);
    const auto inside = [&](const TPageMargins& m) {
        return page.adjusted(int(m.Left * scale), int(m.Top * scale), -int(m.Right * scale),
                             -int(m.Bottom * scale));
    };
    const QRect margin = inside(panel->Margins());
    const struct {
        TPageSetupPaintPart Part;
        QRect Rect;
    } parts[] = {{ppFullPage, page},
                 {ppMinMarginRect, inside(panel->MinimumMargins())},
                 {ppMarginRect, margin},
                 {ppGreekText, margin.adjusted(2, 2, -2, -2)}};
    QPainter p(sample);
    TCanvas canvas(&p);
    // With a handler, only the blank page is the dialog's own.
    const bool contents = !OnPaintPage && !(Options & poDisablePagePainting);
    for (const auto& part : parts) {
        const QRect& r = part.Rect;
        if (OnPaintPage &&
            OnPaintPage(this, &canvas, TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1), part.Part))
            continue;
        if (part.Part == ppFullPage) {
            p.fillRect(r.translated(3, 3), sample->palette().color(QPalette::Shadow));
            p.fillRect(r, Qt::white);
            p.setPen(Qt::black);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else if (contents && part.Part == ppMarginRect && r.isValid()) {
            p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else if (contents && part.Part == ppGreekText && r.isValid()) {
            // Lines of grey in place of text.
            for (int y = r.top() + 2; y + 2 <= r.bottom(); y += 4)
                p.fillRect(QRect(r.left(), y, y % 20 == 2 ? r.width() * 2 / 3 : r.width(), 2), Qt::lightGray);
        }
    }
}

bool TFormPageSetupDialog::Execute()
{
    auto* panel = new TPageSetupPanel(Measurements, Options);
    panel->Set(PaperSize, Margins, MinMargins);
    panel->Sample->OnPaint = [this](QWidget* sample) { paintPage(sample); };
    QSize paper;
    TPageMargins margins;
    if (!RunHosted(panel, [panel, &paper, &margins] {
            paper = panel->Paper();
            margins = panel->Margins();
            return true;
        }))
        return false;
    PaperSize = paper;
    Margins = margins;
    return true;
}

// ---- printer setup ------------------------------------------------------------------------

namespace {

constexpr THostedItem PrinterSetupItems[] = {
    {1, "buttonBox", QDialogButtonBox::Ok},
    {2, "buttonBox", QDialogButtonBox::Cancel},
    {1093, "statusLabel"},
    {1095, "typeLabel"},
    {1097, "whereLabel"},
    {1099, "commentLabel"},
    {1139, "printerNameCombo"},
};

// The printer-setup dialog's standard controls: the printer with its Properties and what the
// system says of it, and the paper its jobs take.
class TPrinterSetupPanel : public QDialog {
public:
    TPrinterSetupPanel()
    {
        setWindowTitle(ControlString(PrintSetupTitleString));
        auto* layout = new QVBoxLayout(this);
        auto* group = new QGroupBox(ControlString(PrintSetupPrinterString), this);
        auto* grid = new QGridLayout(group);
        Name = new QComboBox(group);
        Name->setObjectName(QStringLiteral("printerNameCombo"));
        auto* nameLabel = new QLabel(ControlString(PrintSetupNameString), group);
        nameLabel->setBuddy(Name);
        auto* properties = new QPushButton(ControlString(PrintSetupPropertiesString), group);
        properties->setObjectName(QStringLiteral("propertiesButton"));
        grid->addWidget(nameLabel, 0, 0);
        grid->addWidget(Name, 0, 1);
        grid->addWidget(properties, 0, 2);
        grid->setColumnStretch(1, 1);
        const char* const names[] = {"statusLabel", "typeLabel", "whereLabel", "commentLabel"};
        const int captions[] = {PrintStatusCaptionString, PrintTypeCaptionString, PrintWhereCaptionString,
                                PrintCommentCaptionString};
        for (int i = 0; i < 4; ++i) {
            m_info[i] = new QLabel(group);
            m_info[i]->setObjectName(QString::fromLatin1(names[i]));
            grid->addWidget(new QLabel(ControlString(captions[i]), group), i + 1, 0);
            grid->addWidget(m_info[i], i + 1, 1, 1, 2);
        }
        layout->addWidget(group);
        m_paper = new QGroupBox(ControlString(PrintSetupPaperString), this);
        auto* paperForm = new QFormLayout(m_paper);
        m_size = new QComboBox(m_paper);
        m_size->setObjectName(QStringLiteral("paperSizeCombo"));
        m_source = new QComboBox(m_paper);
        m_source->setObjectName(QStringLiteral("paperSourceCombo"));
        paperForm->addRow(ControlString(MediaSizeCaptionString), m_size);
        paperForm->addRow(ControlString(MediaSourceCaptionString), m_source);
        layout->addWidget(m_paper);
        QDialogButtonBox* box = addOkCancel(this, layout);

        Name->addItems(Printer()->Printers());
        Name->setCurrentIndex(Printer()->PrinterIndex());
        connect(Name, &QComboBox::currentIndexChanged, this, [this](int index) { showPrinter(index); });
        connect(properties, &QPushButton::clicked, this, [this] {
            if (Name->currentIndex() >= 0 &&
                RunPrinterProperties(this, Name->currentText(), Name->currentIndex(), Options))
                showOptions();
        });
        showPrinter(Name->currentIndex());
        box->button(QDialogButtonBox::Ok)->setEnabled(Name->count() > 0);
        properties->setEnabled(Name->count() > 0);
    }

    // The chosen printer's options as the panel shows them.
    TJobOptions Chosen() const
    {
        TJobOptions options = Options;
        auto put = [&options](const QByteArray& name, const QComboBox* box, const TQueueOption* listed) {
            if (!listed || box->currentIndex() < 0)
                return;
            std::erase_if(options, [&](const auto& o) { return o.first == name; });
            options.emplace_back(name, listed->Values.value(box->currentIndex()));
        };
        put("media", m_size, find("media"));
        put("media-source", m_source, find("media-source"));
        return options;
    }

    QComboBox* Name;
    TJobOptions Options;

private:
    const TQueueOption* find(const char* name) const
    {
        for (const TQueueOption& o : m_listed)
            if (o.Name == name)
                return &o;
        return nullptr;
    }

    void showPrinter(int index)
    {
        m_info[0]->setText(index >= 0 ? PrinterStateText(Printer()->State(index)) : QString());
        m_info[1]->setText(index >= 0 ? Printer()->MakeAndModel(index) : QString());
        m_info[2]->setText(index >= 0 ? Printer()->Location(index) : QString());
        m_info[3]->setText(index >= 0 ? Printer()->Comment(index) : QString());
        m_listed = index < 0 || Printer()->IsPdfPrinter(index) ? std::vector<TQueueOption>()
                                                               : QueueOptions(Name->currentText());
        Options = Printer()->JobOptions(Name->currentText());
        showOptions();
    }

    // The paper size and source boxes set to the options chosen, else the queue's defaults.
    void showOptions()
    {
        for (auto [name, box] : {std::pair{"media", m_size}, std::pair{"media-source", m_source}}) {
            box->clear();
            const TQueueOption* listed = find(name);
            box->setEnabled(listed != nullptr);
            if (!listed)
                continue;
            box->addItems(listed->Texts);
            box->setCurrentIndex(ChosenValueIndex(*listed, Options));
        }
    }

    QLabel* m_info[4];
    QGroupBox* m_paper;
    QComboBox *m_size, *m_source;
    std::vector<TQueueOption> m_listed;
};

} // namespace

TFormPrinterSetupDialog::TFormPrinterSetupDialog(QWidget* parent) : TFormCommonDialog(parent)
{
    resize(FixedSize());
}

QSize TFormPrinterSetupDialog::FixedSize() const
{
    return designSize(PrinterSetupDesign);
}

std::span<const THostedItem> TFormPrinterSetupDialog::ItemMap() const
{
    return PrinterSetupItems;
}

bool TFormPrinterSetupDialog::Execute()
{
    auto* panel = new TPrinterSetupPanel;
    int chosen = -1;
    TJobOptions options;
    if (!RunHosted(panel, [panel, &chosen, &options] {
            chosen = panel->Name->currentIndex();
            options = panel->Chosen();
            return chosen >= 0;
        }))
        return false;
    Printer()->SetPrinterIndex(chosen);
    if (!Printer()->IsPdfPrinter(chosen))
        Printer()->SetJobOptions(Printer()->Printers().value(chosen), options);
    return true;
}

// ---- folder -------------------------------------------------------------------------------

namespace {

constexpr THostedItem FolderDialogItems[] = {
    {1, "buttonBox", QDialogButtonBox::Ok},
    {2, "buttonBox", QDialogButtonBox::Cancel},
    {14145, "folderTree"},
    {14146, "titleLabel"},
    {14147, "statusLabel"},
};

// The browse-for-folder dialog's standard controls: title, status line, folder tree, OK, Cancel.
class TFolderPanel : public QDialog {
public:
    explicit TFolderPanel(const QString& root)
    {
        auto* layout = new QVBoxLayout(this);
        Title = new QLabel(this);
        Title->setObjectName(QStringLiteral("titleLabel"));
        Title->setWordWrap(true);
        layout->addWidget(Title);
        Status = new QLabel(this);
        Status->setObjectName(QStringLiteral("statusLabel"));
        Status->setTextFormat(Qt::PlainText);
        layout->addWidget(Status);
        Model = new QFileSystemModel(this);
        Model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
        Model->setRootPath(root);
        Tree = new QTreeView(this);
        Tree->setObjectName(QStringLiteral("folderTree"));
        Tree->setModel(Model);
        Tree->setRootIndex(Model->index(root));
        for (int column = 1; column < Model->columnCount(); ++column)
            Tree->hideColumn(column);
        Tree->header()->hide();
        layout->addWidget(Tree, 1);
        // Folders load in the background; the selection stays in sight as they come.
        connect(Model, &QFileSystemModel::directoryLoaded, this,
                [this] { Tree->scrollTo(Tree->currentIndex()); });
        addOkCancel(this, layout);
    }

    void Select(const QString& path)
    {
        const QModelIndex index = Model->index(QDir::cleanPath(path));
        if (!index.isValid())
            return;
        for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
            Tree->expand(parent);
        Tree->setCurrentIndex(index);
        Tree->scrollTo(index);
    }

    QString Selected() const
    {
        const QModelIndex index = Tree->currentIndex();
        return index.isValid() ? Model->filePath(index) : QString();
    }

    QLabel* Title;
    QLabel* Status;
    QFileSystemModel* Model;
    QTreeView* Tree;
};

} // namespace

QString SpecialFolderPath(TSpecialFolder folder)
{
    auto location = [](QStandardPaths::StandardLocation where) {
        const QString path = QStandardPaths::writableLocation(where);
        return path.isEmpty() ? QDir::rootPath() : path;
    };
    switch (folder) {
    case sfoPersonal: return QDir::homePath();
    case sfoDesktop:
    case sfoDesktopDirectory:
    case sfoCommonDesktopDirectory: return location(QStandardPaths::DesktopLocation);
    case sfoFonts: return location(QStandardPaths::FontsLocation);
    case sfoTemplates: return QDir::homePath() + QStringLiteral("/Templates");
    case sfoAppData: return location(QStandardPaths::GenericConfigLocation);
    case sfoPrograms:
    case sfoCommonPrograms: return location(QStandardPaths::ApplicationsLocation);
    default: return QDir::rootPath();
    }
}

unsigned FolderDialogOptions(unsigned old, unsigned value)
{
    const unsigned added = value & ~old;
    if (added & bfBrowseForComputer)
        value &= bfDontGoBelowDomain | bfStatusText | bfBrowseForComputer | bfShowPathInStatusArea;
    else if (added & bfBrowseForPrinter)
        value &= bfStatusText | bfBrowseForPrinter | bfShowPathInStatusArea;
    if (value & bfShowPathInStatusArea)
        value |= bfStatusText;
    return value;
}

TFormFolderDialog::TFormFolderDialog(QWidget* parent) : TFormCommonDialog(parent)
{
    resize(FixedSize());
}

QSize TFormFolderDialog::FixedSize() const
{
    return designSize(FolderDialogDesign);
}

std::span<const THostedItem> TFormFolderDialog::ItemMap() const
{
    return FolderDialogItems;
}

void TFormFolderDialog::SetTitle(const QString& title)
{
    if (DialogHandle())
        m_runTitle = title;
    else
        Title = title;
    if (auto* label = qobject_cast<QLabel*>(DialogItem(14146)))
        label->setText(title);
}

void TFormFolderDialog::SetRootFolder(TSpecialFolder root)
{
    m_root = root;
    m_selection.clear();
}

void TFormFolderDialog::SetOptions(unsigned options)
{
    const unsigned kept = FolderDialogOptions(m_options, options);
    if ((kept & bfBrowseForComputer) && !(m_options & bfBrowseForComputer))
        SetRootFolder(sfoNetwork);
    m_options = kept;
}

QString TFormFolderDialog::GetDirectory() const
{
    return DialogHandle() ? m_selection : m_directory;
}

void TFormFolderDialog::SetDirectory(const QString& path)
{
    if (auto* panel = dynamic_cast<TFolderPanel*>(DialogHandle()))
        panel->Select(path);
    else
        m_directory = path;
}

void TFormFolderDialog::SetStatusText(const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(DialogItem(14147)))
        label->setText(text);
}

void TFormFolderDialog::SetSelectionPath(const QString& path)
{
    if (auto* panel = dynamic_cast<TFolderPanel*>(DialogHandle()))
        panel->Select(path);
}

void TFormFolderDialog::EnableOK(bool enable)
{
    if (QWidget* ok = DialogItem(1))
        ok->setEnabled(enable);
}

void TFormFolderDialog::BFFMSelChanged(const QString& path)
{
    m_selection = path;
    if (m_options & bfFileSysDirsOnly)
        EnableOK(!path.isEmpty());
    if (!path.isEmpty() && (m_options & bfShowPathInStatusArea))
        SetStatusText(path);
    if (OnChange)
        OnChange(this);
}

void TFormFolderDialog::DoShow()
{
    auto* panel = dynamic_cast<TFolderPanel*>(DialogHandle());
    if (panel) {
        panel->Title->setText(m_runTitle);
        panel->Status->setVisible(m_options & bfStatusText);
        // The folder set before the run is where the dialog opens.
        if (!m_directory.isEmpty())
            panel->Select(m_directory);
        BFFMSelChanged(panel->Selected());
    }
    TFormCommonDialog::DoShow();
}

bool TFormFolderDialog::Execute()
{
    auto* panel = new TFolderPanel(SpecialFolderPath(m_root));
    connect(panel->Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, panel] { BFFMSelChanged(panel->Selected()); });
    QString chosen;
    // The frame's title is the form's; Title is the text above the folders.
    m_runTitle = Title;
    Title.clear();
    const bool accepted = RunHosted(panel, [panel, &chosen] {
        chosen = panel->Selected();
        return !chosen.isEmpty();
    });
    Title = m_runTitle;
    m_selection.clear();
    if (!accepted)
        return false;
    m_directory = chosen;
    m_displayName = QFileInfo(chosen).fileName().isEmpty() ? chosen : QFileInfo(chosen).fileName();
    return true;
}
