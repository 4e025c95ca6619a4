#include "controls/print_panel.h"

#include "controls/control_strings.h"
#include "lang/string_ids.h"
#include "platform/printer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSpinBox>

namespace {

constexpr unsigned PD_SELECTION = 0x1;
constexpr unsigned PD_PAGENUMS = 0x2;
constexpr unsigned PD_NOSELECTION = 0x4;
constexpr unsigned PD_NOPAGENUMS = 0x8;
constexpr unsigned PD_COLLATE = 0x10;
constexpr unsigned PD_PRINTTOFILE = 0x20;
constexpr unsigned PD_NOWARNING = 0x80;
constexpr unsigned PD_SHOWHELP = 0x800;
constexpr unsigned PD_ENABLEPRINTHOOK = 0x1000;
constexpr unsigned PD_ENABLESETUPHOOK = 0x2000;
constexpr unsigned PD_DISABLEPRINTTOFILE = 0x80000;
constexpr unsigned PD_HIDEPRINTTOFILE = 0x100000;

template <class W> W* Item(QWidget* parent, int id, const QRect& r)
{
    W* w = new W(parent);
    w->setObjectName(QStringLiteral("item%1").arg(id));
    w->setGeometry(r);
    return w;
}

constexpr THostedItem PrintItems[] = {
    {PrintOkItem, "item1"},           {PrintCancelItem, "item2"},         {PrintPropertiesItem, "item1025"},
    {PrintCollateItem, "item1041"},   {PrintAllItem, "item1056"},         {PrintSelectionItem, "item1057"},
    {PrintPagesItem, "item1058"},     {PrintRangeGroupItem, "item1072"},  {PrintCopiesGroupItem, "item1073"},
    {PrintPrinterGroupItem, "item1075"}, {PrintFromLabelItem, "item1089"}, {PrintToLabelItem, "item1090"},
    {PrintStatusItem, "item1093"},    {PrintTypeItem, "item1095"},        {PrintWhereItem, "item1097"},
    {PrintCommentItem, "item1099"},   {PrintPrinterNameItem, "item1139"}, {PrintFromEditItem, "item1152"},
    {PrintToEditItem, "item1153"},    {PrintCopiesEditItem, "item1154"},
};

// A printer detail (a location path, a long description) shortened to the label's width, the
// whole text in its tooltip.
class TElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    void SetFullText(const QString& text, Qt::TextElideMode mode)
    {
        m_full = text;
        m_mode = mode;
        elide();
    }
    QString FullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QLabel::resizeEvent(e);
        elide();
    }

private:
    void elide()
    {
        // A little room for the glyphs' overhang beyond their advance.
        const QString shown = fontMetrics().elidedText(m_full, m_mode, contentsRect().width() - 2);
        setText(shown);
        setToolTip(shown == m_full ? QString() : m_full);
    }
    QString m_full;
    Qt::TextElideMode m_mode = Qt::ElideRight;
};

// The standard items of the print dialog over the printer object's list.
class TPrintPanel : public QWidget {
public:
    TPrintPanel();
    void Load(const TFormPrintCommDialog& d);
    void Store(TFormPrintCommDialog& d) const;
    std::function<void(bool accepted)> Finished;

protected:
    void changeEvent(QEvent* e) override
    {
        QWidget::changeEvent(e);
        // The form's font reaches the panel only once the frame holds it.
        if (e->type() == QEvent::FontChange)
            layOutCaptions();
    }

private:
    void layOutCaptions();
    void printerChanged(int index);
    void propertiesClick();
    void rangeChanged();

    // Queue options chosen through Properties while the dialog runs, per printer; they become
    // the printer object's on OK.
    std::vector<std::pair<QString, TJobOptions>> m_jobOptions;
    QGroupBox* m_printerGroup;
    QComboBox* m_printerName;
    QPushButton* m_properties;
    QLabel* m_captions[4];
    TElidedLabel *m_status, *m_type, *m_where, *m_comment;
    QLabel* m_copiesLabel;
    QGroupBox* m_rangeGroup;
    QRadioButton *m_all, *m_pages, *m_selection;
    QLabel *m_fromLabel, *m_toLabel;
    QLineEdit *m_from, *m_to;
    QGroupBox* m_copiesGroup;
    QSpinBox* m_copies;
    QCheckBox* m_collate;
    QPushButton *m_ok, *m_cancel;
};

} // namespace

QString PrinterStateText(const TQueueState& state)
{
    if (!state.Known)
        return ControlString(PrinterStateUnknownString);
    QStringList parts{ControlString(state.Paused     ? PrinterPausedString
                                    : state.Printing ? PrinterPrintingString
                                                     : PrinterReadyString)};
    if (!state.Accepting)
        parts << ControlString(PrinterNotAcceptingString);
    if (!state.Message.isEmpty())
        parts << state.Message;
    return parts.join(QStringLiteral(" - "));
}

int ChosenValueIndex(const TQueueOption& option, const TJobOptions& chosen)
{
    QByteArray current = option.Default;
    for (const auto& [name, value] : chosen)
        if (name == option.Name)
            current = value;
    return std::max(0, int(option.Values.indexOf(current)));
}

bool RunPrinterProperties(QWidget* owner, const QString& printer, int index, TJobOptions& options)
{
    QDialog sheet(owner);
    sheet.setObjectName(QStringLiteral("PrinterProperties"));
    sheet.setWindowTitle(ControlString(PrinterPropertiesTitleString).replace(QLatin1String("%s"), printer));
    auto* form = new QFormLayout(&sheet);
    const TPrinter* p = Printer();
    form->addRow(ControlString(PrintTypeCaptionString), new QLabel(p->MakeAndModel(index), &sheet));
    form->addRow(ControlString(PrintWhereCaptionString), new QLabel(p->Location(index), &sheet));
    form->addRow(ControlString(PrintStatusCaptionString),
                 new QLabel(PrinterStateText(p->State(index)), &sheet));
    const std::vector<TQueueOption> listed =
        p->IsPdfPrinter(index) ? std::vector<TQueueOption>() : QueueOptions(printer);
    static const std::pair<const char*, int> captions[] = {
        {"media", MediaSizeCaptionString},
        {"media-source", MediaSourceCaptionString},
        {"print-color-mode", ColourModeCaptionString},
        {"printer-resolution", PrintResolutionCaptionString},
        {"sides", DuplexCaptionString}};
    std::vector<std::pair<const TQueueOption*, QComboBox*>> boxes;
    for (const TQueueOption& option : listed) {
        auto* box = new QComboBox(&sheet);
        box->setObjectName(QString::fromLatin1(option.Name));
        box->addItems(option.Texts);
        box->setCurrentIndex(ChosenValueIndex(option, options));
        int caption = 0;
        for (const auto& [name, id] : captions)
            if (option.Name == name)
                caption = id;
        auto* label = new QLabel(ControlString(caption), &sheet);
        label->setBuddy(box);
        form->addRow(label, box);
        boxes.emplace_back(&option, box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &sheet);
    // Qt's own captions would follow the system's language, not the interface's.
    buttons->button(QDialogButtonBox::Ok)->setText(ControlString(OKButtonString));
    buttons->button(QDialogButtonBox::Cancel)->setText(ControlString(CancelButtonString));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &sheet, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
    form->addRow(buttons);
    if (sheet.exec() != QDialog::Accepted)
        return false;
    options.clear();
    for (const auto& [option, box] : boxes)
        if (box->currentIndex() >= 0)
            options.emplace_back(option->Name, option->Values.value(box->currentIndex()));
    return true;
}

unsigned PrintDialogFlags(unsigned options, TPrintRange range, bool collate, bool printToFile)
{
    unsigned flags = (range == prSelection ? PD_SELECTION : range == prPageNums ? PD_PAGENUMS : 0) |
                     PD_ENABLEPRINTHOOK | PD_ENABLESETUPHOOK;
    if (collate)
        flags |= PD_COLLATE;
    if (!(options & poPrintToFile))
        flags |= PD_HIDEPRINTTOFILE;
    if (!(options & poPageNums))
        flags |= PD_NOPAGENUMS;
    if (!(options & poSelection))
        flags |= PD_NOSELECTION;
    if (options & poDisablePrintToFile)
        flags |= PD_DISABLEPRINTTOFILE;
    if (printToFile)
        flags |= PD_PRINTTOFILE;
    if (options & poHelp)
        flags |= PD_SHOWHELP;
    if (!(options & poWarning))
        flags |= PD_NOWARNING;
    return flags;
}

TPrintPanel::TPrintPanel()
{
    setObjectName(QStringLiteral("PrintPanel"));
    resize(432, 302);
    // Every caption is the system print dialog's own, in the interface language: Qt's texts follow
    // the system's language instead.
    m_printerGroup = Item<QGroupBox>(this, PrintPrinterGroupItem, QRect(8, 4, 416, 124));
    m_printerGroup->setTitle(ControlString(PrintSetupPrinterString));
    auto* nameLabel = new QLabel(ControlString(PrintSetupNameString), m_printerGroup);
    nameLabel->setGeometry(10, 24, 60, 20);
    m_printerName = Item<QComboBox>(m_printerGroup, PrintPrinterNameItem, QRect(76, 22, 228, 24));
    nameLabel->setBuddy(m_printerName);
    m_properties = Item<QPushButton>(m_printerGroup, PrintPropertiesItem, QRect(312, 21, 96, 26));
    m_properties->setText(ControlString(PrintSetupPropertiesString));
    const QString captions[] = {ControlString(PrintStatusCaptionString),
                                ControlString(PrintTypeCaptionString), ControlString(PrintWhereCaptionString),
                                ControlString(PrintCommentCaptionString)};
    TElidedLabel** values[] = {&m_status, &m_type, &m_where, &m_comment};
    const int ids[] = {PrintStatusItem, PrintTypeItem, PrintWhereItem, PrintCommentItem};
    for (int i = 0; i < 4; ++i) {
        m_captions[i] = new QLabel(captions[i], m_printerGroup);
        *values[i] = Item<TElidedLabel>(m_printerGroup, ids[i], QRect(76, 52 + 17 * i, 332, 17));
        (*values[i])->setTextFormat(Qt::PlainText);
    }

    m_rangeGroup = Item<QGroupBox>(this, PrintRangeGroupItem, QRect(8, 134, 225, 120));
    m_rangeGroup->setTitle(ControlString(PrintRangeGroupString));
    m_all = Item<QRadioButton>(m_rangeGroup, PrintAllItem, QRect(10, 22, 200, 20));
    m_all->setText(ControlString(PrintAllPagesString));
    m_pages = Item<QRadioButton>(m_rangeGroup, PrintPagesItem, QRect(10, 46, 70, 20));
    m_pages->setText(ControlString(PrintPagesString));
    m_fromLabel = Item<QLabel>(m_rangeGroup, PrintFromLabelItem, QRect(82, 47, 36, 18));
    m_fromLabel->setText(ControlString(PrintFromPageString));
    m_from = Item<QLineEdit>(m_rangeGroup, PrintFromEditItem, QRect(118, 45, 36, 22));
    m_toLabel = Item<QLabel>(m_rangeGroup, PrintToLabelItem, QRect(158, 47, 22, 18));
    m_toLabel->setText(ControlString(PrintToPageString));
    m_to = Item<QLineEdit>(m_rangeGroup, PrintToEditItem, QRect(180, 45, 36, 22));
    m_fromLabel->setBuddy(m_from);
    m_toLabel->setBuddy(m_to);
    m_from->setValidator(new QIntValidator(0, 65535, m_from));
    m_to->setValidator(new QIntValidator(0, 65535, m_to));
    m_selection = Item<QRadioButton>(m_rangeGroup, PrintSelectionItem, QRect(10, 72, 200, 20));
    m_selection->setText(ControlString(PrintSelectionString));
    for (QRadioButton* b : {m_all, m_pages, m_selection})
        connect(b, &QRadioButton::toggled, this, [this] { rangeChanged(); });

    m_copiesGroup = Item<QGroupBox>(this, PrintCopiesGroupItem, QRect(240, 134, 184, 120));
    m_copiesGroup->setTitle(ControlString(PrintCopiesGroupString));
    m_copiesLabel = new QLabel(ControlString(PrintNumberOfCopiesString), m_copiesGroup);
    m_copies = Item<QSpinBox>(m_copiesGroup, PrintCopiesEditItem, QRect(122, 22, 54, 24));
    m_copies->setRange(1, 9999);
    m_copiesLabel->setBuddy(m_copies);
    m_collate = Item<QCheckBox>(m_copiesGroup, PrintCollateItem, QRect(10, 56, 160, 20));
    m_collate->setText(ControlString(PrintCollateString));

    m_ok = Item<QPushButton>(this, PrintOkItem, QRect(262, 266, 75, 25));
    m_ok->setDefault(true);
    m_cancel = Item<QPushButton>(this, PrintCancelItem, QRect(345, 266, 75, 25));

    layOutCaptions();

    connect(m_printerName, &QComboBox::currentIndexChanged, this, [this](int i) { printerChanged(i); });
    connect(m_properties, &QPushButton::clicked, this, [this] { propertiesClick(); });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (Finished)
            Finished(true);
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (Finished)
            Finished(false);
    });
}

void TPrintPanel::Load(const TFormPrintCommDialog& d)
{
    {
        const QSignalBlocker block(m_printerName);
        m_printerName->addItems(Printer()->Printers());
        m_printerName->setCurrentIndex(Printer()->PrinterIndex());
    }
    printerChanged(m_printerName->currentIndex());
    const unsigned flags = PrintDialogFlags(d.Options, d.PrintRange, d.Collate, d.PrintToFile);
    m_pages->setEnabled(!(flags & PD_NOPAGENUMS));
    m_selection->setEnabled(!(flags & PD_NOSELECTION));
    (d.PrintRange == prSelection ? m_selection : d.PrintRange == prPageNums ? m_pages : m_all)->setChecked(true);
    m_from->setText(d.FromPage > 0 ? QString::number(d.FromPage) : QString());
    m_to->setText(d.ToPage > 0 ? QString::number(d.ToPage) : QString());
    rangeChanged();
    m_collate->setChecked(d.Collate);
    m_copies->setValue(std::max(1, Printer()->Copies()));
}

void TPrintPanel::Store(TFormPrintCommDialog& d) const
{
    Printer()->SetPrinterIndex(m_printerName->currentIndex());
    for (const auto& [printer, options] : m_jobOptions)
        Printer()->SetJobOptions(printer, options);
    d.Collate = m_collate->isChecked();
    d.PrintRange = m_selection->isChecked() ? prSelection : m_pages->isChecked() ? prPageNums : prAllPages;
    d.FromPage = m_from->text().toInt();
    d.ToPage = m_to->text().toInt();
    Printer()->SetCollate(d.Collate);
    d.SetNumCopies(m_copies->value());
}

// Translated captions take the room they need; the printer details and the copies box follow.
void TPrintPanel::layOutCaptions()
{
    int captionWidth = 64;
    for (QLabel* c : m_captions)
        captionWidth = std::max(captionWidth, c->sizeHint().width());
    TElidedLabel* values[] = {m_status, m_type, m_where, m_comment};
    for (int i = 0; i < 4; ++i) {
        m_captions[i]->setGeometry(10, 52 + 17 * i, captionWidth, 17);
        values[i]->setGeometry(12 + captionWidth, 52 + 17 * i, 396 - captionWidth, 17);
    }
    // The page range's row: each caption as wide as it needs, its box right after it.
    const int pagesWidth = std::max(70, m_pages->sizeHint().width());
    m_pages->setGeometry(10, 46, pagesWidth, 20);
    const int fromWidth = std::max(36, m_fromLabel->sizeHint().width());
    m_fromLabel->setGeometry(12 + pagesWidth, 47, fromWidth, 18);
    m_from->move(m_fromLabel->x() + fromWidth, m_from->y());
    const int toWidth = std::max(22, m_toLabel->sizeHint().width());
    m_toLabel->setGeometry(m_from->x() + m_from->width() + 4, 47, toWidth, 18);
    m_to->move(m_toLabel->x() + toWidth, m_to->y());
    const int copiesWidth = std::max(110, m_copiesLabel->sizeHint().width());
    m_copiesLabel->setGeometry(10, 24, copiesWidth, 20);
    m_copies->move(std::max(122, m_copiesLabel->x() + copiesWidth + 2), m_copies->y());
}

void TPrintPanel::printerChanged(int index)
{
    const TPrinter* p = Printer();
    m_status->SetFullText(PrinterStateText(p->State(index)), Qt::ElideRight);
    m_type->SetFullText(p->MakeAndModel(index), Qt::ElideRight);
    // A path keeps its start and its file name.
    m_where->SetFullText(p->Location(index), Qt::ElideMiddle);
    m_comment->SetFullText(p->Comment(index), Qt::ElideRight);
    m_properties->setEnabled(index >= 0);
    m_ok->setEnabled(index >= 0);
}

void TPrintPanel::propertiesClick()
{
    const QString printer = m_printerName->currentText();
    auto chosen = std::find_if(m_jobOptions.begin(), m_jobOptions.end(),
                               [&](const auto& entry) { return entry.first == printer; });
    TJobOptions options = chosen != m_jobOptions.end() ? chosen->second : Printer()->JobOptions(printer);
    if (!RunPrinterProperties(window(), printer, m_printerName->currentIndex(), options))
        return;
    if (chosen != m_jobOptions.end())
        chosen->second = options;
    else
        m_jobOptions.emplace_back(printer, options);
}

void TPrintPanel::rangeChanged()
{
    const bool pages = m_pages->isChecked();
    m_from->setEnabled(pages);
    m_to->setEnabled(pages);
}

TFormPrintCommDialog::TFormPrintCommDialog(QWidget* parent) : TFormCommonDialog(parent)
{
    setObjectName(QStringLiteral("PD"));
    setGeometry(0, 0, 432, 302);
    SetOkButtonCaption(QStringLiteral("&Ok"));
    SetCancelButtonCaption(QStringLiteral("Cancel"));
}

TFormPrintCommDialog::~TFormPrintCommDialog() = default;

std::span<const THostedItem> TFormPrintCommDialog::ItemMap() const
{
    return PrintItems;
}

void TFormPrintCommDialog::SetNumCopies(int copies)
{
    Copies = copies;
    Printer()->SetCopies(copies);
}

bool TFormPrintCommDialog::Execute()
{
    SetForm(parentWidget() ? parentWidget()->window() : nullptr);
    RescaleParent();
    auto* panel = new TPrintPanel;
    panel->Load(*this);
    bool accepted = false;
    // The panel's values are taken before the frame takes it down.
    TPrintPanel* const running = panel;
    panel->Finished = [this, &accepted, running](bool ok) {
        accepted = ok;
        if (ok)
            running->Store(*this);
        CloseFrame(ok ? 1 : 0);
    };
    const int result = TaskModalDialog(panel);
    return result == 1 && accepted;
}
